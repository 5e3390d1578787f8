// The connection window's dispatch over the registered editors, driven with stub editors that
// record what they receive: which call each object-type code gets, the failures the user is
// told about (and the one that stays silent), the bytes a script puts into a buffer or a
// file, and the object list's open command on double-click and Enter.
#include "browsertest.h"

#include "core/qvdialoghook.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"

#include <QBuffer>
#include <QFile>
#include <QSignalBlocker>
#include <QTest>
#include <QTreeWidgetItem>

#include <map>
#include <stdexcept>

using browsertest::BrowserTest;

namespace dispatchtest {

// Stub editors for a set of codes for the lifetime of the object; the editors registered
// before come back afterwards.
class StubEditors
{
public:
    explicit StubEditors(const QList<int> &codes)
    {
        for (int code : codes) {
            m_previous[code] = RegisterObjectEditor(
                code,
                { [this, code](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                     opened << std::make_pair(code, call);
                     owners << owner;
                     if (openFailure)
                         openFailure();
                     return &window;
                 },
                  [this, code](ConnectionWindow *owner, const TObjectCall &call) {
                      scripted << std::make_pair(code, call);
                      owners << owner;
                      if (scriptFailure)
                          scriptFailure();
                      return script;
                  } });
        }
    }
    ~StubEditors()
    {
        for (const auto &[code, editor] : m_previous)
            RegisterObjectEditor(code, editor);
    }

    QList<std::pair<int, TObjectCall>> opened;
    QList<std::pair<int, TObjectCall>> scripted;
    QList<ConnectionWindow *> owners;
    std::function<void()> openFailure;
    std::function<void()> scriptFailure;
    QStringList script { "CREATE THING s.x (", "    \u8868 text", ")", ";" };
    QWidget window;

private:
    std::map<int, TObjectEditor> m_previous;
};

// Every message the test's code shows, answered with OK.
class Messages
{
public:
    Messages()
        : m_responder([this](DialogRequest &request) {
            texts << request.text;
            flags << request.flags;
            return IDOK;
        })
    { }
    QStringList texts;
    QList<int> flags;

private:
    ScopedDialogResponder m_responder;
};

const QList<int> &allCodes()
{
    static const QList<int> codes
        = { 2, 4, 45, 46, 47, 51, 55, 57, 58, 60, 61, 66, 68, 69, 127, 128, 129 };
    return codes;
}

TEST(ObjectDispatchCalls, EachKindKeepsWhatItUses)
{
    const struct
    {
        int code;
        QString name;
        int expectType;
        QString expectName;
        int expectTop;
        qint64 expectOID;
        QString expectTable;
        bool renames;
    } cases[] = {
        { 45, "t", 45, "t", 50, -1, "", true },
        { 47, "v", 47, "v", 50, -1, "", true },
        { 61, "mv", 61, "mv", 50, -1, "", true },
        { 46, "ix", 46, "ix", 0, -1, "", false },
        { 51, "p", 51, "p", 0, 77, "", false },
        { 52, "f", 52, "f", 0, 77, "", false },
        { 128, "agg", 128, "agg", 0, 77, "", false },
        { 53, "pk", 53, "pk", 0, -1, "", false },
        { 55, "ty", 55, "ty", 0, -1, "", false },
        { 57, "tr", 57, "tr", 0, -1, "tbl", false },
        { 66, "c", 66, "c", 0, -1, "tbl", false },
        { 127, "r", 127, "r", 0, -1, "tbl", false },
        { 129, "pol", 129, "pol", 0, -1, "tbl", false },
        { 58, "sq", 58, "sq", 0, -1, "", false },
        // a partition keeps its own name; the dispatch finds its table when it opens it
        { 73, "sales.p2021", 73, "sales.p2021", 0, -1, "", false },
        { 74, "sales_ix.p2021", 74, "sales_ix.p2021", 0, -1, "", false },
    };
    for (const auto &c : cases) {
        const TObjectCall call
            = ObjectCallFor(c.code, "s", c.name, omData, 50, 77, "tbl", "s2", "n2");
        SCOPED_TRACE(c.code);
        EXPECT_EQ(call.ObjectType, c.expectType);
        EXPECT_EQ(call.Schema, "s");
        EXPECT_EQ(call.ObjectName, c.expectName);
        EXPECT_EQ(call.OpenMode, omData);
        EXPECT_EQ(call.DefTopRecord, c.expectTop);
        EXPECT_EQ(call.OID, c.expectOID);
        EXPECT_EQ(call.TableName, c.expectTable);
        EXPECT_EQ(call.NewSchema, c.renames ? "s2" : "");
        EXPECT_EQ(call.NewObjectName, c.renames ? "n2" : "");
    }
}

TEST(ObjectDispatchCalls, SharedEditorsAndKindsWithoutScript)
{
    StubEditors stubs({ 2, 4, 45, 46, 51 });
    EXPECT_EQ(OpenerCode(3), 2);
    EXPECT_EQ(OpenerCode(126), 4);
    EXPECT_EQ(OpenerCode(52), 51);
    EXPECT_EQ(OpenerCode(53), 51);
    EXPECT_EQ(OpenerCode(55), 51);
    EXPECT_EQ(OpenerCode(45), 45);
    EXPECT_EQ(OpenerCode(64), 0);
    EXPECT_EQ(OpenerCode(129), 0);
    EXPECT_EQ(ScriptWriterCode(3), 2);
    EXPECT_EQ(ScriptWriterCode(52), 51);
    EXPECT_EQ(ScriptWriterCode(4), 4);
    // the logon schema and the partitions have no script, whatever is registered
    EXPECT_EQ(ScriptWriterCode(126), 0);
    EXPECT_EQ(ScriptWriterCode(73), 0);
    EXPECT_EQ(ScriptWriterCode(74), 0);
    // a kind's own editor wins over the one it shares
    StubEditors own({ 52 });
    EXPECT_EQ(OpenerCode(52), 52);
}

class ObjectDispatch : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        window = open();
        ASSERT_NE(window, nullptr);
    }

    TfrmObject *window = nullptr;
};

