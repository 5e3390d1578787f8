#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class ConnectionWindow;
class QComboBox;
class QLineEdit;
class QListWidget;
class QToolBar;
class QToolButton;

// The table picker: chooses tables, views, materialized views and synonyms of one schema of a
// connection window's database. A modal dialog that stays on top and lives for one call.
class TfrmTableList : public QDialog
{
    Q_OBJECT
public:
    // On OK appends the chosen names to TableList, each as schema + "." + name (the name alone
    // when no schema is chosen), unquoted; on cancel leaves it unchanged.
    static void ShowWindow(ConnectionWindow *AOwner, QStringList &TableList);

    // The list query: Kinds are the relkind letters, each in single quotes, joined by ", ";
    // with Synonym the synonyms of the schema are added. One parameter, ":OWNER".
    static QString TableSQL(const QString &Kinds, bool Synonym);

    explicit TfrmTableList(ConnectionWindow *AOwner);
    ~TfrmTableList() override;

    QToolBar *tolCmd = nullptr;
    QToolButton *btnOk = nullptr;
    QToolButton *btnExit = nullptr;
    QToolBar *tolOption = nullptr;
    QToolButton *btnTable = nullptr;
    QToolButton *btnView = nullptr;
    QToolButton *btnMView = nullptr;
    QToolButton *btnSynonym = nullptr;
    QComboBox *cmbSchema = nullptr;
    QLineEdit *txtFindTable = nullptr;
    QListWidget *lstTable = nullptr;

    ConnectionWindow *FOwner = nullptr;

    // The relkind list of the kind buttons that are down.
    QString KindList() const;
    // Shows or hides one of the kind buttons.
    void ShowKindButton(QToolButton *button, bool visible);
    // Reloads lstTable from the server.
    void LoadList();
    // A kind button was clicked: put back down when neither tables nor views are left, reload.
    void KindButtonClick(QToolButton *button);
    // The chosen names as ShowWindow appends them.
    QStringList SelectedNames() const;

    void LoadWindowState();
    void SaveWindowState();

protected:
    bool event(QEvent *event) override;
};
