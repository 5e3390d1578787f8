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

// A settings path below a file where its folder should be: nothing can be saved there until the
// file is gone.
QString blockedPath(const QTemporaryDir &dir)
{
    writeAll(dir.path() + "/blocked", "x");
    return dir.path() + "/blocked/QVR22.reg";
}

} // namespace

TEST(SettingsStore, EveryKindOfValueSurvivesSaveAndFreshRead)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/sub/QVR22.reg";
    const QByteArray binary("\x00\xff\x01\x80 \r\n", 7);
    const std::vector<std::pair<QString, Value>> cases = {
        { "Zero", Value::fromDWord(0) },
        { "HighBit", Value::fromDWord(0xFFFFFFFFu) },
        { "Plain", Value::fromString("ＭＳ ゴシック") },
        { "Empty", Value::fromString("") },
        { "Quotes", Value::fromString(R"(C:\dir\"x" \\ end\)") },
        { "Lines", Value::fromString("a\r\nb\rc\nd\r\n") },
        { "Tab", Value::fromString("x\ty") },
        { "LoneSurrogate", Value::fromString(QString("a") + QChar(0xd800) + "b") },
        { "Expand", Value::fromExpandString("%HOME%/x") },
        { "Binary", Value::fromBinary(binary) },
        { "EmptyBinary", Value::fromBinary({}) },
        { "", Value::fromString("the default value") },
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
              QStringList({ "data", "MAIN", "Sql" }));
    store.setValue("Software\\Quorlane\\QVR22\\GUI\\MAIN", "Width", Value::fromDWord(10));
    store.setValue("software\\quorlane\\qvr22\\gui\\main", "WIDTH", Value::fromDWord(20));
    EXPECT_EQ(store.valueNames("Software\\Quorlane\\QVR22\\GUI\\MAIN"), QStringList({ "Width" }));
    EXPECT_EQ(store.value("SOFTWARE\\QUORLANE\\QVR22\\GUI\\MAIN", "width")->dword, 20u);
    store.save();
    SettingsStore reread(path);
    EXPECT_EQ(reread.subkeyNames("Software\\Quorlane\\QVR22\\GUI"),
              QStringList({ "data", "MAIN", "Sql" }));
    EXPECT_TRUE(store.deleteKey("Software\\Quorlane\\QVR22\\GUI"));
    EXPECT_FALSE(store.keyExists("Software\\Quorlane\\QVR22\\GUI\\MAIN"));
    EXPECT_TRUE(store.keyExists("Software\\Quorlane\\QVR22"));
}

TEST(SettingsStore, TwoInstancesSavingDifferentKeysBothKeepTheirKeys)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    QProcess a, b;
    a.start(SETTINGS_WRITER, { path, "Software\\Quorlane\\QVR22\\A", "60" });
    b.start(SETTINGS_WRITER, { path, "Software\\Quorlane\\QVR22\\B", "60" });
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    ASSERT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    ASSERT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    SettingsStore store(path);
    EXPECT_TRUE(store.loadError().isEmpty());
    EXPECT_EQ(store.valueNames("Software\\Quorlane\\QVR22\\A").size(), 60);
    EXPECT_EQ(store.valueNames("Software\\Quorlane\\QVR22\\B").size(), 60);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({ "QVR22.reg", "QVR22.reg.lock" }));
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
        { "cut inside the last value", whole.left(whole.indexOf("last value") + 4), true },
        { "cut at a line end",
          whole.left(whole.indexOf("[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22\\Z]")), true },
        { "not a settings file", QByteArray("hello\n"), false },
        { "binary garbage", QByteArray("\x01\x02\xff", 3), false },
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
    SettingsStore store(blockedPath(dir));
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

namespace {

QByteArray utf16le(const QString &text)
{
    QByteArray out("\xff\xfe", 2);
    for (QChar ch : text) {
        out += char(ch.unicode() & 0xff);
        out += char(ch.unicode() >> 8);
    }
    return out;
}

QByteArray toCp932(const QString &text)
{
    QProcess iconv;
    iconv.start("iconv", { "-f", "UTF-8", "-t", "CP932" });
    iconv.waitForStarted();
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    iconv.waitForFinished();
    return iconv.readAllStandardOutput();
}

// A settings file holding one DWORD value under each of the subkeys named.
void writeSettings(const QString &path, const std::vector<std::pair<QString, QString>> &values)
{
    SettingsStore store(path);
    for (int i = 0; i < int(values.size()); ++i) {
        const QString key = kKey + "\\" + values[i].first;
        store.createKey(key);
        store.setValue(key, values[i].second, Value::fromDWord(quint32(i + 1)));
    }
    store.save();
}

QString valueAsText(const SettingsStore &store, const QString &key, const QString &name)
{
    auto v = store.value(key, name);
    if (!v)
        return "<missing>";
    switch (v->kind) {
    case reg::ValueKind::DWord:
        return QString::number(v->dword);
    case reg::ValueKind::Sz:
        return "sz:" + v->text;
    case reg::ValueKind::ExpandSz:
        return "expand:" + v->text;
    case reg::ValueKind::Binary:
        return "hex:" + QString::fromLatin1(v->bytes.toHex());
    case reg::ValueKind::None:
        break;
    }
    return "<none>";
}

} // namespace

