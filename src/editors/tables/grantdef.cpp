#include "grantdef.h"

#include "core/qvname.h"
#include "core/qvobjsql.h"
#include "core/qvobjtype.h"
#include "core/qvtypetext.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"

namespace {

const QList<TGrantPrivilege> &grantRelationPrivileges()
{
    static const QList<TGrantPrivilege> list = {
        { QLatin1Char('d'), QStringLiteral("DELETE"), QStringLiteral("DELETE(データ削除権)") },
        { QLatin1Char('a'), QStringLiteral("INSERT"), QStringLiteral("INSERT(データ追加権)") },
        { QLatin1Char('x'), QStringLiteral("REFERENCES"),
          QStringLiteral("REFERENCES(制約作成権)") },
        { QLatin1Char('r'), QStringLiteral("SELECT"), QStringLiteral("SELECT(データ問合せ権)") },
        { QLatin1Char('t'), QStringLiteral("TRIGGER"), QStringLiteral("TRIGGER(トリガ作成権)") },
        { QLatin1Char('D'), QStringLiteral("TRUNCATE"), QStringLiteral("TRUNCATE(データ消去権)") },
        { QLatin1Char('w'), QStringLiteral("UPDATE"), QStringLiteral("UPDATE(データ更新権)") },
    };
    return list;
}

const QList<TGrantPrivilege> &grantRoutinePrivileges()
{
    static const QList<TGrantPrivilege> list = {
        { QLatin1Char('X'), QStringLiteral("EXECUTE"), QStringLiteral("EXECUTE(関数実行権)") },
    };
    return list;
}

const QList<TGrantPrivilege> &grantTypePrivileges()
{
    static const QList<TGrantPrivilege> list = {
        { QLatin1Char('U'), QStringLiteral("USAGE"), QStringLiteral("USAGE(関数実行権)") },
    };
    return list;
}

const QList<TGrantPrivilege> &grantSequencePrivileges()
{
    static const QList<TGrantPrivilege> list = {
        { QLatin1Char('r'), QStringLiteral("SELECT"), QStringLiteral("SELECT(データ問合せ権)") },
        { QLatin1Char('w'), QStringLiteral("UPDATE"), QStringLiteral("UPDATE(データ更新権)") },
        { QLatin1Char('U'), QStringLiteral("USAGE"), QStringLiteral("USAGE(関数実行権)") },
    };
    return list;
}

bool isGrantRoutineKind(int objType)
{
    return objType == ObjType::Procedure || objType == ObjType::Function
        || objType == ObjType::Package || objType == ObjType::PackageBody
        || objType == ObjType::Aggregate;
}

// The mark of one privilege letter in the letters of an aclitem ("a*r*w").
TGrantMark markOfLetter(const QString &letters, QChar letter)
{
    const int at = letters.indexOf(letter);
    if (at < 0)
        return TGrantMark::None;
    return at + 1 < letters.size() && letters.at(at + 1) == QLatin1Char('*') ? TGrantMark::WithGrant
                                                                             : TGrantMark::Held;
}

QString grantStatement(const QString &privilege, const QString &object, const QString &grantee,
                       bool withGrantOption)
{
    return QStringLiteral("GRANT %1 ON %2 TO %3%4")
        .arg(privilege, object, grantee,
             withGrantOption ? QStringLiteral(" WITH GRANT OPTION") : QString());
}

QString revokeStatement(const QString &privilege, const QString &object, const QString &grantee,
                        bool grantOptionOnly)
{
    return QStringLiteral("REVOKE %1%2 ON %3 FROM %4")
        .arg(grantOptionOnly ? QStringLiteral("GRANT OPTION FOR ") : QString(), privilege, object,
             grantee);
}

} // namespace

QString GrantMarkText(TGrantMark mark)
{
    switch (mark) {
    case TGrantMark::None:
        return QString();
    case TGrantMark::Held:
        return QStringLiteral("*");
    case TGrantMark::WithGrant:
        return QStringLiteral("G");
    }
    return QString();
}

