// The settings file: typed values keep their exact form across a save and a fresh read, names
// match without regard to case, concurrent instances keep each other's keys, and a damaged file
// is reported and left alone.
#include "platform/registry/registryaccess.h"
#include "platform/registry/settingsstore.h"
#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using reg::SettingsStore;
using reg::Value;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

const QString kKey = QStringLiteral("Software\\Quorlane\\QVR22");

} // namespace

TEST(SettingsStore, EveryKindOfValueSurvivesSaveAndFreshRead)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/sub/QVR22.reg";
    const QByteArray binary("\x00\xff\x01\x80 \r\n", 7);
    const std::vector<std::pair<QString, Value>> cases = {
        {"Zero", Value::fromDWord(0)},
        {"HighBit", Value::fromDWord(0xFFFFFFFFu)},
        {"Plain", Value::fromString("ＭＳ ゴシック")},
        {"Empty", Value::fromString("")},
        {"Quotes", Value::fromString(R"(C:\dir\"x" \\ end\)")},
        {"Lines", Value::fromString("a\r\nb\rc\nd\r\n")},
        {"Tab", Value::fromString("x\ty")},
        {"Expand", Value::fromExpandString("%HOME%/x")},
        {"Binary", Value::fromBinary(binary)},
        {"EmptyBinary", Value::fromBinary({})},
        {"", Value::fromString("the default value")},
    };
    {
        SettingsStore store(path);
        ASSERT_TRUE(store.createKey(kKey));
        for (const auto &[name, value] : cases)
            ASSERT_TRUE(store.setValue(kKey, name, value)) << name.toStdString();
        store.save();
    }
    SettingsStore reread(path);
    EXPECT_TRUE(reread.loadError().isEmpty()) << reread.loadError().toStdString();
    for (const auto &[name, value] : cases) {
        auto got = reread.value(kKey, name);
        ASSERT_TRUE(got) << name.toStdString();
        EXPECT_TRUE(*got == value) << name.toStdString() << " → " << got->text.toStdString();
    }
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SettingsStore, NamesMatchWithoutCaseAndKeepTheirCaseAndOrder)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    SettingsStore store(path);
    store.createKey("Software\\Quorlane\\QVR22\\GUI\\MAIN");
    store.createKey("software\\QUORLANE\\qvr22\\gui\\Sql");
    store.createKey("SOFTWARE\\Quorlane\\QVR22\\GUI\\data");
    EXPECT_EQ(store.subkeyNames("\\software\\quorlane\\qvr22\\gui"),
              QStringList({"data", "MAIN", "Sql"}));
    store.setValue("Software\\Quorlane\\QVR22\\GUI\\MAIN", "Width", Value::fromDWord(10));
    store.setValue("software\\quorlane\\qvr22\\gui\\main", "WIDTH", Value::fromDWord(20));
    EXPECT_EQ(store.valueNames("Software\\Quorlane\\QVR22\\GUI\\MAIN"), QStringList({"Width"}));
    EXPECT_EQ(store.value("SOFTWARE\\QUORLANE\\QVR22\\GUI\\MAIN", "width")->dword, 20u);
    store.save();
    SettingsStore reread(path);
    EXPECT_EQ(reread.subkeyNames("Software\\Quorlane\\QVR22\\GUI"),
              QStringList({"data", "MAIN", "Sql"}));
    EXPECT_TRUE(store.deleteKey("Software\\Quorlane\\QVR22\\GUI"));
    EXPECT_FALSE(store.keyExists("Software\\Quorlane\\QVR22\\GUI\\MAIN"));
    EXPECT_TRUE(store.keyExists("Software\\Quorlane\\QVR22"));
}

TEST(SettingsStore, TwoInstancesSavingDifferentKeysBothKeepTheirKeys)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    QProcess a, b;
    a.start(SETTINGS_WRITER, {path, "Software\\Quorlane\\QVR22\\A", "60"});
    b.start(SETTINGS_WRITER, {path, "Software\\Quorlane\\QVR22\\B", "60"});
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    ASSERT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    ASSERT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    SettingsStore store(path);
    EXPECT_TRUE(store.loadError().isEmpty());
    EXPECT_EQ(store.valueNames("Software\\Quorlane\\QVR22\\A").size(), 60);
    EXPECT_EQ(store.valueNames("Software\\Quorlane\\QVR22\\B").size(), 60);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"QVR22.reg", "QVR22.reg.lock"}));
}

TEST(SettingsStore, AnotherInstancesValuesSurviveOurSave)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    SettingsStore first(path), second(path);
    first.createKey(kKey);
    first.setValue(kKey, "Mine", Value::fromDWord(1));
    second.createKey(kKey);
    second.setValue(kKey, "Theirs", Value::fromDWord(2));
    second.save();
    first.save();
    SettingsStore reread(path);
    EXPECT_EQ(reread.value(kKey, "Mine")->dword, 1u);
    EXPECT_EQ(reread.value(kKey, "Theirs")->dword, 2u);
}

