#include "qvlist.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QMetaObject>
#include <QWidget>

int IndexOfExact(const QStringList &strings, const QString &s)
{
    for (qsizetype i = 0; i < strings.size(); ++i) {
        if (strings.at(i) == s)
            return int(i);
    }
    return -1;
}

int IndexOfComboItem(const QComboBox *combo, const QString &s)
{
    if (!combo)
        return -1;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i) == s)
            return i;
    }
    return -1;
}

int FindComboItem(const QComboBox *combo, const QString &s)
{
    return IndexOfComboItem(combo, s);
}

void SelectComboItem(QComboBox *combo, const QString &s)
{
    if (combo)
        combo->setCurrentIndex(FindComboItem(combo, s));
}

void ExitActiveControl()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return;
    // A cell editor (a child of the view's viewport): the view takes its value through its
    // commitData slot, which ignores widgets that are not its editors.
    for (QWidget *w = focus->parentWidget(); w; w = w->parentWidget()) {
        if (auto *view = qobject_cast<QAbstractItemView *>(w)) {
            for (QWidget *editor = focus; editor && editor != view;
                 editor = editor->parentWidget()) {
                if (editor->parentWidget() == view->viewport()) {
                    QMetaObject::invokeMethod(view, "commitData", Qt::DirectConnection,
                                              Q_ARG(QWidget *, editor));
                    return;
                }
            }
            break;
        }
    }
    // Any other control: a focus-out and a focus-in, so that its leave handling runs
    // (an edit box emits editingFinished) and it keeps the focus.
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(focus, &out);
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(focus, &in);
}