const QList<TGrantPrivilege> &GrantPrivileges(int objType)
{
    static const QList<TGrantPrivilege> none;
    switch (objType) {
    case ObjType::Table:
    case ObjType::View:
    case ObjType::MaterializedView:
        return grantRelationPrivileges();
    case ObjType::Type:
        return grantTypePrivileges();
    case ObjType::Sequence:
        return grantSequencePrivileges();
    default:
        return isGrantRoutineKind(objType) ? grantRoutinePrivileges() : none;
    }
}

QString DefaultPublicLetters(int objType)
{
    if (isGrantRoutineKind(objType))
        return QStringLiteral("X");
    if (objType == ObjType::Type)
        return QStringLiteral("U");
    return QString();
}

QString GrantObjectText(const TGrantTarget &target)
{
    const QString name = QuoteName(target.Schema) + QLatin1Char('.') + QuoteName(target.Name);
    const QString args = QLatin1Char('(') + target.ArgTypes + QLatin1Char(')');
    switch (target.ObjType) {
    case ObjType::Procedure:
        return QStringLiteral("PROCEDURE ") + name + args;
    case ObjType::Function:
    case ObjType::Aggregate:
        return QStringLiteral("FUNCTION ") + name + args;
    case ObjType::Package:
    case ObjType::PackageBody:
        return QStringLiteral("PACKAGE ") + name;
    case ObjType::Type:
        return QStringLiteral("TYPE ") + name;
    case ObjType::Sequence:
        return QStringLiteral("SEQUENCE ") + name;
    default:
        return QStringLiteral("TABLE ") + name;
    }
}

bool TGrantee::HoldsAny() const
{
    for (TGrantMark mark : Marks) {
        if (mark != TGrantMark::None)
            return true;
    }
    return false;
}

QString GranteeText(const TGrantee &grantee)
{
    return grantee.IsPublic ? QStringLiteral("PUBLIC") : QuoteName(grantee.Name);
}

QList<TGrantee> GrantRows(int objType, const QStringList &loginRoles, const QStringList &otherRoles,
                          const TObjectAcl &acl)
{
    const QList<TGrantPrivilege> &privileges = GrantPrivileges(objType);
    const TGrantMarks empty(privileges.size(), TGrantMark::None);
    const QList<QList<TGrantBy>> nobody(privileges.size());
    QList<TGrantee> rows;
    rows.reserve(loginRoles.size() + otherRoles.size() + 1);
    for (const QString &name : loginRoles)
        rows.append({ name, false, true, empty, empty, false, nobody });
    rows.append({ QStringLiteral("public"), true, false, empty, empty, false, nobody });
    for (const QString &name : otherRoles)
        rows.append({ name, false, false, empty, empty, false, nobody });
    if (!acl.Found)
        return rows;

    // Which row an aclitem's grantee names: the empty grantee (written "public" by the
    // splitter) is PUBLIC; no role can be named "public", so the name alone decides.
    const auto rowOf = [&rows](const QString &grantee) -> TGrantee * {
        for (TGrantee &row : rows) {
            if (row.IsPublic ? grantee == QLatin1String("public") : row.Name == grantee)
                return &row;
        }
        return nullptr;
    };
    const auto grantLetters
        = [&privileges](TGrantee *row, const QString &letters, const QString &grantor) {
              if (!row)
                  return;
              for (int i = 0; i < privileges.size(); ++i) {
                  const TGrantMark mark = markOfLetter(letters, privileges.at(i).Letter);
                  if (mark == TGrantMark::None)
                      continue;
                  row->LoadedBy[i].append({ grantor, mark == TGrantMark::WithGrant });
                  // the same grantee may appear once per grantor: the strongest hold counts
                  if (mark > row->Marks.at(i))
                      row->Marks[i] = mark;
              }
          };

    if (acl.IsNull) {
        QString all;
        for (const TGrantPrivilege &p : privileges)
            all += p.Letter;
        grantLetters(rowOf(acl.Owner), all, acl.Owner);
        grantLetters(rowOf(QStringLiteral("public")), DefaultPublicLetters(objType), acl.Owner);
    } else {
        for (const QString &item : acl.Items) {
            const AclItemParts parts = SplitAclItem(item);
            grantLetters(rowOf(parts.grantee), parts.privileges,
                         parts.grantor.isEmpty() ? acl.Owner : parts.grantor);
        }
    }
    for (TGrantee &row : rows) {
        row.Loaded = row.Marks;
        row.Holder = row.HoldsAny();
    }
    return rows;
}

