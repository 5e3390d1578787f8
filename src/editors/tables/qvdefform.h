#pragma once

#include "core/qvoption.h"
#include "sqllang/qvcodeassistowner.h"
#include "ui/qvforms.h"
#include "ui/qvstdctl.h"

#include <QString>
#include <QStringList>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTabWidget;
class QToolBar;
class QVBoxLayout;
class TqvMemo;

// The skeleton of the definition windows (table, index, constraint, trigger): the caption key
// that makes one window per object, the task button, the name panel (schema and name), the
// pages with the definition page first and the editable source page, the commands (compile,
// revert, delete, exit, save to file) with their tool bar and menu, and the window state under
// GUI\<registry word>.
//
// Names are kept exactly as the catalog stores them: an object "Orders" beside "orders" opens,
// compiles and drops the one it was opened for. The CREATE script of an object comes from
// ScriptLines, which builds no window on the screen and throws when the object cannot be read,
// so script output and backups never write an empty or partial script.
class TqvDefineForm : public TqvForm, public TqvCodeAssistOwner
{
    Q_OBJECT
public:
    struct Kind
    {
        QString KindWord; // "INDEX - "
        int KeyMode = 4; // mode of GetRecParamCaption
        int ObjType = 0;
        QString RegistryWord; // "INDEX"
        QString MenuCaption; // "INDEX(&O)"
        // The output commands (print, save to file) under actOutput; tables and indexes.
        bool Output = false;
        // The object editors (sequence, view, schema, role ...): the commands follow the
        // window's state (UpdateActionStates), the tool bar's buttons are 78 wide from the
        // first showing, and a kind without Output has no save command.
        bool ObjectFrame = false;
    };

    // The caption key of an object: the kind word and the connection key of the object.
    static QString CaptionKey(const Kind &kind, ConnectionWindow *owner, const QString &Schema,
                              const QString &ObjectName, const QString &TableName = QString());
    // The open definition window of class meta whose caption is key (searched from the last
    // window to the first), brought to the front when show; nullptr when there is none.
    static TqvForm *FindWindow(const QMetaObject &meta, const QString &key, bool show);

    QToolBar *tolCmd = nullptr;
    QMenuBar *mnuTool = nullptr;
    QWidget *pnlName = nullptr;
    TqvComboBox *cmbSchema = nullptr;
    QLineEdit *txtName = nullptr;
    QTabWidget *pagObject = nullptr;
    QWidget *tabDefine = nullptr;
    QWidget *tabSource = nullptr;
    TqvMemo *txtSource = nullptr;
    QAction *actCompile = nullptr;
    QAction *actRefresh = nullptr;
    QAction *actDelete = nullptr;
    QAction *actExit = nullptr;
    QAction *actSave = nullptr;
    // Kinds with Output only: the tool button that drops down popOutput (print, save).
    QAction *actOutput = nullptr;
    QAction *actPrint = nullptr;
    QMenu *popOutput = nullptr;

    void ChangedIsNew() override;
    void Reload(QObject *Sender) override;
    void LoadWindowState() override;
    void SaveWindowState() override;
    // Code assist in the source page, on the owner's main session.
    void WMCodeAssist(TqvMemo *editor, int x, int y) override;

    void actDeleteExecute();
    void actSaveExecute();
    void actPrintExecute();
    // The print dialog's procedure: the CREATE script under the title schema + "." + name.
    void PrintProc();
    void cmbSchemaDropDown();
    // ObjectFrame kinds: compile enabled while modified or on the source page, delete while
    // the object exists, print and save while it exists and is unchanged. The window calls it
    // after every change of its state; editors add their own commands.
    virtual void UpdateActionStates();

    // The prefix of an object in Schema as the window's scripts write it: against the logon
    // schema of the owner's main connection.
    QString LogonSchemaPrefix(const QString &Schema) const;

    // The object's CREATE script as the window writes it.
    virtual void GetSourceCreate(QStringList &Lines) = 0;

protected:
    // Checks the owner (a connection window, or the silent abort after the duplicate check),
    // builds the common controls; the editor adds its own, then calls InitDefine.
    TqvDefineForm(QObject *AOwner, const Kind &kind, TSourceMode mode);

    // Definition page contents and extra pages go into these.
    QVBoxLayout *defineLayout() const { return m_defineLayout; }
    const Kind &kind() const { return m_kind; }
    QString TableNameForKey() const { return m_tableName; }
    void setTableNameForKey(const QString &table) { m_tableName = table; }

    // Loads the object into the controls (and the source page); editor's own.
    virtual void ShowData() = 0;
    // The DROP statement of the object.
    virtual QString GetDropStatement() const = 0;
    // The pages hidden while the object is new.
    virtual QList<QWidget *> PagesOfExisting() const { return { tabSource }; }
    // Whether the delete command offers the "CASCADE オプション" box; when the user checks it,
    // " CASCADE" is appended to GetDropStatement.
    virtual bool DeleteAsksCascade() const { return false; }

    void pagObjectChange();
    bool pagObjectChanging(int index);
    // After the editor chose its first page with the page control's signals blocked: the page
    // the change veto returns to.
    void SyncCurrentPage();
    void showEvent(QShowEvent *event) override;
    void OnChange();

private:
    void setupCommon();

    Kind m_kind;
    QString m_tableName;
    QVBoxLayout *m_defineLayout = nullptr;
    int m_currentPage = 0;
    bool m_turningPage = false;
    bool m_shown = false;
};
