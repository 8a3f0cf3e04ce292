#include "teachermodule.h"

#include "teacherwindow.h"

QWidget *TeacherModule::createWindow(TeacherContext &context)
{
    return new TeacherWindow(context);
}
