#pragma once

#include "core/qvappwindows.h"
#include "ui/qvforms.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLayout;
class QLabel;
class QMenu;
class QPoint;
class QSplitter;
class QThread;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
struct TqvOption;
struct TObjectRow;
class QTreeWidget;
class TqvListView;
class TqvTreeView;

namespace pg {
class Connection;
class Result;
} // namespace pg

// The connection window: one multi-document child of the main window per open database. It
// owns the main session `dbsMain` that every window of that database uses, the two background
// sessions of the stored-program runner and the debugger, learns the server's version and
// edition when it connects, keeps the session alive on a timer, and has its entry in the main
// window's connection selector and its button on the task bar. Its left panel holds the object
// tree `lstTree`, its right panel the object list `lstObject`.
//
// Made through Create, which returns the window connected and shown, or throws: pg::Error for
// a failed connect (the logon dialog reports it and opens again), SilentAbort when the server
// did not answer in time (the user has been told already).
//
// The services run statements on dbsMain in the user-interface thread. None of them opens,
// commits or rolls back a transaction: with the auto-commit option off the session works inside
// the transaction that the window opened after connecting (and that the main window's COMMIT and
// ROLLBACK end and open again); with it on every statement commits on its own. Every member of
// ConnectionWindow is implemented here.
class TfrmObject : public TqvForm, public ConnectionWindow
{
    Q_OBJECT
public:
    // Connects to database SID on Host:Port as UserID with the logon schema Schema; AOwner is
    // the main window.
    static TfrmObject *Create(QObject *AOwner, const QString &Host, const QString &Port,
                              const QString &SID, const QString &Schema, const QString &UserID,
                              const QString &Password);
    ~TfrmObject() override;

    // Seconds the connect waits for the server (the client library waits at least two).
    static int LoginTimeout;

    // --- ConnectionWindow
    QWidget *connectionWidget() override { return this; }
    pg::Connection *dbsMain() const override;
    int DBVer() const override { return m_dbVer; }
    bool g_bPostgresPlus() const override { return m_postgresPlus; }
    void reloadObjectList() override;
    int ObjectCount() const override;
    int SelectedObjectCount() const override;
    QList<TObjectCall> SelectedObjectCalls() const override;
    // 2 list (the names alone, no header), 3 report (every column under its header); other
    // values change nothing. The style stays for every later list of the window.
    void SetObjectListStyle(int style) override;
    int ObjectListStyle() const { return m_listStyle; }
    // The new-object actions, actNew, the open actions and the other object-list actions take
    // the shortcuts of the main window's actions of the same commands.
    void SetShortCut() override;
    void ApplyListOptions(bool rebuildTree) override;
    // The user-command and report menus of the object list, rebuilt from the main window's.
    void SetCommandList();
    void SetReportList();

    // --- opening objects and writing their scripts (the dispatch over the registered editors)
    // A new object of the kind objectType in the logon schema (actNewExecute).
    void NewObject(int objectType) override;
    QWidget *OpenObject(int ObjectType, const QString &Schema, const QString &ObjectName,
                        TOpenMode OpenMode = omDefine, int DefTopRecord = 0, qint64 OID = -1,
                        const QString &TableName = QString()) override;
    [[nodiscard]] bool OutputScript(int ObjectType, const QString &Schema,
                                    const QString &ObjectName, QIODevice &Stream,
                                    const QString &NewSchema = QString(),
                                    const QString &NewObjectName = QString(), qint64 OID = -1,
                                    const QString &TableName = QString()) override;
    void OutputGrant(const QString &Schema, const QString &ObjectName, QIODevice &Stream,
                     int intMode, const QString &strObjCls = QString(),
                     const QString &strOid = QString()) override;
    // The open command of the list (double-click, Enter): the selected rows are opened on the
    // page the option OpenMode names.
    void actOpenExecute();
    // Opens the selected rows of lstObject in list order through OpenObject; each row opened is
    // deselected, and Esc stops the walk before the next row (the rest stay selected).
    void OpenSelectedObjects(TOpenMode OpenMode, int DefTopRecord = 0);
    // Keys of the object list; true when the key was handled: F2 renames the first selected
    // row, Enter opens the selection, Delete drops it; none of them while a name is edited.
    bool lstObjectKeyDown(int Key);

