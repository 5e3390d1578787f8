#pragma once

#include "ui/qvdbgridcolumns.h"
#include "ui/qvdbgridlink.h"

#include <QAbstractScrollArea>
#include <QBitmap>
#include <QFlags>
#include <QFont>
#include <QLineEdit>
#include <QPointer>

class QListWidget;
class QPainter;
class QMenu;
class QToolButton;
class TqvDBGrid;
class TqvPickListPopup;

// The record grids: TqvDBGridV shows the records of a data set one per row and its fields one
// per column, TqvDBGridH one record per column and one field per row. Both are one
// implementation with the axes exchanged; where this header says "field lane" it means a
// column of TqvDBGridV and a row of TqvDBGridH, and a "record lane" the other way round.
//
// A grid follows its data set through its data link (TGridDataLink): it lays out one field
// lane per visible field (or per item of a customized collection), shows the records around
// the data set's current record, paints cells from the data set on demand and keeps nothing
// per record but the selection.
//
// The selection is the grid's own: selected records (SelectedRecords) combined with a range of
// field lanes (RangeStart .. RangeEnd, either order) or with whole records (WholeRecords). A
// cell is selected when its record is selected and its field lane is in the range or whole
// records are on; with no record selected the selection is the current cell.
//
// Every key press, mouse press, scroll-bar move, paste and record delete of a grid runs under
// the transaction rule (TqvGridCommitScope): records stored or deleted meanwhile are committed
// at once when the option UpdateToCommit is on, and otherwise stay in the connection's
// transaction for the main window's COMMIT or ROLLBACK.
//
// The in-place editor (TDBGridInplaceEdit) holds its text apart from the data set until the
// grid writes it to the field (UpdateData), which every move of the grid's does first. A host
// that moves or posts the data set itself calls UpdateData() before, and ConfirmPendingRecord()
// before it closes the data set.

enum TDBGridOption {
    dgEditing = 0x0001, // cells may be edited; Insert and Down past the last record add records
    dgAlwaysShowEditor = 0x0002, // the in-place editor stays on the current cell
    dgTitles = 0x0004, // a title lane with the fields' titles
    dgIndicator = 0x0008, // an indicator lane that marks the current and selected records
    dgColumnResize = 0x0010, // lanes may be sized (and columns moved) with the mouse
    dgColLines = 0x0020,
    dgRowLines = 0x0040,
    dgTabs = 0x0080, // Tab moves between cells
    dgRowSelect = 0x0100, // whole records are selected; excludes editing
    dgAlwaysShowSelection = 0x0200, // the selection shows while the grid has no focus
    dgConfirmDelete = 0x0400, // deleting records asks first
    dgCancelOnExit = 0x0800, // leaving the grid drops an untouched new record
    dgMultiSelect = 0x1000, // several records may be selected
};
Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridOptions)

// The state of a painted cell.
enum TDBGridDrawStateFlag { dgsSelected = 0x1, dgsFocused = 0x2, dgsFixed = 0x4 };

// The indicator pictures, by their index.
enum TDBGridIndicator {
    diArrow, // the current record
    diEdit, // the current record while it is edited
    diInsert, // the current record while it is inserted
    diMultiDot, // a selected record that is not the current one
    diMultiArrow, // the current record when it is selected
};

// The picture of an indicator: 6 × 11 pixels pointing right for the grid with one record per
// row, 11 × 6 pointing down for the other; set pixels are drawn, clear ones are transparent.
QBitmap GridIndicatorPicture(TDBGridIndicator kind, bool recordsInRows);

// Paints text in cellRect the way the grids paint cell text: the cell filled with the
// painter's brush, the text clipped to the cell, left-aligned dx from the left edge, right-
// aligned 3 pixels from the right edge or centred, dy below the top. Text too wide for the cell
// ends in "…" where it is cut.
void DrawGridCellText(QPainter &painter, const QRect &cellRect, int dx, int dy, const QString &text,
                      Qt::Alignment alignment);

// The text that stands for NULL in a cell and in an empty editor over it: "(NULL)".
QString GridNullText();
// The colour in which "(NULL)" is painted on background: blue, unless blue is hard to read
// there (a selection), then white or black, whichever stands out more.
QColor GridNullColour(const QColor &background);

