#pragma once

#include "param.h"

#include <QList>
#include <QString>

namespace pg {

// What painting, editing and output branch on. One table (typeInfo) maps every built-in type
// OID to its class; types it does not know (enums, domains, composites, user types) are String.
enum class FieldClass {
    String, // varchar, name, inet, bit, ... and every type the table does not know
    FixedChar, // char(n)
    Memo, // text, json, jsonb, xml: long text
    Blob, // bytea
    Boolean,
    SmallInt, // int2
    Integer, // int4
    LargeInt, // int8
    LongWord, // oid, xid, cid: unsigned 32-bit
    Float, // float4, float8
    BCD, // numeric: exact, kept as text
    Currency, // money, kept as text
    Date,
    Time, // time, timetz
    Timestamp, // timestamp without time zone
    TimestampTz, // timestamp with time zone
    Interval,
    Guid, // uuid
    Array, // any array type, shown as its text
};

bool isNumeric(FieldClass c); // right-aligned classes: SmallInt .. Currency
bool isTextual(FieldClass c); // String, FixedChar, Memo
bool isTemporal(FieldClass c); // Date, Time, Timestamp, TimestampTz

struct TypeInfo
{
    Oid oid = 0;
    const char *name = ""; // the catalog's name ("int4", "_text")
    FieldClass fieldClass = FieldClass::String;
};

// The entry of the mapping table for a type OID; an entry with oid 0 for unknown types.
const TypeInfo &typeInfo(Oid oid);
FieldClass fieldClassOf(Oid oid);

// One column of a result.
struct Field
{
    QString name;
    int index = 0; // position in the result
    Oid typeOid = 0;
    int typeModifier = -1; // as the catalog stores it (atttypmod); -1 when none
    QString typeName; // the catalog's name for built-in types, else empty
    FieldClass fieldClass = FieldClass::String;
    int size = 0; // declared length (char/varchar/bit), numeric precision, else bytes
    int precision = 0; // numeric digits, fractional-second digits of times
    int scale = 0; // numeric digits after the point
    int displayWidth = 0; // characters the longest value needs; 0 when unbounded
    Oid tableOid = 0; // the table the column comes from; 0 for a computed column
    int tableColumn = 0; // its attnum there (negative for system columns such as ctid)
    bool readOnly = true; // the column cannot be written back through a data set
    bool visible = true;
};

// The columns of a result, by position and by name.
class FieldList
{
public:
    int count() const { return int(m_fields.size()); }
    bool isEmpty() const { return m_fields.isEmpty(); }
    const Field &at(int i) const { return m_fields.at(i); }
    const Field &operator[](int i) const { return m_fields.at(i); }
    Field &operator[](int i) { return m_fields[i]; }
    // exact match first, then ignoring letter case; -1 when none
    int indexOf(const QString &name) const;
    QStringList names() const;

    void append(const Field &f) { m_fields.append(f); }
    void clear() { m_fields.clear(); }
    QList<Field>::const_iterator begin() const { return m_fields.begin(); }
    QList<Field>::const_iterator end() const { return m_fields.end(); }

private:
    QList<Field> m_fields;
};

// Fills size, precision, scale and display width of f from its type and modifier.
void describeField(Field &f);

} // namespace pg
