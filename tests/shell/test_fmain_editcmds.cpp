// The main window's editor commands (line jump, SQL formatting, the comment toggle, the
// keyboard macro) on the SQL editor with the focus, through the real windows as the program
// opens them: the SQL window from the main window's SQL command, and a table's definition
// window from the object-editor registry, on its source page.
#include "shelltest.h"

#include "browser/fobject.h"
#include "core/qvmacro.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvtoolwindows.h"
#include "editors/tables/tableeditors.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"
#include "sqlwin/fsql.h"
#include "sqlwin/sqlwindows.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace shelltest;

namespace editcmdstest {

const char *const editorActions[]
    = { "actEditJump", "actEditFormat", "actEditComment", "actEditMacroSave" };

enum class Host { SqlWindow, SourcePage };

// The main window with a connection window on a fresh database, the SQL window and the table
// editors registered as at start-up.
class EditorCommands : public ::testing::TestWithParam<Host>
{
protected:
    void SetUp() override
    {
        // the one macro list of the process, as the program's start-up makes it
        m_previousMacros = MacroList;
        MacroList = &m_macros;
        for (int code : { ObjType::Table, ObjType::Index, ObjType::Constraint, ObjType::Policy })
            m_previousEditors[code] = RegisteredObjectEditor(code);
        RegisterTableEditors();
        RegisterSqlWindows();
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = true;
        main = std::make_unique<TfrmMain>();
        main->resize(1000, 700);
        main->show();
        QApplication::setActiveWindow(main.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        const testsupport::ServerInfo &s = testsupport::server();
        connection = TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(),
                                        "public", s.user, QString());
        ASSERT_TRUE(connection);
        main->UpdateActions();
        if (GetParam() == Host::SqlWindow) {
            main->action("actViewSQL")->trigger();
            QMdiSubWindow *active = main->mdiArea()->activeSubWindow();
            ASSERT_TRUE(active);
            auto *sql = qobject_cast<TfrmSQL *>(active->widget());
            ASSERT_TRUE(sql);
            memo = sql->txtSQL;
        } else {
            QWidget *window
                = OpenObjectWindow(connection, ObjectCallFor(ObjType::Table, "tbl", "product"));
            ASSERT_TRUE(window);
            auto *pages = window->findChild<QTabWidget *>("pagObject");
            ASSERT_TRUE(pages);
            pages->setCurrentWidget(window->findChild<QWidget *>("tabSource"));
            memo = window->findChild<TqvMemo *>("txtSource");
        }
        ASSERT_TRUE(memo);
        memo->setReadOnly(false);
        memo->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), memo.data());
    }
    void TearDown() override
    {
        if (main) {
            for (QMdiSubWindow *sub : main->mdiArea()->subWindowList()) {
                if (sub->widget() != connection.data())
                    delete sub;
            }
            main->close();
            for (int i = 0; i < 20 && connection; ++i)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            main.reset();
        }
        RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), {});
        for (const auto &[code, editor] : m_previousEditors)
            RegisterObjectEditor(code, editor);
        MacroList = m_previousMacros;
    }

    // Runs the main window's action as its menu item does: the actions are evaluated as the
    // menu opens, then the item is chosen.
    void run(const char *name)
    {
        main->UpdateActions();
        QAction *act = main->action(QString::fromLatin1(name));
        ASSERT_TRUE(act);
        ASSERT_TRUE(act->isEnabled()) << name;
        act->trigger();
    }
    bool enabled(const char *name)
    {
        main->UpdateActions();
        return main->action(QString::fromLatin1(name))->isEnabled();
    }

    TqvMacroList m_macros;
    TqvMacroList *m_previousMacros = nullptr;
    MainEnvironment env;
    std::map<int, TObjectEditor> m_previousEditors;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;
    QPointer<TfrmObject> connection;
    QPointer<TqvMemo> memo;
};

TEST_P(EditorCommands, FormatRewritesTheWholeTextOrTheLinesOfTheSelection)
{
    const QString text = "select a,b from t where a=1 and b=2";
    memo->setText(text);
    run("actEditFormat");
    EXPECT_EQ(memo->text(), FormatSQL(text));

    // a selection that begins inside its first line is widened to that line's start
    memo->setText("-- keep\n" + text + "\n-- after");
    memo->setSelection(1, 7, 1, int(text.size()));
    run("actEditFormat");
    EXPECT_EQ(memo->text(), "-- keep\n" + FormatSQL(text) + "\n-- after");

    // a line longer than 1000 characters is refused, nothing changes
    env.messages.texts.clear();
    const QString longLine = "select " + QString(1000, QLatin1Char('a'));
    memo->setText(longLine);
    run("actEditFormat");
    EXPECT_EQ(memo->text(), longLine);
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_EQ(env.messages.texts.at(0),
              QStringLiteral("1行の文字数が1000文字を超えているため、整形できません。"));

    // a blank text has nothing to format
    memo->setText(" \n ");
    EXPECT_FALSE(enabled("actEditFormat"));
}