// The in-place editor of a record grid: a text box over the current cell, with a "..." button
// or a drop-down pick list as the cell's item says. Its clipboard commands act on records when
// the grid has selected records: copy() copies them, deleteSelected() deletes them (after the
// question), and paste() turns pasted lines of tab-separated text into new records.
class TDBGridInplaceEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBGridInplaceEdit(TqvDBGrid *grid);
    ~TDBGridInplaceEdit() override;

    TqvDBGrid *Grid() const { return m_grid; }
    QToolButton *EditButton() const { return m_button; }
    bool ListVisible() const;
    QListWidget *PickListWidget() const;
    void DropDown();
    void CloseUp(bool accept);

public Q_SLOTS:
    void copy();
    void paste();
    // The program's Delete command: the selected records, else the selected text.
    void deleteSelected();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class TqvDBGrid;
    // Takes the settings of the cell it is placed on.
    void UpdateContents();
    void placeButton();
    bool leftSide() const;
    bool rightSide() const;
    bool wholeTextSelected() const;
    void sendToGrid(int key, Qt::KeyboardModifiers modifiers);

    TqvDBGrid *m_grid;
    QToolButton *m_button = nullptr;
    TqvPickListPopup *m_popup = nullptr;
    bool m_pickList = false;
};

class TqvDBGrid : public QAbstractScrollArea
{
    Q_OBJECT
public:
    ~TqvDBGrid() override;

    // One record per row (TqvDBGridV) or one per column (TqvDBGridH).
    bool RecordsInRows() const { return m_recordsInRows; }

    // --- data
    pg::DataSet *DataSet() const;
    // Binds the grid to a data set (nullptr: none); the selection is cleared first.
    void setDataSet(pg::DataSet *dataSet);
    TGridDataLink *DataLink() const { return m_link; }

    // --- settings
    TDBGridOptions Options() const { return m_options; }
    void setOptions(TDBGridOptions options);
    bool ReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    // The grid paints the text of data cells itself before the cell-painting signals.
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void setDefaultDrawing(bool on) { m_defaultDrawing = on; }
    // The font of the titles; follows the grid's font until one is set.
    QFont TitleFont() const;
    void setTitleFont(const QFont &font);
    // The field whose title carries the sort mark (its index in the data set; -1: none) and
    // whether the mark says descending. The grid only shows it; sorting is the host's.
    int SortMarkField() const { return m_sortField; }
    bool SortMarkDescending() const { return m_sortDescending; }
    void setSortMark(int fieldIndex, bool descending);
    // Shown on a right click (see the mouse rules); the host may change it as the mouse moves.
    QMenu *PopupMenu() const;
    void setPopupMenu(QMenu *menu);

    // --- items and the field map
    TDBGridItems *Items() const { return m_items.get(); }
    int FieldCount() const { return m_link->FieldCount(); }
    const pg::Field *Fields(int index) const { return m_link->Fields(index); }
    const pg::Field *GetFields(int index) const { return Fields(index); }
    bool ValidFieldIndex(int index) const { return m_link->FieldListIndex(index) >= 0; }
    // The lanes: one per item; the visible (showing) ones take a place.
    int ItemCount() const;

    // --- the current cell
    // The data index of the current field lane.
    int SelectedIndex() const { return m_curField; }
    void setSelectedIndex(int index);
    // The field of the current lane (nullptr for none) and its index in the data set.
    const pg::Field *SelectedField() const;
    int SelectedFieldIndex() const;
    // Moves to each lane that shows the field in turn (the last wins).
    void setSelectedField(int fieldIndex);

    // --- the selection
    TBookmarkList *SelectedRecords() const { return m_bookmarks.get(); }
    int RangeStart() const { return m_rangeStart; }
    int RangeEnd() const { return m_rangeEnd; }
    void setRangeStart(int index);
    void setRangeEnd(int index);
    bool WholeRecords() const { return m_wholeRecords; }
    void setWholeRecords(bool on);
    // Marks every record (the main window's select-all command).
    void SelectAllRecords();