TEST_F(ObjectDispatch, OpenHandsEachKindToItsEditor)
{
    StubEditors stubs(allCodes());
    Messages messages;
    const struct
    {
        int code;
        int editor;
    } cases[] = { { 2, 2 },   { 3, 2 },   { 4, 4 },     { 126, 4 },   { 45, 45 },  { 73, 45 },
                  { 46, 46 }, { 74, 46 }, { 47, 47 },   { 51, 51 },   { 52, 51 },  { 53, 51 },
                  { 55, 55 }, { 57, 57 }, { 58, 58 },   { 60, 60 },   { 61, 61 },  { 66, 66 },
                  { 68, 68 }, { 69, 69 }, { 127, 127 }, { 128, 128 }, { 129, 129 } };
    for (const auto &c : cases) {
        stubs.opened.clear();
        SCOPED_TRACE(c.code);
        QWidget *opened = window->OpenObject(c.code, "s", "a.b", omSource, 10, 99, "tbl");
        EXPECT_EQ(opened, &stubs.window);
        ASSERT_EQ(stubs.opened.size(), 1);
        EXPECT_EQ(stubs.opened.at(0).first, c.editor);
        EXPECT_EQ(stubs.opened.at(0).second.OpenMode, omSource);
        EXPECT_EQ(stubs.owners.last(), static_cast<ConnectionWindow *>(window));
    }
    // a partition "table.partition" opens its table (or index) without a row limit
    stubs.opened.clear();
    window->OpenObject(73, "sales", "orders.p2021", omData, 500);
    window->OpenObject(74, "sales", "orders_ix.p2021");
    ASSERT_EQ(stubs.opened.size(), 2);
    EXPECT_EQ(stubs.opened.at(0).second.ObjectType, 45);
    EXPECT_EQ(stubs.opened.at(0).second.ObjectName, "orders");
    EXPECT_EQ(stubs.opened.at(0).second.DefTopRecord, 0);
    EXPECT_EQ(stubs.opened.at(0).second.OpenMode, omData);
    EXPECT_EQ(stubs.opened.at(1).second.ObjectType, 46);
    EXPECT_EQ(stubs.opened.at(1).second.ObjectName, "orders_ix");
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

TEST_F(ObjectDispatch, OpenFailuresAreReportedExceptAlreadyOpen)
{
    StubEditors stubs({ 45 });
    Messages messages;

    // a window for that object was open: brought forward without a word
    stubs.openFailure = [] { throw SilentAbort(); };
    EXPECT_EQ(window->OpenObject(45, "public", "t"), nullptr);
    EXPECT_TRUE(messages.texts.isEmpty());

    // the editor could not read the catalog: the user is told, with the object and the reason
    stubs.openFailure = [this] { window->dbsMain()->exec("SELECT * FROM dsp_no_such_table"); };
    EXPECT_EQ(window->OpenObject(45, "public", "t"), nullptr);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.at(0).contains("TABLE public.t"));
    EXPECT_TRUE(messages.texts.at(0).contains("dsp_no_such_table"));
    EXPECT_EQ(messages.flags.at(0) & 0xF0, MB_ICONERROR);

    stubs.openFailure = [] { throw std::runtime_error("broken editor"); };
    EXPECT_EQ(window->OpenObject(45, "public", "t"), nullptr);
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts.at(1).contains("broken editor"));

    // no editor for the kind (a database link), and a partition name without its table
    messages.texts.clear();
    stubs.opened.clear();
    EXPECT_EQ(window->OpenObject(64, "public", "lnk"), nullptr);
    EXPECT_EQ(window->OpenObject(73, "public", "p2021"), nullptr);
    EXPECT_TRUE(stubs.opened.isEmpty());
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts.at(0).contains("DATABASE LINK public.lnk"));
    EXPECT_TRUE(messages.texts.at(1).contains("p2021"));
}

