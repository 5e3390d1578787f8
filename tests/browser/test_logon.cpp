// The logon dialog: a logon through the dialog, the dialog again after a failed one, the saved
// connections with their order and passwords, and the checks of the fields.
#include "browsertest.h"
#include "uitest.h"

#include "browser/flogon.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "core/qvscramble.h"
#include "core/qvsub.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <stdexcept>

#include <gtest/gtest.h>

using browsertest::BrowserTest;

namespace logontest {

QString databaseKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\DATABASE");
}

struct Fields
{
    QString user, password, host, port, database, schema;
};

void fill(TfrmLogon *dialog, const Fields &f)
{
    dialog->txtUserID->setText(f.user);
    dialog->txtPassword->setText(f.password);
    dialog->txtHost->setText(f.host);
    dialog->txtPort->setText(f.port);
    dialog->txtDatabase->setText(f.database);
    dialog->txtSchema->setText(f.schema);
}

Fields fieldsOf(const TfrmLogon *dialog)
{
    return { dialog->txtUserID->text(), dialog->txtPassword->text(), dialog->txtHost->text(),
             dialog->txtPort->text(),   dialog->txtDatabase->text(), dialog->txtSchema->text() };
}

// Writes a saved connection as the dialog keeps it.
void writeEntry(const QString &name, const Fields &f)
{
    ASSERT_TRUE(AppRegistry->OpenKey(databaseKey() + QLatin1Char('\\') + name, true));
    AppRegistry->WriteString("UserID", f.user);
    AppRegistry->WriteString("Database", f.database);
    AppRegistry->WriteString("Password", ScramblePassword(f.password));
    AppRegistry->WriteString("Host", f.host);
    AppRegistry->WriteString("Port", f.port);
    AppRegistry->WriteString("Schema", f.schema);
    AppRegistry->CloseKey();
}

QStringList keyNames()
{
    QStringList names;
    if (AppRegistry->OpenKey(databaseKey(), false)) {
        names = AppRegistry->GetKeyNames();
        AppRegistry->CloseKey();
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

QString valueOf(const QString &key, const QString &name)
{
    QString value;
    if (AppRegistry->OpenKey(key, false)) {
        value = AppRegistry->GetString(name, QString());
        AppRegistry->CloseKey();
    }
    return value;
}

class LogonTest : public BrowserTest
{
protected:
    Fields good() const
    {
        const testsupport::ServerInfo &s = testsupport::server();
        return { s.user,    QString(),
                 s.host,    QString::number(s.port),
                 db.name(), QStringLiteral("sales") };
    }
    QList<TfrmObject *> windows() const
    {
        QList<TfrmObject *> found;
        for (QMdiSubWindow *sub : main.mdiArea()->subWindowList())
            if (auto *w = qobject_cast<TfrmObject *>(sub->widget()))
                found << w;
        return found;
    }
};

TEST_F(LogonTest, LogonThroughTheDialogOpensAConnectionWindow)
{
    const Fields f = good();
    bool shown = false;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmLogon *>(modal);
        ASSERT_NE(dialog, nullptr);
        shown = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ログオン"));
        EXPECT_FALSE(dialog->chkSave->isChecked());
        fill(dialog,
             { QStringLiteral("  ") + f.user + QStringLiteral(" "), f.password, f.host, f.port,
               f.database, f.schema });
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false));
    EXPECT_TRUE(shown);
    const QList<TfrmObject *> open = windows();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0]->DBName, f.database);
    EXPECT_EQ(open[0]->LoginSchema(), QStringLiteral("sales"));
    // The last logon is remembered, trimmed as it was used; without "save" no entry is made.
    EXPECT_EQ(valueOf(databaseKey(), "UserID"), f.user);
    EXPECT_EQ(valueOf(databaseKey(), "Database"), f.database);
    EXPECT_TRUE(keyNames().isEmpty());
}

TEST_F(LogonTest, FailedLogonOpensTheDialogAgainWithTheTypedValues)
{
    Fields f = good();
    f.user = testsupport::uniqueName("nosuchrole");
    f.password = QStringLiteral(" pass word ");
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    Fields second;
    int dialogs = 0;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmLogon *>(modal);
        ASSERT_NE(dialog, nullptr);
        ++dialogs;
        fill(dialog, f);
        whenModal([&](QWidget *again) {
            auto *next = qobject_cast<TfrmLogon *>(again);
            ASSERT_NE(next, nullptr);
            ++dialogs;
            second = fieldsOf(next);
            QTest::mouseClick(next->btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    EXPECT_FALSE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false));
    EXPECT_EQ(dialogs, 2);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(f.user)) << messages[0].toStdString();
    EXPECT_EQ(second.user, f.user);
    EXPECT_EQ(second.password, f.password); // blanks and all
    EXPECT_EQ(second.host, f.host);
    EXPECT_EQ(second.port, f.port);
    EXPECT_EQ(second.database, f.database);
    EXPECT_EQ(second.schema, f.schema);
    EXPECT_TRUE(windows().isEmpty());
}