    // --- grid coordinates: (column, row) of the cell matrix, the fixed lanes counted. Record
    // lanes are counted from the first record shown; field lanes from the first item.
    int IndicatorOffset() const { return m_indicatorOffset; }
    int TitleOffset() const { return m_titleOffset; }
    int Col() const;
    int Row() const;
    int ColCount() const;
    int RowCount() const;
    // The first record shown, and how many records the grid shows fully.
    int TopRecord() const { return m_top; }
    int VisibleRecordCount() const;
    int DefaultRowHeight() const { return m_rowHeight; }
    // The cell of the last mouse press that did not start a sizing.
    QPoint SelectedCell() const { return m_selectedCell; }
    void setSelectedCell(const QPoint &cell) { m_selectedCell = cell; }
    // The rectangle of a cell in the viewport's coordinates; empty when it is not shown.
    QRect GetCellRect(int col, int row) const;
    // The cell under a point of the viewport; (-1, -1) outside every cell.
    QPoint MouseCoord(const QPoint &viewportPos) const;

    // --- the editor
    TDBGridInplaceEdit *InplaceEditor() const { return m_editor; }
    bool EditorMode() const { return m_editorMode; }
    void setEditorMode(bool shown);
    // The editor's text not yet written to the field.
    QString EditText() const { return m_editText; }
    // Writes the editor's pending text into the current field (nothing when there is none);
    // a value the field refuses throws, and the text stays pending.
    void UpdateData();
    // Before a host closes the data set: a record with pending changes is stored under the
    // transaction rule, or dropped, as the user answers; an untouched new record is dropped.
    // False when the user cancelled or the record could not be stored (the user was told).
    bool ConfirmPendingRecord();

    // --- layout
    // Lays the grid out again from its items and the data set's fields.
    void LayoutChanged();
    void BeginLayout();
    void EndLayout();

    // The display text of a cell: the data set's text of the value, "true" / "false" for
    // booleans, empty for NULL.
    QString DisplayText(int row, int fieldIndex) const;
    // The text the editor opens with: the hexadecimal bytes of a bytea value (at most 200
    // bytes), the whole text of other values, empty for NULL.
    QString CellEditText(int row, int fieldIndex) const;

    // Paints a data cell's text the grid's own way (DrawGridCellText at 2, 2 with the item's
    // alignment) for the record the painter is painting.
    void DefaultDrawDataCell(QPainter &painter, const QRect &rect, int fieldIndex, int state);

    // The record whose cell is being painted (during the cell-painting signals); else the
    // data set's current record.
    int PaintingRecord() const;

public Q_SLOTS:
    // The program's Copy command: the selected records as tab-separated lines, or the current
    // cell's value when no record is selected.
    void copy();
    // The program's Paste command: opens the editor and pastes there.
    void paste();
    // The program's Delete command: the selected records, after the question.
    void deleteSelected();
    // Deletes the selected records (the last one first), or the current record when none is
    // selected, under the transaction rule and without a question. When a delete of selected
    // records fails part way, the user is told how many records went before it and what
    // failed, and the rest stay; false then. A failed delete of the current record throws.
    bool DeleteRecords();

Q_SIGNALS:
    // Every key that reaches the grid or its editor, before the grid handles it; a handler
    // may change the key or set it to 0.
    void OnKeyDown(int &key, Qt::KeyboardModifiers shift);
    void OnEditButtonClick();
    void OnDblClick();
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    // A data cell of a default collection, after the default drawing (state: dgs… bits).
    void OnDrawDataCell(QPainter *painter, const QRect &rect, int fieldIndex, int state);

protected:
    TqvDBGrid(bool recordsInRows, QWidget *parent);

    // What the two grids name differently.
    virtual void fieldEnter() = 0;
    virtual void fieldExit() = 0;
    virtual void fieldMoved(int from, int to) = 0;
    virtual void drawItemCell(QPainter *painter, const QRect &rect, int dataIndex,
                              TDBGridItem *item, int state)
        = 0;
    virtual void cellClick(TDBGridItem *item) = 0;
    virtual void titleClick(TDBGridItem *item) = 0;

    // The width of a record lane of the grid with one record per column.
    int recordLaneWidth() const { return m_recordWidth; }
    void setRecordLaneWidth(int width);

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TGridDataLink;
    friend class TBookmarkList;
    friend class TDBGridInplaceEdit;
    friend class TDBGridItems;
    friend class TDBGridItem;
    friend class TColumn;

    struct Hit
    {
        int lane = -1; // record lane from the first record shown; -1 in the title lane
        int field = -1; // data index; -1 in the indicator lane
        bool inCell = false;
        bool inTitles = false;
        bool inIndicator = false;
        int border = -1; // a lane border under the point in a sizing place, else -1
    };

