#pragma once

#include "teacherplugin.h"

#include <QObject>

// The module's entry point: the program loads it with QPluginLoader and asks it for the
// teacher window.
class TeacherModule : public QObject, public TeacherPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TeacherPlugin_iid)
    Q_INTERFACES(TeacherPlugin)
public:
    QWidget *createWindow(TeacherContext &context) override;
};
