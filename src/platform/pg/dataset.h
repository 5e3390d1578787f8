#pragma once

#include "error.h"
#include "fields.h"
#include "query.h"
#include "result.h"

#include <QIODevice>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pg {

class Connection;
namespace detail {
struct EncodedParams;
}

// A stable name for one record of a data set: it survives inserts, deletes and edits of other
// records, and stops naming anything once its own record is deleted or the data set is closed.
using Bookmark = qint64;
inline constexpr Bookmark NoBookmark = -1;

enum class DataSetState {
    Inactive, // closed
    Browse,
    Edit, // the current record has pending changes (or may get them)
    Insert, // the current record is a new one, not stored yet
};

// The rows of a query with a current record, and the way back to the table they came from.
//
// open() runs the query and keeps its whole result, read in place (random access, no copy per
// cell). Records are addressed by row (0-based); recNo() is the 1-based number of the current
// one. Values are read as the server's text (text()), typed (value()) or as bytes (bytes()).
//
// Writing back: a result that comes from one table (or partitioned table) and carries a row
// identity is updatable. The identity is the primary key when all its columns are in the
// result; failing that, ctid with tableoid, which the data set adds to a plain
// "SELECT … FROM" itself (hidden, not among fields()). Anything else — joins over several
// tables, views, grouped or computed results — is read-only (isReadOnly(), readOnlyReason()).
// Computed columns of an updatable result are read-only fields.
//
// edit()/insert()/append() start a change of the current record, setValue()/setText()/
// setNull()/setBytes() fill it, post() writes it as one INSERT or UPDATE naming the row by its
// identity, cancel() drops it, deleteRecord() writes a DELETE. Every UPDATE and DELETE must
// touch exactly one row; it runs inside a savepoint (or a transaction of its own) and is undone
// and refused (sqlstate::RowNotFound / RowNotUnique) otherwise. Whether a write is committed
// follows Connection::autoCommit(); a transaction that is open is never committed here. Moving
// to another record posts a changed record and drops an unchanged new one first.
class DataSet : public QObject
{
    Q_OBJECT

public:
    explicit DataSet(Connection *connection = nullptr, QObject *parent = nullptr);
    ~DataSet() override;

    Connection *connection() const { return m_connection; }
    // Binds the data set to another session (closing it first).
    void setConnection(Connection *connection);

    // The statement and its ":name" parameters; bind values here before open().
    Query &query();
    void setSql(const QString &sql); // closes the data set
    QString sql() const;

    // Ask for a read-only result: no catalog look-up and no identity columns are added.
    void setReadOnly(bool on);
    bool readOnlyRequested() const { return m_readOnlyRequested; }
    // After open(): read-only as requested or because the rows cannot be written back.
    bool isReadOnly() const;
    QString readOnlyReason() const;
    // The table written to, as a quoted "schema"."name"; empty while read-only.
    QString updateTable() const;

    void open();
    void close();
    // Runs the query again and stays on the same record number where there is one.
    void refresh();
    bool isActive() const { return m_state != DataSetState::Inactive; }
    // Shows a result that was run elsewhere, read-only.
    void setResult(const Result &result);
    Result result() const { return m_result; }

    const FieldList &fields() const { return m_fields; }
    int fieldIndex(const QString &name) const { return m_fields.indexOf(name); }
    // Shows or hides a field in the windows that lay themselves out from fields() (the record
    // grids); its values stay readable and writable. Reopening shows every field again.
    void setFieldVisible(int field, bool visible);

    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    int currentRow() const { return m_current; } // -1 when there is no record
    int recNo() const { return m_current + 1; } // 1-based; 0 when there is no record
    bool bof() const { return m_current <= 0; }
    bool eof() const { return m_current < 0 || m_current >= recordCount() - 1; }
    void first();
    void last();
    void next();
    void prior();
    // Moves by distance records (clamped to the data); the distance actually moved.
    int moveBy(int distance);
    void setCurrentRow(int row);

    // Cells of any record; the current record shows its pending changes while it is edited.
    bool isNull(int row, int field) const;
    QByteArrayView raw(int row, int field) const;
    QString text(int row, int field) const;
    QVariant value(int row, int field) const;
    QByteArray bytes(int row, int field) const;
    // The same for the current record.
    bool isNull(int field) const { return isNull(m_current, field); }
    QString text(int field) const { return text(m_current, field); }
    QVariant value(int field) const { return value(m_current, field); }
    QByteArray bytes(int field) const { return bytes(m_current, field); }

    Bookmark bookmark() const { return bookmarkAt(m_current); }
    Bookmark bookmarkAt(int row) const;
    int rowOf(Bookmark bookmark) const; // -1 when it names no record any more
    bool isValidBookmark(Bookmark bookmark) const;
    bool gotoBookmark(Bookmark bookmark);
    // Order of two bookmarks by the position of their records (invalid ones first).
    int compareBookmarks(Bookmark a, Bookmark b) const;

