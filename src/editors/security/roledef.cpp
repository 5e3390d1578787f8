#include "roledef.h"

#include "core/qvname.h"
#include "platform/pg/paramscanner.h"

namespace {

const QString roleSemicolon = QStringLiteral(";");

QString roleWord(bool on, const char *word)
{
    return (on ? QString() : QStringLiteral("NO")) + QLatin1String(word);
}

QString roleKind(const TRoleState &s)
{
    return s.User ? QStringLiteral("USER ") : QStringLiteral("ROLE ");
}

bool roleNoLimit(const QString &limit)
{
    const QString t = limit.trimmed();
    return t.isEmpty() || t == QLatin1String("-1");
}

QString roleValidUntilWord(const QString &validUntil)
{
    return RoleHasExpiry(validUntil) ? QStringLiteral("VALID UNTIL ") + QuoteLiteral(validUntil)
                                     : QStringLiteral("VALID UNTIL 'infinity'");
}

void roleLinkStatements(QStringList &out, const TRoleState &s, const TRoleState *loaded)
{
    struct Link
    {
        bool TRoleState::*flag;
        const char *what;
    };
    const Link links[] = {
        { &TRoleState::CreateDbLink, "CREATE DATABASE LINK" },
        { &TRoleState::CreatePublicDbLink, "CREATE PUBLIC DATABASE LINK" },
        { &TRoleState::DropPublicDbLink, "DROP PUBLIC DATABASE LINK" },
    };
    for (const Link &link : links) {
        if (loaded && loaded->*link.flag == s.*link.flag)
            continue;
        out << (s.*link.flag ? QStringLiteral("GRANT %1 TO ") : QStringLiteral("REVOKE %1 FROM "))
                    .arg(QLatin1String(link.what))
                + QuoteName(s.Name)
            << roleSemicolon;
    }
}

QString roleGrant(const TRoleState &s, int index, const TRoleCheckLine &line, bool schema)
{
    if (!schema) {
        return QStringLiteral("GRANT ") + QuoteName(line.Name) + QStringLiteral(" TO ")
            + QuoteName(s.Name) + (line.Right ? QStringLiteral(" WITH ADMIN OPTION") : QString());
    }
    return QStringLiteral("GRANT %1 ON SCHEMA ")
               .arg(index % 2 == 0 ? QLatin1String("CREATE") : QLatin1String("USAGE"))
        + QuoteName(line.Name) + QStringLiteral(" TO ") + QuoteName(s.Name)
        + (line.Right ? QStringLiteral(" WITH GRANT OPTION") : QString());
}

QString roleRevoke(const TRoleState &s, int index, const TRoleCheckLine &line, bool schema)
{
    if (!schema)
        return QStringLiteral("REVOKE ") + QuoteName(line.Name) + QStringLiteral(" FROM ")
            + QuoteName(s.Name);
    return QStringLiteral("REVOKE %1 ON SCHEMA ")
               .arg(index % 2 == 0 ? QLatin1String("CREATE") : QLatin1String("USAGE"))
        + QuoteName(line.Name) + QStringLiteral(" FROM ") + QuoteName(s.Name);
}

void roleListStatements(QStringList &out, const TRoleState &s, const QList<TRoleCheckLine> &now,
                        const QList<TRoleCheckLine> *loaded, bool schema)
{
    for (int i = 0; i < now.size(); ++i) {
        const TRoleCheckLine &line = now.at(i);
        if (!loaded) {
            if (line.Left)
                out << roleGrant(s, i, line, schema) << roleSemicolon;
            continue;
        }
        const TRoleCheckLine before = i < loaded->size() ? loaded->at(i) : TRoleCheckLine();
        if (before.Left == line.Left && before.Right == line.Right)
            continue;
        if (line.Left) {
            // Only a REVOKE takes an option back; the GRANT after it gives the right again.
            if (!line.Right && before.Right)
                out << roleRevoke(s, i, line, schema) << roleSemicolon;
            out << roleGrant(s, i, line, schema) << roleSemicolon;
        } else {
            out << roleRevoke(s, i, line, schema) << roleSemicolon;
        }
    }
}

// Text as the loss check compares it: without double quotes, blanks run together, capitals.
QString roleFolded(const QString &text)
{
    QString t = text;
    t.remove(QLatin1Char('"'));
    return t.simplified().toUpper();
}

// Walks the code of text (literals, quoted names and comments skipped) and calls found for
// every PASSWORD word followed by a plain string constant, with the constant's span.
void forEachPasswordConstant(const QString &text,
                             const std::function<void(int start, int end)> &found)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        const pg::SqlSpan span = pg::skipSqlSpan(text, i);
        if (span.end >= 0) {
            i = span.end;
            continue;
        }
        const QChar c = text.at(i);
        if (!c.isLetter() && c != QLatin1Char('_')) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n
               && (text.at(j).isLetterOrNumber() || text.at(j) == QLatin1Char('_')
                   || text.at(j) == QLatin1Char('$')))
            ++j;
        if (text.mid(i, j - i).compare(QLatin1String("PASSWORD"), Qt::CaseInsensitive) == 0) {
            int k = j;
            while (k < n && text.at(k).isSpace())
                ++k;
            if (k < n && text.at(k) == QLatin1Char('\'')) {
                const pg::SqlSpan literal = pg::skipSqlSpan(text, k);
                if (literal.end > k) {
                    found(k, literal.end);
                    j = literal.end;
                }
            }
        }
        i = j;
    }
}

} // namespace

