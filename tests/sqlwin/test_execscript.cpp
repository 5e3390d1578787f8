// The script-file runner opened the way the main window's script command opens it: its run of
// script files on the connection's main session, its log and run marks, the removal of the
// completed files, the schema it lends the shared session, and its list commands.
#include "sqlwintest.h"

#include "core/qvcancel.h"
#include "core/qvencoding.h"
#include "core/qvtoolwindows.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "sqlwin/fexecscr.h"
#include "sqlwin/sqlwindows.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

namespace execscripttest {

const QString CompDel = QStringLiteral("正常終了したスクリプトをリストから削除する ");
const QString ErrStop = QStringLiteral("エラーが発生した時点で処理を中断する");

class ScriptRunnerTest : public sqlwintest::SqlWinTest
{
protected:
    void SetUp() override
    {
        SqlWinTest::SetUp();
        RegisterSqlWindows();
        AppOption.Encoding = 2;
        AppOption.ScriptCompDel = false;
        AppOption.ScriptErrStop = false;
        AppOption.ScrExecDir.clear();
        connection = open();
        ASSERT_TRUE(connection);
        window = qobject_cast<TfrmExecScript *>(
            OpenToolWindow(QString::fromLatin1(ToolWindowScript), connection));
        ASSERT_TRUE(window);
    }
    void TearDown() override
    {
        main.onLoopMessage = nullptr;
        SqlWinTest::TearDown();
    }

    // A script file in the test's folder, written in UTF-8.
    QString file(const QString &name, const QString &text)
    {
        const QString path = m_temp.path() + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }
    // The run as the user starts it: the confirmation answered Yes, with the boxes ticked.
    void runScripts(const QStringList &ticked = {})
    {
        tick = ticked;
        dialogs.clear();
        window->actExec->trigger();
    }
    QStringList log() const { return SplitLines(window->txtLog->text()); }
    QList<int> markedLines() const
    {
        QList<int> lines;
        for (int i = 0; i < window->txtLog->lines(); ++i) {
            if (window->txtLog->markersAtLine(i) & (1u << 2))
                lines << i;
        }
        return lines;
    }
    QList<bool> marks() const
    {
        QList<bool> out;
        for (int i = 0; i < window->lstScript->count(); ++i)
            out << window->RunMark(i);
        return out;
    }
    QStringList names() const
    {
        QStringList out;
        for (const QString &path : window->Scripts())
            out << QFileInfo(path).fileName();
        return out;
    }
    // current_schema() of the connection's main session.
    QString sessionSchema() const
    {
        return connection->OpenSQL(QStringLiteral("select current_schema()")).text(0, 0);
    }
    // Lets the file view of w read its folder (the model reads folders in a thread of its own)
    // until it shows count entries.
    static bool waitForFiles(TfrmExecScript *w, int count)
    {
        auto *model = qobject_cast<QFileSystemModel *>(w->lstFile->model());
        QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
        for (int i = 0; i < 50 && model->rowCount(w->lstFile->rootIndex()) < count; ++i)
            loaded.wait(100);
        QCoreApplication::processEvents();
        return model->rowCount(w->lstFile->rootIndex()) >= count;
    }
    static QMdiSubWindow *subWindow(QWidget *widget)
    {
        return qobject_cast<QMdiSubWindow *>(widget->parentWidget());
    }

