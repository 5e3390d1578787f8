#pragma once

#include "platform/pg/dataset.h"

#include <QObject>
#include <QPointer>

#include <stdexcept>
#include <vector>

class TqvDBGrid;

// A grid operation that cannot be done (the data set is closed, the field map is full).
class EInvalidGridOperation : public std::runtime_error
{
public:
    explicit EInvalidGridOperation(const QString &message);
};

// Throws EInvalidGridOperation with message.
[[noreturn]] void RaiseGridOperationError(const QString &message);

// The channel through which a record grid follows its data set, and the grid's field map: the
// data set field that each of the grid's data columns (one record per row) or data rows (one
// record per column) shows.
//
// The link passes the data set's notifications on to its grid: opening and closing, records
// inserted and removed, a move of the current record, a change of a record's values, a change
// of its edit state, a change of the fields' visibility. Between DisableControls and the last
// EnableControls they are collected and the grid is brought up to date once.
//
// It also holds the in-place editor's pending text: Modified() says that the editor changed
// the current cell, UpdateData() writes that text into the field (the data set's own text
// conversion applies), Reset() drops it, or cancels the record's pending edit or insert.
class TGridDataLink : public QObject
{
    Q_OBJECT
public:
    explicit TGridDataLink(TqvDBGrid *grid);
    ~TGridDataLink() override;

    TqvDBGrid *Grid() const { return m_grid; }
    pg::DataSet *DataSet() const { return m_dataSet; }
    void setDataSet(pg::DataSet *dataSet);
    // The data set is open.
    bool Active() const { return m_active; }
    bool ReadOnly() const;

    // --- the field map
    // Appends an entry for the named field: its index in the data set's field list, or -1 for
    // a name that names no field (allowed only in a sparse map; a full map raises the data
    // layer's error). Raises EInvalidGridOperation when the map is full.
    bool AddMapping(const QString &fieldName);
    // Appends an entry for the field at index of the data set's field list (fields of a result
    // need not have distinct names).
    void AddMappingIndex(int fieldIndex);
    void ClearMapping();
    int FieldCount() const { return int(m_fieldMap.size()); }
    // The field of entry i; nullptr outside the map or for an entry that names no field.
    const pg::Field *Fields(int i) const;
    // The raw entry i; -1 outside the map.
    int FieldListIndex(int i) const;
    // The map was built from a customized collection, whose names may name no field.
    bool SparseMap() const { return m_sparseMap; }
    void setSparseMap(bool sparse) { m_sparseMap = sparse; }
    // True unless a sparse map holds an entry that names no field.
    bool DefaultFields() const;
    static constexpr int MaxMapCount = 0x0FFFFFFF;

    // --- the editor's pending text
    void Modified() { m_modified = true; }
    bool IsModified() const { return m_modified; }
    void Reset();
    void UpdateData();
    bool InUpdateData() const { return m_inUpdateData; }

    // --- notification brackets
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disabled > 0; }

private:
    void reset();
    void dataChanged();
    void layoutChanged();
    void stateChanged();
    void recordChanged(int row);
    void flush();

    TqvDBGrid *m_grid;
    QPointer<pg::DataSet> m_dataSet;
    QList<QMetaObject::Connection> m_connections;
    std::vector<int> m_fieldMap;
    bool m_active = false;
    bool m_sparseMap = false;
    bool m_modified = false;
    bool m_inUpdateData = false;
    int m_disabled = 0;
    bool m_pendingData = false;
    bool m_pendingLayout = false;
    bool m_pendingActive = false;
};

// The selected records of a grid: the data set's bookmarks of those records, kept in the
// order of the records, each once. Owned by its grid; emptied whenever the data set is opened
// or closed.
class TBookmarkList
{
public:
    explicit TBookmarkList(TqvDBGrid *grid);

    void Clear();
    int Count() const { return int(m_list.size()); }
    pg::Bookmark Items(int index) const { return m_list.at(size_t(index)); }
    const std::vector<pg::Bookmark> &Bookmarks() const { return m_list; }
    // Whether item is selected; index is its place, or the place where it would go.
    bool Find(pg::Bookmark item, int &index) const;
    int IndexOf(pg::Bookmark item) const;
    // Drops the entries whose records are gone; whether any was dropped.
    bool Refresh();
    // Deletes every selected record from the data set, last first; an entry leaves the list
    // as its record goes, so a failure leaves the rest selected.
    void Delete();
    // Marks every record of the data set.
    void SelectAll();
    // Marks the records from row to row (either order) and nothing else.
    void SelectRows(int from, int to);

    // Whether the data set's current record is selected. Raises EInvalidGridOperation while
    // the data set is closed.
    bool CurrentRowSelected() const;
    void setCurrentRowSelected(bool selected);

    int CompareItems(pg::Bookmark a, pg::Bookmark b) const;
    pg::Bookmark CurrentBookmark() const;
    void SetLinkActive(bool active);

private:
    pg::DataSet *dataSet() const;
    void changed();

    TqvDBGrid *m_grid;
    std::vector<pg::Bookmark> m_list;
    mutable pg::Bookmark m_cache = pg::NoBookmark;
    mutable int m_cacheIndex = -1;
    mutable bool m_cacheFind = false;
    bool m_linkActive = false;
};

// The transaction rule of every grid operation that stores or deletes records: while it
// runs, the connection's auto-commit follows the option UpdateToCommit; afterwards it is off,
// whatever it was before and also when the operation fails. Rules nest; the outermost one
// switches auto-commit off. A transaction the user opened is never committed by it (the data
// layer commits only what it opened itself).
class TqvGridCommitScope
{
public:
    explicit TqvGridCommitScope(pg::DataSet *dataSet);
    ~TqvGridCommitScope();
    TqvGridCommitScope(const TqvGridCommitScope &) = delete;
    TqvGridCommitScope &operator=(const TqvGridCommitScope &) = delete;

private:
    QPointer<pg::Connection> m_connection;
};
