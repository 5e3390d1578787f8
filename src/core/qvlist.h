#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

// Exact lookups in lists and combo boxes (the toolkit's own searches ignore case or match
// prefixes), and the hand-over of an edit in progress before a command reads the controls.

// The index of the first line equal to S with case, -1 when none.
int IndexOfExact(const QStringList &strings, const QString &s);
// IndexOfExact over the combo box's item texts; two entry points with the same behaviour.
int IndexOfComboItem(const QComboBox *combo, const QString &s);
int FindComboItem(const QComboBox *combo, const QString &s);
// Selects the item equal to S with case; with none the selection is cleared (index -1).
void SelectComboItem(QComboBox *combo, const QString &s);

// Runs the leave handling of the control that has the focus as if the focus were leaving it:
// an open cell editor of an item view hands its value to the model, an edit box finishes its
// edit. The focus stays where it is.
void ExitActiveControl();