bool RoleHasExpiry(const QString &validUntil)
{
    const QString t = validUntil.trimmed();
    return !t.isEmpty() && t != QLatin1String("9999-12-31 23:59:59")
        && t.compare(QLatin1String("infinity"), Qt::CaseInsensitive) != 0;
}

QString RoleCatupdateStatement(const QString &name, bool on)
{
    return QStringLiteral("UPDATE pg_authid SET rolcatupdate = %1 WHERE rolname = ")
               .arg(on ? QLatin1String("TRUE") : QLatin1String("FALSE"))
        + QuoteLiteral(name);
}

QStringList RoleCreateScript(const TRoleState &s, const TRoleContext &ctx,
                             const TRoleCatalog &catalog)
{
    QStringList out;
    out << QStringLiteral("CREATE ") + roleKind(s) + QuoteName(s.Name);
    out << roleWord(s.SuperUser, "SUPERUSER") << roleWord(s.CreateDB, "CREATEDB")
        << roleWord(s.CreateRole, "CREATEROLE") << roleWord(s.Inherit, "INHERIT");
    if (ctx.ServerVersion >= 90100)
        out << roleWord(s.Replication, "REPLICATION");
    if (ctx.ServerVersion >= 90500)
        out << roleWord(s.BypassRls, "BYPASSRLS");
    if (!s.PasswordVerifier.isEmpty())
        out << QStringLiteral("PASSWORD ") + QuoteLiteral(s.PasswordVerifier);
    if (s.User)
        out << roleValidUntilWord(s.ValidUntil);
    else if (RoleHasExpiry(s.ValidUntil))
        out << roleValidUntilWord(s.ValidUntil);
    if (s.User ? !s.ConnLimit.trimmed().isEmpty() : !roleNoLimit(s.ConnLimit))
        out << QStringLiteral("CONNECTION LIMIT ") + s.ConnLimit.trimmed();
    out << roleSemicolon;
    if (ctx.ServerVersion < 90500 && s.SuperUser && !s.Catupdate)
        out << RoleCatupdateStatement(s.Name, false) << roleSemicolon;
    if (ctx.EDB)
        roleLinkStatements(out, s, nullptr);
    roleListStatements(out, s, s.Roles, nullptr, false);
    roleListStatements(out, s, s.Schemas, nullptr, true);
    if (catalog.HasComment)
        out << QStringLiteral("COMMENT ON ROLE ") + QuoteName(s.Name) + QStringLiteral(" IS ")
                + QuoteLiteral(catalog.Comment)
            << roleSemicolon;
    return out;
}

