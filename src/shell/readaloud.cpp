#include "readaloud.h"

#include "readingorder.h"
#include "screen.h"
#include "speech.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace ReadAloud {

namespace {

// A shown text and where its ink lies.
struct Shown
{
    const Control *control;
    QString text;
    QRectF place;
};

QRectF inkOf(const Control &control)
{
    const QRectF ink = control.kind == ControlKind::Label ? control.shownTextRect() : QRectF();
    return ink.isEmpty() ? control.rect() : ink;
}

// Whether `next` carries on the sentence of `previous`: the next element of the same array
// of one-line labels, set after it on its line (no further than a wide space away) or at
// the start of the following line. So the coloured parts of a sentence, and a sentence
// set one word a label, read as one text; answers in boxes of their own never join.
bool continues(const Control &previous, const Control &next, const Control &lineStart)
{
    if (previous.name() != next.name() || previous.index() < 0 || next.index() != previous.index() + 1)
        return false;
    if (previous.kind != ControlKind::Label || next.kind != ControlKind::Label || !previous.autoSize()
        || !next.autoSize())
        return false;
    const float em = next.font().pointSize * 20.0f; // 1 pt = 20 twips
    const float slack = 16.0f;
    const bool sameLine = std::abs(next.top - previous.top) < previous.height / 2;
    if (sameLine) {
        const float gap = next.left - (previous.left + previous.width);
        return gap >= -slack && gap <= em;
    }
    const bool lineBelow = next.top > previous.top && next.top < previous.top + 2 * previous.height;
    return lineBelow && std::abs(next.left - lineStart.left) <= em;
}

} // namespace

QString textOf(const Control &control)
{
    if (!control.visible || control.width <= 0 || control.height <= 0)
        return {};
    if (control.kind == ControlKind::Image || control.kind == ControlKind::PictureBox)
        return {};
    static const QRegularExpression gap(QStringLiteral("_{2,}"));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    QString text = control.caption();
    text.replace(gap, QStringLiteral(" blank "));
    text.replace(spaces, QStringLiteral(" "));
    text = text.trimmed();
    // A gap before a stop ("blank .") closes up again.
    static const QRegularExpression beforeStop(QStringLiteral("blank ([.,;:!?])"));
    text.replace(beforeStop, QStringLiteral("blank\\1"));
    return text;
}

QStringList screenTexts(const Form &form)
{
    const QRectF screen(0, 0, form.width, form.height);
    std::vector<Shown> shown;
    for (const auto &control : form.controls()) {
        QString text = textOf(*control);
        if (text.isEmpty() || !screen.intersects(control->rect()))
            continue;
        const QRectF place = inkOf(*control);
        const bool twice = std::any_of(shown.begin(), shown.end(), [&](const Shown &other) {
            return other.text == text && other.place.toAlignedRect() == place.toAlignedRect();
        });
        if (!twice)
            shown.push_back({control.get(), std::move(text), place});
    }
    std::vector<QRectF> places;
    places.reserve(shown.size());
    for (const Shown &each : shown)
        places.push_back(each.place);

    QStringList texts;
    const Control *previous = nullptr;
    const Control *lineStart = nullptr;
    for (int i : readingOrder(places)) {
        const Shown &each = shown[std::size_t(i)];
        if (previous && continues(*previous, *each.control, *lineStart)) {
            texts.last() += QLatin1Char(' ') + each.text;
        } else {
            texts << each.text;
            lineStart = each.control;
        }
        previous = each.control;
    }
    return texts;
}

QString passage(const QStringList &texts)
{
    static const QRegularExpression ended(QStringLiteral("[.!?:;,]$"));
    QStringList sentences;
    for (const QString &text : texts) {
        if (text.isEmpty())
            continue;
        sentences << (ended.match(text).hasMatch() ? text : text + QLatin1Char('.'));
    }
    return sentences.join(QLatin1Char(' '));
}

const Control *textControlAt(const Form &form, QPointF point)
{
    // From the top of the stack down: a raised control first, then the later added.
    std::vector<const Control *> stack;
    for (const auto &control : form.controls())
        stack.push_back(control.get());
    std::stable_sort(stack.begin(), stack.end(),
                     [](const Control *a, const Control *b) { return a->zOrder < b->zOrder; });
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if ((*it)->rect().contains(point) && !textOf(**it).isEmpty())
            return *it;
    }
    return nullptr;
}

} // namespace ReadAloud

namespace {

using namespace ReadAloud;

// The speaker button's face: a white loudspeaker and two sound waves on a dark blue
// rounded square, drawn once, large enough to stay sharp on a 4K whiteboard.
Picture speakerPicture()
{
    static const Picture face = [] {
        constexpr int Size = 256;
        QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(6, 6, Size - 12, Size - 12);
        QLinearGradient shade(box.topLeft(), box.bottomLeft());
        shade.setColorAt(0, QColor(58, 84, 170));
        shade.setColorAt(1, QColor(22, 40, 110));
        painter.setPen(QPen(QColor(255, 255, 255), 8));
        painter.setBrush(shade);
        painter.drawRoundedRect(box, 48, 48);

        QPainterPath speaker;
        speaker.moveTo(52, 102);
        speaker.lineTo(88, 102);
        speaker.lineTo(134, 60);
        speaker.lineTo(134, 196);
        speaker.lineTo(88, 154);
        speaker.lineTo(52, 154);
        speaker.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPath(speaker);

        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 14, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(118, 88, 64, 80), -50 * 16, 100 * 16);
        painter.drawArc(QRectF(112, 58, 104, 140), -52 * 16, 104 * 16);
        painter.end();
        return Picture::fromImage(image);
    }();
    return face;
}