bool GranteeShown(const TGrantee &grantee, bool showAll)
{
    return showAll || grantee.Holder || grantee.HoldsAny() || grantee.IsChanged();
}

bool TGrantAuthority::RevokesPlainly(const QString &grantor) const
{
    return grantor == CurrentUser || (grantor == Owner && ActsAsOwner);
}

bool TGrantAuthority::CanRevokeFor(const QString &grantor) const
{
    return RevokesPlainly(grantor) || MayBecome.contains(grantor);
}

namespace {

// The grantors of privilege i of the row that a revoke must act for: every grant of it, or
// for the grant option alone those given with it; each grantor once.
QStringList revokedGrantors(const TGrantee &row, int i, bool grantOptionOnly)
{
    QStringList grantors;
    for (const TGrantBy &by : row.LoadedBy.value(i)) {
        if ((by.WithGrant || !grantOptionOnly) && !grantors.contains(by.Grantor))
            grantors << by.Grantor;
    }
    return grantors;
}

// What a revoke takes away, met in the order of the statements: row, privilege index and
// whether only the grant option goes.
struct GrantRevoke
{
    const TGrantee *row;
    int privilege;
    bool grantOptionOnly;
};

QList<GrantRevoke> changedRevokes(const QList<TGrantee> &rows)
{
    QList<GrantRevoke> revokes;
    for (const TGrantee &row : rows) {
        for (int i = 0; i < row.Marks.size(); ++i) {
            const TGrantMark now = row.Marks.at(i);
            const TGrantMark was = row.Loaded.value(i, TGrantMark::None);
            if (now == was)
                continue;
            if (now == TGrantMark::None)
                revokes.append({ &row, i, false });
            else if (now == TGrantMark::Held && was == TGrantMark::WithGrant)
                revokes.append({ &row, i, true });
        }
    }
    return revokes;
}

// The revoke of privilege i of the row as the authority lets it be written: once plainly
// when nothing is known of its grantors, else once per grantor, under SET ROLE of the
// grantor where a plain REVOKE would not take that grant away.
void appendRevoke(QStringList &lines, const TGrantee &row, int i, const QString &privilege,
                  const QString &object, bool grantOptionOnly, const TGrantAuthority &authority)
{
    const QString statement = revokeStatement(privilege, object, GranteeText(row), grantOptionOnly);
    const QStringList grantors = revokedGrantors(row, i, grantOptionOnly);
    if (!authority.Known || grantors.isEmpty()) {
        lines << statement << QStringLiteral(";");
        return;
    }
    bool plain = false;
    for (const QString &grantor : grantors) {
        if (authority.RevokesPlainly(grantor)) {
            // one plain REVOKE takes away the session's own grant and the owner's alike
            if (!plain)
                lines << statement << QStringLiteral(";");
            plain = true;
            continue;
        }
        lines << QStringLiteral("SET ROLE ") + QuoteName(grantor) << QStringLiteral(";");
        lines << statement << QStringLiteral(";");
        lines << QStringLiteral("RESET ROLE") << QStringLiteral(";");
    }
}

// The statements of every mark that changed, or with reissue of every mark whatever changed
// (for an object that was re-created with default privileges), each followed by ";".
QStringList markStatements(const TGrantTarget &target, const QList<TGrantee> &rows, bool reissue,
                           const TGrantAuthority &authority)
{
    const QList<TGrantPrivilege> &privileges = GrantPrivileges(target.ObjType);
    const QString object = GrantObjectText(target);
    QStringList lines;
    for (const TGrantee &row : rows) {
        const QString grantee = GranteeText(row);
        for (int i = 0; i < privileges.size() && i < row.Marks.size(); ++i) {
            const TGrantMark now = row.Marks.at(i);
            const TGrantMark was = row.Loaded.value(i, TGrantMark::None);
            if (now == was && !reissue)
                continue;
            const QString &privilege = privileges.at(i).Keyword;
            switch (now) {
            case TGrantMark::WithGrant:
                lines << grantStatement(privilege, object, grantee, true) << QStringLiteral(";");
                break;
            case TGrantMark::Held:
                // taking the grant option away leaves the privilege itself as it is
                if (was == TGrantMark::WithGrant)
                    appendRevoke(lines, row, i, privilege, object, true, authority);
                if (was != TGrantMark::WithGrant || reissue)
                    lines << grantStatement(privilege, object, grantee, false)
                          << QStringLiteral(";");
                break;
            case TGrantMark::None:
                appendRevoke(lines, row, i, privilege, object, false, authority);
                break;
            }
        }
    }
    return lines;
}

} // namespace