    DataSetState state() const { return m_state; }
    bool canModify() const { return isActive() && !isReadOnly(); }
    bool isFieldWritable(int field) const;
    void edit();
    void insert(); // a new record before the current one
    void append(); // a new record after the last one
    void post();
    void cancel();
    void deleteRecord();
    // Posts a changed record and drops an unchanged new one; nothing while browsing.
    void checkBrowseMode();
    bool isModified() const;
    bool isFieldModified(int field) const;
    // Takes back the pending change of one field of the record being edited (Esc on one cell):
    // it reads its stored value again (NULL in a new record) and counts as unchanged.
    void revertField(int field);

    // Set a field of the current record (entering edit state when browsing). A null QVariant
    // is NULL; text must not hold NUL (refused with sqlstate::CharacterNotInRepertoire).
    void setValue(int field, const QVariant &value);
    // the value in the server's text form ("2026-01-02 03:04:05.123456", "\x00ff" for bytea)
    void setText(int field, const QString &text);
    void setNull(int field);
    void setBytes(int field, const QByteArray &bytes);
    // The field of the current record as a stream: reading gives its bytes (bytea decoded,
    // text as UTF-8); a stream opened for writing sets the field when it is closed.
    std::unique_ptr<QIODevice> openBlob(int field, QIODevice::OpenMode mode);

Q_SIGNALS:
    void aboutToBeReset(); // open, close, refresh
    void wasReset();
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved(int first, int last);
    void rowChanged(int row); // the values shown for the record changed
    void currentChanged(int row, int previous);
    void stateChanged(pg::DataSetState state);
    // Before a post writes the record: the last moment to put pending editor text into it.
    void aboutToPost();
    // The visibility of fields changed: views lay themselves out again.
    void layoutChanged();

private:
    struct Target;
    struct Slot;
    struct Cell
    {
        const char *data = nullptr;
        int length = 0;
        bool null = true;
    };

    Cell cell(int row, int column) const;
    // The record as stored (read or last written), never the pending change.
    Cell storedCell(int row, int column) const;
    void checkActive() const;
    void checkModify() const;
    void checkField(int field) const;
    void openUpdatable(const QList<Param> &params);
    void loadTarget(Oid table);
    bool readsTableTwice(Oid table, const QByteArray &text, const detail::EncodedParams &ep);
    QString identityCondition(int row, QList<Param> *params) const;
    QString returningList() const;
    void storeReturned(int slot, const Result &returned);
    int slotForRow(int row);
    void insertRecordAt(int row);
    void removeRecordAt(int row);
    void resetRowLookup(int rows);
    void noteRowChange(int row, Bookmark inserted);
    // With sameAsStored the field goes back to the record's stored value, unchanged.
    void setCell(int field, std::optional<QByteArray> value, bool sameAsStored = false);
    // Whether the current record, being edited, stores a value in the field that same()
    // finds equal to the one being set.
    bool storedEquals(int field, const std::function<bool(QByteArrayView)> &same) const;
    void moveTo(int row);
    QString quotedTable() const;

    Connection *m_connection = nullptr;
    std::unique_ptr<Query> m_query;
    bool m_readOnlyRequested = false;
    Result m_result;
    FieldList m_fields;
    std::unique_ptr<Target> m_target;
    QString m_readOnlyReason;
    DataSetState m_state = DataSetState::Inactive;
    int m_current = -1;

    // Row storage: a row >= 0 is that row of m_result; a row < 0 is slot -(row + 1), which
    // holds a record the data set wrote (edited, inserted) in the server's text form.
    std::vector<qint32> m_rows;
    std::vector<Slot> m_slots;
    Bookmark m_nextBookmark = 0;

    // The row of a bookmark. Bookmarks below m_lookupBase are answered by m_rowOfBookmark (or,
    // while it is empty, by the row they had at opening, which is their own number); the
    // records inserted and removed since are replayed from m_rowChanges on each look-up, and
    // the table is built again only after many of them. So a removal never re-sorts or renumbers
    // every row, and deleting records one after another costs about the same however many rows
    // the result holds.
    struct RowChange
    {
        int row;
        Bookmark inserted; // the new record's bookmark; NoBookmark for a removal
    };
    std::vector<int> m_rowOfBookmark;
    Bookmark m_lookupBase = 0;
    std::vector<RowChange> m_rowChanges;
    std::vector<bool> m_removed; // per bookmark: its record is gone

    // The pending change of the current record.
    std::vector<std::optional<QByteArray>> m_buffer;
    std::vector<bool> m_changed;
};

} // namespace pg

Q_DECLARE_METATYPE(pg::DataSetState)
