#include "worksheetspage.h"

#include "activitychoice.h"
#include "assetresolver.h"
#include "contentfile.h"
#include "worksheet.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

WorksheetsPage::WorksheetsPage(QWidget *parent)
    : QWidget(parent)
    , m_activity(new QComboBox(this))
    , m_items(new QSpinBox(this))
    , m_itemsOf(new QLabel(this))
    , m_bank(new QLabel(this))
    , m_seed(new QSpinBox(this))
    , m_paper(new QComboBox(this))
    , m_status(new QLabel(this))
    , m_preview(new QLabel(this))
    , m_previewCaption(new QLabel(this))
    , m_previewTimer(new QTimer(this))
{
    addActivityChoices(m_activity, worksheetActivities());
    m_activity->setAccessibleName(QStringLiteral("Activity"));

    // 0 reads "All": every item of the bank, in its order.
    m_items->setSpecialValueText(QStringLiteral("All"));
    m_items->setAccessibleName(QStringLiteral("How many items"));
    m_items->setMinimumWidth(m_items->fontMetrics().horizontalAdvance(QStringLiteral("0000")) * 2);
    m_bank->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bank->setTextFormat(Qt::PlainText);

    m_seed->setRange(0, std::numeric_limits<int>::max());
    m_seed->setValue(1);
    m_seed->setAccessibleName(QStringLiteral("Seed"));
    m_seed->setMinimumWidth(m_seed->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) * 3 / 2);
    m_seed->setToolTip(QStringLiteral("The same seed gives the same items in the same order, so a sheet can be printed again."));
    auto *newSeed = new QPushButton(QStringLiteral("&New seed"), this);
    connect(newSeed, &QPushButton::clicked, this,
            [this] { m_seed->setValue(int(QRandomGenerator::global()->bounded(1, std::numeric_limits<int>::max()))); });

    m_paper->addItem(QStringLiteral("A4"), int(Paper::A4));
    m_paper->addItem(QStringLiteral("Letter"), int(Paper::Letter));
    m_paper->setAccessibleName(QStringLiteral("Paper size"));
    if (QLocale::system().measurementSystem() == QLocale::ImperialUSSystem)
        setPaper(Paper::Letter);

    auto *itemsRow = new QHBoxLayout;
    itemsRow->addWidget(m_items);
    itemsRow->addWidget(m_itemsOf);
    auto *seedRow = new QHBoxLayout;
    seedRow->addWidget(m_seed);
    seedRow->addWidget(newSeed);
    seedRow->addStretch(1);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("&Activity:"), m_activity);
    form->addRow(QStringLiteral("Bank:"), m_bank);
    form->addRow(QStringLiteral("&Items:"), itemsRow);
    form->addRow(QStringLiteral("See&d:"), seedRow);
    form->addRow(QStringLiteral("Paper si&ze:"), m_paper);
    qobject_cast<QLabel *>(form->labelForField(itemsRow))->setBuddy(m_items);
    qobject_cast<QLabel *>(form->labelForField(seedRow))->setBuddy(m_seed);

    // Every letter to press with Alt is the only one on the page and its window's tabs.
    auto *saveSheet = new QPushButton(QStringLiteral("Sa&ve worksheet..."), this);
    auto *saveAnswers = new QPushButton(QStringLiteral("Save answ&ers..."), this);
    auto *printSheet = new QPushButton(QStringLiteral("Print wor&ksheet..."), this);
    auto *printAnswers = new QPushButton(QStringLiteral("Prin&t answers..."), this);
    connect(saveSheet, &QPushButton::clicked, this, [this] { chooseAndSave(false); });
    connect(saveAnswers, &QPushButton::clicked, this, [this] { chooseAndSave(true); });
    connect(printSheet, &QPushButton::clicked, this, [this] { chooseAndPrint(false); });
    connect(printAnswers, &QPushButton::clicked, this, [this] { chooseAndPrint(true); });
    auto *buttons = new QGridLayout;
    buttons->addWidget(saveSheet, 0, 0);
    buttons->addWidget(printSheet, 0, 1);
    buttons->addWidget(saveAnswers, 1, 0);
    buttons->addWidget(printAnswers, 1, 1);
    buttons->setColumnStretch(2, 1);

    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // The first page as it will print, kept small: it is repainted at each change.
    m_preview->setFixedSize(300, 425);
    m_preview->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setAccessibleName(QStringLiteral("The worksheet's first page"));
    m_previewCaption->setAlignment(Qt::AlignHCenter);
    m_previewTimer->setSingleShot(true);
    connect(m_previewTimer, &QTimer::timeout, this, &WorksheetsPage::updatePreview);

    auto *choices = new QVBoxLayout;
    auto *about = new QLabel(QStringLiteral("Print any activity for pupils to do on paper, with a matching answer sheet. "
                                            "The same items, seed and paper give the same sheet again."),
                             this);
    about->setWordWrap(true);
    choices->addWidget(about);
    choices->addLayout(form);
    choices->addLayout(buttons);
    choices->addWidget(m_status);
    choices->addStretch(1);
    auto *picture = new QVBoxLayout;
    picture->addWidget(m_preview);
    picture->addWidget(m_previewCaption);
    picture->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(choices, 1);
    layout->addLayout(picture);

    connect(m_activity, &QComboBox::currentIndexChanged, this, &WorksheetsPage::loadBank);
    connect(m_items, &QSpinBox::valueChanged, this, &WorksheetsPage::schedulePreview);
    connect(m_seed, &QSpinBox::valueChanged, this, &WorksheetsPage::schedulePreview);
    connect(m_paper, &QComboBox::currentIndexChanged, this, [this] {
        loadBank(); // how many items fit on a page depends on the paper
    });
    loadBank();
}