QStringList GrantSource(const TGrantTarget &target, const QList<TGrantee> &rows,
                        const TGrantAuthority &authority)
{
    return markStatements(target, rows, false, authority);
}

QStringList GrantRevokeGrantors(const QList<TGrantee> &rows)
{
    QStringList grantors;
    for (const GrantRevoke &revoke : changedRevokes(rows)) {
        for (const QString &grantor :
             revokedGrantors(*revoke.row, revoke.privilege, revoke.grantOptionOnly)) {
            if (!grantors.contains(grantor))
                grantors << grantor;
        }
    }
    return grantors;
}

QStringList GrantRevokeRefusals(const TGrantTarget &target, const QList<TGrantee> &rows,
                                const TGrantAuthority &authority)
{
    if (!authority.Known)
        return {};
    const QList<TGrantPrivilege> &privileges = GrantPrivileges(target.ObjType);
    QStringList reasons;
    for (const GrantRevoke &revoke : changedRevokes(rows)) {
        if (revoke.privilege >= privileges.size())
            continue;
        for (const QString &grantor :
             revokedGrantors(*revoke.row, revoke.privilege, revoke.grantOptionOnly)) {
            if (authority.CanRevokeFor(grantor))
                continue;
            const QString &privilege = privileges.at(revoke.privilege).Keyword;
            reasons << QStringLiteral("%1 の %2は %3 が付与したものです。%3 のメンバーでないため"
                                      "取り消せません。")
                           .arg(revoke.row->IsPublic ? QStringLiteral("PUBLIC") : revoke.row->Name,
                                revoke.grantOptionOnly
                                    ? privilege + QStringLiteral(" の GRANT OPTION ")
                                    : privilege + QStringLiteral(" 権限"),
                                grantor);
        }
    }
    return reasons;
}

QStringList GrantSourceReregist(const TGrantTarget &target, const QList<TGrantee> &rows)
{
    TGrantTarget type = target;
    type.ObjType = ObjType::Type;
    return markStatements(type, rows, true, {});
}

TGrantChecks GrantChecksOf(const QList<TGrantee> &rows, const QList<int> &selected,
                           int privilegeCount)
{
    const auto state = [](int count, int of) {
        if (count == 0)
            return TGrantCheck::Off;
        return count >= of ? TGrantCheck::On : TGrantCheck::Mixed;
    };
    TGrantChecks checks;
    for (int i = 0; i < privilegeCount; ++i) {
        int held = 0;
        int withGrant = 0;
        int n = 0;
        for (int r : selected) {
            if (r < 0 || r >= rows.size())
                continue;
            ++n;
            const TGrantMark mark = rows.at(r).Marks.value(i);
            held += mark != TGrantMark::None ? 1 : 0;
            withGrant += mark == TGrantMark::WithGrant ? 1 : 0;
        }
        checks.append({ state(held, n), state(withGrant, n) });
    }
    return checks;
}

