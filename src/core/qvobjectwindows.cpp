#include "qvobjectwindows.h"

#include <exception>

namespace qvobjectwindows {
WindowDirectory *directory = nullptr;
} // namespace qvobjectwindows

void setWindowDirectory(WindowDirectory *directory)
{
    qvobjectwindows::directory = directory;
}

WindowDirectory *windowDirectory()
{
    return qvobjectwindows::directory;
}

void RefreshObjectWindows()
{
    if (!qvobjectwindows::directory)
        return;
    std::exception_ptr firstFailure;
    const QList<ObjectListWindow *> windows = qvobjectwindows::directory->connectionWindows();
    for (ObjectListWindow *window : windows) {
        try {
            window->reloadObjectList();
        } catch (...) {
            if (!firstFailure)
                firstFailure = std::current_exception();
        }
    }
    if (firstFailure)
        std::rethrow_exception(firstFailure);
}