TEST(SettingsStore, ReadsTheExportsOfTheRegistryEditor)
{
    // As the registry editor exports a key: CR LF line ends, long hex values continued over
    // lines, and no closing marker of ours. The header names the form, and with it how hex(2)
    // strings are held: UTF-16, or 8-bit text with one NUL in the older form.
    auto exportText = [](const char *header, const char *temp) -> QString {
        return QString::fromUtf8(header)
            + QStringLiteral("\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22]\r\n"
                             "\"FontName\"=\"ＭＳ ゴシック\"\r\n"
                             "\"Path\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
                             "\"Count\"=dword:0000000a\r\n"
                             "\"Temp\"=%1\r\n"
                             "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,"
                             "12,13,14,15,\\\r\n"
                             "  16,17,18\r\n"
                             "@=\"default\"\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22\\GUI\\MAIN]\r\n"
                             "\"Width\"=dword:00000400\r\n"
                             "\r\n")
                  .arg(QString::fromUtf8(temp));
    };
    const QString unicodeExport
        = exportText("Windows Registry Editor Version 5.00",
                     "hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,71,00,76,00,00,00");
    const QString eightBitExport = exportText("REGEDIT4", "hex(2):25,54,45,4d,50,25,5c,71,76,00");
    const struct
    {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        { "UTF-16 with a byte-order mark", utf16le(unicodeExport) },
        { "UTF-8 with a byte-order mark", "\xef\xbb\xbf" + unicodeExport.toUtf8() },
        { "UTF-8", unicodeExport.toUtf8() },
        { "REGEDIT4 in UTF-8", eightBitExport.toUtf8() },
        { "REGEDIT4 in CP932", toCp932(eightBitExport) },
    };
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        writeAll(path, c.bytes);
        for (int pass = 0; pass < 2; ++pass) {
            // The second pass reads what the store wrote after a change.
            SettingsStore store(path);
            EXPECT_EQ(store.loadError(), QString()) << store.loadError().toStdString();
            EXPECT_EQ(valueAsText(store, kKey, "FontName"), "sz:ＭＳ ゴシック");
            EXPECT_EQ(valueAsText(store, kKey, "Path"), R"(sz:C:\Program Files\"x")");
            EXPECT_EQ(valueAsText(store, kKey, "Count"), "10");
            EXPECT_EQ(valueAsText(store, kKey, "Temp"), R"(expand:%TEMP%\qv)");
            EXPECT_EQ(valueAsText(store, kKey, "Blob"),
                      "hex:000102030405060708090a0b0c0d0e0f101112131415161718");
            EXPECT_EQ(valueAsText(store, kKey, ""), "sz:default");
            EXPECT_EQ(valueAsText(store, kKey + "\\GUI\\MAIN", "Width"), "1024");
            store.setValue(kKey, "Saved", Value::fromDWord(1));
            EXPECT_NO_THROW(store.save());
        }
        EXPECT_EQ(QDir(dir.path()).entryList({ "*damaged*" }, QDir::Files), QStringList());
    }
}

TEST(SettingsStore, OnlyItsOwnFilesAreCutShortWithoutTheClosingMarker)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    writeSettings(path, { { "A", "X" }, { "B", "Y" } });
    const QByteArray whole = readAll(path);
    const QByteArray cut
        = whole.left(whole.indexOf("[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22\\B]"));
    writeAll(path, cut);
    EXPECT_NE(SettingsStore(path).loadError(), QString());
    // The same lines without the store's own comment line are a complete export.
    QByteArray foreign = cut;
    foreign.remove(foreign.indexOf("; Corvane"),
                   foreign.indexOf('\n', foreign.indexOf("; Corvane")) + 1
                       - foreign.indexOf("; Corvane"));
    ASSERT_FALSE(foreign.contains("; Corvane"));
    writeAll(path, foreign);
    SettingsStore store(path);
    EXPECT_EQ(store.loadError(), QString());
    EXPECT_EQ(store.value(kKey + "\\A", "X")->dword, 1u);
}

