// The editors of this library as the connection windows reach them: registered with the
// object dispatch, opened by object-type code and written into a script stream.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvencoding.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "editors/tables/findex.h"
#include "editors/tables/rstorage.h"
#include "editors/tables/tableeditors.h"

#include <QBuffer>
#include <QLineEdit>
#include <QList>

#include <array>

using editorstest::EditorTest;

namespace tabledispatchtest {

class TableDispatch : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        for (int code : codes)
            m_previous.append(RegisteredObjectEditor(code));
        RegisterTableEditors();
    }
    void TearDown() override
    {
        for (int i = 0; i < int(codes.size()); ++i)
            RegisterObjectEditor(codes[i], m_previous.at(i));
        EditorTest::TearDown();
    }
    static constexpr std::array<int, 4> codes { ObjType::Table, ObjType::Index, ObjType::Constraint,
                                                ObjType::Policy };
    int indexWindows() const { return main.findChildren<TfrmIndex *>().size(); }

private:
    QList<TObjectEditor> m_previous;
};

TEST_F(TableDispatch, IndexOpensOnceByItsCode)
{
    QStringList messages;
    ScopedDialogResponder responder([&messages](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    QWidget *first
        = OpenObjectWindow(conn.get(), ObjectCallFor(ObjType::Index, "idx", "doc_recent"));
    auto *index = qobject_cast<TfrmIndex *>(first);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(index->txtName->text(), "doc_recent");
    EXPECT_EQ(index->cmbSchema->currentText(), "idx");
    // the second open brings the first window forward, silently
    EXPECT_EQ(OpenObjectWindow(conn.get(), ObjectCallFor(ObjType::Index, "idx", "doc_recent")),
              nullptr);
    EXPECT_EQ(indexWindows(), 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // an index partition named "index.partition" opens its index
    QWidget *part = OpenObjectWindow(
        conn.get(), ObjectCallFor(ObjType::IndexPartition, "idx", "doc_recent.p1"));
    EXPECT_EQ(part, nullptr);
    EXPECT_EQ(indexWindows(), 1);

    // an index that is not there: the user is told, no window stays
    EXPECT_EQ(OpenObjectWindow(conn.get(), ObjectCallFor(ObjType::Index, "idx", "dsp_missing")),
              nullptr);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(indexWindows(), 1);
}

// Every kind of this library that the object list writes: the script written through the
// dispatch is the editor's own, and a missing object writes nothing.
TEST_F(TableDispatch, ScriptsOfTablesConstraintsAndPolicies)
{
    QStringList messages;
    ScopedDialogResponder responder([&messages](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    struct Case
    {
        int code;
        const char *schema, *name, *table, *start;
    };
    for (const Case &c :
         { Case { ObjType::Table, "tbl", "product", "", "CREATE TABLE" },
           Case { ObjType::Constraint, "cns", "item_q_fk", "item", "ALTER TABLE" },
           Case { ObjType::Policy, "tbl", "product_limit", "product", "CREATE POLICY" } }) {
        SCOPED_TRACE(c.name);
        QBuffer buffer;
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        const TObjectCall call = ObjectCallFor(c.code, c.schema, c.name, omDefine, 0, -1, c.table);
        ASSERT_TRUE(WriteObjectScript(conn.get(), call, buffer));
        const QString text = TqvEncoding(TqvEncoding::Utf16LE).decode(buffer.data());
        EXPECT_TRUE(text.contains(c.start)) << text.toStdString();
        EXPECT_TRUE(text.contains(c.name)) << text.toStdString();
        const QByteArray before = buffer.data();
        TObjectCall missing = call;
        missing.ObjectName = QStringLiteral("dsp_missing");
        EXPECT_FALSE(WriteObjectScript(conn.get(), missing, buffer));
        EXPECT_EQ(buffer.data(), before);
    }
    EXPECT_EQ(messages.size(), 3) << messages.join('\n').toStdString();
}

TEST_F(TableDispatch, IndexScriptIntoBuffer)
{
    QStringList messages;
    ScopedDialogResponder responder([&messages](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(
        WriteObjectScript(conn.get(), ObjectCallFor(ObjType::Index, "idx", "doc_recent"), buffer));
    const QString text = TqvEncoding(TqvEncoding::Utf16LE).decode(buffer.data());
    EXPECT_EQ(text, JoinLines(TfrmIndex::GetScript(conn.get(), "idx", "doc_recent")));
    EXPECT_TRUE(text.startsWith("CREATE INDEX doc_recent\r\nON "));
    EXPECT_TRUE(text.endsWith(";\r\n"));

    // a missing index writes nothing and says so
    const QByteArray before = buffer.data();
    EXPECT_FALSE(
        WriteObjectScript(conn.get(), ObjectCallFor(ObjType::Index, "idx", "dsp_missing"), buffer));
    EXPECT_EQ(buffer.data(), before);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(indexWindows(), 0);
}

TEST_F(TableDispatch, DropDownListsAreFilledWhenOpened)
{
    auto *index = qobject_cast<TfrmIndex *>(
        OpenObjectWindow(conn.get(), ObjectCallFor(ObjType::Index, "idx", "doc_recent")));
    ASSERT_NE(index, nullptr);
    const auto itemsOf = [](QComboBox *combo) {
        combo->showPopup();
        combo->hidePopup();
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    };
    const QStringList schemas = itemsOf(index->cmbSchema);
    EXPECT_TRUE(schemas.contains("idx"));
    EXPECT_TRUE(schemas.contains("dsp_twin"));
    EXPECT_EQ(index->cmbSchema->currentText(), "idx");
    const QStringList tables = itemsOf(index->cmbTableName);
    EXPECT_TRUE(tables.contains("doc"));
    EXPECT_TRUE(tables.contains("tuned"));
    EXPECT_EQ(index->cmbTableName->currentText(), "doc");
    const QStringList spaces = itemsOf(index->fraStorage->cmbTBS);
    EXPECT_EQ(spaces, QStringList({ "pg_default", "pg_global" }));
    EXPECT_EQ(index->fraStorage->cmbTBS->currentText(), "pg_default");
}

} // namespace tabledispatchtest
