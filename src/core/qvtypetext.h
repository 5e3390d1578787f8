#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// Column types and privilege items as the definition windows show them and write them into
// DDL. A column type arrives from the catalog in two pieces: the server's type name without
// modifier (format_type(atttypid, NULL): "numeric", "character varying[]",
// "timestamp with time zone", "ext.\"Amount\"") and atttypmod (-1 when the column has none).

// The modifier alone, as the length column of a definition grid shows it: "50" for
// character varying(50), "10,2" for numeric(10,2), the fractional-second digits of an interval;
// empty when there is none.
QString GetTypModText(const QString &typeName, int typMod);

// The interval type with its field qualifier ("interval YEAR TO MONTH[]"), without precision.
QString GetIntervalTypeText(const QString &typeName, int typMod);

// The type as DDL writes it: "numeric(10,2)", "character varying(20)[]",
// "timestamp(3) with time zone", "interval DAY TO SECOND (0)". Without modifier, a user type's
// name is quoted part by part by the quoting rule of the general options.
QString GetTypeNameWithTypMod(const QString &typeName, int typMod);

// The length column of a column grid from the catalog's length, precision and scale fields of
// one row; a null QVariant stands for NULL.
QString GetColumnLengthText(const QString &typeName, const QVariant &lengthField,
                            const QVariant &precisionField, const QVariant &scaleField);

// One item of an access-control list in its text form, grantee=privileges/grantor.
struct AclItemParts
{
    QString grantee; // without quotes; "public" for the empty grantee
    QString privileges; // the letters with their grant-option asterisks ("a*r*w")
    QString grantor; // without quotes; empty when the item names none
};

// Splits an item at the last "/" and the last "=" that stand outside double quotes, so names
// that hold "/", "=" or quotes come apart right whoever granted the privilege.
AclItemParts SplitAclItem(const QString &aclItem);

// The same split for callers that hold the grantor they expect (the object's owner); the
// item's own grantor decides where it is cut, so an item granted by another role splits right.
void ParseAclItem(const QString &aclItem, const QString &grantor, QString &grantee,
                  QString &privileges);

// GetDataType's statement: one text column, the type names of the type pick lists (built-in
// types, the serial pseudo-types, the interval forms, then user types qualified by schema).
QString GetDataTypeSQL();
// The names of the statement's rows as the pick list offers them: the pseudo-types that no
// column can take are left out, the time and timestamp types carry the precision 6.
QStringList DataTypePickList(const QStringList &typeNames);