QString WorksheetsPage::activity() const
{
    return m_activity->currentData().toString();
}

void WorksheetsPage::setActivity(const QString &activity)
{
    const int index = m_activity->findData(activity);
    if (index >= 0)
        m_activity->setCurrentIndex(index);
}

int WorksheetsPage::items() const
{
    return m_items->value();
}

void WorksheetsPage::setItems(int items)
{
    m_items->setValue(items);
}

quint32 WorksheetsPage::seed() const
{
    return quint32(m_seed->value());
}

void WorksheetsPage::setSeed(quint32 seed)
{
    m_seed->setValue(int(std::min<quint32>(seed, quint32(std::numeric_limits<int>::max()))));
}

Paper WorksheetsPage::paper() const
{
    return Paper(m_paper->currentData().toInt());
}

void WorksheetsPage::setPaper(Paper paper)
{
    m_paper->setCurrentIndex(m_paper->findData(int(paper)));
}

int WorksheetsPage::bankSize() const
{
    return m_document ? int(m_document->records.size()) : 0;
}

QString WorksheetsPage::status() const
{
    return m_status->text();
}

void WorksheetsPage::tell(const QString &message, bool problem)
{
    m_status->setText(message);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00000;") : QString());
}

void WorksheetsPage::loadBank()
{
    QString error;
    m_document = worksheetBank(AssetResolver(), activity(), &error);
    const int size = bankSize();
    m_items->setRange(0, size);
    schedulePreview();
    if (!m_document) {
        m_itemsOf->setText(QStringLiteral("of 0"));
        m_bank->setText(QString());
        tell(error, true);
        return;
    }
    // What fits on one page, whichever items are drawn: the tallest are measured.
    const std::optional<Worksheet> all = buildWorksheet(*m_document, 0, seed(), nullptr);
    const int fit = all ? itemsOnOnePage(*all, paper()) : 0;
    m_itemsOf->setText(fit >= size ? QStringLiteral("of %1 (all fit on one page)").arg(size)
                                   : QStringLiteral("of %1 (up to %2 fit on one page)").arg(size).arg(fit));
    const QString path = m_document->path;
    m_bank->setText(path.startsWith(QLatin1Char(':')) ? QStringLiteral("built in")
                                                      : QDir::toNativeSeparators(path));
    tell(QString(), false);
}

void WorksheetsPage::bankChanged(const QString &changed)
{
    if (changed == activity())
        loadBank();
}

std::optional<Worksheet> WorksheetsPage::currentSheet(QString *error) const
{
    if (!m_document) {
        *error = status();
        return std::nullopt;
    }
    return buildWorksheet(*m_document, items(), seed(), error);
}

