#include "fmainedit.h"

#include "fmain.h"
#include "fmaincmd.h"
#include "fmainfind.h"
#include "fmainopen.h"

#include "core/qvmacro.h"
#include "core/qvmsgbox.h"
#include "core/qvwaitcursor.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"
#include "ui/qvcomctrls.h"
#include "ui/qvdbgrid.h"
#include "ui/qvdbgridcolumns.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTreeWidgetItem>

namespace fmainedit {

// The longest line the formatter is given: it reads character by character with look-backs,
// and a minified statement of many kilobytes on one line would stall the window.
constexpr int maxFormatLine = 1000;

bool editable(const TqvMemo *memo)
{
    return memo && !memo->isReadOnly();
}

bool boxSelection(TqvMemo *memo)
{
    return memo->SendScintilla(QsciScintilla::SCI_GETSELECTIONMODE)
        == QsciScintilla::SC_SEL_RECTANGLE
        || memo->SendScintilla(QsciScintilla::SCI_SELECTIONISRECTANGLE);
}

void formatExecute(TqvMemo *memo)
{
    for (int line = 0; line < memo->lines(); ++line) {
        QString text = memo->text(line);
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        if (text.size() > maxFormatLine) {
            ShowMessageBox(
                QStringLiteral("1行の文字数が1000文字を超えているため、整形できません。"), 48);
            return;
        }
    }
    if (memo->hasSelectedText()) {
        int lineFrom = 0;
        int indexFrom = 0;
        int lineTo = 0;
        int indexTo = 0;
        memo->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        // from the start of the line the selection begins on, to where it ends
        memo->setSelection(lineFrom, 0, lineTo, indexTo);
    } else {
        memo->selectAll(true);
    }
    memo->replaceSelectedText(FormatSQL(memo->selectedText()));
}

void jumpExecute(TqvMemo *memo)
{
    QString answer;
    if (!ShowInputQuery(QStringLiteral("行ジャンプ"), QStringLiteral("指定行"), answer, {}, true))
        return;
    answer = answer.trimmed();
    bool ok = false;
    const int line = answer.toInt(&ok);
    if (ok && line <= memo->lines()) {
        memo->Jump(line);
        return;
    }
    ShowMessageBox(QStringLiteral("指定行 ") + answer + QStringLiteral(" は見つかりませんでした。"),
                   48);
}

// The caption and hint of actEditMacroSave follow the recording of the editor with the focus.
void setMacroSaveCaption(bool recording)
{
    TfrmMain *main = TfrmMain::instance();
    QAction *act = main ? main->action(QStringLiteral("actEditMacroSave")) : nullptr;
    if (!act)
        return;
    const QString caption
        = recording ? QStringLiteral("マクロ記録終了") : QStringLiteral("マクロ記録開始");
    const QString description = recording ? QStringLiteral("キーボードマクロの記録を終了します。")
                                          : QStringLiteral("キーボードマクロの記録を開始します。");
    if (act->text() != caption)
        act->setText(caption);
    act->setToolTip(caption);
    act->setProperty("Hint", QString(caption + QLatin1Char('|') + description));
}

bool recording(const TqvMemo *memo)
{
    return memo && memo->MacroList() && memo->MacroList()->Status() == msRecording;
}

// A command on the editor with the focus; enabled by rule when there is one.
TMainCommand onMemo(void (*run)(TqvMemo *), bool (*rule)(TqvMemo *))
{
    return { [run](ConnectionWindow *) {
                if (TqvMemo *memo = ActiveMemo())
                    run(memo);
            },
             [rule](ConnectionWindow *) {
                 TqvMemo *memo = ActiveMemo();
                 return memo && rule(memo);
             } };
}

void registerOnce(const char *name, TMainCommand command)
{
    const QString action = QString::fromLatin1(name);
    if (!IsMainCommandRegistered(action))
        RegisterMainCommand(action, std::move(command));
}

// ----------------------------------------------------------------- find and replace

// The find dialogs of the main window; nullptr without one.
TFindDialog *findDialog()
{
    TfrmMain *main = TfrmMain::instance();
    return main ? main->dlgFind() : nullptr;
}

TFindDialog *replaceDialog()
{
    TfrmMain *main = TfrmMain::instance();
    return main ? main->dlgReplace() : nullptr;
}

// Finds text in the editor from its selection on, forward from the selection's end or backward
// from its start, and selects the hit; false when there is none.
bool search(TqvMemo *memo, const QString &text, bool down, bool matchCase)
{
    if (text.isEmpty())
        return false;
    const long from = memo->SendScintilla(down ? QsciScintilla::SCI_GETSELECTIONEND
                                               : QsciScintilla::SCI_GETSELECTIONSTART);
    int line = 0;
    int index = 0;
    memo->lineIndexFromPosition(int(from), &line, &index);
    return memo->findFirst(text, false, matchCase, false, false, down, line, index, true);
}

// Equal, letters A to Z also in the other case.
bool sameIgnoringAsciiCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar x = a.at(i);
        QChar y = b.at(i);
        if (x.unicode() >= 'a' && x.unicode() <= 'z')
            x = QChar(x.unicode() - 'a' + 'A');
        if (y.unicode() >= 'a' && y.unicode() <= 'z')
            y = QChar(y.unicode() - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

void notFound(const QString &text, bool blanks)
{
    const QString space = blanks ? QStringLiteral(" ") : QString();
    ShowMessageBox(QStringLiteral("検索文字列") + space + text + space
                       + QStringLiteral("は見つかりませんでした。"),
                   48);
}

void findExecute(TqvMemo *memo, TFindDialog *dialog)
{
    if (!dialog)
        return;
    dialog->setFindText(memo->selectedText());
    dialog->Execute();
}

void findPrevExecute(TqvMemo *memo)
{
    TFindDialog *find = findDialog();
    if (!find)
        return;
    memo->setFocus();
    if (!search(memo, find->FindText(), false, find->MatchCase()))
        notFound(find->FindText(), true);
    memo->setFocus();
}

// ----------------------------------------------------------------- indentation and case

// The lines the selection covers; a selection ending at a line's first column leaves that line
// out.
std::pair<int, int> selectedLines(TqvMemo *memo)
{
    int lineFrom = 0;
    int indexFrom = 0;
    int lineTo = 0;
    int indexTo = 0;
    if (!memo->hasSelectedText()) {
        memo->getCursorPosition(&lineFrom, &indexFrom);
        return { lineFrom, lineFrom };
    }
    memo->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    if (lineTo > lineFrom && indexTo == 0)
        --lineTo;
    return { lineFrom, lineTo };
}

void indentExecute(TqvMemo *memo, bool forward)
{
    const auto [from, to] = selectedLines(memo);
    memo->beginUndoAction();
    for (int line = from; line <= to; ++line) {
        if (forward)
            memo->indent(line);
        else
            memo->unindent(line);
    }
    memo->endUndoAction();
    if (memo->hasSelectedText() || from != to)
        memo->setSelection(from, 0, to, memo->text(to).size());
}

// --------------------------------------------------------------- rules on the active control

// The active control is not an editor, or an editor that is not read-only.
bool notReadOnlyRule()
{
    const TEditTarget target = TEditTarget::focused();
    return !target.isEditor() || !target.readOnly();
}

// ... and, when an editor, one with a selection.
bool selectionRule()
{
    const TEditTarget target = TEditTarget::focused();
    return !target.isEditor() || (!target.readOnly() && target.memo()->hasSelectedText());
}

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

TMainCommand onTarget(void (*run)(TEditTarget &), bool (*rule)())
{
    return { [run](ConnectionWindow *) {
                TEditTarget target = TEditTarget::focused();
                run(target);
            },
             rule ? std::function<bool(ConnectionWindow *)>(
                 [rule](ConnectionWindow *) { return rule(); })
                  : std::function<bool(ConnectionWindow *)>() };
}

QString upper(const QString &text)
{
    return QLocale::system().toUpper(text);
}

QString lower(const QString &text)
{
    return QLocale::system().toLower(text);
}

} // namespace fmainedit

// ------------------------------------------------------------------------- TEditTarget

TEditTarget::TEditTarget(QWidget *control)
    : m_control(control)
{
    if (!control)
        return;
    if (qobject_cast<TqvMemo *>(control)) {
        m_kind = Editor;
    } else if (qobject_cast<TDBGridInplaceEdit *>(control) || qobject_cast<TqvDBGrid *>(control)) {
        m_kind = Grid;
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        m_kind = combo->isEditable() ? ComboBox : None;
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        // the text box of an editable combo box acts for the combo box
        if (auto *combo = qobject_cast<QComboBox *>(edit->parentWidget());
            combo && combo->lineEdit() == edit) {
            m_control = combo;
            m_kind = ComboBox;
        } else {
            m_kind = LineEdit;
        }
    } else if (qobject_cast<QPlainTextEdit *>(control)) {
        m_kind = PlainText;
    } else if (qobject_cast<TqvListView *>(control)) {
        m_kind = ListView;
    } else if (qobject_cast<TqvListBox *>(control)) {
        m_kind = ListBox;
    }
}

TEditTarget TEditTarget::focused()
{
    return TEditTarget(ActiveControl());
}

TqvMemo *TEditTarget::memo() const
{
    return m_kind == Editor ? qobject_cast<TqvMemo *>(m_control.data()) : nullptr;
}

namespace fmainedit {

QLineEdit *lineEditOf(QWidget *control, TEditTarget::Kind kind)
{
    if (kind == TEditTarget::ComboBox)
        return static_cast<QComboBox *>(control)->lineEdit();
    if (kind == TEditTarget::LineEdit)
        return static_cast<QLineEdit *>(control);
    return nullptr;
}

TqvDBGrid *gridOf(QWidget *control)
{
    if (auto *editor = qobject_cast<TDBGridInplaceEdit *>(control))
        return editor->Grid();
    return qobject_cast<TqvDBGrid *>(control);
}

} // namespace fmainedit

bool TEditTarget::readOnly() const
{
    if (!m_control)
        return true;
    switch (m_kind) {
    case Editor:
        return memo()->isReadOnly();
    case LineEdit:
    case ComboBox:
        return fmainedit::lineEditOf(m_control, m_kind)->isReadOnly();
    case PlainText:
        return static_cast<QPlainTextEdit *>(m_control.data())->isReadOnly();
    case Grid:
        return fmainedit::gridOf(m_control)->ReadOnly();
    default:
        return true;
    }
}

void TEditTarget::undo()
{
    if (!m_control)
        return;
    if (m_kind == Editor)
        memo()->UndoMessage(0);
    else if (QLineEdit *edit = fmainedit::lineEditOf(m_control, m_kind))
        edit->undo();
    else if (m_kind == PlainText)
        static_cast<QPlainTextEdit *>(m_control.data())->undo();
    else if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control))
        cell->undo();
}

