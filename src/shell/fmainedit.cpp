#include "fmainedit.h"

#include "fmain.h"
#include "fmaincmd.h"

#include "core/qvmacro.h"
#include "core/qvmsgbox.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

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

} // namespace fmainedit

TqvMemo *ActiveMemo()
{
    if (auto *memo = qobject_cast<TqvMemo *>(QApplication::focusWidget()))
        return memo;
    // Without an active window (a menu of the main window torn off, the offscreen platform) the
    // active child's own focus widget is the one the user left.
    if (TfrmMain *main = TfrmMain::instance()) {
        if (QMdiSubWindow *sub = main->mdiArea()->activeSubWindow()) {
            if (QWidget *child = sub->widget())
                return qobject_cast<TqvMemo *>(child->focusWidget());
        }
    }
    return nullptr;
}

void RegisterEditorCommands()
{
    using namespace fmainedit;
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
