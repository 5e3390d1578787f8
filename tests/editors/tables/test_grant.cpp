// Privileges of an object: the marks read from the owner, the access control list and the kind,
// the GRANT / REVOKE statements of changed marks, the check list's effect on the selected
// roles, and the privileges frame against the fixture's objects of schema grt, where the
// statements are run and the catalog's lists compared with the expected aclitems.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "editors/tables/ftable.h"
#include "editors/tables/grantdef.h"
#include "editors/tables/rgrant.h"
#include "platform/pg/connection.h"
#include "platform/pg/transaction.h"
#include "ui/fddlexec.h"
#include "ui/qvchklst.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"

#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidgetItem>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace granttest {

// Marks as one character each: "-" not held, "*" held, "G" with grant option.
QString marksText(const TGrantMarks &marks)
{
    QString text;
    for (TGrantMark mark : marks)
        text += mark == TGrantMark::None ? QStringLiteral("-") : GrantMarkText(mark);
    return text;
}

TGrantMarks marksOf(const QString &text)
{
    TGrantMarks marks;
    for (QChar c : text)
        marks << (c == QLatin1Char('G')       ? TGrantMark::WithGrant
                      : c == QLatin1Char('*') ? TGrantMark::Held
                                              : TGrantMark::None);
    return marks;
}

// "name:marks" of every row holding or having held something, in list order.
QString holdersText(const QList<TGrantee> &rows)
{
    QStringList parts;
    for (const TGrantee &row : rows) {
        if (row.Holder || row.HoldsAny())
            parts << row.Name + QLatin1Char(':') + marksText(row.Marks);
    }
    return parts.join(QLatin1Char(' '));
}

TGrantee grantee(const QString &name, const QString &loaded, const QString &now)
{
    TGrantee row;
    row.Name = name;
    row.IsPublic = name == QLatin1String("public");
    row.Loaded = marksOf(loaded);
    row.Marks = marksOf(now);
    row.Holder = loaded.contains(QLatin1Char('*')) || loaded.contains(QLatin1Char('G'));
    return row;
}

// The statements' tests set the quoting option; every option is put back afterwards.
class GrantSourceText : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = AppOption; }
    void TearDown() override { AppOption = m_saved; }

private:
    TqvOption m_saved;
};

TEST(GrantMarks, FromOwnerListAndKind)
{
    const QStringList logins = { "alice", "own" };
    const QStringList others = { "b", "odd/name=1", "x y", "a\"b" };
    const struct
    {
        const char *what;
        int objType;
        bool isNull;
        QStringList items;
        QString expected;
    } cases[] = {
        // a NULL list: the owner holds everything, without a visible grant option
        { "table, null list", ObjType::Table, true, {}, "own:*******" },
        { "view, null list", ObjType::View, true, {}, "own:*******" },
        { "sequence, null list", ObjType::Sequence, true, {}, "own:***" },
        // routines and types grant PUBLIC their one privilege by default
        { "function, null list", ObjType::Function, true, {}, "own:* public:*" },
        { "procedure, null list", ObjType::Procedure, true, {}, "own:* public:*" },
        { "aggregate, null list", ObjType::Aggregate, true, {}, "own:* public:*" },
        { "type, null list", ObjType::Type, true, {}, "own:* public:*" },
        // an empty list is no list of defaults: the owner revoked everything
        { "table, empty list", ObjType::Table, false, {}, "" },
        { "function, empty list", ObjType::Function, false, {}, "" },
        // the empty grantee is PUBLIC; r* is SELECT with grant option
        { "public and option",
          ObjType::Table,
          false,
          { "own=arwdDxt/own", "=r/own", "alice=r*w/own" },
          "alice:---G--* own:******* public:---*---" },
        // letters are case-sensitive: D is TRUNCATE, not DELETE
        { "truncate", ObjType::Table, false, { "b=D/own" }, "b:-----*-" },
        // quoted grantees and grantors, whoever granted
        { "quoted names",
          ObjType::Table,
          false,
          { "\"x y\"=d/own", "\"a\"\"b\"=x*/own", "b=r/\"odd/name=1\"", "\"odd/name=1\"=r*/own" },
          "b:---*--- odd/name=1:---G--- x y:*------ a\"b:--G----" },
        // one grantee granted by two grantors: the strongest hold counts
        { "two grantors", ObjType::Table, false, { "b=r/own", "b=r*/alice" }, "b:---G---" },
        // a dropped role shows as its number and names no row
        { "dropped role", ObjType::Table, false, { "12345=r/own" }, "" },
        { "sequence", ObjType::Sequence, false, { "alice=U/own", "b=r*w/own" }, "alice:--* b:G*-" },
        { "type", ObjType::Type, false, { "own=U/own", "alice=U*/own" }, "alice:G own:*" },
    };
    for (const auto &c : cases) {
        const TObjectAcl acl { true, "own", c.isNull, c.items, {} };
        const QList<TGrantee> rows = GrantRows(c.objType, logins, others, acl);
        EXPECT_EQ(holdersText(rows), c.expected) << c.what;
        for (const TGrantee &row : rows) {
            EXPECT_EQ(row.Loaded, row.Marks) << c.what;
            EXPECT_EQ(row.Holder, row.HoldsAny()) << c.what;
        }
    }
}

