#pragma once

#include <QtPlugin>

class QWidget;
class ResultsStore;
class Settings;

// The teacher window lives in a module of its own (its Qt Widgets pages and Qt Charts),
// loaded the first time the teacher asks for it, so starting the program and the pupils'
// screens never pay for it. The program includes only this header.
class TeacherPlugin
{
public:
    virtual ~TeacherPlugin() = default;
    // A new teacher window: one top-level window, a page per feature, working on these.
    virtual QWidget *createWindow(ResultsStore &results, Settings &settings) = 0;
};

#define TeacherPlugin_iid "org.example.quorvale.TeacherPlugin/1"
Q_DECLARE_INTERFACE(TeacherPlugin, TeacherPlugin_iid)
