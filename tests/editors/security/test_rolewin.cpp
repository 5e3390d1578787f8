// The role and user editors as the connection window opens them, against the fixture server.
// Every role a test makes carries the run's prefix and is dropped at its end.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "editors/security/frole.h"
#include "editors/security/fuser.h"
#include "editors/security/securityeditors.h"
#include "platform/pg/error.h"
#include "sqllang/qvmemo.h"
#include "ui/qvchklst.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace rolewintest {

QString admin()
{
    return testsupport::conninfo(QStringLiteral("postgres"));
}

class RoleWindow : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        // names written bare where the server reads them back unchanged
        AppOption.UseLowerName = false;
        p = testsupport::uniqueName(QStringLiteral("rl"));
        m_previousRole = RegisteredObjectEditor(ObjType::Role);
        m_previousUser = RegisteredObjectEditor(ObjType::User);
        RegisterSecurityEditors();
    }
    void TearDown() override
    {
        EditorTest::TearDown();
        asOther.reset();
        RegisterObjectEditor(ObjType::Role, m_previousRole);
        RegisterObjectEditor(ObjType::User, m_previousUser);
        // the roles of this test, with what they hold in this database
        const QStringList roles = testsupport::queryColumn(
            admin(),
            QStringLiteral("SELECT rolname FROM pg_roles WHERE rolname LIKE '%1%' "
                           "ORDER BY oid DESC")
                .arg(p));
        for (const QString &r : roles) {
            try {
                db.exec(QStringLiteral("DROP OWNED BY \"%1\"").arg(r));
            } catch (...) { }
            testsupport::exec(admin(), QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(r));
        }
    }
    QString n(const char *base) const { return p + QLatin1Char('_') + QLatin1String(base); }
    QString q(const char *base) const { return QLatin1Char('"') + n(base) + QLatin1Char('"'); }

    QWidget *open(int code, const QString &name, TOpenMode mode = omDefine)
    {
        return OpenObjectWindow(conn.get(), ObjectCallFor(code, QString(), name, mode));
    }

    QString p;
    // a second login's connection window, gone after the windows on it
    std::unique_ptr<appdoubles::TestConnectionWindow> asOther;

private:
    TObjectEditor m_previousRole;
    TObjectEditor m_previousUser;
};

// What the role holds by aclexplode, as the object list writes its lines, computed here apart
// from the window's own query.
QStringList grantsByAclexplode(const testsupport::TestDatabase &db, const QString &role)
{
    return testsupport::queryColumn(db.conninfo(),
                                    QStringLiteral(R"(
SELECT x.privilege_type || ' ON ' || o.what FROM (
  SELECT 'TABLE ' || quote_ident(n.nspname) || '.' || quote_ident(c.relname) AS what, n.nspname, c.relname AS nm,
         COALESCE(c.relacl, acldefault('r', c.relowner)) AS acl
  FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
  WHERE c.relkind IN ('r','v','m','p','f') AND n.nspname NOT LIKE 'pg\_%' AND n.nspname <> 'information_schema'
  UNION ALL
  SELECT 'SEQUENCE ' || quote_ident(n.nspname) || '.' || quote_ident(c.relname), n.nspname, c.relname,
         COALESCE(c.relacl, acldefault('s', c.relowner))
  FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
  WHERE c.relkind = 'S' AND n.nspname NOT LIKE 'pg\_%' AND n.nspname <> 'information_schema'
  UNION ALL
  SELECT 'FUNCTION ' || quote_ident(n.nspname) || '.' || quote_ident(p.proname) || '(' ||
         (SELECT COALESCE(string_agg(t.typname, ',' ORDER BY a.i), '')
          FROM unnest(p.proargtypes) WITH ORDINALITY AS a(t, i) JOIN pg_type t ON t.oid = a.t) || ')', n.nspname, p.proname,
         COALESCE(p.proacl, acldefault('f', p.proowner))
  FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
  WHERE n.nspname NOT LIKE 'pg\_%' AND n.nspname <> 'information_schema'
  UNION ALL
  SELECT 'TYPE ' || quote_ident(n.nspname) || '.' || quote_ident(t.typname), n.nspname, t.typname,
         COALESCE(t.typacl, acldefault('T', t.typowner))
  FROM pg_type t JOIN pg_namespace n ON n.oid = t.typnamespace
  WHERE t.typtype = 'e' AND n.nspname NOT LIKE 'pg\_%' AND n.nspname <> 'information_schema'
) o, aclexplode(o.acl) x
WHERE x.grantee = (SELECT oid FROM pg_roles WHERE rolname = '%1')
GROUP BY o.nspname, o.nm, o.what, x.privilege_type
ORDER BY o.nspname, o.nm, x.privilege_type)")
                                        .arg(role));
}