TEST(GrantMarks, RowOrderAndMissingObject)
{
    const QList<TGrantee> rows
        = GrantRows(ObjType::Function, { "alice", "own" }, { "b" }, TObjectAcl {});
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].Name, "alice");
    EXPECT_TRUE(rows[0].CanLogin);
    EXPECT_EQ(rows[2].Name, "public");
    EXPECT_TRUE(rows[2].IsPublic);
    EXPECT_EQ(rows[3].Name, "b");
    EXPECT_FALSE(rows[3].CanLogin);
    // an object that does not exist: nobody holds anything, not even by default
    EXPECT_EQ(holdersText(rows), "");
    // a kind without privileges gives rows without marks
    EXPECT_TRUE(
        GrantRows(ObjType::Index, { "a" }, {}, { true, "a", true, {}, {} })[0].Marks.isEmpty());
}

TEST_F(GrantSourceText, StatementsOfChangedMarks)
{
    AppOption.UseLowerName = false;
    const TGrantTarget table { ObjType::Table, "s", "t", 0, {} };
    const struct
    {
        const char *what;
        TGrantTarget target;
        QList<TGrantee> rows;
        QStringList expected;
    } cases[] = {
        { "unchanged", table, { grantee("a", "G*-----", "G*-----") }, {} },
        { "grant",
          table,
          { grantee("a", "-------", "---*---") },
          { "GRANT SELECT ON TABLE s.t TO a", ";" } },
        { "grant with option",
          table,
          { grantee("a", "-------", "---G---") },
          { "GRANT SELECT ON TABLE s.t TO a WITH GRANT OPTION", ";" } },
        // a held privilege gets its grant option
        { "option added",
          table,
          { grantee("a", "---*---", "---G---") },
          { "GRANT SELECT ON TABLE s.t TO a WITH GRANT OPTION", ";" } },
        // only the grant option goes: the privilege itself stays untouched
        { "option removed",
          table,
          { grantee("a", "---G---", "---*---") },
          { "REVOKE GRANT OPTION FOR SELECT ON TABLE s.t FROM a", ";" } },
        { "revoke",
          table,
          { grantee("a", "---*---", "-------") },
          { "REVOKE SELECT ON TABLE s.t FROM a", ";" } },
        { "revoke with option",
          table,
          { grantee("a", "---G---", "-------") },
          { "REVOKE SELECT ON TABLE s.t FROM a", ";" } },
        // rows in list order, privileges in column order
        { "order",
          table,
          { grantee("b", "------*", "*-----G"), grantee("public", "---*---", "-------") },
          { "GRANT DELETE ON TABLE s.t TO b", ";",
            "GRANT UPDATE ON TABLE s.t TO b WITH GRANT OPTION", ";",
            "REVOKE SELECT ON TABLE s.t FROM PUBLIC", ";" } },
        // names quoted where needed, PUBLIC as the keyword
        { "quoting",
          { ObjType::View, "My Schema", "v-1", 0, {} },
          { grantee("Mixed Case", "-------", "---*---"), grantee("public", "-------", "---*---"),
            grantee("a\"b", "-------", "---*---") },
          { "GRANT SELECT ON TABLE \"My Schema\".\"v-1\" TO \"Mixed Case\"", ";",
            "GRANT SELECT ON TABLE \"My Schema\".\"v-1\" TO PUBLIC", ";",
            "GRANT SELECT ON TABLE \"My Schema\".\"v-1\" TO \"a\"\"b\"", ";" } },
        { "function",
          { ObjType::Function, "s", "f", 1, "integer,text" },
          { grantee("public", "*", "-") },
          { "REVOKE EXECUTE ON FUNCTION s.f(integer,text) FROM PUBLIC", ";" } },
        { "aggregate",
          { ObjType::Aggregate, "s", "agg", 1, "numeric" },
          { grantee("a", "-", "*") },
          { "GRANT EXECUTE ON FUNCTION s.agg(numeric) TO a", ";" } },
        { "procedure",
          { ObjType::Procedure, "s", "p", 1, "" },
          { grantee("a", "-", "G") },
          { "GRANT EXECUTE ON PROCEDURE s.p() TO a WITH GRANT OPTION", ";" } },
        { "package",
          { ObjType::Package, "s", "pk", 0, {} },
          { grantee("a", "-", "*") },
          { "GRANT EXECUTE ON PACKAGE s.pk TO a", ";" } },
        { "type",
          { ObjType::Type, "s", "ty", 0, {} },
          { grantee("a", "G", "*") },
          { "REVOKE GRANT OPTION FOR USAGE ON TYPE s.ty FROM a", ";" } },
        { "sequence",
          { ObjType::Sequence, "s", "sq", 0, {} },
          { grantee("a", "*-G", "-*G") },
          { "REVOKE SELECT ON SEQUENCE s.sq FROM a", ";", "GRANT UPDATE ON SEQUENCE s.sq TO a",
            ";" } },
        { "materialized view",
          { ObjType::MaterializedView, "s", "mv", 0, {} },
          { grantee("a", "-------", "-*-----") },
          { "GRANT INSERT ON TABLE s.mv TO a", ";" } },
    };
    for (const auto &c : cases)
        EXPECT_EQ(GrantSource(c.target, c.rows), c.expected) << c.what;
}