void TEditTarget::redo()
{
    if (!m_control)
        return;
    if (m_kind == Editor)
        memo()->UndoMessage(1);
    else if (QLineEdit *edit = fmainedit::lineEditOf(m_control, m_kind))
        edit->redo();
    else if (m_kind == PlainText)
        static_cast<QPlainTextEdit *>(m_control.data())->redo();
    else if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control))
        cell->redo();
}

void TEditTarget::cut()
{
    if (!m_control)
        return;
    if (m_kind == Editor)
        memo()->cut();
    else if (QLineEdit *edit = fmainedit::lineEditOf(m_control, m_kind))
        edit->cut();
    else if (m_kind == PlainText)
        static_cast<QPlainTextEdit *>(m_control.data())->cut();
    else if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control))
        cell->cut();
}

void TEditTarget::copy()
{
    if (!m_control)
        return;
    switch (m_kind) {
    case Editor:
        memo()->copy();
        break;
    case LineEdit:
    case ComboBox:
        fmainedit::lineEditOf(m_control, m_kind)->copy();
        break;
    case PlainText:
        static_cast<QPlainTextEdit *>(m_control.data())->copy();
        break;
    case ListView:
        static_cast<TqvListView *>(m_control.data())->copy();
        break;
    case Grid:
        if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control))
            cell->copy();
        else
            fmainedit::gridOf(m_control)->copy();
        break;
    default:
        break;
    }
}

