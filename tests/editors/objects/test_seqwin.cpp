// The sequence editor as the connection window opens it, against the fixture server: what it
// loads, what a compile leaves in the catalog, and the scripts it writes.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "editors/objects/fseq.h"
#include "editors/objects/objecteditors.h"
#include "editors/objects/seqdef.h"
#include "sqllang/qvmemo.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <iterator>
#include <stdexcept>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace seqwintest {

// What the sample schema lacks: one sequence of each kind the editor treats apart.
const char *const SequenceFixture = R"(
CREATE SEQUENCE public.s_asc;
CREATE SEQUENCE public.s_desc INCREMENT -1;
CREATE SEQUENCE public.s_used;
SELECT nextval('public.s_used'), nextval('public.s_used'), nextval('public.s_used');
GRANT SELECT ON SEQUENCE public.s_used TO PUBLIC;
COMMENT ON SEQUENCE public.s_used IS 'used three times';
CREATE TABLE public.t_used (id bigint DEFAULT nextval('public.s_used'), note text);
CREATE SEQUENCE public.s_never START 7;
CREATE SEQUENCE public.s_int AS integer;
CREATE TABLE public.t_serial (id serial, note text);
CREATE SEQUENCE public."it's";
)";

class SequenceWindow : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        db.exec(QString::fromUtf8(SequenceFixture));
        m_previous = RegisteredObjectEditor(ObjType::Sequence);
        RegisterObjectKindEditors();
    }
    void TearDown() override
    {
        RegisterObjectEditor(ObjType::Sequence, m_previous);
        EditorTest::TearDown();
    }

    // Opened the way the object list opens an object: through the dispatch.
    TfrmSeq *open(const QString &name, TOpenMode mode = omDefine)
    {
        return qobject_cast<TfrmSeq *>(
            OpenObjectWindow(conn.get(), ObjectCallFor(ObjType::Sequence, "public", name, mode)));
    }
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

private:
    TObjectEditor m_previous;
};

struct LoadCase
{
    const char *name;
    const char *lastNo;
    bool noMin;
    bool noMax;
    bool ownedNone;
    const char *table;
    const char *column;
};

TEST_F(SequenceWindow, LoadsEachKindOfSequence)
{
    const LoadCase cases[] = {
        { "s_asc", "", true, true, true, "", "" },
        { "s_desc", "", true, true, true, "", "" },
        { "s_used", "3", true, true, true, "", "" },
        { "s_never", "", true, true, true, "", "" },
        { "s_int", "", true, false, true, "", "" },
        { "t_serial_id_seq", "", true, false, false, "t_serial", "id" },
    };
    for (const LoadCase &c : cases) {
        TfrmSeq *window = open(c.name);
        ASSERT_NE(window, nullptr) << c.name;
        EXPECT_EQ(window->txtLastNo->text(), c.lastNo) << c.name;
        EXPECT_EQ(window->chkNoMin->isChecked(), c.noMin) << c.name;
        EXPECT_EQ(window->chkNomax->isChecked(), c.noMax) << c.name;
        EXPECT_EQ(window->txtMax->isEnabled(), !c.noMax) << c.name;
        EXPECT_EQ(window->chkOwned->isChecked(), c.ownedNone) << c.name;
        EXPECT_EQ(window->cmbTable->currentText(), c.table) << c.name;
        EXPECT_EQ(window->cmbColumn->currentText(), c.column) << c.name;
        EXPECT_EQ(window->pnlCurrent->text(), "(不明)") << c.name;
        EXPECT_FALSE(window->Modified()) << c.name;
        EXPECT_EQ(window->lblLastNo->text(), "最終番号");
    }
    // the second open of one sequence brings the first window forward
    EXPECT_EQ(open("s_asc"), nullptr);
    EXPECT_EQ(main.findChildren<TfrmSeq *>().size(), int(std::size(cases)));
}

