// The SQL history on disk: an entry whose index cannot be written leaves every entry file and
// the index as they were, byte for byte; a full history then still takes the next entry.
#include "core/qvdialoghook.h"
#include "core/qvencoding.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "core/sqllog.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace sqllogtest {

// Every file of the folder with its bytes.
QMap<QString, QByteArray> folderBytes(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        QFile f(folder + name);
        if (f.open(QIODevice::ReadOnly))
            files.insert(name, f.readAll());
    }
    return files;
}

// While it lives, no file of this process may grow beyond limit bytes: a write past it fails
// (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = m_previous;
        l.rlim_cur = limit;
        m_ok = setrlimit(RLIMIT_FSIZE, &l) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_previous {};
    void (*m_handler)(int) = nullptr;
    bool m_ok = false;
};

class SqlLogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tempDir = AppOption.TempDir;
        m_buf = AppOption.SQLBuf;
        m_encoding = AppOption.Encoding;
        AppOption.TempDir = m_temp.path() + QStringLiteral("/temp/");
        AppOption.SQLBuf = 3;
        AppOption.Encoding = 2;
        SQLLogList.clear();
    }
    void TearDown() override
    {
        SQLLogList.clear();
        AppOption.TempDir = m_tempDir;
        AppOption.SQLBuf = m_buf;
        AppOption.Encoding = m_encoding;
    }

    QList<DialogRequest> dialogs;
    ScopedDialogResponder responder { [this](DialogRequest &r) {
        dialogs << r;
        return r.buttons.isEmpty() ? IDOK : r.buttons.first();
    } };
    QTemporaryDir m_temp;

private:
    QString m_tempDir;
    int m_buf = 0;
    int m_encoding = 0;
};

// The index is longer than an entry of one character: under a size limit between the two, the
// entry could be written and the index could not.
TEST_F(SqlLogTest, FailedIndexWriteLeavesTheHistoryAsItWas)
{
    for (const char *text : { "select 1", "select 2", "select 3" })
        ASSERT_EQ(SQLLogAdd(QString::fromUtf8(text)), 0);
    const QString folder = SQLLogFolder();
    const QStringList listBefore = SQLLogList;
    const QMap<QString, QByteArray> before = folderBytes(folder);
    ASSERT_EQ(before.size(), 4);
    ASSERT_GT(before.value(QStringLiteral("SQLLOG.IDX")).size(), 24);

    int result = 0;
    {
        FileSizeLimit limit(24);
        ASSERT_TRUE(limit.ok());
        result = SQLLogAdd(QStringLiteral("x"));
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(SQLLogList, listBefore);
    EXPECT_EQ(folderBytes(folder), before);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text,
              QStringLiteral("ファイルのアクセスに失敗しました。OSの権限を見直してください。"));
    SQLLogLoadIndex();
    EXPECT_EQ(SQLLogList, listBefore);
    EXPECT_EQ(SQLLogRead(2), QStringLiteral("select 1"));

    // nothing is left behind that stops the next entry
    ASSERT_EQ(SQLLogAdd(QStringLiteral("select 4")), 0);
    EXPECT_EQ(SQLLogRead(0), QStringLiteral("select 4"));
    EXPECT_EQ(SQLLogRead(1), QStringLiteral("select 3"));
    EXPECT_EQ(SQLLogRead(2), QStringLiteral("select 2"));
    EXPECT_EQ(LoadStringsFromFile(folder + QStringLiteral("SQLLOG.IDX"), GetFileEncoding()),
              SQLLogList);
    EXPECT_EQ(folderBytes(folder).size(), 4);
}

// A failed entry write leaves the history as it was as well.
TEST_F(SqlLogTest, FailedEntryWriteLeavesTheHistoryAsItWas)
{
    for (const char *text : { "select 1", "select 2", "select 3" })
        ASSERT_EQ(SQLLogAdd(QString::fromUtf8(text)), 0);
    const QString folder = SQLLogFolder();
    const QStringList listBefore = SQLLogList;
    const QMap<QString, QByteArray> before = folderBytes(folder);
    int result = 0;
    {
        FileSizeLimit limit(24);
        ASSERT_TRUE(limit.ok());
        result = SQLLogAdd(QString(100, u'x'));
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(SQLLogList, listBefore);
    EXPECT_EQ(folderBytes(folder), before);
    EXPECT_EQ(dialogs.size(), 1);
}

} // namespace sqllogtest

namespace sqllogtest {

// A text file saved over an old one on a disk that takes only part of it: the save fails and
// the old file stays as it was.
TEST(TextFileSave, ShortWriteFailsAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.sql"));
    SaveTextFile(path, QStringLiteral("old"), TqvEncoding(TqvEncoding::Utf8), false);
    bool failed = false;
    {
        FileSizeLimit limit(24);
        ASSERT_TRUE(limit.ok());
        try {
            SaveTextFile(path, QString(100, u'x'), TqvEncoding(TqvEncoding::Utf8), false);
        } catch (const TextFileError &) {
            failed = true;
        }
    }
    EXPECT_TRUE(failed);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));
}

} // namespace sqllogtest
