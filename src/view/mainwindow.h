#pragma once

#include <QWidget>

class FormRegistry;
class FormView;
class TimerRunner;

// The program's one window: shows the current form, scaled to fit; F11 toggles full screen.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(FormRegistry &forms, QWidget *parent = nullptr);

    FormView &view() const { return *m_view; }
    TimerRunner &timers() const { return *m_timers; }

    // A good first size: the largest 4:3 window that fits most of the available screen.
    static QSize preferredSize(const QSize &available);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateTitle();

    FormRegistry &m_forms;
    FormView *m_view;
    TimerRunner *m_timers;
};