void ApplyGrantChecks(QList<TGrantee> &rows, const QList<int> &selected, const TGrantChecks &checks)
{
    for (int r : selected) {
        if (r < 0 || r >= rows.size())
            continue;
        TGrantee &row = rows[r];
        for (int i = 0; i < checks.size() && i < row.Marks.size(); ++i) {
            const auto [left, right] = checks.at(i);
            TGrantMark mark = row.Marks.at(i);
            if (left == TGrantCheck::Off) {
                mark = TGrantMark::None;
            } else {
                if (left == TGrantCheck::On && mark == TGrantMark::None)
                    mark = TGrantMark::Held;
                if (mark != TGrantMark::None) {
                    if (right == TGrantCheck::On)
                        mark = TGrantMark::WithGrant;
                    else if (right == TGrantCheck::Off)
                        mark = TGrantMark::Held;
                }
            }
            if (row.IsPublic && mark == TGrantMark::WithGrant)
                mark = TGrantMark::Held;
            row.Marks[i] = mark;
        }
    }
}

bool GrantOptionAllowed(const QList<TGrantee> &rows, const QList<int> &selected)
{
    return !(selected.size() == 1 && selected.first() >= 0 && selected.first() < rows.size()
             && rows.at(selected.first()).IsPublic);
}

namespace {

// Each catalog query returns the owner, whether the list is NULL and one row per aclitem in
// the list's order (one row with a NULL item when the list holds none).
QString grantAclQuery(const QString &aclColumn, const QString &ownerColumn,
                      const QString &kindColumn, const QString &from, const QString &where)
{
    return QStringLiteral("SELECT ro.rolname, %1 IS NULL AS aclnull, acl.item::text AS item, "
                          "%3 AS typtype\n"
                          "FROM %4\n"
                          "LEFT JOIN pg_roles ro ON ro.oid = %2\n"
                          "LEFT JOIN LATERAL unnest(%1) WITH ORDINALITY AS acl(item, n) ON true\n"
                          "WHERE %5\n"
                          "ORDER BY acl.n")
        .arg(aclColumn, ownerColumn, kindColumn, from, where);
}

} // namespace

