#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

// The keyboard shortcuts of the main window's actions that the user may change. The main window
// binds each action (objectName "act..." as in ShortcutActions) to ShortcutList, and the options
// dialog edits ShortcutList; LoadOptions and SaveOptions move it to and from the SHORTCUT key.

struct TqvShortcutAction
{
    const char *valueName; // the value of the SHORTCUT key
    const char *actionName; // the main window's action
    QKeyCombination defaultKey;
};

inline constexpr int ShortcutActionCount = 67;

// In the order in which the SHORTCUT key is read and written.
extern const TqvShortcutAction ShortcutActions[ShortcutActionCount];

// The current shortcut of each entry of ShortcutActions, by the same index; an empty sequence
// is no shortcut. Holds the defaults from start-up on.
extern QList<QKeySequence> ShortcutList;

// -1 when neither a value name nor an action name matches (exact, case-sensitive).
int ShortcutIndex(const QString &name);
QKeySequence DefaultShortcut(int index);
// Puts every entry back to its default.
void ResetShortcuts();

// The stored text of a shortcut: "Shift+", "Ctrl+", "Alt+" (and "Meta+") in this order, only
// those present, then the key's name ("A", "5", "F12", "BkSp", "Tab", "Enter", "Esc", "Space",
// "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down", "Ins", "Del", a punctuation key
// as its character, "-" for the minus key). Only the first key of a sequence is kept; a keypad
// digit is written as a digit. Empty for no shortcut.
QString shortcutToText(const QKeySequence &shortcut);
// The inverse of shortcutToText, modifiers and key names without regard to case; an empty
// sequence for an empty text or one that names no key.
QKeySequence textToShortcut(const QString &text);
