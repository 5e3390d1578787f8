// The program: start-up state, options, the main window, and the way back out.
#include "core/qvexcept.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/os/termination.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMainWindow>

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

class MainWindow : public QMainWindow
{
public:
    MainWindow()
    {
        setObjectName(QStringLiteral("frmMain"));
        setWindowTitle(QApplication::applicationName());
        resize(1024, 700);
        LoadOptions();
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        // A failed save is told and the window closes all the same: the file keeps its previous
        // settings whole.
        QString error;
        if (!SaveOptions(&error))
            ShowMessageBox(error, MB_OK | MB_ICONERROR);
        event->accept();
    }
};

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    QApplication::setApplicationDisplayName(QStringLiteral("Corvane for Postgres"));
    QApplication::setFont(FormFont());

    // Signals are turned into a normal close from here on; they act once the event loop runs,
    // when the main window exists.
    MainWindow *mainWindow = nullptr;
    os::installTerminationHandler(&app, [&mainWindow] {
        if (mainWindow)
            mainWindow->close();
    });

    InitializeQvsub();
    int rc = 0;
    {
        const QString damage = AppRegistry->store()->loadError();
        if (!damage.isEmpty()) {
            ShowMessageBox(damage, MB_OK | MB_ICONWARNING);
            AppRegistry->store()->acknowledgeLoadError();
        }
        MainWindow window;
        mainWindow = &window;
        window.show();
        rc = app.exec();
        mainWindow = nullptr;
    }
    FinalizeQvsub();
    return rc;
}