TEST_F(LogonTest, FailedAutomaticLogonShowsTheDialog)
{
    Fields f = good();
    f.database = testsupport::uniqueName("nosuchdb");
    ScopedDialogResponder responder([](DialogRequest &) { return IDOK; });
    Fields shown;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmLogon *>(modal);
        ASSERT_NE(dialog, nullptr);
        shown = fieldsOf(dialog);
        // the user mends the database name and tries again
        dialog->txtDatabase->setText(db.name());
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    EXPECT_TRUE(
        TfrmLogon::ShowWindow(f.host, f.port, f.database, f.schema, f.user, f.password, true));
    EXPECT_EQ(shown.database, f.database);
    EXPECT_EQ(windows().size(), 1);
}

TEST_F(LogonTest, SaveStoresTheEntryAndTheNextStartListsIt)
{
    Fields f = good();
    f.password = QStringLiteral("パス ワード");
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmLogon *>(modal);
        ASSERT_NE(dialog, nullptr);
        fill(dialog, f);
        dialog->chkSave->setChecked(true);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ASSERT_TRUE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false));
    ASSERT_EQ(keyNames(), QStringList { "DB000" });
    const QString entry = databaseKey() + "\\DB000";
    EXPECT_EQ(valueOf(entry, "UserID"), f.user);
    EXPECT_EQ(valueOf(entry, "Schema"), f.schema);
    // scrambled from the UTF-8 bytes, so every character comes back
    EXPECT_EQ(UnscrambleString(valueOf(entry, "Password").toLatin1()), f.password.toUtf8());

    // The next start lists it, and the password of the entry fills the empty field.
    int items = -1;
    Fields shown;
    QStringList row;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmLogon *>(modal);
        ASSERT_NE(dialog, nullptr);
        items = dialog->lstUserID->topLevelItemCount();
        if (items > 0) {
            const QTreeWidgetItem *item = dialog->lstUserID->topLevelItem(0);
            for (int c = 0; c < 5; ++c)
                row << item->text(c);
        }
        shown = fieldsOf(dialog);
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false));
    EXPECT_EQ(items, 1);
    EXPECT_EQ(row, (QStringList { f.user, f.host, f.database, f.schema, f.port }));
    EXPECT_EQ(shown.user, f.user);
    EXPECT_EQ(shown.password, f.password);
}

TEST_F(LogonTest, ExplicitPasswordWinsOverTheSavedOne)
{
    const Fields saved { "alice", "saved", "db.example", "5432", "shop", "sales" };
    writeEntry("DB000", saved);
    struct Case
    {
        QString given;
        QString expected;
    };
    const Case cases[] = {
        { QString(), "saved" }, // an empty field takes the saved password
        { "typed", "typed" },
        { " ", " " }, // blanks are a password too
    };
    for (const Case &c : cases) {
        TfrmLogon dialog(&main);
        Fields f = saved;
        f.host = "DB.EXAMPLE"; // the server matches without regard to case
        f.password = c.given;
        fill(&dialog, f);
        dialog.LoadConnectList();
        EXPECT_EQ(dialog.txtPassword->text(), c.expected) << c.given.toStdString();
    }
}

TEST_F(LogonTest, EmptyPasswordIsAllowedAndNeverTrimmed)
{
    TfrmLogon dialog(&main);
    fill(&dialog, { "alice", "", "localhost", "5432", "shop", "" });
    dialog.UpdateActions();
    EXPECT_TRUE(dialog.actOk->isEnabled());
    EXPECT_TRUE(dialog.btnOk->isEnabled());
    dialog.txtUserID->clear();
    EXPECT_FALSE(dialog.actOk->isEnabled());

    fill(&dialog, { " alice ", "  pw  ", " localhost ", " 5432 ", " shop ", " s " });
    ScopedDialogResponder responder([](DialogRequest &) { return IDOK; });
    dialog.actOkExecute();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const Fields f = fieldsOf(&dialog);
    EXPECT_EQ(f.user, "alice");
    EXPECT_EQ(f.password, "  pw  ");
    EXPECT_EQ(f.host, "localhost");
    EXPECT_EQ(f.database, "shop");
    EXPECT_EQ(f.schema, "s");
}

