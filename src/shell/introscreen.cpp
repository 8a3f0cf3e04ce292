#include "introscreen.h"

#include "catalogue.h"
#include "formregistry.h"
#include "maker.h"
#include "pupilroster.h"
#include "screendesign.h"
#include "setupactivityscreen.h"
#include "signinscreen.h"
#include "textmeasurer.h"
#include "titlescreen.h"
#include "urlopener.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <tuple>

namespace {

const QColor Yellow(255, 255, 0);
const QColor Orange(255, 128, 0);
const QColor Navy(0, 0, 128);
const QColor White(255, 255, 255);

FontSpec tahoma(float points, bool bold = true)
{
    return FontSpec{QStringLiteral("Tahoma"), points, bold};
}

// The six term labels: Year 5 on the left, Year 6 on the right, Terms 1 to 3 downwards.
constexpr float TermLeft[2] = {120, 9720};
constexpr float TermTop[3] = {3840, 4680, 5520};

// The notice's designed place: under the title, as wide as it. A longer notice grows
// downwards, then upwards, within the free band between the title and the years, keeping
// this far from each.
constexpr Box ContentNoticeBox{390, 1920, 11220, 300};
constexpr float ContentNoticeGap = 120;
constexpr float ContentNoticePadding = 30;

// The Teacher button: under the logo, as wide as it, clear of the web address and the
// rights line to its left.
constexpr Box TeacherBox{10020, 8445, 1500, 375};

// Who is signed in, and the way back to the names: between the two years, level with them.
constexpr Box SignedInBox{2400, 3120, 7200, 495};
constexpr Box NotMeBox{5100, 3720, 1800, 495};

const QChar Ellipsis(0x2026);

// The largest n in [0, high] for which ok(n) holds (ok(0) is taken to hold; ok only ever
// turns false as n grows).
qsizetype largest(qsizetype high, const std::function<bool(qsizetype)> &ok)
{
    qsizetype low = 0;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (ok(mid))
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

// The text with every word too wide for a line shortened in its middle to half a line, so
// that a long file name keeps its start and its ending and the text around it still flows.
QString withinLines(const TextMeasurer &measurer, const FontSpec &font, const QString &text, float width)
{
    QStringList words = text.split(QLatin1Char(' '));
    for (QString &word : words) {
        if (measurer.measure(font, word, 0).width() <= width)
            continue;
        const qsizetype keep = largest(word.size() / 2, [&](qsizetype n) {
            return measurer.measure(font, word.left(n) + Ellipsis + word.right(n), 0).width() <= width / 2;
        });
        word = word.left(keep) + Ellipsis + word.right(keep);
    }
    return words.join(QLatin1Char(' '));
}

// The longest start of the text, cut after a word and ended with an ellipsis, that sets
// within width x height.
QString cutToFit(const TextMeasurer &measurer, const FontSpec &font, const QString &text, float width, float height)
{
    const QStringList words = text.split(QLatin1Char(' '));
    const auto start = [&](qsizetype n) { return QStringList(words.mid(0, n)).join(QLatin1Char(' ')) + Ellipsis; };
    return start(largest(words.size() - 1, [&](qsizetype n) {
        const QSizeF size = measurer.measure(font, start(n), width);
        return size.width() <= width && size.height() <= height;
    }));
}

} // namespace

Intro0::Intro0(AppContext &context)
    : Screen(context, QString::fromLatin1(Name))
{
    caption = QString::fromLatin1(Maker::Name);

    // The title and the years on two lines, each centred.
    Control &title = addCentredLabel(*this, QStringLiteral("Label1"), {390, 120, 11220, 1500},
                                     QStringLiteral("Quorvale\nYears 5 and 6 - Text Level Work"),
                                     tahoma(27.75f), Qt::black);
    setBoxed(title, Yellow);
    title.onMouseMove = [this](int, int, int, float, float) { Label1_MouseMove(); };

    addCentredLabel(*this, QStringLiteral("Label4"), {120, 3120, 2055, 495}, QStringLiteral("Year 5"), tahoma(24), Orange);
    addCentredLabel(*this, QStringLiteral("Label5"), {9720, 3120, 2055, 495}, QStringLiteral("Year 6"), tahoma(24), Orange);

    for (int i = 0; i < 6; ++i) {
        const int year = i / Catalogue::TermsPerYear;
        const int term = i % Catalogue::TermsPerYear;
        Control &label = addCentredLabel(*this, QStringLiteral("Label2"), {TermLeft[year], TermTop[term], 2040, 495},
                                         QStringLiteral("Term %1").arg(term + 1), tahoma(18), Qt::black, i);
        setBoxed(label, Yellow);
        label.visible = false;
        label.accessibleName = QStringLiteral("Year %1, Term %2").arg(year + 5).arg(term + 1);
        label.onClick = [this](int index) { Label2_Click(index); };
        label.onMouseMove = [this](int index, int, int, float, float) { Label2_MouseMove(index); };
    }

    for (auto [name, text, top] : {std::tuple{"Option1", "Sound On", 6600.0f}, std::tuple{"Option2", "Sound Off", 6960.0f}}) {
        Control &option = addAt(*this, ControlKind::OptionButton, QString::fromLatin1(name), {360, top, 1455, 255});
        option.foreColor = Yellow;
        option.backColor = Navy;
        option.setFont(tahoma(9.75f));
        option.setCaption(QString::fromLatin1(text));
    }
    ctl(QStringLiteral("Option1")).onClick = [this](int) { Option1_Click(); };
    ctl(QStringLiteral("Option2")).onClick = [this](int) { Option2_Click(); };

    addExitButton(*this, [this](int) { Command1_Click(); });

    Control &logo = addAt(*this, ControlKind::Image, QStringLiteral("Image2"), {10020, 6270, 1500, 2085});
    logo.stretch = true;
    logo.accessibleName = QString::fromLatin1(Maker::Name);

    Control &web = addCentredLabel(*this, QStringLiteral("Label6"), {6480, 7680, 3315, 375},
                                   QString::fromLatin1(Maker::WebAddressShown),
                                   FontSpec{QStringLiteral("Arial"), 12, true}, Yellow);
    setBoxed(web, Qt::black);
    web.accessibleName = QStringLiteral("Open the web page %1").arg(QLatin1String(Maker::WebAddressShown));
    web.onClick = [this](int) { Label6_Click(); };

    addCentredLabel(*this, QStringLiteral("Label3"), {6360, 8160, 3480, 375}, QString::fromUtf8(Maker::ShortRightsNotice),
                    tahoma(9.75f, false), Yellow);

    Control &store = addAt(*this, ControlKind::Image, QStringLiteral("Image1"), {0, 0, 360, 480});
    store.visible = false;

    // The way into the teacher window: small, under the logo, out of the pupils' way.
    Control &teacher = addCentredLabel(*this, QStringLiteral("teacherButton"), TeacherBox, QStringLiteral("Teacher"),
                                       tahoma(9.75f), Yellow);
    setBoxed(teacher, Navy);
    teacher.setMiddle(true);
    teacher.accessibleName = QStringLiteral("Teacher window");
    teacher.onClick = [this](int) { teacherButton_Click(); };

    // Between the title and the years; as tall as its text, and shown only when there is news.
    Control &notice = addCentredLabel(*this, QStringLiteral("contentNotice"), ContentNoticeBox, QString(),
                                      tahoma(12), Qt::black);
    setBoxed(notice, White);
    notice.setWordWrap(true);
    notice.setPadding(ContentNoticePadding);
    notice.setMiddle(true);
    notice.visible = false;

    // Only while a pupil is signed in; the name is shown as typed, never read as markup.
    Control &signedIn = addCentredLabel(*this, QStringLiteral("signedIn"), SignedInBox, QString(), tahoma(18), White);
    signedIn.setShrinkToFit(true);
    signedIn.visible = false;
    Control &notMe = addCentredLabel(*this, QStringLiteral("notMe"), NotMeBox, QStringLiteral("Not me"), tahoma(15.75f),
                                     Qt::black);
    setBoxed(notMe, Yellow);
    notMe.setMiddle(true);
    notMe.accessibleName = QStringLiteral("Not me: sign out");
    notMe.visible = false;
    notMe.onClick = [this](int) { notMe_Click(); };
}

void Intro0::Form_Load()
{
    SetupActivityScreen(*this);
    backColor = QColor(49, 135, 215);

    // A missing picture leaves its place empty; the screen works without it.
    picture = context().loadPicture(QStringLiteral("Images\\quorva32.jpg"));
    ctl(QStringLiteral("Image2")).setPicture(context().loadPicture(QStringLiteral("Images\\logo2.jpg")));
    // Replaces whatever the frame put there, so the menus never show the board instead.
    ctl(QStringLiteral("Image1")).setPicture(context().loadPicture(QStringLiteral("Images\\quorva3.jpg")));
    loadExitButton(*this);

    // Selecting from code runs the click, which writes the same value back.
    if (state().SoundOn == 1)
        Option1_Click();
    else
        Option2_Click();

    for (int i = 0; i < 6; ++i)
        ctl(QStringLiteral("Label2"), i).visible = true;

    // Shown only where there is a teacher window to open.
    ctl(QStringLiteral("teacherButton")).visible = bool(context().openTeacher);

    showContentNotice();

    const PupilRoster *roster = context().roster ? context().roster() : nullptr;
    const bool signedIn = roster && roster->signedIn() != 0 && !context().signedInName.isEmpty();
    Control &who = ctl(QStringLiteral("signedIn"));
    who.setCaption(signedIn ? QStringLiteral("Signed in: %1").arg(context().signedInName) : QString());
    who.visible = signedIn;
    ctl(QStringLiteral("notMe")).visible = signedIn;
}

void Intro0::showContentNotice()
{
    const QString line = context().contentNotice ? context().contentNotice() : QString();
    Control &notice = ctl(QStringLiteral("contentNotice"));
    notice.visible = !line.isEmpty();
    // A screen reader says the whole line, however much of it shows.
    notice.accessibleName = line;
    notice.setShrinkToFit(false);
    notice.setCaption(line);
    const TextMeasurer *measure = measurer();
    if (line.isEmpty() || !measure)
        return;

    const Control &title = ctl(QStringLiteral("Label1"));
    const float bandTop = title.top + title.height + ContentNoticeGap;
    const float bandBottom = std::min(ctl(QStringLiteral("Label4")).top, ctl(QStringLiteral("Label5")).top)
        - ContentNoticeGap;
    const float inset = BorderTwips + ContentNoticePadding;
    const float textWidth = ContentNoticeBox.width - 2 * inset;
    const float room = bandBottom - bandTop - 2 * inset;

    // As many lines as it takes in the designed size (a word too wide for a line, most
    // likely a file name, loses its middle); when the band cannot hold them, a smaller size
    // of the same face; when even the smallest cannot, the line cut short.
    const auto fits = [&](const QSizeF &size) { return size.width() <= textWidth && size.height() <= room; };
    notice.setCaption(withinLines(*measure, notice.font(), line, textWidth));
    QSizeF text = measure->measure(notice.font(), notice.caption(), textWidth);
    if (!fits(text)) {
        notice.setGeometry(ContentNoticeBox.left, bandTop, ContentNoticeBox.width, bandBottom - bandTop);
        notice.setShrinkToFit(true);
        const FontSpec font = notice.shownFont();
        text = measure->measure(font, notice.caption(), textWidth);
        if (!fits(text)) {
            notice.setCaption(cutToFit(*measure, font, notice.caption(), textWidth, room));
            text = measure->measure(font, notice.caption(), textWidth);
        }
    }
    // Grows downwards from its designed place, and upwards once it would reach the years.
    const float height = float(text.height()) + 2 * inset;
    const float top = std::max(bandTop, std::min(ContentNoticeBox.top, bandBottom - height));
    notice.setGeometry(ContentNoticeBox.left, top, ContentNoticeBox.width, height);
}

void Intro0::Option1_Click()
{
    selectOption(ctl(QStringLiteral("Option1")), ctl(QStringLiteral("Option2")));
    state().SoundOn = 1;
}

void Intro0::Option2_Click()
{
    selectOption(ctl(QStringLiteral("Option2")), ctl(QStringLiteral("Option1")));
    state().SoundOn = 0;
}

void Intro0::Label2_Click(int index)
{
    const int year = 5 + index / Catalogue::TermsPerYear;
    const int term = 1 + index % Catalogue::TermsPerYear;
    if (const TermMenuDesign *menu = Catalogue::menuFor(year, term)) {
        if (Form *form = forms().get(QString::fromLatin1(menu->form)))
            form->Show();
    }
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void Intro0::Label6_Click()
{
    // No browser or no network: nothing happens, as nothing else on the screen depends on it.
    context().urls.open(QString::fromLatin1(Maker::WebAddress));
}

void Intro0::Command1_Click()
{
    // A pupil who leaves is signed out; the title screen's OK asks who is next.
    if (PupilRoster *roster = context().roster ? context().roster() : nullptr; roster && roster->signedIn() != 0) {
        roster->signIn(0);
        context().signedInName.clear();
    }
    // Referring to the title screen loads it afresh, which turns sound back on, so the
    // click below is heard even after "Sound Off".
    if (Form *title = forms().get(QString::fromLatin1(Titlefrm::Name))) {
        if (Control *ok = title->control(QStringLiteral("Command1")))
            ok->setCaption(QStringLiteral("Cancel"));
        title->Show();
    }
    Unload();
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void Intro0::notMe_Click()
{
    SignInScreen::signOut(context());
    PlayCue(QStringLiteral("wav\\click.wav"));
}

void Intro0::teacherButton_Click()
{
    // The pupils' screen stays as it is; the teacher window opens beside it.
    if (context().openTeacher)
        context().openTeacher();
}

void Intro0::Label1_MouseMove()
{
    ctl(QStringLiteral("Label1")).opaque = true;
}

void Intro0::Label2_MouseMove(int index)
{
    ctl(QStringLiteral("Label2"), index).opaque = true;
}

Picture Intro0::menuBackground() const
{
    return ctl(QStringLiteral("Image1")).picture();
}
