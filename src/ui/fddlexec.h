#pragma once

#include "ddlrun.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class ConnectionWindow;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;

// The DDL runner: a top-level window that runs a script statement by statement through its
// connection window, logs every statement with its result and can stop at the first error.
// While a runner window exists the windows behind it take no input.
//
// The window does not decide the transaction: the compile sequence below opens it before the
// run, commits when every statement has been tried and rolls back when the run is abandoned,
// and reports the outcome back to the window (EndRun) so the log tells the truth about it.
class TfrmDDLExec : public QWidget
{
    Q_OBJECT
public:
    enum class State { Running, Stopped, Finished, Abandoned };

    // Opens a runner on AOwner for ASQL and runs it until every statement has been tried, or
    // the run stops at an error (chkErrorStop) or is abandoned. The window stays open.
    static TfrmDDLExec *ShowWindow(ConnectionWindow *AOwner, const QStringList &ASQL);
    // Returns when no runner window exists any more.
    static void WaitProc();

    ~TfrmDDLExec() override;

    State state() const { return m_state; }
    // Every statement has been tried; the caller's outcome (an empty commitError = committed)
    // is logged, then the final lines; without an error the window closes itself when the
    // option CloseDDL is on.
    void EndRun(const QString &commitError = QString());
    // Every statement has been tried, some failed, and the transaction was rolled back: the
    // log says so and ends as EndRun does.
    void EndRunRolledBack();
    int ErrorCount() const { return m_run.errorCount(); }
    // Runs a statement the compile adds after the script inside its transaction (its values
    // bound, so shown is what the log prints); a failure is logged and counted, and false is
    // returned.
    bool RunFollowUp(const QString &shown, const std::function<void()> &run);
    const QStringList &Pending() const { return m_run.pending(); }
    QString LogText() const;

    QPlainTextEdit *txtLog = nullptr;
    QCheckBox *chkErrorStop = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    void RunScript();
    void AddLog(const QString &Text);
    void btnOKClick();
    void LoadWindowState();
    void SaveWindowState();

Q_SIGNALS:
    // The state left Running (to Stopped, Finished waiting for EndRun, or Abandoned).
    void runPaused();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TfrmDDLExec(ConnectionWindow *AOwner, const QStringList &ASQL);
    void setupUi();
    // Runs one statement through the owner; a privilege the server left ungranted or
    // unrevoked (only a warning from the server) is thrown as the statement's error.
    void executeChecked(const QString &statement);

    QPointer<QWidget> FOwnerWidget;
    ConnectionWindow *FOwner = nullptr;
    DdlScriptRun m_run;
    State m_state = State::Running;
    bool m_allTried = false;
    bool FEndProc = false;
    bool m_inLoop = false;
    bool m_closePending = false;
};

// How the compile sequence runs a window's script. Every path but NoTransaction and
// StatementByStatement runs it in one transaction on the owner's main session (a savepoint
// when the user has a transaction open, which is never committed here).
enum class TCompilePolicy {
    // The runner; commit when every statement has been tried; the runner's "go on" runs the
    // rest in the same transaction, which is committed at the end; then the window's steps,
    // then the wait until the runner window is gone.
    Previewed,
    // As Previewed, but the commit waits until the user has closed the runner window.
    WaitBeforeCommit,
    // As Previewed, but the window's steps wait until the runner window is gone.
    WaitAfterCommit,
    // The runner without a transaction: statements that ran stay done.
    NoTransaction,
    // No runner: the statements run one after another, the first failure rolls back and is
    // shown; success says "コンパイルは正常に終了しました。".
    Direct,
    // No runner and no transaction: each statement on its own; the first failure is shown and
    // ends the run, the statements before it stay done.
    StatementByStatement,
};

// A statement a window runs inside the compile's transaction after its script: the runner's
// log shows Shown, Run executes it with its values bound and throws on failure.
struct TCompileFollowUp
{
    QString Shown;
    std::function<void(ConnectionWindow *owner)> Run;
};

// What a definition window hands to the compile sequence.
struct TCompileRequest
{
    TCompilePolicy Policy = TCompilePolicy::Previewed;
    QString Schema;
    QString ObjName;
    int ObjType = 0;
    bool IsNew = false;
    QString TableName; // constraints: their table; otherwise empty
    qint64 OID = -1; // functions, procedures and aggregates: the routine's OID; otherwise -1
    // The statements stand or fall together (a DROP and the CREATE or ADD that re-creates the
    // object): when any of them failed, also after "go on" or with the runner's stop option
    // off, the transaction is rolled back, not committed, and the log says so. Every script
    // that drops an object it then re-creates sets this.
    bool AllOrNothing = false;
    // Run in the transaction after every statement of the script has been tried and before
    // the commit; a failure rolls the transaction back and fails the compile.
    QList<TCompileFollowUp> FollowUps;
    // The window's steps after a successful commit (IsNew := False, reload message, own
    // reload); an exception from them is shown and makes the compile a failure.
    std::function<void()> AfterSuccess;
};

// The source backups around a compile: called before the transaction (when the object exists)
// and after a successful commit. The program installs the writer at start-up; without one
// nothing is backed up. A writer that fails throws: the failure is shown, and the compile does
// not start (before) or counts as failed (after).
using SourceBackupWriter
    = std::function<void(ConnectionWindow *owner, const TCompileRequest &req, bool after)>;
void setSourceBackupWriter(SourceBackupWriter writer);

// The compile sequence that every editor shares: the preview (option ShowDDL), the backup of
// the current source, one transaction on the owner's main session (a savepoint when the user
// has a transaction open, which is never committed here), the runner with every statement in a
// savepoint of its own so that "go on after an error" really runs the rest, then commit when
// every statement has been tried, or rollback when the run was abandoned; the backup of the new
// source and the window's own steps after success; last the wait until the runner window is
// closed. True only when the transaction was committed (or its savepoint released) and no
// statement failed; the steps after success run whenever the transaction was committed, since
// with "go on after an error" the statements that succeeded are in. With req.AllOrNothing a
// run with a failed statement is rolled back instead. req.Policy chooses the path (see
// TCompilePolicy); the preview, the backups and the transaction rules are the same on each.
// An empty script with follow-ups runs only the follow-ups.
bool RunCompileSequence(ConnectionWindow *owner, QStringList script, const TCompileRequest &req);
