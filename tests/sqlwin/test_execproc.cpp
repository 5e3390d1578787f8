// The stored-program runner window, opened through the window registry as the main window's
// commands open it: the argument tree and its value editor, the normal run and its listing,
// a failed run, one window per signature, the debug run's check, and the refusal of
// aggregates.
#include "qtprint.h"
#include "sqlwintest.h"

#include "../shell/shelltest.h"
#include "core/qvtoolwindows.h"
#include "shell/fmain.h"
#include "sqlwin/fexecprc.h"
#include "sqlwin/sqlwindows.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstdctl.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using sqlwintest::SqlWinTest;

namespace execproctest {

class ExecProcTest : public SqlWinTest
{
protected:
    void SetUp() override
    {
        SqlWinTest::SetUp();
        RegisterSqlWindows();
        connection = open();
        ASSERT_TRUE(connection);
    }
    void TearDown() override
    {
        SqlWinTest::TearDown();
        RegisterToolWindow(QString::fromLatin1(ToolWindowExecProc), {});
        RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), {});
    }

    // Opens the runner of a signature ("inv.adjust(integer,integer)") as the object list does.
    TfrmExecProc *runner(const QString &signature, int kind = 52)
    {
        const QString oid = query(QStringLiteral("SELECT '%1'::regprocedure::oid").arg(signature));
        const QStringList names
            = query(QStringLiteral("SELECT n.nspname || E'\\n' || p.proname FROM pg_proc p "
                                   "JOIN pg_namespace n ON n.oid = p.pronamespace "
                                   "WHERE p.oid = %1")
                        .arg(oid))
                  .split(u'\n');
        TToolWindowArgs args;
        args.ObjectType = kind;
        args.Schema = names.value(0);
        args.ObjectName = names.value(1);
        args.OID = oid.toLongLong();
        return qobject_cast<TfrmExecProc *>(
            OpenToolWindow(QString::fromLatin1(ToolWindowExecProc), connection, args));
    }

    static TqvTreeNode *node(TfrmExecProc *w, const QString &text)
    {
        for (QTreeWidgetItemIterator it(w->lstParam); *it; ++it) {
            if ((*it)->text(0) == text)
                return dynamic_cast<TqvTreeNode *>(*it);
        }
        return nullptr;
    }

    // Selects the node and types value into the value editor, as the user does.
    static void type(TfrmExecProc *w, const QString &text, const QString &value)
    {
        TqvTreeNode *n = node(w, text);
        ASSERT_TRUE(n) << text.toStdString();
        w->lstParam->setCurrentItem(n);
        ASSERT_TRUE(w->txtParam->isVisible());
        w->txtParam->selectAll();
        QTest::keyClicks(w->txtParam, value);
    }

    static QString output(TfrmExecProc *w) { return w->txtOutput->toPlainText(); }

    QStringList dialogTexts() const
    {
        QStringList out;
        for (const DialogRequest &r : dialogs)
            out << r.text;
        return out;
    }

    int runnerCount() const
    {
        int n = 0;
        for (QMdiSubWindow *sub : main.mdiArea()->subWindowList())
            n += qobject_cast<TfrmExecProc *>(sub->widget()) != nullptr;
        return n;
    }

    TfrmObject *connection = nullptr;
};