TEST_F(ObjectDispatch, ScriptIntoBufferIsUtf16AndAppended)
{
    StubEditors stubs({ 45 });
    Messages messages;
    QByteArray bytes("before");
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly | QIODevice::Append));
    EXPECT_TRUE(window->OutputScript(45, "s", "x", buffer, "s2", "y"));
    EXPECT_TRUE(messages.texts.isEmpty());
    const QString text = stubs.script.join("\r\n") + "\r\n";
    EXPECT_EQ(bytes, QByteArray("before") + TqvEncoding(TqvEncoding::Utf16LE).encode(text));
    // no byte-order mark in front of the script
    EXPECT_NE(bytes.mid(6, 2), QByteArray("\xFF\xFE", 2));
    ASSERT_EQ(stubs.scripted.size(), 1);
    EXPECT_EQ(stubs.scripted.at(0).second.NewSchema, "s2");
    EXPECT_EQ(stubs.scripted.at(0).second.NewObjectName, "y");
}

TEST_F(ObjectDispatch, ScriptIntoFileFollowsTheEncodingOption)
{
    StubEditors stubs({ 46 });
    Messages messages;
    const QString text = stubs.script.join("\r\n") + "\r\n";
    const struct
    {
        int option;
        TqvEncoding::Kind kind;
    } cases[] = { { 0, TqvEncoding::ShiftJis },
                  { 2, TqvEncoding::Utf8 },
                  { 3, TqvEncoding::Utf16LE },
                  { 4, TqvEncoding::Utf16BE } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.option);
        AppOption.Encoding = c.option;
        QFile file(testsupport::testTempDir() + "/dsp_script.sql");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        EXPECT_TRUE(window->OutputScript(46, "s", "ix", file));
        EXPECT_TRUE(window->OutputScript(46, "s", "ix", file));
        file.close();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray once = TqvEncoding(c.kind).encode(text);
        EXPECT_EQ(file.readAll(), once + once);
    }
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ObjectDispatch, FailedScriptLeavesTheStreamAsItWas)
{
    StubEditors stubs({ 45, 4 });
    Messages messages;
    QByteArray bytes("kept");
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly | QIODevice::Append));

    stubs.scriptFailure = [this] { window->dbsMain()->exec("SELECT * FROM dsp_gone"); };
    EXPECT_FALSE(window->OutputScript(45, "public", "gone", buffer));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.at(0).contains("TABLE public.gone"));
    EXPECT_TRUE(messages.texts.at(0).contains("dsp_gone"));
    EXPECT_EQ(bytes, "kept");

    // a writer that gave up silently has told the user itself
    stubs.scriptFailure = [] { throw SilentAbort(); };
    EXPECT_FALSE(window->OutputScript(45, "public", "gone", buffer));
    EXPECT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(bytes, "kept");

    // kinds without a script: said so, nothing written
    stubs.scriptFailure = nullptr;
    EXPECT_FALSE(window->OutputScript(126, "public", "public", buffer));
    EXPECT_FALSE(window->OutputScript(73, "public", "t.p1", buffer));
    EXPECT_FALSE(window->OutputScript(64, "public", "lnk", buffer));
    EXPECT_EQ(messages.texts.size(), 4);
    EXPECT_EQ(bytes, "kept");
    // the schema (4) itself is written
    EXPECT_TRUE(window->OutputScript(4, "", "public", buffer));
    EXPECT_GT(bytes.size(), 4);

    // a device that takes nothing: reported, nothing appended
    QByteArray fixed("fixed");
    QBuffer readOnly(&fixed);
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    EXPECT_FALSE(window->OutputScript(45, "public", "t", readOnly));
    EXPECT_EQ(messages.texts.size(), 5);
    EXPECT_EQ(fixed, "fixed");

    // a writer that came back with nothing has lost the script: no empty script is written
    const QByteArray before = bytes;
    stubs.script.clear();
    EXPECT_FALSE(window->OutputScript(45, "public", "t", buffer));
    EXPECT_EQ(messages.texts.size(), 6);
    EXPECT_EQ(bytes, before);

    // a disk that is full is found out when the file's buffer goes to it
    stubs.script = { "CREATE TABLE t (id integer)", ";" };
    QFile full("/dev/full");
    if (full.open(QIODevice::WriteOnly)) {
        EXPECT_FALSE(window->OutputScript(45, "public", "t", full));
        EXPECT_EQ(messages.texts.size(), 7);
    }
}

