#pragma once

#include "platform/pg/param.h"
#include "sqllang/qvmemo.h"
#include "ui/qvforms.h"

#include <QList>
#include <QPointer>
#include <QStringList>

class QAction;
class QComboBox;
class QMenu;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QToolButton;
class TfraData;

namespace pg {
class Query;
}

// The statement kinds the run tells apart: a statement that returns rows is shown on a result
// tab, any other one is executed and its row count reported.
enum class TSQLKind { Rows, Command };

// The kind of statement text by its first keyword (comments and opening brackets skipped):
// SELECT, WITH, VALUES, TABLE, SHOW, EXPLAIN and FETCH return rows.
TSQLKind SQLStatementKind(const QString &sql);

// A line that a statement may start or end with and that is not sent: empty once TAB, LF, CR
// and blanks are trimmed, or REM or REMARK (any letter case) alone or followed by one of those.
bool IsRemarkLine(const QString &line);

// The statement's lines without the empty and REM / REMARK lines at its start and end; when
// the first or last kept line begins with "select", TAB characters become blanks.
QStringList TrimRemarkLines(const QStringList &lines);

// Whether the final ";" of statement text is part of the statement: a routine body (CREATE
// [OR REPLACE] FUNCTION, PROCEDURE, TRIGGER, TYPE, PACKAGE, any letter case) or a ";" that
// closes a dollar-quoted or quoted body keeps it. Otherwise the text loses one final ";".
QString StripFinalSemicolon(const QString &sql);

// One statement of a text: where it starts and how many characters it has.
struct TSQLRange
{
    int start = 0;
    int length = 0;
};

// The statements of a text, cut at each ";" that stands outside literals, quoted names,
// comments, dollar-quoted bodies and brackets; the ";" belongs to no statement. An SQL-standard
// routine body (CREATE [OR REPLACE] FUNCTION or PROCEDURE ... BEGIN ATOMIC ...; END) keeps its
// ";" up to its END. With splBodies (the enterprise edition, whose routines, packages,
// triggers and types carry unquoted bodies) such a CREATE runs to the end of the text. Each
// range is trimmed of white space; stretches with nothing but blanks and comments are left out.
QList<TSQLRange> SplitStatements(const QString &sql, bool splBodies = false);

// The parameter type names of the parameter grid and what they bind as. Returns false for a
// name that is not one of them (the value then binds as text); "[]" at the end is ignored.
// The serial types bind as 64-bit integers.
bool GetParamFieldType(const QString &typeName, pg::Oid *type);
// The type names GetParamFieldType knows.
QStringList ParamTypeNames();
// The cell text converted for typeName; throws pg::Error (invalid text representation) for a
// text that does not convert. A numeric value is bound as the digits typed (the locale's
// decimal sign read as "."), never through a double.
pg::Param ConvertParamValue(const QString &typeName, const QString &text);

// The SQL window: an editor, the run of its statements on the bound connection's main session,
// one result tab per row-returning statement ("結果", "結果2", ...), the parameter grid, the
// explain pane, open and save of script files, and the SQL history commands.
//
// The window never starts, commits or rolls back a transaction: statements run under the
// session's own transaction mode. Result frames created by a run are children of the window
// and tracked by QPointer; they are freed by the next run or with the window.
//
// The window belongs to the main window, not to the connection window it was opened on: the
// user may bind it to another connection (cmbDBName), and it closes when the connection it is
// bound to goes, whichever that is.
class TfrmSQL : public TqvForm, public TqvCodeAssistOwner
{
    Q_OBJECT
public:
    // owner: a connection window (the window is bound to it), or the main window (its current
    // connection). With a main window the window is that window's either way.
    explicit TfrmSQL(QObject *owner);
    ~TfrmSQL() override;

    // Opens an SQL window as the constructor takes owner; nullptr when there is no connection
    // to bind it to (the user has been told).
    static TfrmSQL *Open(QObject *owner);

    TqvMemo *txtSQL = nullptr;
    TfraData *fraData = nullptr;
    QTabWidget *pagData = nullptr;
    QWidget *tabData = nullptr;
    QTabWidget *pagExplan = nullptr;
    TfraData *fraExplan = nullptr;
    QTableWidget *grdParam = nullptr;
    QSplitter *splParam = nullptr;
    QSplitter *splSQL = nullptr;
    QWidget *pnlSQL = nullptr;
    QToolBar *tolCmd = nullptr;
    QToolButton *btnExplan = nullptr;
    QComboBox *cmbDBName = nullptr;
    QAction *actExec = nullptr;
    QAction *actPrev = nullptr;
    QAction *actNext = nullptr;
    QAction *actLog = nullptr;
    QAction *actOpen = nullptr;
    QAction *actSave = nullptr;
    QAction *actExit = nullptr;
    // The window's own menu "SQL実行(&O)", for the main window's menu bar.
    QMenu *mnuSQL = nullptr;

    // The history cursor: the position in SQLLogList of the entry shown; -1 for none.
    int FLog = -1;

    // The run of the selection (with the option UsePartial) or of the whole text.
    void actExecExecute();
    void actOpenExecute();
    void actSaveExecute();
    void actPrevExecute();
    void actNextExecute();
    // The history picker; the chosen entry goes into the editor.
    void actLogExecute();
    void btnExplanClick();
    void cmbDBNameSelect();
    // Replaces the editor's text by the files' (sorted by name, any letter case) in one step;
    // a file that cannot be read leaves the editor as it was and the error propagates.
    void LoadFiles(QStringList paths);

    void DBChange(QObject *Sender) override;
    void LoadWindowState() override;
    void SaveWindowState() override;
    void WMCodeAssist(TqvMemo *editor, int x, int y) override;

    // The frames of the last run's row results, the built-in one first; frames that are gone
    // are left out.
    QList<TfraData *> ResultFrames() const;

    // The pick list of the parameter grid's type column: the connection window's type names
    // (GetDataType) that GetParamFieldType knows, array forms among them, read once.
    QStringList ParamTypeList();
    QStringList L_tstrTypLst;

protected:
    void FormCloseQuery(bool &CanClose) override;
    void FormClose(TCloseAction &Action) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Run;
    struct Statement;
    void updateActions();
    void fillConnections();
    void freeRunFrames();
    QString selectionToRun() const;
    bool executeStatement(Run &run);
    bool runStatement(Run &run, const Statement &statement);
    void fitPlanColumn(TfraData *frame);
    void watchPlan(TfraData *frame);
    void bindParams(pg::Query &query);
    void writeElapsed(qint64 ms);
    void addHistory();
    void loadHistory(int index);

    QList<QPointer<TfraData>> m_frames; // row results of the last run after the built-in one
    QList<QPointer<QWidget>> m_tabs; // their tabs
    bool m_writeBom = true;
    bool m_typeListRead = false;
    bool m_closed = false; // the window has agreed to close
};
