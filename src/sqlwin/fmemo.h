#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QPushButton;
class TqvMemo;

// The dialog that edits one long text value, with a NULL box: the long-text editor that the
// grids of the table editors and the data frame open (ui/qvlongtext.h). It knows nothing of
// where the text comes from; the caller passes it in and takes it back.
class TfrmMemo : public QDialog
{
    Q_OBJECT
public:
    // Use ShowWindow.
    explicit TfrmMemo(QWidget *parent = nullptr);
    ~TfrmMemo() override;

    // Shows the dialog modally, centred over the main window. Returns 1 (IDOK) when the user
    // pressed OK, and only then writes the edited text to AComment and the NULL box's state to
    // io_bNull; 2 (IDCANCEL) for any other close, leaving both as they were. The NULL box shows
    // only with i_bNullShow; with i_bReadOnly OK is disabled, while the text stays editable.
    static int ShowWindow(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly);

    TqvMemo *txtComment = nullptr;
    QCheckBox *chkNull = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

    // The size under GUI\COMMENT, read only when the key exists (the first close makes it).
    void LoadWindowState();
    void SaveWindowState();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void txtCommentChange();
    bool m_filling = false;
};
