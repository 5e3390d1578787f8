// The program itself: started with an empty settings folder and closed normally, it leaves the
// general options as values of the root key of its settings file.
#include "platform/registry/settingsstore.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

TEST(Program, ClosedNormallyLeavesTheGeneralOptionsInTheSettingsFile)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/config/Quorlane/QVR22.reg";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
    env.insert("CORVANE_DATA_DIR", dir.path() + "/data");
    env.insert("CORVANE_DOCUMENT_DIR", dir.path() + "/documents");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(CORVANE_EXE, {});
    ASSERT_TRUE(program.waitForStarted(30000));

    // The option keys are created while the main window is made; then it is up.
    QDeadlineTimer deadline(30000);
    while (!QFile::exists(file) && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(file));
    QThread::msleep(300);
    // SIGTERM is how a desktop session asks a program to close its window.
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    reg::SettingsStore store(file);
    EXPECT_TRUE(store.loadError().isEmpty()) << store.loadError().toStdString();
    const QString root = "Software\\Quorlane\\QVR22";
    auto dword = [&](const char *name) {
        auto v = store.value(root, name);
        return (v && v->kind == reg::ValueKind::DWord) ? qint64(v->dword) : -1;
    };
    auto text = [&](const char *name) {
        auto v = store.value(root, name);
        return (v && v->kind == reg::ValueKind::Sz) ? v->text : QStringLiteral("<missing>");
    };
    EXPECT_EQ(dword("TreeSort"), 0);
    EXPECT_EQ(dword("UserUpperName"), 1);
    EXPECT_EQ(dword("DefTopRecord"), 1000);
    EXPECT_EQ(dword("Encoding"), 2);
    EXPECT_EQ(text("DateFormat"), "yyyy/MM/dd");
    EXPECT_EQ(text("TempDir"), dir.path() + "/data/QVR22/temp/");
    // Read but never written.
    EXPECT_FALSE(store.value(root, "ExcelExt").has_value());
    EXPECT_FALSE(store.value(root, "CharacterSet").has_value());
    // The other option records sit in their subkeys.
    for (const char *key : {"PRINTOPTION", "SHORTCUT", "TEXTOUT", "EXPORT", "LOADER", "DB",
                            "RESERVE", "EDITOR"})
        EXPECT_TRUE(store.keyExists(root + "\\" + key)) << key;
}
