#pragma once

#include "ui/qvforms.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QAction;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class TqvComboBox;
class TqvMemo;

// Opens a script file with the desktop's application for it; false when nothing could open it.
// Tests put their own.
using TScriptFileOpener = std::function<bool(const QUrl &url)>;
// Installs opener (an empty one restores the desktop's) and returns the previous one.
TScriptFileOpener SetScriptFileOpener(TScriptFileOpener opener);

// The script-file runner: a list of script files run one after the other on the main session of
// a chosen connection window, with a log of every statement's outcome.
//
// Each file is read whole in the file-encoding option's encoding and cut into statements at the
// lines that hold only ";". Each statement runs as it stands, ":" included, and alone: a
// statement that returns rows is refused before it is sent, and so is text that holds two
// statements. The runner starts, commits and rolls back nothing; every statement joins the
// session's own transaction state.
//
// The shared main session follows the window's schema while the window is the active one and
// gets its previous schema back when the window is deactivated or closed.
class TfrmExecScript : public TqvForm
{
    Q_OBJECT
public:
    // Use ShowWindow.
    explicit TfrmExecScript(ConnectionWindow *AOwner);
    ~TfrmExecScript() override;

    // A new runner on AOwner; nullptr when none could be made (the user has been told).
    static TfrmExecScript *ShowWindow(ConnectionWindow *AOwner);

    QToolBar *tolCmd = nullptr;
    QToolBar *tolOption = nullptr;
    QWidget *pnlName = nullptr;
    QComboBox *cmbDBName = nullptr;
    QWidget *pnlSchema = nullptr;
    TqvComboBox *cmbSchema = nullptr;
    QWidget *pnlHeader = nullptr;
    QListWidget *lstScript = nullptr;
    QSplitter *spl2 = nullptr;
    QWidget *pnlFile = nullptr;
    QToolButton *btnSelect = nullptr;
    QComboBox *cmbFolder = nullptr;
    QTreeView *lstFile = nullptr;
    QSplitter *spl1 = nullptr;
    TqvMemo *txtLog = nullptr;
    QMenu *mnuScript = nullptr;

    QAction *actExec = nullptr;
    QAction *actSelect = nullptr;
    QAction *actUp = nullptr;
    QAction *actDown = nullptr;
    QAction *actDelete = nullptr;
    QAction *actExit = nullptr;

    // The connection's default schema when the window last became the active one.
    QString L_sOpenSchema;

    // The run of the whole list, after the confirmation.
    void actExecExecute();
    // Adds the entries selected in the file view.
    void actSelectExecute();
    void actUpExecute();
    void actDownExecute();
    void actDeleteExecute();
    // Opens every selected entry of the list with the desktop's application.
    void lstScriptDblClick();
    // Binds the window to the connection chosen in cmbDBName.
    void cmbDBNameChange();
    void cmbSchemaDropDown();
    void cmbSchemaSelect();
    // Appends paths, sorted without regard to case, to the list (the files dropped on the
    // window, whole, whatever their length).
    void AddScripts(QStringList paths);
    // Shows folder in the folder box and the file view; false when it does not exist.
    bool ShowFolder(const QString &folder);
    QString CurrentFolder() const;
    // The file view's sort: the column clicked, in the direction its flag gives; the flag is
    // then turned for the next click. The flags are shared by every runner window.
    void lstFileColumnClick(int column);

    // When New is not empty and differs from Old, New becomes the owner session's default schema
    // and search path. Errors are ignored.
    void SetSchema(const QString &Old, const QString &New);

    // Set on an entry whose file ran to its end without an error in the last run.
    bool RunMark(int row) const;
    // The errors of the last run.
    int ErrorCount() const { return m_errorCount; }
    // The scripts in list order.
    QStringList Scripts() const;

    void DBChange(QObject *Sender) override;
    void LoadWindowState() override;
    void SaveWindowState() override;

    // The horizontal room the list gets: its widest entry plus 170 pixels; 0 when empty.
    int FitListWidth(QListWidget *list);

protected:
    void FormActivate() override;
    void FormClose(TCloseAction &Action) override;
    void FormDeactivate();
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Run;
    void buildControls();
    void updateActions();
    void fillConnections();
    void lstFileChange();
    void lstFileDblClick();
    void ExecuteScriptStatement(Run &run);
    void ShowEndMessage(const Run &run);
    int logLine(const QString &text);
    void logLines(const QStringList &lines);
    void logToEnd();
    void flushLog();
    void clearLog();

    QFileSystemModel *m_files = nullptr;
    int m_errorCount = 0;
    bool m_active = false; // the shared session follows this window's schema
    bool m_closed = false;
    bool m_watchingFrame = false;
    int m_logCount = 0; // lines in the log, those not yet shown included
    QString m_pendingLog; // lines not yet handed to the control
    QList<int> m_pendingMarks; // their error lines
    QElapsedTimer m_lastFlush;
};