TEST(SettingsStore, DamagedFileIsReportedReadAsFarAsValidAndNotOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    {
        SettingsStore store(path);
        store.createKey(kKey);
        store.setValue(kKey, "A", Value::fromDWord(7));
        store.createKey(kKey + "\\Z");
        store.setValue(kKey + "\\Z", "Text", Value::fromString("last value"));
        store.save();
    }
    const QByteArray whole = readAll(path);
    struct Case
    {
        const char *what;
        QByteArray content;
        bool keepsA;
    };
    const std::vector<Case> cases = {
        {"cut inside the last value", whole.left(whole.indexOf("last value") + 4), true},
        {"cut at a line end", whole.left(whole.indexOf("[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22\\Z]")), true},
        {"not a settings file", QByteArray("hello\n"), false},
        {"binary garbage", QByteArray("\x01\x02\xff", 3), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeAll(path, c.content);
        SettingsStore store(path);
        EXPECT_FALSE(store.loadError().isEmpty());
        EXPECT_EQ(store.value(kKey, "A").has_value(), c.keepsA);
        store.createKey(kKey);
        store.setValue(kKey, "B", Value::fromDWord(1));
        EXPECT_THROW(store.save(), reg::SaveError);
        EXPECT_EQ(readAll(path), c.content);
        // Once the user has been told, the next save writes what was readable plus the change.
        store.acknowledgeLoadError();
        store.save();
        SettingsStore reread(path);
        EXPECT_TRUE(reread.loadError().isEmpty());
        EXPECT_EQ(reread.value(kKey, "B")->dword, 1u);
    }
}

TEST(SettingsStore, BatchIsSavedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    // A file where the settings folder should be: nothing can be saved there.
    const QString blocked = dir.path() + "/blocked";
    writeAll(blocked, "x");
    SettingsStore store(blocked + "/QVR22.reg");
    {
        reg::SettingsBatch batch(store);
        store.createKey(kKey);
        store.setValue(kKey, "A", Value::fromDWord(1));
        EXPECT_THROW(batch.commit(), reg::SaveError);
    }
    EXPECT_FALSE(store.hasPendingChanges());
    EXPECT_FALSE(store.keyExists(kKey));

    const QString path = dir.path() + "/QVR22.reg";
    SettingsStore good(path);
    {
        reg::SettingsBatch batch(good);
        good.createKey(kKey);
        good.setValue(kKey, "A", Value::fromDWord(1));
        // Abandoned: destroyed without commit.
    }
    EXPECT_FALSE(good.keyExists(kKey));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(RegistryAccess, WritesReachTheFileWhenTheKeyClosesButNotInsideABatch)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    SettingsStore store(path);
    reg::RegistryAccess r(&store);
    ASSERT_TRUE(r.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\MAIN", true));
    r.WriteInteger("Width", -5);
    r.WriteFloat("When", 45000.25);
    r.CloseKey();
    EXPECT_EQ(SettingsStore(path).value("Software\\Quorlane\\QVR22\\GUI\\MAIN", "Width")->dword,
              0xFFFFFFFBu);

    ASSERT_TRUE(r.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\MAIN", false));
    EXPECT_EQ(r.ReadInteger("Width"), -5);
    EXPECT_EQ(r.ReadFloat("When"), 45000.25);
    EXPECT_THROW(r.ReadString("Width"), reg::RegistryError);
    EXPECT_THROW(r.ReadInteger("Missing"), reg::RegistryError);
    // Relative paths open below the current key.
    ASSERT_TRUE(r.OpenKey("..\\x", false) == false);
    {
        reg::SettingsBatch batch(store);
        ASSERT_TRUE(r.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\SQL", true));
        r.WriteBool("Max", true);
        r.CloseKey();
        EXPECT_FALSE(SettingsStore(path).keyExists("Software\\Quorlane\\QVR22\\GUI\\SQL"));
        batch.commit();
    }
    EXPECT_TRUE(SettingsStore(path).keyExists("Software\\Quorlane\\QVR22\\GUI\\SQL"));

    r.CloseKey();
    EXPECT_THROW(r.WriteInteger("X", 1), reg::RegistryError);
}

TEST(RegistryAccess, LocalMachineIsAnEmptyReadOnlyRoot)
{
    QTemporaryDir dir;
    SettingsStore store(dir.path() + "/QVR22.reg");
    reg::RegistryAccess r(&store);
    r.setRootKey(reg::RootKey::LocalMachine);
    EXPECT_FALSE(r.OpenKey("\\SOFTWARE\\PostgreSQL Global Development Group\\PostgreSQL", true));
    EXPECT_FALSE(r.OpenKey("\\SOFTWARE\\ORACLE", false));
    ASSERT_TRUE(r.OpenKey("\\", false));
    EXPECT_TRUE(r.GetKeyNames().isEmpty());
    EXPECT_THROW(r.WriteString("Location", "/usr"), reg::RegistryError);
}
