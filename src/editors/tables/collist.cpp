#include "collist.h"

#include <QListWidget>
#include <QStringList>

bool AppendSelectedItems(const QListWidget *from, QListWidget *to,
                         const std::function<QString(const QString &)> &item)
{
    QStringList present;
    for (int i = 0; i < to->count(); ++i)
        present << to->item(i)->text();
    bool added = false;
    for (int i = 0; i < from->count(); ++i) {
        if (!from->item(i)->isSelected())
            continue;
        const QString text = item(from->item(i)->text());
        if (present.contains(text))
            continue;
        to->addItem(text);
        present << text;
        added = true;
    }
    return added;
}

bool RemoveSelectedItems(QListWidget *list)
{
    bool removed = false;
    for (int i = list->count() - 1; i >= 0; --i) {
        if (list->item(i)->isSelected()) {
            delete list->takeItem(i);
            removed = true;
        }
    }
    return removed;
}
