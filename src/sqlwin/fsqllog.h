#pragma once

#include <QDialog>

class QListWidget;
class QToolBar;
class TqvMemo;
class TqvStrEdit;

// The history picker: one row per entry of SQLLogList (the file's time and first five lines),
// a preview of the current entry, find (rows whose text holds the find text are marked blue),
// moving one row up or down and deleting rows. Reorderings and deletions change SQLLogList;
// the entry files stay on disk. The find box takes upper case unless the option UseLowerName
// is on. Its size is kept under GUI\SQLLOG while it is shown normal (neither maximized nor
// minimized).
class TfrmSQLLog : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSQLLog(QWidget *parent = nullptr);

    // Shows the picker modally with its kept size; the position in SQLLogList of the chosen
    // entry, or -1.
    static int ShowWindow(QWidget *owner);
    void LoadWindowState();
    void SaveWindowState();

    QListWidget *lstSQL = nullptr;
    TqvMemo *txtSQL = nullptr;
    QToolBar *tolCmd = nullptr;
    TqvStrEdit *txtFind = nullptr;

    void lstSQLClick();
    void btnSelectClick();
    void btnExitClick();
    void btnDelClick();
    void btnUpClick();
    void btnDownClick();
    void btnFindClick();
    // The row that was chosen; -1 when none.
    int Result() const { return m_result; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fill();
    void move(int step);
    int m_result = -1;
};
