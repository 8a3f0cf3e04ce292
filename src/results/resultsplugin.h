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
    // the caller owns it. With a libpq connection service named, the computer is joined to
    // the school database: every visit is still kept in the file first, then sent in the
    // background (again and again until it is in), the class lists come from the school,
    // and what is read is the school's whenever the server can be reached.
    virtual Results *create(const QString &path, const QString &schoolService = {}) = 0;
    // Creates or brings up to date the school database the libpq connection service names
    // (its tables and the quorvale_pupil and quorvale_teacher roles), writing to out what it
    // did. False with a one-sentence reason when it cannot.
    virtual bool setUpSchool(const QString &service, QTextStream &out, QString *reason) = 0;
    // Tries the connection the service names as this computer would use it: true when it
    // works; else false. Either way one sentence for the teacher says so (no such service,
    // server not reachable, wrong password, no permission, set up by a newer program ...).
    // Blocks for as long as connecting takes; safe to call from any thread.
    virtual bool checkSchool(const QString &service, QString *sentence) = 0;
};

#define ResultsPlugin_iid "org.example.quorvale.ResultsPlugin/3"
Q_DECLARE_INTERFACE(ResultsPlugin, ResultsPlugin_iid)
