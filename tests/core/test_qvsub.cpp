// The program's start-up state: no folder is made for documents that have not been saved, and
// a settings save that fails when a key closes is shown to the user.
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "core/qvsub.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs the start-up and the shut-down around a test, with the folders of the test's own.
class Qvsub
{
public:
    explicit Qvsub(const QString &documents)
        : m_oldDocuments(qgetenv("CORVANE_DOCUMENT_DIR"))
    {
        qputenv("CORVANE_DOCUMENT_DIR", documents.toUtf8());
        InitializeQvsub();
    }
    ~Qvsub()
    {
        FinalizeQvsub();
        qputenv("CORVANE_DOCUMENT_DIR", m_oldDocuments);
    }

private:
    QByteArray m_oldDocuments;
};

} // namespace

TEST(Qvsub, StartingMakesNoDocumentsFolder)
{
    QTemporaryDir dir;
    const QString documents = dir.path() + "/Documents/";
    Qvsub qvsub(documents);
    EXPECT_EQ(DocumentDir, documents);
    EXPECT_FALSE(QFileInfo::exists(documents));
}

TEST(Qvsub, ASettingsSaveThatFailsWhenAKeyClosesIsShown)
{
    QTemporaryDir dir;
    Qvsub qvsub(dir.path() + "/Documents/");
    QStringList shown;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        shown << request.text;
        return IDOK;
    });
    // A file where the settings folder should be: nothing can be saved there.
    QFile blocker(dir.path() + "/blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    reg::SettingsStore store(dir.path() + "/blocked/QVR22.reg");
    TqvRegistry registry(&store);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\SQL", true));
    registry.WriteInteger("Width", 640);
    registry.CloseKey();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("設定を保存できませんでした")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(dir.path() + "/blocked")) << shown[0].toStdString();
}

TEST(Qvsub, TheStartupWarningNamesTheCopyOfADamagedSettingsFile)
{
    QTemporaryDir dir;
    Qvsub qvsub(dir.path() + "/Documents/");
    const QString path = dir.path() + "/QVR22.reg";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22]\n"
        "\"Broken\n\"Kept\"=dword:00000001\n");
    file.close();
    reg::SettingsStore store(path);
    TqvRegistry *old = AppRegistry;
    TqvRegistry registry(&store);
    AppRegistry = &registry;
    const QString warning = StartupWarning();
    AppRegistry = old;
    EXPECT_TRUE(warning.contains("4 行目")) << warning.toStdString();
    EXPECT_TRUE(warning.contains(store.damagedCopyPath())) << warning.toStdString();
    EXPECT_EQ(store.value("Software\\Quorlane\\QVR22", "Kept")->dword, 1u);
}
