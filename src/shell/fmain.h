#pragma once

#include "core/qvappwindows.h"
#include "core/qvobjectwindows.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class TFindDialog;
class TqvListView;
class TqvStatusBar;

// One step of the main window's shutdown: what it saves, and how.
struct TShutdownStep
{
    QString what;
    std::function<void()> run;
};

// Runs every step on its own guard, so that one failing save does not keep the others from
// running. Returns one line per failure: what, ": " and the failure's text.
QStringList RunShutdownSteps(const QList<TShutdownStep> &steps);

// The main window: the multi-document frame that holds everything every other window shares.
// It keeps the connection selector (cmbDBName: items are connection keys, their data the
// connection windows) with the current connection, enables its commands by the server kind and
// version of that connection, answers the window lookups, writes the status texts of long
// loops, and hosts the menus, tool bars, task bar, workspace list and status bar.
//
// Its commands that open windows of other subsystems run through the command registry
// (fmaincmd.h); such an action stays disabled until its command is registered.
//
// Created once by the program; its creation loads the options and the SQL-history index,
// closing it closes the connection windows and writes layout, options and index back.
class TfrmMain : public QMainWindow, public MainWindowServices, public WindowDirectory
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The one main window while it exists.
    static TfrmMain *instance();

    // MainWindowServices
    QWidget *mainWidget() override { return this; }
    ConnectionWindow *CurrentForm() const override;
    void SelectConnection(const QString &key) override;
    QToolBar *tolTask() const override { return m_tolTask; }
    QIcon imgMain(int index) const override;
    // A window that is not yet a child joins the work area at the next step of the cascade, at
    // its own size (also the size it restores from its settings while it opens), moved and cut
    // so that it lies inside the area; maximized when the active child is. Then it is shown and
    // activated.
    void ShowChildWindow(QWidget *window) override;
    // The workspace list shows the stored entries of the open connections, leaving out those
    // of closing; sorted by the list's sort order.
    void ShowWorkSpace(ConnectionWindow *closing) override;
    // WindowDirectory
    QList<ObjectListWindow *> connectionWindows() const override;

    // The pictures of imgMain at 20 × 20, for the tool buttons of the other windows.
    QIcon imgButton(int index) const;

    // The child windows of the multi-document area (the widget inside each frame), the
    // front-most first.
    QList<QWidget *> MDIChildren() const;

    // The connection window whose connection key equals ServerName exactly: the current one
    // when its key matches, else the one nearest the end of MDIChildren.
    ConnectionWindow *GetDBForm(const QString &ServerName) const;
    // The child window of class AClass (or derived from it) whose caption equals ACaption
    // exactly, searched from the end of MDIChildren; when ShowWindow, it is shown and brought
    // to the front.
    QWidget *FindWindow(const QMetaObject *AClass, const QString &ACaption,
                        bool ShowWindow) const override;
    template<class T> T *FindWindow(const QString &ACaption, bool ShowWindow) const
    {
        return qobject_cast<T *>(FindWindow(&T::staticMetaObject, ACaption, ShowWindow));
    }

    // The object-count summary of the current connection window in the message panel; nothing
    // is written without a current connection window, and the panel is emptied while another
    // kind of window is in front.
    void SetDefMessage() override;
    // The progress text of a long loop in the message panel; the panel is painted at once,
    // but not more often than every 50 ms, so that a fast loop is not slowed by painting.
    void SetLoopMessage(int NowCount, int MaxCount) override;
    QList<TConnectionEntry> ConnectionEntries() const override;
    // The text of the message panel (panel 2 of stsMain).
    QString MessageText() const;

    // A connection window joins the selector under key (and is selected), or leaves it (the
    // last remaining entry is selected); the commands are gated anew either way. Telling the
    // other windows (message 1) is the connection window's part.
    void AddConnection(const QString &key, ConnectionWindow *window) override;
    void AddConnection(ConnectionWindow *window) { AddConnection(ConnectionKey(*window), window); }
    void RemoveConnection(ConnectionWindow *window) override;
    // The connection window became the active one: the new-object buttons of the kinds its
    // server has are shown, the others hidden, and the database-link and wait-event commands
    // follow its edition and version.
    void ConnectionActivated(ConnectionWindow *window) override;
    // The message panel's text.
    void SetStatusText(const QString &text) override;

    // Enables the actions and new-object buttons for the connections open and the current
    // one's server, then brings the current connection window to the front.
    void cmbDBNameChange();
    // Re-evaluates every action: gating, registered commands and their update rules.
    void UpdateActions();
    // Applies the stored shortcut table to the main window's actions and has every connection
    // window copy the object-list shortcuts.
    void SetShortCut();

    // Rebuilds the home-page submenu of the Help menu: one item per non-empty address.
    void SetHomePage();
    void SetHomePage(const QStringList &addresses);
    // Fill the user-command and report menus from their documents; both keep only their fixed
    // items until the documents exist.
    void SetCommandList();
    void SetReportList();

    // The layout of the window under GUI\MAIN: state and bounds, the workspace list's
    // visibility, side and size, the task and status bars, and each tool bar's place (docked
    // row or floating window) and visibility.
    void LoadLayout();
    void SaveLayout();
    // The workspace list's side (1 top, 2 bottom, 3 left, 4 right; others place nothing) and its
    // height (top, bottom) or width (left, right).
    int WorkSpaceAlign() const { return m_workSpaceAlign; }
    void SetWorkSpaceAlign(int align);
    int WorkSpaceSize() const;
    void SetWorkSpaceSize(int size);

    // The task bar's pop-up: the button under pos (task-bar coordinates) brings its window to
    // the front, then the menu offers "閉じる", which closes the active child window.
    void popTaskPopup(const QPoint &pos);
    void mnuCloseWindowClick();

    // COMMIT or ROLLBACK on the current connection (actDBCommit, actDBRollback); with the
    // auto-commit option off the session is inside a transaction again afterwards, also when
    // the statement failed (the error is raised after the BEGIN).
    void endTransaction(const QString &command);
    // The auto-commit option changed to autoCommit: every connection of the selector, in its
    // order, gets COMMIT (now on) or BEGIN (now off). Each is visited whatever failed before;
    // the failures are reported together, one line per connection key. Returns that text (empty
    // when all went through).
    QString ApplyAutoCommit(bool autoCommit);

    // --- the workspace panel
    // Adds the selected rows of source, the object list of an open connection window, to the
    // workspace (duplicates of stored entries and of rows added before in the same drop left
    // out), saves and shows it. False when source is no such list (nothing happens then).
    bool lstWorkSpaceDragDrop(QObject *source);
    bool lstWorkSpaceDragOver(QObject *source) const;
    // The user gave item the title newTitle in place: the stored entry of the item (kind,
    // name, schema, connection, oid and table) takes it and the workspace is saved. Nothing
    // when the title is unchanged.
    void lstWorkSpaceEdited(QTreeWidgetItem *item, const QString &newTitle);
    // Removes the stored entries of the selected items, saves and shows the workspace.
    void mnuWorkSpaceDeleteClick();
    // Opens (or, with Exec, runs) the selected items on their connections; see fmainws.cpp.
    void OpenWorkSpaceItems(bool Exec, bool AskCount, TOpenMode OpenMode);
    // Whether an object of the kind with that schema, name and oid exists on db; and the oids
    // of every object of the kind with that schema and name.
    static bool FindFunctionOid(ConnectionWindow *db, int kind, const QString &ObjectName,
                                const QString &Schema, quint32 OID);
    static bool FindFunctionOids(ConnectionWindow *db, int kind, const QString &ObjectName,
                                 const QString &Schema, QList<quint32> &OIDs);
    // The record-count prompt: the count, -1 when cancelled.
    static int AskRecordCount();
    // The workspace list's view: 0 large icons, 3 report with columns.
    void SetWorkSpaceStyle(int style);
    TqvListView *lstWorkSpace() const { return m_lstWorkSpace; }
    QMenu *popWorkSpace() const { return m_popWorkSpace; }
    void popWorkSpacePopup();

    TFindDialog *dlgFind() const { return m_dlgFind; }
    TFindDialog *dlgReplace() const { return m_dlgReplace; }

    QAction *action(const QString &name) const;
    QList<QAction *> actMain() const { return m_actions; }
    QComboBox *cmbDBName() const { return m_cmbDBName; }
    QMdiArea *mdiArea() const { return m_mdi; }
    TqvStatusBar *stsMain() const { return m_stsMain; }
    QMenu *popEditor() const { return m_popEditor; }
    QMenu *popTask() const { return m_popTask; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    QMenu *createPopupMenu() override;

private:
    void setupUi();
    void createActions();
    void createMenus();
    void createToolBars();
    void createClientArea();
    void applyColours();

    void FormCreate();
    void FormPaint();
    // Closes the connection windows; false when one of them stays open.
    bool FormCloseQuery();
    void FormClose();

    void runCommand(QAction *action);
    void btnNewClick(QToolButton *button);
    void actDBCommitExecute();
    void actDBRollbackExecute();
    void actDBLogoffExecute();
    void createWorkSpace(QWidget *parent);
    void lstWorkSpaceDblClick();
    // The report menu's definitions are enabled while the current connection's object list
    // has a selected item.
    void actToolReportSetupUpdate();
    void mnuDisplayClick();
    void mnuToolClick(QAction *item);
    void ResetToolBars();
    void restoreToolBars();
    // A tool bar leaves the control bar for a window of its own at rect, or docks back.
    void floatToolBar(QToolBar *bar, const QRect &rect);
    void dockToolBar(QToolBar *bar);
    void mnuWindowShow();
    void subWindowActivated(QMdiSubWindow *window);
    // Shows the menus of child in the menu bar, in the places their group indexes give, in place
    // of those of the child before; an own item of the same group gives way while they are there.
    void MergeChildMenus(QWidget *child);
    // Moves and cuts a child's frame so that it lies inside the work area.
    void fitIntoWorkArea(QMdiSubWindow *sub);

    static TfrmMain *s_instance;

    QList<QAction *> m_actions;
    QHash<QAction *, bool> m_gate; // the gating's state of the gated actions
    QList<QToolButton *> m_newButtons;
    QHash<QString, QAction *> m_newButtonActions; // the tool-bar places of the buttons, by name
    QList<QToolBar *> m_toolBars; // pnlDB, pnlEdit, pnlTool, pnlAdmin, pnlNewObj, pnlTool2
    QMenuBar *m_mnuMain = nullptr;
    QMenu *m_mnuWindow = nullptr;
    QMenu *m_mnuHelpHomePage = nullptr;
    QMenu *m_mnuToolbar = nullptr;
    QMenu *m_mnuCommandMenu = nullptr;
    QMenu *m_mnuReportMenu = nullptr;
    QMenu *m_popEditor = nullptr;
    QMenu *m_popTask = nullptr;
    QList<QAction *> m_windowItems; // the child-window entries of the Window menu
    QList<QPointer<QAction>> m_mergedItems; // the menus of the child in front, in the menu bar
    QList<QPointer<QAction>> m_replacedItems; // own menus hidden while a child's take their group
    QComboBox *m_cmbDBName = nullptr;
    QMdiArea *m_mdi = nullptr;
    QSplitter *m_splWorkSpace = nullptr;
    TqvListView *m_lstWorkSpace = nullptr;
    QMenu *m_popWorkSpace = nullptr;
    TFindDialog *m_dlgFind = nullptr;
    TFindDialog *m_dlgReplace = nullptr;
    QWidget *m_scrTask = nullptr;
    QToolBar *m_tolTask = nullptr;
    TqvStatusBar *m_stsMain = nullptr;
    mutable QHash<int, QIcon> m_images;
    mutable QHash<int, QIcon> m_buttons;
    QElapsedTimer m_lastLoopPaint;
    int m_workSpaceAlign = 2;
    bool m_painted = false;
    bool m_closing = false;
    // The child whose activation was handled last, and whether it is (or, gone, was) maximized:
    // then the child that comes to the front in its place is maximized as well.
    QPointer<QMdiSubWindow> m_lastActive;
    bool m_lastActiveMaximized = false;
    QList<QPointer<QMdiSubWindow>> m_opening; // children whose opening has not yet finished
};
