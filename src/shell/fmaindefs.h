#pragma once

#include <QtGlobal>

// The main window's actions, menus and tool bars as tables, read by TfrmMain when it builds
// itself.

// How an action is carried out.
enum class TMainActionKind : quint8 {
    Own, // the main window's own handler
    Registered, // a command of the registry (fmaincmd.h); disabled until registered
    Holder, // holds the shortcut that every connection window copies; no handler here
};

struct TMainActionDef
{
    const char *name;
    const char *category; // empty: none
    const char *caption;
    int image; // index of imgMain, -1 none
    const char *description; // the long part of the hint
    TMainActionKind kind;
    bool needsCurrent; // does nothing without a current connection window
};

extern const TMainActionDef MainActionDefs[];
extern const int MainActionDefCount;

// Menu contents: an action name, "-" for a separator, or "@name" for a submenu or item that
// the main window makes itself.
struct TMainMenuDef
{
    const char *name;
    const char *caption;
    int groupIndex;
    const char *const *items;
};

extern const TMainMenuDef MainMenuDefs[];
extern const int MainMenuDefCount;
extern const char *const PopEditorItems[];

struct TMainToolBarDef
{
    const char *name;
    const char *caption;
    const char *const *items; // "btnName=actName", "-btnName" separator, "@cmbDBName"
    bool lineBreakBefore;
};

extern const TMainToolBarDef MainToolBarDefs[];
extern const int MainToolBarDefCount;

struct TNewObjectButtonDef
{
    const char *name;
    const char *hint;
    int objectType; // also its image index
};

extern const TNewObjectButtonDef NewObjectButtonDefs[];
extern const int NewObjectButtonDefCount;

// The colour of the tool bars, the task bar and the menu bar (red C7, green D9, blue EB).
inline constexpr unsigned int MainBarColour = 0xC7D9EB;