TEST_F(GrantSourceText, QuotingOptionOnQuotesEveryRoleButPublic)
{
    AppOption.UseLowerName = true;
    EXPECT_EQ(GrantSource(
                  { ObjType::Table, "s", "t", 0, {} },
                  { grantee("a", "-------", "---*---"), grantee("public", "-------", "---*---") }),
              QStringList({ "GRANT SELECT ON TABLE \"s\".\"t\" TO \"a\"", ";",
                            "GRANT SELECT ON TABLE \"s\".\"t\" TO PUBLIC", ";" }));
}

TEST_F(GrantSourceText, ReregistIssuesEveryMark)
{
    AppOption.UseLowerName = false;
    EXPECT_EQ(GrantSourceReregist(
                  { ObjType::Type, "s", "ty", 0, {} },
                  { grantee("a", "G", "G"), grantee("b", "G", "*"), grantee("public", "*", "-") }),
              QStringList({ "GRANT USAGE ON TYPE s.ty TO a WITH GRANT OPTION", ";",
                            "REVOKE GRANT OPTION FOR USAGE ON TYPE s.ty FROM b", ";",
                            "GRANT USAGE ON TYPE s.ty TO b", ";",
                            "REVOKE USAGE ON TYPE s.ty FROM PUBLIC", ";" }));
}

TEST(GrantChecks, StatesOfTheSelection)
{
    const QList<TGrantee> rows = { grantee("a", "G*-", "G*-"), grantee("b", "*G-", "*G-"),
                                   grantee("public", "*--", "*--") };
    using C = TGrantCheck;
    const struct
    {
        QList<int> selected;
        TGrantChecks expected;
    } cases[] = {
        { { 0 }, { { C::On, C::On }, { C::On, C::Off }, { C::Off, C::Off } } },
        { { 0, 1 }, { { C::On, C::Mixed }, { C::On, C::Mixed }, { C::Off, C::Off } } },
        { { 0, 1, 2 }, { { C::On, C::Mixed }, { C::Mixed, C::Mixed }, { C::Off, C::Off } } },
        { {}, { { C::Off, C::Off }, { C::Off, C::Off }, { C::Off, C::Off } } },
    };
    for (const auto &c : cases)
        EXPECT_EQ(GrantChecksOf(rows, c.selected, 3), c.expected);
    EXPECT_FALSE(GrantOptionAllowed(rows, { 2 }));
    EXPECT_TRUE(GrantOptionAllowed(rows, { 1, 2 }));
    EXPECT_TRUE(GrantOptionAllowed(rows, { 0 }));
}