TEST(SettingsStore, NamesWithControlCharactersAreRefusedAndTheFileStaysWhole)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    const QStringList bad = { "a\nb",
                              "a\rb",
                              "tab\there",
                              QString("nul") + QChar(0),
                              "del\x7f",
                              "\x1b[31m",
                              QString("lone") + QChar(0xdc00) };
    {
        SettingsStore store(path);
        ASSERT_TRUE(store.createKey(kKey));
        for (const QString &name : bad) {
            EXPECT_FALSE(store.setValue(kKey, name, Value::fromDWord(1))) << name.toStdString();
            EXPECT_FALSE(store.createKey(kKey + "\\" + name)) << name.toStdString();
        }
        EXPECT_TRUE(store.setValue(kKey, "ok", Value::fromDWord(7)));
        EXPECT_TRUE(store.createKey(kKey + "\\[x] \"y\" @=z;"));
        EXPECT_TRUE(store.setValue(kKey + "\\[x] \"y\" @=z;", "[k]\"=\\;", Value::fromDWord(8)));
        store.createKey(kKey + "\\ZZ");
        store.setValue(kKey + "\\ZZ", "last", Value::fromDWord(9));
        store.save();
    }
    SettingsStore reread(path);
    EXPECT_EQ(reread.loadError(), QString());
    EXPECT_EQ(reread.valueNames(kKey), QStringList({ "ok" }));
    EXPECT_EQ(reread.value(kKey + "\\[x] \"y\" @=z;", "[k]\"=\\;")->dword, 8u);
    EXPECT_EQ(reread.value(kKey + "\\ZZ", "last")->dword, 9u);

    // Through the registry object the refusal is an error the caller sees.
    reg::RegistryAccess r(&reread);
    ASSERT_TRUE(r.OpenKey("\\" + kKey, false));
    EXPECT_THROW(r.WriteString("line\nbreak", "x"), reg::RegistryError);
    EXPECT_FALSE(r.OpenKey("\\" + kKey + "\\new\nkey", true));
}

TEST(SettingsStore, ALineThatCannotBeReadLosesNothingElseAndTheDamagedFileIsKept)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    writeSettings(path, { { "A", "Before" }, { "B", "After" }, { "C", "Later" } });
    QByteArray damaged = readAll(path);
    // A value line that cannot be read, and a key line whose values have nowhere to go.
    damaged.replace("\"Before\"=dword:00000001\n",
                    "\"Before\"=dword:00000001\n\"Broken\"=dword:zz\n");
    damaged.replace("[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22\\C]",
                    "[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22\\C");
    writeAll(path, damaged);

    SettingsStore store(path);
    const QString message = store.loadError();
    EXPECT_TRUE(message.contains("行目")) << message.toStdString();
    EXPECT_TRUE(message.contains("ほか 1 か所")) << message.toStdString();
    const QString copy = store.damagedCopyPath();
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_TRUE(message.contains(copy)) << message.toStdString();
    EXPECT_EQ(QFileInfo(copy).absolutePath(), QFileInfo(path).absolutePath());
    EXPECT_TRUE(QFileInfo(copy).fileName().startsWith("QVR22-damaged-")) << copy.toStdString();
    EXPECT_FALSE(QFile::exists(copy)); // made by the first save, not by reading
    EXPECT_EQ(store.value(kKey + "\\A", "Before")->dword, 1u);
    EXPECT_EQ(valueAsText(store, kKey + "\\B", "After"), "2");
    EXPECT_FALSE(store.value(kKey + "\\A", "Broken"));

    store.setValue(kKey + "\\A", "New", Value::fromDWord(5));
    EXPECT_THROW(store.save(), reg::SaveError); // not before the user has been told
    EXPECT_EQ(readAll(path), damaged);
    store.acknowledgeLoadError();
    store.save();
    EXPECT_EQ(readAll(copy), damaged);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(store.loadError(), QString());

    SettingsStore reread(path);
    EXPECT_EQ(reread.loadError(), QString());
    EXPECT_EQ(reread.value(kKey + "\\A", "Before")->dword, 1u);
    EXPECT_EQ(reread.value(kKey + "\\A", "New")->dword, 5u);
    EXPECT_EQ(valueAsText(reread, kKey + "\\B", "After"), "2");
    // A later save over the now sound file makes no further copy.
    reread.setValue(kKey + "\\A", "New", Value::fromDWord(6));
    reread.save();
    EXPECT_EQ(QDir(dir.path()).entryList({ "*damaged*" }, QDir::Files).size(), 1);
}

TEST(SettingsStore, AFileThatCannotBeReadIsNeverWrittenOver)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    writeAll(path, "Windows Registry Editor Version 5.00\n");
    ::chmod(QFile::encodeName(path).constData(), 0);
    SettingsStore store(path);
    EXPECT_NE(store.loadError(), QString());
    store.acknowledgeLoadError();
    store.createKey(kKey);
    EXPECT_THROW(store.save(), reg::SaveError);
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(readAll(path), "Windows Registry Editor Version 5.00\n");
}

