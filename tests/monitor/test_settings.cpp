// The server settings window: its pages on PG 15, the session change of a parameter, the
// ALTER SYSTEM commands (on a cluster of the test's own) and who may use them.
#include "monitortest.h"

#include "core/qvmsgbox.h"
#include "monitor/fdb.h"
#include "monitor/monitorsql.h"
#include "sqllang/qvmemo.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace monitortest;

namespace settingstest {

constexpr int nameColumn = 1;
constexpr int valueColumn = 3;

// Shows the parameter page with the rows whose text holds search, and selects the row of name.
QTreeWidgetItem *selectParameter(TfrmDB *w, const QString &search, const QString &name)
{
    w->pagDB->setCurrentWidget(w->tabParam);
    w->txtFind->setText(search);
    w->btnFind->click();
    for (int i = 0; i < w->lstParameter->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = w->lstParameter->topLevelItem(i);
        if (row->text(nameColumn) == name) {
            w->lstParameter->setCurrentItem(row);
            return row;
        }
    }
    return nullptr;
}

TEST(AlterSystemText, ListSettingsGetOneLiteralPerElement)
{
    const struct
    {
        const char *name;
        const char *value;
        const char *sql;
    } cases[] = {
        { "shared_preload_libraries", "pg_stat_statements,plugin_debugger",
          "ALTER SYSTEM SET shared_preload_libraries = 'pg_stat_statements', 'plugin_debugger'" },
        { "search_path", "\"$user\", public", "ALTER SYSTEM SET search_path = '$user', 'public'" },
        { "search_path", "\"a,b\", c", "ALTER SYSTEM SET search_path = 'a,b', 'c'" },
        { "temp_tablespaces", "", "ALTER SYSTEM SET temp_tablespaces = ''" },
        { "log_destination", "stderr,csvlog",
          "ALTER SYSTEM SET log_destination = 'stderr,csvlog'" },
        { "work_mem", "8MB", "ALTER SYSTEM SET work_mem = '8MB'" },
        { "application_name", "it's", "ALTER SYSTEM SET application_name = 'it''s'" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(AlterSystemSQL(0, QString::fromUtf8(c.name), QString::fromUtf8(c.value)),
                  QString::fromUtf8(c.sql));
    }
    EXPECT_EQ(AlterSystemSQL(1, QStringLiteral("work_mem")),
              QStringLiteral("ALTER SYSTEM SET work_mem = DEFAULT"));
    EXPECT_EQ(AlterSystemSQL(2, QString()), QStringLiteral("ALTER SYSTEM RESET ALL"));
}

TEST_F(MonitorTest, DatabasePageListsItsRowsOnThisServer)
{
    QPointer<TfrmObject> a = connect(db.name());
    QPointer<TfrmDB> w = command<TfrmDB>("actAdminDatabase");
    ASSERT_TRUE(w);
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
    ASSERT_EQ(w->lstDbInfo->topLevelItemCount(), 9);
    EXPECT_EQ(w->lstDbInfo->topLevelItem(0)->text(2), db.name());
    EXPECT_EQ(
        w->lstDbInfo->topLevelItem(1)->text(2),
        db.query(QStringLiteral("SELECT oid FROM pg_database WHERE datname = current_database()")));
    EXPECT_EQ(w->lstDbInfo->topLevelItem(4)->text(2), QStringLiteral("UTF8"));
    EXPECT_EQ(w->lstDbInfo->topLevelItem(8)->text(1),
              QStringLiteral("データベース最終のシステムOID"));
    EXPECT_TRUE(w->lstDbInfo->topLevelItem(8)->text(2).isEmpty());
    // the tree: the server with the databases, this one selected
    QTreeWidgetItem *root = w->lstDbList->topLevelItem(0);
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->text(0).startsWith(QStringLiteral("サーバ(")));
    ASSERT_EQ(w->lstDbList->selectedItems().size(), 1);
    EXPECT_EQ(w->lstDbList->selectedItems().first()->text(0), db.name());

    // the version page, read when it comes to the front
    w->pagDB->setCurrentWidget(w->tabVersion);
    ASSERT_EQ(w->lstVersion->count(), 10);
    EXPECT_TRUE(w->lstVersion->item(0)->text().startsWith(
        QStringLiteral("バージョン      ：PostgreSQL 15")));
}

TEST_F(MonitorTest, SetConfigChangesTheSessionsValueAndCtrlCCopiesTheRow)
{
    QPointer<TfrmObject> a = connect(db.name());
    QPointer<TfrmDB> w = command<TfrmDB>("actAdminDatabase");
    ASSERT_TRUE(w);
    ASSERT_TRUE(selectParameter(w, QStringLiteral("work_mem"), QStringLiteral("work_mem")));
    EXPECT_TRUE(w->actChangeParam->isEnabled());
    QString prompt;
    {
        ScopedDialogResponder answer([&prompt](DialogRequest &r) {
            prompt = r.text;
            r.value = QStringLiteral("12MB");
            return IDOK;
        });
        w->actChangeParam->trigger();
    }
    EXPECT_EQ(prompt, QStringLiteral("work_memの値を変更します。"));
    EXPECT_EQ(a->OpenSQL(QStringLiteral("SHOW work_mem")).text(0, 0), QStringLiteral("12MB"));
    // the page was read again and shows the new value
    QTreeWidgetItem *row
        = selectParameter(w, QStringLiteral("work_mem"), QStringLiteral("work_mem"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->text(valueColumn), QStringLiteral("12288"));

    QGuiApplication::clipboard()->clear();
    w->lstParameter->setFocus();
    QTest::keyClick(w->lstParameter, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              row->text(0) + QStringLiteral("\twork_mem\tinteger\t12288"));
    EXPECT_TRUE(row->text(0).startsWith(QLatin1Char(' ')));

    // a row of another context: the command is off
    ASSERT_TRUE(
        selectParameter(w, QStringLiteral("max_connections"), QStringLiteral("max_connections")));
    EXPECT_FALSE(w->actChangeParam->isEnabled());
}

TEST_F(MonitorTest, ANonSuperuserSeesTheAlterSystemItemsDisabled)
{
    LoginRole role;
    QPointer<TfrmObject> a = connect(db.name(), role.name());
    ASSERT_TRUE(a);
    QPointer<TfrmDB> w = command<TfrmDB>("actAdminDatabase");
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->FSuperUser);
    ASSERT_TRUE(selectParameter(w, QStringLiteral("work_mem"), QStringLiteral("work_mem")));
    EXPECT_TRUE(w->actChangeParam->isEnabled());
    for (QAction *action :
         { w->actAlterSystem, w->actAlterSystemReset, w->actAlterSystemResetAll }) {
        EXPECT_TRUE(action->isVisible()) << action->objectName().toStdString();
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    }
    // the page of the server file: the role may not read it
    w->pagDB->setCurrentWidget(w->tabAutoConf);
    EXPECT_EQ(w->txtAutoConfData->text(),
              QStringLiteral("postgresql.auto.confにアクセスできないため、情報を表示できません。"));
}

// ALTER SYSTEM cannot run in a transaction block; sent there it would fail and take the
// user's pending work with it.
TEST_F(MonitorTestInTransaction, AlterSystemIsNotSentInsideATransaction)
{
    QPointer<TfrmObject> a = connect(db.name());
    a->ExecuteSQL(QStringLiteral("INSERT INTO t VALUES (3, 'pending')"));
    QPointer<TfrmDB> w = command<TfrmDB>("actAdminDatabase");
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->FSuperUser);
    ASSERT_TRUE(selectParameter(w, QStringLiteral("work_mem"), QStringLiteral("work_mem")));
    QStringList messages;
    {
        ScopedDialogResponder answer([&messages](DialogRequest &r) {
            messages << r.text;
            r.value = QStringLiteral("9MB");
            return r.buttons.contains(IDYES) ? IDYES : IDOK;
        });
        w->actAlterSystem->trigger();
        w->actAlterSystemResetAll->trigger();
    }
    ASSERT_EQ(messages.size(), 2);
    for (const QString &m : messages)
        EXPECT_TRUE(m.contains(QStringLiteral("トランザクション中"))) << m.toStdString();
    a->ExecuteSQL(QStringLiteral("COMMIT"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT v FROM t WHERE id = 3")), "pending");
}

// A cluster of the test's own (scripts/pg-sandbox.sh): ALTER SYSTEM writes its configuration.
class SandboxCluster
{
public:
    SandboxCluster()
        : m_base(QDir::tempPath() + QStringLiteral("/corvane-mon-XXXXXX"))
    {
        // As root the server runs as the postgres user, who must reach the folder.
        QFile::setPermissions(m_base.path(),
                              QFile::permissions(m_base.path()) | QFileDevice::ExeOther
                                  | QFileDevice::ReadOther);
        m_dir = m_base.path() + QStringLiteral("/cluster");
        start();
    }
    ~SandboxCluster()
    {
        QProcess::execute(QStringLiteral("bash"), { sandbox(), QStringLiteral("stop"), m_dir });
    }

    // Starts the cluster (again); false when it does not come up.
    bool start()
    {
        QProcess process;
        process.start(QStringLiteral("bash"), { sandbox(), QStringLiteral("start"), m_dir });
        process.waitForFinished(180000);
        m_startError = QString::fromUtf8(process.readAllStandardError());
        QFile env(m_dir + QStringLiteral("/server.env"));
        if (env.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : env.readAll().split('\n')) {
                if (line.startsWith("PGPORT="))
                    m_port = QString::fromLatin1(line.mid(7));
            }
        }
        return process.exitCode() == 0;
    }
    void stop()
    {
        QProcess::execute(QStringLiteral("bash"), { sandbox(), QStringLiteral("stop"), m_dir });
    }
    QString dir() const { return m_dir; }
    QString port() const { return m_port; }
    QString startError() const { return m_startError; }
    QString autoConf() const
    {
        QFile file(m_dir + QStringLiteral("/data/postgresql.auto.conf"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // The settings lines of postgresql.auto.conf (its comments left out).
    QStringList settings() const
    {
        QStringList lines;
        for (const QString &line : autoConf().split(QLatin1Char('\n'))) {
            if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
                lines << line;
        }
        return lines;
    }

private:
    static QString sandbox() { return QStringLiteral(CORVANE_SOURCE_DIR "/scripts/pg-sandbox.sh"); }
    QTemporaryDir m_base;
    QString m_dir;
    QString m_port;
    QString m_startError;
};

TEST_F(MonitorTest, AlterSystemWritesTheServersConfiguration)
{
    SandboxCluster cluster;
    ASSERT_FALSE(cluster.port().isEmpty()) << cluster.startError().toStdString();
    QPointer<TfrmObject> s
        = TfrmObject::Create(main.get(), cluster.dir(), cluster.port(), QStringLiteral("postgres"),
                             QStringLiteral("public"), QStringLiteral("postgres"), QString());
    ASSERT_TRUE(s);
    main->UpdateActions();
    QPointer<TfrmDB> w = command<TfrmDB>("actAdminDatabase");
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->FSuperUser);

    QString answer;
    ScopedDialogResponder responder([&answer](DialogRequest &r) {
        r.value = answer;
        return r.buttons.contains(IDYES) ? IDYES : IDOK;
    });
    auto set = [&](const QString &name, const QString &value) {
        ASSERT_TRUE(selectParameter(w, name, name)) << name.toStdString();
        EXPECT_TRUE(w->actAlterSystem->isEnabled());
        answer = value;
        w->actAlterSystem->trigger();
    };
    set(QStringLiteral("work_mem"), QStringLiteral("8MB"));
    set(QStringLiteral("search_path"), QStringLiteral("\"$user\", public"));
    EXPECT_EQ(cluster.settings(),
              QStringList({ QStringLiteral("work_mem = '8MB'"),
                            QStringLiteral("search_path = '\"$user\", public'") }));
    // the configuration was reloaded: the session has the value
    EXPECT_EQ(s->OpenSQL(QStringLiteral("SELECT current_setting('work_mem')")).text(0, 0), "8MB");

    // RESET of one
    ASSERT_TRUE(selectParameter(w, QStringLiteral("work_mem"), QStringLiteral("work_mem")));
    w->actAlterSystemReset->trigger();
    EXPECT_EQ(cluster.settings(),
              QStringList({ QStringLiteral("search_path = '\"$user\", public'") }));
    // the page of the file shows it
    w->pagDB->setCurrentWidget(w->tabAutoConf);
    EXPECT_TRUE(
        w->txtAutoConfData->text().contains(QStringLiteral("search_path = '\"$user\", public'")));

    // RESET ALL
    w->pagDB->setCurrentWidget(w->tabParam);
    w->actAlterSystemResetAll->trigger();
    EXPECT_TRUE(cluster.settings().isEmpty()) << cluster.settings().join('\n').toStdString();

    // The two libraries as two elements: the cluster starts again with them.
    set(QStringLiteral("shared_preload_libraries"),
        QStringLiteral("pg_stat_statements,plugin_debugger"));
    EXPECT_EQ(cluster.settings(),
              QStringList({ QStringLiteral(
                  "shared_preload_libraries = 'pg_stat_statements, plugin_debugger'") }));
    closeChild(w);
    closeChild(s);
    cluster.stop();
    ASSERT_TRUE(cluster.start()) << cluster.startError().toStdString();
    s = TfrmObject::Create(main.get(), cluster.dir(), cluster.port(), QStringLiteral("postgres"),
                           QStringLiteral("public"), QStringLiteral("postgres"), QString());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->OpenSQL(QStringLiteral("SHOW shared_preload_libraries")).text(0, 0),
              "pg_stat_statements, plugin_debugger");
    closeChild(s);
}

} // namespace settingstest
