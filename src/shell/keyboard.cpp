#include "keyboard.h"

#include "form.h"
#include "readingorder.h"

namespace {

// Keys with Ctrl or Alt held are someone else's.
bool plain(int shift)
{
    return !(shift & (ShiftKey::Ctrl | ShiftKey::Alt));
}

} // namespace

bool pressIfShown(Control *control)
{
    if (!control || !control->visible || !control->enabled || !control->onClick)
        return false;
    control->onClick(control->index());
    return true;
}

void addActivityKeys(Form &form)
{
    form.addKeyHandler([&form](int key, int shift) {
        if (!plain(shift))
            return false;
        if (key == Qt::Key_N)
            return pressIfShown(form.control(QStringLiteral("cmdgo")));
        if (key == Qt::Key_Escape)
            return pressIfShown(form.control(QStringLiteral("cmdexit")));
        return false;
    });
}

void addEscapeKey(Form &form, const QString &button)
{
    form.addKeyHandler([&form, button](int key, int shift) {
        return key == Qt::Key_Escape && plain(shift) && pressIfShown(form.control(button));
    });
}

void addAnswerKeys(Form &form, const QString &array, int count)
{
    form.addKeyHandler([&form, array, count](int key, int shift) {
        if (!plain(shift) || key < Qt::Key_1 || key > Qt::Key_9)
            return false;
        std::vector<Control *> shown;
        std::vector<QRectF> places;
        for (int i = 0; i < count; ++i) {
            Control *answer = form.control(array, i);
            if (answer && answer->visible && answer->enabled && answer->onClick) {
                shown.push_back(answer);
                places.push_back(answer->rect());
            }
        }
        const std::size_t wanted = std::size_t(key - Qt::Key_1);
        if (wanted >= shown.size())
            return false;
        return pressIfShown(shown[std::size_t(readingOrder(places)[wanted])]);
    });
}
