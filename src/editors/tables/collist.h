#pragma once

#include <QString>

#include <functional>

class QListWidget;

// The two column lists of the key editors (index and constraint): the key columns and the
// table's columns beside them.

// Appends the selected items of from to to, each as item(text) gives it, leaving out what to
// holds already; true when anything was added.
bool AppendSelectedItems(const QListWidget *from, QListWidget *to,
                         const std::function<QString(const QString &)> &item);
// Removes the selected items of list; true when anything was removed.
bool RemoveSelectedItems(QListWidget *list);