TEST(GrantChecks, ApplyToTheSelectedRows)
{
    using C = TGrantCheck;
    // one privilege per case; rows a (with option), b (held), c (none), public (held)
    const struct
    {
        const char *what;
        QList<int> selected;
        C left;
        C right;
        QString expected; // marks of a, b, c, public after the click
    } cases[] = {
        { "left off", { 0, 1, 3 }, C::Off, C::Off, "--- -" },
        { "left on, right off", { 0, 1, 2 }, C::On, C::Off, "*** *" },
        { "left on, right on", { 0, 1, 2, 3 }, C::On, C::On, "GGG *" },
        // the grant option where it was mixed stays as each row had it
        { "left on, right mixed", { 0, 1, 2 }, C::On, C::Mixed, "G** *" },
        { "left mixed, right mixed", { 0, 1, 2 }, C::Mixed, C::Mixed, "G*- *" },
        { "left mixed, right off", { 0, 1, 2 }, C::Mixed, C::Off, "**- *" },
        { "left mixed, right on", { 0, 1, 2 }, C::Mixed, C::On, "GG- *" },
        // rows outside the selection keep their marks
        { "only b", { 1 }, C::On, C::On, "GG- *" },
        // PUBLIC cannot hold a grant option
        { "public", { 3 }, C::On, C::On, "G*- *" },
    };
    for (const auto &c : cases) {
        QList<TGrantee> rows = { grantee("a", "G", "G"), grantee("b", "*", "*"),
                                 grantee("c", "-", "-"), grantee("public", "*", "*") };
        ApplyGrantChecks(rows, c.selected, { { c.left, c.right } });
        const QString got = marksText(rows[0].Marks) + marksText(rows[1].Marks)
            + marksText(rows[2].Marks) + QLatin1Char(' ') + marksText(rows[3].Marks);
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(GrantChecks, ClickOnOnePrivilegeKeepsTheOthers)
{
    // Every click applies the boxes of all privileges: those the user did not touch must
    // leave each row's marks as they were (a mixed grant option included).
    QList<TGrantee> rows = { grantee("a", "G*", "G*"), grantee("b", "*G", "*G") };
    TGrantChecks checks = GrantChecksOf(rows, { 0, 1 }, 2);
    ApplyGrantChecks(rows, { 0, 1 }, checks);
    EXPECT_EQ(marksText(rows[0].Marks) + marksText(rows[1].Marks), "G**G");
    EXPECT_TRUE(GrantSource({ ObjType::Sequence, "s", "q", 0, {} }, rows).isEmpty());
}

TEST(GrantFilter, ShownRows)
{
    const struct
    {
        TGrantee row;
        bool holdersOnly;
        bool all;
    } cases[] = {
        { grantee("a", "-", "-"), false, true },
        { grantee("a", "*", "*"), true, true },
        { grantee("a", "*", "-"), true, true }, // held at load, revoked since
        { grantee("a", "-", "*"), true, true }, // granted by the user: never hidden
    };
    for (const auto &c : cases) {
        EXPECT_EQ(GranteeShown(c.row, false), c.holdersOnly) << c.row.Name.toStdString();
        EXPECT_EQ(GranteeShown(c.row, true), c.all);
    }
}

// The frame on a host window over a fresh database, driven by clicks.
class GrantFrame : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp(); // puts every option back afterwards
        AppOption.UseLowerName = false;
    }
    void TearDown() override
    {
        frame.reset();
        host.reset();
        EditorTest::TearDown();
    }
    pg::Connection &connection() { return *conn->dbsMain(); }

    TfraGrant &open(int objType, const QString &schema, const QString &name, qint64 oid = -1,
                    const QString &args = QString())
    {
        frame.reset();
        host = std::make_unique<TqvForm>(conn.get());
        host->setObjType(objType);
        host->resize(900, 500);
        frame = std::make_unique<TfraGrant>(host.get(), host.get());
        frame->resize(900, 500);
        host->show();
        frame->show();
        frame->ShowData(schema, name, oid, args);
        return *frame;
    }
    qint64 procOid(const QString &signature)
    {
        return query(QStringLiteral("SELECT '%1'::regprocedure::oid").arg(signature)).toLongLong();
    }

    QTreeWidgetItem *item(const QString &name)
    {
        for (int i = 0; i < frame->lstGrant->topLevelItemCount(); ++i) {
            if (frame->lstGrant->topLevelItem(i)->text(0) == name)
                return frame->lstGrant->topLevelItem(i);
        }
        return nullptr;
    }
    // The names of the rows shown, in list order.
    QStringList shown()
    {
        QStringList names;
        for (int i = 0; i < frame->lstGrant->topLevelItemCount(); ++i) {
            if (!frame->lstGrant->topLevelItem(i)->isHidden())
                names << frame->lstGrant->topLevelItem(i)->text(0);
        }
        return names;
    }
    // The marks shown on the row, "-" for an empty cell.
    QString shownMarks(const QString &name)
    {
        QTreeWidgetItem *row = item(name);
        QString text;
        for (int c = 1; row && c < frame->lstGrant->columnCount(); ++c)
            text += row->text(c).isEmpty() ? QStringLiteral("-") : row->text(c);
        return text;
    }
    void select(const QStringList &names)
    {
        frame->lstGrant->clearSelection();
        for (const QString &name : names) {
            QTreeWidgetItem *row = item(name);
            ASSERT_NE(row, nullptr) << name.toStdString();
            ASSERT_FALSE(row->isHidden()) << name.toStdString();
            const QRect rect = frame->lstGrant->visualItemRect(row);
            QTest::mouseClick(frame->lstGrant->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              rect.center());
        }
    }
    // Clicks the left (privilege) or right (grant option) box of a check item.
    void clickBox(int index, bool right)
    {
        TqvCheckListBox *list = frame->chkGrant;
        const QRect rect = list->visualItemRect(list->item(index));
        const int x = rect.left() + TqvCheckListBox::CheckColumnWidth() * (right ? 3 : 1) / 2;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(x, rect.center().y()));
    }
    QStringList source()
    {
        QStringList lines;
        frame->GetSource(lines);
        return lines;
    }
    void runSource()
    {
        const QStringList lines = source();
        pg::Transaction transaction(connection());
        for (const QString &line : lines) {
            if (line != QLatin1String(";"))
                connection().exec(line);
        }
        transaction.commit();
    }
    // The list of the object as sorted aclitem texts; "NULL" for no list.
    QString acl(const QString &column, const QString &from)
    {
        return query(QStringLiteral("SELECT COALESCE((SELECT string_agg(x::text, ' ' ORDER BY "
                                    "x::text) FROM unnest(%1) x), CASE WHEN %1 IS NULL THEN "
                                    "'NULL' ELSE '' END) FROM %2")
                         .arg(column, from));
    }
    QString relacl(const QString &name)
    {
        return acl("relacl", QStringLiteral("pg_class WHERE oid = 'grt.%1'::regclass").arg(name));
    }
    // Expected aclitems (comma-separated) in any order and letter order, normalised by the
    // server.
    QString sorted(const QString &items)
    {
        QStringList literals;
        for (const QString &item : items.split(QLatin1Char(','), Qt::SkipEmptyParts))
            literals << QuoteLiteral(item);
        return query(QStringLiteral("SELECT COALESCE(string_agg(x::text, ' ' ORDER BY x::text), "
                                    "'') FROM unnest(ARRAY[%1]::aclitem[]) x")
                         .arg(literals.join(QLatin1Char(','))));
    }

    std::unique_ptr<TqvForm> host;
    std::unique_ptr<TfraGrant> frame;
};