TEST_F(SequenceWindow, CycleAloneIsAnAlter)
{
    TfrmSeq *window = open("s_asc");
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->actCompile->isEnabled());
    QTest::mouseClick(window->chkCycle, Qt::LeftButton);
    EXPECT_TRUE(window->Modified());
    EXPECT_TRUE(window->actCompile->isEnabled());
    EXPECT_FALSE(window->actInc->isEnabled());
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_TRUE(driver.lastLog.contains("ALTER SEQUENCE")) << driver.lastLog.toStdString();
    EXPECT_FALSE(driver.lastLog.contains("DROP")) << driver.lastLog.toStdString();
    EXPECT_EQ(query("SELECT cycle FROM pg_sequences WHERE sequencename = 's_asc'"), "t");
    EXPECT_TRUE(window->chkCycle->isChecked());
    EXPECT_FALSE(window->Modified());
}

TEST_F(SequenceWindow, LastValueChangeKeepsGrantCommentAndDefault)
{
    // an unexpected error shows up as a message, and a stopped runner is abandoned
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDYES;
    });
    TfrmSeq *window = open("s_used");
    ASSERT_NE(window, nullptr);
    typeInto(window->txtLastNo, "100");
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    EXPECT_EQ(query("SELECT has_sequence_privilege('public', 'public.s_used', 'SELECT')"), "t");
    EXPECT_EQ(query("SELECT obj_description('public.s_used'::regclass, 'pg_class')"),
              "used three times");
    EXPECT_EQ(query("SELECT pg_get_expr(adbin, adrelid) FROM pg_attrdef "
                    "WHERE adrelid = 'public.t_used'::regclass"),
              "nextval('s_used'::regclass)");
    EXPECT_EQ(query("SELECT nextval('public.s_used')"), "101");
    // the setval ran on this session: the panel shows its value
    EXPECT_EQ(window->txtLastNo->text(), "100");
    EXPECT_EQ(window->pnlCurrent->text(), "100");
}

TEST_F(SequenceWindow, NameWithApostropheAdvancesAndIsSet)
{
    // an unexpected error shows up as a message, and a stopped runner is abandoned
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDYES;
    });
    TfrmSeq *window = open("it's");
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->btnInc, Qt::LeftButton);
    EXPECT_EQ(window->pnlCurrent->text(), "1");
    QTest::mouseClick(window->btnInc, Qt::LeftButton);
    EXPECT_EQ(window->pnlCurrent->text(), "2");
    EXPECT_EQ(window->txtLastNo->text(), "2");
    typeInto(window->txtLastNo, "50");
    EXPECT_FALSE(window->btnInc->isEnabled());
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    EXPECT_EQ(query("SELECT last_value FROM public.\"it's\""), "50");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(SequenceWindow, FailingSetvalRollsTheAlterBack)
{
    // an unexpected error shows up as a message, and a stopped runner is abandoned
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDYES;
    });
    TfrmSeq *window = open("s_asc");
    ASSERT_NE(window, nullptr);
    typeInto(window->txtInc, "5");
    typeInto(window->txtLastNo, "-10"); // below the minimum of 1
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_TRUE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    EXPECT_EQ(query("SELECT increment_by FROM pg_sequences WHERE sequencename = 's_asc'"), "1");
    EXPECT_TRUE(window->Modified());
    EXPECT_EQ(window->txtInc->text(), "5");
}

TEST_F(SequenceWindow, StoppedRunnerLeavesCatalogAndUserRow)
{
    // closing the stopped runner asks whether to abandon the run
    const ScopedDialogResponder answer([](DialogRequest &) { return IDYES; });
    TfrmSeq *window = open("s_asc", omSource);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->pagObject->currentWidget(), window->tabSource);
    // the user's own uncommitted work on the same session
    pg::Connection &session = *conn->dbsMain();
    session.setAutoCommit(false);
    session.startTransaction();
    session.exec("INSERT INTO public.t_used (note) VALUES ('mine')");
    // the first statement (DROP) runs, the second fails
    window->txtSource->setText("CREATE SEQUENCE public.s_asc INCREMENT 0\n;");
    window->setModified(true);
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_EQ(driver.stops, 1);
    EXPECT_TRUE(driver.lastLog.contains("DROP SEQUENCE")) << driver.lastLog.toStdString();
    EXPECT_TRUE(window->Modified());
    EXPECT_EQ(session.exec("SELECT count(*) FROM pg_class WHERE relname = 's_asc'").text(0, 0),
              "1");
    EXPECT_EQ(session.exec("SELECT count(*) FROM public.t_used WHERE note = 'mine'").text(0, 0),
              "1");
    EXPECT_EQ(query("SELECT count(*) FROM public.t_used WHERE note = 'mine'"), "0");
    session.commit();
    EXPECT_EQ(query("SELECT count(*) FROM public.t_used WHERE note = 'mine'"), "1");
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname = 's_asc'"), "1");
}