    // --- notifications from the items and the data link
    void itemChanged(TDBGridItem *item);
    void linkActive(bool active);
    void dataChanged();
    void editingChanged();
    void recordChanged(int row);
    void beforeDataSetReset();
    void updateDataFromEditor();

    // --- layout
    void internalLayout();
    void updateRowHeights();
    void updateRecordCount();
    void updateActive();
    void updateScrollBars();
    // the records, fields, scroll bars and editor for the grid's present size
    void followSize();
    void ensureFieldVisible();
    void recordScrollAction(int action);
    void fieldScrollAction(int action);
    int fieldPitch(int dataIndex) const;
    int recordPitch() const;
    int titlePitch() const;
    int indicatorPitch() const;
    int lineAfterRecord() const;
    int lineAfterField() const;
    int recordAxisLength() const;
    int fieldAxisLength() const;
    QRect orient(int recordPos, int recordLen, int fieldPos, int fieldLen) const;
    int fieldLaneStart(int dataIndex) const; // -1 when not shown
    int shownRecordLanes() const; // lanes that show a record (at least 1)
    QRect dataCellRect(int lane, int dataIndex) const;
    Hit hitTest(const QPoint &pos) const;
    int dataIndexOfField(int fieldIndex) const;
    bool itemShowing(int dataIndex) const;
    int lastShowingIndex() const;
    int firstShowingIndex() const;

    // --- painting
    void paintCell(QPainter &painter, int lane, int dataIndex, const QRect &rect);
    void paintIndicator(QPainter &painter, int lane, const QRect &rect);
    void paintTitle(QPainter &painter, int dataIndex, const QRect &rect);
    void paintFixedEdges(QPainter &painter, const QRect &rect);
    bool highlightCell(int row, int dataIndex) const;
    void invalidateRecord(int row);
    void invalidateAll();

    // --- navigation
    void keyDown(int key, Qt::KeyboardModifiers shift);
    void handleKeyDown(int &key, Qt::KeyboardModifiers shift, bool fromEditor);
    void fieldMove(int dataIndex, int direction, Qt::KeyboardModifiers shift, bool tab = false,
                   bool updateSelection = true);
    void moveRecordBy(int distance);
    void moveToRecord(int row);
    void nextRecord(bool select, Qt::KeyboardModifiers shift);
    void priorRecord(bool select, Qt::KeyboardModifiers shift);
    void moveWithSelection(bool select, int direction, Qt::KeyboardModifiers shift);
    void tab(bool forward);
    void clearSelection();
    bool confirmDelete() const;
    bool deleteRecords();
    bool canModifyRecords() const;
    bool inserting() const;
    bool untouchedInsert() const;
    void gridExit();
    void focusChanged(QWidget *old, QWidget *now);
    bool owns(const QWidget *widget) const;

    // --- the editor
    bool canShowEditor() const;
    void showEditor();
    void hideEditor();
    void placeEditor();
    void refreshEditor();
    bool CanEditModify();
    void setEditText(const QString &text);
    void writeFieldText(int fieldIndex, const QString &text);
    void editButtonClick();
    void pasteRecords(const QString &text);
    void deleteSelectedRecords();

    const bool m_recordsInRows;
    TGridDataLink *m_link = nullptr;
    std::unique_ptr<TDBGridItems> m_items;
    std::unique_ptr<TBookmarkList> m_bookmarks;
    TDBGridInplaceEdit *m_editor = nullptr;
    QPointer<QWidget> m_popupMenu;

    TDBGridOptions m_options;
    bool m_readOnly = false;
    bool m_defaultDrawing = true;
    QFont m_titleFont;
    bool m_titleFontSet = false;
    int m_sortField = -1;
    bool m_sortDescending = false;
    int m_titleOffset = 1;
    int m_indicatorOffset = 1;
    int m_updateLock = 0;
    int m_layoutLock = 0;
    bool m_inFieldExit = false;
    bool m_inLayout = false;

    int m_rangeStart = 0;
    int m_rangeEnd = 0;
    bool m_wholeRecords = false;
    bool m_selecting = false;
    pg::Bookmark m_selectionAnchor = pg::NoBookmark;
    QPoint m_selectedCell;
    QString m_editText;
    bool m_editorMode = false;