TEST_F(GrantFrame, TableMarksColumnsAndFilter)
{
    open(ObjType::Table, "grt", "plain");
    EXPECT_EQ(frame->lstGrant->headerItem()->text(0), "ユーザー名");
    EXPECT_EQ(frame->lstGrant->headerItem()->text(4), "SELECT");
    EXPECT_EQ(frame->chkGrant->count(), 7);
    EXPECT_EQ(frame->chkGrant->item(3)->text(), "SELECT(データ問合せ権)");
    EXPECT_FALSE(frame->chkGrant->isEnabled());
    // holders only, login roles first, then PUBLIC, then the other roles
    EXPECT_EQ(shown(),
              QStringList({ "public", "corvane_grt Mixed", "corvane_grt_a", "corvane_grt_b",
                            "corvane_grt_owner" }));
    EXPECT_EQ(shownMarks("corvane_grt_a"), "-G-G---");
    EXPECT_EQ(shownMarks("corvane_grt_b"), "---*---"); // granted on by corvane_grt_a
    EXPECT_EQ(shownMarks("public"), "---*---");
    EXPECT_EQ(shownMarks("corvane_grt_owner"), "*******");
    EXPECT_TRUE(source().isEmpty());

    frame->rdoShowAll->click();
    EXPECT_TRUE(shown().contains("corvane_grt_login"));
    EXPECT_LT(shown().indexOf("corvane_grt_login"), shown().indexOf("public"));
    EXPECT_TRUE(shown().contains("corvane_reader"));
    frame->rdoShowHolders->click();
    EXPECT_FALSE(shown().contains("corvane_grt_login"));
}

TEST_F(GrantFrame, FilterChangeKeepsTheMarksTheUserSet)
{
    open(ObjType::Table, "grt", "plain");
    frame->rdoShowAll->click();
    select({ "corvane_grt_login" });
    EXPECT_TRUE(frame->chkGrant->isEnabled());
    clickBox(3, false); // SELECT
    EXPECT_EQ(shownMarks("corvane_grt_login"), "---*---");
    EXPECT_TRUE(host->Modified());
    // back to holders only: the row the user granted stays, and so does its mark
    frame->rdoShowHolders->click();
    EXPECT_TRUE(shown().contains("corvane_grt_login"));
    EXPECT_EQ(shownMarks("corvane_grt_login"), "---*---");
    EXPECT_FALSE(shown().contains("corvane_reader"));
    EXPECT_EQ(source(),
              QStringList({ "GRANT SELECT ON TABLE grt.plain TO corvane_grt_login", ";" }));
}

TEST_F(GrantFrame, OptionsAndPublicOnTheServer)
{
    open(ObjType::Table, "grt", "plain");
    // corvane_grt_a keeps INSERT but loses its grant option on it
    select({ "corvane_grt_a" });
    EXPECT_EQ(frame->chkGrant->GetStateR(1), cbChecked);
    clickBox(1, true);
    EXPECT_EQ(shownMarks("corvane_grt_a"), "-*-G---");
    // corvane_grt Mixed gets the grant option on the UPDATE it holds, and DELETE
    select({ "corvane_grt Mixed" });
    clickBox(6, true);
    clickBox(0, false);
    EXPECT_EQ(shownMarks("corvane_grt Mixed"), "*-----G");
    // PUBLIC alone: no grant option can be given; SELECT goes
    select({ "public" });
    EXPECT_FALSE(frame->chkGrant->GetItemEnabledR(3));
    clickBox(3, false);
    EXPECT_EQ(shownMarks("public"), "-------");
    // PUBLIC with a role: R is enabled, PUBLIC gets the plain privilege
    frame->rdoShowAll->click();
    select({ "public", "corvane_grt_login" });
    EXPECT_TRUE(frame->chkGrant->GetItemEnabledR(4));
    clickBox(4, true); // TRIGGER with grant option
    EXPECT_EQ(shownMarks("public"), "----*--");
    EXPECT_EQ(shownMarks("corvane_grt_login"), "----G--");

    EXPECT_EQ(source(),
              QStringList({
                  "GRANT TRIGGER ON TABLE grt.plain TO corvane_grt_login WITH GRANT OPTION",
                  ";",
                  "REVOKE SELECT ON TABLE grt.plain FROM PUBLIC",
                  ";",
                  "GRANT TRIGGER ON TABLE grt.plain TO PUBLIC",
                  ";",
                  "GRANT DELETE ON TABLE grt.plain TO \"corvane_grt Mixed\"",
                  ";",
                  "GRANT UPDATE ON TABLE grt.plain TO \"corvane_grt Mixed\" WITH GRANT OPTION",
                  ";",
                  "REVOKE GRANT OPTION FOR INSERT ON TABLE grt.plain FROM corvane_grt_a",
                  ";",
              }));
    runSource();
    EXPECT_EQ(relacl("plain"),
              sorted("corvane_grt_owner=arwdDxt/corvane_grt_owner,"
                     "corvane_grt_a=ar*/corvane_grt_owner,"
                     "\"corvane_grt Mixed\"=dw*/corvane_grt_owner,"
                     "corvane_grt_b=r/corvane_grt_a,"
                     "=t/corvane_grt_owner,"
                     "corvane_grt_login=t*/corvane_grt_owner"));
    // loaded again, the frame shows what the server holds and writes nothing
    frame->ShowData("grt", "plain");
    EXPECT_EQ(shownMarks("corvane_grt_a"), "-*-G---");
    EXPECT_EQ(shownMarks("corvane_grt Mixed"), "*-----G");
    EXPECT_TRUE(source().isEmpty());
}

