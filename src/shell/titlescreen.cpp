#include "titlescreen.h"

#include "formregistry.h"
#include "introscreen.h"
#include "maker.h"
#include "pupilroster.h"
#include "screendesign.h"
#include "setupactivityscreen.h"
#include "signinscreen.h"

#include <tuple>

namespace {

const QColor Grey192(192, 192, 192);
const QColor Blue(0, 0, 255);
const QColor Orange(255, 128, 0);

const char *const OpeningPicture = "opening3\\startl00.jpg";

FontSpec times(float points, bool bold = false)
{
    return FontSpec{QStringLiteral("Times New Roman"), points, bold};
}

} // namespace

Titlefrm::Titlefrm(AppContext &context)
    : Screen(context, QString::fromLatin1(Name))
{
    caption = QStringLiteral(" ");
    backColor = Grey192;
    width = ClientWidth;
    height = ClientHeight;

    // The frame is added first: it lies behind everything it holds.
    addAt(*this, ControlKind::Frame, QStringLiteral("Frame1"), {0, -90, 5820, 7020});

    addCentredLabel(*this, QStringLiteral("Label4"), {60, 180, 5595, 735}, QStringLiteral("Quorvale"),
                    times(20.25f, true), Blue);
    addCentredLabel(*this, QStringLiteral("Label1"), {960, 720, 3675, 735},
                    QStringLiteral("Years 5 and 6\nText Level Work"), times(18, true), Orange);

    Control &picture = addAt(*this, ControlKind::PictureBox, QStringLiteral("Picture1"), {420, 1560, 4800, 3600});
    picture.backColor = Grey192;
    picture.border = true;
    picture.accessibleName = QStringLiteral("Quorvale");

    addCentredLabel(*this, QStringLiteral("Label3"), {600, 5280, 4455, 495},
                    QStringLiteral("Written by the Quorvale team"), times(15.75f), Blue);
    addCentredLabel(*this, QStringLiteral("Label5"), {600, 5640, 4575, 375},
                    QStringLiteral("Programmed by the Quorvale team"), times(12), Blue);
    addCentredLabel(*this, QStringLiteral("Label6"), {600, 5970, 4575, 375},
                    QStringLiteral("Published by %1").arg(QLatin1String(Maker::Name)), times(12), Blue);

    for (auto [name, text, left] : {std::tuple{"Command1", "OK", 1440.0f}, std::tuple{"Command2", "Exit", 2880.0f}}) {
        Control &button = addAt(*this, ControlKind::CommandButton, QString::fromLatin1(name), {left, 6360, 1335, 375});
        button.backColor = Grey192;
        button.setCaption(QString::fromLatin1(text));
    }
    ctl(QStringLiteral("Command1")).onClick = [this](int) { Command1_Click(); };
    ctl(QStringLiteral("Command2")).onClick = [this](int) { Command2_Click(); };

    // The rights line sits 60 twips higher than first drawn, so its descenders are not cut
    // off by the window's bottom edge (one line of 8.25 pt text is about 190 twips high).
    addCentredLabel(*this, QStringLiteral("Label2"), {120, 6720, 5415, 255},
                    QString::fromUtf8(Maker::RightsNotice), FontSpec{QStringLiteral("Arial"), 8.25f, false}, Blue);
}

void Titlefrm::Form_Load()
{
    const QSizeF screen = context().screenTwips;
    top = float(screen.height()) / 2.0f - height / 2.0f;
    left = float(screen.width()) / 2.0f - width / 2.0f;

    state().ItemCounter = 0;
    state().SoundOn = 1;

    Control &box = ctl(QStringLiteral("Picture1"));
    Picture opening = context().loadPicture(QString::fromLatin1(OpeningPicture));
    if (opening.isNull()) {
        // Without its picture the screen takes the common frame and tries once more.
        SetupActivityScreen(*this);
        bringFrameForward();
        opening = context().loadPicture(QString::fromLatin1(OpeningPicture));
    }
    // Still missing: the screen goes on without it; the buttons work all the same.
    box.setPicture(opening);
}

void Titlefrm::bringFrameForward()
{
    // The frame holds every other control of the screen, so they come forward with it, in
    // their own order, and stay above it (and clickable).
    Control &frame = ctl(QStringLiteral("Frame1"));
    bringToFront(frame);
    for (const auto &control : controls()) {
        if (control.get() != &frame)
            bringToFront(*control);
    }
}

void Titlefrm::Command1_Click()
{
    // With signing in on, the pupil says who they are first.
    const bool signingIn = context().roster && context().roster();
    if (Form *home = forms().get(QString::fromLatin1(signingIn ? SignInScreen::Name : Intro0::Name)))
        home->Show();
    Unload();
}

void Titlefrm::Command2_Click()
{
    forms().end();
}
