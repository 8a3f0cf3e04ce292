#pragma once

#include <QtPlugin>

class QString;
class QTextStream;
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
    // Creates or brings up to date the school database the libpq connection service names
    // (its tables and the quorvale_pupil and quorvale_teacher roles), writing to out what it
    // did. False with a one-sentence reason when it cannot.
    virtual bool setUpSchool(const QString &service, QTextStream &out, QString *reason) = 0;
};

#define ResultsPlugin_iid "org.example.quorvale.ResultsPlugin/2"
Q_DECLARE_INTERFACE(ResultsPlugin, ResultsPlugin_iid)
