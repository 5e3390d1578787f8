#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class ConnectionWindow;
class QLabel;
class QListWidget;
class QPushButton;
class QToolBar;
class QToolButton;
class QWidget;

// The column picker: chooses and orders the columns of one table, view or materialized view of
// a connection window's database. A modal dialog that stays on top and lives for one call.
class TfrmFieldList : public QDialog
{
    Q_OBJECT
public:
    // Shows the columns of Schema.TableName. FieldList holds the columns chosen so far (as they
    // are, or as QuoteName writes them) and receives the new choice, in the order chosen, when
    // the user confirms with at least one column; otherwise it is left unchanged. A failing
    // column query reaches the caller as pg::Error after the window has gone.
    static void ShowWindow(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &TableName, QStringList &FieldList);

    // The column query for a server of version DBVer (":SCHEMA", ":TBLNAME").
    static QString FieldSQL(int DBVer);

    explicit TfrmFieldList(ConnectionWindow *AOwner);
    ~TfrmFieldList() override;

    QWidget *pnlTop = nullptr;
    QWidget *pnlMiddle = nullptr;
    QLabel *lblSelect = nullptr;
    QLabel *lblAll = nullptr;
    QListWidget *lstSelect = nullptr;
    QListWidget *lstAll = nullptr;
    QToolBar *tolInsDel = nullptr;
    QToolButton *btnInsAll = nullptr;
    QToolButton *btnIns = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnDelAll = nullptr;
    QPushButton *btnSelect = nullptr;
    QPushButton *btnExit = nullptr;

    // Moves the selected names (or all) from one list to the end of the other.
    void btnInsClick();
    void btnDelClick();
    void btnInsAllClick();
    void btnDelAllClick();

    // Fills the two lists from the column query and FieldList.
    void LoadFields(const QString &Schema, const QString &TableName, const QStringList &FieldList);
    QStringList SelectedNames() const;

    void LoadWindowState();
    void SaveWindowState();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ArrangeMiddle();
    ConnectionWindow *FOwner = nullptr;
};
