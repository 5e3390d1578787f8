// The main window's editing commands on every kind of control they serve: the enabled state of
// each command by the control with the focus and the clipboard, the find and replace dialogs,
// SQL formatting limits, line jump answers, case change, and select all in a record grid.
#include "shelltest.h"

#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "shell/fmainedit.h"
#include "shell/fmainfind.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvdbgrid.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace shelltest;

namespace edittargettest {

// The main window with one child that holds one control of each kind; the grid shows the
// customers of a fresh database.
class EditTargets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppOption.UpdateToCommit = true;
        main = std::make_unique<TfrmMain>();
        main->resize(1000, 700);
        main->show();
        QApplication::setActiveWindow(main.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));

        const testsupport::ServerInfo &s = testsupport::server();
        connection.setParam("Server", s.host);
        connection.setParam("Port", QString::number(s.port));
        connection.setParam("Database", db.name());
        connection.setParam("User_Name", s.user);
        connection.open();

        host = new QWidget;
        host->setWindowTitle("controls");
        auto *layout = new QVBoxLayout(host);
        memo = new TqvMemo(host);
        edit = new QLineEdit(host);
        combo = new QComboBox(host);
        combo->setEditable(true);
        list = new TqvListView(host);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setHeaderLabels({ "name", "schema" });
        for (const char *name : { "orders", "customer" }) {
            auto *item = new QTreeWidgetItem(list);
            item->setText(0, name);
            item->setText(1, "sales");
        }
        listBox = new TqvListBox(host);
        listBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
        listBox->addItems({ "a", "b", "c" });
        grid = new TqvDBGridV(host);
        grid->setOptions(grid->Options() | dgMultiSelect);
        for (QWidget *w :
             std::initializer_list<QWidget *> { memo, edit, combo, list, listBox, grid })
            layout->addWidget(w);
        db.exec("CREATE TABLE public.edit_rows (id integer PRIMARY KEY, name text);"
                "INSERT INTO public.edit_rows VALUES (1, 'a'), (2, 'b'), (3, 'c')");
        grid->setDataSet(&dataSet);
        dataSet.setSql("SELECT id, name FROM public.edit_rows ORDER BY 1");
        dataSet.open();
        host->resize(600, 600);
        main->ShowChildWindow(host);
    }
    void TearDown() override
    {
        if (grid)
            grid->setDataSet(nullptr);
        for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
            delete sub;
        main->close();
        main.reset();
    }

    bool enabled(const char *name)
    {
        main->UpdateActions();
        return main->action(QString::fromLatin1(name))->isEnabled();
    }
    void run(const char *name)
    {
        main->UpdateActions();
        QAction *act = main->action(QString::fromLatin1(name));
        ASSERT_TRUE(act->isEnabled()) << name;
        act->trigger();
    }
    void focus(QWidget *w)
    {
        w->setFocus();
        QApplication::processEvents();
    }

    MainEnvironment env;
    testsupport::TestDatabase db;
    pg::Connection connection;
    pg::DataSet dataSet { &connection };
    std::unique_ptr<TfrmMain> main;
    QWidget *host = nullptr;
    TqvMemo *memo = nullptr;
    QLineEdit *edit = nullptr;
    QComboBox *combo = nullptr;
    TqvListView *list = nullptr;
    TqvListBox *listBox = nullptr;
    TqvDBGridV *grid = nullptr;
};

TEST_F(EditTargets, EnabledStateFollowsTheFocusedControlAndTheClipboard)
{
    memo->setText("select 1");
    memo->setSelection(0, 0, 0, 6);
    enum Focus { EditorRW, EditorRO, LineEdit, Combo, List, Grid, Nothing };
    // The commands, and in the order of Focus whether each is enabled (clipboard text held;
    // without it paste is off everywhere).
    const struct
    {
        const char *action;
        bool on[7];
    } matrix[] = {
        { "actEditUndo", { true, false, true, true, true, true, true } },
        { "actEditRedo", { true, false, true, true, true, true, true } },
        { "actEditCut", { true, false, true, true, true, true, true } },
        { "actEditDelete", { true, false, true, true, true, true, true } },
        { "actEditPaste", { true, false, true, true, true, true, true } },
        { "actEditCopy", { true, true, true, true, true, true, true } },
        { "actEditSelectAll", { true, true, true, true, true, true, true } },
        { "actEditRename", { true, true, true, true, true, true, true } },
        { "actEditFind", { true, true, false, false, false, false, false } },
        { "actEditFindNext", { true, true, false, false, false, false, false } },
        { "actEditJump", { true, true, false, false, false, false, false } },
        { "actEditSelectMode", { true, true, false, false, false, false, false } },
        { "actEditReplace", { true, false, false, false, false, false, false } },
        { "actEditFormat", { true, false, false, false, false, false, false } },
        { "actEditComment", { true, false, false, false, false, false, false } },
        { "actEditUpperCase", { true, false, true, true, true, true, true } },
        { "actEditIndentF", { true, false, true, true, true, true, true } },
        { "actEditOpen", { true, false, true, true, true, true, true } },
        { "actEditMacroSave", { true, false, false, false, false, false, false } },
    };
    for (bool clip : { true, false }) {
        if (clip)
            QApplication::clipboard()->setText("text");
        else
            QApplication::clipboard()->clear();
        for (int f = EditorRW; f <= Nothing; ++f) {
            memo->setReadOnly(f == EditorRO);
            switch (f) {
            case EditorRW:
            case EditorRO:
                focus(memo);
                break;
            case LineEdit:
                focus(edit);
                break;
            case Combo:
                focus(combo);
                break;
            case List:
                focus(list);
                break;
            case Grid:
                focus(grid);
                break;
            case Nothing:
                if (QWidget *w = QApplication::focusWidget())
                    w->clearFocus();
                QApplication::processEvents();
                break;
            }
            for (const auto &row : matrix) {
                const bool expected
                    = QByteArray(row.action) == "actEditPaste" ? row.on[f] && clip : row.on[f];
                EXPECT_EQ(enabled(row.action), expected)
                    << row.action << " focus " << f << " clipboard " << clip;
            }
        }
    }
}

