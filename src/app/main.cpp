// The program: start-up state, options, the main window, and the way back out.
#include "appcommands.h"
#include "browser/fobjectbackup.h"
#include "core/qvcmdline.h"
#include "core/qvexcept.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/os/termination.h"
#include "platform/registry/settingsstore.h"
#include "shell/fmain.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <cstdio>

namespace {

// The last net: an exception that a handler let through is shown, and the event loop goes on.
class Application : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            ShowExceptionMessage(std::current_exception());
            return false;
        }
    }
};

// Closes every question that is open, as its Esc key or close box would (or, where it has
// neither, without an answer).
void closeOpenDialogs()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        QPointer<QDialog> dialog = qobject_cast<QDialog *>(window);
        if (!dialog || !dialog->isVisible())
            continue;
        dialog->reject();
        if (dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

} // namespace

int main(int argc, char **argv)
{
    // The C library's heap keeps its own settings: a fixed trim threshold would also fix its
    // mmap threshold, and every large text cell would then be a fresh mapping of its own.
    // The password switch is blanked in argv as soon as it is read.
    const TCommandLine commandLine = ReadCommandLine(argc, argv);

    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    QApplication::setFont(FormFont());

    // SIGTERM and SIGINT close the program the normal way. They act whenever an event loop runs,
    // the loop of a dialog included: an open question is closed first, then the main window;
    // a request that comes before the main window exists means it never opens.
    bool terminating = false;
    QMainWindow *mainWindow = nullptr;
    os::installTerminationHandler(&app, [&terminating, &mainWindow] {
        terminating = true;
        closeOpenDialogs();
        if (mainWindow)
            mainWindow->close();
    });

    InitializeQvsub();
    RegisterAppCommands(commandLine);
    RegisterObjectEditors();
    RegisterSourceBackups();
    RegisterToolWindows();
    int rc = 0;
    const QString warning = StartupWarning();
    if (!warning.isEmpty()) {
        // Also for whoever started the program from a terminal.
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
        std::fflush(stderr);
        ShowMessageBox(warning, MB_OK | MB_ICONWARNING);
        // A dialog closed by a termination request has not been read.
        if (!terminating)
            AppRegistry->store()->acknowledgeLoadError();
    }
    if (!terminating) {
        TfrmMain window;
        mainWindow = &window;
        window.show();
        rc = app.exec();
        mainWindow = nullptr;
    }
    FinalizeQvsub();
    return rc;
}