void TEditTarget::paste()
{
    if (!m_control)
        return;
    switch (m_kind) {
    case Editor:
        if (!memo()->isReadOnly())
            memo()->paste();
        break;
    case LineEdit:
    case ComboBox:
        fmainedit::lineEditOf(m_control, m_kind)->paste();
        break;
    case PlainText:
        static_cast<QPlainTextEdit *>(m_control.data())->paste();
        break;
    case Grid:
        if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control))
            cell->paste();
        else
            fmainedit::gridOf(m_control)->paste();
        break;
    default:
        break;
    }
}

void TEditTarget::clear()
{
    if (!m_control)
        return;
    switch (m_kind) {
    case Editor:
        if (!memo()->isReadOnly())
            memo()->removeSelectedText();
        break;
    case LineEdit:
    case ComboBox:
        fmainedit::lineEditOf(m_control, m_kind)->del();
        break;
    case PlainText:
        if (!static_cast<QPlainTextEdit *>(m_control.data())->isReadOnly())
            static_cast<QPlainTextEdit *>(m_control.data())->textCursor().removeSelectedText();
        break;
    case Grid:
        if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control))
            cell->deleteSelected();
        else
            fmainedit::gridOf(m_control)->deleteSelected();
        break;
    default:
        break;
    }
}