TEST_F(SequenceWindow, NewSequenceStartsAfterItsInitialValue)
{
    TfrmSeq *window = TfrmSeq::Open(conn.get(), "public", QString());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->lblLastNo->text(), "初 期 値");
    EXPECT_FALSE(window->btnInc->isVisible());
    EXPECT_FALSE(window->actDelete->isEnabled());
    typeInto(window->txtName, "s_new");
    typeInto(window->txtLastNo, "5");
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    EXPECT_FALSE(window->IsNew());
    EXPECT_EQ(window->windowTitle(),
              TqvDefineForm::CaptionKey(TfrmSeq::SeqKind, conn.get(), "public", "s_new"));
    EXPECT_EQ(query("SELECT nextval('public.s_new')"), "6");
}

TEST_F(SequenceWindow, OwnedByNeedsTableThenColumn)
{
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    TfrmSeq *window = open("s_asc");
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->chkOwned, Qt::LeftButton);
    EXPECT_TRUE(window->cmbTable->isEnabled());
    window->actCompile->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.last(), "テーブルを選択して下さい。");
    window->cmbTable->setEditText("t_used");
    EXPECT_GE(window->cmbColumn->count(), 2);
    EXPECT_EQ(window->cmbColumn->itemText(0), "id");
    window->actCompile->trigger();
    EXPECT_EQ(messages.last(), "カラムを選択して下さい。");
    window->cmbColumn->setEditText("id");
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
    EXPECT_EQ(query("SELECT pg_get_serial_sequence('public.t_used', 'id')"), "public.s_asc");
    EXPECT_FALSE(window->chkOwned->isChecked());
    EXPECT_EQ(window->cmbTable->currentText(), "t_used");
}

TEST_F(SequenceWindow, ScriptOfMissingSequenceFails)
{
    EXPECT_THROW(TfrmSeq::GetScript(conn.get(), "public", "s_missing"), std::runtime_error);
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_FALSE(WriteObjectScript(
        conn.get(), ObjectCallFor(ObjType::Sequence, "public", "s_missing"), buffer));
    EXPECT_EQ(buffer.size(), 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains("s_missing")) << messages.first().toStdString();
}

TEST_F(SequenceWindow, ReplayedScriptsGoOnWhereTheSequencesWere)
{
    testsupport::TestDatabase scratch;
    pg::Connection replay;
    const testsupport::ServerInfo &s = testsupport::server();
    replay.setParam("Server", s.host);
    replay.setParam("Port", QString::number(s.port));
    replay.setParam("Database", scratch.name());
    replay.setParam("User_Name", s.user);
    replay.open();
    const struct
    {
        const char *name;
        const char *next;
    } cases[] = { { "s_used", "4" }, { "s_never", "7" }, { "s_int", "1" }, { "it's", "1" } };
    for (const auto &c : cases) {
        const QStringList lines = TfrmSeq::GetScript(conn.get(), "public", c.name);
        editorstest::runScriptLines(replay, lines);
        EXPECT_EQ(replay
                      .exec(QStringLiteral("SELECT nextval($1::regclass)"),
                            { pg::Param(SequenceRegclassText("public", c.name)) })
                      .text(0, 0),
                  c.next)
            << c.name << "\n"
            << lines.join('\n').toStdString();
    }
    EXPECT_EQ(scratch.query("SELECT format_type(data_type, NULL) FROM pg_sequences "
                            "WHERE sequencename = 's_int'"),
              "integer");
}

} // namespace seqwintest