class ObjectListOpen : public ObjectDispatch
{
protected:
    // A row as the list engine fills it: caption, type code, schema, OID, table.
    QTreeWidgetItem *addRow(const QString &name, int code, const QString &schema,
                            const QString &oid = QString(), const QString &table = QString())
    {
        auto *row = new QTreeWidgetItem(window->lstObject);
        row->setText(0, name);
        row->setData(0, TreeImageRole, code);
        row->setText(1, schema);
        row->setText(2, GetObjectTypeName(code));
        row->setText(9, oid);
        row->setText(12, table);
        return row;
    }
    void doubleClick(QTreeWidgetItem *row)
    {
        QTreeWidget *list = window->lstObject;
        const QPoint at = list->visualItemRect(row).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(ObjectListOpen, DoubleClickOpensTheRowsObject)
{
    StubEditors stubs(allCodes());
    Messages messages;
    window->lstObject->setColumnCount(3);
    window->lstObject->setHeaderHidden(false);
    addRow("orders", 45, "dsp_a");
    QTreeWidgetItem *func = addRow("calc", 52, "dsp_a", "16384");
    QTreeWidgetItem *trigger = addRow("before_x", 57, "dsp_b", QString(), "orders");
    window->lstObject->resize(400, 300);
    AppOption.OpenMode = omData;

    doubleClick(func);
    ASSERT_EQ(stubs.opened.size(), 1);
    EXPECT_EQ(stubs.opened.at(0).first, 51);
    TObjectCall call = stubs.opened.at(0).second;
    EXPECT_EQ(call.ObjectType, 52);
    EXPECT_EQ(call.Schema, "dsp_a");
    EXPECT_EQ(call.ObjectName, "calc");
    EXPECT_EQ(call.OID, 16384);
    EXPECT_EQ(call.OpenMode, omData);
    EXPECT_FALSE(func->isSelected());

    doubleClick(trigger);
    ASSERT_EQ(stubs.opened.size(), 2);
    call = stubs.opened.at(1).second;
    EXPECT_EQ(call.ObjectType, 57);
    EXPECT_EQ(call.Schema, "dsp_b");
    EXPECT_EQ(call.TableName, "orders");
    EXPECT_EQ(call.OID, -1);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ObjectListOpen, EnterOpensEverySelectedRowInListOrder)
{
    StubEditors stubs(allCodes());
    Messages messages;
    QTreeWidgetItem *table = addRow("orders", 45, "dsp_a");
    QTreeWidgetItem *skipped = addRow("orders_pkey", 46, "dsp_a");
    QTreeWidgetItem *agg = addRow("total", 128, "dsp_a", "20001");
    QTreeWidgetItem *link = addRow("remote", 64, "dsp_a");
    QTreeWidgetItem *rule = addRow("r1", 127, "dsp_a", "5", "orders");
    AppOption.OpenMode = omDefine;
    agg->setSelected(true);
    rule->setSelected(true);
    table->setSelected(true);
    link->setSelected(true);
    window->lstObject->setFocus();

    QTest::keyClick(window->lstObject, Qt::Key_Return);
    ASSERT_EQ(stubs.opened.size(), 3);
    EXPECT_EQ(stubs.opened.at(0).second.ObjectName, "orders");
    EXPECT_EQ(stubs.opened.at(1).second.ObjectName, "total");
    EXPECT_EQ(stubs.opened.at(1).second.OID, 20001);
    EXPECT_EQ(stubs.opened.at(2).second.ObjectName, "r1");
    EXPECT_EQ(stubs.opened.at(2).second.TableName, "orders");
    // a rule's object-id column means nothing to it
    EXPECT_EQ(stubs.opened.at(2).second.OID, -1);
    // the database link has no editor: said once, and the walk went on past it
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts.at(0).contains("remote"));
    for (QTreeWidgetItem *row : { table, skipped, agg, link, rule })
        EXPECT_FALSE(row->isSelected());
    EXPECT_GE(main.defMessages, 1);

    // nothing selected: nothing opened
    QTest::keyClick(window->lstObject, Qt::Key_Enter);
    EXPECT_EQ(stubs.opened.size(), 3);
}

// The rows as the list engine fills them open their own objects.
class ObjectListEngineOpen : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        for (bool *on : { &AppOption.ShowTable, &AppOption.ShowTrigger, &AppOption.ShowAgrg,
                          &AppOption.ShowFunc, &AppOption.ShowConst, &AppOption.ShowRule })
            *on = true;
        AppOption.TreeSort = 0;
        AppOption.ShowLevel0 = true;
        AppOption.ShowLevel1 = true;
        AppOption.TreeData = false;
        AppOption.TempDir = testsupport::testTempDir() + "/dispatch-" + db.name() + "/";
        window = open("lst");
        ASSERT_NE(window, nullptr);
    }
    // The mixed list of schema node schema.
    void showSchema(const QString &schema)
    {
        QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        QTreeWidgetItem *node = nullptr;
        for (int i = 0; i < root->childCount() && !node; ++i)
            if (root->child(i)->text(0) == schema)
                node = root->child(i);
        ASSERT_NE(node, nullptr);
        {
            const QSignalBlocker block(window->lstTree);
            window->lstTree->setCurrentItem(node);
        }
        window->ShowObject(false);
    }
    QTreeWidgetItem *rowOf(const QString &name, const QString &kind)
    {
        for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = window->lstObject->topLevelItem(i);
            if (row->text(0) == name && ObjectListSubItem(row, 1) == kind)
                return row;
        }
        ADD_FAILURE() << "no row " << name.toStdString();
        return nullptr;
    }

    TfrmObject *window = nullptr;
};