TEST_F(GrantFrame, TwoRolesMixedGrantOption)
{
    open(ObjType::Table, "grt", "remote");
    frame->rdoShowAll->click();
    // corvane_grt_a holds SELECT with option, corvane_grt_b nothing yet: grant b plain SELECT
    select({ "corvane_grt_b" });
    clickBox(3, false);
    select({ "corvane_grt_a", "corvane_grt_b" });
    EXPECT_EQ(frame->chkGrant->GetStateL(3), cbChecked);
    EXPECT_EQ(frame->chkGrant->GetStateR(3), cbGrayed);
    // a click on another privilege leaves a's grant option on SELECT alone
    clickBox(5, false); // TRUNCATE
    EXPECT_EQ(shownMarks("corvane_grt_a"), "---G-*G");
    EXPECT_EQ(shownMarks("corvane_grt_b"), "---*-*-");
    runSource();
    EXPECT_EQ(relacl("remote"),
              sorted("corvane_grt_owner=arwdDxt/corvane_grt_owner,"
                     "corvane_grt_a=r*w*D/corvane_grt_owner,"
                     "corvane_grt_b=rD/corvane_grt_owner"));
}

TEST_F(GrantFrame, PartitionedTableAndEmptyList)
{
    open(ObjType::Table, "grt", "parted");
    EXPECT_EQ(shownMarks("corvane_grt_b"), "---*---");
    EXPECT_EQ(shownMarks("corvane_grt_owner"), "*******");
    // the owner revoked everything from itself: nobody holds anything
    open(ObjType::Table, "grt", "locked");
    EXPECT_TRUE(shown().isEmpty());
    frame->rdoShowAll->click();
    EXPECT_EQ(shownMarks("corvane_grt_owner"), "-------");
}

TEST_F(GrantFrame, FunctionWithNullList)
{
    const qint64 oid = procOid("grt.fn_default(integer)");
    open(ObjType::Function, "grt", "fn_default", oid, "integer");
    EXPECT_EQ(frame->lstGrant->headerItem()->text(1), "EXECUTE");
    EXPECT_EQ(shown(), QStringList({ "public", "corvane_grt_owner" }));
    EXPECT_EQ(shownMarks("public"), "*");
    select({ "public" });
    clickBox(0, false);
    frame->rdoShowAll->click();
    select({ "corvane_grt_b" });
    clickBox(0, true);
    EXPECT_EQ(source(),
              QStringList({ "REVOKE EXECUTE ON FUNCTION grt.fn_default(integer) FROM "
                            "PUBLIC",
                            ";",
                            "GRANT EXECUTE ON FUNCTION grt.fn_default(integer) TO "
                            "corvane_grt_b WITH GRANT OPTION",
                            ";" }));
    runSource();
    EXPECT_EQ(acl("proacl", QStringLiteral("pg_proc WHERE oid = %1").arg(oid)),
              sorted("corvane_grt_owner=X/corvane_grt_owner,"
                     "corvane_grt_b=X*/corvane_grt_owner"));
}

TEST_F(GrantFrame, FunctionNamedByItsOidAlone)
{
    const qint64 oid = procOid("grt.fn_default(integer)");
    open(ObjType::Function, "grt", "fn_default", oid);
    select({ "public" });
    clickBox(0, false);
    EXPECT_EQ(source(),
              QStringList({ "REVOKE EXECUTE ON FUNCTION grt.fn_default(int4) FROM PUBLIC", ";" }));
    runSource();
    EXPECT_EQ(acl("proacl", QStringLiteral("pg_proc WHERE oid = %1").arg(oid)),
              sorted("corvane_grt_owner=X/corvane_grt_owner"));
}

TEST_F(GrantFrame, FunctionRegrantedOption)
{
    const qint64 oid = procOid("grt.fn_granted(text)");
    open(ObjType::Function, "grt", "fn_granted", oid, "text");
    EXPECT_EQ(shown(), QStringList({ "corvane_grt_a", "corvane_grt_owner" }));
    // the option goes, then comes back before compiling: nothing to write
    select({ "corvane_grt_a" });
    clickBox(0, true);
    EXPECT_EQ(shownMarks("corvane_grt_a"), "*");
    EXPECT_EQ(source(),
              QStringList({ "REVOKE GRANT OPTION FOR EXECUTE ON FUNCTION "
                            "grt.fn_granted(text) FROM corvane_grt_a",
                            ";" }));
    runSource();
    frame->ShowData("grt", "fn_granted", oid, "text");
    EXPECT_EQ(shownMarks("corvane_grt_a"), "*");
    // granted again with its option
    select({ "corvane_grt_a" });
    clickBox(0, true);
    EXPECT_EQ(source(),
              QStringList({ "GRANT EXECUTE ON FUNCTION grt.fn_granted(text) TO "
                            "corvane_grt_a WITH GRANT OPTION",
                            ";" }));
    runSource();
    EXPECT_EQ(acl("proacl", QStringLiteral("pg_proc WHERE oid = %1").arg(oid)),
              sorted("corvane_grt_owner=X/corvane_grt_owner,"
                     "corvane_grt_a=X*/corvane_grt_owner"));
}

