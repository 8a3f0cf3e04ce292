#pragma once

#include <QtPlugin>

class QWidget;
class Results;
class Settings;

// The teacher window lives in a module of its own (its Qt Widgets pages and Qt Charts),
// loaded the first time the teacher asks for it, so starting the program and the pupils'
// screens never pay for it. The program includes only this header; the window works on
// the results through their interface (results.h), never on the store itself.
class TeacherPlugin
{
public:
    virtual ~TeacherPlugin() = default;
    // A new teacher window: one top-level window, a page per feature, working on these.
    virtual QWidget *createWindow(Results &results, Settings &settings) = 0;
};

#define TeacherPlugin_iid "org.example.quorvale.TeacherPlugin/2"
Q_DECLARE_INTERFACE(TeacherPlugin, TeacherPlugin_iid)
