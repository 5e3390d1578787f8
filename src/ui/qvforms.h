#pragma once

#include "core/qvexcept.h"

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <utility>

class ConnectionWindow;
class QAction;
class QEventLoop;
class QKeyEvent;
class QTabWidget;
class QToolButton;

// smShow: a window on the screen; smText: an instance built only to write an object's CREATE
// script, never shown.
enum TSourceMode { smShow, smText };

// What happens to a window once it may close; FormClose may change it.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

// The base of every object and tool window: the binding to one connection window, the
// object-type code that is also the window's icon, the new and modified flags, the button on
// the main window's task bar, the compile question on closing, the window state under
// GUI\<NAME>, and the answers to the application's messages 1 (connection list changed:
// DBChange) and 2 (reload: Reload).
//
// Construction has two steps, because a base constructor runs before the window's own
// controls exist:
//   1. TqvForm(AOwner) takes the binding: a connection window as owner is the binding, the
//      main window as owner gives the connection selected in its selector, another TqvForm
//      gives that window's binding. A window that needs a connection and gets none tells the
//      user and gives up with the silent abort.
//   2. InitForm(), which every window class calls as soon as its controls and data sets exist
//      (the factories call it when the class did not): editor controls take the options,
//      text boxes keep the case of what is typed while the option UseLowerName is on, the
//      first page control is remembered, every data set of the window is bound to the
//      connection's main session, and LoadWindowState runs.
// Then the class calls CreateTaskButton, sets ObjType, fills its controls and sets IsNew.
// Windows are made through CreateForm / ShowWindow, which catch the silent abort (and show
// any other failure), so that it never reaches the toolkit's event dispatch.
//
// A window is destroyed when it closes (unless FormClose says otherwise), and together with a
// connection window that owns it. When the connection window it is bound to goes, the
// window's data sets are let go of first.
class TqvForm : public QWidget
{
    Q_OBJECT
public:
    // AOwner: a connection window, the main window or another TqvForm; any other object
    // leaves the window unbound. needsConnection: the window works on a database (object and
    // tool windows); options dialogs and the like pass false and may stay unbound.
    explicit TqvForm(QObject *AOwner, bool needsConnection = true);
    ~TqvForm() override;

    void InitForm();
    bool isInitialized() const { return m_initialized; }
    // The frame size read by LoadWindowSize before the window had a multi-document frame
    // (invalid when none was stored), handed once to whoever puts the frame around it.
    QSize TakeStoredFrameSize();

    QObject *Owner() const { return m_owner; }
    ConnectionWindow *OwnerForm() const { return m_ownerForm; }
    // Binding to another connection window closes every data set of the window and moves it
    // to that window's main session; binding to none lets go of the session.
    void setOwnerForm(ConnectionWindow *form);

    int ObjType() const { return m_objType; }
    void setObjType(int objType);
    bool IsNew() const { return m_isNew; }
    void setIsNew(bool isNew);
    bool Modified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }
    bool UseLowerName() const { return m_useLowerName; }
    // The window shows a TOAST table or index: nothing in it can be compiled, so it closes
    // without the compile question. The flag is the window's own; other windows still ask.
    bool IsToastObject() const { return m_isToastObject; }
    void setIsToastObject(bool toast) { m_isToastObject = toast; }
    // Ctrl+PgUp and Ctrl+PgDn reach FormKeyDown before the focused control.
    bool KeyPreview() const { return m_keyPreview; }
    void setKeyPreview(bool on);

    QString TaskCaption() const;
    // More than 12 characters show as the first 12 and "…".
    void setTaskCaption(const QString &caption);
    QToolButton *TaskButton() const;
    QTabWidget *PageControl() const;

    TSourceMode SourceMode = smShow;

    // Puts the window's button on the main window's task bar (nothing without a task bar).
    void CreateTaskButton();
    // The window icon, and the task button's, from the main image list.
    void SetWindowIcon(int index);

    // The schema prefix ("schema".) for generated SQL; empty when the schema is blank, and in
    // script mode as the script option Owner says (0 always, 1 when it differs from
    // baseSchema, otherwise never).
    QString GetRefSchemaPrefix(const QString &schema, const QString &baseSchema) const;
    QString GetSchemaPrefix(const QString &schema) const;

    // Whether the window may close: its own FormCloseQuery, then, when it is modified and
    // not a TOAST window, the compile question. Writes the window state when the answer is
    // yes. Failures of the compile are shown and keep the window open.
    bool CloseQuery();
    // Ctrl+PgUp / Ctrl+PgDn: the previous or next page of the page control. True when the key
    // was one of them, which then goes no further, also without pages to turn.
    bool FormKeyDown(const QKeyEvent *event);
    // The window became the active one: its connection is selected in the main window's
    // selector and its task button is pressed. The main window calls it for its
    // multi-document children; a top-level window calls it on activation.
    void Activate();

    // Runs the window modally until setModalResult gives a result other than 0 or the window
    // closes (result IDCANCEL); the window stays alive afterwards.
    int ShowModal();
    int ModalResult() const { return m_modalResult; }
    void setModalResult(int result);

    // The operations through which the system asks a window to react; all empty here.
    virtual void ChangedIsNew() { }
    virtual void Compile(QObject *Sender) { }
    virtual void Reload(QObject *Sender) { }
    virtual void DBChange(QObject *Sender) { }
    virtual void LoadWindowState() { }
    virtual void SaveWindowState() { }

