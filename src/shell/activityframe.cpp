#include "activityframe.h"

#include "keyboard.h"
#include "readaloud.h"
#include "screen.h"

namespace {

// The design size of the tick and cross boxes; the marks grow to 750 wide from the left.
constexpr float MarkSize = 735.0f;

} // namespace

void addActivityFrameControls(Screen &form)
{
    for (const char *name : {"cmdgo", "cmdsoln", "cmdcheckit", "cmdexit"}) {
        Control &button = form.add(ControlKind::CommandButton, QString::fromLatin1(name));
        button.width = 1785;
        button.height = 500;
    }
    Control &board = form.add(ControlKind::Image, QStringLiteral("Image1"));
    board.width = 1710;
    board.height = 1500;
    for (const char *name : {"imgtick", "imgcross"}) {
        Control &mark = form.add(ControlKind::PictureBox, QString::fromLatin1(name));
        mark.width = MarkSize;
        mark.height = MarkSize;
        mark.opaque = false;
        mark.visible = false;
    }
    form.control(QStringLiteral("imgtick"))->accessibleName = QStringLiteral("Tick: correct");
    form.control(QStringLiteral("imgcross"))->accessibleName = QStringLiteral("Cross: wrong");
    form.addTimer(QStringLiteral("Timer1"), 1);
    form.addTimer(QStringLiteral("Timer2"), 250);
    form.addTimer(QStringLiteral("tmrtick"), 1);
    form.addTimer(QStringLiteral("tmrcross"), 1);
    addActivityKeys(form);
    addReadAloud(form);
}
