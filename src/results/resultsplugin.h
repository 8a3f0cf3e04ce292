#pragma once

#include <QtPlugin>

class QString;
class Results;

// The class results' store lives in a module of its own (quorvale-results, with Qt SQL),
// loaded the first time the results are needed: the first activity opened, the teacher
// window or an export. The program includes only this header and results.h.
class ResultsPlugin
{
public:
    virtual ~ResultsPlugin() = default;
    // A new store keeping its results in the file at path (opened when first needed);
    // the caller owns it.
    virtual Results *create(const QString &path) = 0;
};

#define ResultsPlugin_iid "org.example.quorvale.ResultsPlugin/1"
Q_DECLARE_INTERFACE(ResultsPlugin, ResultsPlugin_iid)