QStringList listLines(QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

int lineOf(TqvCheckListBox *list, const QString &text)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == text)
            return i;
    }
    return -1;
}

TEST_F(RoleWindow, MembershipsSchemaAndObjectPrivilegesRoundTrip)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return r.kind == DialogKind::CheckMessage ? IDYES : IDOK;
    });
    testsupport::exec(admin(),
                      QStringLiteral("CREATE ROLE %1; CREATE ROLE %2 IN ROLE %1; "
                                     "GRANT %1 TO %2 WITH ADMIN OPTION; "
                                     "CREATE ROLE %3 LOGIN")
                          .arg(q("r_a"), q("r_b"), q("own")));
    db.exec(QStringLiteral(R"(
CREATE SCHEMA s_one; CREATE SCHEMA s_two;
GRANT USAGE ON SCHEMA s_one TO %1 WITH GRANT OPTION;
GRANT CREATE ON SCHEMA s_two TO %1;
CREATE TABLE public.rt (id int); GRANT SELECT, UPDATE ON public.rt TO %1;
GRANT SELECT ON public.rt TO %1 WITH GRANT OPTION;
CREATE SEQUENCE public.rs; GRANT SELECT, UPDATE ON SEQUENCE public.rs TO %1;
CREATE FUNCTION public.rf(a integer, b text) RETURNS int LANGUAGE sql AS 'SELECT 1';
REVOKE EXECUTE ON FUNCTION public.rf(integer, text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION public.rf(integer, text) TO %1;
CREATE TYPE public.rty AS ENUM ('x'); GRANT USAGE ON TYPE public.rty TO %1;
CREATE TABLE public.rg (id int); ALTER TABLE public.rg OWNER TO %2;
GRANT SELECT ON public.rg TO %3 WITH GRANT OPTION;
SET ROLE %3; GRANT SELECT ON public.rg TO %1; RESET ROLE;
CREATE TABLE public.re (id int); ALTER TABLE public.re OWNER TO %1;
REVOKE ALL ON public.re FROM %1;
CREATE SCHEMA s_mine AUTHORIZATION %1; CREATE SCHEMA s_empty AUTHORIZATION %1;
REVOKE ALL ON SCHEMA s_empty FROM %1;
)")
                .arg(q("r_b"), q("own"), q("r_a")));
    // the empty ACL is told from NULL
    EXPECT_EQ(db.query("SELECT relacl::text FROM pg_class WHERE relname = 're'"), "{}");

    auto *window = qobject_cast<TfrmRole *>(open(ObjType::Role, n("r_b")));
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    const int ra = lineOf(window->chkRole, n("r_a"));
    ASSERT_GE(ra, 0);
    EXPECT_TRUE(window->chkRole->GetCheckedL(ra));
    EXPECT_TRUE(window->chkRole->GetCheckedR(ra));
    EXPECT_EQ(lineOf(window->chkRole, n("r_b")), -1); // not a member of itself
    const int one = lineOf(window->chkSchema, "s_one [CREATE]");
    const int two = lineOf(window->chkSchema, "s_two [CREATE]");
    ASSERT_GE(one, 0);
    ASSERT_GE(two, 0);
    EXPECT_FALSE(window->chkSchema->GetCheckedL(one));
    EXPECT_TRUE(window->chkSchema->GetCheckedL(one + 1));
    EXPECT_TRUE(window->chkSchema->GetCheckedR(one + 1));
    EXPECT_TRUE(window->chkSchema->GetCheckedL(two));
    EXPECT_FALSE(window->chkSchema->GetCheckedR(two));
    // owned with a NULL ACL: both rights, no grant option; owned with every right revoked: none
    const int mine = lineOf(window->chkSchema, "s_mine [CREATE]");
    const int empty = lineOf(window->chkSchema, "s_empty [CREATE]");
    ASSERT_GE(mine, 0);
    ASSERT_GE(empty, 0);
    EXPECT_TRUE(window->chkSchema->GetCheckedL(mine) && window->chkSchema->GetCheckedL(mine + 1));
    EXPECT_FALSE(window->chkSchema->GetCheckedR(mine) || window->chkSchema->GetCheckedR(mine + 1));
    EXPECT_FALSE(window->chkSchema->GetCheckedL(empty)
                 || window->chkSchema->GetCheckedL(empty + 1));

    const QStringList expected = grantsByAclexplode(db, n("r_b"));
    EXPECT_EQ(listLines(window->lstObj), expected)
        << listLines(window->lstObj).join('\n').toStdString();
    EXPECT_TRUE(expected.contains("SELECT ON TABLE public.rg")); // granted by a non-owner
    EXPECT_TRUE(expected.contains("EXECUTE ON FUNCTION public.rf(int4,text)"));
    for (int i = 0; i < window->lstObj->count(); ++i) {
        const bool red = window->lstObj->item(i)->text() == "SELECT ON TABLE public.rt";
        EXPECT_EQ(window->lstObj->item(i)->foreground().color() == Qt::red, red)
            << window->lstObj->item(i)->text().toStdString();
    }

    // clear the admin option, take USAGE's grant option away, grant CREATE on s_one
    window->chkRole->SetCheckedR(ra, false);
    window->chkSchema->SetCheckedR(one + 1, false);
    window->chkSchema->SetCheckedL(one, true);
    emit window->chkSchema->OnClickCheckL(); // as a click on the box tells the window
    {
        RunnerDriver driver;
        window->actCompile->trigger();
        EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    }
    EXPECT_EQ(testsupport::queryValue(
                  admin(),
                  QStringLiteral("SELECT admin_option FROM pg_auth_members "
                                 "WHERE roleid = '%1'::regrole AND member = '%2'::regrole")
                      .arg(q("r_a"), q("r_b"))),
              "f");
    EXPECT_EQ(db.query(QStringLiteral(
                           "SELECT has_schema_privilege('%1', 's_one', 'CREATE')::text || "
                           "has_schema_privilege('%1', 's_one', 'USAGE WITH GRANT OPTION')::text")
                           .arg(n("r_b"))),
              "truefalse");
    EXPECT_FALSE(window->chkRole->GetCheckedR(ra));

    // revoke the function's and the type's lines: they go, the rest stays
    for (int i = 0; i < window->lstObj->count(); ++i) {
        const QString text = window->lstObj->item(i)->text();
        window->lstObj->item(i)->setSelected(text.startsWith("EXECUTE")
                                             || text.startsWith("USAGE ON TYPE"));
    }
    window->lstObj->setFocus();
    QTest::keyClick(window->lstObj, Qt::Key_Delete);
    EXPECT_TRUE(messages.contains("権限を取り消しました。")) << messages.join('\n').toStdString();
    QStringList left = expected;
    left.removeIf(
        [](const QString &l) { return l.startsWith("EXECUTE") || l.startsWith("USAGE ON TYPE"); });
    EXPECT_EQ(grantsByAclexplode(db, n("r_b")), left);
    EXPECT_EQ(listLines(window->lstObj), left);
}

