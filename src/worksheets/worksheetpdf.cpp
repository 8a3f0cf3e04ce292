#include "worksheetpdf.h"

#include "control.h"
#include "fonts.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <functional>

namespace {

// Everything is laid out in twips (1440 to the inch), as the screens are, whatever the
// resolution of the device painted on.
constexpr qreal TwipsPerInch = 1440;
constexpr qreal Gutter = 560;        // the item number's column
constexpr qreal Gap = 120;           // between the parts of an item
constexpr qreal ItemGap = 280;       // between items
constexpr qreal LetterWidth = 500;   // an option's letter, "(a)", and the space after it
constexpr qreal BoxSize = 360;       // a box to write a number or a tick in (6 mm)
constexpr qreal RowGap = 60;         // between the rows of boxes of one item
constexpr qreal WordPad = 130;       // inside an outlined word
constexpr qreal WritingLine = 500;   // between lines to write on (nearly 9 mm, for a child's hand)

const QColor Ink(0, 0, 0);
const QColor Rule(150, 150, 150);
// The answers in a teacher's red pen (dark enough to read on a black-and-white printer).
const QColor Pen(200, 0, 0);

// Fonts sized in twips (one font pixel is one twip), so text measures the same on paper, on
// a printer and in the preview, and the painter's scale alone fits it to the device.
QFont paperFont(const QString &family, qreal points, bool bold = false, bool italic = false)
{
    QFont font = referenceFont(FontSpec{family, float(points), bold});
    font.setItalic(italic);
    return font;
}

QFont serif(qreal points, bool bold = false, bool italic = false)
{
    return paperFont(QStringLiteral("Times New Roman"), points, bold, italic);
}

QFont sans(qreal points, bool bold = false)
{
    return paperFont(QStringLiteral("Tahoma"), points, bold);
}

// Lays out a sheet, and paints it when given a painter; every function returns the height
// it takes, so the same code measures the items for the page breaks and then draws them.
class Layout
{
public:
    Layout(const Worksheet &sheet, bool answers, qreal width)
        : m_sheet(sheet)
        , m_answers(answers)
        , m_width(width)
    {
    }

    void setPainter(QPainter *painter) { m_painter = painter; }

    qreal textHeight(const QFont &font, const QString &text, qreal width, int flags = Qt::AlignLeft) const
    {
        return QFontMetricsF(font).boundingRect(QRectF(0, 0, width, 1e7), flags | Qt::TextWordWrap, text).height();
    }

    qreal textWidth(const QFont &font, const QString &text) const
    {
        return QFontMetricsF(font).horizontalAdvance(text);
    }

    // How much higher a line in `other` must start to share its baseline with one in `font`
    // (the bold face of the options is a different font with a taller ascent).
    qreal lift(const QFont &font, const QFont &other) const
    {
        return QFontMetricsF(other).ascent() - QFontMetricsF(font).ascent();
    }

    // Plain text, wrapped within width (bank text is never read as markup).
    qreal text(qreal x, qreal y, qreal width, const QFont &font, const QString &text, const QColor &colour = Ink,
               int flags = Qt::AlignLeft)
    {
        const qreal height = textHeight(font, text, width, flags);
        if (m_painter) {
            m_painter->setFont(font);
            m_painter->setPen(colour);
            m_painter->drawText(QRectF(x, y, width, height + 1), flags | Qt::TextWordWrap, text);
        }
        return height;
    }

    void box(const QRectF &rect)
    {
        if (!m_painter)
            return;
        m_painter->setPen(QPen(Ink, 15));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawRect(rect);
    }

    void line(QPointF from, QPointF to, const QColor &colour, qreal width)
    {
        if (!m_painter)
            return;
        m_painter->setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        m_painter->drawLine(from, to);
    }

    void ring(const QRectF &rect)
    {
        if (!m_painter || !m_answers)
            return;
        m_painter->setPen(QPen(Pen, 30));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawEllipse(rect);
    }

