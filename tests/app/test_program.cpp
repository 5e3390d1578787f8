// The program itself: started with an empty settings folder and closed normally, it leaves the
// general options as values of the root key of its settings file; it makes no folder for
// documents not yet saved; a termination request while its start-up warning is open ends it
// normally; without a home folder it says so and keeps nothing.
#include "platform/registry/settingsstore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <signal.h>

namespace {

// Reads the program's standard error until it holds what, or the time is up.
QString waitForError(QProcess &program, const QString &what, int ms = 30000)
{
    QString text;
    QDeadlineTimer deadline(ms);
    while (!text.contains(what) && !deadline.hasExpired() && program.state() == QProcess::Running) {
        program.waitForReadyRead(100);
        text += QString::fromLocal8Bit(program.readAllStandardError());
    }
    return text;
}

// Starts the program with settings, data and documents folders below root.
void startProgram(QProcess &program, const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("CORVANE_DATA_DIR", root + "/data");
    env.insert("CORVANE_DOCUMENT_DIR", root + "/documents");
    program.setProcessEnvironment(env);
    program.start(CORVANE_EXE, {});
}

// Stops a program that a failed test left running.
void stop(QProcess &program)
{
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(10000);
    }
}

} // namespace

TEST(Program, ClosedNormallyLeavesTheGeneralOptionsInTheSettingsFile)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/config/Quorlane/QVR22.reg";
    QProcess program;
    startProgram(program, dir.path());
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
    // No document was saved, so no documents folder was made.
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/documents"));

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
    for (const char *key :
         { "PRINTOPTION", "SHORTCUT", "TEXTOUT", "EXPORT", "LOADER", "DB", "RESERVE", "EDITOR" })
        EXPECT_TRUE(store.keyExists(root + "\\" + key)) << key;
}

TEST(Program, TerminationWhileTheStartupWarningIsOpenEndsTheProgramNormally)
{
    for (const int signal : { SIGTERM, SIGINT }) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        QTemporaryDir dir;
        const QString file = dir.path() + "/config/Quorlane/QVR22.reg";
        QDir().mkpath(dir.path() + "/config/Quorlane");
        const QByteArray damaged = "Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\Quorlane\\QVR22]\n"
                                   "\"Broken\n"
                                   "\"Kept\"=dword:00000001\n";
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(damaged);
        }
        QProcess program;
        startProgram(program, dir.path());
        ASSERT_TRUE(program.waitForStarted(30000));
        // The warning goes to standard error as the dialog opens; it names the line and where
        // the damaged file will be kept.
        const QString warning = waitForError(program, "-damaged-");
        EXPECT_TRUE(warning.contains("4 行目")) << warning.toStdString();
        EXPECT_TRUE(warning.contains(dir.path() + "/config/Quorlane/QVR22-damaged-"))
            << warning.toStdString();
        QThread::msleep(300);
        ::kill(program.processId(), signal);
        const bool ended = program.waitForFinished(15000);
        EXPECT_TRUE(ended) << "the program ran on after the termination request";
        stop(program);
        if (ended) {
            EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(program.exitCode(), 0);
        }
        // The user did not read the warning: the damaged file is left as it was.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), damaged);
    }
}

TEST(Program, WithoutAHomeFolderSaysSoAndKeepsNothing)
{
    QTemporaryDir dir;
    // Where the program would have written with the file system's root for a home folder.
    const QStringList rootPaths = { "/.config", "/.local", "/Documents" };
    QStringList absentBefore;
    for (const QString &path : rootPaths)
        if (!QFileInfo::exists(path))
            absentBefore << path;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *var : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR",
                             "CORVANE_DATA_DIR", "CORVANE_DOCUMENT_DIR" })
        env.remove(var);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(CORVANE_EXE, {});
    ASSERT_TRUE(program.waitForStarted(30000));
    const QString warning = waitForError(program, "HOME");
    EXPECT_TRUE(warning.contains("設定を保存しません")) << warning.toStdString();
    QThread::msleep(300);
    program.terminate();
    const bool ended = program.waitForFinished(15000);
    EXPECT_TRUE(ended);
    stop(program);
    for (const QString &path : absentBefore) {
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
        // Leaves the machine as it was, also when the program is at fault.
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}