    // --- the selection walk of the list commands
    // How a walk ended: rows handled, the total it started with, and whether Esc stopped it.
    struct TWalkResult
    {
        int handled = 0;
        int total = 0;
        bool cancelled = false;
    };
    // Walks the selected rows of lstObject in list order under the SQL-wait cursor and the
    // cancel guard, with the list's change handler detached, showing step and total in the
    // main window's status. Before each row Esc stops the walk; with scrollIntoView the row is
    // scrolled into view. act handles the row and returns whether it is done: a done row is
    // deselected when deselect is set, a row that is not done stops the walk (it and the rows
    // after it stay selected). An exception from act ends the walk and reaches the caller.
    // However it ends, the status shows the list's counts again and the change handler is
    // attached again.
    TWalkResult WalkSelection(bool scrollIntoView, bool deselect,
                              const std::function<bool(QTreeWidgetItem *row)> &act);

    // --- the object menu, the tree menu and the list's events
    // Recomputes the enabled and visible state of the list commands (ObjectMenuState) for the
    // selection and the tree node; commands whose windows are not registered stay disabled.
    void mnuObjectClick();
    // The tree's pop-up menu is about to show: FRSelected becomes the selected node, and the
    // entries are shown for it (TreeMenuState).
    void popTreePopup();
    // The list's context menu: the object menu at globalPos, after mnuObjectClick.
    void lstObjectContextPopup(const QPoint &globalPos);
    // The in-place rename: whether row may be edited, and the commit of the typed text S.
    void lstObjectEditing(QTreeWidgetItem *row, bool &AllowEdit);
    void lstObjectEdited(QTreeWidgetItem *row, QString &S);
    // Starts editing the name of the first selected row.
    void actRenameExecute();

    // --- the commands of the selection
    // Asks for a record count ("既定値にする" keeps it as the option DefTopRecord), then opens
    // the selected rows on their data page with that limit.
    void actOpenDataTopExecute();
    // The stored-program runner for every selected procedure, function and package.
    void actExecExecute();
    // The cross-reference page of every selected object, through its editor.
    void actCrossExecute();
    // The print dialog for the selected objects (PrintObjects).
    void actPrintExecute();
    // Prints the CREATE script of every selected object, one section each; the selection stays
    // as it was, so a preview and then a print give the same pages. Objects whose script could
    // not be written are named at the end.
    void PrintObjects();
    void actMatrixExecute();
    void actGrantExecute();
    void actAnalyzeExecute();
    void actCommentExecute();
    // Adds the selected rows to the workspace (a row already there is left out).
    void actAddWorkSpaceExecute();
    // Drops the selected objects after one confirmation (ignore errors, CASCADE); see
    // fobjectdrop.cpp.
    void actDeleteExecute();
    // The tree node under the tree's pop-up menu when it last opened.
    QTreeWidgetItem *FRSelected = nullptr;

    // --- statements and pick lists (see ConnectionWindow), with the SQL-wait cursor
    void ExecuteSQL(const QString &SQLText) override;
    void ExecuteSQL(const QString &SQLText, const QStringList &ParamData) override;
    void ExecuteSQL(const QStringList &SQLText, bool IgnoreError) override;
    pg::Result OpenSQL(const QString &SQLText) override;
    pg::Result OpenSQL(const QString &SQLText, const QStringList &ParamData) override;
    int GetMySID() override;
    QString VerStr(int Version, const QString &S1, const QString &S2) const override;
    QStringList GetUser(bool AddPublic) override;
    QStringList GetRole() override;
    QStringList GetTBS() override;
    QStringList GetDBLink() override;
    QStringList GetObject(const QString &Schema, const QString &ObjectType) override;
    QStringList GetDataType(int ObjType = 0) override;
    QStringList GetSchemaInfo(bool ObjList) override;

    // --- background sessions and their workers (see ConnectionWindow)
    pg::Connection *dbsBG() const override { return m_dbsBG; }
    pg::Connection *dbsBG2() const override { return m_dbsBG2; }
    void RegisterBackgroundWorker(QThread *worker) override;