QStringList RoleAlterScript(const TRoleState &loaded, const TRoleState &now,
                            const TRoleContext &ctx)
{
    QStringList words;
    const auto flag = [&](bool TRoleState::*member, const char *word) {
        if (loaded.*member != now.*member)
            words << roleWord(now.*member, word);
    };
    flag(&TRoleState::SuperUser, "SUPERUSER");
    flag(&TRoleState::CreateDB, "CREATEDB");
    flag(&TRoleState::CreateRole, "CREATEROLE");
    flag(&TRoleState::Inherit, "INHERIT");
    if (ctx.ServerVersion >= 90100)
        flag(&TRoleState::Replication, "REPLICATION");
    if (ctx.ServerVersion >= 90500)
        flag(&TRoleState::BypassRls, "BYPASSRLS");
    if (!now.PasswordVerifier.isEmpty())
        words << QStringLiteral("PASSWORD ") + QuoteLiteral(now.PasswordVerifier);
    if (loaded.ValidUntil.trimmed() != now.ValidUntil.trimmed()
        && (RoleHasExpiry(loaded.ValidUntil) || RoleHasExpiry(now.ValidUntil)))
        words << roleValidUntilWord(now.ValidUntil);
    if (loaded.ConnLimit.trimmed() != now.ConnLimit.trimmed())
        words << QStringLiteral("CONNECTION LIMIT ")
                + (now.ConnLimit.trimmed().isEmpty() ? QStringLiteral("-1")
                                                     : now.ConnLimit.trimmed());
    QStringList out;
    if (!words.isEmpty())
        out << QStringLiteral("ALTER ") + roleKind(now) + QuoteName(now.Name) << words
            << roleSemicolon;
    if (ctx.ServerVersion < 90500) {
        if (loaded.SuperUser != now.SuperUser) {
            if (now.SuperUser && !now.Catupdate)
                out << RoleCatupdateStatement(now.Name, false) << roleSemicolon;
        } else if (loaded.Catupdate != now.Catupdate) {
            out << RoleCatupdateStatement(now.Name, now.Catupdate) << roleSemicolon;
        }
    }
    if (ctx.EDB)
        roleLinkStatements(out, now, &loaded);
    roleListStatements(out, now, now.Roles, &loaded.Roles, false);
    roleListStatements(out, now, now.Schemas, &loaded.Schemas, true);
    return out;
}

QStringList RoleDropScript(const TRoleState &s)
{
    return { QStringLiteral("DROP ") + roleKind(s) + QuoteName(s.Name), roleSemicolon };
}

bool TextSetsPassword(const QString &text)
{
    bool sets = false;
    forEachPasswordConstant(text, [&](int, int) { sets = true; });
    return sets;
}

QString EncryptPasswordClauses(const QString &text,
                               const std::function<QString(const QString &)> &encrypt)
{
    QList<QPair<int, int>> spans;
    forEachPasswordConstant(text, [&](int start, int end) { spans << qMakePair(start, end); });
    QString out = text;
    for (qsizetype i = spans.size() - 1; i >= 0; --i) {
        const auto [start, end] = spans.at(i);
        const QString value = text.mid(start + 1, end - start - 2)
                                  .replace(QStringLiteral("''"), QStringLiteral("'"));
        if (value.startsWith(QLatin1String("SCRAM-SHA-256$"))
            || value.startsWith(QLatin1String("md5")))
            continue;
        out.replace(start, end - start, QuoteLiteral(encrypt(value)));
    }
    return out;
}

QStringList RoleRecreateLosses(const TRoleState &s, const TRoleHoldings &held, const QString &text)
{
    const QString folded = roleFolded(text);
    const QString name = QuoteName(s.Name);
    QStringList lost;
    for (const QString &member : held.Members) {
        if (!folded.contains(roleFolded(QStringLiteral("GRANT ") + name + QStringLiteral(" TO ")
                                        + QuoteName(member))))
            lost << QStringLiteral("メンバー ") + member;
    }
    for (qsizetype i = 0; i < held.Settings.size(); ++i) {
        const QString key = i < held.SettingNames.size() ? held.SettingNames.at(i) : QString();
        if (key.isEmpty() || !folded.contains(roleFolded(QStringLiteral("SET ") + key)))
            lost << QStringLiteral("設定 ") + held.Settings.at(i);
    }
    if (held.HasComment && !folded.contains(QStringLiteral("COMMENT ON ROLE")))
        lost << QStringLiteral("コメント");
    for (const QString &privilege : held.ObjectPrivileges) {
        if (!folded.contains(
                roleFolded(QStringLiteral("GRANT ") + privilege + QStringLiteral(" TO ") + name)))
            lost << QStringLiteral("オブジェクト権限 ") + privilege;
    }
    if (s.User && held.HasPassword && !TextSetsPassword(text))
        lost << QStringLiteral("パスワード");
    return lost;
}
