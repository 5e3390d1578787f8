#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidgetItem;
class TqvCheckBox;
class TqvListView;
class TqvNumEdit;
class TqvStrEdit;

// The logon dialog: user, password, server, port, database and logon schema, with the list of
// saved connections under DATABASE (one subkey DBnnn each, their order in the value Sort, the
// last successful logon in values of DATABASE itself). It opens the connection window.
//
//   if (TfrmLogon::ShowWindow(host, port, db, schema, user, password, autoPass)) ...
//
// Passwords are taken as typed: never trimmed, and an empty one is allowed so that the client
// library may take it from the password file or PGPASSWORD. A password given by the caller or
// typed wins over the one of a matching saved entry, which only fills an empty field. Saved
// passwords are scrambled from their UTF-8 bytes.
class TfrmLogon : public QDialog
{
    Q_OBJECT
public:
    // Connects with the values given; with AutoPass without showing the dialog. A failed
    // connect is reported and the dialog comes again with the values typed, until a connection
    // window opens (true) or the user cancels (false). The server's time-out ends it (false).
    static bool ShowWindow(const QString &Host, const QString &Port, const QString &DBName,
                           const QString &Schema, const QString &UserID, const QString &Password,
                           bool AutoPass);

    // The sub-items of a list item (after the caption, the user ID).
    enum SubItem { siHost, siDatabase, siSchema, siPort, siPassword, siKey };

    explicit TfrmLogon(QWidget *parent = nullptr);

    void LoadConnectList();
    void SaveConnectList(bool WriteLast);
    void LoadWindowState();
    void SaveWindowState();

    // The text of a sub-item of a list item.
    static QString SubItemText(const QTreeWidgetItem *item, int index);
    // Appends an entry to a list of saved connections.
    static QTreeWidgetItem *AddConnectItem(TqvListView *list, const QString &UserID,
                                           const QString &Host, const QString &Database,
                                           const QString &Schema, const QString &Port,
                                           const QString &Password, const QString &Key);

    TqvStrEdit *txtUserID = nullptr;
    TqvStrEdit *txtPassword = nullptr;
    TqvStrEdit *txtHost = nullptr;
    TqvNumEdit *txtPort = nullptr;
    TqvStrEdit *txtDatabase = nullptr;
    TqvStrEdit *txtSchema = nullptr;
    TqvCheckBox *chkSave = nullptr;
    TqvListView *lstUserID = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QToolButton *btnUp = nullptr;
    QToolButton *btnDown = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnImport = nullptr;
    QAction *actOk = nullptr;
    QAction *actCancel = nullptr;
    QAction *actUp = nullptr;
    QAction *actDown = nullptr;
    QAction *actDel = nullptr;
    QAction *actImport = nullptr;

    void actOkExecute();
    void actCancelExecute();
    void actUpExecute();
    void actDownExecute();
    void actDelExecute();
    void actImportExecute();
    // Enables the actions as the fields and the list's selection stand.
    void UpdateActions();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUi();
    void lstUserIDSelectItem();
    void moveSelected(int delta);
    // The first item whose values are those of the fields; nullptr when none is.
    QTreeWidgetItem *matchingItem() const;
    bool matchesFields(const QTreeWidgetItem *item) const;
    // Refuses with message (a warning) and puts the focus on field.
    bool refuse(QWidget *field, const QString &message);
};
