// corvane_maindemo PICTURE [MENU]: the main window with two connections (one of the enterprise
// edition) and a tool window; MENU (an objectName such as mnuTool) is opened before the screen
// is saved to PICTURE.
#include "core/qvfontmap.h"
#include "core/qvobjeditors.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "shell/fmain.h"
#include "shell/fmaincmd.h"
#include "ui/qvforms.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

namespace {

class DemoConnection : public QWidget, public ConnectionWindow
{
public:
    DemoConnection(const QString &database, int version, bool edition)
        : m_version(version)
        , m_edition(edition)
    {
        m_connection.setParam("Server", "localhost");
        m_connection.setParam("Port", "5432");
        m_connection.setParam("Database", database);
        m_connection.setParam("User_Name", "postgres");
        setWindowTitle(QStringLiteral("オブジェクト一覧 - postgres @ ") + database);
        resize(420, 260);
    }
    QWidget *connectionWidget() override { return this; }
    pg::Connection *dbsMain() const override { return &m_connection; }
    int DBVer() const override { return m_version; }
    bool g_bPostgresPlus() const override { return m_edition; }
    void ExecuteSQL(const QString &) override { }
    void reloadObjectList() override { }
    int ObjectCount() const override { return 42; }
    int SelectedObjectCount() const override { return 0; }
    QList<TObjectCall> SelectedObjectCalls() const override { return {}; }
    void SetObjectListStyle(int) override { }
    void SetShortCut() override { }
    pg::Connection *dbsBG() const override { return &m_background; }
    pg::Connection *dbsBG2() const override { return &m_background; }
    void RegisterBackgroundWorker(QThread *) override { }

private:
    int m_version;
    bool m_edition;
    mutable pg::Connection m_connection;
    mutable pg::Connection m_background;
};

class DemoTool : public TqvForm
{
public:
    explicit DemoTool(QObject *owner)
        : TqvForm(owner)
    {
        setWindowTitle(QStringLiteral("SQL実行 - postgres @ sales"));
        resize(380, 220);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setFont(FormFont());
    if (argc < 2)
        return 2;
    InitializeQvsub();
    // A few windows of other subsystems stand registered, as the program's start-up would.
    for (const char *name : { "actViewSQL", "actEditCopy", "actEditSelectAll", "actToolOption" })
        RegisterMainCommand(QString::fromLatin1(name), { [](ConnectionWindow *) {}, {} });
    int rc = 1;
    {
        TfrmMain main;
        main.resize(1000, 720);
        main.show();
        DemoConnection sales("sales", 150002, false);
        DemoConnection edb("edbstore", 110000, true);
        main.AddConnection(&edb);
        main.AddConnection(&sales);
        auto *tool = ShowWindow<DemoTool>(&main);
        if (tool) {
            tool->CreateTaskButton();
            tool->setTaskCaption(tool->windowTitle());
        }
        main.SetDefMessage();
        const QString menuName = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
        QTimer::singleShot(800, [&] {
            auto *menu = menuName.isEmpty() ? nullptr : main.findChild<QMenu *>(menuName);
            if (menu)
                main.menuBar()->setActiveAction(menu->menuAction());
        });
        QTimer::singleShot(1800, [&] {
            rc = QGuiApplication::primaryScreen()->grabWindow(0).save(
                     QString::fromLocal8Bit(argv[1]))
                ? 0
                : 1;
            app.exit(rc);
        });
        app.exec();
        main.RemoveConnection(&sales);
        main.RemoveConnection(&edb);
    }
    FinalizeQvsub();
    return rc;
}