    QPointer<TfrmObject> connection;
    QPointer<TfrmExecScript> window;
};

// Three files: a failing statement of five lines after one that succeeds, a SELECT of setval(),
// and remark and blank lines around an INSERT ... SELECT whose literal holds a TAB, with no
// ";" line after it.
TEST_F(ScriptRunnerTest, RunsEachFileAndLogsEveryStatement)
{
    const QString a = file("a.sql",
                           "create table s1 (n int)\n"
                           ";\n"
                           "insert into t\n"
                           "(id, v)\n"
                           "values\n"
                           "(1,\n"
                           "'dup')\n"
                           ";\n");
    const QString b = file("B.sql", "SELECT setval('inv.item_no_seq', 1)\n;\n");
    const QString c = file("c.sql",
                           "REM the rows\n"
                           "REMARK comes first\n"
                           "\n"
                           "insert into t (id, v)\n"
                           "select 10, 'a\tb'\n"
                           "\n"
                           "REM\n");
    const QString sequence = "select last_value || ',' || is_called from inv.item_no_seq";
    const QString before = query(sequence);
    window->AddScripts({ c, a, b });
    ASSERT_EQ(names(), QStringList({ "a.sql", "B.sql", "c.sql" })) << "sorted without case";
    runScripts();

    ASSERT_FALSE(dialogs.isEmpty());
    EXPECT_EQ(dialogs.first().text, "スクリプトを実行しますか？");
    EXPECT_EQ(dialogs.last().text,
              "スクリプトの実行を終了しました。\r\n( 2個のエラーが発生しました )");
    EXPECT_EQ(window->ErrorCount(), 2);

    const QStringList lines = log();
    const int errorA = int(lines.indexOf("《エラー》"));
    ASSERT_GE(errorA, 0);
    EXPECT_EQ(lines.mid(0, 4),
              QStringList({ "", "スクリプト実行 [ " + a + " ]", "《正常終了》", "《エラー》" }));
    EXPECT_EQ(lines.mid(4, 5),
              QStringList({ "insert into t", "(id, v)", "values", "  -- (中略) --", "'dup')" }));
    const int headerB = int(lines.indexOf("スクリプト実行 [ " + b + " ]"));
    ASSERT_GT(headerB, 9) << "the server's error text lies between";
    EXPECT_EQ(lines.at(headerB - 1), "");
    EXPECT_EQ(lines.mid(headerB + 1, 3),
              QStringList({ "《エラー》", "SELECT setval('inv.item_no_seq', 1)",
                            "SELECT 文は処理対象外です。" }));
    EXPECT_EQ(lines.mid(headerB + 4),
              QStringList({ "", "スクリプト実行 [ " + c + " ]", "《正常終了》" }));
    EXPECT_EQ(markedLines(), QList<int>({ 3, headerB + 1 }));
    EXPECT_EQ(marks(), QList<bool>({ false, false, true }));

    EXPECT_EQ(query("select count(*) from pg_tables where tablename = 's1'"), "1");
    EXPECT_EQ(query(sequence), before) << "the SELECT never ran";
    EXPECT_EQ(query("select v = 'a' || chr(9) || 'b' from t where id = 10"), "t");
    EXPECT_EQ(query("select v from t where id = 1"), "a");
    EXPECT_EQ(connection->dbsMain()->transactionStatus(), pg::TransactionStatus::Idle)
        << "the runner opens no transaction";
}

TEST_F(ScriptRunnerTest, StopOnErrorEndsTheRunAtTheFirstError)
{
    window->AddScripts({ file("1.sql",
                              "insert into t values (1, 'dup')\n;\n"
                              "insert into t values (20, 'after')\n"),
                         file("2.sql", "insert into t values (21, 'next file')\n") });
    runScripts({ ErrStop });
    EXPECT_TRUE(AppOption.ScriptErrStop) << "the box is written back";
    EXPECT_EQ(window->ErrorCount(), 1);
    EXPECT_EQ(query("select count(*) from t where id >= 20"), "0");
    EXPECT_FALSE(log().join('\n').contains("2.sql"));
    EXPECT_EQ(dialogs.last().text,
              "スクリプトの実行を終了しました。\r\n( 1個のエラーが発生しました )");
}

// Marks of an earlier run are cleared when a run starts; the removal of the completed files
// takes only those that ran to their end without an error in this run, whether the run ended
// at Esc or at an error.
TEST_F(ScriptRunnerTest, RemoveCompletedKeepsTheFilesNotRunToTheirEnd)
{
    const struct
    {
        const char *what;
        bool escAtSecondFile;
        QStringList ticked;
        QStringList left;
    } cases[] = {
        { "Esc after the first file", true, { CompDel }, { "2.sql", "3.sql" } },
        { "stop at an error", false, { CompDel, ErrStop }, { "2.sql", "3.sql" } },
        { "going on after an error", false, { CompDel }, { "2.sql" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        window->lstScript->clear();
        db.exec("delete from t where id >= 30");
        window->AddScripts({ file("1.sql", "insert into t values (30, 'one')\n"),
                             file("2.sql", "insert into t\nvalues (1, 'dup')\n"),
                             file("3.sql", "insert into t values (31, 'three')\n") });
        // an earlier run leaves the marks of 1.sql and 3.sql set
        runScripts();
        ASSERT_EQ(marks(), QList<bool>({ true, false, true }));
        db.exec("delete from t where id >= 30");

        if (c.escAtSecondFile) {
            main.onLoopMessage = [](int now, int) {
                if (now == 1 && CancelGuard::current())
                    CancelGuard::current()->cancel();
            };
        }
        runScripts(c.ticked);
        main.onLoopMessage = nullptr;
        EXPECT_EQ(names(), c.left);
        EXPECT_EQ(query("select count(*) from t where id = 30"), "1");
        if (c.escAtSecondFile) {
            EXPECT_EQ(window->ErrorCount(), 0) << "2.sql was left before its statement ran";
            EXPECT_EQ(log().last(), "《中断》");
        }
    }
}

TEST_F(ScriptRunnerTest, ConfirmationAnsweredNoStoresTheBoxesAndRunsNothing)
{
    window->AddScripts({ file("1.sql", "insert into t values (40, 'x')\n") });
    ScopedDialogResponder no([](DialogRequest &r) {
        for (DialogCheck &check : r.checks)
            check.checked = true;
        return IDNO;
    });
    window->actExecExecute();
    EXPECT_TRUE(AppOption.ScriptCompDel);
    EXPECT_TRUE(AppOption.ScriptErrStop);
    EXPECT_EQ(query("select count(*) from t where id = 40"), "0");
    EXPECT_EQ(names(), QStringList({ "1.sql" }));
}

TEST_F(ScriptRunnerTest, SharedSessionFollowsTheActiveRunnersSchema)
{
    ASSERT_EQ(sessionSchema(), "public");
    QMdiSubWindow *runnerSub = subWindow(window);
    QMdiSubWindow *connectionSub = subWindow(connection);
    ASSERT_TRUE(runnerSub && connectionSub);
    main.mdiArea()->setActiveSubWindow(runnerSub);

    // the user picks inv from the schema box
    window->cmbSchema->showPopup();
    const int inv = window->cmbSchema->findText("inv");
    ASSERT_GE(inv, 0) << "the drop-down lists the schemas";
    window->cmbSchema->hidePopup();
    window->cmbSchema->setCurrentIndex(inv);
    Q_EMIT window->cmbSchema->activated(inv);
    EXPECT_EQ(sessionSchema(), "inv");

    main.mdiArea()->setActiveSubWindow(connectionSub);
    EXPECT_EQ(sessionSchema(), "public") << "deactivated";
    main.mdiArea()->setActiveSubWindow(runnerSub);
    EXPECT_EQ(sessionSchema(), "inv") << "active again";
    // a statement without schema lands in inv
    window->AddScripts({ file("s.sql", "create table in_inv (n int)\n") });
    runScripts();
    EXPECT_EQ(query("select schemaname from pg_tables where tablename = 'in_inv'"), "inv");

    runnerSub->close();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_EQ(sessionSchema(), "public") << "closed";
}

TEST_F(ScriptRunnerTest, MoveAndDeleteFollowTheSelection)
{
    window->AddScripts({ "/x/c.sql", "/x/a.sql", "/x/B.sql" });
    QListWidget *list = window->lstScript;
    list->clearSelection();
    const auto enabled = [&] {
        return QList<bool>({ window->actUp->isEnabled(), window->actDown->isEnabled(),
                             window->actDelete->isEnabled() });
    };
    EXPECT_EQ(enabled(), QList<bool>({ false, false, false }));
    list->item(1)->setSelected(true);
    EXPECT_EQ(enabled(), QList<bool>({ true, true, true }));
    list->item(2)->setSelected(true);
    EXPECT_EQ(enabled(), QList<bool>({ false, false, true }));

    // run with two selected anyway: a warning and no change
    dialogs.clear();
    window->actUpExecute();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs.first().text,
              "同時に複数行を移動する事は出来ません。１行だけ選択して下さい。");
    EXPECT_EQ(names(), QStringList({ "a.sql", "B.sql", "c.sql" }));

    list->clearSelection();
    list->item(2)->setSelected(true);
    window->actUp->trigger();
    EXPECT_EQ(names(), QStringList({ "a.sql", "c.sql", "B.sql" }));
    EXPECT_TRUE(list->item(1)->isSelected());
    window->actDown->trigger();
    window->actDown->trigger(); // already the last
    EXPECT_EQ(names(), QStringList({ "a.sql", "B.sql", "c.sql" }));

    list->clearSelection();
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(names(), QStringList({ "B.sql" }));
    EXPECT_FALSE(window->actDelete->isEnabled());
}

TEST_F(ScriptRunnerTest, EnterInTheListOpensTheSelectedFiles)
{
    QList<QUrl> opened;
    const TScriptFileOpener previous = SetScriptFileOpener([&](const QUrl &url) {
        opened << url;
        return true;
    });
    window->AddScripts({ "/x/a.sql", "/x/b.sql", "/x/c.sql" });
    window->lstScript->item(0)->setSelected(true);
    window->lstScript->item(2)->setSelected(true);
    window->lstScript->setFocus();
    QTest::keyClick(window->lstScript, Qt::Key_Return);
    SetScriptFileOpener(previous);
    EXPECT_EQ(opened,
              QList<QUrl>({ QUrl::fromLocalFile("/x/a.sql"), QUrl::fromLocalFile("/x/c.sql") }));
    EXPECT_EQ(window->lstScript->count(), 3);
}

// A path of more than 256 characters dropped on the window is kept whole and its file runs.
TEST_F(ScriptRunnerTest, DroppedLongPathRunsThatFile)
{
    QString folder = m_temp.path();
    while (folder.size() < 300) {
        folder += QStringLiteral("/") + QString(60, QLatin1Char('d'));
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    const QString path = folder + QStringLiteral("/long.sql");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("create table dropped_long (n int)\n");
    f.close();
    ASSERT_GT(path.size(), 256);

    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(path) });
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject *>(window)->event(&drop); // past the drag manager, which holds no drag
    ASSERT_EQ(window->Scripts(), QStringList({ path }));
    runScripts();
    EXPECT_EQ(window->ErrorCount(), 0) << log().join('\n').toStdString();
    EXPECT_EQ(query("select count(*) from pg_tables where tablename = 'dropped_long'"), "1");
}

// The file view: "≪" adds the selected entries sorted without regard to case; a column click
// sorts one way and the next the other, in every runner window alike.
TEST_F(ScriptRunnerTest, FileViewAddsTheSelectionSorted)
{
    const QString folder = m_temp.path() + QStringLiteral("/view");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char *name : { "b.sql", "A.sql", "c.sql" }) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto *model = qobject_cast<QFileSystemModel *>(window->lstFile->model());
    ASSERT_TRUE(model);
    ASSERT_TRUE(window->ShowFolder(folder));
    EXPECT_EQ(window->CurrentFolder(), folder);
    ASSERT_TRUE(waitForFiles(window, 3));
    EXPECT_FALSE(window->actSelect->isEnabled());
    for (const char *name : { "c.sql", "A.sql" })
        window->lstFile->selectionModel()->select(
            model->index(folder + QLatin1Char('/') + QLatin1String(name)),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(window->actSelect->isEnabled());
    window->actSelect->trigger();
    EXPECT_EQ(names(), QStringList({ "A.sql", "c.sql" }));

    window->lstFileColumnClick(0);
    const QModelIndex root = window->lstFile->rootIndex();
    EXPECT_EQ(model->index(0, 0, root).data().toString(), "A.sql");
    window->lstFileColumnClick(0);
    EXPECT_EQ(model->index(0, 0, root).data().toString(), "c.sql");
    // a second window sorts on from where the first left the flag
    QPointer<TfrmExecScript> second = TfrmExecScript::ShowWindow(connection);
    ASSERT_TRUE(second);
    auto *secondModel = qobject_cast<QFileSystemModel *>(second->lstFile->model());
    second->ShowFolder(folder);
    ASSERT_TRUE(waitForFiles(second, 3));
    second->lstFileColumnClick(0);
    EXPECT_EQ(secondModel->index(0, 0, second->lstFile->rootIndex()).data().toString(), "A.sql");
    delete subWindow(second);
}

TEST_F(ScriptRunnerTest, ClosingTheLastConnectionClosesTheWindow)
{
    EXPECT_EQ(window->windowTitle(), "スクリプト実行 - " + ConnectionKey(*connection));
    EXPECT_EQ(window->cmbDBName->currentText(), ConnectionKey(*connection));
    closeWindow(connection);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
}

} // namespace execscripttest
