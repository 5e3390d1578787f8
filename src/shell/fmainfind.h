#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The main window's modeless find and replace dialogs (dlgFind, dlgReplace). They keep their
// texts and options while the main window lives. Their buttons set the flag of what was asked
// and fire OnFind (find next) or OnReplace (replace, replace all); the main window's handlers
// read the texts and flags and search the editor with the focus.
class TFindDialog : public QDialog
{
    Q_OBJECT
public:
    enum Mode { Find, Replace };

    TFindDialog(Mode mode, QWidget *parent);

    Mode mode() const { return m_mode; }
    QString FindText() const;
    void setFindText(const QString &text);
    QString ReplaceText() const;
    void setReplaceText(const QString &text);
    bool MatchCase() const;
    void setMatchCase(bool on);
    // Search forward; the replace dialog always does, the find dialog shows no choice.
    bool Down() const;
    // What the last button asked for: find next, or replace all (else a single replace).
    bool FindNextFlag() const { return m_findNext; }
    bool ReplaceAllFlag() const { return m_replaceAll; }

    // The buttons, as a click runs them.
    void FindNextClick();
    void ReplaceClick();
    void ReplaceAllClick();

    // Shows the dialog (modeless) in front, with its find text selected.
    void Execute();

Q_SIGNALS:
    void OnFind();
    void OnReplace();

private:
    void setupUi();

    Mode m_mode;
    bool m_findNext = false;
    bool m_replaceAll = false;
    QLineEdit *m_edtFind = nullptr;
    QLineEdit *m_edtReplace = nullptr;
    QCheckBox *m_chkMatchCase = nullptr;
    QRadioButton *m_rdoDown = nullptr;
    QPushButton *m_btnFindNext = nullptr;
};