TEST_F(GrantFrame, SequencePrivileges)
{
    open(ObjType::Sequence, "grt", "counter");
    EXPECT_EQ(shownMarks("corvane_grt_a"), "--*");
    EXPECT_EQ(shownMarks("corvane_grt Mixed"), "G--");
    select({ "corvane_grt_a" });
    clickBox(2, false); // USAGE goes
    clickBox(1, true); // UPDATE with option
    select({ "corvane_grt Mixed" });
    clickBox(0, true); // SELECT keeps, its option goes
    runSource();
    EXPECT_EQ(relacl("counter"),
              sorted("corvane_grt_owner=rwU/corvane_grt_owner,"
                     "corvane_grt_a=w*/corvane_grt_owner,"
                     "\"corvane_grt Mixed\"=r/corvane_grt_owner"));
}

TEST_F(GrantFrame, TypePrivileges)
{
    open(ObjType::Type, "grt", "mood");
    EXPECT_EQ(shown(), QStringList({ "public", "corvane_grt_owner" }));
    EXPECT_EQ(shownMarks("public"), "*");
    frame->rdoShowAll->click();
    select({ "corvane_grt_a" });
    clickBox(0, false);
    runSource();
    const QString typacl = acl("typacl", QStringLiteral("pg_type WHERE oid = 'grt.mood'::regtype"));
    EXPECT_EQ(typacl,
              sorted("=U/corvane_grt_owner,corvane_grt_owner=U/corvane_grt_owner,"
                     "corvane_grt_a=U/corvane_grt_owner"));

    open(ObjType::Type, "grt", "shade");
    EXPECT_EQ(shown(), QStringList({ "corvane_grt_a", "corvane_grt_owner" }));
    select({ "corvane_grt_a" });
    clickBox(0, false);
    QStringList again;
    frame->GetSourceReregist(again);
    EXPECT_EQ(again.size(), 2 * (frame->Rows().size()));
    runSource();
    EXPECT_EQ(acl("typacl", QStringLiteral("pg_type WHERE oid = 'grt.shade'::regtype")),
              sorted("corvane_grt_owner=U/corvane_grt_owner"));
}

TEST_F(GrantFrame, PseudoTypeStaysReadOnly)
{
    open(ObjType::Type, "pg_catalog", "anyelement");
    frame->rdoShowAll->click();
    select({ "public" });
    EXPECT_FALSE(frame->chkGrant->isEnabled());
    EXPECT_TRUE(source().isEmpty());
}

TEST_F(GrantFrame, MissingObjectShowsNothing)
{
    open(ObjType::Table, "grt", "no_such_table");
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(source().isEmpty());
}

// Revokes of privileges that another role granted, through the table editor's privileges page
// and its compile, against roles made for this run: owner (can log in, owns grt_rv.t), a
// (SELECT with grant option from the owner), b (SELECT from a), u (can log in, SELECT from the
// owner without the option).
class GrantRevoke : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        AppOption.UseLowerName = false;
        owner = testsupport::uniqueName("corvane_rv_owner");
        a = testsupport::uniqueName("corvane_rv_a");
        b = testsupport::uniqueName("corvane_rv_b");
        u = testsupport::uniqueName("corvane_rv_u");
        db.exec(QStringLiteral("CREATE ROLE %1 LOGIN; CREATE ROLE %2; CREATE ROLE %3;"
                               "CREATE ROLE %4 LOGIN;"
                               "CREATE SCHEMA grt_rv;"
                               "GRANT USAGE ON SCHEMA grt_rv TO %1, %2, %3, %4;"
                               "CREATE TABLE grt_rv.t (id integer);"
                               "ALTER TABLE grt_rv.t OWNER TO %1;"
                               "SET ROLE %1;"
                               "GRANT SELECT ON grt_rv.t TO %2 WITH GRANT OPTION;"
                               "GRANT SELECT ON grt_rv.t TO %4;"
                               "SET ROLE %2;"
                               "GRANT SELECT ON grt_rv.t TO %3;"
                               "RESET ROLE;")
                    .arg(owner, a, b, u));
    }
    void TearDown() override
    {
        EditorTest::TearDown();
        other.reset();
        db.exec(QStringLiteral("DROP OWNED BY %1, %2, %3, %4 CASCADE;"
                               "DROP ROLE %1, %2, %3, %4;")
                    .arg(owner, a, b, u));
    }

    // A session of the test database as role, with its connection window on the main window.
    appdoubles::TestConnectionWindow *session(const QString &role)
    {
        other = std::make_unique<appdoubles::TestConnectionWindow>(db.name(), true, role);
        main.addConnection(other.get());
        return other.get();
    }
    // The table editor on grt_rv.t, its privileges page shown, b's SELECT unticked.
    TfrmTable *revokeSelectOfB(ConnectionWindow *owner)
    {
        TfrmTable *window = TfrmTable::Open(owner, "grt_rv", "t");
        if (!window)
            return nullptr;
        window->pagObject->setCurrentWidget(window->tabGrant);
        TfraGrant *frame = window->fraGrant;
        QTreeWidgetItem *row = nullptr;
        for (int i = 0; i < frame->lstGrant->topLevelItemCount(); ++i) {
            if (frame->lstGrant->topLevelItem(i)->text(0) == b)
                row = frame->lstGrant->topLevelItem(i);
        }
        if (!row || row->isHidden())
            return nullptr;
        QTest::mouseClick(frame->lstGrant->viewport(), Qt::LeftButton, {},
                          frame->lstGrant->visualItemRect(row).center());
        TqvCheckListBox *list = frame->chkGrant;
        const QRect box = list->visualItemRect(list->item(3)); // SELECT
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {},
            QPoint(box.left() + TqvCheckListBox::CheckColumnWidth() / 2, box.center().y()));
        return window;
    }
    QString relacl() const
    {
        return query("SELECT array_to_string(relacl, ' ') FROM pg_class WHERE oid = "
                     "'grt_rv.t'::regclass");
    }
    // Compiles with the runner driven as a user drives it; the messages shown are kept.
    void compile(TfrmTable *window)
    {
        const ScopedDialogResponder answer([this](DialogRequest &r) {
            messages << r.text;
            return r.text == QStringLiteral("処理を中断しますか？") ? IDYES : IDOK;
        });
        RunnerDriver driver;
        try {
            window->Compile(nullptr);
        } catch (const SilentAbort &) {
            aborted = true;
        }
        log = driver.lastLog;
    }

    QString owner, a, b, u;
    std::unique_ptr<appdoubles::TestConnectionWindow> other;
    QStringList messages;
    QString log;
    bool aborted = false;
};

