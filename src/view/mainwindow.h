#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

#include <functional>

class FormRegistry;
class FormView;
class TimerRunner;

// The program's one window: shows the current form, scaled to fit; F11 toggles full screen;
// Ctrl+T asks for the teacher window.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(FormRegistry &forms, QWidget *parent = nullptr);

    FormView &view() const { return *m_view; }
    TimerRunner &timers() const { return *m_timers; }

    // A good first size: the largest 4:3 window that fits most of the available screen.
    static QSize preferredSize(const QSize &available);

    // Where the window opens, given where it was when last closed (invalid on a first run)
    // and the available area of every screen. A remembered place that still lies on a
    // screen is kept, moved onto that screen and shrunk when larger than it; one that lies
    // on no screen (a projector unplugged) keeps its size, shrunk likewise, centred on the
    // home screen (the screen the window starts on); with nothing remembered, the preferred
    // size centred on the home screen. The rectangles are the inside of the window, its
    // frame left out, as setGeometry() takes them; centred tells whether it was centred.
    static QRect openingPlace(const QRect &remembered, const QList<QRect> &screens, int home,
                              bool *centred = nullptr);

    // Places the window before it is first shown: as openingPlace() says on this desktop,
    // full screen when asked.
    void place(const QRect &remembered, bool fullScreen);
    // Places the window at a given size, centred on the screen it starts on.
    void placeCentred(const QSize &size);

    // Full screen on the screen the window is on, or back to its place before.
    void setFullScreen(bool on);
    // The window's place when it is not full screen (its inside, as openingPlace() gives
    // it): what a later run opens at.
    QRect normalPlace() const;

    // Called when the window's state is worth keeping: on closing and on F11.
    std::function<void()> onKeepState;
    // Called on Ctrl+T: the program opens the teacher window. Unset, the key does nothing.
    std::function<void()> onTeacher;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateTitle();
    void keepState();
    void placeAt(const QRect &inside);
    void centreFrame();
    bool inNormalState() const;

    FormRegistry &m_forms;
    FormView *m_view;
    TimerRunner *m_timers;
    // The place to go back to on leaving full screen.
    QRect m_normalPlace;
    // Opened centred: to be centred again once a window manager's frame is known.
    bool m_centreFrame = false;
};
