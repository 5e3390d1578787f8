#pragma once

#include <QString>

#include <exception>
#include <utility>

// The silent abort: a window that gives up its own construction (a window for that object is
// open already, a script-only instance has written its script, the user was already told why)
// or a handler that wants nothing more to happen throws it. It is never shown. Window
// constructors that may throw it are reached through factories (ShowWindow), so that it never
// crosses the toolkit's event dispatch.
class SilentAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "silent abort"; }
};

// The text that ShowExceptionMessage shows for error: the server's text of a database error,
// the text of any other exception; empty for the silent abort and for no exception.
QString ExceptionText(const std::exception_ptr &error);

// Shows the exception held by error through the message-box helper: the server's text of a
// database error, the text of any other exception, nothing for the silent abort. The last net
// of the program (its QApplication::notify) and every slot or event boundary call it.
void ShowExceptionMessage(const std::exception_ptr &error);

// Runs action; an exception it throws is shown (ShowExceptionMessage) and goes no further.
// Returns whether action ended normally. For slots and event handlers, whose exceptions must
// not reach the toolkit.
template<class Action> bool RunGuarded(Action &&action)
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (...) {
        ShowExceptionMessage(std::current_exception());
        return false;
    }
}