TEST(SettingsStore, ASymbolicLinkIsWrittenThroughToItsTargetKeepingItsMode)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/dotfiles");
    QDir().mkpath(dir.path() + "/config");
    const QString target = dir.path() + "/dotfiles/QVR22.reg";
    const QString link = dir.path() + "/config/QVR22.reg";
    {
        SettingsStore store(target);
        store.createKey(kKey);
        store.setValue(kKey, "Old", Value::fromDWord(1));
        store.save();
    }
    ::chmod(QFile::encodeName(target).constData(), 0640);
    ASSERT_TRUE(QFile::link("../dotfiles/QVR22.reg", link));
    SettingsStore store(link);
    EXPECT_EQ(store.value(kKey, "Old")->dword, 1u);
    store.setValue(kKey, "New", Value::fromDWord(2));
    store.save();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(SettingsStore(target).value(kKey, "New")->dword, 2u);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(QDir(dir.path() + "/config").entryList(QDir::Files | QDir::System),
              QStringList({ "QVR22.reg", "QVR22.reg.lock" }));

    // A link whose target does not exist yet makes the target.
    const QString dangling = dir.path() + "/config/other.reg";
    ASSERT_TRUE(QFile::link("../dotfiles/other.reg", dangling));
    SettingsStore fresh(dangling);
    fresh.createKey(kKey);
    fresh.save();
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.path() + "/dotfiles/other.reg").isFile());
}

TEST(SettingsStore, TheNextSaveRemovesTemporaryFilesOfAKilledSave)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/QVR22.reg";
    writeAll(path + ".tmp12345", "half a file");
    writeAll(path + ".tmp1", "");
    writeAll(path + ".tmpnotes", "not ours");
    SettingsStore store(path);
    store.createKey(kKey);
    store.save();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({ "QVR22.reg", "QVR22.reg.lock", "QVR22.reg.tmpnotes" }));
}

TEST(SettingsStore, WithoutAHomeFolderNothingIsKept)
{
    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const QString noHome = SettingsStore::defaultPath();
    qputenv("XDG_CONFIG_HOME", "/somewhere");
    const QString xdgOnly = SettingsStore::defaultPath();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", config);
    EXPECT_EQ(noHome, QString());
    EXPECT_EQ(xdgOnly, "/somewhere/Quorlane/QVR22.reg");

    SettingsStore store { QString() };
    EXPECT_TRUE(store.keepsNothing());
    EXPECT_EQ(store.loadError(), QString());
    ASSERT_TRUE(store.createKey(kKey));
    ASSERT_TRUE(store.setValue(kKey, "A", Value::fromDWord(1)));
    EXPECT_NO_THROW(store.save());
    EXPECT_FALSE(store.hasPendingChanges());
    EXPECT_EQ(store.value(kKey, "A")->dword, 1u);
}

TEST(RegistryAccess, AFailedSaveWhenAKeyClosesIsReportedOnce)
{
    QTemporaryDir dir;
    SettingsStore store(blockedPath(dir));
    const QString blocked = dir.path() + "/blocked";
    QStringList reported;
    auto previous = reg::RegistryAccess::setSaveErrorReporter(
        [&](const QString &message) { reported << message; });
    {
        reg::RegistryAccess r(&store);
        // Every window saves its size this way as it closes.
        for (int window = 0; window < 3; ++window) {
            ASSERT_TRUE(
                r.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\W" + QString::number(window), true));
            r.WriteInteger("Width", 100);
            r.CloseKey();
            EXPECT_NE(r.lastSaveError(), QString());
        }
        EXPECT_EQ(reported.size(), 1);
        EXPECT_TRUE(store.hasPendingChanges());

        // Once the folder can be written the pending changes are saved, and a later failure is
        // reported again.
        QFile::remove(blocked);
        ASSERT_TRUE(r.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\W0", false));
        r.WriteInteger("Width", 200);
        r.CloseKey();
        EXPECT_EQ(r.lastSaveError(), QString());
        EXPECT_EQ(valueAsText(SettingsStore(blocked + "/QVR22.reg"),
                              "Software\\Quorlane\\QVR22\\GUI\\W2", "Width"),
                  "100");
        QDir(blocked).removeRecursively();
        writeAll(blocked, "x");
        ASSERT_TRUE(r.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\W0", false));
        r.WriteInteger("Width", 300);
        r.CloseKey();
        EXPECT_EQ(reported.size(), 2);
    }
    reg::RegistryAccess::setSaveErrorReporter(previous);
}
