// The SQL history and the script files of the SQL window.
#include "sqlwintest.h"

#include "core/qvencoding.h"
#include "core/sqllog.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

using sqlwintest::SqlWinTest;

namespace historytest {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST_F(SqlWinTest, HistoryKeepsTheNewestEntriesOfItsCapacity)
{
    ASSERT_TRUE(open());
    AppOption.SQLBuf = 3;
    AppOption.Encoding = 2;
    TfrmSQL *w = sqlWindow(nullptr);
    for (int i = 1; i <= 5; ++i)
        run(w, QStringLiteral("select %1").arg(i));
    EXPECT_EQ(SQLLogList, QStringList({ "SQLLOG2.SQL", "SQLLOG1.SQL", "SQLLOG3.SQL" }));
    EXPECT_EQ(SQLLogRead(0), "select 5");
    EXPECT_EQ(SQLLogRead(1), "select 4");
    EXPECT_EQ(SQLLogRead(2), "select 3");
    EXPECT_EQ(w->FLog, 0);
    const QStringList index
        = LoadStringsFromFile(SQLLogFolder() + "SQLLOG.IDX", TqvEncoding(TqvEncoding::Utf8));
    EXPECT_EQ(index, SQLLogList);

    // Unchanged text writes nothing.
    w->txtSQL->setModified(false);
    w->actExecExecute();
    EXPECT_EQ(SQLLogRead(0), "select 5");

    // Previous shows the entry before; Next from the newest empties the editor.
    w->actPrevExecute();
    EXPECT_EQ(w->txtSQL->text(), "select 4");
    w->actNextExecute();
    EXPECT_EQ(w->txtSQL->text(), "select 5");
    w->actNextExecute();
    EXPECT_EQ(w->txtSQL->text(), "");
    EXPECT_EQ(w->FLog, -1);
    w->actNextExecute();
    EXPECT_EQ(w->FLog, -1);
}

TEST_F(SqlWinTest, OldEntriesAreReadByTheirByteOrderMark)
{
    AppOption.Encoding = 2;
    ASSERT_EQ(SQLLogAdd("select 'äö'"), 0);
    AppOption.Encoding = 3; // UTF-16 from now on
    EXPECT_EQ(SQLLogRead(0), "select 'äö'");
    ASSERT_EQ(SQLLogAdd("select 'ü'"), 0);
    EXPECT_TRUE(readBytes(SQLLogFolder() + SQLLogList[0]).startsWith("\xFF\xFE"));
    EXPECT_EQ(SQLLogRead(0), "select 'ü'");
    EXPECT_EQ(SQLLogRead(1), "select 'äö'");
}

TEST_F(SqlWinTest, FailedHistoryWriteLeavesTheIndexAsItWas)
{
    ASSERT_EQ(SQLLogAdd("select 1"), 0);
    const QStringList before = SQLLogList;
    // A folder where the next entry file should be makes its write fail.
    ASSERT_TRUE(QDir().mkpath(SQLLogFolder() + "SQLLOG2.SQL"));
    EXPECT_EQ(SQLLogAdd("select 2"), -1);
    EXPECT_EQ(SQLLogList, before);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text, "ファイルのアクセスに失敗しました。OSの権限を見直してください。");
    SQLLogLoadIndex();
    EXPECT_EQ(SQLLogList, before);
}

TEST_F(SqlWinTest, IndexReadsBackInEveryForm)
{
    for (int enc : { 0, 2, 3, 4 }) {
        AppOption.Encoding = enc;
        SQLLogList.clear();
        ASSERT_EQ(SQLLogAdd("select 1"), 0);
        ASSERT_EQ(SQLLogAdd("select 2"), 0);
        const QStringList names = SQLLogList;
        SQLLogLoadIndex();
        EXPECT_EQ(SQLLogList, names) << enc;
        SQLLogSaveIndex();
        SQLLogLoadIndex();
        EXPECT_EQ(SQLLogList, names) << enc;
    }
}

