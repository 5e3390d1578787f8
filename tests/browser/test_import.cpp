// The import of saved connections kept by older releases.
#include "browsertest.h"
#include "uitest.h"

#include "browser/fconnection.h"
#include "browser/flogon.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "core/qvscramble.h"
#include "ui/qvcomctrls.h"

#include <QToolButton>

#include <gtest/gtest.h>

using browsertest::BrowserTest;

namespace importtest {

struct Entry
{
    QString key; // below \Software\Quorlane
    QString user, host, database, schema, port, password;
};

void writeEntry(const Entry &e)
{
    ASSERT_TRUE(AppRegistry->OpenKey("\\Software\\Quorlane\\" + e.key, true));
    AppRegistry->WriteString("UserID", e.user);
    AppRegistry->WriteString("Host", e.host);
    AppRegistry->WriteString("Database", e.database);
    AppRegistry->WriteString("Schema", e.schema);
    AppRegistry->WriteString("Port", e.port);
    AppRegistry->WriteString("Password", ScramblePassword(e.password));
    AppRegistry->CloseKey();
}

QString value(const QString &key, const QString &name)
{
    QString v;
    if (AppRegistry->OpenKey("\\Software\\Quorlane\\" + key, false)) {
        v = AppRegistry->GetString(name, QString());
        AppRegistry->CloseKey();
    }
    return v;
}

QStringList keys(const QString &key)
{
    QStringList names;
    if (AppRegistry->OpenKey("\\Software\\Quorlane\\" + key, false)) {
        names = AppRegistry->GetKeyNames();
        AppRegistry->CloseKey();
    }
    names.sort();
    return names;
}

TEST_F(BrowserTest, ImportTakesTheFreeNumbersInTurnAndSkipsDuplicates)
{
    // this release: DB000 and DB002 in Sort
    writeEntry({ "QVR22\\DATABASE\\DB000", "alice", "db1", "shop", "sales", "5432", "a" });
    writeEntry({ "QVR22\\DATABASE\\DB002", "carol", "db3", "shop", "", "5432", "c" });
    ASSERT_TRUE(AppRegistry->OpenKey("\\Software\\Quorlane\\QVR22\\DATABASE", false));
    AppRegistry->WriteString("Sort", "DB000\r\nDB002\r\n");
    AppRegistry->CloseKey();
    // older releases: one duplicate of DB000 (another password), one that differs only in the
    // case of the server, one under a name of another form; a newer release is not read
    writeEntry({ "QVR21\\DATABASE\\DB000", "alice", "db1", "shop", "sales", "5432", "old" });
    writeEntry({ "QVR21\\DATABASE\\DB001", "alice", "DB1", "shop", "sales", "5432", "x" });
    writeEntry({ "QVR20R\\DATABASE\\Conn1", "dave", "db4", "ware", "inv", "5433", "パス" });
    writeEntry({ "QVR23\\DATABASE\\DB000", "eve", "db5", "shop", "", "5432", "e" });
    writeEntry({ "QVR22R\\DATABASE\\DB000", "alice", "db1", "shop", "sales", "5432", "a" });

    TfrmLogon logon(&main);
    logon.LoadConnectList();
    ASSERT_EQ(logon.lstUserID->topLevelItemCount(), 2);

    int rows = -1;
    QStringList releases;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmConnection *>(modal);
        ASSERT_NE(dialog, nullptr);
        rows = dialog->lstUserID->topLevelItemCount();
        for (int i = 0; i < rows; ++i)
            releases << dialog->lstUserID->topLevelItem(i)->text(0);
        EXPECT_FALSE(dialog->actImport->isEnabled());
        QTest::keyClick(dialog->lstUserID, Qt::Key_A, Qt::ControlModifier);
        EXPECT_TRUE(dialog->actImport->isEnabled());
        QTest::mouseClick(dialog->btnImport, Qt::LeftButton);
    });
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    EXPECT_TRUE(TfrmConnection::ShowWindow(logon.lstUserID));
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(releases, (QStringList { "QVR20R", "QVR21", "QVR21", "QVR22R" }));
    EXPECT_EQ(messages, QStringList { "接続情報を取り込みました。" });

    // two new entries, in the free numbers in turn, appended to Sort
    EXPECT_EQ(keys("QVR22\\DATABASE"), (QStringList { "DB000", "DB001", "DB002", "DB003" }));
    EXPECT_EQ(value("QVR22\\DATABASE", "Sort"), "DB000\r\nDB002\r\nDB001\r\nDB003\r\n");
    EXPECT_EQ(value("QVR22\\DATABASE\\DB001", "UserID"), "dave");
    EXPECT_EQ(UnscramblePassword(value("QVR22\\DATABASE\\DB001", "Password")), "パス");
    EXPECT_EQ(value("QVR22\\DATABASE\\DB003", "Host"), "DB1");
    // the entry that was there keeps its password
    EXPECT_EQ(UnscramblePassword(value("QVR22\\DATABASE\\DB000", "Password")), "a");
    // the older releases are left as they were
    EXPECT_EQ(keys("QVR21\\DATABASE"), (QStringList { "DB000", "DB001" }));
    EXPECT_EQ(logon.lstUserID->topLevelItemCount(), 4);
}

TEST_F(BrowserTest, ImportNeverOverwritesAnEntryThatSortMisses)
{
    writeEntry({ "QVR22\\DATABASE\\DB000", "alice", "db1", "shop", "", "5432", "a" });
    writeEntry({ "QVR21\\DATABASE\\DB000", "bob", "db2", "shop", "", "5432", "b" });
    TqvListView list;
    whenModal([](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmConnection *>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->lstUserID->selectAll();
        QTest::mouseClick(dialog->btnImport, Qt::LeftButton);
    });
    ScopedDialogResponder responder([](DialogRequest &) { return IDOK; });
    EXPECT_TRUE(TfrmConnection::ShowWindow(&list));
    EXPECT_EQ(value("QVR22\\DATABASE\\DB000", "UserID"), "alice");
    EXPECT_EQ(value("QVR22\\DATABASE\\DB001", "UserID"), "bob");
}

TEST_F(BrowserTest, ImportWithNothingToImportOnlyTells)
{
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    TqvListView list;
    EXPECT_FALSE(TfrmConnection::ShowWindow(&list));
    EXPECT_EQ(messages, QStringList { "取込可能な接続情報が見つかりません。" });
}

TEST(ImportReleases, ReleaseNumbers)
{
    const QList<QPair<QString, int>> cases
        = { { "QVR", 1 }, { "QVRR", 1 }, { "QVR2R", 2 }, { "QVR21R", 21 }, { "QVR22", 22 } };
    for (const auto &c : cases)
        EXPECT_EQ(TfrmConnection::ReleaseNumber(c.first), c.second) << c.first.toStdString();
    EXPECT_EQ(TfrmConnection::GuidList().size(), 16);
}

} // namespace importtest
