#pragma once

// An activity screen for the teacher's bank editor: the very forms and view the class sees,
// run in a world of their own (their own shared state, forms, silent sound, no results
// kept, no browser), so the pupils' window is untouched, with the bank held in memory and
// one chosen record dealt first. Playable: after that record the activity runs as usual.

#include "contentkind.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// The screen as a widget inside parent, or nullptr when the activity is unknown, the bank
// has problems (the activity would not use it), or the record is not in it. assetRoots are
// where the program finds its pictures and sounds; highContrast draws it as the class sees
// it in that setting.
QWidget *createPreviewScreen(const QList<ContentKind> &kinds, const QStringList &assetRoots, const QString &activity,
                             const QByteArray &bank, int record, bool highContrast, QWidget *parent);
