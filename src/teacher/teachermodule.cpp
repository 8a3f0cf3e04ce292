#include "teachermodule.h"

#include "teacherwindow.h"

QWidget *TeacherModule::createWindow(Results &results, Settings &settings)
{
    return new TeacherWindow(results, settings);
}