    // A tick in the red pen, in a square of the given size at (x, y).
    void tick(qreal x, qreal y, qreal size)
    {
        if (!m_painter || !m_answers)
            return;
        QPainterPath path;
        path.moveTo(x + size * 0.15, y + size * 0.55);
        path.lineTo(x + size * 0.4, y + size * 0.8);
        path.lineTo(x + size * 0.9, y + size * 0.15);
        m_painter->setPen(QPen(Pen, 40, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawPath(path);
    }

    // Something written into a box on the answer sheet.
    void writeInBox(const QRectF &rect, const QString &what)
    {
        if (m_painter && m_answers) {
            m_painter->setFont(sans(13, true));
            m_painter->setPen(Pen);
            m_painter->drawText(rect, Qt::AlignCenter, what);
        }
    }

    qreal header(bool first);
    qreal footer(qreal y, int page, int pages);
    qreal item(const SheetItem &item, int number, qreal y);

private:
    qreal circle(const SheetItem &item, qreal x, qreal y, qreal width);
    qreal words(const SheetItem &item, qreal x, qreal y, qreal width);
    qreal countBox(qreal right, qreal y, int count);
    qreal numbered(const SheetItem &item, qreal x, qreal y, qreal width);
    qreal match(const SheetItem &item, qreal x, qreal y, qreal width);
    qreal wordBoxes(const SheetItem &item, qreal x, qreal y, qreal width);

    const Worksheet &m_sheet;
    bool m_answers;
    qreal m_width;
    QPainter *m_painter = nullptr;
};

const QString ErrorsLabel = QStringLiteral("Number of errors:");

qreal Layout::header(bool first)
{
    const QString title = m_answers ? m_sheet.title + QStringLiteral(" \u2014 Answers") : m_sheet.title;
    if (!first)
        return text(0, 0, m_width, serif(11, false, true), title + QStringLiteral(" (continued)")) + ItemGap;

    qreal y = text(0, 0, m_width, serif(18, true), title) + Gap;
    if (!m_answers) {
        // Lines to write a name and the date on.
        const QFont font = serif(12);
        const qreal height = textHeight(font, QStringLiteral("Name"), m_width);
        const qreal nameWidth = textWidth(font, QStringLiteral("Name "));
        const qreal dateLeft = m_width * 0.65;
        const qreal dateWidth = textWidth(font, QStringLiteral("Date "));
        text(0, y + Gap, m_width, font, QStringLiteral("Name"));
        text(dateLeft, y + Gap, m_width - dateLeft, font, QStringLiteral("Date"));
        const qreal base = y + Gap + height;
        line({nameWidth, base}, {dateLeft - 300, base}, Ink, 12);
        line({dateLeft + dateWidth, base}, {m_width, base}, Ink, 12);
        y = base + Gap * 1.5;
    }
    for (const QString &instruction : m_sheet.instruction)
        y += text(0, y, m_width, serif(13), instruction);
    if (!m_sheet.onPaper.isEmpty())
        y += Gap / 2 + text(0, y + Gap / 2, m_width, serif(12, false, true), m_sheet.onPaper);
    y += Gap;
    line({0, y}, {m_width, y}, Rule, 15);
    return y + ItemGap;
}

qreal Layout::footer(qreal y, int page, int pages)
{
    const QFont font = serif(9);
    const QString count = m_sheet.items.size() == m_sheet.bankSize
        ? QStringLiteral("all %1 items").arg(m_sheet.bankSize)
        : QStringLiteral("%1 of %2 items, seed %3").arg(m_sheet.items.size()).arg(m_sheet.bankSize).arg(m_sheet.seed);
    text(0, y, m_width, font, QStringLiteral("Quorvale \u00b7 %1 \u00b7 %2").arg(m_sheet.title, count), Rule);
    return text(0, y, m_width, font, QStringLiteral("Page %1 of %2").arg(page).arg(pages), Rule, Qt::AlignRight);
}

qreal Layout::item(const SheetItem &item, int number, qreal y)
{
    const qreal top = y;
    text(0, y, Gutter, serif(13, true), QStringLiteral("%1.").arg(number));
    const qreal x = Gutter;
    const qreal width = m_width - Gutter;
    // A sentence to correct keeps its count box beside it, on the right, so the item takes
    // no row of its own for it.
    const bool accuracy = item.kind == SheetItem::Kind::Accuracy;
    const qreal countWidth = accuracy ? textWidth(serif(13), ErrorsLabel) + 160 + BoxSize * 1.3 + 300 : 0;
    const qreal boxBottom = accuracy ? countBox(x + width, y, item.count) : y;
    for (const SheetLine &line : item.lines)
        y += text(x, y, width - countWidth, serif(13), line.text, Ink, line.right ? Qt::AlignRight : Qt::AlignLeft);
    if (!item.lines.isEmpty())
        y += Gap;
    switch (item.kind) {
    case SheetItem::Kind::Circle: y += item.lettered ? circle(item, x, y, width) : words(item, x, y, width); break;
    case SheetItem::Kind::Accuracy: {
        // Two lines to write the corrected sentence on; the answer sheet writes it there.
        y = std::max(y, boxBottom + Gap);
        if (m_answers) {
            text(x, y + WritingLine - textHeight(serif(13), QStringLiteral("X"), width) - 20, width,
                 serif(13, false, true), item.choices.value(0), Pen);
        }
        for (int k = 1; k <= 2; ++k)
            line({x, y + k * WritingLine}, {x + width, y + k * WritingLine}, Rule, 12);
        y += 2 * WritingLine + 40;
        break;
    }
    case SheetItem::Kind::Number: y += numbered(item, x, y, width); break;
    case SheetItem::Kind::Match: y += match(item, x, y, width); break;
    case SheetItem::Kind::WordBoxes: y += wordBoxes(item, x, y, width); break;
    }
    if (m_answers && !item.answer.isEmpty())
        y += Gap + text(x, y + Gap, width, serif(12, true), QStringLiteral("Answer: ") + item.answer, Pen);
    return y - top;
}

// Lettered options in as few rows as fit: all in one row, two columns, or one under another.
qreal Layout::circle(const SheetItem &item, qreal x, qreal y, qreal width)
{
    const QFont font = sans(12);
    const QFont bold = sans(12, true);
    const int count = int(item.choices.size());
    qreal widest = 0;
    for (const QString &choice : item.choices)
        widest = std::max(widest, textWidth(bold, choice));
    int columns = 1;
    for (int tryColumns : {count, 2}) {
        if (tryColumns > 1 && LetterWidth + widest + 300 <= width / tryColumns) {
            columns = tryColumns;
            break;
        }
    }
    const qreal column = width / columns;
    qreal rowTop = y;
    for (int row = 0; row * columns < count; ++row) {
        qreal rowHeight = 0;
        for (int c = 0; c < columns && row * columns + c < count; ++c) {
            const int i = row * columns + c;
            const bool right = m_answers && item.right.contains(i);
            const qreal left = x + c * column;
            const QString letter = worksheetOptionLetter(i);
            const qreal letterHeight = text(left, rowTop, LetterWidth, font, letter);
            const qreal shift = right ? lift(font, bold) : 0;
            const qreal height = text(left + LetterWidth, rowTop - shift, column - LetterWidth - 240, right ? bold : font,
                                      item.choices[i], right ? Pen : Ink) - shift;
            if (right) {
                const qreal letterWide = textWidth(font, letter);
                const qreal h = letterHeight * 1.15;
                const qreal w = std::max(h, letterWide + 80);
                ring(QRectF(left + letterWide / 2 - w / 2, rowTop + letterHeight / 2 - h / 2, w, h));
                tick(left - 340, rowTop, 280);
            }
            rowHeight = std::max(rowHeight, height);
        }
        rowTop += rowHeight + Gap;
    }
    return rowTop - Gap - y;
}

// The words themselves, each in an outline, one after another as they would be read.
qreal Layout::words(const SheetItem &item, qreal x, qreal y, qreal width)
{
    const QFont font = sans(12);
    const QFont bold = sans(12, true);
    const qreal space = 240;
    qreal left = x;
    qreal rowTop = y;
    qreal rowHeight = 0;
    for (int i = 0; i < item.choices.size(); ++i) {
        const bool right = m_answers && item.right.contains(i);
        const qreal textW = std::min(textWidth(bold, item.choices[i]), width - 2 * WordPad);
        const qreal cell = textW + 2 * WordPad;
        if (left > x && left + cell > x + width) {
            left = x;
            rowTop += rowHeight + space;
            rowHeight = 0;
        }
        const qreal height = textHeight(bold, item.choices[i], textW + 1) + 2 * WordPad * 0.6;
        const QRectF outline(left, rowTop, cell, height);
        if (m_painter) {
            m_painter->setPen(QPen(Rule, 12));
            m_painter->setBrush(Qt::NoBrush);
            m_painter->drawRoundedRect(outline, 80, 80);
        }
        text(left + WordPad, rowTop + WordPad * 0.6 - (right ? lift(font, bold) : 0), textW + 1, right ? bold : font,
             item.choices[i], right ? Pen : Ink, Qt::AlignHCenter);
        if (right)
            ring(outline.adjusted(-90, -90, 90, 90));
        rowHeight = std::max(rowHeight, height);
        left += cell + space;
    }
    return rowTop + rowHeight + 90 - y;
}

// "Number of errors:" and a box for the count, ending at `right`; returns the box's bottom.
qreal Layout::countBox(qreal right, qreal y, int count)
{
    const QFont font = serif(13);
    const qreal labelHeight = textHeight(font, ErrorsLabel, m_width);
    const QRectF square(right - BoxSize * 1.3, y, BoxSize * 1.3, BoxSize);
    const qreal labelWidth = textWidth(font, ErrorsLabel) + 1;
    text(square.left() - 160 - labelWidth, y + BoxSize / 2 - labelHeight / 2, labelWidth, font, ErrorsLabel);
    box(square);
    writeInBox(square, QString::number(count));
    return square.bottom();
}

// A box to number beside each phrase, one phrase to a row.
qreal Layout::numbered(const SheetItem &item, qreal x, qreal y, qreal width)
{
    const QFont font = serif(13);
    const qreal top = y;
    const qreal textLeft = x + BoxSize + 200;
    const qreal lineHeight = textHeight(font, QStringLiteral("Xg"), width);
    for (int i = 0; i < item.choices.size(); ++i) {
        // The first line of the phrase centred on the box.
        const qreal height = text(textLeft, y + (BoxSize - lineHeight) / 2, x + width - textLeft, font, item.choices[i]);
        const QRectF square(x, y, BoxSize, BoxSize);
        box(square);
        writeInBox(square, QString::number(item.marks.value(i)));
        y += std::max(height + (BoxSize - lineHeight) / 2, BoxSize) + RowGap;
    }
    return y - RowGap - top;
}

// The phrases on the left and the headings on the right, each with a dot to join.
qreal Layout::match(const SheetItem &item, qreal x, qreal y, qreal width)
{
    const QFont font = serif(13);
    const QFont heading = sans(12, true);
    const qreal dot = 60;
    const qreal rowGap = Gap * 1.5;
    const qreal leftWidth = width * 0.5;
    const qreal rightLeft = x + width * 0.72;
    const qreal rightWidth = x + width - rightLeft - 240;
    const int rows = int(std::max(item.choices.size(), item.headings.size()));
    QList<QPointF> phraseDots, headingDots;
    const qreal top = y;
    for (int r = 0; r < rows; ++r) {
        qreal height = 0;
        if (r < item.choices.size()) {
            const qreal h = text(x, y, leftWidth, font, item.choices[r]);
            phraseDots << QPointF(x + leftWidth + 200, y + h / 2);
            height = h;
        }
        if (r < item.headings.size()) {
            const qreal h = text(rightLeft + 240, y, rightWidth, heading, item.headings[r]);
            headingDots << QPointF(rightLeft, y + h / 2);
            height = std::max(height, h);
        }
        y += height + rowGap;
    }
    if (m_painter) {
        m_painter->setPen(Qt::NoPen);
        m_painter->setBrush(Ink);
        for (const QPointF &p : phraseDots + headingDots)
            m_painter->drawEllipse(p, dot, dot);
        m_painter->setBrush(Qt::NoBrush);
    }
    if (m_answers) {
        for (int i = 0; i < phraseDots.size(); ++i) {
            const int to = item.marks.value(i, -1);
            if (to >= 0 && to < headingDots.size())
                line(phraseDots[i] + QPointF(dot * 2, 0), headingDots[to] - QPointF(dot * 2, 0), Pen, 30);
        }
    }
    return y - rowGap - top;
}

// The sentence word by word, a box under each word.
qreal Layout::wordBoxes(const SheetItem &item, qreal x, qreal y, qreal width)
{
    const QFont font = serif(14);
    const qreal space = 200;
    const qreal wordHeight = textHeight(font, QStringLiteral("Xg"), width);
    const qreal rowHeight = wordHeight + 60 + BoxSize;
    const bool ticks = m_sheet.groups.size() <= 1;
    qreal left = x;
    qreal rowTop = y;
    for (int i = 0; i < item.choices.size(); ++i) {
        const QString &word = item.choices[i];
        const qreal cell = std::max(textWidth(font, word), BoxSize);
        if (left > x && left + cell > x + width) {
            left = x;
            rowTop += rowHeight + Gap * 2;
        }
        text(left, rowTop, cell + 1, font, word, Ink, Qt::AlignHCenter);
        const QRectF square(left + cell / 2 - BoxSize / 2, rowTop + wordHeight + 60, BoxSize, BoxSize);
        box(square);
        const int group = item.marks.value(i);
        if (group > 0) {
            if (ticks)
                tick(square.left() + 50, square.top() + 50, BoxSize - 100);
            else
                writeInBox(square, QString::number(group));
        }
        left += cell + space;
    }
    return rowTop + rowHeight - y;
}

// A sheet laid out on pages of one size (in twips, inside the margins): where each item
// goes, so that none is ever split, and then any page painted.
class Pages
{
public:
    Pages(const Worksheet &sheet, bool answers, QSizeF page)
        : m_sheet(sheet)
        , m_layout(sheet, answers, page.width())
    {
        m_footerTop = page.height() - m_layout.footer(0, 1, 1);
        const qreal bottom = itemsBottom();
        qreal top = m_layout.header(true);
        qreal y = top;
        int on = 0;
        for (int i = 0; i < sheet.items.size(); ++i) {
            const qreal needed = m_layout.item(sheet.items[i], i + 1, y);
            // An item taller than a whole page stays where it starts rather than leave a page empty.
            if (y + needed > bottom && y > top) {
                ++on;
                top = m_layout.header(false);
                y = top;
            }
            m_places.append({on, y});
            y += needed + ItemGap;
        }
        m_count = on + 1;
    }

    int count() const { return m_count; }

    void paint(QPainter &painter, int page)
    {
        m_layout.setPainter(&painter);
        m_layout.header(page == 0);
        m_layout.footer(m_footerTop, page + 1, m_count);
        for (int i = 0; i < m_places.size(); ++i) {
            if (m_places[i].page == page)
                m_layout.item(m_sheet.items[i], i + 1, m_places[i].top);
        }
        m_layout.setPainter(nullptr);
    }

    // The most items that fit on the first page, taking the tallest first.
    int mostOnFirstPage()
    {
        QList<qreal> heights;
        for (int i = 0; i < m_sheet.items.size(); ++i)
            heights << m_layout.item(m_sheet.items[i], i + 1, 0);
        std::sort(heights.begin(), heights.end(), std::greater<>());
        qreal y = m_layout.header(true);
        int fit = 0;
        for (const qreal height : heights) {
            if (y + height > itemsBottom() && fit > 0)
                break;
            ++fit;
            y += height + ItemGap;
        }
        return fit;
    }

private:
    qreal itemsBottom() const { return m_footerTop - Gap; }

    struct Place
    {
        int page = 0;
        qreal top = 0;
    };
    const Worksheet &m_sheet;
    Layout m_layout;
    qreal m_footerTop = 0;
    QList<Place> m_places;
    int m_count = 1;
};

// The area inside the margins, in twips.
QRectF printableTwips(const QPageLayout &layout)
{
    const QRectF points = layout.paintRect(QPageLayout::Point);
    return QRectF(points.topLeft() * TwipsPerPoint, points.size() * TwipsPerPoint);
}

} // namespace

QPageLayout worksheetPageLayout(Paper paper)
{
    return QPageLayout(QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
}

bool paintWorksheet(const Worksheet &sheet, bool answers, QPagedPaintDevice &device, QString *error, int *pages)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (sheet.items.isEmpty())
        return fail(QStringLiteral("The sheet has no items."));
    Pages laidOut(sheet, answers, printableTwips(device.pageLayout()).size());
    QPainter painter;
    if (!painter.begin(&device))
        return fail(QStringLiteral("the printer or the file could not be started"));
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal scale = device.logicalDpiX() / TwipsPerInch;
    for (int page = 0; page < laidOut.count(); ++page) {
        if (page > 0 && !device.newPage()) {
            painter.end();
            return fail(QStringLiteral("page %1 could not be started").arg(page + 1));
        }
        painter.save();
        painter.scale(scale, scale);
        laidOut.paint(painter, page);
        painter.restore();
    }
    if (!painter.end())
        return fail(QStringLiteral("the pages could not be finished"));
    if (pages)
        *pages = laidOut.count();
    return true;
}

bool writeWorksheetPdf(const Worksheet &sheet, bool answers, Paper paper, const QString &path, QString *error,
                       int *pages)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(path, why);
        return false;
    };
    if (sheet.items.isEmpty())
        return fail(QStringLiteral("the sheet has no items."));
    // Replacing a device or a folder with a PDF would never be what a teacher meant.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("it is not an ordinary file (a folder or a device), so nothing was written."));

