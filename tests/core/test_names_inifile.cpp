// The per-object settings files: the INI reader and writer, and the saved WHERE conditions.
#include "core/qvencoding.h"
#include "core/qvinifile.h"
#include "core/qvoption.h"
#include "core/qvwhere.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace inifiletest {

// A work folder of the test's own, with the encoding option set, both put back afterwards.
class WorkFolder
{
public:
    explicit WorkFolder(int encoding = 2)
        : m_oldTempDir(AppOption.TempDir)
        , m_oldEncoding(AppOption.Encoding)
    {
        AppOption.TempDir = m_dir.path() + "/temp/";
        AppOption.Encoding = encoding;
    }
    ~WorkFolder()
    {
        AppOption.TempDir = m_oldTempDir;
        AppOption.Encoding = m_oldEncoding;
    }
    QString path() const { return AppOption.TempDir; }

private:
    QTemporaryDir m_dir;
    QString m_oldTempDir;
    int m_oldEncoding;
};

TEST(IniFile, RoundTripKeepsEveryText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    const QStringList awkward = {
        "plain",
        "a = b",
        "line one\r\nline two\nthree\rfour",
        "back\\slash \\n not a line break",
        " leading and trailing ",
        "[not a section]",
        ";not a comment",
        "",
        QString::fromUtf8("日本語"),
    };
    for (const int code : { 0, 1, 2, 3, 4 }) {
        const TqvEncoding encoding = TqvEncoding::fromOption(code);
        {
            TqvMemIniFile ini(path, encoding);
            for (int i = 0; i < awkward.size(); ++i) {
                ini.WriteString("Values", QString("k%1").arg(i), awkward[i]);
                ini.WriteString("Keys", awkward[i].isEmpty() ? "empty" : awkward[i],
                                QString::number(i));
            }
            ini.WriteInteger("COLWIDTH_V", "(ALL)", 120);
            ini.UpdateFile();
        }
        const TqvMemIniFile ini(path, encoding);
        for (int i = 0; i < awkward.size(); ++i) {
            EXPECT_EQ(ini.ReadString("VALUES", QString("K%1").arg(i), "missing"), awkward[i])
                << "code " << code << " value " << i;
            const QString key = awkward[i].isEmpty() ? "empty" : awkward[i];
            EXPECT_EQ(ini.ReadInteger("keys", key, -1), i) << "code " << code << " key " << i;
        }
        EXPECT_EQ(ini.ReadInteger("colwidth_v", "(all)", 0), 120);
        EXPECT_EQ(ini.ReadSections(), QStringList({ "Values", "Keys", "COLWIDTH_V" }));
    }
}

TEST(IniFile, ReadsWhatItFindsAndKeepsOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "orphan=1\n; comment\n[One]\nb=2\r\na=1\n  C = 3\nnoequals\n[two]\nx=\n[ONE]\nb=9\n");
    file.close();

    TqvMemIniFile ini(path, TqvEncoding());
    EXPECT_EQ(ini.ReadSections(), QStringList({ "One", "two" }));
    EXPECT_EQ(ini.ReadSection("one"), QStringList({ "b", "a", "C" }));
    EXPECT_EQ(ini.ReadString("one", "b", ""), "9") << "a later line wins";
    EXPECT_EQ(ini.ReadString("one", "c", ""), " 3") << "values are taken as written";
    EXPECT_EQ(ini.ReadInteger("one", "c", 0), 3);
    EXPECT_TRUE(ini.ValueExists("TWO", "X"));
    EXPECT_EQ(ini.ReadString("two", "x", "dflt"), "");
    EXPECT_EQ(ini.ReadInteger("two", "x", 5), 5);
    EXPECT_EQ(ini.ReadString("none", "x", "dflt"), "dflt");

    ini.DeleteKey("ONE", "A");
    ini.EraseSection("Two");
    EXPECT_EQ(ini.ReadSection("one"), QStringList({ "b", "C" }));
    EXPECT_FALSE(ini.SectionExists("two"));

    const TqvMemIniFile missing(dir.filePath("missing.ini"), TqvEncoding());
    EXPECT_TRUE(missing.ReadSections().isEmpty());
}

QStringList numbered(int count, const QString &prefix = "cond")
{
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QString("%1 = %2").arg(prefix).arg(i);
    return items;
}

TEST(WhereList, SavesTwentyAndLoadsThemInOrder)
{
    WorkFolder work;
    SaveWhereList("public", "orders", numbered(25));
    QStringList loaded;
    LoadWhereList("public", "orders", loaded);
    EXPECT_EQ(loaded, numbered(20));

    LoadWhereList("public", "", loaded);
    EXPECT_TRUE(loaded.isEmpty());
    SaveWhereList("public", "", numbered(3)); // nothing to name the file after
    EXPECT_FALSE(QFileInfo::exists(work.path() + "public..ini"));
}

TEST(WhereList, SavingRewritesTheWholeSection)
{
    WorkFolder work;
    const QString path = GetObjectIniFileName("public", "orders");
    {
        QDir().mkpath(work.path());
        TqvMemIniFile ini(path, TqvEncoding());
        ini.WriteInteger("COLWIDTH_V", "id", 80);
        ini.UpdateFile();
    }
    SaveWhereList("public", "orders", numbered(5));
    SaveWhereList("public", "orders", { "moved = 1", "cond = 0", "multi\r\nline 'x'" });
    QStringList loaded;
    LoadWhereList("public", "orders", loaded);
    EXPECT_EQ(loaded, QStringList({ "moved = 1", "cond = 0", "multi\r\nline 'x'" }));
    const TqvMemIniFile ini(path, TqvEncoding());
    EXPECT_EQ(ini.ReadInteger("COLWIDTH_V", "id", 0), 80) << "other sections stay";
    EXPECT_FALSE(ini.ValueExists("WHERE", "03"));
}

TEST(WhereList, SkipsHolesAndEmptyValues)
{
    WorkFolder work;
    QDir().mkpath(work.path());
    QFile file(GetObjectIniFileName("s", "t"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[WHERE]\n00=a = 1\n02=b = 2\n03=\n");
    file.close();
    QStringList loaded;
    LoadWhereList("s", "t", loaded);
    EXPECT_EQ(loaded, QStringList({ "a = 1", "b = 2" }));
}

TEST(WhereList, FileNamesStayInTheWorkFolder)
{
    WorkFolder work;
    EXPECT_EQ(GetObjectIniFileName("public", "a:b/c"), work.path() + "public.abc.ini");
    EXPECT_EQ(GetObjectIniFileName("public", "a/bc"), GetObjectIniFileName("public", "ab:c"));
    EXPECT_EQ(GetObjectIniFileName("%", "%"), work.path() + "%.%.ini");
    SaveWhereList("..", "../../escape", { "x = 1" });
    const QStringList files = QDir(work.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files.size(), 1);
    EXPECT_FALSE(files.first().contains(".."));
    EXPECT_FALSE(QFileInfo::exists(work.path() + "../escape.ini"));
}

TEST(WhereList, WritesInTheChosenEncoding)
{
    WorkFolder work(3);
    SaveWhereList("public", QString::fromUtf8("受注"), { QString::fromUtf8("名前 = '山田'") });
    QFile file(GetObjectIniFileName("public", QString::fromUtf8("受注")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\xFF\xFE["));
    QStringList loaded;
    LoadWhereList("public", QString::fromUtf8("受注"), loaded);
    EXPECT_EQ(loaded, QStringList({ QString::fromUtf8("名前 = '山田'") }));
}

} // namespace inifiletest
