#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TqvDBGrid;
namespace pg {
struct Field;
}

// The items through which a record grid describes its fields: TColumn for the grid that shows
// one record per row (a field is a column, with a width), TRow for the grid that shows one
// record per column (a field is a row; all rows share the grid's row height).
//
// A collection is in one of two states. In the default state the grid makes one item per
// visible field of its data set at every layout; the items are not stored, their settings
// follow the field and last as long as the field stays mapped. In the customized state the
// items were added explicitly (Add) and the grid maps each item's FieldName to a field; a
// name that names no field keeps its place and shows nothing.

// What a cell's in-place editor offers besides its text.
enum TColumnButtonStyle {
    cbsAuto, // a drop-down list when the item has a pick list, else nothing
    cbsEllipsis, // a "..." button that fires the grid's OnEditButtonClick
    cbsNone,
};

enum TDBGridColumnsState { csDefault, csCustomized };

// The settings an item was given explicitly.
enum TColumnValue {
    cvWidth = 0x01,
    cvAlignment = 0x02,
    cvReadOnly = 0x04,
    cvTitleCaption = 0x08,
};
Q_DECLARE_FLAGS(TColumnValues, TColumnValue)
Q_DECLARE_OPERATORS_FOR_FLAGS(TColumnValues)

class TDBGridItems;

// What columns and rows have in common.
class TDBGridItem
{
public:
    virtual ~TDBGridItem();

    TDBGridItems *Collection() const { return m_collection; }
    TqvDBGrid *Grid() const;
    int Index() const;
    // Moves the item to another place in its collection.
    void setIndex(int index);

    // The field shown: its index in the data set's field list, -1 for none. Resolved from
    // FieldName while the grid's data set is open.
    int FieldIndex() const;
    const pg::Field *Field() const;
    QString FieldName() const { return m_fieldName; }
    void setFieldName(const QString &name);
    // Binds the item to field index (-1: none); FieldName follows.
    void setFieldIndex(int index);

    // The title: the field's name, or FieldName without a field, unless one was given.
    QString TitleCaption() const;
    void setTitleCaption(const QString &caption);
    QString DefaultTitleCaption() const;

    // Left, right (numbers) or centred; the field's alignment unless one was given.
    Qt::Alignment Alignment() const;
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment DefaultAlignment() const;

    // True when the grid is read-only, else the field's read-only state, unless given.
    bool ReadOnly() const;
    void setReadOnly(bool readOnly);
    bool DefaultReadOnly() const;

    TColumnButtonStyle ButtonStyle() const { return m_buttonStyle; }
    void setButtonStyle(TColumnButtonStyle style);
    QStringList PickList() const { return m_pickList; }
    void setPickList(const QStringList &items);
    int DropDownRows() const { return m_dropDownRows; }
    void setDropDownRows(int rows) { m_dropDownRows = rows; }

    bool Visible() const { return m_visible; }
    void setVisible(bool visible);
    // Whether the item takes a place in the grid (it is visible).
    bool Showing() const { return m_visible; }

    TColumnValues AssignedValues() const { return m_assigned; }
    // Drops every setting given explicitly, the pick list and the button style.
    virtual void RestoreDefaults();
    // Takes FieldName and the settings given explicitly of another item.
    virtual void Assign(const TDBGridItem &source);

    // Stored items make a customized collection; the grid's own items are not stored.
    bool Stored() const { return m_stored; }

protected:
    explicit TDBGridItem(TDBGridItems *collection);
    // Tells the grid that this item (all: every item) changed.
    void changed(bool all = false);
    void setAssigned(TColumnValue value) { m_assigned |= value; }

private:
    friend class TDBGridItems;
    friend class TqvDBGrid;
    TDBGridItems *m_collection;
    QString m_fieldName;
    mutable int m_field = -1;
    mutable bool m_fieldResolved = false;
    QString m_title;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_readOnly = false;
    TColumnButtonStyle m_buttonStyle = cbsAuto;
    QStringList m_pickList;
    int m_dropDownRows = 7;
    bool m_visible = true;
    bool m_stored = true;
    TColumnValues m_assigned;
};

// A field of the grid that shows one record per row.
class TColumn : public TDBGridItem
{
public:
    explicit TColumn(TDBGridItems *collection);

    // In pixels; -1 while the column is not showing. The width measured from the field
    // unless one was given.
    int Width() const;
    void setWidth(int width);
    // 64 without a grid; the grid's default width without a field; else the field's display
    // width in digits of the grid's font, at least the title's width.
    int DefaultWidth() const;

    void RestoreDefaults() override;
    void Assign(const TDBGridItem &source) override;

private:
    friend class TqvDBGrid;
    int m_width = 0;
    mutable int m_defaultWidth = -1; // measured once per layout of the grid
};

// A field of the grid that shows one record per column. Rows have no width of their own.
class TRow : public TDBGridItem
{
public:
    explicit TRow(TDBGridItems *collection);
};

// The items of one grid. Owned by the grid.
class TDBGridItems
{
public:
    virtual ~TDBGridItems();

    TqvDBGrid *Grid() const { return m_grid; }
    int Count() const { return int(m_items.size()); }
    TDBGridItem *Item(int index) const;
    int IndexOf(const TDBGridItem *item) const;

    // csCustomized when there are items and the first is stored. Setting csCustomized turns
    // the collection into stored items, one per field of the data set; csDefault empties it.
    TDBGridColumnsState State() const;
    void setState(TDBGridColumnsState state);

    // A stored item at the end.
    TDBGridItem *AddItem();
    // The grid's own item at the end (not stored).
    TDBGridItem *AddDefaultItem();
    void Delete(int index);
    void Clear();
    void Move(int from, int to);
    // One stored item per field of the data set, in field order (empty without one).
    void RebuildItems();
    void RestoreDefaults();

    // Changes inside one bracket lay the grid out once at its end.
    void BeginUpdate();
    void EndUpdate();

protected:
    explicit TDBGridItems(TqvDBGrid *grid);
    virtual std::unique_ptr<TDBGridItem> createItem() = 0;

private:
    friend class TDBGridItem;
    friend class TqvDBGrid;
    void itemChanged(TDBGridItem *item, bool all);

    TqvDBGrid *m_grid;
    std::vector<std::unique_ptr<TDBGridItem>> m_items;
    int m_updateCount = 0;
    bool m_changedInUpdate = false;
};

class TDBGridColumns : public TDBGridItems
{
public:
    explicit TDBGridColumns(TqvDBGrid *grid);
    TColumn *Items(int index) const { return static_cast<TColumn *>(Item(index)); }
    TColumn *Add() { return static_cast<TColumn *>(AddItem()); }
    TColumn *AddDefaultColumn() { return static_cast<TColumn *>(AddDefaultItem()); }
    void RebuildColumns() { RebuildItems(); }

protected:
    std::unique_ptr<TDBGridItem> createItem() override;
};

class TDBGridRows : public TDBGridItems
{
public:
    explicit TDBGridRows(TqvDBGrid *grid);
    TRow *Items(int index) const { return static_cast<TRow *>(Item(index)); }
    TRow *Add() { return static_cast<TRow *>(AddItem()); }
    TRow *AddDefaultRow() { return static_cast<TRow *>(AddDefaultItem()); }
    void RebuildRows() { RebuildItems(); }

protected:
    std::unique_ptr<TDBGridItem> createItem() override;
};
