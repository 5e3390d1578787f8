// The object list's rename and drop statements and the enabling rules of its menus.
#include "fobjectcmd.h"

#include "core/qvname.h"
#include "core/qvobjtype.h"

#include <QLocale>

#include <algorithm>
#include <initializer_list>

namespace fobjectcmd {

QString qualified(const QString &schema, const QString &name)
{
    return QuoteName(schema) + QLatin1Char('.') + QuoteName(name);
}

bool isSchemaImage(int image)
{
    return image == ObjType::Schema || image == ObjType::Schema2;
}

} // namespace fobjectcmd

bool RenameAllowed(int code, const QString &schema, const QString &logonSchema, int dbVer)
{
    switch (code) {
    case ObjType::Table:
    case ObjType::Index:
    case ObjType::View:
    case ObjType::Procedure:
    case ObjType::Function:
    case ObjType::Type:
    case ObjType::Trigger:
    case ObjType::Sequence:
    case ObjType::MaterializedView:
    case ObjType::Aggregate:
        break;
    case ObjType::Constraint:
        if (dbVer < 90200)
            return false;
        break;
    default:
        return false;
    }
    return schema == logonSchema;
}

QString RenameTypedName(const QString &typed, bool useLowerName)
{
    return useLowerName ? typed : QLocale().toLower(typed);
}

QString RenameObjectSQL(const TObjectRow &row, const QString &newName, int dbVer,
                        const QString &constraintTable)
{
    using namespace fobjectcmd;
    const QString object = qualified(row.schema, row.name);
    const QString renameTo = QStringLiteral(" RENAME TO ") + QuoteName(newName);
    // the argument list, then the two blanks the statement has always had before RENAME
    const QString withArgs = object + QStringLiteral(" (") + row.args + QStringLiteral(") ");
    switch (row.code) {
    case ObjType::Table:
        return QStringLiteral("ALTER TABLE ") + object + renameTo;
    case ObjType::Index:
        return QStringLiteral("ALTER INDEX  ") + object + renameTo;
    case ObjType::View:
        return QStringLiteral("ALTER VIEW ") + object + renameTo;
    case ObjType::Procedure:
        return QStringLiteral("ALTER PROCEDURE ") + (dbVer >= 110000 ? withArgs : object)
            + renameTo;
    case ObjType::Function:
        return QStringLiteral("ALTER FUNCTION ") + withArgs + renameTo;
    case ObjType::Type:
        return QStringLiteral("ALTER TYPE ") + object + renameTo;
    case ObjType::Trigger:
        return QStringLiteral("ALTER TRIGGER ") + QuoteName(row.name) + QStringLiteral(" ON ")
            + qualified(row.schema, row.table) + renameTo;
    case ObjType::Sequence:
        return QStringLiteral("ALTER SEQUENCE ") + object + renameTo;
    case ObjType::MaterializedView:
        return QStringLiteral("ALTER MATERIALIZED VIEW ") + object + renameTo;
    case ObjType::Constraint:
        return QStringLiteral("ALTER TABLE ")
            + qualified(row.schema, constraintTable.isEmpty() ? row.table : constraintTable)
            + QStringLiteral(" RENAME CONSTRAINT ") + QuoteName(row.name) + QStringLiteral(" TO ")
            + QuoteName(newName);
    case ObjType::Aggregate:
        return QStringLiteral("ALTER AGGREGATE ") + withArgs + renameTo;
    default:
        return QString();
    }
}

bool DropOffersCascade(int code)
{
    return code == ObjType::Table || code == ObjType::Type || code == ObjType::MaterializedView;
}

bool DropTakesCascade(int code)
{
    switch (code) {
    case ObjType::Table:
    case ObjType::Procedure:
    case ObjType::Function:
    case ObjType::Package:
    case ObjType::Type:
    case ObjType::MaterializedView:
    case ObjType::Aggregate:
        return true;
    default:
        return false;
    }
}

