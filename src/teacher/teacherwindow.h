#pragma once

#include <QWidget>

class QTabWidget;
struct TeacherContext;

// The teacher's own window, apart from the pupils' screens: ordinary widgets, one tab a
// page, each page one class that gets what it works on from here.
class TeacherWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TeacherWindow(TeacherContext &context, QWidget *parent = nullptr);

    QTabWidget &pages() const { return *m_pages; }

    // How much larger than the system's own the window's text is on a screen whose
    // available height is the given logical pixels, at the teacher's text size (0 normal,
    // 1 large, 2 larger). A screen that reports its own scale (a high-DPI screen) has
    // fewer logical pixels and so gets the system's size; one that reports none (a 4K
    // board at 96 dpi) gets text grown with its height, as the pupils' screens are.
    static double textScale(int screenHeight, int textSize);
    // Sets the window's text for the screen it is on and the teacher's text size.
    void applyTextSize();

    // Work that closing the window would lose: a bank with unsaved changes.
    bool hasUnsavedWork() const;
    // Whether the window may close: with unsaved work, shows it and asks the teacher to
    // save, discard or cancel. False on Cancel or when saving fails (the page says why).
    bool mayClose();

protected:
    void showEvent(QShowEvent *event) override;
    // Closing asks first when work would be lost (the program ending closes it too).
    void closeEvent(QCloseEvent *event) override;

private:
    // "*" and the bank's name in the title while a bank has unsaved changes.
    void showUnsaved();

    TeacherContext &m_context;
    QString m_title;
    QTabWidget *m_pages;
    bool m_followsScreen = false;
};
