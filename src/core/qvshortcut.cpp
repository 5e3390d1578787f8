#include "qvshortcut.h"

namespace qvshortcut {

constexpr QKeyCombination ctrl(Qt::Key key)
{
    return QKeyCombination(Qt::ControlModifier, key);
}

constexpr QKeyCombination none { Qt::Key(0) };

struct NamedKey
{
    Qt::Key key;
    const char *name;
};

// Keys whose stored names are not the character they type. Their names are fixed by the
// settings written so far; any other key is named by its character or by the toolkit's
// layout-independent name.
constexpr NamedKey namedKeys[] = {
    { Qt::Key_Backspace, "BkSp" }, { Qt::Key_Tab, "Tab" },     { Qt::Key_Return, "Enter" },
    { Qt::Key_Escape, "Esc" },     { Qt::Key_Space, "Space" }, { Qt::Key_PageUp, "PgUp" },
    { Qt::Key_PageDown, "PgDn" },  { Qt::Key_End, "End" },     { Qt::Key_Home, "Home" },
    { Qt::Key_Left, "Left" },      { Qt::Key_Up, "Up" },       { Qt::Key_Right, "Right" },
    { Qt::Key_Down, "Down" },      { Qt::Key_Insert, "Ins" },  { Qt::Key_Delete, "Del" },
};

struct Modifier
{
    Qt::KeyboardModifier modifier;
    const char *prefix;
};

constexpr Modifier modifiers[] = {
    { Qt::ShiftModifier, "Shift+" },
    { Qt::ControlModifier, "Ctrl+" },
    { Qt::AltModifier, "Alt+" },
    { Qt::MetaModifier, "Meta+" },
};

// Keys the toolkit has no portable name for are written by their code.
constexpr char codePrefix[] = "Key#";

QString keyName(Qt::Key key)
{
    for (const NamedKey &named : namedKeys) {
        if (named.key == key)
            return QString::fromLatin1(named.name);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    if (key > Qt::Key_Space && key < Qt::Key_Escape) {
        // A key that types a character: its code is the (upper-case) character.
        const char32_t code = char32_t(key);
        return QString::fromUcs4(&code, 1);
    }
    const QString portable = QKeySequence(key).toString(QKeySequence::PortableText);
    if (!portable.isEmpty() && !portable.contains(QLatin1Char('+'))) {
        const QKeySequence back = QKeySequence::fromString(portable, QKeySequence::PortableText);
        if (back.count() == 1 && back[0] == QKeyCombination(key))
            return portable;
    }
    return QLatin1String(codePrefix) + QString::number(int(key), 16).toUpper();
}

Qt::Key keyOfName(const QString &name)
{
    if (name.isEmpty())
        return Qt::Key(0);
    for (const NamedKey &named : namedKeys) {
        if (name.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return named.key;
    }
    const QList<uint> characters = name.toUcs4();
    if (characters.size() == 1 && characters.front() > ' ')
        return Qt::Key(QChar::toUpper(char32_t(characters.front())));
    if (name.size() >= 2 && name.front().toUpper() == QLatin1Char('F')) {
        bool ok = false;
        const int number = name.mid(1).toInt(&ok);
        if (ok && number >= 1 && number <= 24 && name.at(1) != QLatin1Char('0'))
            return Qt::Key(Qt::Key_F1 + number - 1);
    }
    if (name.startsWith(QLatin1String(codePrefix), Qt::CaseInsensitive)) {
        bool ok = false;
        const uint value = name.mid(int(sizeof(codePrefix)) - 1).toUInt(&ok, 16);
        return ok && value > 0 && value <= 0x01FFFFFF ? Qt::Key(value) : Qt::Key(0);
    }
    const QKeySequence portable = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (portable.count() == 1 && portable[0].keyboardModifiers() == Qt::NoModifier
        && portable[0].key() != Qt::Key_unknown)
        return portable[0].key();
    return Qt::Key(0);
}

} // namespace qvshortcut

const TqvShortcutAction ShortcutActions[ShortcutActionCount] = {
    { "DBCommit", "actDBCommit", qvshortcut::none },
    { "DBRollback", "actDBRollback", qvshortcut::none },
    { "DBLogon", "actDBLogon", qvshortcut::none },
    { "DBLogoff", "actDBLogoff", qvshortcut::none },
    { "FileExit", "actFileExit", qvshortcut::none },
    { "EditUndo", "actEditUndo", qvshortcut::ctrl(Qt::Key_Z) },
    { "EditRedo", "actEditRedo", qvshortcut::ctrl(Qt::Key_Y) },
    { "EditCut", "actEditCut", qvshortcut::ctrl(Qt::Key_X) },
    { "EditCopy", "actEditCopy", qvshortcut::ctrl(Qt::Key_C) },
    { "EditPaste", "actEditPaste", qvshortcut::ctrl(Qt::Key_V) },
    { "EditDelete", "actEditDelete", qvshortcut::none },
    { "EditRename", "actEditRename", qvshortcut::none },
    { "EditSelectAll", "actEditSelectAll", qvshortcut::ctrl(Qt::Key_A) },
    { "EditSelectMode", "actEditSelectMode", qvshortcut::none },
    { "EditFind", "actEditFind", qvshortcut::ctrl(Qt::Key_F) },
    { "EditFindNext", "actEditFindNext", QKeyCombination(Qt::Key_F3) },
    { "EditFindPrev", "actEditFindPrev", QKeyCombination(Qt::ShiftModifier, Qt::Key_F3) },
    { "EditReplace", "actEditReplace", qvshortcut::ctrl(Qt::Key_R) },
    { "EditJump", "actEditJump", qvshortcut::ctrl(Qt::Key_G) },
    { "EditFormat", "actEditFormat", qvshortcut::none },
    // The minus key of the main keyboard, not the number pad's.
    { "EditComment", "actEditComment", qvshortcut::ctrl(Qt::Key_Minus) },
    { "EditUpperCase", "actEditUpperCase", qvshortcut::none },
    { "EditLowerCase", "actEditLowerCase", qvshortcut::none },
    { "EditIndentF", "actEditIndentF", qvshortcut::none },
    { "EditIndentR", "actEditIndentR", qvshortcut::none },
    { "EditMacroSave", "actEditMacroSave", qvshortcut::none },
    { "EditMacroExec", "actEditMacroExec", qvshortcut::none },
    { "EditOpen", "actEditOpen", qvshortcut::none },
    // The object-list actions carry "Object" in their value names only.
    { "ObjectNew", "actNew", qvshortcut::none },
    { "ObjectOpen", "actOpen", qvshortcut::none },
    { "ObjectOpenDefine", "actOpenDefine", qvshortcut::none },
    { "ObjectOpenSource", "actOpenSource", qvshortcut::none },
    { "ObjectOpenData", "actOpenData", qvshortcut::none },
    { "ObjectOpenDataTop", "actOpenDataTop", qvshortcut::none },
    { "ObjectExec", "actExec", qvshortcut::none },
    { "ObjectScript", "actScript", qvshortcut::none },
    { "ObjectPrint", "actPrint", qvshortcut::none },
    { "ObjectCross", "actCross", qvshortcut::none },
    { "ObjectMatrix", "actMatrix", qvshortcut::none },
    { "ObjectGrant", "actGrant", qvshortcut::none },
    { "ObjectAnalyze", "actAnalyze", qvshortcut::none },
    { "ObjectDelete", "actDelete", QKeyCombination(Qt::Key_Delete) },
    { "ObjectGrep", "actGrep", qvshortcut::none },
    { "ObjectExport", "actExport", qvshortcut::none },
    { "ObjectLoad", "actLoad", qvshortcut::none },
    { "ViewSQL", "actViewSQL", qvshortcut::ctrl(Qt::Key_S) },
    { "ViewScript", "actViewScript", qvshortcut::none },
    { "ViewField", "actViewField", qvshortcut::ctrl(Qt::Key_T) },
    { "ViewTemplate", "actViewTemplate", qvshortcut::ctrl(Qt::Key_J) },
    { "ViewSQLCatch", "actViewSQLCatch", qvshortcut::none },
    { "ViewSQLCRUD", "actViewSQLCRUD", qvshortcut::none },
    { "AdminUser", "actAdminUser", qvshortcut::none },
    { "AdminStorage", "actAdminStorage", qvshortcut::none },
    { "AdminSession", "actAdminSession", qvshortcut::none },
    { "AdminLock", "actAdminLock", qvshortcut::none },
    { "AdminDatabase", "actAdminDatabase", qvshortcut::none },
    { "AdminPerform", "actAdminPerform", qvshortcut::none },
    { "AdminExport", "actAdminExport", qvshortcut::none },
    { "AdminImport", "actAdminImport", qvshortcut::none },
    { "AdminLoad", "actAdminLoad", qvshortcut::none },
    { "ToolCommandSetup", "actToolCommandSetup", qvshortcut::none },
    { "ToolReportSetup", "actToolReportSetup", qvshortcut::none },
    { "ToolOption", "actToolOption", qvshortcut::none },
    { "ViewComp", "actViewComp", qvshortcut::none },
    { "ToolIndexAdviser", "actToolIndexAdviser", qvshortcut::none },
    { "ToolEditorOption", "actToolEditorOption", qvshortcut::none },
    { "ToolScriptOption", "actToolScriptOption", qvshortcut::none },
};

namespace qvshortcut {

QList<QKeySequence> defaultShortcuts()
{
    QList<QKeySequence> list;
    list.reserve(ShortcutActionCount);
    for (int i = 0; i < ShortcutActionCount; ++i)
        list.append(DefaultShortcut(i));
    return list;
}

} // namespace qvshortcut

QList<QKeySequence> ShortcutList = qvshortcut::defaultShortcuts();

int ShortcutIndex(const QString &name)
{
    for (int i = 0; i < ShortcutActionCount; ++i) {
        if (name == QLatin1String(ShortcutActions[i].valueName)
            || name == QLatin1String(ShortcutActions[i].actionName))
            return i;
    }
    return -1;
}

QKeySequence DefaultShortcut(int index)
{
    if (index < 0 || index >= ShortcutActionCount)
        return {};
    const QKeyCombination key = ShortcutActions[index].defaultKey;
    return key.key() == Qt::Key(0) ? QKeySequence() : QKeySequence(key);
}

void ResetShortcuts()
{
    ShortcutList = qvshortcut::defaultShortcuts();
}

QString shortcutToText(const QKeySequence &shortcut)
{
    if (shortcut.isEmpty())
        return {};
    const QKeyCombination combination = shortcut[0];
    Qt::Key key = combination.key();
    Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        mods |= Qt::ShiftModifier;
    } else if (key == Qt::Key_Enter) {
        key = Qt::Key_Return;
    }
    if (key == Qt::Key(0) || key == Qt::Key_unknown || key == Qt::Key_Shift
        || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta)
        return {};
    QString text;
    for (const qvshortcut::Modifier &modifier : qvshortcut::modifiers) {
        if (mods & modifier.modifier)
            text += QLatin1String(modifier.prefix);
    }
    return text + qvshortcut::keyName(key);
}

QKeySequence textToShortcut(const QString &text)
{
    QString rest = text;
    Qt::KeyboardModifiers mods;
    // Modifiers are taken from the front for as long as one matches, so "Ctrl++" is Ctrl with
    // the plus key.
    for (bool found = true; found;) {
        found = false;
        for (const qvshortcut::Modifier &modifier : qvshortcut::modifiers) {
            const QLatin1String prefix(modifier.prefix);
            if (rest.size() > prefix.size() && rest.startsWith(prefix, Qt::CaseInsensitive)) {
                mods |= modifier.modifier;
                rest = rest.mid(prefix.size());
                found = true;
            }
        }
    }
    const Qt::Key key = qvshortcut::keyOfName(rest);
    if (key == Qt::Key(0))
        return {};
    return QKeySequence(QKeyCombination(mods, key));
}