void WorksheetsPage::schedulePreview()
{
    m_previewStale = true;
    if (isVisible())
        m_previewTimer->start(0); // changes made together are drawn once
}

void WorksheetsPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_previewStale)
        m_previewTimer->start(0);
}

void WorksheetsPage::updatePreview()
{
    m_previewStale = false;
    QString error;
    const std::optional<Worksheet> sheet = currentSheet(&error);
    int pages = 0;
    const qreal ratio = devicePixelRatioF();
    m_previewImage = sheet ? worksheetPreview(*sheet, false, paper(), int(m_preview->width() * ratio), &pages) : QImage();
    if (m_previewImage.isNull()) {
        m_preview->setPixmap(QPixmap());
        m_previewCaption->clear();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(m_previewImage);
    pixmap.setDevicePixelRatio(ratio);
    m_preview->setPixmap(pixmap);
    m_previewCaption->setText(pages == 1 ? QStringLiteral("The whole worksheet: 1 page")
                                         : QStringLiteral("Page 1 of %1").arg(pages));
}

QImage WorksheetsPage::preview()
{
    if (m_previewStale)
        updatePreview();
    return m_previewImage;
}

bool WorksheetsPage::saveTo(const QString &path, bool answers)
{
    // The bank as it is now: a file dropped into the content folder by hand since the
    // activity was chosen is printed too.
    loadBank();
    QString error;
    const std::optional<Worksheet> sheet = currentSheet(&error);
    int pages = 0;
    if (!sheet || !writeWorksheetPdf(*sheet, answers, paper(), path, &error, &pages)) {
        tell(QStringLiteral("Not saved: %1").arg(error), true);
        return false;
    }
    tell(QStringLiteral("Saved the %1 of %2 (%3 items, %4 %5) to %6.")
             .arg(answers ? QStringLiteral("answer sheet") : QStringLiteral("worksheet"), sheet->title)
             .arg(sheet->items.size())
             .arg(pages)
             .arg(pages == 1 ? QStringLiteral("page") : QStringLiteral("pages"), QDir::toNativeSeparators(path)),
         false);
    return true;
}

bool WorksheetsPage::printTo(QPrinter &printer, bool answers)
{
    loadBank();
    QString error;
    const std::optional<Worksheet> sheet = currentSheet(&error);
    int pages = 0;
    // The sheet's own margins on whatever paper the printer holds.
    printer.setPageMargins(worksheetPageLayout(paper()).margins(QPageLayout::Millimeter), QPageLayout::Millimeter);
    printer.setDocName(sheet ? sheet->title : QString());
    if (!sheet || !paintWorksheet(*sheet, answers, printer, &error, &pages) || printer.printerState() == QPrinter::Error) {
        tell(QStringLiteral("Not printed: %1").arg(error.isEmpty() ? QStringLiteral("the printer reported a problem") : error), true);
        return false;
    }
    const QString where = printer.outputFileName().isEmpty()
        ? QStringLiteral("the printer %1").arg(printer.printerName())
        : QDir::toNativeSeparators(printer.outputFileName());
    tell(QStringLiteral("Sent the %1 of %2 (%3 items, %4 %5) to %6.")
             .arg(answers ? QStringLiteral("answer sheet") : QStringLiteral("worksheet"), sheet->title)
             .arg(sheet->items.size())
             .arg(pages)
             .arg(pages == 1 ? QStringLiteral("page") : QStringLiteral("pages"), where),
         false);
    return true;
}

void WorksheetsPage::chooseAndSave(bool answers)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString name = QStringLiteral("%1 %2.pdf").arg(worksheetActivityTitle(activity()),
                                                         answers ? QStringLiteral("answers") : QStringLiteral("worksheet"));
    const QString path = QFileDialog::getSaveFileName(this, answers ? QStringLiteral("Save answers") : QStringLiteral("Save worksheet"),
                                                      QDir(folder).filePath(name), QStringLiteral("PDF files (*.pdf)"));
    if (!path.isEmpty())
        saveTo(path, answers);
}

void WorksheetsPage::chooseAndPrint(bool answers)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(worksheetPageLayout(paper()));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(answers ? QStringLiteral("Print answers") : QStringLiteral("Print worksheet"));
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer, answers);
}
