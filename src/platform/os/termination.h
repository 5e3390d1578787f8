#pragma once

#include <functional>

class QObject;

// A desktop session ends a program with SIGTERM (SIGINT from a terminal). The handler turns the
// signal into a call of onRequest inside the event loop, so the program can close its main window
// the normal way and save its settings. Install it before the event loop starts; a signal that
// arrives before the loop runs is delivered once it does.
namespace os {

void installTerminationHandler(QObject *context, std::function<void()> onRequest);

} // namespace os