void TEditTarget::selectAll()
{
    if (!m_control)
        return;
    switch (m_kind) {
    case Editor:
        memo()->selectAll(true);
        break;
    case LineEdit:
    case ComboBox:
        fmainedit::lineEditOf(m_control, m_kind)->selectAll();
        break;
    case PlainText:
        static_cast<QPlainTextEdit *>(m_control.data())->selectAll();
        break;
    case ListView:
    case ListBox:
        static_cast<QAbstractItemView *>(m_control.data())->selectAll();
        break;
    case Grid: {
        auto *cell = qobject_cast<TDBGridInplaceEdit *>(m_control);
        // A cell editor with only part of its text selected selects its text first.
        if (cell && cell->isVisible() && !cell->text().isEmpty()
            && !(cell->hasSelectedText() && cell->selectionStart() == 0
                 && cell->selectedText().size() == cell->text().size())) {
            cell->selectAll();
            break;
        }
        TqvDBGrid *grid = fmainedit::gridOf(m_control);
        {
            SQLWaitCursor wait;
            grid->SelectAllRecords();
        }
        if (auto *rows = qobject_cast<TqvDBGridV *>(grid)) {
            rows->setColStart(0);
            rows->setColEnd(rows->Columns()->Count());
        } else if (auto *columns = qobject_cast<TqvDBGridH *>(grid)) {
            columns->setRowStart(0);
            columns->setRowEnd(columns->Rows()->Count());
        }
        grid->viewport()->update();
        break;
    }
    default:
        break;
    }
}

bool TEditTarget::replaceSelection(const std::function<QString(const QString &)> &convert)
{
    if (!m_control)
        return false;
    switch (m_kind) {
    case Editor: {
        TqvMemo *editor = memo();
        if (editor->isReadOnly() || !editor->hasSelectedText())
            return false;
        int lineFrom = 0;
        int indexFrom = 0;
        int lineTo = 0;
        int indexTo = 0;
        editor->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        const QString text = convert(editor->selectedText());
        editor->replaceSelectedText(text);
        // the converted text stays selected, as it was
        const long end = editor->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS);
        int lineEnd = 0;
        int indexEnd = 0;
        editor->lineIndexFromPosition(int(end), &lineEnd, &indexEnd);
        editor->setSelection(lineFrom, indexFrom, lineEnd, indexEnd);
        return true;
    }
    case LineEdit:
    case ComboBox: {
        QLineEdit *edit = fmainedit::lineEditOf(m_control, m_kind);
        if (edit->isReadOnly() || !edit->hasSelectedText())
            return false;
        const int start = edit->selectionStart();
        const QString text = convert(edit->selectedText());
        edit->insert(text);
        edit->setSelection(start, int(text.size()));
        return true;
    }
    case PlainText: {
        auto *edit = static_cast<QPlainTextEdit *>(m_control.data());
        QTextCursor cursor = edit->textCursor();
        if (edit->isReadOnly() || !cursor.hasSelection())
            return false;
        const int start = cursor.selectionStart();
        // the selection's paragraph separators back to line breaks, then converted
        const QString text
            = convert(cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
        cursor.insertText(text);
        cursor.setPosition(start);
        cursor.setPosition(start + int(text.size()), QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
        return true;
    }
    default:
        return false;
    }
}

bool TEditTarget::rename()
{
    auto *list = m_kind == ListView ? static_cast<TqvListView *>(m_control.data()) : nullptr;
    if (!list)
        return false;
    QTreeWidgetItem *item = list->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem *> selected = list->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!item)
        return false;
    // The list asks its owner first (OnEditing): the object list allows renaming only where
    // the object can be renamed.
    return list->EditCaption(item);
}

