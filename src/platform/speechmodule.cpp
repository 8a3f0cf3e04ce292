#include "speechmodule.h"

#include "flitespeech.h"

Speech *SpeechModule::create()
{
    return new FliteSpeech;
}
