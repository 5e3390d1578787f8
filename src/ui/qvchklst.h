#pragma once

#include "qvcheckdraw.h"

#include <QListWidget>
#include <QVariant>

// What a line of TqvCheckListBox carries besides its text: the caller's item data and the
// state and enabled flag of its two check boxes. A line that was never written reads as both
// boxes unchecked and enabled, with no data.
struct TqvCheckListBoxDataWrapper
{
    QVariant FData; // the caller's item data: a pointer-sized number, an object, anything
    TCheckBoxState FStateL = cbUnchecked;
    TCheckBoxState FStateR = cbUnchecked;
    bool FDisabledL = false;
    bool FDisabledR = false;

    bool CheckedL() const { return FStateL == cbChecked; }
    void setCheckedL(bool checked) { FStateL = checked ? cbChecked : cbUnchecked; }
    bool CheckedR() const { return FStateR == cbChecked; }
    void setCheckedR(bool checked) { FStateR = checked ? cbChecked : cbUnchecked; }
    static TCheckBoxState GetDefaultState() { return cbUnchecked; }
};
Q_DECLARE_METATYPE(TqvCheckListBoxDataWrapper)

// A list whose every line has two check boxes in front of its text: L and, right of it, R.
// R stands for a right that depends on L (a privilege and its grant option): a user who
// unchecks L unchecks R with it, and one who checks R checks L with it. The program's own
// setters apply no such rule and fire nothing.
//
// Like the edit controls it keeps a snapshot of every state (Save) and answers whether the
// list or one line differs from it; enabled flags and item data take no part.
//
// The left button toggles the box under the pointer, Space toggles L of the current line.
// Lines are addressed by row; an index outside the lines throws std::out_of_range.
class TqvCheckListBox : public QListWidget
{
    Q_OBJECT
    Q_PROPERTY(bool AllowGrayed READ AllowGrayed WRITE setAllowGrayed)
    Q_PROPERTY(bool Flat READ Flat WRITE setFlat)
    Q_PROPERTY(bool AutoSave READ AutoSave WRITE setAutoSave)
    Q_PROPERTY(bool IsChanged READ IsChanged)
public:
    explicit TqvCheckListBox(QWidget *parent = nullptr);

    // A user's click on an unchecked box passes through grayed before checked.
    bool AllowGrayed() const { return m_allowGrayed; }
    void setAllowGrayed(bool on) { m_allowGrayed = on; }
    bool Flat() const { return m_flat; }
    void setFlat(bool on);
    bool AutoSave() const { return m_autoSave; }
    void setAutoSave(bool on) { m_autoSave = on; }

    void Save();
    bool IsChanged() const;
    // True for an index outside the lines or the snapshot.
    bool GetIsChangedLines(int index) const;

    TCheckBoxState GetStateL(int index) const { return wrapper(index).FStateL; }
    TCheckBoxState GetStateR(int index) const { return wrapper(index).FStateR; }
    void SetStateL(int index, TCheckBoxState state);
    void SetStateR(int index, TCheckBoxState state);
    bool GetCheckedL(int index) const { return wrapper(index).CheckedL(); }
    bool GetCheckedR(int index) const { return wrapper(index).CheckedR(); }
    void SetCheckedL(int index, bool checked);
    void SetCheckedR(int index, bool checked);
    bool GetItemEnabledL(int index) const { return !wrapper(index).FDisabledL; }
    bool GetItemEnabledR(int index) const { return !wrapper(index).FDisabledR; }
    void SetItemEnabledL(int index, bool enabled);
    void SetItemEnabledR(int index, bool enabled);
    QVariant GetItemData(int index) const { return wrapper(index).FData; }
    void SetItemData(int index, const QVariant &data);
    TqvCheckListBoxDataWrapper GetWrapper(int index) const { return wrapper(index); }

    // The width of one check column.
    static int CheckColumnWidth();

Q_SIGNALS:
    // The user toggled an L (R) box; fired after the state changed.
    void OnClickCheckL();
    void OnClickCheckR();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    TqvCheckListBoxDataWrapper wrapper(int index) const;
    void setWrapper(int index, const TqvCheckListBoxDataWrapper &data);
    QListWidgetItem *checkedItem(int index) const;
    quint32 packed(int index) const;
    bool toggleAt(const QPoint &pos);
    void ToggleL(int index);
    void ToggleR(int index);
    TCheckBoxState nextState(TCheckBoxState state) const;

    bool m_allowGrayed = false;
    bool m_flat = true;
    bool m_autoSave = false;
    QList<quint32> m_saveChecked;
};
