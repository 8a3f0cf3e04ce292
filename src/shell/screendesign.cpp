#include "screendesign.h"

#include "keyboard.h"
#include "screen.h"

Control &addAt(Form &form, ControlKind kind, const QString &name, Box box, int index)
{
    Control &control = form.add(kind, name, index);
    control.left = box.left;
    control.top = box.top;
    control.width = box.width;
    control.height = box.height;
    return control;
}

Control &addCentredLabel(Form &form, const QString &name, Box box, const QString &caption,
                         const FontSpec &font, const QColor &foreColor, int index)
{
    Control &label = addAt(form, ControlKind::Label, name, box, index);
    label.alignment = TextAlign::Center;
    label.foreColor = foreColor;
    label.opaque = false;
    label.setFont(font);
    label.setCaption(caption);
    return label;
}

void setBoxed(Control &label, const QColor &backColor)
{
    label.backColor = backColor;
    label.opaque = true;
    label.border = true;
}

Control &addExitButton(Form &form, Control::ClickHandler onClick)
{
    Control &exit = addAt(form, ControlKind::CommandButton, QStringLiteral("Command1"), {90, 7920, 1785, 500});
    exit.setCaption(QStringLiteral("Exit"));
    exit.accessibleName = QStringLiteral("Exit");
    exit.onClick = std::move(onClick);
    addEscapeKey(form, exit.name());
    return exit;
}

void loadExitButton(Screen &form)
{
    Control &exit = form.ctl(QStringLiteral("Command1"));
    exit.setPicture(form.context().loadPicture(QStringLiteral("Images\\exit.jpg")));
    exit.width = 1785;
    exit.height = 500;
    exit.left = 90;
    exit.top = 7920;
}

void selectOption(Control &chosen, Control &other)
{
    chosen.value = true;
    other.value = false;
}
