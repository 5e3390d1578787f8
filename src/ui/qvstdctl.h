#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <optional>

// The input controls every definition window is built from. Each remembers a saved value
// (Save() after the window has loaded its object) and answers IsChanged against it, so that
// a window writes statements only for what the user changed; the text controls also answer
// IsNull. They share a form-like keyboard flow:
//   Return (WantReturns)   moves to the next control and types nothing; in a dialog that has
//                          a default button, that button takes Return instead;
//   arrows (WantArrow)     leave a text box at its ends (table in each class);
//   Tab (WantTabs)         stays in the control instead of moving the focus;
//   AutoSave               takes the saved value again each time the control gets the focus.
// Disabled text and combo boxes show the button-face colour.

// Letter case that a text control forces on what is typed.
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

namespace qvstdctl {
// text without the blanks and control characters at its ends (the ideographic space stays).
QString trimBlanks(const QString &text);
} // namespace qvstdctl

// The keyboard-flow switches of the input controls (see above). Arrow keys mean nothing to a
// check box or radio button; they keep the switch so that forms can set it on any control.
class TqvInputFlags
{
public:
    bool AutoSave() const { return m_autoSave; }
    void setAutoSave(bool on) { m_autoSave = on; }
    bool WantArrow() const { return m_wantArrow; }
    void setWantArrow(bool on) { m_wantArrow = on; }
    bool WantReturns() const { return m_wantReturns; }
    void setWantReturns(bool on) { m_wantReturns = on; }
    bool WantTabs() const { return m_wantTabs; }
    void setWantTabs(bool on) { m_wantTabs = on; }

protected:
    bool m_autoSave = false;
    bool m_wantArrow = true;
    bool m_wantReturns = true;
    bool m_wantTabs = false;
};

// Single-line text. Left with the caret at 0 and nothing selected, or Up: previous control;
// Right with the caret at the end, or Down: next control.
class TqvStrEdit : public QLineEdit, public TqvInputFlags
{
    Q_OBJECT
    Q_PROPERTY(QString SaveValue READ SaveValue WRITE setSaveValue)
    Q_PROPERTY(bool AutoSave READ AutoSave WRITE setAutoSave)
    Q_PROPERTY(bool WantArrow READ WantArrow WRITE setWantArrow)
    Q_PROPERTY(bool WantReturns READ WantReturns WRITE setWantReturns)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE setWantTabs)
    Q_PROPERTY(bool IsChanged READ IsChanged)
    Q_PROPERTY(bool IsNull READ IsNull)
public:
    explicit TqvStrEdit(QWidget *parent = nullptr);

    void Save() { m_saveValue = text(); }
    QString SaveValue() const { return m_saveValue; }
    void setSaveValue(const QString &value) { m_saveValue = value; }
    bool IsChanged() const { return text() != m_saveValue; }
    bool IsNull() const { return qvstdctl::trimBlanks(text()).isEmpty(); }

    TEditCharCase CharCase() const { return m_charCase; }
    void setCharCase(TEditCharCase charCase);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString m_saveValue;
    TEditCharCase m_charCase = ecNormal;
};

// A decimal number. Every change of the text, typed, pasted or set by the program, is
// filtered to digits and the last "." (with AllowMinus, one "-" in front when the text held
// one anywhere), so that "1.2.3" becomes "12.3" and "5-" becomes "-5". The text always uses
// "." whatever the locale. Entering the box selects its whole text.
class TqvNumEdit : public TqvStrEdit
{
    Q_OBJECT
    Q_PROPERTY(bool AllowMinus READ AllowMinus WRITE setAllowMinus)
    Q_PROPERTY(double ValueFloat READ ValueFloat WRITE setValueFloat)
    Q_PROPERTY(qint32 ValueInt READ ValueInt WRITE setValueInt)
public:
    explicit TqvNumEdit(QWidget *parent = nullptr);

    bool AllowMinus() const;
    void setAllowMinus(bool allow);

    // The number, 0 when the text is none ("", ".", "-").
    double ValueFloat() const;
    // Writing 0 into an empty box leaves it empty; otherwise the box shows the number.
    void setValueFloat(double value);
    // ValueFloat rounded, a half to the even neighbour; 0 when the number is outside the
    // 32-bit range (TryValueInt tells that case apart).
    qint32 ValueInt() const;
    std::optional<qint32> TryValueInt() const;
    void setValueInt(qint32 value);

protected:
    void focusInEvent(QFocusEvent *event) override;
};