TObjectAcl LoadObjectAcl(pg::Connection &connection, const TGrantTarget &target, int dbVersion,
                         bool isEdb)
{
    Q_UNUSED(isEdb)
    QString sql;
    QList<pg::Param> params;
    const int kind = target.ObjType;
    const QString noKind = QStringLiteral("NULL::\"char\"");
    if (kind == ObjType::Table || kind == ObjType::View || kind == ObjType::MaterializedView) {
        // every relation that GRANT ... ON TABLE accepts: plain, partitioned and foreign
        // tables, views and materialized views
        sql = grantAclQuery(QStringLiteral("cl.relacl"), QStringLiteral("cl.relowner"), noKind,
                            QStringLiteral("pg_class cl JOIN pg_namespace na ON na.oid = "
                                           "cl.relnamespace"),
                            QStringLiteral("cl.relkind IN ('r', 'p', 'f', 'v', 'm') AND na.nspname "
                                           "= $1 AND cl.relname = $2"));
        params = { target.Schema, target.Name };
    } else if (kind == ObjType::Sequence) {
        sql = grantAclQuery(QStringLiteral("cl.relacl"), QStringLiteral("cl.relowner"), noKind,
                            QStringLiteral("pg_class cl JOIN pg_namespace na ON na.oid = "
                                           "cl.relnamespace"),
                            QStringLiteral("cl.relkind = 'S' AND na.nspname = $1 AND cl.relname = "
                                           "$2"));
        params = { target.Schema, target.Name };
    } else if (kind == ObjType::Procedure || kind == ObjType::Function
               || kind == ObjType::Aggregate) {
        sql = grantAclQuery(QStringLiteral("pr.proacl"), QStringLiteral("pr.proowner"), noKind,
                            QStringLiteral("pg_proc pr"), QStringLiteral("pr.oid = $1"));
        params = { pg::Param(QVariant(qint64(target.Oid)), pg::type::OidType) };
    } else if (kind == ObjType::Type) {
        sql = grantAclQuery(QStringLiteral("ty.typacl"), QStringLiteral("ty.typowner"),
                            QStringLiteral("ty.typtype"),
                            QStringLiteral("pg_type ty JOIN pg_namespace na ON na.oid = "
                                           "ty.typnamespace"),
                            QStringLiteral("na.nspname = $1 AND ty.typname = $2"));
        params = { target.Schema, target.Name };
    } else if (kind == ObjType::Package || kind == ObjType::PackageBody) {
        sql = grantAclQuery(QStringLiteral("pkg.pkgacl"), QStringLiteral("pkg.pkgowner"), noKind,
                            GetPackageSubquery(dbVersion)
                                + QStringLiteral(" pkg JOIN pg_namespace na ON na.oid = "
                                                 "pkg.pkgnamespace"),
                            QStringLiteral("na.nspname = $1 AND pkg.pkgname = $2"));
        params = { target.Schema, target.Name };
    } else {
        return {};
    }
    const pg::Result result = connection.exec(sql, params);
    TObjectAcl acl;
    if (result.rowCount() == 0)
        return acl;
    acl.Found = true;
    acl.Owner = result.text(0, 0);
    acl.IsNull = result.text(0, 1) == QLatin1String("t");
    acl.TypeKind = result.isNull(0, 3) ? QString() : result.text(0, 3);
    for (int row = 0; row < result.rowCount(); ++row) {
        if (!result.isNull(row, 2))
            acl.Items << result.text(row, 2);
    }
    return acl;
}

TGrantAuthority LoadGrantAuthority(pg::Connection &connection, const QString &owner,
                                   const QStringList &grantors)
{
    // USAGE on the owner: the session holds the owner's privileges, and its own REVOKE acts for
    // the owner. MEMBER of a grantor: SET ROLE to it is allowed (a superuser is a member of
    // every role).
    TGrantAuthority authority;
    authority.Known = true;
    authority.Owner = owner;
    const pg::Result session = connection.exec(
        QStringLiteral("SELECT current_user, COALESCE((SELECT pg_has_role(oid, 'USAGE') "
                       "FROM pg_roles WHERE rolname = $1), false)"),
        { pg::Param(owner) });
    authority.CurrentUser = session.text(0, 0);
    authority.ActsAsOwner = session.text(0, 1) == QLatin1String("t");
    for (const QString &grantor : grantors) {
        const pg::Result member = connection.exec(
            QStringLiteral("SELECT pg_has_role(oid, 'MEMBER') FROM pg_roles WHERE rolname = $1"),
            { pg::Param(grantor) });
        if (member.rowCount() > 0 && member.text(0, 0) == QLatin1String("t"))
            authority.MayBecome << grantor;
    }
    return authority;
}

void LoadGrantRoles(pg::Connection &connection, QStringList &loginRoles, QStringList &otherRoles)
{
    loginRoles.clear();
    otherRoles.clear();
    const pg::Result result = connection.exec(
        QStringLiteral("SELECT rolname, rolcanlogin FROM pg_roles ORDER BY rolname"));
    for (int row = 0; row < result.rowCount(); ++row)
        (result.text(row, 1) == QLatin1String("t") ? loginRoles : otherRoles)
            << result.text(row, 0);
}