Q_SIGNALS:
    // The binding changed (after the data sets were moved).
    void ownerFormChanged(ConnectionWindow *form);

protected:
    // The window's own say before the compile question.
    virtual void FormCloseQuery(bool &CanClose) { }
    // The window's own close handling; Action starts as caFree.
    virtual void FormClose(TCloseAction &Action) { }
    // The window's own part of activation, before the base part.
    virtual void FormActivate() { }

    // The usual window state: "Width" and "Height" of the window under GUI\<name>, read
    // (the current size as default) and written only while the window is neither minimised
    // nor maximised.
    void LoadWindowSize(const QString &name);
    void SaveWindowSize(const QString &name);
    // The widget whose size and state are the window's: the multi-document frame around the
    // window, else the window itself.
    QWidget *frameWidget() const;

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void walkComponents();
    void rebindQueries();
    void watchOwnerForm();
    void ownerFormGone();
    void showFront();

    QObject *m_owner = nullptr;
    ConnectionWindow *m_ownerForm = nullptr;
    QPointer<QObject> m_ownerFormWidget; // the bound connection window, to notice its end
    QMetaObject::Connection m_ownerFormWatch;
    int m_objType = 0;
    bool m_isNew = false;
    bool m_modified = false;
    bool m_useLowerName = false;
    bool m_isToastObject = false;
    bool m_keyPreview = false;
    bool m_initialized = false;
    QSize m_storedFrameSize;
    QPointer<QToolButton> m_taskButton;
    QPointer<QAction> m_taskAction;
    QPointer<QTabWidget> m_pageControl;
    QEventLoop *m_modalLoop = nullptr;
    int m_modalResult = 0;
};

// Shows window: as a child of the main window when there is one, else on its own, in front.
void ShowForm(TqvForm *window);

// The schema prefix ("schema".) that a window in mode writes before an object of schema; see
// TqvForm::GetRefSchemaPrefix. For script writers that build no window.
QString RefSchemaPrefix(const QString &schema, const QString &baseSchema, TSourceMode mode);

// Builds a window of class T (constructor arguments args) and runs InitForm when the class
// did not. nullptr when the construction gave up: silently for the silent abort, otherwise
// after showing the failure.
template<class T, class... Args> T *CreateForm(Args &&...args)
{
    T *window = nullptr;
    try {
        window = new T(std::forward<Args>(args)...);
        if (!window->isInitialized())
            window->InitForm();
        return window;
    } catch (...) {
        delete window;
        ShowExceptionMessage(std::current_exception());
        return nullptr;
    }
}

// CreateForm, then ShowForm.
template<class T, class... Args> T *ShowWindow(Args &&...args)
{
    T *window = CreateForm<T>(std::forward<Args>(args)...);
    if (window) {
        if (!RunGuarded([window] { ShowForm(window); })) {
            delete window;
            return nullptr;
        }
    }
    return window;
}