TEST_F(ExecProcTest, FunctionRunTwiceListsEachTimeAndAFailureKeepsTheListing)
{
    TfrmExecProc *w = runner("\"Mixed\".\"Calc\"(integer)");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->windowTitle().startsWith("ストアドプログラム実行 - Mixed.Calc(int4) @ "))
        << w->windowTitle().toStdString();
    EXPECT_EQ(w->cmbSchema->currentText(), "Mixed");
    EXPECT_EQ(w->txtName->text(), "Calc");
    EXPECT_FALSE(w->pnlSubProgram->isVisible());
    EXPECT_EQ(output(w), "【 デバッグ情報 】");
    ASSERT_TRUE(node(w, "RESULT"));
    EXPECT_EQ(node(w, "RESULT")->SubItems(), QStringList({ "int4", "", "0", "0" }));
    EXPECT_EQ(node(w, "a")->SubItems(), QStringList({ "int4", "", "0", "0" }));

    type(w, "a", "21");
    w->btnExec->click();
    EXPECT_EQ(output(w), "【 実行後パラメータ値 】\nRESULT : 42\na : 21");
    EXPECT_EQ(dialogTexts(), QStringList({ "プログラムを実行しました。" }));
    EXPECT_TRUE(main.statusTexts.contains("ストアドプログラム実行中..."));

    type(w, "a", "5");
    w->btnExec->click();
    EXPECT_EQ(output(w), "【 実行後パラメータ値 】\nRESULT : 10\na : 5");

    dialogs.clear();
    const int defMessages = main.defMessages;
    type(w, "a", "x");
    w->btnExec->click();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].text.contains("integer")) << dialogs[0].text.toStdString();
    EXPECT_EQ(output(w), "【 実行後パラメータ値 】\nRESULT : 10\na : 5");
    EXPECT_EQ(w->wExecStatus, esError);
    EXPECT_GT(main.defMessages, defMessages);
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(ExecProcTest, ListingsOfOutputArguments)
{
    struct Case
    {
        const char *signature;
        QList<std::pair<const char *, const char *>> values;
        const char *listing;
    };
    const Case cases[] = {
        { "inv.items_in(integer)",
          { { "p_warehouse", "1" } },
          "RESULT : 1000\tボルト\np_warehouse : 1\nitem_id : 1000\nitem_name : ボルト" },
        { "inv.count_in(integer)", { { "p_warehouse", "2" } }, "p_warehouse : 2\nn : 1" },
        { "inv.count_items(bigint)", {}, "n : 2" },
        { "inv.adjust(integer,integer)",
          { { "qty", "5" }, { "delta", "3" } },
          "RESULT : 8\nqty : 8\ndelta : 3" },
        { "\"Mixed\".area(inv.dimension,inv.dimension[])",
          { { "width", "2" }, { "height", "3" }, { "ds", "\"(1,1)\"" } },
          "RESULT : 7.0000\nd.width : 2\nd.height : 3\nds : {\"(1,1)\"}" },
    };
    for (const Case &c : cases) {
        TfrmExecProc *w = runner(QString::fromUtf8(c.signature));
        ASSERT_TRUE(w) << c.signature;
        for (const auto &[text, value] : c.values)
            type(w, QString::fromUtf8(text), QString::fromUtf8(value));
        w->btnExec->click();
        EXPECT_EQ(output(w),
                  QStringLiteral("【 実行後パラメータ値 】\n") + QString::fromUtf8(c.listing))
            << c.signature;
        w->close();
    }
    // The procedure ran on the main session and left nothing open: auto-commit decides.
    EXPECT_EQ(query("SELECT count(*) FROM inv.item"), "2");
}

TEST_F(ExecProcTest, ProcedureWritesTypedTextUnchanged)
{
    TfrmExecProc *w = runner("\"Mixed\".say(text)", 51);
    ASSERT_TRUE(w);
    EXPECT_EQ(node(w, "t")->icon(0).isNull(), false);
    type(w, "t", "O'Brien $$");
    w->btnExec->click();
    EXPECT_EQ(output(w), "【 実行後パラメータ値 】\nt : O'Brien $$");
    EXPECT_EQ(query("SELECT said FROM \"Mixed\".said"), "O'Brien $$");
}

TEST_F(ExecProcTest, ValueEditorFollowsTabShiftTabUpAndDown)
{
    TfrmExecProc *w = runner("\"Mixed\".area(inv.dimension,inv.dimension[])");
    ASSERT_TRUE(w);
    w->lstParam->setCurrentItem(node(w, "RESULT"));
    const auto selected = [w] { return w->lstParam->currentItem()->text(0); };
    QTest::keyClick(w->txtParam, Qt::Key_Tab);
    EXPECT_EQ(selected(), "d");
    EXPECT_FALSE(w->txtParam->isVisible()); // a row has no value of its own
    QTest::keyClick(w->lstParam, Qt::Key_Tab);
    EXPECT_EQ(selected(), "width");
    EXPECT_TRUE(w->txtParam->isVisible());
    QTest::keyClicks(w->txtParam, "4");
    QTest::keyClick(w->txtParam, Qt::Key_Down);
    EXPECT_EQ(selected(), "height");
    EXPECT_EQ(node(w, "width")->SubItems().value(1), "4");
    QTest::keyClick(w->txtParam, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "width");
    EXPECT_EQ(w->txtParam->text(), "4");
    QTest::keyClick(w->txtParam, Qt::Key_Up);
    EXPECT_EQ(selected(), "d");
    // the editor lies over the value column of its node
    w->lstParam->setCurrentItem(node(w, "ds"));
    const QRect row = w->lstParam->visualItemRect(node(w, "ds"));
    EXPECT_EQ(w->txtParam->geometry().top(), row.top());
    EXPECT_EQ(w->txtParam->geometry().left(),
              w->lstParam->header()->sectionViewportPosition(2) + 2);
}