TEST_F(EditTargets, ClipboardCaseAndSelectAllActOnTheFocusedControl)
{
    // Unicode case mapping on an editor, a line edit and a combo box
    memo->setText("äöü straße");
    focus(memo);
    memo->selectAll(true);
    run("actEditUpperCase");
    EXPECT_EQ(memo->text(), QStringLiteral("ÄÖÜ STRASSE"));
    edit->setText("ÄBC def");
    focus(edit);
    edit->setSelection(0, 3);
    run("actEditLowerCase");
    EXPECT_EQ(edit->text(), QStringLiteral("äbc def"));
    combo->setEditText("mixed Case");
    focus(combo);
    combo->lineEdit()->selectAll();
    run("actEditUpperCase");
    EXPECT_EQ(combo->currentText(), "MIXED CASE");

    // copy from the list view: the captions of the selected items
    focus(list);
    run("actEditSelectAll");
    EXPECT_EQ(list->selectedItems().size(), 2);
    run("actEditCopy");
    EXPECT_EQ(QApplication::clipboard()->text().split(QRegularExpression("\\r?\\n")),
              QStringList({ "orders", "customer" }));
    focus(listBox);
    run("actEditSelectAll");
    EXPECT_EQ(listBox->selectedItems().size(), 3);

    // paste, cut and delete in the line edit
    QApplication::clipboard()->setText("xyz");
    edit->setText("abc");
    focus(edit);
    edit->setCursorPosition(3);
    run("actEditPaste");
    EXPECT_EQ(edit->text(), "abcxyz");
    edit->setSelection(0, 3);
    run("actEditCut");
    EXPECT_EQ(edit->text(), "xyz");
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    edit->setSelection(0, 1);
    run("actEditDelete");
    EXPECT_EQ(edit->text(), "yz");
    run("actEditUndo");
    EXPECT_EQ(edit->text(), "xyz");
}

TEST_F(EditTargets, CtrlATwiceInAGridCellSelectsTheTextThenEveryRecord)
{
    focus(grid);
    grid->setEditorMode(true);
    TDBGridInplaceEdit *cell = grid->InplaceEditor();
    ASSERT_TRUE(cell && cell->isVisible());
    cell->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(cell->text(), "1");
    cell->setText("12");
    cell->setCursorPosition(1);
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(cell->hasSelectedText());
    EXPECT_EQ(cell->selectedText(), "12");
    EXPECT_EQ(grid->SelectedRecords()->Count(), 0);
    QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedRecords()->Count(), 3);
    EXPECT_EQ(grid->ColStart(), 0);
    EXPECT_EQ(grid->ColEnd(), grid->Columns()->Count());
}

TEST_F(EditTargets, ReplaceAllCountsItsReplacementsAndRefusesAnEmptyText)
{
    focus(memo);
    TFindDialog *dialog = main->dlgReplace();
    ASSERT_TRUE(dialog);
    const struct
    {
        const char *text;
        const char *find;
        const char *replacement;
        bool matchCase;
        int count;
        const char *after;
    } cases[] = {
        { "a a A", "a", "bb", true, 2, "bb bb A" },
        { "a a A", "a", "bb", false, 3, "bb bb bb" },
        { "aaa", "a", "aa", true, 3, "aaaaaa" },
        { "select 1", "zzz", "y", true, 0, "select 1" },
        { "select 1", "", "y", true, -1, "select 1" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.find);
        env.messages.texts.clear();
        memo->setText(c.text);
        dialog->setFindText(c.find);
        dialog->setReplaceText(c.replacement);
        dialog->setMatchCase(c.matchCase);
        dialog->ReplaceAllClick();
        EXPECT_EQ(memo->text(), c.after);
        if (c.count >= 0)
            EXPECT_EQ(env.messages.texts,
                      QStringList { QString::number(c.count)
                                    + QStringLiteral("個の置換を行いました。") });
        else
            EXPECT_TRUE(env.messages.texts.isEmpty());
        // the count is what the handler returns too
        memo->setText(c.text);
        EXPECT_EQ(EditReplace(dialog), c.count);
    }
}