// ------------------------------------------------------------------------- the commands

QWidget *ActiveControl()
{
    QWidget *focus = QApplication::focusWidget();
    // The find and replace dialogs search the editor the user left behind them.
    if (focus && !qobject_cast<TFindDialog *>(focus->window()))
        return focus;
    // Without an active window (a menu of the main window torn off, the offscreen platform) the
    // active child's own focus widget is the one the user left.
    if (TfrmMain *main = TfrmMain::instance()) {
        if (QMdiSubWindow *sub = main->mdiArea()->activeSubWindow()) {
            if (QWidget *child = sub->widget())
                return child->focusWidget();
        }
    }
    return nullptr;
}

TqvMemo *ActiveMemo()
{
    return qobject_cast<TqvMemo *>(ActiveControl());
}

void EditFindNext(TFindDialog *sender)
{
    TqvMemo *memo = ActiveMemo();
    TFindDialog *find = fmainedit::findDialog();
    TFindDialog *replace = fmainedit::replaceDialog();
    if (!memo || !find)
        return;
    memo->setFocus();
    const QString text = sender ? sender->FindText() : find->FindText();
    const bool matchCase
        = replace && replace->FindNextFlag() ? replace->MatchCase() : find->MatchCase();
    if (!fmainedit::search(memo, text, true, matchCase))
        fmainedit::notFound(text, true);
    memo->setFocus();
}

int EditReplace(TFindDialog *dialog)
{
    TqvMemo *memo = ActiveMemo();
    if (!memo || !dialog || memo->isReadOnly())
        return -1;
    const QString text = dialog->FindText();
    const QString replacement = dialog->ReplaceText();
    const bool matchCase = dialog->MatchCase();
    if (dialog->ReplaceAllFlag()) {
        // An empty text would be found everywhere, and the loop would never end.
        if (text.isEmpty())
            return -1;
        memo->setCursorPosition(0, 0);
        int count = 0;
        if (memo->findFirst(text, false, matchCase, false, false, true, 0, 0, true)) {
            memo->beginUndoAction();
            do {
                memo->replace(replacement);
                ++count;
            } while (memo->findNext());
            memo->endUndoAction();
        }
        ShowMessageBox(QString::number(count) + QStringLiteral("個の置換を行いました。"), 64);
        return count;
    }
    const QString selected = memo->selectedText();
    if (!selected.isEmpty()
        && (matchCase ? selected == text : fmainedit::sameIgnoringAsciiCase(selected, text)))
        memo->replaceSelectedText(replacement);
    if (!fmainedit::search(memo, text, true, matchCase))
        fmainedit::notFound(text, false);
    return 0;
}

