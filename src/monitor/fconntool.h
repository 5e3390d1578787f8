#pragma once

#include "ui/qvforms.h"

#include <QStringList>

#include <memory>
#include <type_traits>

class ConnectionWindow;
class QAction;
class QComboBox;
class QLabel;
class QToolBar;
class QWidget;

namespace pg {
class Result;
class Transaction;
} // namespace pg

// The connection-bound tool window: a window of the main window that works on one open
// connection at a time, chosen in its own connection list (cmbDBName, a copy of the main
// window's selector). Its caption is its title followed by the connection key, and there is
// one window per caption: asking again for the same window on the same connection brings the
// open one forward. It follows the main window's connection list and closes when its
// connection goes; its size is kept under GUI\<key>.
//
// A window class derives from it, builds its controls into the frame's layout, and is made
// through Open<T>(connection), which takes care of the one-per-caption rule and of the first
// read:
//
//     TfrmSession *w = TfrmConnTool::Open<TfrmSession>(connection);
//
// Statements go to the bound connection window's main session, so that they share the user's
// transaction when auto-commit is off. While that transaction is open each of the window's
// reads and changes runs in a savepoint of its own (Guarded): a statement the server refuses
// undoes only itself, never the user's pending work.
class TfrmConnTool : public TqvForm
{
    Q_OBJECT
public:
    ~TfrmConnTool() override;

    // Makes a window of class T on connection (the main window's current one when nullptr),
    // or brings forward the one open with the same caption. nullptr when there is no
    // connection or the window could not be made (the user has been told).
    template<class T> static T *Open(ConnectionWindow *connection)
    {
        if (QWidget *open = findOpen(T::staticMetaObject, T::CaptionTitle(), connection))
            return qobject_cast<T *>(open);
        T *window = ShowWindow<T>(connection);
        if (window)
            window->afterShow();
        return window;
    }

    QToolBar *tolCmd = nullptr;
    QWidget *pnlName = nullptr;
    QComboBox *cmbDBName = nullptr;
    QAction *actRefresh = nullptr;
    QAction *actExit = nullptr;

    // The connection chosen in cmbDBName becomes the window's, then Reload.
    void cmbDBNameChange();
    // Caption and task caption from the bound connection, then the window's data under the
    // SQL-wait cursor (put back also when the read fails).
    void Reload(QObject *Sender) override;
    // The main window's connection list changed: the list follows it; the window closes
    // when its own connection is no longer there.
    void DBChange(QObject *Sender) override;
    void LoadWindowState() override;
    void SaveWindowState() override;

    // The caption before the connection key, e.g. "セッション情報 - ".
    QString captionTitle() const { return m_title; }

protected:
    // connection: the window's connection; title: the caption before the key; stateKey: the
    // window's key under GUI\; iconIndex: its image in the main image list;
    // nameCaption: the label before the connection list ("\u3000データベース" and the like).
    TfrmConnTool(ConnectionWindow *connection, const QString &title, const QString &stateKey,
                 int iconIndex, const QString &nameCaption);

    // The frame's top part and an empty body below it for the window's controls.
    QWidget *body() const { return m_body; }
    // Builds the actions' buttons at the width the window asks for.
    void setButtonWidth(int width);
    // The window's data step of Reload.
    virtual void LoadData() = 0;
    // The end of construction, called by the window class once its controls exist: the
    // window's data sets are bound and its size read (InitForm), the task button and icon
    // made, cmbDBName filled with the connection the window was made for selected, and
    // cmbDBNameChange run.
    void FinishCreate();

    // Runs work on the bound session; inside an open transaction in a savepoint of its own.
    template<class Work> auto Guarded(Work &&work) -> decltype(work())
    {
        GuardScope scope(this);
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            scope.commit();
        } else {
            auto result = work();
            scope.commit();
            return result;
        }
    }
    // One statement with ":name" parameters (values by position), guarded.
    pg::Result OpenGuarded(const QString &sql, const QStringList &params = {});
    void ExecuteGuarded(const QString &sql, const QStringList &params = {});
    // Whether the bound session is inside a transaction block.
    bool SessionInTransaction() const;

private:
    // The savepoint around one guarded step; nothing outside a transaction.
    class GuardScope
    {
    public:
        explicit GuardScope(TfrmConnTool *form);
        ~GuardScope();
        GuardScope(const GuardScope &) = delete;
        GuardScope &operator=(const GuardScope &) = delete;
        void commit();

    private:
        std::unique_ptr<pg::Transaction> m_savepoint;
    };

    static QWidget *findOpen(const QMetaObject &meta, const QString &title,
                             ConnectionWindow *connection);
    void afterShow();
    void fillConnections();

    ConnectionWindow *m_initial = nullptr;
    QString m_title;
    QString m_stateKey;
    int m_iconIndex = 0;
    QWidget *m_body = nullptr;
    bool m_closing = false;
};
