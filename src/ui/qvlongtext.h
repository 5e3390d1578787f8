#pragma once

#include <QString>

#include <functional>

// The long-text editor (the modal window that edits one long text value, with a NULL check
// box) is built by the SQL-window library, which lies above this one. That library registers
// it here at start-up, and the windows of this library (the data frame) open it through
// ShowLongTextEditor.
//
// The editor shows AComment, with the NULL box set from io_bNull and shown only when
// i_bNullShow; with i_bReadOnly it cannot be confirmed. It returns its modal result, 1 (IDOK)
// when the user confirmed, and only then the edited text in AComment and the box's state in
// io_bNull.
using TLongTextEditor
    = std::function<int(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly)>;

// Registers editor for every later call (an empty one: none) and returns the one it replaces.
TLongTextEditor SetLongTextEditor(TLongTextEditor editor);
bool HasLongTextEditor();

// Opens the registered editor; without one, tells the user that no editor is available and
// returns IDCANCEL, leaving both arguments alone.
int ShowLongTextEditor(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly);
