#pragma once

#include <QList>

// What the core needs of the windows above it to tell every connection window that objects
// changed. The connection window implements ObjectListWindow; the main window implements
// WindowDirectory and registers itself with setWindowDirectory when it is created (and clears
// it when it goes).

// A window that shows the object list of one connection.
class ObjectListWindow
{
public:
    virtual ~ObjectListWindow() = default;
    // Re-reads the object list from the catalog before it returns.
    virtual void reloadObjectList() = 0;
};

// The main window's view of its multi-document children.
class WindowDirectory
{
public:
    virtual ~WindowDirectory() = default;
    // The connection windows, in the order of the multi-document children (first to last).
    virtual QList<ObjectListWindow *> connectionWindows() const = 0;
};

void setWindowDirectory(WindowDirectory *directory);
WindowDirectory *windowDirectory();

// Has every connection window re-read its object list, in the order of the children, before it
// returns; other windows are not asked. Every window is asked even when one fails; the first
// failure is then raised again.
void RefreshObjectWindows();