    // --- keep-alive
    // The timer's tick: "SELECT 1 " on dbsMain. A failure stops the timer, is reported once and
    // marks the session broken.
    void tmrKeepAliveTimer();
    QTimer *KeepAliveTimer() const { return tmrKeepAlive; }
    // The keep-alive found the session dead, or a statement found it lost.
    bool SessionBroken() const { return m_sessionBroken; }

    // --- state other windows read
    int MYSID = 0; // backend process id of dbsMain, read at connect
    QString DBName; // the database given at connect
    bool g_Linux_Ver = false; // the server's banner contains "linux"
    QString g_TreeDispState; // "%" while the list shows several kinds, else its kind keyword
    QPointer<QWidget> FieldWindow; // the open column browser of this connection
    QString FViewType; // kind keyword of the current list, prefix of its column widths
    int Disp = 0; // schema filter of the tree: 0 all, 1 the logon schema, 2 a chosen set

    // --- object tree
    // Builds lstTree again: the database, its schemas (as Disp filters them) and the object
    // kinds the options, the server and the schema admit, schema first or kind first as the
    // tree-order buttons say. The object list keeps its rows until the user selects a node.
    void ShowTree();
    // The user chose a filter in cmbTree: "設定" asks for the display schema set first and,
    // cancelled, leaves everything as it was.
    void cmbTreeChange();
    // A tree-order button was pressed: option TreeSort 0 (schema first) or 1 (kind first).
    void btnTreeClick(int treeSort);
    // The selected tree node changed (50 ms after the last change).
    void lstTreeChange();
    // The logon schema without its enclosing quotes.
    QString LoginSchema() const;

    // --- object list
    // Fills lstObject for the selected tree node: a detail list of one kind (option TreeData),
    // a short list of one kind, or the mixed list of every kind (the root, or a schema node of
    // the schema-first tree), narrowed by the search bar's text unless IsGrep. One statement
    // reads the whole list. Esc stops the reading; the rows read so far stay, sorted. A failing
    // statement reaches the caller; the rows added before it stay.
    void ShowObject(bool IsGrep);
    // The search bar: its button, and Enter in its combo.
    void btnWhereClick();
    // Writes the widths of the list's columns under GUI\OBJECT (FViewType and the index).
    void SaveObjectListWidths();

    // Controls.
    QWidget *pnlTree = nullptr;
    QToolBar *pnlTool = nullptr;
    QToolButton *btnTree1 = nullptr;
    QToolButton *btnTree2 = nullptr;
    QToolButton *btnLevel0 = nullptr;
    QToolButton *btnLevel1 = nullptr;
    QLabel *lblTree = nullptr;
    QComboBox *cmbTree = nullptr;
    TqvTreeView *lstTree = nullptr;
    QTimer *tmrTreeChange = nullptr;
    QSplitter *spl1 = nullptr;
    QWidget *pnlObject = nullptr;
    QToolBar *pnlFind = nullptr;
    QToolButton *btnWhere = nullptr;
    QToolButton *btnGrep = nullptr;
    QComboBox *cmbFind = nullptr;
    TqvListView *lstObject = nullptr;
    QTimer *tmrKeepAlive = nullptr;
    // The window's actions (action list actObject): the new-object actions actNewTable …
    // actNewAgrg carry their kind's object-type code as "ImageIndex"; actNew creates an object
    // of the kind of the selected tree node. Reached by their design names (findChild).
    QList<QAction *> actObject;
    // The user-command and report submenus of the object list.
    QMenu *mnuCommand = nullptr;
    QMenu *mnuReport = nullptr;
    // The object menu "オブジェクトリスト(&O)" (also the list's context menu), its new-object
    // submenu, and the tree's pop-up menu.
    QMenu *mnuObject = nullptr;
    QMenu *mnuNew1 = nullptr;
    QMenu *popTree = nullptr;

