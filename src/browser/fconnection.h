#pragma once

#include <QDialog>
#include <QStringList>

class QAction;
class QLabel;
class QToolBar;
class QToolButton;
class TqvListView;

// The import of saved connections from older releases: lists the DATABASE entries kept under
// the older release keys beside this release's key (only read, never changed) and copies the
// ones the user picks into this release's DATABASE key as new DBnnn entries, leaving out those
// already in the logon dialog's list.
class TfrmConnection : public QDialog
{
    Q_OBJECT
public:
    // AList: the logon dialog's saved connections (see TfrmLogon). True when entries were
    // imported. With nothing to import the user is told and the dialog does not open.
    static bool ShowWindow(TqvListView *AList);

    // The release keys below the maker's key, oldest first.
    static const QStringList &GuidList();
    // The release number of a release key ("QVR21R" 21; "QVR" and "QVRR" 1).
    static int ReleaseNumber(const QString &key);

    explicit TfrmConnection(QWidget *parent = nullptr);

    // Fills the list with the entries of the older releases; false when there are none.
    bool ListOldConnections();
    // Copies the selected rows that AList does not hold yet into DATABASE and AList.
    void ImportConnections(TqvListView *AList);
    void LoadWindowState();
    void SaveWindowState();

    QToolBar *tolCmd = nullptr;
    QToolButton *btnImport = nullptr;
    QToolButton *btnExit = nullptr;
    QLabel *lblConnection = nullptr;
    TqvListView *lstUserID = nullptr;
    QAction *actImport = nullptr;
    QAction *actExit = nullptr;

    // The sub-items of a row after its caption (the release key).
    enum SubItem { siUser, siHost, siDatabase, siSchema, siPort, siPassword };

protected:
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUi();
};
