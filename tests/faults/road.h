#pragma once

// The road through the program, driven through the real main window: the title screen,
// the home screen with its sound choice, every term menu and every activity the catalogue
// lists, each answered, dragged, ticked and dealt again, and out through the title
// screen's Exit. Each step says what went wrong, if anything, as a sentence.

#include "session.h"

#include <QHash>
#include <QString>
#include <QStringList>

class Control;
class Form;
struct CatalogueEntry;

class Road
{
public:
    explicit Road(Session &session);

    // The whole road, start to end; returns what went wrong, or an empty string.
    QString walk();

    // Pieces of it.
    QString openActivity(const CatalogueEntry &entry); // from the home screen
    QString exercise(Form &activity);                 // deal, answer, drag, tick, Next
    QString leaveActivity(const CatalogueEntry &entry); // Exit, back to its menu
    QString click(const QString &name, int index = -1);
    void drag(Control &item, Control &target);
    void tick(int rounds);

    // The forms the road opened, in order.
    QStringList opened;
    // Each control's picture and each screen's background, seen on the way: true when the
    // picture was missing ("form/control(index)" or "form" for the background).
    QHash<QString, bool> missingPictures;

private:
    Form *current() const;
    QString expectOnScreen(const QString &name) const;
    void notePictures();

    Session &m_session;
};