    int m_curField = 0; // data index of the current field lane
    int m_top = 0; // first record shown
    int m_leftField = 0; // first field lane shown
    int m_rowHeight = 20;
    int m_titleExtent = 20; // the title lane's size across the record axis
    int m_indicatorExtent = 11; // the indicator lane's size across the field axis
    int m_recordWidth = 64; // a record lane's width in the grid with one record per column
    int m_paintingRecord = -1;

    // mouse sizing and column dragging
    int m_sizingField = -1; // data index of the lane being sized; -2 for record lanes
    int m_sizingOrigin = 0; // where the mouse took the border
    int m_sizingStart = 0; // the lane's size then
    int m_pressField = -1; // title pressed (a click or the start of a drag)
    QPoint m_pressPos;
    bool m_dragging = false;
    bool m_pressHandled = false;
    bool m_inDialog = false;
};

// The record grid with one record per row and one field per column.
class TqvDBGridV : public TqvDBGrid
{
    Q_OBJECT
public:
    explicit TqvDBGridV(QWidget *parent = nullptr);

    TDBGridColumns *Columns() const { return static_cast<TDBGridColumns *>(Items()); }
    TBookmarkList *SelectedRows() const { return SelectedRecords(); }
    int ColStart() const { return RangeStart(); }
    void setColStart(int index) { setRangeStart(index); }
    int ColEnd() const { return RangeEnd(); }
    void setColEnd(int index) { setRangeEnd(index); }
    int RawToDataColumn(int col) const { return col - IndicatorOffset(); }
    void DefaultDrawColumnCell(QPainter &painter, const QRect &rect, int dataCol, TColumn *column,
                               int state);

Q_SIGNALS:
    void OnColEnter();
    void OnColExit();
    void OnColumnMoved(int fromIndex, int toIndex);
    void OnDrawColumnCell(QPainter *painter, const QRect &rect, int dataCol, TColumn *column,
                          int state);
    void OnCellClick(TColumn *column);
    void OnTitleClick(TColumn *column);

protected:
    void fieldEnter() override { Q_EMIT OnColEnter(); }
    void fieldExit() override { Q_EMIT OnColExit(); }
    void fieldMoved(int from, int to) override { Q_EMIT OnColumnMoved(from, to); }
    void drawItemCell(QPainter *painter, const QRect &rect, int dataIndex, TDBGridItem *item,
                      int state) override;
    void cellClick(TDBGridItem *item) override;
    void titleClick(TDBGridItem *item) override;
};

// The record grid with one record per column and one field per row.
class TqvDBGridH : public TqvDBGrid
{
    Q_OBJECT
public:
    explicit TqvDBGridH(QWidget *parent = nullptr);

    TDBGridRows *Rows() const { return static_cast<TDBGridRows *>(Items()); }
    TBookmarkList *SelectedCols() const { return SelectedRecords(); }
    int RowStart() const { return RangeStart(); }
    void setRowStart(int index) { setRangeStart(index); }
    int RowEnd() const { return RangeEnd(); }
    void setRowEnd(int index) { setRangeEnd(index); }
    int RawToDataRow(int row) const { return row - IndicatorOffset(); }
    // The width of every record column (64 by default); sizing one sizes all.
    int DefaultColWidth() const { return recordLaneWidth(); }
    void setDefaultColWidth(int width) { setRecordLaneWidth(width); }
    // The width of grid column col (the title column or a record column).
    int GetColWidth(int col) const;
    void DefaultDrawRowCell(QPainter &painter, const QRect &rect, int dataRow, TRow *row,
                            int state);

Q_SIGNALS:
    void OnRowEnter();
    void OnRowExit();
    void OnRowMoved(int fromIndex, int toIndex);
    void OnDrawRowCell(QPainter *painter, const QRect &rect, int dataRow, TRow *row, int state);
    void OnCellClick(TRow *row);
    void OnTitleClick(TRow *row);

protected:
    void fieldEnter() override { Q_EMIT OnRowEnter(); }
    void fieldExit() override { Q_EMIT OnRowExit(); }
    void fieldMoved(int from, int to) override { Q_EMIT OnRowMoved(from, to); }
    void drawItemCell(QPainter *painter, const QRect &rect, int dataIndex, TDBGridItem *item,
                      int state) override;
    void cellClick(TDBGridItem *item) override;
    void titleClick(TDBGridItem *item) override;
};
