#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QVariant>

class QListWidget;
class QToolButton;
class TqvStringGrid;

namespace qvgrid {
class GridModel;
class GridHeader;
class GridCorner;
} // namespace qvgrid
class TqvPickListPopup;

// How Return, the arrows and the in-place editor behave in a TqvStringGrid.
enum TqvGridEditorMode {
    geAccess, // the editor is always shown; Return and the editor's keys move across columns
    geExcel, // Return stores and moves down (Shift+Return up) in plain columns
    geNormal, // Return opens and closes the editor
};

// The edit style of one column position.
enum TqvGridEditStyle {
    geSimple, // plain text
    geEllipsis, // text with a "..." button (OnEditButtonClick)
    gePickList, // text with a drop-down list (OnGetPickListitems) and completion
    geDropList, // as gePickList; what is stored must be an entry of the list
    geCheckBox, // a check box the user toggles; "1" checked, "2" grayed, else unchecked
    geViewCheckBox, // a check box the user cannot toggle
};

enum TGridOption {
    goEditing = 0x01, // cells can be edited
    goAlwaysShowEditor = 0x02, // the editor stays open on the current cell
    goTabs = 0x04, // Tab moves between cells instead of leaving the grid
    goRowSelect = 0x08, // whole rows are selected
    goColSizing = 0x10, // the user sizes columns in the fixed rows
    goRowSizing = 0x20, // the user sizes rows in the fixed columns
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum TGridDrawStateFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };

// The editor that a TqvStringGrid opens over its current cell: a text box, with a "..."
// button for geEllipsis and a drop-down list for gePickList and geDropList.
class TqvInplaceEditor : public QLineEdit
{
    Q_OBJECT
public:
    explicit TqvInplaceEditor(TqvStringGrid *grid);
    ~TqvInplaceEditor() override;

    TqvStringGrid *Grid() const { return m_grid; }
    TqvGridEditStyle EditStyle() const { return m_style; }
    bool IsPickList() const { return m_style == gePickList || m_style == geDropList; }

    // Stores the editor's text into its cell when the two differ.
    void InputComplite();

    int DropDownRows() const { return m_dropDownRows; }
    void setDropDownRows(int rows) { m_dropDownRows = rows; }
    // The entries of the pick list as last loaded.
    QStringList PickList() const { return m_items; }
    bool ListVisible() const;
    QListWidget *PickListWidget() const;
    void DropDown();
    void CloseUp(bool accept);
    QToolButton *EditButton() const { return m_button; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TqvStringGrid;
    void takeCell(int col, int row, TqvGridEditStyle style, const QString &text);
    void loadPickList(bool force);
    bool complete(const QString &typed);
    bool wholeTextSelected() const;
    void placeButton();

    TqvStringGrid *m_grid;
    TqvGridEditStyle m_style = geSimple;
    QToolButton *m_button = nullptr;
    TqvPickListPopup *m_popup = nullptr;
    QStringList m_items;
    bool m_itemsLoaded = false;
    int m_dropDownRows = 20;
    int m_col = -1;
    int m_row = -1;
};

// An editable table of texts, addressed as (column, row) with the fixed rows and columns
// counted: with one fixed row, row 0 holds the titles and the data rows are 1, 2, ...
// Fixed rows and columns stay in place while the rest scrolls.
//
// Each column position has an edit style; the grid mode decides what Return and the
// editor's keys do. Save() takes a snapshot of every cell, from which IsChanged and the
// GetIsChanged... questions tell the window which statements to write.
class TqvStringGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TqvStringGrid(QWidget *parent = nullptr);
    ~TqvStringGrid() override;

    // --- shape
    int ColCount() const;
    void setColCount(int count);
    int RowCount() const;
    void setRowCount(int count);
    int FixedCols() const;
    void setFixedCols(int count);
    int FixedRows() const;
    void setFixedRows(int count);
    int DefaultColWidth() const { return m_defaultColWidth; }
    void setDefaultColWidth(int width);
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void setDefaultRowHeight(int height);
    int ColWidths(int col) const;
    void setColWidths(int col, int width);
    int RowHeights(int row) const;
    void setRowHeights(int row, int height);
    TGridOptions Options() const { return m_options; }
    void setOptions(TGridOptions options);

    // --- content
    QString Cells(int col, int row) const;
    void setCells(int col, int row, const QString &text);
    QVariant Objects(int col, int row) const;
    void setObjects(int col, int row, const QVariant &object);
    QStringList Rows(int row) const;
    void setRows(int row, const QStringList &texts);
    QStringList Cols(int col) const;
    void setCols(int col, const QStringList &texts);
    // The texts of row 0, the titles.
    QStringList Header() const { return Rows(0); }
    void setHeader(const QStringList &titles);

