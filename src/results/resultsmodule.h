#pragma once

#include "resultsplugin.h"

#include <QObject>

// The module's entry point: the program loads it with QPluginLoader and asks it for the
// store.
class ResultsModule : public QObject, public ResultsPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ResultsPlugin_iid)
    Q_INTERFACES(ResultsPlugin)
public:
    ResultsModule();
    Results *create(const QString &path, const QString &schoolService) override;
    bool setUpSchool(const QString &service, QTextStream &out, QString *reason) override;
    bool checkSchool(const QString &service, QString *sentence) override;
};
