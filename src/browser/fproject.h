#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;
class TfrmObject;

// The display schema set of a database: the schemas that the object tree of every connection
// window to a database of that name shows under the filter "設定". Kept as the value Schema of
// OBJECTTREE\<database>, one name per line.
class TfrmProject : public QDialog
{
    Q_OBJECT
public:
    // Lets the user tick the set for AOwner's database; true after OK (the set was written),
    // false after Cancel (nothing written). ProjectName is not used: the key is the database's.
    static bool ShowWindow(TfrmObject *AOwner, const QString &ProjectName = QString());

    // The set stored for database; empty when none is.
    static QStringList DisplaySchemas(const QString &database);

    explicit TfrmProject(QWidget *parent = nullptr);

    QListWidget *chkUserList = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

    void btnOkClick();
    QStringList CheckedSchemas() const;

private:
    void setupUi();
};