TEST_F(LogonTest, FieldChecks)
{
    struct Case
    {
        Fields fields;
        QString message; // empty: accepted
    };
    const Case cases[] = {
        { { "", "", "h", "1", "d", "" }, "ユーザー名を入力して下さい。" },
        { { "u", "", "h", "1", "", "" }, "データベースを入力して下さい。" },
        { { "u", "", "", "1", "d", "" }, "ホストを入力して下さい。" },
        { { "u", "", "h", "", "d", "" }, "ポートを入力して下さい。" },
        { { "u", "", "h", "0", "d", "" }, "ポートの範囲は1～65535です。" },
        { { "u", "", "h", "65536", "d", "" }, "ポートの範囲は1～65535です。" },
        { { "u", "", "h", "65535", "d", "" }, "" },
        { { "u", "", "h", "1", "d", "" }, "" },
    };
    for (const Case &c : cases) {
        QStringList messages;
        ScopedDialogResponder responder([&](DialogRequest &request) {
            messages << request.text;
            EXPECT_EQ(request.flags & 0xF0, MB_ICONWARNING);
            return IDOK;
        });
        TfrmLogon dialog(&main);
        fill(&dialog, c.fields);
        dialog.actOkExecute();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages.isEmpty()) << c.fields.port.toStdString();
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        } else {
            EXPECT_EQ(messages, QStringList { c.message });
            EXPECT_NE(dialog.result(), QDialog::Accepted);
        }
    }
}

// Filling the list of saved connections runs no program: the tools folder waits for a tool.
TEST_F(LogonTest, ListingTheConnectionsLooksForNoTools)
{
    writeEntry("DB000", { "DB000", "", "h", "1", "d", "" });
    PostgreSQLLocation.clear();
    TfrmLogon dialog(&main);
    dialog.LoadConnectList();
    EXPECT_EQ(dialog.lstUserID->topLevelItemCount(), 1);
    EXPECT_TRUE(PostgreSQLLocation.isEmpty()) << PostgreSQLLocation.toStdString();
}

TEST_F(LogonTest, NewEntryTakesTheFirstFreeNumber)
{
    for (const char *name : { "DB000", "DB001", "DB003" })
        writeEntry(name, { name, "", "h", "1", "d", "" });
    TfrmLogon dialog(&main);
    dialog.LoadConnectList();
    fill(&dialog, { "bob", "pw", "h", "1", "d", "" });
    dialog.chkSave->setChecked(true);
    dialog.SaveConnectList(true);
    EXPECT_EQ(keyNames(), (QStringList { "DB000", "DB001", "DB002", "DB003" }));
    EXPECT_EQ(valueOf(databaseKey() + "\\DB002", "UserID"), "bob");

    // the same connection again changes only the password of its entry
    TfrmLogon again(&main);
    fill(&again, { "bob", "new", "H", "1", "d", "" });
    again.LoadConnectList();
    again.chkSave->setChecked(true);
    again.SaveConnectList(true);
    EXPECT_EQ(keyNames().size(), 4);
    EXPECT_EQ(UnscramblePassword(valueOf(databaseKey() + "\\DB002", "Password")), "new");
    EXPECT_EQ(valueOf(databaseKey() + "\\DB002", "Host"), "h");
}

TEST_F(LogonTest, SortOrdersTheListAndNewEntriesFollow)
{
    for (const char *name : { "DB000", "DB001", "DB002" })
        writeEntry(name, { name, "", "h", "1", "d", "" });
    ASSERT_TRUE(AppRegistry->OpenKey(databaseKey(), false));
    AppRegistry->WriteString("Sort", "DB002\r\nDB009\r\ndb000\r\n");
    AppRegistry->CloseKey();
    TfrmLogon dialog(&main);
    dialog.LoadConnectList();
    QStringList users;
    for (int i = 0; i < dialog.lstUserID->topLevelItemCount(); ++i)
        users << dialog.lstUserID->topLevelItem(i)->text(0);
    EXPECT_EQ(users, (QStringList { "DB002", "DB000", "DB001" }));

    // moving an entry is kept as Sort; deleting one removes its key at once
    dialog.lstUserID->setCurrentItem(dialog.lstUserID->topLevelItem(2));
    EXPECT_FALSE(dialog.actDown->isEnabled());
    dialog.actUpExecute();
    dialog.SaveConnectList(false);
    EXPECT_EQ(valueOf(databaseKey(), "Sort"), "DB002\r\nDB001\r\nDB000\r\n");
    dialog.lstUserID->setCurrentItem(dialog.lstUserID->topLevelItem(0));
    dialog.actDelExecute();
    EXPECT_EQ(keyNames(), (QStringList { "DB000", "DB001" }));
    EXPECT_EQ(dialog.lstUserID->topLevelItemCount(), 2);
}