TEST_F(ExecProcTest, OverloadsOpenTwoWindowsAndAnOpenOneComesForward)
{
    TfrmExecProc *one = runner("inv.price_of(integer)");
    TfrmExecProc *two = runner("inv.price_of(integer,date)");
    ASSERT_TRUE(one);
    ASSERT_TRUE(two);
    EXPECT_NE(one, two);
    EXPECT_TRUE(
        two->windowTitle().startsWith("ストアドプログラム実行 - inv.price_of(int4,date) @ "));
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), two);
    EXPECT_EQ(runner("inv.price_of(integer)"), nullptr);
    EXPECT_EQ(runnerCount(), 2);
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), one);
    EXPECT_TRUE(dialogs.isEmpty());
}

TEST_F(ExecProcTest, DebugWithoutTheDebuggerExtensionShowsTheMessage)
{
    TfrmExecProc *w = runner("inv.adjust(integer,integer)");
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->btnDebug->isEnabled());
    w->btnDebug->click();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text, "デバッグ実行に必要なパッケージが見つかりません。");
    EXPECT_EQ(dialogs[0].flags & 0xF0, 0x10);
    EXPECT_TRUE(main.isEnabled());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(output(w), "【 デバッグ情報 】");
}

TEST_F(ExecProcTest, AggregatesAreRefused)
{
    EXPECT_EQ(runner("inv.product(numeric)", 128), nullptr);
    EXPECT_EQ(dialogTexts(), QStringList({ "集約関数は実行できません。" }));
    EXPECT_EQ(runnerCount(), 0);
}

TEST_F(ExecProcTest, OutputHeightIsKept)
{
    TfrmExecProc *w = runner("inv.adjust(integer,integer)");
    ASSERT_TRUE(w);
    const QList<int> sizes = w->spl1->sizes();
    w->spl1->setSizes({ sizes.at(0) + sizes.at(1) - 90, 90 });
    const int kept = w->txtOutput->height();
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TfrmExecProc *again = runner("inv.adjust(integer,integer)");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->spl1->sizes().at(1), kept);
}

// In the program's own main window, whose window lookup brings the open runner forward.
TEST(ExecProcInMain, OpenRunnerComesForwardInTheMainWindow)
{
    shelltest::MainEnvironment env;
    testsupport::TestDatabase db;
    RegisterSqlWindows();
    auto main = std::make_unique<TfrmMain>();
    main->resize(1000, 700);
    main->show();
    AppOption.KeepAliveInterval = 0;
    const testsupport::ServerInfo &s = testsupport::server();
    TfrmObject *connection = TfrmObject::Create(main.get(), s.host, QString::number(s.port),
                                                db.name(), "public", s.user, QString());
    ASSERT_TRUE(connection);
    const qint64 oid = db.query("SELECT 'inv.price_of(integer)'::regprocedure::oid").toLongLong();
    TToolWindowArgs args;
    args.ObjectType = 52;
    args.Schema = "inv";
    args.ObjectName = "price_of";
    args.OID = oid;
    const QString name = QString::fromLatin1(ToolWindowExecProc);
    QWidget *first = OpenToolWindow(name, connection, args);
    ASSERT_TRUE(first);
    connection->setFocus();
    main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(connection->parentWidget()));
    EXPECT_EQ(OpenToolWindow(name, connection, args), nullptr);
    EXPECT_EQ(main->mdiArea()->activeSubWindow()->widget(), first);
    for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
        delete sub;
    main.reset();
    RegisterToolWindow(name, {});
    RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), {});
}

} // namespace execproctest
