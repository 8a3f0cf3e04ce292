#include "teachermodule.h"

#include "teacherwindow.h"

QWidget *TeacherModule::createWindow(ResultsStore &results, Settings &settings)
{
    return new TeacherWindow(results, settings);
}
