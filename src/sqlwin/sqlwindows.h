#pragma once

// Registers the windows of this library with the window registry (core/qvtoolwindows.h): the
// SQL window (ToolWindowSQL), the script runner (ToolWindowScript) and the stored-program runner
// (ToolWindowExecProc); and the long-text dialog as the long-text editor (ui/qvlongtext.h). The
// program calls it once at start-up.
void RegisterSqlWindows();