TEST_F(RoleWindow, SourcePageRefusesToLoseAMember)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    testsupport::exec(
        admin(),
        QStringLiteral("CREATE ROLE %1; CREATE ROLE %2 IN ROLE %1").arg(q("r_a"), q("r_b")));
    auto *window = qobject_cast<TfrmRole *>(open(ObjType::Role, n("r_a"), omSource));
    ASSERT_NE(window, nullptr) << messages.join('\n').toStdString();
    ASSERT_EQ(window->pagObject->currentWidget(), window->tabSource);
    EXPECT_TRUE(window->txtSource->text().startsWith("CREATE ROLE " + n("r_a")));
    window->actCompile->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains(n("r_b"))) << messages.first().toStdString();
    EXPECT_EQ(testsupport::queryValue(admin(),
                                      QStringLiteral("SELECT count(*) FROM pg_auth_members "
                                                     "WHERE roleid = '%1'::regrole")
                                          .arg(q("r_a"))),
              "1");
}

// pg_hba.conf of the shared fixture with a scram line for one user ahead of the others; put
// back when the object goes.
class HbaScramLine
{
public:
    explicit HbaScramLine(const QString &user)
    {
        m_file = testsupport::queryValue(admin(), "SHOW hba_file");
        m_saved = testsupport::queryValue(admin(),
                                          QStringLiteral("SELECT pg_read_file('%1')").arg(m_file));
        write(QStringLiteral("host all \"%1\" 127.0.0.1/32 scram-sha-256\n").arg(user) + m_saved);
    }
    ~HbaScramLine() { write(m_saved); }

private:
    void write(const QString &text)
    {
        // written by the server, which owns the file
        const QString lo = testsupport::queryValue(
            admin(),
            QStringLiteral("SELECT lo_from_bytea(0, convert_to($hba$%1$hba$, 'UTF8'))").arg(text));
        testsupport::exec(admin(),
                          QStringLiteral("SELECT lo_export(%1, '%2'), lo_unlink(%1); "
                                         "SELECT pg_reload_conf()")
                              .arg(lo, m_file));
    }
    QString m_file;
    QString m_saved;
};

