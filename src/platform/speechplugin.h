#pragma once

#include <QtPlugin>

class Speech;

// The speech service lives in a module of its own (quorvale-speech, with the synthesiser
// and its voices), loaded the first time a screen or the teacher asks for it, so starting
// the program never maps or relocates the voices. The program includes only this header
// and speech.h.
class SpeechPlugin
{
public:
    virtual ~SpeechPlugin() = default;
    // A new speech service on the default sound output; the caller owns it.
    virtual Speech *create() = 0;
};

#define SpeechPlugin_iid "org.example.quorvale.SpeechPlugin/1"
Q_DECLARE_INTERFACE(SpeechPlugin, SpeechPlugin_iid)
