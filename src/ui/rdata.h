#pragma once

#include "ui/rdatasql.h"
#include "ui/rdatecell.h"

#include <QFrame>
#include <QPointer>

class ConnectionWindow;
class QDateTimeEdit;
class QMenu;
class QPainter;
class QScrollArea;
class QToolBar;
class QToolButton;
class TColumn;
class TRow;
class TqvDBGrid;
class TqvDBGridH;
class TqvDBGridV;

namespace pg {
class Connection;
class DataSet;
} // namespace pg

// The frame through which query results are seen: one SELECT on its data set qryData, shown
// in one of two record grids over that data set (grdData1 one record per row, grdData2 one
// record per column), with a tool bar for edit mode, grid direction, output, insertion,
// deletion and moving between records, sorting by a click on a title, and the column widths
// kept per object.
//
// A host sets TableName and either SQL (the user's text: the SQL window, tools) or
// TableSource (the table, view and materialized-view editors), then calls Prepare and Open.
// The SQL window may instead drive qryData itself. What Prepare and Open put in qryData is
// described in rdatasql.h: the frame never edits the user's text.
//
// Rules that depend on the frame's owner (OwnerWindow(): the window the frame sits in):
// - an owner whose object name begins with "frmTable", "frmView" or "frmMView" limits the
//   rows to the number in its row-count box txtRecord, sets the session's client encoding to
//   the option CharacterSet before each open, and is told when a column cannot be shown;
// - an owner of class TfrmTable with a TableName gets its column widths kept in the object's
//   settings file (read after each open, written before each close).
class TfraData : public QFrame
{
    Q_OBJECT
public:
    explicit TfraData(QWidget *parent = nullptr);
    ~TfraData() override;

    // The window whose rules apply: the one set, else the nearest base window (TqvForm) the
    // frame sits in, else its top-level window.
    QWidget *OwnerWindow() const;
    void setOwnerWindow(QWidget *owner);
    // The connection window of the owner (a base window's binding); nullptr when none.
    ConnectionWindow *OwnerConnection() const;

    QString SQL() const;
    // Stores the user's text and clears the sort; nothing runs.
    void setSQL(const QString &sql);
    TDataTableSource TableSource() const { return m_tableSource; }
    // Stores the rows of a table or view to show and clears the sort; nothing runs.
    void setTableSource(const TDataTableSource &source);

    QString TableName;

    // True while grdData1 (one record per row) is the grid shown.
    bool GridType() const { return m_gridType; }
    void setGridType(bool recordsInRows);
    // The sort: the 1-based position in the result's column list as decimal text, empty for
    // none; and whether it is descending.
    QString Sort() const { return m_sort; }
    bool Desc() const { return m_desc; }

    // Puts the statement (with the sort) into qryData, closed, read-only exactly when
    // btnUpdate is up. A record with pending changes is stored or dropped first, as the user
    // answers (the silent abort when the user cancels).
    void Prepare();
    // Binds qryData to the owner's session when it has none, applies the owner's row limit
    // and client encoding, opens qryData and tells the user about columns the grids cannot
    // show. Database errors propagate; qryData then stays closed.
    void Open();
    // The statement qryData was last given by Prepare or Open.
    QString Statement() const { return m_statement; }

    // The grid shown.
    TqvDBGrid *VisibleGrid() const;

    // The cell texts the frame paints beside the grids' own: "(NULL)", a number written with
    // a leading "." gets a "0", bytea as the upper-case hexadecimal of its bytes (the first
    // 1024, then "…"); an empty string where the grid's own text stands.
    QString CellText(int row, int fieldIndex) const;

    pg::DataSet *qryData = nullptr;
    TqvDBGridV *grdData1 = nullptr;
    TqvDBGridH *grdData2 = nullptr;
    QScrollArea *scrButton = nullptr;
    QToolBar *tolLeft = nullptr;
    QToolButton *btnUpdate = nullptr;
    QToolButton *btnGridType = nullptr;
    QToolButton *btnExcel = nullptr;
    QToolButton *btnCopy = nullptr;
    QToolButton *btnIns = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnFirst = nullptr;
    QToolButton *btnPrev = nullptr;
    QToolButton *btnNext = nullptr;
    QToolButton *btnLast = nullptr;
    QDateTimeEdit *dtpInputDate = nullptr;
    QMenu *popRecord = nullptr;
    QMenu *popColumn = nullptr;
    TColumn *SelectedColumn = nullptr;
    TRow *SelectedRow = nullptr;

public Q_SLOTS:
    void btnGridTypeClick();
    void btnUpdateClick();
    void btnInsClick();
    void btnDelClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    // The whole result to the clipboard and into a workbook (rdataout.h).
    void btnCopyClick();
    void btnExcelClick();

    // --- editing commands, value editors and totals (rdataedit.cpp)
    // Ctrl+0 (also the keypad's 0) in edit mode: the current cell becomes NULL.
    void grdData1KeyDown(int &key, Qt::KeyboardModifiers shift);
    void grdData2KeyDown(int &key, Qt::KeyboardModifiers shift);
    // The "..." button or a double click: the long-text editor for text fields, the date
    // picker for dates and timestamps, the long-value editor for bytea.
    void grdData1EditButtonClick();
    void dtpInputdateChange();
    void dtpInputDateCloseUp();
    // The column popup's target when the mouse left none: the current field.
    void popColumnPopup();
    // The totals of the popup's column, computed by the server over the host's whole text.
    void mnuCountClick();
    void mnuSumClick();
    void mnuAverageClick();
    void mnuMaxClick();
    void mnuMinClick();

Q_SIGNALS:
    // After qryData opened (the frame's own handling done) and before it closes.
    void qryDataAfterOpen();
    void qryDataBeforeClose();

protected:
    void grdData1TitleClick(TColumn *column);
    void grdData2TitleClick(TRow *row);
    void grdData1DrawColumnCell(QPainter *painter, const QRect &rect, int dataCol, TColumn *column,
                                int state);
    void grdData2DrawRowCell(QPainter *painter, const QRect &rect, int dataRow, TRow *row,
                             int state);
    void qryDataAfterOpenClose();
    void qryDataBeforeClose_();

private:
    QToolButton *addButton(const char *name, int image, const QString &hint, bool check = false);
    void sortBy(int fieldIndex);
    void loadStatement(qint64 limit);
    qint64 ownerRowLimit() const;
    bool ownerIsLimited() const;
    bool ownerIs(const char *className) const;
    void setClientEncoding();
    void checkHiddenColumns();
    void applyColumnWidths();
    void saveColumnWidths();
    bool keepsWidths() const;
    void navigate(void (*move)(pg::DataSet *));
    bool stripe(TqvDBGrid *grid) const;

    // rdataedit.cpp
    void connectEditCommands();
    bool canEditValue(int field) const;
    void nullFromKeyboard(TqvDBGrid *grid, int &key, Qt::KeyboardModifiers shift);
    void EditTextValue(TqvDBGrid *grid, int field);
    void EditDateValue(TqvDBGrid *grid, int field);
    void EditLobValue(TqvDBGrid *grid, int field);
    void writePickedDate(const QDate &date, const QTime &time);
    void showTotal(int total);

    QPointer<QWidget> m_owner;
    QString m_sql;
    TDataTableSource m_tableSource;
    QString m_statement;
    QString m_sort;
    bool m_desc = false;
    bool m_gridType = false;
    // the cell the date picker edits: its text as read, its field and record
    TDateCellText m_dateCell;
    int m_dateField = -1;
    qint64 m_dateRecord = -1;
    bool m_dateWithTime = false;
};
