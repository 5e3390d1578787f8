#pragma once

struct TCommandLine;

// Registers the main window's commands whose windows live above the shell: the logon. The
// logon's first run, on the main window's first paint, connects at once with the
// command line's values when they name a user (the dialog then only shows after a failed
// connect); every later run opens the logon dialog.
void RegisterAppCommands(const TCommandLine &commandLine);

// Registers the object editors of every editor library with the object dispatch, so that the
// connection windows open them and write their scripts.
void RegisterObjectEditors();

// Registers the tool windows of every library with the window registry (the SQL window, the monitoring windows ...),
// which also makes the main window's commands that open them.
void RegisterToolWindows();
