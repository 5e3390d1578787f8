#pragma once

#include <QListWidget>

#include <functional>

// The drop-down list of a cell editor's pick list, shared by the string grid's and the record
// grids' in-place editors. It lives as a pop-up window of its owner (the editor) and reports how
// it closed through closeUp: true when the user chose the current entry (Enter, Alt+Up or
// Alt+Down, a click on an entry), false when the user left it (Esc, F4, a click elsewhere).
// The owner hides it with HideQuietly, which reports nothing.
class TqvPickListPopup : public QListWidget
{
public:
    TqvPickListPopup(QWidget *owner, std::function<void(bool accept)> closeUp);

    // Fills the list with items, makes current the entry equal to current (none when there is
    // none), and shows it below anchor: rows entries high at most, at least as wide as anchor,
    // wider when the entries need it, above anchor where the screen ends below it.
    void DropDown(QWidget *anchor, const QStringList &items, const QString &current, int rows);
    void HideQuietly();
    // True while HideQuietly hides the list.
    bool Closing() const { return m_closing; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::function<void(bool)> m_closeUp;
    bool m_closing = false;
};