void RegisterEditorCommands()
{
    using namespace fmainedit;
    registerOnce("actEditUndo", onTarget([](TEditTarget &t) { t.undo(); }, notReadOnlyRule));
    registerOnce("actEditRedo", onTarget([](TEditTarget &t) { t.redo(); }, notReadOnlyRule));
    registerOnce("actEditCut", onTarget([](TEditTarget &t) { t.cut(); }, notReadOnlyRule));
    registerOnce("actEditDelete", onTarget([](TEditTarget &t) { t.clear(); }, notReadOnlyRule));
    registerOnce("actEditCopy", onTarget([](TEditTarget &t) { t.copy(); }, nullptr));
    registerOnce("actEditSelectAll", onTarget([](TEditTarget &t) { t.selectAll(); }, nullptr));
    registerOnce("actEditPaste",
                 onTarget([](TEditTarget &t) { t.paste(); },
                          [] { return clipboardHasText() && notReadOnlyRule(); }));
    registerOnce("actEditRename", onTarget([](TEditTarget &t) { t.rename(); }, nullptr));
    registerOnce("actEditUpperCase",
                 onTarget([](TEditTarget &t) { t.replaceSelection(upper); }, selectionRule));
    registerOnce("actEditLowerCase",
                 onTarget([](TEditTarget &t) { t.replaceSelection(lower); }, selectionRule));
    registerOnce("actEditIndentF",
                 { [](ConnectionWindow *) {
                      if (TqvMemo *memo = ActiveMemo(); editable(memo))
                          indentExecute(memo, true);
                  },
                   [](ConnectionWindow *) { return selectionRule(); } });
    registerOnce("actEditIndentR",
                 { [](ConnectionWindow *) {
                      if (TqvMemo *memo = ActiveMemo(); editable(memo))
                          indentExecute(memo, false);
                  },
                   [](ConnectionWindow *) { return selectionRule(); } });
    registerOnce("actEditSelectMode",
                 { [](ConnectionWindow *) {
                      if (TqvMemo *memo = ActiveMemo())
                          memo->SendScintilla(QsciScintilla::SCI_SETSELECTIONMODE,
                                              boxSelection(memo) ? QsciScintilla::SC_SEL_STREAM
                                                                 : QsciScintilla::SC_SEL_RECTANGLE);
                  },
                   [](ConnectionWindow *) {
                       TqvMemo *memo = ActiveMemo();
                       if (memo) {
                           if (TfrmMain *main = TfrmMain::instance()) {
                               if (QAction *act = main->action(QStringLiteral("actEditSelectMode")))
                                   act->setChecked(boxSelection(memo));
                           }
                       }
                       return memo != nullptr;
                   } });
    registerOnce("actEditFind",
                 onMemo([](TqvMemo *memo) { findExecute(memo, findDialog()); },
                        [](TqvMemo *) { return true; }));
    registerOnce("actEditFindNext",
                 onMemo([](TqvMemo *) { EditFindNext(nullptr); }, [](TqvMemo *) { return true; }));
    registerOnce("actEditFindPrev", onMemo(findPrevExecute, [](TqvMemo *) { return true; }));
    registerOnce("actEditReplace",
                 onMemo([](TqvMemo *memo) { findExecute(memo, replaceDialog()); },
                        [](TqvMemo *memo) { return editable(memo); }));
    registerOnce("actEditOpen",
                 { [](ConnectionWindow *current) {
                      if (TqvMemo *memo = ActiveMemo())
                          EditOpenExecute(current, memo->selectedText());
                  },
                   [](ConnectionWindow *) { return selectionRule(); } });
    registerOnce("actEditJump", onMemo(jumpExecute, [](TqvMemo *) { return true; }));
    registerOnce("actEditFormat", onMemo(formatExecute, [](TqvMemo *memo) {
                     return editable(memo) && !boxSelection(memo)
                         && !memo->text().trimmed().isEmpty();
                 }));
    registerOnce("actEditComment",
                 onMemo([](TqvMemo *memo) { memo->SelCommentOut(); },
                        [](TqvMemo *memo) {
                            return editable(memo)
                                && (!boxSelection(memo) || memo->hasSelectedText());
                        }));
    registerOnce("actEditMacroSave",
                 { [](ConnectionWindow *) {
                      TqvMemo *memo = ActiveMemo();
                      if (!memo)
                          return;
                      if (recording(memo))
                          memo->EndRec();
                      else
                          memo->BeginRec();
                  },
                   [](ConnectionWindow *) {
                       TqvMemo *memo = ActiveMemo();
                       setMacroSaveCaption(recording(memo));
                       return editable(memo);
                   } });
    registerOnce("actEditMacroExec",
                 onMemo([](TqvMemo *memo) { memo->Execute(); },
                        [](TqvMemo *memo) {
                            return editable(memo) && memo->MacroList()
                                && memo->MacroList()->Status() == msWaiting;
                        }));
}
