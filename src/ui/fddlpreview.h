#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QPlainTextEdit;

// The position and size of the preview and runner windows under their GUI key: "Left", "Top",
// "Width", "Height"; missing values leave the window as it is.
void LoadDialogState(QWidget *window, const QString &key);
void SaveDialogState(const QWidget *window, const QString &key);
class QPushButton;

// The DDL preview: a modal dialog that shows a script before it runs, lets the user edit it,
// save it to a file, start it or cancel. Shown only while the option ShowDDL is on.
class TfrmDDLPreview : public QDialog
{
    Q_OBJECT
public:
    // True means "run it"; ASQL then holds the lines as the preview held them. Without the
    // option ShowDDL no window is made and the answer is true. Schema may be empty.
    static bool ShowWindow(QStringList &ASQL, const QString &Schema, const QString &ObjName);

    TfrmDDLPreview(const QString &Schema, const QString &ObjName, QWidget *parent = nullptr);
    ~TfrmDDLPreview() override;

    QString FSchema;
    QString FObjName;
    QPlainTextEdit *txtLog = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;

    void btnSaveClick();
    void LoadWindowState();
    void SaveWindowState();

    // "schema.name" or "name": the caption's head and the proposed file's base name.
    static QString QualifiedName(const QString &Schema, const QString &ObjName);
};