// What one screen's read-aloud keeps between events.
struct Reader
{
    Reader(Screen &screen, Control &button, Timer &hold)
        : form(screen)
        , button(button)
        , hold(hold)
    {
    }

    Screen &form;
    Control &button;
    Timer &hold;
    Speech *speech = nullptr; // while the button is shown
    bool speakerMode = false;
    bool heldLong = false;
    bool nextWrapped = false;

    // Asks for the speech service, as the screen shows and again before each read (the
    // teacher may have turned it off); shows the button only when it can be heard.
    Speech *service()
    {
        const AppContext &context = form.context();
        Speech *found = context.speech ? context.speech() : nullptr;
        if (found && !found->available())
            found = nullptr;
        speech = found;
        button.visible = found != nullptr;
        if (!found)
            setSpeakerMode(false);
        return found;
    }

    void say(const QString &text)
    {
        Speech *voice = service();
        if (!voice)
            return;
        // Sound Off silences the voice as well as the cues.
        if (form.state().SoundOn != 1 || text.isEmpty()) {
            voice->stop();
            return;
        }
        voice->say(text);
    }

    void stop()
    {
        if (speech)
            speech->stop();
    }

    void readScreen() { say(passage(screenTexts(form))); }

    void setSpeakerMode(bool on)
    {
        speakerMode = on;
        button.selected = on;
        button.accessibleName = on ? QStringLiteral("Read aloud (speaker mode on)") : QStringLiteral("Read aloud");
    }

    void shown()
    {
        service();
        // Next stops the voice before the next item comes; its handler is the engine's,
        // set once the screen is built.
        Control *next = form.control(QStringLiteral("cmdgo"));
        if (!nextWrapped && next) {
            nextWrapped = true;
            next->onClick = [this, inner = next->onClick](int index) {
                stop();
                if (inner)
                    inner(index);
            };
        }
    }
};

} // namespace

void addReadAloud(Screen &form)
{
    Control &button = form.add(ControlKind::CommandButton, ButtonName);
    button.left = float(ButtonPlace.left());
    button.top = float(ButtonPlace.top());
    button.width = float(ButtonPlace.width());
    button.height = float(ButtonPlace.height());
    button.visible = false;
    button.tabStop = false;
    button.accessibleName = QStringLiteral("Read aloud");
    Timer &hold = form.addTimer(QStringLiteral("tmrspeak"), LongPressMs);

    auto reader = std::make_shared<Reader>(form, button, hold);
    button.onMouseDown = [reader](int, int pressed, int, float, float) {
        if (pressed == MouseButton::Right) {
            reader->setSpeakerMode(!reader->speakerMode);
        } else if (pressed == MouseButton::Left) {
            reader->heldLong = false;
            reader->hold.enabled = true;
        }
    };
    hold.onTimer = [reader] {
        reader->hold.enabled = false;
        reader->heldLong = true;
        reader->setSpeakerMode(!reader->speakerMode);
    };
    button.onClick = [reader](int) {
        reader->hold.enabled = false;
        // The release that ends a long press only turns speaker mode on or off.
        if (std::exchange(reader->heldLong, false))
            return;
        reader->readScreen();
    };

    form.pressFilter = [reader](const Control *pressed, int mouseButton, float x, float y) {
        if (!reader->speech || pressed == &reader->button)
            return false;
        const bool asks = mouseButton == MouseButton::Right || (mouseButton == MouseButton::Left && reader->speakerMode);
        if (!asks)
            return false;
        const Control *text = textControlAt(reader->form, QPointF(x, y));
        if (!text)
            return false; // a picture button works in speaker mode as ever
        reader->say(textOf(*text));
        return true;
    };

    form.addKeyHandler([reader](int key, int shift) {
        if (key != Qt::Key_R || (shift & (ShiftKey::Ctrl | ShiftKey::Alt)) || !reader->speech)
            return false;
        if (!(shift & ShiftKey::Shift)) {
            reader->readScreen();
            return true;
        }
        const Form &screen = reader->form;
        const Control *focused = screen.focused ? screen.focused : screen.cursor;
        if (focused) {
            // A picture button is read by what it does ("Next").
            QString text = textOf(*focused);
            if (text.isEmpty() && focused->visible)
                text = focused->accessibleName;
            reader->say(text);
        }
        return true;
    });

    form.onShow = [reader] {
        reader->shown();
        if (reader->speech && reader->button.picture().isNull())
            reader->button.setPicture(speakerPicture());
    };
    form.onLeave = [reader] { reader->stop(); };
}
