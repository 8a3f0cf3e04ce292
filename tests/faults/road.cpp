#include "road.h"

#include "catalogue.h"
#include "control.h"
#include "controlwidget.h"
#include "form.h"
#include "formregistry.h"
#include "formview.h"
#include "introscreen.h"
#include "mainwindow.h"
#include "titlescreen.h"

#include <QCoreApplication>
#include <QTest>
#include <QWindow>

namespace {

QString nameOf(const Control &control)
{
    return control.index() >= 0 ? QStringLiteral("%1(%2)").arg(control.name()).arg(control.index()) : control.name();
}

} // namespace

Road::Road(Session &session)
    : m_session(session)
{
}

Form *Road::current() const
{
    return m_session.view().form();
}

QString Road::expectOnScreen(const QString &name) const
{
    if (m_session.view().faults() > 0)
        return QStringLiteral("a handler failed on the way to %1").arg(name);
    const Form *form = current();
    if (!form || form->name() != name)
        return QStringLiteral("expected %1 on screen, found %2").arg(name, form ? form->name() : QStringLiteral("nothing"));
    return {};
}

void Road::notePictures()
{
    const Form *form = current();
    if (!form)
        return;
    missingPictures.insert(form->name(), form->picture.isNull());
    for (const auto &control : form->controls()) {
        if (control->kind == ControlKind::PictureBox || control->kind == ControlKind::Image
            || control->kind == ControlKind::CommandButton)
            missingPictures.insert(form->name() + QLatin1Char('/') + nameOf(*control), control->picture().isNull());
    }
}

QString Road::click(const QString &name, int index)
{
    Form *form = current();
    const Control *control = form ? form->control(name, index) : nullptr;
    const ControlWidget *widget = control ? m_session.view().widgetFor(control) : nullptr;
    if (!widget || !widget->isVisibleTo(&m_session.view()))
        return QStringLiteral("%1 is not shown on %2").arg(name, form ? form->name() : QStringLiteral("nothing"));
    const QPoint centre = m_session.view().mapTo(&m_session.window(), widget->geometry().center());
    QTest::mouseClick(m_session.window().windowHandle(), Qt::LeftButton, {}, centre);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return {};
}

void Road::drag(Control &item, Control &target)
{
    FormView &view = m_session.view();
    const ControlWidget *widget = view.widgetFor(&item);
    if (!widget || !widget->isVisibleTo(&view))
        return;
    // The item's centre follows the pointer: aim its top-left corner at the target's.
    const QPoint from = view.mapTo(&m_session.window(), widget->geometry().center());
    const QPointF pointer(target.left + item.width / 2, target.top + item.height / 2);
    const QPoint to = view.mapTo(&m_session.window(), view.scaling().toPixels(pointer).toPoint());
    QWindow *window = m_session.window().windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    for (int k = 1; k <= 3; ++k)
        QTest::mouseMove(window, from + (to - from) * k / 3);
    QTest::mouseRelease(window, Qt::LeftButton, {}, to);
}

void Road::tick(int rounds)
{
    // One round fires every enabled timer once, as the fast timers tick; a handler may
    // unload a form, so the timers are looked up afresh for each tick.
    FormRegistry &forms = m_session.forms();
    for (int round = 0; round < rounds && !m_session.ended(); ++round) {
        std::vector<std::pair<QString, QString>> due;
        for (const Form *form : forms.loadedForms()) {
            for (const auto &timer : form->timers()) {
                if (timer->enabled && timer->interval > 0)
                    due.emplace_back(form->name(), timer->name());
            }
        }
        for (const auto &[formName, timerName] : due) {
            const Form *form = forms.loaded(formName);
            Timer *timer = form ? form->timer(timerName) : nullptr;
            if (timer && timer->enabled)
                m_session.view().dispatch([timer] { timer->fire(); });
        }
    }
}

QString Road::openActivity(const CatalogueEntry &entry)
{
    const TermMenuDesign *menu = Catalogue::menuFor(entry.year, entry.term);
    if (!menu)
        return QStringLiteral("no menu for %1").arg(QLatin1String(entry.activity));
    if (current() && current()->name() == QLatin1String(Intro0::Name)) {
        if (QString error = click(QStringLiteral("Label2"), (entry.year - 5) * Catalogue::TermsPerYear + entry.term - 1);
            !error.isEmpty())
            return error;
    }
    if (QString error = expectOnScreen(QString::fromLatin1(menu->form)); !error.isEmpty())
        return error;
    notePictures();
    if (QString error = click(QStringLiteral("Label3"), entry.index); !error.isEmpty())
        return error;
    const QString activity = QString::fromLatin1(entry.activity);
    if (QString error = expectOnScreen(activity); !error.isEmpty())
        return error;
    opened << activity;
    return {};
}