QString serverLog()
{
    QFile state(qEnvironmentVariable("CORVANE_TEST_SERVER"));
    if (!state.open(QIODevice::ReadOnly))
        return QString();
    QString dir;
    for (const QByteArray &line : state.readAll().split('\n')) {
        if (line.startsWith("DIR="))
            dir = QString::fromUtf8(line.mid(4));
    }
    return testsupport::queryValue(admin(),
                                   QStringLiteral("SELECT pg_read_file('%1/server.log')").arg(dir));
}

TEST_F(RoleWindow, NewUserPasswordIsAScramVerifierAndExpiryIsIso)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    const QString password = QStringLiteral("Pw-%1-Clear").arg(p);
    conn->dbsMain()->exec("SET log_statement = 'all'");
    conn->dbsMain()->exec("SET DateStyle = 'SQL, DMY'");
    auto *window = qobject_cast<TfrmUser *>(open(ObjType::User, QString()));
    ASSERT_NE(window, nullptr);
    QTest::keyClicks(window->txtName, n("u_a"));
    QTest::keyClicks(window->txtPassword1, password);
    QTest::keyClicks(window->txtPassword2, password);
    QTest::mouseClick(window->chkPass, Qt::LeftButton);
    window->dtpLapseDate->setDate(QDate(2035, 3, 4));
    window->dtpLapseTime->setTime(QTime(23, 30, 0));
    window->txtConRest->setText("7");
    QString log;
    {
        RunnerDriver driver;
        window->actCompile->trigger();
        log = driver.lastLog;
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(log.contains("PASSWORD 'SCRAM-SHA-256$")) << log.toStdString();
    EXPECT_FALSE(log.contains(password));
    EXPECT_FALSE(serverLog().contains(password));
    EXPECT_TRUE(testsupport::queryValue(admin(),
                                        QStringLiteral("SELECT rolpassword FROM pg_authid "
                                                       "WHERE rolname = '%1'")
                                            .arg(n("u_a")))
                    .startsWith("SCRAM-SHA-256$"));
    EXPECT_EQ(
        testsupport::queryValue(admin(),
                                QStringLiteral("SELECT to_char(rolvaliduntil, "
                                               "'YYYY-MM-DD HH24:MI:SS') || ' ' || rolconnlimit "
                                               "FROM pg_roles WHERE rolname = '%1'")
                                    .arg(n("u_a"))),
        "2035-03-04 23:30:00 7");
    // reloaded under the same DateStyle: unchanged
    EXPECT_TRUE(window->chkPass->isChecked());
    EXPECT_EQ(window->dtpLapseDate->date(), QDate(2035, 3, 4));
    EXPECT_EQ(window->dtpLapseTime->time(), QTime(23, 30, 0));
    EXPECT_EQ(window->txtConRest->text(), "7");

    // the user logs on over TCP with the password and is refused with another
    HbaScramLine hba(n("u_a"));
    const QString tcp = QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=%3 password=%4")
                            .arg(testsupport::server().port)
                            .arg(db.name(), n("u_a"));
    EXPECT_EQ(testsupport::queryValue(tcp.arg(password), "SELECT current_user"), n("u_a"));
    EXPECT_THROW(testsupport::queryValue(tcp.arg("wrong"), "SELECT 1"), std::runtime_error);
}

