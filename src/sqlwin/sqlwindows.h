#pragma once

// Registers the windows of this library with the window registry (core/qvtoolwindows.h): the
// SQL window (ToolWindowSQL) and the script runner (ToolWindowScript); and the long-text
// dialog as the long-text editor (ui/qvlongtext.h). The program calls it once at start-up.
void RegisterSqlWindows();
