#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

// The keyboard macros that every SQL editor records into and replays from: one shared list.
struct TqvMacroStep
{
    int key = 0;               // Qt key with modifiers, for keys that are not text
    QString text;              // typed text
};

class TqvMacroList : public QList<TqvMacroStep>
{
};