TEST_F(RoleWindow, LoginUserWithoutCreateRoleChangesOnlyTheOwnPassword)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    testsupport::exec(admin(),
                      QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'x'; CREATE ROLE %2 LOGIN")
                          .arg(q("u_a"), q("u_b")));
    // u_b's own session, the logon name typed in quotes
    asOther = std::make_unique<appdoubles::TestConnectionWindow>(db.name(), true, n("u_b"));
    appdoubles::TestConnectionWindow &asB = *asOther;
    // the logon name as typed: in quotes, which the server's identity does not hold
    asB.dbsMain()->setParam("User_Name", q("u_b"));
    QWidget *own = OpenObjectWindow(&asB, ObjectCallFor(ObjType::User, QString(), n("u_b")));
    auto *mine = qobject_cast<TfrmUser *>(own);
    ASSERT_NE(mine, nullptr) << messages.join('\n').toStdString();
    EXPECT_TRUE(mine->txtPassword1->isEnabled());
    EXPECT_FALSE(mine->txtConRest->isEnabled());
    EXPECT_FALSE(mine->chkCreateRole->isEnabled());
    auto *other = qobject_cast<TfrmUser *>(
        OpenObjectWindow(&asB, ObjectCallFor(ObjType::User, QString(), n("u_a"))));
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->txtPassword1->isEnabled());
    EXPECT_FALSE(other->chkPass->isEnabled());

    // the own password, set from u_b's session
    mine->txtPassword1->setFocus();
    mine->txtPassword1->selectAll();
    QTest::keyClicks(mine->txtPassword1, "NewPw");
    mine->txtPassword2->setFocus();
    mine->txtPassword2->selectAll();
    QTest::keyClicks(mine->txtPassword2, "NewPw");
    {
        RunnerDriver driver;
        mine->actCompile->trigger();
        EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    }
    EXPECT_TRUE(testsupport::queryValue(admin(),
                                        QStringLiteral("SELECT rolpassword FROM pg_authid "
                                                       "WHERE rolname = '%1'")
                                            .arg(n("u_b")))
                    .startsWith("SCRAM-SHA-256$"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(RoleWindow, ScriptOfAUserWithoutPasswordRefusesRecreate)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    testsupport::exec(admin(),
                      QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'x' CONNECTION LIMIT 4 "
                                     "VALID UNTIL '2040-01-01 10:00:00'; "
                                     "COMMENT ON ROLE %1 IS 'note'")
                          .arg(q("u_a")));
    const QStringList script
        = RegisteredObjectEditor(ObjType::User)
              .Script(conn.get(), ObjectCallFor(ObjType::User, QString(), n("u_a")));
    const QString text = script.join('\n');
    EXPECT_TRUE(text.contains("CONNECTION LIMIT 4")) << text.toStdString();
    EXPECT_TRUE(text.contains("VALID UNTIL '2040-01-01 10:00:00'")) << text.toStdString();
    EXPECT_TRUE(text.contains("NOBYPASSRLS"));
    EXPECT_TRUE(text.contains("COMMENT ON ROLE " + n("u_a") + " IS 'note'"));

    auto *window = qobject_cast<TfrmUser *>(open(ObjType::User, n("u_a"), omSource));
    ASSERT_NE(window, nullptr);
    window->actCompile->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains("パスワード")) << messages.first().toStdString();
}

struct RefusalCase
{
    const char *password1;
    const char *password2;
    const char *limit;
    const char *message;
};

TEST_F(RoleWindow, NewUserChecksRefuseBeforeAnythingRuns)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    const RefusalCase cases[] = {
        { "", "", "-1", "パスワードを入力して下さい。" },
        { "Abc", "", "-1", "パスワードを入力して下さい。" },
        { "Abc", "abc", "-1", "パスワードが一致しません。" },
        { "Abc", "Abc", "1.5", "接続制限数は整数を入力して下さい。" },
    };
    for (const RefusalCase &c : cases) {
        messages.clear();
        auto *window = qobject_cast<TfrmUser *>(open(ObjType::User, QString()));
        ASSERT_NE(window, nullptr);
        QTest::keyClicks(window->txtName, n("u_new"));
        QTest::keyClicks(window->txtPassword1, c.password1);
        QTest::keyClicks(window->txtPassword2, c.password2);
        window->txtConRest->setText(c.limit);
        window->actCompile->trigger();
        EXPECT_EQ(messages, QStringList { c.message }) << c.message;
        EXPECT_EQ(testsupport::queryValue(admin(),
                                          QStringLiteral("SELECT count(*) FROM pg_roles "
                                                         "WHERE rolname = '%1'")
                                              .arg(n("u_new"))),
                  "0");
        window->setModified(false);
        window->close();
    }

    // an existing user: the list is not read yet, so Delete revokes nothing; a source line
    // holding only PASSWORD is refused before anything runs
    testsupport::exec(admin(), QStringLiteral("CREATE ROLE %1 LOGIN").arg(q("u_a")));
    messages.clear();
    auto *window = qobject_cast<TfrmUser *>(open(ObjType::User, n("u_a"), omSource));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(listLines(window->lstObj), QStringList { TfrmUser::NotLoadedLine });
    window->lstObj->item(0)->setSelected(true);
    QTest::keyClick(window->lstObj, Qt::Key_Delete);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    window->txtSource->setText(window->txtSource->text().replace(";", "  PASSWORD \n;"));
    window->actCompile->trigger();
    EXPECT_EQ(messages, QStringList { "パスワード（PASSWORD句）を入力してください。" });
}

} // namespace rolewintest