TEST_F(SqlWinTest, RecordingOffWritesNothing)
{
    AppOption.SQLBuf = 0;
    EXPECT_EQ(SQLLogAdd("select 1"), -1);
    EXPECT_TRUE(SQLLogList.isEmpty());
    EXPECT_FALSE(QFile::exists(SQLLogFolder() + "SQLLOG.IDX"));
}

TEST_F(SqlWinTest, OpenSortsTheFilesAndReplacesTheText)
{
    ASSERT_TRUE(open());
    AppOption.Encoding = 2;
    const QString dir = m_temp.path() + "/";
    writeBytes(dir + "b.sql", "select 'b';\r\n");
    writeBytes(dir + "a.sql", "select 'a';\r\n");
    writeBytes(dir + "C.sql", "select 'C';\r\n");
    TfrmSQL *w = sqlWindow(nullptr);
    w->txtSQL->setText("old text");
    fileAnswer = dir + "b.sql\n" + dir + "a.sql\n" + dir + "C.sql";
    w->actOpenExecute();
    EXPECT_EQ(w->txtSQL->text(), "select 'a';\r\nselect 'b';\r\nselect 'C';\r\n");
}

TEST_F(SqlWinTest, OpenThatCannotReadAFileLeavesTheEditorAsItWas)
{
    ASSERT_TRUE(open());
    const QString dir = m_temp.path() + "/";
    writeBytes(dir + "a.sql", "select 'a';\r\n");
    TfrmSQL *w = sqlWindow(nullptr);
    w->txtSQL->setText("old text");
    EXPECT_THROW(w->LoadFiles({ dir + "a.sql", dir + "missing.sql" }), std::exception);
    EXPECT_EQ(w->txtSQL->text(), "old text");
}

TEST_F(SqlWinTest, DroppedLongPathsAreTakenWhole)
{
    ASSERT_TRUE(open());
    QString dir = m_temp.path() + "/";
    while (dir.size() < 300)
        dir += "long_folder_name_/";
    ASSERT_TRUE(QDir().mkpath(dir));
    writeBytes(dir + "x.sql", "select 'x'");
    TfrmSQL *w = sqlWindow(nullptr);
    auto *mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(dir + "x.sql") });
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject *>(w)->event(&drop); // past the drag manager, which holds no drag
    EXPECT_EQ(w->txtSQL->text(), "select 'x'")
        << (dialogs.isEmpty() ? std::string() : dialogs[0].text.toStdString());
    delete mime;
}

TEST_F(SqlWinTest, RunAndSaveEnablingFollowTheText)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    struct Case
    {
        const char *text;
        bool run;
        bool save;
    };
    for (const Case &c : { Case { "", false, false }, Case { "\r\n", false, true },
                           Case { "select 1", true, true } }) {
        w->txtSQL->setText(c.text);
        EXPECT_EQ(w->actExec->isEnabled(), c.run) << c.text;
        EXPECT_EQ(w->actSave->isEnabled(), c.save) << c.text;
    }
}

TEST_F(SqlWinTest, SavedFileHasNoByteOrderMark)
{
    ASSERT_TRUE(open());
    AppOption.Encoding = 2;
    TfrmSQL *w = sqlWindow(nullptr);
    w->txtSQL->setText("select 'ä'\r\n");
    fileAnswer = m_temp.path() + "/out.sql";
    w->actSaveExecute();
    EXPECT_EQ(readBytes(fileAnswer), QByteArray("select '\xC3\xA4'\r\n"));
    ASSERT_FALSE(dialogs.isEmpty());
    EXPECT_EQ(dialogs.last().text, "ファイルに出力しました。");
    // history entries of this window are written without one from now on
    run(w, "select 2");
    EXPECT_EQ(readBytes(SQLLogFolder() + SQLLogList[0]), QByteArray("select 2"));
}

} // namespace historytest