TEST_F(EditTargets, FindNextPreviousAndSingleReplace)
{
    memo->setText("one two one two");
    focus(memo);
    memo->setCursorPosition(0, 0);
    TFindDialog *find = main->dlgFind();
    find->setFindText("two");
    run("actEditFindNext");
    EXPECT_EQ(memo->selectedText(), "two");
    int l1, i1, l2, i2;
    memo->getSelection(&l1, &i1, &l2, &i2);
    EXPECT_EQ(i1, 4);
    run("actEditFindNext");
    memo->getSelection(&l1, &i1, &l2, &i2);
    EXPECT_EQ(i1, 12);
    run("actEditFindPrev");
    memo->getSelection(&l1, &i1, &l2, &i2);
    EXPECT_EQ(i1, 4);
    env.messages.texts.clear();
    find->setFindText("three");
    run("actEditFindNext");
    EXPECT_EQ(env.messages.texts,
              QStringList { QStringLiteral("検索文字列 three は見つかりませんでした。") });

    // single replace: the selection when it is the find text, then on to the next one
    TFindDialog *replace = main->dlgReplace();
    replace->setFindText("ONE");
    replace->setReplaceText("1");
    replace->setMatchCase(false);
    memo->setSelection(0, 0, 0, 3);
    replace->ReplaceClick();
    EXPECT_EQ(memo->text(), "1 two one two");
    EXPECT_EQ(memo->selectedText(), "one");
    // a selection that is not the find text only moves on
    memo->setSelection(0, 2, 0, 5);
    env.messages.texts.clear();
    replace->ReplaceClick();
    EXPECT_EQ(memo->text(), "1 two one two");
    EXPECT_EQ(memo->selectedText(), "one");
    replace->ReplaceClick();
    EXPECT_EQ(memo->text(), "1 two 1 two");
    EXPECT_EQ(env.messages.texts,
              QStringList { QStringLiteral("検索文字列ONEは見つかりませんでした。") });
}

TEST_F(EditTargets, FormatTakesLinesUpTo1000CharactersAndWidensAMidLineSelection)
{
    focus(memo);
    const struct
    {
        int length;
        bool formatted;
    } cases[] = { { 1000, true }, { 1001, false } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.length);
        env.messages.texts.clear();
        // the long line is a comment after the statement; the statement is on the first line
        const QString longLine = "--" + QString(c.length - 2, QLatin1Char('x'));
        const QString text = "select a,b from t\n" + longLine;
        memo->setText(text);
        memo->setSelection(0, 0, 0, 17);
        run("actEditFormat");
        if (c.formatted) {
            EXPECT_TRUE(env.messages.texts.isEmpty());
            EXPECT_EQ(memo->text(), FormatSQL("select a,b from t") + "\n" + longLine);
        } else {
            EXPECT_EQ(memo->text(), text);
            EXPECT_EQ(env.messages.texts,
                      QStringList { QStringLiteral(
                          "1行の文字数が1000文字を超えているため、整形できません。") });
        }
    }
    // a selection from the middle of the second line takes that line from its start
    memo->setText("-- first\nselect a,b from t\n-- last");
    memo->setSelection(1, 9, 1, 17);
    run("actEditFormat");
    EXPECT_EQ(memo->text(), "-- first\n" + FormatSQL("select a,b from t") + "\n-- last");
}

TEST_F(EditTargets, LineJumpAnswers)
{
    memo->setText("l1\nl2\nl3\nl4\nl5");
    focus(memo);
    const struct
    {
        const char *answer;
        int row; // the caret's row afterwards, 0-based
        const char *message;
    } cases[] = {
        { "3", 2, nullptr },
        { " 3 ", 2, nullptr },
        // the numeric entry lets no letter through: "x" arrives as an empty answer
        { "x", 2, "指定行  は見つかりませんでした。" },
        { "0", 0, nullptr },
        { "6", 0, "指定行 6 は見つかりませんでした。" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        QStringList messages;
        ScopedDialogResponder answer([&](DialogRequest &request) {
            if (request.kind == DialogKind::InputQuery) {
                request.value = QString::fromUtf8(c.answer);
                return IDOK;
            }
            messages << request.text;
            return IDOK;
        });
        run("actEditJump");
        int line = -1;
        int index = -1;
        memo->getCursorPosition(&line, &index);
        EXPECT_EQ(line, c.row);
        if (c.message)
            EXPECT_EQ(messages, QStringList { QString::fromUtf8(c.message) });
        else
            EXPECT_TRUE(messages.isEmpty());
    }
}

} // namespace edittargettest