TEST_F(ObjectListEngineOpen, ListedRowsOpenTheirObjects)
{
    StubEditors stubs(allCodes());
    Messages messages;
    showSchema("lst");
    const struct
    {
        QString name;
        QString kind;
        int code;
        QString oidQuery;
        QString table;
    } cases[] = {
        { "event", "TABLE", 45, "", "" },
        { "tally", "AGGREGATE", 128, "SELECT 'lst.tally()'::regprocedure::oid", "" },
        { "before_x", "TRIGGER", 57, "", "event" },
        { "event_keep", "RULE", 127, "", "event_ref" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QTreeWidgetItem *row = rowOf(c.name, c.kind);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(ObjectRowCode(row), c.code);
        window->lstObject->clearSelection();
        row->setSelected(true);
        stubs.opened.clear();
        QTest::keyClick(window->lstObject, Qt::Key_Return);
        ASSERT_EQ(stubs.opened.size(), 1);
        const TObjectCall &call = stubs.opened.at(0).second;
        EXPECT_EQ(call.ObjectType, c.code);
        EXPECT_EQ(call.Schema, "lst");
        EXPECT_EQ(call.ObjectName, c.name);
        EXPECT_EQ(call.TableName, c.table);
        EXPECT_EQ(call.OID, c.oidQuery.isEmpty() ? -1 : query(c.oidQuery).toLongLong());
    }
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
}

} // namespace dispatchtest
