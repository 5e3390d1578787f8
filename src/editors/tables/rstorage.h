#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class TqvForm;

// The storage frame on the storage page of the definition windows. This build carries the
// tablespace part that the index editor uses: the tablespace box, its baseline and the
// TABLESPACE clause of a CREATE statement.
class TfraStorage : public QWidget
{
    Q_OBJECT
public:
    explicit TfraStorage(TqvForm *AOwner, QWidget *parent);

    QComboBox *cmbTBS = nullptr;

    void Init(const QString &Schema, const QString &ObjectName);
    void Save();
    bool IsTablespaceChanged() const;
    // Whether storage clauses are written at all: in script mode by the script option
    // Storage, on screen by the option ShowStorageSource.
    bool WritesStorage() const;
    // "TABLESPACE ts" when the box is not empty and storage is written.
    void GetSourceCreate(QStringList &Source) const;
    void Check() { }
    void ShowLocalPartInit() { }
    void cmbTBSDropDown();

private:
    TqvForm *FOwner;
    QString FSchema;
    QString FObjectName;
    QString m_savedTBS;
};