// A combo box. Left and Right leave it at once in the drop-down list style (not editable),
// otherwise at the ends of the text as in TqvStrEdit; Up and Down keep choosing items.
// Typed text is never completed from the items nor added to them; 20 items drop down.
class TqvComboBox : public QComboBox, public TqvInputFlags
{
    Q_OBJECT
    Q_PROPERTY(QString SaveValue READ SaveValue WRITE setSaveValue)
    Q_PROPERTY(bool AutoSave READ AutoSave WRITE setAutoSave)
    Q_PROPERTY(bool WantArrow READ WantArrow WRITE setWantArrow)
    Q_PROPERTY(bool WantReturns READ WantReturns WRITE setWantReturns)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE setWantTabs)
    Q_PROPERTY(bool IsChanged READ IsChanged)
    Q_PROPERTY(bool IsNull READ IsNull)
public:
    explicit TqvComboBox(QWidget *parent = nullptr);

    void Save() { m_saveValue = currentText(); }
    QString SaveValue() const { return m_saveValue; }
    void setSaveValue(const QString &value) { m_saveValue = value; }
    bool IsChanged() const { return currentText() != m_saveValue; }
    bool IsNull() const { return qvstdctl::trimBlanks(currentText()).isEmpty(); }

    TEditCharCase CharCase() const { return m_charCase; }
    void setCharCase(TEditCharCase charCase);

    // Emits OnDropDown first, so that a handler can fill the items the list then shows.
    void showPopup() override;

Q_SIGNALS:
    void OnDropDown();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void dropCompleter();

    QString m_saveValue;
    TEditCharCase m_charCase = ecNormal;
};

// A check box whose saved value is its state (unchecked, checked, partially checked).
class TqvCheckBox : public QCheckBox, public TqvInputFlags
{
    Q_OBJECT
    Q_PROPERTY(bool AutoSave READ AutoSave WRITE setAutoSave)
    Q_PROPERTY(bool WantArrow READ WantArrow WRITE setWantArrow)
    Q_PROPERTY(bool WantReturns READ WantReturns WRITE setWantReturns)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE setWantTabs)
    Q_PROPERTY(bool IsChanged READ IsChanged)
public:
    explicit TqvCheckBox(QWidget *parent = nullptr);
    explicit TqvCheckBox(const QString &text, QWidget *parent = nullptr);

    void Save() { m_saveValue = checkState(); }
    Qt::CheckState SaveValue() const { return m_saveValue; }
    void setSaveValue(Qt::CheckState value) { m_saveValue = value; }
    bool IsChanged() const { return checkState() != m_saveValue; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    Qt::CheckState m_saveValue = Qt::Unchecked;
};

// A radio button whose saved value is whether it is checked.
class TqvRadioButton : public QRadioButton, public TqvInputFlags
{
    Q_OBJECT
    Q_PROPERTY(bool SaveValue READ SaveValue WRITE setSaveValue)
    Q_PROPERTY(bool AutoSave READ AutoSave WRITE setAutoSave)
    Q_PROPERTY(bool WantArrow READ WantArrow WRITE setWantArrow)
    Q_PROPERTY(bool WantReturns READ WantReturns WRITE setWantReturns)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE setWantTabs)
    Q_PROPERTY(bool IsChanged READ IsChanged)
public:
    explicit TqvRadioButton(QWidget *parent = nullptr);
    explicit TqvRadioButton(const QString &text, QWidget *parent = nullptr);

    void Save() { m_saveValue = isChecked(); }
    bool SaveValue() const { return m_saveValue; }
    void setSaveValue(bool value) { m_saveValue = value; }
    bool IsChanged() const { return isChecked() != m_saveValue; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    bool m_saveValue = false;
};

// A list box whose select-all request (the slot selectAll(), Ctrl+A, the main window's
// select-all command) selects every item when the list allows several selected items and
// does nothing otherwise.
class TqvListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TqvListBox(QWidget *parent = nullptr);
};

// Ctrl+PgUp and Ctrl+PgDn in window (Shift or Alt may be held too) turn the first page control
// (QTabWidget) found among its children to the previous or next page; they never reach the
// focused control, also when there is no page control or only one page.
void InstallPageSwitchKeys(QWidget *window);