QString Road::exercise(Form &activity)
{
    const QString name = activity.name();
    tick(1); // the loader deals the first item
    if (QString error = expectOnScreen(name); !error.isEmpty())
        return error;
    notePictures();

    // Every answer once, a few ticks apart.
    QStringList answers;
    for (const auto &control : activity.controls()) {
        if (control->visible && control->isClickable() && control->name() != QLatin1String("cmdexit")
            && control->name() != QLatin1String("cmdgo"))
            answers << nameOf(*control);
    }
    for (const QString &answer : answers) {
        const int open = answer.indexOf(QLatin1Char('('));
        const QString control = open < 0 ? answer : answer.left(open);
        const int index = open < 0 ? -1 : answer.mid(open + 1).chopped(1).toInt();
        if (current() != &activity)
            break;
        click(control, index); // one that has gone in the meantime is simply skipped
        tick(3);
    }
    if (current() != &activity)
        return expectOnScreen(name);

    // A few items dragged onto the first label that is not an item itself.
    Control *target = nullptr;
    std::vector<Control *> items;
    for (const auto &control : activity.controls()) {
        if (!control->visible)
            continue;
        if (control->isDraggable() && control->enabled)
            items.push_back(control.get());
        else if (!target && control->kind == ControlKind::Label && control->width > 0)
            target = control.get();
    }
    for (std::size_t i = 0; i < items.size() && i < 3 && target; ++i) {
        if (current() != &activity)
            break;
        drag(*items[i], *target);
    }
    tick(60); // the marks grow to full
    if (QString error = expectOnScreen(name); !error.isEmpty())
        return error;
    if (const Control *next = activity.control(QStringLiteral("cmdgo")); next && next->visible) {
        click(QStringLiteral("cmdgo"));
        tick(5);
    }
    return expectOnScreen(name);
}

QString Road::leaveActivity(const CatalogueEntry &entry)
{
    if (QString error = click(QStringLiteral("cmdexit")); !error.isEmpty())
        return error;
    const TermMenuDesign *menu = Catalogue::menuFor(entry.year, entry.term);
    return expectOnScreen(QString::fromLatin1(menu->form));
}

QString Road::walk()
{
    if (QString error = expectOnScreen(QString::fromLatin1(Titlefrm::Name)); !error.isEmpty())
        return error;
    notePictures();
    if (QString error = click(QStringLiteral("Command1")); !error.isEmpty())
        return error;
    if (QString error = expectOnScreen(QString::fromLatin1(Intro0::Name)); !error.isEmpty())
        return error;
    notePictures();
    for (const char *option : {"Option2", "Option1"}) {
        if (QString error = click(QString::fromLatin1(option)); !error.isEmpty())
            return error;
    }

    for (const TermMenuDesign &menu : Catalogue::menus()) {
        bool onMenu = false;
        for (const CatalogueEntry &entry : Catalogue::entries()) {
            const QString activity = QString::fromLatin1(entry.activity);
            if (entry.year != menu.year || entry.term != menu.term || activity.isEmpty()
                || !m_session.forms().isKnown(activity))
                continue;
            if (QString error = openActivity(entry); !error.isEmpty())
                return error;
            onMenu = true;
            if (QString error = exercise(*current()); !error.isEmpty())
                return error;
            if (QString error = leaveActivity(entry); !error.isEmpty())
                return error;
        }
        if (!onMenu) {
            const int term = (menu.year - 5) * Catalogue::TermsPerYear + menu.term - 1;
            if (QString error = click(QStringLiteral("Label2"), term); !error.isEmpty())
                return error;
            if (QString error = expectOnScreen(QString::fromLatin1(menu.form)); !error.isEmpty())
                return error;
        }
        // Back home from the menu.
        if (QString error = click(QStringLiteral("Command1")); !error.isEmpty())
            return error;
        if (QString error = expectOnScreen(QString::fromLatin1(Intro0::Name)); !error.isEmpty())
            return error;
    }

    // Out through the title screen, which now offers Cancel.
    if (QString error = click(QStringLiteral("Command1")); !error.isEmpty())
        return error;
    if (QString error = expectOnScreen(QString::fromLatin1(Titlefrm::Name)); !error.isEmpty())
        return error;
    if (QString error = click(QStringLiteral("Command2")); !error.isEmpty())
        return error;
    if (!m_session.ended())
        return QStringLiteral("Exit on the title screen did not end the program");
    if (m_session.view().faults() > 0)
        return QStringLiteral("a handler failed");
    return {};
}