    // --- current cell
    int Col() const;
    void setCol(int col) { setCurrentCell(col, Row()); }
    int Row() const;
    void setRow(int row) { setCurrentCell(Col(), row); }
    // Asks OnSelectCell first; returns whether the cell became current.
    bool setCurrentCell(int col, int row);
    int TopRow() const;
    void setTopRow(int row);
    int LeftCol() const;
    int VisibleRowCount() const;
    int VisibleColCount() const;

    // --- editor
    TqvInplaceEditor *InplaceEditor() const { return m_editor; }
    bool EditorMode() const;
    void setEditorMode(bool shown);
    TqvGridEditorMode GridMode() const { return m_gridMode; }
    void setGridMode(TqvGridEditorMode mode);
    TqvGridEditStyle GetEditStyles(int col) const;
    void SetEditStyles(int col, TqvGridEditStyle style);
    // Paint the cells' own text besides what OnDrawCell paints.
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void setDefaultDrawing(bool on);

    // --- check boxes
    bool FlatCheckBox() const { return m_flatCheckBox; }
    void setFlatCheckBox(bool flat);
    bool GetChecked(int col, int row) const;
    void SetChecked(int col, int row, bool checked);
    void DrawCheck(QPainter &painter, int col, int row, const QRect &rect, bool enabled) const;

    bool GetIsNull(int col, int row) const;

    // --- rows and columns
    void Clear();
    void InsertRow(int index);
    void DeleteRow(int index);
    void InsertCol(int index);
    void DeleteCol(int index);
    void MoveRow(int fromIndex, int toIndex);
    void MoveCol(int fromIndex, int toIndex);

    // --- snapshot
    void Save();
    int SaveRowCount() const { return m_saveRowCount; }
    bool IsChanged() const;
    bool GetIsChangedRow(int row) const;
    bool GetIsChangedCol(int col) const;
    bool GetIsChangedCell(int col, int row) const;
    // Valid only for a row below SaveRowCount (and a column below that row's length).
    QString GetSaveCells(int col, int row) const;
    QStringList GetSaveRows(int row) const;
    QStringList GetSaveCols(int col);

    // The cell at a point of the grid's viewport, (-1, -1) outside the cells.
    QPoint MouseCoord(const QPoint &viewportPos) const;
    // The rectangle of a cell, fixed or not, in viewport coordinates.
    QRect CellRect(int col, int row) const;

public Q_SLOTS:
    // The current cell's text to the clipboard (the editor copies its own selection).
    void copy();

Q_SIGNALS:
    void OnShowEditor(int col, int row, TqvInplaceEditor *editor);
    void OnGetPickListitems(int col, int row, QStringList &items);
    void OnSelectListItems(int col, int row, int index);
    void OnEditButtonClick();
    void OnBeforeSetEditText(int col, int row, const QString &value);
    void OnSetEditText(int col, int row, const QString &value);
    // Before a cell becomes current; clear canSelect to keep the current one.
    void OnSelectCell(int col, int row, bool &canSelect);
    // After a cell was painted (state: TGridDrawStateFlag bits).
    void OnDrawCell(int col, int row, QPainter *painter, const QRect &rect, int state);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    friend class TqvInplaceEditor;
    friend class qvgrid::GridHeader;
    friend class qvgrid::GridCorner;
    friend class qvgrid::GridModel;

    void storeEditText(int col, int row, const QString &value);
    void showEditor(bool selectAll);
    void hideEditor(bool store);
    void refreshEditor();
    void placeEditor();
    bool canShowEditor() const;
    void returnKey(bool shift);
    bool moveCell(int dCol, int dRow);
    void tabKey(bool backwards);
    void toggleCheck();
    void editorKey(QKeyEvent *event);
    void focusChanged(QWidget *old, QWidget *now);
    bool owns(const QWidget *widget) const;
    QModelIndex modelIndex(int col, int row) const;
    void syncShape();
    void applyResizeModes();
    QList<int> captureWidths() const;
    QList<int> captureHeights() const;
    void applySizes(const QList<int> &widths, const QList<int> &heights);
    void paintFixedCell(QPainter &painter, int col, int row, const QRect &rect);

    qvgrid::GridModel *m_model = nullptr;
    qvgrid::GridHeader *m_top = nullptr;
    qvgrid::GridHeader *m_left = nullptr;
    qvgrid::GridCorner *m_corner = nullptr;
    TqvInplaceEditor *m_editor = nullptr;
    bool m_editorShown = false;
    TqvGridEditorMode m_gridMode = geNormal;
    QList<TqvGridEditStyle> m_editStyles;
    bool m_flatCheckBox = false;
    bool m_defaultDrawing = true;
    TGridOptions m_options = TGridOptions(goEditing | goColSizing);
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 24;
    QList<int> m_fixedColWidths;
    QList<int> m_fixedRowHeights;
    int m_saveRowCount = 0;
    QList<QStringList> m_saveRows;
    QList<QVariantList> m_saveObjects;
    QStringList m_saveCols;
    bool m_pressOnCurrent = false;
    bool m_inSelectCell = false;
};
