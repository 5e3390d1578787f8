#pragma once

#include "platform/pg/param.h"

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace pg {
class Connection;
}

// The dependency trees of one database object, read from pg_depend without any widget: what
// the object uses (its referenced objects) and what uses it (its referencing objects), level by
// level down to a depth. The dependency frame shows them; tests read them as indented text.
//
//     TCrossLoader loader(connection, connection.serverVersion(), false);
//     TCrossObject root = loader.FindObject(ObjType::View, "sales", "v_orders");
//     TCrossNode tree = loader.Load(root, TCrossDirection::Uses, 3);
//
// Each node carries its object as data: kind, schema, name, oid, argument types and the table
// of a trigger or rule, so a node names its object exactly, whatever characters the names hold.
// Objects that the trees show stand for others where the catalog splits one object into
// several rows: a column default and a table constraint stand for their table, a view's
// _RETURN rule for the view, the relation row of a composite type for the type.

// One object of a dependency tree.
struct TCrossObject
{
    int Code = -1; // object-type code; -1 when the object is of no kind the trees show
    QString Type; // its keyword: TABLE, INDEX, VIEW, FUNCTION, PROCEDURE, ...
    QString Catalog; // the catalog the oid belongs to: pg_class, pg_proc, pg_type, ...
    pg::Oid Oid = 0; // 0 when the object was not found
    QString Schema; // schema name, exactly as stored (of a package member: the package's)
    QString Name;
    QString Table; // the table of a trigger or rule; the package of a package-body member
    QString Arguments; // routines: argument types as GetFuncArgTypes writes them (all modes)

    bool Found() const { return Oid != 0; }
    // The caption of the node: schema.name, schema.name(arguments) for routines,
    // schema.table.name for triggers and rules, schema.package.name(arguments) for members
    // of a package body.
    QString Caption() const;
    bool operator==(const TCrossObject &) const = default;
};

// The caption of an object of type code from its parts, as TCrossObject::Caption.
QString MakeNodeText(int code, const QString &Schema, const QString &Name, const QString &Parent,
                     const QString &Arguments);

struct TCrossNode
{
    TCrossObject Object;
    QList<TCrossNode> Children;
};

enum class TCrossDirection {
    Uses, // what the object refers to
    UsedBy, // what refers to the object
};

// The tree as text, one node per line, indented by two blanks per level:
// "TABLE sales.orders", "  SEQUENCE sales.orders_id_seq".
QString CrossTreeText(const TCrossNode &node);

class TCrossLoader
{
public:
    // dbVersion: the server version number; edition: an EnterpriseDB server (packages).
    TCrossLoader(pg::Connection &connection, int dbVersion, bool edition);

    // The kinds (object-type codes) whose nodes are left out, with everything below them.
    void setHiddenKinds(const QSet<int> &codes) { m_hidden = codes; }
    // Asked between the steps of a load; when it answers true the load stops and keeps what it
    // has read. EscapePressed by default.
    void setCancelPoll(std::function<bool()> poll) { m_cancelPoll = std::move(poll); }

    // The object of kind code named by schema and name (and table for a trigger or rule).
    // Routines: oid tells overloads apart when it is not -1; otherwise the overload whose
    // argument list equals Arguments (as GetFuncArgTypes writes it with every mode or with the
    // identity modes); the only one when the name has one overload. The result keeps the
    // given names; its Oid is 0 when no object matches. A package body (54) is looked up as
    // its package (53).
    TCrossObject FindObject(int code, const QString &Schema, const QString &Name,
                            const QString &Table = QString(), const QString &Arguments = QString(),
                            qint64 oid = -1);

    // The tree of root down to depth levels below it (at least one). Per path, an object is
    // never listed below itself, so cycles end; an object appears once among its siblings.
    // Children are ordered by the catalog their dependency row names, then by caption. One
    // statement per level reads the dependency rows, one names the objects, one reads the
    // argument types of the new routines. A root that was not found gets no children.
    TCrossNode Load(const TCrossObject &root, TCrossDirection direction, int depth);
    // The same into tree, whose Object is the root: a failure or a cancelled load leaves the
    // nodes read so far in it.
    void Load(TCrossNode &tree, TCrossDirection direction, int depth);

    // The load stopped at the cancel poll.
    bool Cancelled() const { return m_cancelled; }
    // Statements run since the loader was made.
    int StatementCount() const { return m_statements; }

    // The statement that names the objects of a set of dependency rows: its text for this
    // server (parameters $1 to $n, one oid[] per catalog in the order of NamedCatalogs).
    QString NameStatement() const;
    QStringList NamedCatalogs() const;

    // A row of a catalog: the catalog's name and the oid.
    struct Key
    {
        QString Catalog;
        pg::Oid Oid = 0;
        bool operator==(const Key &) const = default;
    };

private:
    struct Pending
    {
        TCrossNode *Node;
        QList<Key> Path; // the objects from the root down to the node, the node included
    };
    struct DependRow
    {
        int Node; // index into the level's pending nodes
        Key Row;
    };

    QList<DependRow> ReadDependRows(const QList<Pending> &level, TCrossDirection direction);
    void NameAll(const QList<Key> &keys);
    void ReadArguments();
    bool Poll();

    pg::Connection &m_connection;
    int m_dbVersion;
    bool m_edition;
    QSet<int> m_hidden;
    std::function<bool()> m_cancelPoll;
    bool m_cancelled = false;
    int m_statements = 0;
    QHash<Key, TCrossObject> m_named; // every row named so far; Code -1 when not shown
    QSet<Key> m_withoutArguments; // routines named whose argument types are still unread
};

size_t qHash(const TCrossLoader::Key &key, size_t seed = 0);

Q_DECLARE_METATYPE(TCrossObject)
