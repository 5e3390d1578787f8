#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class TFindDialog;
class TqvMemo;

// The main window's editing commands (undo, redo, the clipboard, select all, rename, find and
// replace, case change, indentation, line jump, SQL formatting, the comment toggle, the keyboard
// macro). They act on the control with the focus in the active window, through TEditTarget.
// Only a TqvMemo counts as an editor for their update rules: find, replace, jump, format,
// comment, indentation and the macro act on it alone.
//
// Registered by the main window when it is created, through the command registry (fmaincmd.h),
// unless the start-up code registered its own under the same name.
void RegisterEditorCommands();

// The control with the focus in the active window (the active child's own focus widget when no
// window is active, as under the offscreen platform), else nullptr.
QWidget *ActiveControl();
// The SQL editor that has the focus in the active window, else nullptr.
TqvMemo *ActiveMemo();

// Find next in the editor with the focus (actEditFindNext, and OnFind of both dialogs): the
// sender's find text (the find dialog's without a sender); case matches as the replace dialog
// says when its find-next button was pressed last, else as the find dialog says.
void EditFindNext(TFindDialog *sender);
// Replace (OnReplace of the replace dialog) in the editor with the focus: replace all from the
// top, or the selection when it is the find text, then on to the next hit. Returns the number
// of replacements of a replace all (also 0), 0 for a single replace, -1 when nothing was done
// (no editable editor, or replace all with an empty find text).
int EditReplace(TFindDialog *dialog);

// One control as the editing commands see it: a TqvMemo, a line edit, an editable combo box, a
// plain-text edit, a TqvListView, a TqvListBox, or a record grid (the grid itself or its
// in-place cell editor). Any other control (or none) is of kind None and takes no command.
class TEditTarget
{
public:
    enum Kind { None, Editor, LineEdit, ComboBox, PlainText, ListView, ListBox, Grid };

    explicit TEditTarget(QWidget *control);
    // The control with the focus (ActiveControl).
    static TEditTarget focused();

    Kind kind() const { return m_kind; }
    QWidget *control() const { return m_control; }
    TqvMemo *memo() const;
    bool isEditor() const { return m_kind == Editor; }
    bool readOnly() const;

    void undo();
    // The editor redoes; a line edit, combo box and plain-text edit take back their last undo.
    void redo();
    void cut();
    // A list view copies the captions of its selected items, a grid its selected records (or
    // the current cell), the cell editor its text or the grid's selected records.
    void copy();
    void paste();
    void clear();
    // Grids: the first request in a cell editor whose text is not wholly selected selects that
    // text; otherwise every record is marked and the whole field range shown as selected.
    void selectAll();
    // Replaces the selected text by convert(selected text): editor, line edit, combo box and
    // plain-text edit; false (nothing done) for any other control.
    bool replaceSelection(const std::function<QString(const QString &)> &convert);
    // A TqvListView with a selected item starts the in-place edit of that item's caption.
    bool rename();

private:
    QPointer<QWidget> m_control;
    Kind m_kind = None;
};