    void LoadWindowState() override;
    void SaveWindowState() override;
    // The size the window first takes.
    QSize sizeHint() const override;

protected:
    void FormCloseQuery(bool &CanClose) override;
    void FormClose(TCloseAction &Action) override;
    void FormActivate() override;
    void Reload(QObject *Sender) override;

private:
    explicit TfrmObject(QObject *AOwner);
    void setupUi();
    void setupTreeUi(QLayout *treeLayout);
    void setupFindUi(QLayout *objectLayout);
    void LoadFindHistory();
    void setupObjectOpen();
    void setupActions();
    void setupObjectMenu();
    void setupListEvents();
    QAction *action(const char *name) const;
    void lstObjectChange();
    // The object list's style as the main window's View menu has it checked (report when
    // there is no main window).
    void InitObjectListStyle();
    void ApplyObjectListStyle();
    void Connect(const QString &Host, const QString &Port, const QString &SID,
                 const QString &Schema, const QString &UserID, const QString &Password);
    void Register();
    void StopBackgroundWorkers();
    void CloseSessions();
    void Unregister();
    void markBroken();
    QList<TqvForm *> OwnedWindows() const;

    pg::Connection *m_dbsMain = nullptr;
    pg::Connection *m_dbsBG = nullptr;
    pg::Connection *m_dbsBG2 = nullptr;
    QList<QPointer<QThread>> m_workers;
    int m_dbVer = 0;
    bool m_postgresPlus = false;
    bool m_sessionBroken = false;
    bool m_registered = false;
    int m_listStyle = 3;
    QString m_connectionKey;
    int m_walking = 0; // walks under way: the list's change handler is detached
};

// The role of a tree node's data that holds its image index (the object-type code of a kind
// node, 126 for the logon schema, 4 for another schema, 1 for the database). A row of the
// object list keeps its image index, the object's type code, in the same role of column 0.
// It is the list's ListImageIndexRole (qvcomctrls.h), which the list's drag payload reads.
inline constexpr int TreeImageRole = Qt::UserRole + 16;

// The object-type code of a row of the object list: its image index (TreeImageRole), else the
// code of its kind keyword (sub-item 1); 0 for no row.
int ObjectRowCode(const QTreeWidgetItem *row);
// The row as the rename and drop statements read it (fobjectcmd.h).
TObjectRow ObjectRowOf(const QTreeWidgetItem *row);
// The first selected row of list in list order; nullptr when none is selected.
QTreeWidgetItem *FirstSelectedRow(const QTreeWidget *list);
// Whether the object tree shows the kind code: the option of the kind is on and the server
// has that kind (PROCEDURE from 11 or on the edition's servers, PACKAGE and SYNONYM on the
// edition's servers only, MATERIALIZED VIEW from 9.3, AGGREGATE from 9.4).
bool TreeKindVisible(int code, const TqvOption &option, int dbVer, bool postgresPlus);
// Whether the schema holds objects of kind code in the tree: pg_temp only tables, pg_toast and
// pg_toast_temp tables and indexes, every other schema every kind.
bool TreeSchemaAdmits(const QString &schema, int code);
// The settings key of the tree of a database: OBJECTTREE\<database>.
QString ObjectTreeKey(const QString &database);

// Sub-item index of a row of the object list (0 the schema, 1 the kind keyword, 8 the OID of
// routines, types and aggregates, 11 the table of triggers, constraints and rules, 12 the DROP
// argument list of routines and aggregates; see fobjectlistsql.h). Sub-items beyond the list's
// columns are kept by the row all the same; a missing one reads as the empty text.
QString ObjectListSubItem(const QTreeWidgetItem *item, int index);

// One object that the copy command of a connection window remembered for a later paste.
struct TCopyObjectList
{
    QString FSchema;
    QString FObjectName;
    int FObjectType = 0;
    quint32 FObjectOID = 0; // procedures, functions and aggregates; 0 otherwise
    QString FObjectTable; // triggers and rules; empty otherwise
};

// The program's one object copy list. A copy replaces it with the objects of source; a paste
// in any connection window reads it. Closing a connection window removes only the entries that
// window put there.
QList<TCopyObjectList> CopyObjectList();
void SetCopyObjectList(const TfrmObject *source, const QList<TCopyObjectList> &entries);
void ReleaseCopyObjectList(const TfrmObject *source);