    // The whole PDF in memory first, so a page that fails leaves no file at all.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    int pageCount = 0;
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(int(TwipsPerInch));
        writer.setTitle(answers ? sheet.title + QStringLiteral(" (answers)") : sheet.title);
        writer.setCreator(QStringLiteral("Quorvale"));
        writer.setPageLayout(worksheetPageLayout(paper));
        QString why;
        if (!paintWorksheet(sheet, answers, writer, &why, &pageCount))
            return fail(why);
    }
    const QByteArray bytes = pdf.data();
    if (!bytes.trimmed().endsWith("%%EOF"))
        return fail(QStringLiteral("the PDF could not be finished."));

    // Unbuffered, so a short write (a full disk, a quota) shows at once; the file takes the
    // place of any earlier one only when every byte was written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        const QString why = written < 0 ? file.errorString()
                                        : QStringLiteral("only %1 of its %2 bytes fitted (the disk may be full)").arg(written).arg(bytes.size());
        file.cancelWriting();
        return fail(QStringLiteral("%1. Any earlier file of that name is unchanged.").arg(why));
    }
    if (!file.commit())
        return fail(QStringLiteral("%1. Any earlier file of that name is unchanged.").arg(file.errorString()));
    if (pages)
        *pages = pageCount;
    return true;
}

QImage worksheetPreview(const Worksheet &sheet, bool answers, Paper paper, int width, int *pages)
{
    if (sheet.items.isEmpty() || width <= 0)
        return {};
    const QPageLayout layout = worksheetPageLayout(paper);
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const QRectF printable = printableTwips(layout);
    const qreal scale = width / (full.width() * TwipsPerPoint);
    QImage image(width, int(std::lround(full.height() * TwipsPerPoint * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    Pages laidOut(sheet, answers, printable.size());
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(printable.topLeft());
    laidOut.paint(painter, 0);
    if (pages)
        *pages = laidOut.count();
    return image;
}

int itemsOnOnePage(const Worksheet &sheet, Paper paper)
{
    if (sheet.items.isEmpty())
        return 0;
    return Pages(sheet, false, printableTwips(worksheetPageLayout(paper)).size()).mostOnFirstPage();
}