QString DropObjectSQL(const TObjectRow &row, int dbVer, bool cascade)
{
    using namespace fobjectcmd;
    const QString object = qualified(row.schema, row.name);
    const QString args = QLatin1Char('(') + row.args + QLatin1Char(')');
    QString sql;
    switch (row.code) {
    case ObjType::Table:
        sql = QStringLiteral("DROP TABLE ") + object;
        break;
    case ObjType::Index:
        sql = QStringLiteral("DROP INDEX ") + object;
        break;
    case ObjType::View:
        sql = QStringLiteral("DROP VIEW ") + object;
        break;
    case ObjType::Procedure:
        sql = QStringLiteral("DROP PROCEDURE ") + object + (dbVer >= 110000 ? args : QString());
        break;
    case ObjType::Function:
        sql = QStringLiteral("DROP FUNCTION ") + object + args;
        break;
    case ObjType::Package:
        sql = QStringLiteral("DROP PACKAGE ") + object;
        break;
    case ObjType::Type:
        sql = QStringLiteral("DROP TYPE ") + object;
        break;
    case ObjType::Trigger:
        sql = QStringLiteral("DROP TRIGGER ") + QuoteName(row.name) + QStringLiteral(" ON ")
            + qualified(row.schema, row.table);
        break;
    case ObjType::Sequence:
        sql = QStringLiteral("DROP SEQUENCE ") + object;
        break;
    case ObjType::Synonym:
        sql = QStringLiteral("DROP SYNONYM ") + object;
        break;
    case ObjType::MaterializedView:
        sql = QStringLiteral("DROP MATERIALIZED VIEW ") + object;
        break;
    case ObjType::Constraint:
        sql = QStringLiteral("ALTER TABLE ") + qualified(row.schema, row.table)
            + QStringLiteral(" DROP CONSTRAINT ") + QuoteName(row.name);
        break;
    case ObjType::Rule:
        sql = QStringLiteral("DROP RULE ") + QuoteName(row.name) + QStringLiteral(" ON ")
            + qualified(row.schema, row.table);
        break;
    case ObjType::Aggregate:
        sql = QStringLiteral("DROP AGGREGATE ") + object + args;
        break;
    default:
        return QString();
    }
    if (cascade && DropTakesCascade(row.code))
        sql += QStringLiteral(" CASCADE");
    return sql;
}

TObjectMenuState ObjectMenuState(const TObjectMenuInput &input)
{
    TObjectMenuState state;
    const bool node = input.nodeLevel >= 0;
    if (node
        && ((input.treeSort == 0 && input.nodeLevel == 2)
            || (input.treeSort == 1 && input.nodeLevel >= 1))) {
        state.newSubmenuVisible = false;
        state.actNewVisible = true;
        state.actNewImage = input.nodeImage;
    }
    const bool selection = input.selected > 0;
    const int c = input.firstCode;
    static const char *const bySelection[]
        = { "actOpen",   "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop",
            "actScript", "actPrint",      "actMatrix",     "actGrant",    "actAnalyze",
            "actCopy",   "actDelete",     "actExport",     "actLoad",     "actAddWorkSpace" };
    for (const char *name : bySelection)
        state.enabled.insert(QLatin1String(name), selection);
    auto in = [c](std::initializer_list<int> codes) {
        return std::find(codes.begin(), codes.end(), c) != codes.end();
    };
    state.enabled.insert(QStringLiteral("actRename"), selection && !in({ 53, 60, 127 }));
    state.enabled.insert(QStringLiteral("actExec"), selection && in({ 51, 52, 53 }));
    state.enabled.insert(QStringLiteral("actSynonym"), selection && input.postgresPlus);
    state.enabled.insert(QStringLiteral("actCross"), selection && !in({ 46, 60, 66 }));
    state.enabled.insert(QStringLiteral("actPaste"), input.copyListFilled);
    state.enabled.insert(QStringLiteral("actComment"), selection && in({ 51, 52, 53, 54 }));
    state.enabled.insert(QStringLiteral("actIndexFragment"), selection && c == 46);
    state.enabled.insert(QStringLiteral("mnuReport"), input.reportItems > 0 && selection);
    state.enabled.insert(QStringLiteral("mnuCommand"), input.commandItems > 0);
    return state;
}

TTreeMenuState TreeMenuState(int nodeLevel, int nodeImage, bool postgresPlus)
{
    using namespace fobjectcmd;
    TTreeMenuState state;
    const bool node = nodeLevel >= 0;
    const bool root = node && nodeImage == 1;
    const bool schema = node && isSchemaImage(nodeImage);
    state.visible.insert(QStringLiteral("actNew"), node && nodeLevel >= 1);
    if (node && nodeLevel >= 1)
        state.actNewImage = nodeImage;
    state.visible.insert(QStringLiteral("actLogon"), schema);
    state.visible.insert(QStringLiteral("mnuTB1"), schema);
    for (const char *name :
         { "actUser", "actStorage", "actSession", "actLock", "actDatabase", "actPerform" })
        state.visible.insert(QLatin1String(name), root);
    state.visible.insert(QStringLiteral("actDBExport"), root || schema);
    state.visible.insert(QStringLiteral("actDBLink"), root && postgresPlus);
    return state;
}
