#pragma once

class QWidget;
class TqvMemo;

// The main window's commands that act on the SQL editor with the focus (actEditJump,
// actEditFormat, actEditComment, actEditMacroSave, actEditMacroExec). Each does nothing and is
// disabled while the control with the focus is not a TqvMemo: another control is not an editor
// for these commands, whatever it can edit.
//
// Registered by the main window when it is created, through the command registry (fmaincmd.h),
// unless the start-up code registered its own under the same name.
void RegisterEditorCommands();

// The SQL editor that has the focus in the active window, else nullptr.
TqvMemo *ActiveMemo();