TEST_P(EditorCommands, CommentTogglesTheLinesOfTheSelection)
{
    memo->setText("select 1\nselect 2\nselect 3");
    memo->setSelection(0, 2, 1, 3);
    run("actEditComment");
    const QStringList lines = memo->text().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.at(0).startsWith("--")) << lines.at(0).toStdString();
    EXPECT_TRUE(lines.at(1).startsWith("--")) << lines.at(1).toStdString();
    EXPECT_EQ(lines.at(2), "select 3");
    memo->setSelection(0, 0, 1, 3);
    run("actEditComment");
    EXPECT_EQ(memo->text(), "select 1\nselect 2\nselect 3");
}

TEST_P(EditorCommands, JumpAsksForTheLineAndRefusesOneBeyondTheText)
{
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("select %1;").arg(i);
    memo->setText(lines.join('\n'));
    memo->setCursorPosition(0, 0);

    const struct
    {
        const char *answer;
        int line; // the caret's row afterwards (0-based)
        const char *message; // nothing when the jump is made
    } cases[] = {
        { " 25 ", 24, nullptr },
        { "40", 39, nullptr },
        { "41", 39, "指定行 41 は見つかりませんでした。" },
        { "2.5", 39, "指定行 2.5 は見つかりませんでした。" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        QStringList prompts;
        QStringList messages;
        ScopedDialogResponder answer([&](DialogRequest &request) {
            if (request.kind == DialogKind::InputQuery) {
                prompts << request.caption + "/" + request.text;
                request.value = QString::fromUtf8(c.answer);
                return IDOK;
            }
            messages << request.text;
            return IDOK;
        });
        run("actEditJump");
        EXPECT_EQ(prompts, QStringList { QStringLiteral("行ジャンプ/指定行") });
        int line = -1;
        int index = -1;
        memo->getCursorPosition(&line, &index);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(index, 0);
        if (c.message)
            EXPECT_EQ(messages, QStringList { QString::fromUtf8(c.message) });
        else
            EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    }
}

TEST_P(EditorCommands, MacroRecordsTheKeysAndReplaysThem)
{
    ASSERT_TRUE(MacroList);
    ASSERT_EQ(memo->MacroList(), MacroList);
    memo->setText("");
    EXPECT_FALSE(enabled("actEditMacroExec"));
    QAction *save = main->action("actEditMacroSave");

    run("actEditMacroSave");
    EXPECT_EQ(MacroList->Status(), msRecording);
    main->UpdateActions();
    EXPECT_EQ(save->text(), QStringLiteral("マクロ記録終了"));
    QTest::keyClicks(memo.data(), "ab");
    run("actEditMacroSave");
    EXPECT_EQ(MacroList->Status(), msWaiting);
    main->UpdateActions();
    EXPECT_EQ(save->text(), QStringLiteral("マクロ記録開始"));

    run("actEditMacroExec");
    EXPECT_EQ(memo->text(), "abab");
    EXPECT_EQ(MacroList->Status(), msWaiting);
}

TEST_P(EditorCommands, DisabledOffTheEditorOrOnAReadOnlyOne)
{
    memo->setText("select 1");
    for (const char *name : editorActions)
        EXPECT_TRUE(enabled(name)) << name;

    memo->setReadOnly(true);
    for (const char *name : { "actEditFormat", "actEditComment", "actEditMacroSave" })
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(enabled("actEditJump"));
    memo->setReadOnly(false);

    // the connection window's object list in front: no editor has the focus
    for (QMdiSubWindow *sub : main->mdiArea()->subWindowList()) {
        if (sub->widget() == connection.data())
            main->mdiArea()->setActiveSubWindow(sub);
    }
    connection->lstObject->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), connection->lstObject);
    for (const char *name : editorActions)
        EXPECT_FALSE(enabled(name)) << name;
    // the command does nothing off the editor
    main->action("actEditComment")->trigger();
    EXPECT_EQ(memo->text(), "select 1");
}

INSTANTIATE_TEST_SUITE_P(Hosts, EditorCommands,
                         ::testing::Values(Host::SqlWindow, Host::SourcePage),
                         [](const ::testing::TestParamInfo<Host> &info) {
                             return info.param == Host::SqlWindow ? std::string("SqlWindow")
                                                                  : std::string("SourcePage");
                         });

} // namespace editcmdstest
