#pragma once

// Registers the windows of this library with the window registry (core/qvtoolwindows.h): the
// SQL window (ToolWindowSQL). The program calls it once at start-up.
void RegisterSqlWindows();