// A REVOKE takes away only what its own role granted: b's SELECT, granted by a, is revoked
// as a; granted by the owner too, it is also revoked plainly. Afterwards b holds nothing.
TEST_F(GrantRevoke, RevokedAsTheGrantor)
{
    const struct
    {
        const char *name;
        bool ownerGrantsToo;
    } cases[] = { { "granted by another role", false },
                  { "granted by the owner and another role", true } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.ownerGrantsToo)
            db.exec(QStringLiteral("SET ROLE %1; GRANT SELECT ON grt_rv.t TO %2;").arg(owner, b));
        ASSERT_TRUE(relacl().contains(QStringLiteral("%1=r/%2").arg(b, a)))
            << relacl().toStdString();
        TfrmTable *window = revokeSelectOfB(conn.get());
        ASSERT_NE(window, nullptr);
        QStringList expected {
            "SET ROLE " + a, ";", "REVOKE SELECT ON TABLE grt_rv.t FROM " + b, ";",
            "RESET ROLE",    ";"
        };
        if (c.ownerGrantsToo)
            expected << "REVOKE SELECT ON TABLE grt_rv.t FROM " + b << ";";
        QStringList source;
        window->fraGrant->GetSource(source);
        EXPECT_EQ(source, expected) << source.join('\n').toStdString();
        compile(window);
        EXPECT_FALSE(aborted) << messages.join('\n').toStdString();
        EXPECT_FALSE(log.contains("《エラー》")) << log.toStdString();
        EXPECT_FALSE(relacl().contains(b)) << relacl().toStdString();
        EXPECT_TRUE(relacl().contains(QStringLiteral("%1=r*/%2").arg(a, owner)))
            << relacl().toStdString();
        // The session is itself again.
        EXPECT_EQ(conn->dbsMain()->exec("SELECT current_user = session_user").text(0, 0), "t");
        delete window;
        db.exec(QStringLiteral("SET ROLE %1; GRANT SELECT ON grt_rv.t TO %2;").arg(a, b));
    }
}

// The owner is no member of a: it cannot revoke what a granted. The row is refused before
// anything runs, naming a, and nothing changes.
TEST_F(GrantRevoke, RefusedWhenTheSessionCannotActForTheGrantor)
{
    const QString before = relacl();
    TfrmTable *window = revokeSelectOfB(session(owner));
    ASSERT_NE(window, nullptr);
    compile(window);
    EXPECT_TRUE(aborted);
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.first().startsWith("権限を取り消せません。"))
        << messages.first().toStdString();
    EXPECT_TRUE(messages.first().contains(b + " の SELECT 権限は " + a + " が付与したもの"))
        << messages.first().toStdString();
    EXPECT_TRUE(log.isEmpty()) << log.toStdString();
    EXPECT_EQ(relacl(), before);
    EXPECT_FALSE(other->dbsMain()->inTransaction());
}

// A GRANT or REVOKE the server does not carry out, answering only with a warning, is a failed
// statement of the run, never "《正常終了》": u holds SELECT without the grant option.
TEST_F(GrantRevoke, RunnerCountsAPrivilegeTheServerDidNotChange)
{
    const struct
    {
        const char *name;
        QString statement;
    } cases[] = {
        { "revoke", "REVOKE SELECT ON TABLE grt_rv.t FROM " + b },
        { "grant", "GRANT SELECT ON TABLE grt_rv.t TO " + b },
    };
    ConnectionWindow *asU = session(u);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = relacl();
        const ScopedDialogResponder yes([](DialogRequest &r) {
            return r.text == QStringLiteral("処理を中断しますか？") ? IDYES : IDOK;
        });
        RunnerDriver driver;
        TCompileRequest req;
        req.Schema = "grt_rv";
        req.ObjName = "t";
        EXPECT_FALSE(RunCompileSequence(asU, { c.statement, ";" }, req));
        EXPECT_EQ(driver.lastLog.count(QStringLiteral("《エラー》")), 1)
            << driver.lastLog.toStdString();
        EXPECT_FALSE(driver.lastLog.contains(QStringLiteral("《正常終了》")))
            << driver.lastLog.toStdString();
        EXPECT_EQ(relacl(), before);
    }
}

} // namespace granttest
