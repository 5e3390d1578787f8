// The stored text of keyboard shortcuts: every named key with every combination of modifiers
// round-trips, the text has its fixed form, and texts that name no key give no shortcut.
#include "core/qvshortcut.h"

#include <gtest/gtest.h>

namespace test_shortcut {

struct KeyText
{
    Qt::Key key;
    const char *text;
};

const KeyText namedKeys[] = {
    { Qt::Key_Backspace, "BkSp" }, { Qt::Key_Tab, "Tab" },       { Qt::Key_Return, "Enter" },
    { Qt::Key_Escape, "Esc" },     { Qt::Key_Space, "Space" },   { Qt::Key_PageUp, "PgUp" },
    { Qt::Key_PageDown, "PgDn" },  { Qt::Key_End, "End" },       { Qt::Key_Home, "Home" },
    { Qt::Key_Left, "Left" },      { Qt::Key_Up, "Up" },         { Qt::Key_Right, "Right" },
    { Qt::Key_Down, "Down" },      { Qt::Key_Insert, "Ins" },    { Qt::Key_Delete, "Del" },
    { Qt::Key_Minus, "-" },        { Qt::Key_Plus, "+" },        { Qt::Key_Comma, "," },
    { Qt::Key_Period, "." },       { Qt::Key_Slash, "/" },       { Qt::Key_Semicolon, ";" },
    { Qt::Key_Colon, ":" },        { Qt::Key_BracketLeft, "[" }, { Qt::Key_BracketRight, "]" },
    { Qt::Key_Backslash, "\\" },   { Qt::Key_At, "@" },          { Qt::Key_AsciiCircum, "^" },
    { Qt::Key_yen, "¥" },
};

QList<KeyText> allKeys()
{
    static QList<QByteArray> texts; // keeps the generated texts alive
    QList<KeyText> keys(std::begin(namedKeys), std::end(namedKeys));
    for (int i = 0; i < 26; ++i) {
        texts.append(QByteArray(1, char('A' + i)));
        keys.append({ Qt::Key(Qt::Key_A + i), texts.last().constData() });
    }
    for (int i = 0; i < 10; ++i) {
        texts.append(QByteArray(1, char('0' + i)));
        keys.append({ Qt::Key(Qt::Key_0 + i), texts.last().constData() });
    }
    for (int i = 1; i <= 24; ++i) {
        texts.append("F" + QByteArray::number(i));
        keys.append({ Qt::Key(Qt::Key_F1 + i - 1), texts.last().constData() });
    }
    return keys;
}

TEST(ShortcutText, EveryNamedKeyWithEveryModifierRoundTrips)
{
    const struct
    {
        Qt::KeyboardModifiers mods;
        const char *prefix;
    } combos[] = {
        { Qt::NoModifier, "" },
        { Qt::ShiftModifier, "Shift+" },
        { Qt::ControlModifier, "Ctrl+" },
        { Qt::AltModifier, "Alt+" },
        { Qt::ShiftModifier | Qt::ControlModifier, "Shift+Ctrl+" },
        { Qt::ShiftModifier | Qt::AltModifier, "Shift+Alt+" },
        { Qt::ControlModifier | Qt::AltModifier, "Ctrl+Alt+" },
        { Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, "Shift+Ctrl+Alt+" },
    };
    for (const KeyText &k : allKeys()) {
        for (const auto &combo : combos) {
            const QKeySequence shortcut(QKeyCombination(combo.mods, k.key));
            const QString text = shortcutToText(shortcut);
            EXPECT_EQ(text, QString::fromUtf8(combo.prefix) + QString::fromUtf8(k.text));
            EXPECT_EQ(textToShortcut(text), shortcut) << text.toStdString();
        }
    }
}

TEST(ShortcutText, OtherKeysRoundTripByAStableText)
{
    const Qt::Key keys[] = { Qt::Key_Print,      Qt::Key_Pause,      Qt::Key_F25,
                             Qt::Key_MediaPlay,  Qt::Key_VolumeUp,   Qt::Key_Forward,
                             Qt::Key_Adiaeresis, Qt::Key_Dead_Grave, Qt::Key_Henkan };
    for (Qt::Key key : keys) {
        const QKeySequence shortcut(QKeyCombination(Qt::ControlModifier, key));
        const QString text = shortcutToText(shortcut);
        EXPECT_TRUE(text.startsWith("Ctrl+")) << text.toStdString();
        EXPECT_EQ(textToShortcut(text), shortcut) << text.toStdString();
        EXPECT_EQ(shortcutToText(textToShortcut(text)), text);
    }
}

TEST(ShortcutText, ReadingIsLenientWritingIsFixed)
{
    EXPECT_EQ(textToShortcut("ctrl+shift+z"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    EXPECT_EQ(textToShortcut("Alt+Shift+del"), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Delete));
    EXPECT_EQ(textToShortcut("Ctrl++"), QKeySequence(Qt::CTRL | Qt::Key_Plus));
    EXPECT_EQ(shortcutToText(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::CTRL | Qt::Key_F12)),
              "Shift+Ctrl+Alt+F12");
    // The keypad's digits and Enter are written like the main keyboard's.
    EXPECT_EQ(shortcutToText(QKeySequence(
                  QKeyCombination(Qt::KeypadModifier | Qt::ControlModifier, Qt::Key_5))),
              "Ctrl+5");
    EXPECT_EQ(shortcutToText(QKeySequence(Qt::Key_Enter)), "Enter");
    EXPECT_EQ(shortcutToText(QKeySequence(Qt::SHIFT | Qt::Key_Backtab)), "Shift+Tab");
    // Only the first key of a sequence is kept.
    EXPECT_EQ(shortcutToText(QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_C)), "Ctrl+K");
    EXPECT_EQ(shortcutToText(QKeySequence()), "");

    for (const char *text : { "", "Ctrl+", "Shift+Ctrl+", "NoSuchKey", "F25x", "F0", "+Ctrl" })
        EXPECT_TRUE(textToShortcut(text).isEmpty()) << text;
}

TEST(ShortcutText, ActionTableHoldsTheDefaultsOfTheMainWindow)
{
    int withShortcut = 0;
    int objectValues = 0;
    for (int i = 0; i < ShortcutActionCount; ++i) {
        const QString value = ShortcutActions[i].valueName;
        const QString action = ShortcutActions[i].actionName;
        if (value.startsWith("Object")) {
            ++objectValues;
            EXPECT_EQ(action, "act" + value.mid(6));
        } else {
            EXPECT_EQ(action, "act" + value);
        }
        if (!DefaultShortcut(i).isEmpty())
            ++withShortcut;
        EXPECT_EQ(ShortcutIndex(value), i);
        EXPECT_EQ(ShortcutIndex(action), i);
    }
    EXPECT_EQ(objectValues, 17);
    EXPECT_EQ(withShortcut, 16);
    EXPECT_EQ(QString(ShortcutActions[0].valueName), "DBCommit");
    EXPECT_EQ(QString(ShortcutActions[ShortcutActionCount - 1].valueName), "ToolScriptOption");
    EXPECT_EQ(DefaultShortcut(ShortcutIndex("EditFindPrev")), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    EXPECT_EQ(DefaultShortcut(ShortcutIndex("ViewTemplate")), QKeySequence(Qt::CTRL | Qt::Key_J));
}

} // namespace test_shortcut
