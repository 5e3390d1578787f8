// The source backups around a definition window's compile, through the real windows as the
// program opens them: the main window, a real connection window on a fresh database of the
// fixture server, the table library's editors and the backup writer installed as at start-up.
// With the options on, the current source is written before the compile and the new one after
// it, under the folder, schema, kind and name; with them off nothing is written; a backup that
// cannot be written stops the compile and says why.
#include "shelltest.h"

#include "browser/fobject.h"
#include "browser/fobjectbackup.h"
#include "core/qvencoding.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "editors/tables/findex.h"
#include "editors/tables/tableeditors.h"
#include "testserver.h"
#include "ui/fddlexec.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace shelltest;

namespace sourcebackuptest {

class SourceBackups : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int code : { ObjType::Table, ObjType::Index, ObjType::Constraint, ObjType::Policy })
            m_previous[code] = RegisteredObjectEditor(code);
        RegisterTableEditors();
        RegisterSourceBackups();
        db.query("CREATE TABLE doc (id int, created date); CREATE INDEX doc_created ON doc "
                 "(created)");
        // The main window reads the options; the test's own come after.
        main = std::make_unique<TfrmMain>();
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = true;
        AppOption.ShowDDL = false;
        AppOption.CloseDDL = true;
        AppOption.SaveBeforeSrcDir = folder.path() + QStringLiteral("/before/");
        AppOption.SaveAfterSrcDir = folder.path() + QStringLiteral("/after/");
        main->show();
        const testsupport::ServerInfo &s = testsupport::server();
        window = TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(),
                                    "public", s.user, QString());
        ASSERT_FALSE(window.isNull());
    }
    void TearDown() override
    {
        const QList<QMdiSubWindow *> subs = main->mdiArea()->subWindowList();
        for (QMdiSubWindow *sub : subs) {
            if (sub->widget() != window.data())
                delete sub;
        }
        main->close();
        for (int i = 0; i < 20 && window; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        main.reset();
        setSourceBackupWriter({});
        for (const auto &[code, editor] : m_previous)
            RegisterObjectEditor(code, editor);
    }

    // The index window opened as the list opens it, made unique and compiled.
    void compileUnique()
    {
        auto *index = qobject_cast<TfrmIndex *>(
            window->OpenObject(ObjType::Index, QStringLiteral("public"), "doc_created"));
        ASSERT_NE(index, nullptr);
        index->chkUnique->click();
        ASSERT_TRUE(index->Modified());
        index->actCompile->trigger();
    }

    // Every file under the backup folders, by its path below the temporary folder.
    QStringList files() const
    {
        QStringList found;
        QDirIterator it(folder.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(folder.path()).relativeFilePath(it.next());
        found.sort();
        return found;
    }

    QString content(const QString &relative) const
    {
        QFile file(folder.path() + QLatin1Char('/') + relative);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<missing>");
        return GetFileEncoding().decode(file.readAll());
    }

    QString unique() const
    {
        return db.query("SELECT indisunique FROM pg_index WHERE indexrelid = "
                        "'public.doc_created'::regclass");
    }

    MainEnvironment env;
    QTemporaryDir folder;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;
    QPointer<TfrmObject> window;

private:
    std::map<int, TObjectEditor> m_previous;
};

TEST_F(SourceBackups, CompileWritesTheOldAndTheNewSource)
{
    const struct
    {
        const char *name;
        bool before;
        bool after;
        QStringList files;
    } cases[] = {
        { "both",
          true,
          true,
          { "after/public/INDEX/doc_created.SQL", "before/public/INDEX/doc_created.SQL" } },
        { "before only", true, false, { "before/public/INDEX/doc_created.SQL" } },
        { "after only", false, true, { "after/public/INDEX/doc_created.SQL" } },
        { "neither", false, false, {} },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        db.query("DROP INDEX doc_created; CREATE INDEX doc_created ON doc (created)");
        QDir(folder.path() + "/before").removeRecursively();
        QDir(folder.path() + "/after").removeRecursively();
        AppOption.SaveBeforeSrc = c.before;
        AppOption.SaveAfterSrc = c.after;
        compileUnique();
        EXPECT_EQ(unique(), "t");
        EXPECT_EQ(files(), c.files) << files().join(" ").toStdString();
        if (c.before) {
            const QString old = content("before/public/INDEX/doc_created.SQL");
            EXPECT_TRUE(old.startsWith("CREATE INDEX \"doc_created\"\r\nON \"doc\"\r\n"))
                << old.toStdString();
        }
        if (c.after) {
            const QString now = content("after/public/INDEX/doc_created.SQL");
            EXPECT_TRUE(now.startsWith("CREATE UNIQUE INDEX \"doc_created\"\r\nON \"doc\"\r\n"))
                << now.toStdString();
        }
        const QList<QMdiSubWindow *> subs = main->mdiArea()->subWindowList();
        for (QMdiSubWindow *sub : subs) {
            if (sub->widget() != window.data())
                delete sub;
        }
    }
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join("\n").toStdString();
}

TEST_F(SourceBackups, BackupThatCannotBeWrittenStopsTheCompile)
{
    // The backup folder would have to be made below a plain file.
    QFile blocker(folder.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AppOption.SaveBeforeSrc = true;
    AppOption.SaveAfterSrc = true;
    AppOption.SaveBeforeSrcDir = folder.path() + "/blocker/";
    compileUnique();
    EXPECT_EQ(unique(), "f");
    ASSERT_EQ(env.messages.texts.size(), 1) << env.messages.texts.join("\n").toStdString();
    EXPECT_TRUE(env.messages.texts.first().contains("blocker"))
        << env.messages.texts.first().toStdString();
    EXPECT_EQ(files(), QStringList { "blocker" });
}

TEST_F(SourceBackups, FileNames)
{
    db.query("CREATE SCHEMA \"a/../b\"");
    AppOption.SaveBeforeSrcRenum = false;
    const std::string base = QString(folder.path() + "/before/").toStdString();
    const auto name = [this](const char *schema, const char *object, int type) {
        return SourceBackupFileName(*window, schema, object, type, false).toStdString();
    };
    // A schema and a name made of separators stay inside the backup folder.
    EXPECT_EQ(name("a/../b", "x/../y", ObjType::Table), base + "ab/TABLE/xy.SQL");
    // A schema has no kind keyword: its level is left out.
    EXPECT_EQ(name("", "s", ObjType::Schema), base + "s.SQL");
    // Numbered: the first free serial.
    AppOption.SaveBeforeSrcRenum = true;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "public/TABLE")));
    for (const char *taken : { "t_00.SQL", "t_02.SQL" }) {
        QFile file(QString::fromStdString(base + "public/TABLE/" + taken));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(name("public", "t", ObjType::Table), base + "public/TABLE/t_01.SQL");
    // The script-name table of the database renames the file.
    db.query("CREATE TABLE public.names (script_name text, owner text, object_name text, "
             "object_type text); INSERT INTO public.names VALUES ('renamed', 'public', 't', "
             "'TABLE')");
    ScriptOption.NameTable = QStringList { db.name() + "=public.names" };
    AppOption.SaveBeforeSrcRenum = false;
    EXPECT_EQ(name("public", "t", ObjType::Table), base + "public/TABLE/renamed.SQL");
    EXPECT_EQ(name("public", "other", ObjType::Table), base + "public/TABLE/other.SQL");
    ScriptOption.NameTable.clear();
}

} // namespace sourcebackuptest
