#pragma once

#include "speechplugin.h"

#include <QObject>

// The module's entry point: the program loads it with QPluginLoader and asks it for the
// speech service.
class SpeechModule : public QObject, public SpeechPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID SpeechPlugin_iid)
    Q_INTERFACES(SpeechPlugin)
public:
    Speech *create() override;
};
