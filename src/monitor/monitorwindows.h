#pragma once

// Registers the windows of this library with the window registry (core/qvtoolwindows.h): the
// sessions (ToolWindowSession), locks (ToolWindowLock) and server settings
// (ToolWindowDatabase) windows. Registering them also makes the main window's commands that
// open them on its current connection ("セッション情報(&S)", "ロック情報(&L)", "サーバ情報(&D)").
// The program calls it once at start-up.
void RegisterMonitorWindows();
