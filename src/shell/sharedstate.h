#pragma once

#include "bank.h"

#include <QString>
#include <QVariant>

// The state every screen shares for the whole run; nothing of it is saved. Scalars start
// at 0 and banks empty. An empty AnswerKey value reads as 0 and as "".
struct SharedState
{
    int SoundOn = 0;          // 1 = cues play; any other value is silent
    int LastItem = 0;         // record shown last, by every activity
    int FlashPhase = 0;
    int ItemCounter = 0;
    int CheckItem = 0;
    int SortCount = 0;
    int LastAnswerRight = 0;

    Bank<QString, 401> ItemBank;
    Bank<QString, 201> TextBank;
    Bank<QString, 101> WordBank;
    Bank<QString, 31> KeyBankA;
    Bank<QString, 31> KeyBankB;
    Bank<QString, 201> StyleBank;
    Bank<QVariant, 201> AnswerKey;

    // AnswerKey reads as a number, as the handlers compare it.
    int answerKeyNumber(int index) const { return AnswerKey[index].toInt(); }
};
