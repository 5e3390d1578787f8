#pragma once

#include "sqlwin/execcall.h"
#include "ui/qvforms.h"

#include "platform/pg/result.h"

#include <QString>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class TqvStrEdit;
class TqvTreeNode;
class TqvTreeView;

// Where a run stands; shared with the debug run.
enum TExecStatus { esNone, esRunning, esComplete, esError, esCancel };

// The stored-program runner: one window per program signature and connection, in which the
// user types a value per argument into the argument tree and runs the call; after a run the
// output pane lists the value of every argument and of the return value.
//
// The normal run calls the program on the connection's main session in the session's own
// transaction state: the window neither commits nor rolls back. The call and its bound values
// come from the call model (execcall.h), which the tree's nodes are handed to.
class TfrmExecProc : public TqvForm
{
    Q_OBJECT
public:
    // AOwner: the connection window whose program runs (the main window: its current one).
    // ObjectType 51 procedure, 52 function, 53 package, 54 package body, 128 aggregate (refused
    // with a message); p_intOID the routine's oid, -1 for a package; p_bPLPGSQL enables the
    // debug run. A runner for the same signature on the same connection is brought forward
    // instead, and the construction ends with the silent abort.
    TfrmExecProc(QObject *AOwner, const QString &Schema, const QString &ObjectName, int ObjectType,
                 qint64 p_intOID, bool p_bPLPGSQL);
    ~TfrmExecProc() override;

    // Opens the runner as the constructor takes its arguments; nullptr when none was made (an
    // open one was brought forward, or the failure was shown).
    static TfrmExecProc *ShowWindow(QObject *AOwner, const QString &Schema,
                                    const QString &ObjectName, int ObjectType, qint64 p_intOID,
                                    bool p_bPLPGSQL);

    // --- controls
    QToolBar *tolCmd = nullptr;
    QToolButton *btnExec = nullptr;
    QToolButton *btnDebug = nullptr;
    QToolButton *btnExit = nullptr;
    QComboBox *cmbSchema = nullptr;
    TqvStrEdit *txtName = nullptr;
    QWidget *pnlSubProgram = nullptr;
    QComboBox *cmbSubProgram = nullptr;
    QWidget *pnlParam = nullptr;
    TqvTreeView *lstParam = nullptr;
    TqvStrEdit *txtParam = nullptr;
    QSplitter *spl1 = nullptr;
    QPlainTextEdit *txtOutput = nullptr;

    // --- state
    int FObjType = 0;
    int FSubObjType = -1;
    qint64 L_intOID = -1;
    QString L_strTypLst;
    TqvTreeNode *FPreNode = nullptr;
    TExecStatus wExecStatus = esNone;
    QString DebugErrorMessage;

    // The normal run.
    void btnExecClick();
    // The debug run: refused with a message where the database has no pldbgapi.
    void btnDebugClick();
    // The end of every run: the listing after a completed one.
    void EndExecSQL();
    void btnExitClick();
    void cmbSubProgramSelect();
    // Rebuilds the argument tree from the catalog; every typed value goes.
    void LoadArguments();

    // The tree's nodes as the call model takes them, the values typed so far included.
    QList<TExecArg> TreeArguments() const;
    // Stores the value editor's text into the node it shows.
    void StoreEditorValue();

    void LoadWindowState() override;
    void SaveWindowState() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUi();
    void lstParamChange(QTreeWidgetItem *node);
    void pnlParamResize();
    void placeEditor();
    void fillTree();

    TExecProgram m_program; // the signature the tree shows
    TExecCall m_call; // the last call run
    pg::Result m_result; // its rows
    bool m_debugEnabled = false;
};