// A cluster of the test's own that asks for passwords over TCP (scripts/pg-sandbox.sh
// --password-auth), with a role that has one; the fixture server trusts everyone.
class PasswordCluster
{
public:
    PasswordCluster()
        : m_base(QDir::tempPath() + QStringLiteral("/corvane-pw-XXXXXX"))
    {
        // As root the server runs as the postgres user, who must reach the folder.
        QFile::setPermissions(m_base.path(),
                              QFile::permissions(m_base.path()) | QFileDevice::ExeOther
                                  | QFileDevice::ReadOther);
        m_dir = m_base.path() + QStringLiteral("/cluster");
        QProcess start;
        start.start(
            QStringLiteral("bash"),
            { sandbox(), QStringLiteral("start"), QStringLiteral("--password-auth"), m_dir });
        start.waitForFinished(180000);
        if (start.exitCode() != 0)
            throw std::runtime_error(start.readAllStandardError().toStdString());
        QFile env(m_dir + QStringLiteral("/server.env"));
        if (env.open(QIODevice::ReadOnly))
            for (const QByteArray &line : env.readAll().split('\n'))
                if (line.startsWith("PGPORT="))
                    m_port = QString::fromLatin1(line.mid(7));
        QProcess psql;
        psql.start(QStringLiteral("psql"),
                   { QStringLiteral("-XAtq"), QStringLiteral("-h"), m_dir, QStringLiteral("-p"),
                     m_port, QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-d"),
                     QStringLiteral("postgres"), QStringLiteral("-c"),
                     QStringLiteral("CREATE ROLE logon_user LOGIN PASSWORD 'right one'") });
        psql.waitForFinished(60000);
        if (psql.exitCode() != 0)
            throw std::runtime_error(psql.readAllStandardError().toStdString());
    }
    ~PasswordCluster()
    {
        QProcess::execute(QStringLiteral("bash"), { sandbox(), QStringLiteral("stop"), m_dir });
    }
    QString port() const { return m_port; }

private:
    static QString sandbox() { return QStringLiteral(CORVANE_SOURCE_DIR "/scripts/pg-sandbox.sh"); }
    QTemporaryDir m_base;
    QString m_dir;
    QString m_port;
};

// After a failed logon the dialog comes again with the focus where the fault is: on the password
// (selected, so that typing replaces it) when the server refused it, else where it always is.
TEST_F(LogonTest, AfterARefusedPasswordTheFocusIsOnThePasswordSelected)
{
    PasswordCluster cluster;
    const struct
    {
        const char *what;
        const char *password;
        const char *database;
        bool onPassword;
    } cases[] = {
        { "a wrong password", "wrong one", "postgres", true },
        { "no password where one is asked for", "", "postgres", true },
        { "a database that is not there", "right one", "no_such_database", false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QStringList messages;
        ScopedDialogResponder responder([&](DialogRequest &request) {
            messages << request.text;
            return IDOK;
        });
        QString focused; // the name of the dialog's focus widget
        QString selected;
        bool shown = false;
        whenModal([&](QWidget *modal) {
            auto *again = qobject_cast<TfrmLogon *>(modal);
            ASSERT_NE(again, nullptr);
            shown = true;
            if (QWidget *focus = again->focusWidget())
                focused = focus->objectName();
            selected = again->txtPassword->selectedText();
            QTest::mouseClick(again->btnCancel, Qt::LeftButton);
        });
        EXPECT_FALSE(TfrmLogon::ShowWindow(
            QStringLiteral("127.0.0.1"), cluster.port(), QString::fromLatin1(c.database), QString(),
            QStringLiteral("logon_user"), QString::fromUtf8(c.password), true));
        ASSERT_TRUE(shown);
        EXPECT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
        if (c.onPassword) {
            EXPECT_EQ(focused, "txtPassword");
            EXPECT_EQ(selected, QString::fromUtf8(c.password));
        } else {
            EXPECT_NE(focused, "txtPassword");
        }
    }
}

} // namespace logontest
