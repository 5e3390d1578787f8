// The object list's commands: the rename and drop statements as text and against the server
// (every form, the quoting option, a trigger whose table name another schema shares, savepoints
// inside the user's transaction, the retry passes and the closing report), the enabling rules of
// the object menu and the tree menu, the selection walk of the open, run and workspace commands
// with recording registries, printing the selection, the list's drag payload and its context
// menu.
#include "browsertest.h"
#include "uitest.h"

#include "browser/fobjectcmd.h"
#include "core/qvcancel.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvtoolwindows.h"
#include "core/qvworkspace.h"
#include "platform/pg/connection.h"
#include "ui/fpreview.h"
#include "ui/fprint.h"
#include "ui/qvcomctrls.h"
#include "ui/qvprinter.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>

#include <map>
#include <memory>
#include <stdexcept>

using browsertest::BrowserTest;

namespace objcmdtest {

// Every question of the test: a check message is answered by checks (by caption) and answer,
// an input query by input and inputChecks; every text is kept.
class Dialogs
{
public:
    Dialogs()
        : m_responder([this](DialogRequest &request) {
            texts << request.text;
            kinds << request.kind;
            if (request.kind == DialogKind::CheckMessage) {
                checkCaptions.clear();
                for (DialogCheck &check : request.checks) {
                    checkCaptions << check.caption;
                    if (checks.contains(check.caption))
                        check.checked = checks.value(check.caption);
                }
                return answer;
            }
            if (request.kind == DialogKind::InputQuery) {
                if (!inputAccepted)
                    return IDCANCEL;
                request.value = input;
                for (DialogCheck &check : request.checks)
                    check.checked = inputChecked;
                return IDOK;
            }
            if (request.kind == DialogKind::SaveFile) {
                request.value = savePath;
                return IDOK;
            }
            return IDOK;
        })
    { }
    QStringList texts;
    QList<DialogKind> kinds;
    QStringList checkCaptions;
    QHash<QString, bool> checks;
    int answer = IDYES;
    bool inputAccepted = true;
    QString input;
    bool inputChecked = false;
    QString savePath;

private:
    ScopedDialogResponder m_responder;
};

// Editors for some kinds that record what they are asked to open and write; the editors
// registered before come back afterwards.
class RecordingEditors
{
public:
    explicit RecordingEditors(const QList<int> &codes)
    {
        for (int code : codes) {
            m_previous[code] = RegisterObjectEditor(
                code,
                { [this](ConnectionWindow *, const TObjectCall &call) -> QWidget * {
                     opened << call;
                     if (onOpen)
                         onOpen(call);
                     return &window;
                 },
                  [this](ConnectionWindow *, const TObjectCall &call) {
                      scripted << call;
                      if (call.ObjectName == failScript)
                          throw std::runtime_error("cannot read it");
                      return QStringList { QStringLiteral("CREATE %1 %2.%3 ()")
                                               .arg(GetObjectTypeName(call.ObjectType), call.Schema,
                                                    call.ObjectName),
                                           QStringLiteral(";") };
                  } });
        }
    }
    ~RecordingEditors()
    {
        for (const auto &[code, editor] : m_previous)
            RegisterObjectEditor(code, editor);
    }
    QList<TObjectCall> opened;
    QList<TObjectCall> scripted;
    std::function<void(const TObjectCall &)> onOpen;
    QString failScript;
    QWidget window;

private:
    std::map<int, TObjectEditor> m_previous;
};

// A tool window that records how it was opened, registered for the lifetime of the object.
class RecordingToolWindow
{
public:
    explicit RecordingToolWindow(const char *name)
        : m_name(QLatin1String(name))
    {
        m_previous = RegisterToolWindow(
            m_name, [this](ConnectionWindow *current, const TToolWindowArgs &args) {
                calls << args;
                owners << current;
                return &window;
            });
    }
    ~RecordingToolWindow() { RegisterToolWindow(m_name, m_previous); }
    QList<TToolWindowArgs> calls;
    QList<ConnectionWindow *> owners;
    QWidget window;

private:
    QString m_name;
    TToolWindowOpener m_previous;
};

class ObjectCommands : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        AppOption.TreeSort = 0;
        AppOption.ShowLevel0 = true;
        AppOption.ShowLevel1 = true;
        AppOption.TreeData = false;
        AppOption.ShowProc = true;
        AppOption.UseLowerName = true;
        AppOption.DelErr = false;
        m_workspaces = WorkSpaces;
        WorkSpaces.clear();
    }
    void TearDown() override
    {
        WorkSpaces = m_workspaces;
        BrowserTest::TearDown();
    }

    // The mixed list of one schema node, as a click on the node shows it.
    static void showSchema(TfrmObject *window, const QString &schema)
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
    // The row of name and kind keyword; with args, the routine whose DROP arguments they are.
    static QTreeWidgetItem *rowOf(TfrmObject *window, const QString &name, const QString &kind,
                                  const QString &args = QString(), const QString &table = {})
    {
        for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = window->lstObject->topLevelItem(i);
            if (row->text(0) == name && ObjectListSubItem(row, 1) == kind
                && (args.isNull() || ObjectListSubItem(row, 12) == args)
                && (table.isEmpty() || ObjectListSubItem(row, 11) == table))
                return row;
        }
        return nullptr;
    }
    static void select(TfrmObject *window, const QList<QTreeWidgetItem *> &rows)
    {
        window->lstObject->clearSelection();
        for (QTreeWidgetItem *row : rows)
            row->setSelected(true);
    }
    static QAction *action(TfrmObject *window, const char *name)
    {
        return window->findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    }
    // Renames row as the user does: F2 in the list, the new text typed, Enter.
    static void renameByKeys(TfrmObject *window, QTreeWidgetItem *row, const QString &text)
    {
        select(window, { row });
        QTest::keyClick(window->lstObject, Qt::Key_F2);
        QLineEdit *editor = nullptr;
        for (QLineEdit *edit : window->lstObject->findChildren<QLineEdit *>())
            if (edit->isVisible())
                editor = edit;
        ASSERT_NE(editor, nullptr) << "no editor for " << row->text(0).toStdString();
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // the editor commits and closes on a queued call
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The texts the statement gives, sorted, joined with ",".
    std::string names(const QString &sql) const
    {
        return query(QStringLiteral("SELECT string_agg(x, ',' ORDER BY x COLLATE \"C\") FROM (")
                     + sql + QStringLiteral(") AS q(x)"))
            .toStdString();
    }

private:
    QList<TqvWorkSpace> m_workspaces;
};

// --- statements as text

TEST(ObjectCommandText, RenameFormsWithAndWithoutTheQuotingOption)
{
    const struct
    {
        int code;
        QString name;
        QString table;
        QString args;
        int dbVer;
        QString expectOn;
        QString expectOff;
    } cases[] = {
        { 45, "emp", "", "", 150000, R"(ALTER TABLE "s"."emp" RENAME TO "Emp")",
          "ALTER TABLE s.emp RENAME TO emp2" },
        { 46, "ix", "", "", 150000, R"(ALTER INDEX  "s"."ix" RENAME TO "Emp")",
          "ALTER INDEX  s.ix RENAME TO emp2" },
        { 47, "v", "", "", 150000, R"(ALTER VIEW "s"."v" RENAME TO "Emp")",
          "ALTER VIEW s.v RENAME TO emp2" },
        { 51, "p", "", "int4", 100000, R"(ALTER PROCEDURE "s"."p" RENAME TO "Emp")",
          "ALTER PROCEDURE s.p RENAME TO emp2" },
        { 51, "p", "", "int4", 110000, R"(ALTER PROCEDURE "s"."p" (int4)  RENAME TO "Emp")",
          "ALTER PROCEDURE s.p (int4)  RENAME TO emp2" },
        { 52, "f", "", "int4", 150000, R"(ALTER FUNCTION "s"."f" (int4)  RENAME TO "Emp")",
          "ALTER FUNCTION s.f (int4)  RENAME TO emp2" },
        { 55, "ty", "", "", 150000, R"(ALTER TYPE "s"."ty" RENAME TO "Emp")",
          "ALTER TYPE s.ty RENAME TO emp2" },
        // the trigger's table with its schema
        { 57, "tr", "t", "", 150000, R"(ALTER TRIGGER "tr" ON "s"."t" RENAME TO "Emp")",
          "ALTER TRIGGER tr ON s.t RENAME TO emp2" },
        { 58, "sq", "", "", 150000, R"(ALTER SEQUENCE "s"."sq" RENAME TO "Emp")",
          "ALTER SEQUENCE s.sq RENAME TO emp2" },
        { 61, "mv", "", "", 150000, R"(ALTER MATERIALIZED VIEW "s"."mv" RENAME TO "Emp")",
          "ALTER MATERIALIZED VIEW s.mv RENAME TO emp2" },
        { 66, "c", "t", "", 150000, R"(ALTER TABLE "s"."t" RENAME CONSTRAINT "c" TO "Emp")",
          "ALTER TABLE s.t RENAME CONSTRAINT c TO emp2" },
        { 128, "ag", "", "numeric", 150000,
          R"(ALTER AGGREGATE "s"."ag" (numeric)  RENAME TO "Emp")",
          "ALTER AGGREGATE s.ag (numeric)  RENAME TO emp2" },
        { 53, "pk", "", "", 150000, "", "" },
        { 127, "r", "t", "", 150000, "", "" },
    };
    const bool saved = AppOption.UseLowerName;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        const TObjectRow row { c.code, "s", c.name, c.table, c.args };
        AppOption.UseLowerName = true;
        EXPECT_EQ(RenameObjectSQL(row, RenameTypedName("Emp", true), c.dbVer), c.expectOn);
        AppOption.UseLowerName = false;
        EXPECT_EQ(RenameObjectSQL(row, RenameTypedName("EMP2", false), c.dbVer), c.expectOff);
    }
    AppOption.UseLowerName = false;
    // the column "テーブル名" names a constraint's table when the list has it
    EXPECT_EQ(RenameObjectSQL({ 66, "s", "c", "t", "" }, "d", 150000, "t2"),
              "ALTER TABLE s.t2 RENAME CONSTRAINT c TO d");
    AppOption.UseLowerName = saved;
}

TEST(ObjectCommandText, RenameIsOfferedForTheLogonSchemasKindsOnly)
{
    const struct
    {
        int code;
        QString schema;
        int dbVer;
        bool allowed;
    } cases[] = {
        { 45, "inv", 150000, true },  { 45, "inv2", 150000, false }, { 45, "Inv", 150000, false },
        { 46, "inv", 150000, true },  { 47, "inv", 150000, true },   { 51, "inv", 150000, true },
        { 52, "inv", 150000, true },  { 55, "inv", 150000, true },   { 57, "inv", 150000, true },
        { 58, "inv", 150000, true },  { 61, "inv", 150000, true },   { 128, "inv", 150000, true },
        { 66, "inv", 90200, true },   { 66, "inv", 90100, false },   { 53, "inv", 150000, false },
        { 60, "inv", 150000, false }, { 127, "inv", 150000, false }, { 73, "inv", 150000, false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(RenameAllowed(c.code, c.schema, "inv", c.dbVer), c.allowed)
            << c.schema.toStdString();
    }
    EXPECT_EQ(RenameTypedName("Emp", true), "Emp");
    EXPECT_EQ(RenameTypedName("Emp", false), "emp");
}

TEST(ObjectCommandText, DropFormsAndWhereCascadeGoes)
{
    const struct
    {
        int code;
        int dbVer;
        QString expect;
        bool cascades;
    } cases[] = {
        { 45, 150000, "DROP TABLE s.n", true },
        { 46, 150000, "DROP INDEX s.n", false },
        { 47, 150000, "DROP VIEW s.n", false },
        { 51, 100000, "DROP PROCEDURE s.n", true },
        { 51, 110000, "DROP PROCEDURE s.n(integer,text)", true },
        { 52, 150000, "DROP FUNCTION s.n(integer,text)", true },
        { 53, 150000, "DROP PACKAGE s.n", true },
        { 55, 150000, "DROP TYPE s.n", true },
        { 57, 150000, "DROP TRIGGER n ON s.t", false },
        { 58, 150000, "DROP SEQUENCE s.n", false },
        { 60, 150000, "DROP SYNONYM s.n", false },
        { 61, 150000, "DROP MATERIALIZED VIEW s.n", true },
        { 66, 150000, "ALTER TABLE s.t DROP CONSTRAINT n", false },
        { 127, 150000, "DROP RULE n ON s.t", false },
        { 128, 150000, "DROP AGGREGATE s.n(integer,text)", true },
        { 73, 150000, "", false },
    };
    const bool saved = AppOption.UseLowerName;
    AppOption.UseLowerName = false;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        const TObjectRow row { c.code, "s", "n", "t", "integer,text" };
        EXPECT_EQ(DropObjectSQL(row, c.dbVer, false), c.expect);
        EXPECT_EQ(DropObjectSQL(row, c.dbVer, true), c.cascades ? c.expect + " CASCADE" : c.expect);
        EXPECT_EQ(DropOffersCascade(c.code), c.code == 45 || c.code == 55 || c.code == 61);
    }
    AppOption.UseLowerName = true;
    EXPECT_EQ(DropObjectSQL({ 57, "s", "n", "t", "" }, 150000, true),
              R"(DROP TRIGGER "n" ON "s"."t")");
    AppOption.UseLowerName = saved;
}

// --- enabling rules

TEST(ObjectMenuRules, ListCommandsFollowTheFirstRow)
{
    const struct
    {
        int selected;
        int first;
        bool postgresPlus;
        bool copied;
        int reports;
        int commands;
        QStringList on;
        QStringList off;
    } cases[] = {
        { 0,
          0,
          false,
          false,
          0,
          0,
          {},
          { "actOpen", "actDelete", "actRename", "actExec", "actCross", "actPrint",
            "actAddWorkSpace", "actComment", "actIndexFragment", "actPaste", "mnuCommand" } },
        { 0,
          0,
          true,
          true,
          1,
          1,
          { "actPaste", "mnuCommand" },
          { "actSynonym", "mnuReport", "actDelete" } },
        { 1,
          53,
          false,
          false,
          0,
          0,
          { "actExec", "actComment", "actCross", "actDelete" },
          { "actRename", "actIndexFragment", "actSynonym" } },
        { 1,
          46,
          false,
          false,
          1,
          0,
          { "actIndexFragment", "actRename", "mnuReport" },
          { "actCross", "actExec", "actComment", "mnuCommand" } },
        { 3,
          47,
          false,
          false,
          0,
          0,
          { "actCross", "actRename", "actOpenDataTop" },
          { "actExec", "actIndexFragment" } },
        { 1, 60, true, false, 0, 0, { "actSynonym", "actGrant" }, { "actRename", "actCross" } },
        { 1, 127, false, false, 0, 0, { "actCross", "actScript" }, { "actRename" } },
        { 1, 66, false, false, 0, 0, { "actRename", "actMatrix" }, { "actCross" } },
        { 2, 52, false, false, 0, 0, { "actExec", "actComment", "actAnalyze" }, {} },
        { 1, 54, false, false, 0, 0, { "actComment" }, { "actExec" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        TObjectMenuInput input;
        input.selected = c.selected;
        input.firstCode = c.first;
        input.postgresPlus = c.postgresPlus;
        input.copyListFilled = c.copied;
        input.reportItems = c.reports;
        input.commandItems = c.commands;
        const TObjectMenuState state = ObjectMenuState(input);
        for (const QString &name : c.on)
            EXPECT_TRUE(state.enabled.value(name)) << name.toStdString();
        for (const QString &name : c.off)
            EXPECT_FALSE(state.enabled.value(name)) << name.toStdString();
    }
}

TEST(ObjectMenuRules, NewEntriesByTreeOrderAndLevel)
{
    const struct
    {
        int treeSort;
        int level;
        int image;
        bool actNew;
    } cases[] = {
        { 0, -1, 0, false }, { 0, 0, 1, false }, { 0, 1, 126, false }, { 0, 2, 45, true },
        { 1, 0, 1, false },  { 1, 1, 52, true }, { 1, 2, 4, true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.treeSort << "/" << c.level);
        TObjectMenuInput input;
        input.treeSort = c.treeSort;
        input.nodeLevel = c.level;
        input.nodeImage = c.image;
        const TObjectMenuState state = ObjectMenuState(input);
        EXPECT_EQ(state.actNewVisible, c.actNew);
        EXPECT_EQ(state.newSubmenuVisible, !c.actNew);
        EXPECT_EQ(state.actNewImage, c.actNew ? c.image : -1);
    }
}

TEST(ObjectMenuRules, TreeMenuByNode)
{
    const QStringList server { "actUser", "actStorage",  "actSession",
                               "actLock", "actDatabase", "actPerform" };
    // the root of an edition server: the server entries, backup and the links
    TTreeMenuState state = TreeMenuState(0, 1, true);
    for (const QString &name : server)
        EXPECT_TRUE(state.visible.value(name)) << name.toStdString();
    EXPECT_TRUE(state.visible.value("actDBExport"));
    EXPECT_TRUE(state.visible.value("actDBLink"));
    EXPECT_FALSE(state.visible.value("actLogon"));
    EXPECT_FALSE(state.visible.value("actNew"));
    EXPECT_FALSE(TreeMenuState(0, 1, false).visible.value("actDBLink"));
    // a schema node: logon, a new schema, backup
    for (int image : { 4, 126 }) {
        state = TreeMenuState(1, image, true);
        EXPECT_TRUE(state.visible.value("actLogon"));
        EXPECT_TRUE(state.visible.value("mnuTB1"));
        EXPECT_TRUE(state.visible.value("actNew"));
        EXPECT_EQ(state.actNewImage, image);
        EXPECT_TRUE(state.visible.value("actDBExport"));
        for (const QString &name : server)
            EXPECT_FALSE(state.visible.value(name)) << name.toStdString();
    }
    // a kind node: a new object of the kind only
    state = TreeMenuState(1, 57, false);
    EXPECT_TRUE(state.visible.value("actNew"));
    EXPECT_EQ(state.actNewImage, 57);
    EXPECT_FALSE(state.visible.value("actDBExport"));
    EXPECT_FALSE(state.visible.value("actLogon"));
    // nothing selected: nothing
    state = TreeMenuState(-1, 0, true);
    for (auto it = state.visible.cbegin(); it != state.visible.cend(); ++it)
        EXPECT_FALSE(it.value()) << it.key().toStdString();
}

} // namespace objcmdtest

namespace objcmdtest {

// --- in-place rename against the server

TEST_F(ObjectCommands, RenameEveryFormChangesExactlyTheNamedObject)
{
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    const QString before
        = query("SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                " WHERE n.nspname <> 'inv'");
    const struct
    {
        const char *name;
        const char *kind;
        const char *args;
        const char *table;
        const char *check; // the names of the kind in inv (%1 the name looked for)
    } cases[] = {
        { "warehouse", "TABLE", nullptr, "",
          "SELECT relname FROM pg_class WHERE relnamespace = 'inv'::regnamespace"
          " AND relkind = 'r' AND relname = '%1'" },
        { "item_name_idx", "INDEX", nullptr, "",
          "SELECT relname FROM pg_class WHERE relnamespace = 'inv'::regnamespace"
          " AND relname = '%1'" },
        { "item_view", "VIEW", nullptr, "",
          "SELECT viewname FROM pg_views WHERE schemaname = 'inv' AND viewname = '%1'" },
        { "restock", "PROCEDURE", R"("int4")", "",
          "SELECT proname || '(' || pronargs || ')' FROM pg_proc"
          " WHERE pronamespace = 'inv'::regnamespace AND proname IN ('%1', 'restock')" },
        { "price_of", "FUNCTION", R"("int4")", "",
          "SELECT proname || '(' || pronargs || ')' FROM pg_proc"
          " WHERE pronamespace = 'inv'::regnamespace AND proname IN ('%1', 'price_of')" },
        { "dimension", "TYPE", nullptr, "",
          "SELECT typname FROM pg_type WHERE typnamespace = 'inv'::regnamespace"
          " AND typname = '%1'" },
        { "item_touch", "TRIGGER", nullptr, "item",
          "SELECT tgrelid::regclass::text || ':' || tgname FROM pg_trigger WHERE tgrelid IN"
          " ('inv.item'::regclass, 'inv2.item'::regclass) AND tgname IN ('%1', 'item_touch')" },
        { "item_no_seq", "SEQUENCE", nullptr, "",
          "SELECT relname FROM pg_class WHERE relnamespace = 'inv'::regnamespace"
          " AND relkind = 'S' AND relname = '%1'" },
        { "stock_mv", "MATERIALIZED VIEW", nullptr, "",
          "SELECT matviewname FROM pg_matviews WHERE schemaname = 'inv'"
          " AND matviewname = '%1'" },
        { "warehouse_code_check", "CONSTRAINT", nullptr, "",
          "SELECT conname FROM pg_constraint WHERE connamespace = 'inv'::regnamespace"
          " AND conname = '%1'" },
        { "product", "AGGREGATE", nullptr, "",
          "SELECT proname FROM pg_proc WHERE pronamespace = 'inv'::regnamespace"
          " AND proname = '%1'" },
    };
    // The option on: the typed text keeps its letters and is quoted; off: it is lower-cased.
    const struct
    {
        bool useLower;
        QString suffix;
        QString typedSuffix;
    } rounds[] = { { true, "_Up", "_Up" }, { false, "_low", "_LOW" } };
    QString previousSuffix;
    for (const auto &round : rounds) {
        AppOption.UseLowerName = round.useLower;
        for (const auto &c : cases) {
            const QString old = QString::fromLatin1(c.name) + previousSuffix;
            SCOPED_TRACE(old.toStdString());
            // the list as it is now (a renamed table changes its constraint's row); argument
            // types are quoted as the option says
            showSchema(window, "inv");
            const QString args = !c.args ? QString()
                : round.useLower         ? QString::fromLatin1(c.args)
                                         : "int4";
            QTreeWidgetItem *row = rowOf(window, old, c.kind, args, QString::fromLatin1(c.table));
            ASSERT_NE(row, nullptr);
            const QString typed = QString::fromLatin1(c.name) + round.typedSuffix;
            const QString renamed = QString::fromLatin1(c.name) + round.suffix;
            renameByKeys(window, row, typed);
            EXPECT_EQ(row->text(0), renamed);
            const std::string found = names(QString::fromLatin1(c.check).arg(renamed));
            if (QLatin1String(c.kind) == QLatin1String("PROCEDURE")
                || QLatin1String(c.kind) == QLatin1String("FUNCTION")) {
                // only the overload with one argument has the new name
                EXPECT_EQ(found, QString(c.name + QString("(2),") + renamed + "(1)").toStdString());
            } else if (QLatin1String(c.kind) == QLatin1String("TRIGGER")) {
                // inv's table's trigger, not inv2's
                EXPECT_EQ(found,
                          QString("inv.item:" + renamed + ",inv2.item:item_touch").toStdString());
            } else {
                EXPECT_EQ(found, renamed.toStdString());
            }
        }
        previousSuffix = round.suffix;
    }
    EXPECT_TRUE(dialogs.texts.isEmpty()) << dialogs.texts.join('\n').toStdString();
    // nothing of another schema changed
    EXPECT_EQ(query("SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                    " WHERE n.nspname <> 'inv'"),
              before);
}

TEST_F(ObjectCommands, AFailedRenameGivesTheNameBackAndShowsTheError)
{
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *row = rowOf(window, "warehouse", "TABLE");
    ASSERT_NE(row, nullptr);
    renameByKeys(window, row, "item");
    EXPECT_EQ(row->text(0), "warehouse");
    ASSERT_EQ(dialogs.texts.size(), 1);
    EXPECT_TRUE(dialogs.texts.at(0).contains("item")) << dialogs.texts.at(0).toStdString();
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE oid = 'inv.warehouse'::regclass"), "1");
    // the same text sends nothing; another schema's row does not open the editor
    renameByKeys(window, row, "warehouse");
    EXPECT_EQ(dialogs.texts.size(), 1);
    showSchema(window, "inv2");
    QTreeWidgetItem *other = rowOf(window, "item", "TABLE");
    ASSERT_NE(other, nullptr);
    select(window, { other });
    EXPECT_FALSE(window->lstObject->EditCaption(other));
}

TEST_F(ObjectCommands, ARenamedTriggerIsTheLogonSchemasWhateverTheSearchPath)
{
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    // a SQL window on the same session put the other schema first
    window->ExecuteSQL("SET search_path TO inv2, inv");
    QTreeWidgetItem *row = rowOf(window, "item_touch", "TRIGGER", QString(), "item");
    ASSERT_NE(row, nullptr);
    renameByKeys(window, row, "item_touch2");
    EXPECT_TRUE(dialogs.texts.isEmpty()) << dialogs.texts.join('\n').toStdString();
    EXPECT_EQ(names("SELECT tgrelid::regclass::text || ':' || tgname FROM pg_trigger WHERE tgrelid"
                    " IN ('inv.item'::regclass, 'inv2.item'::regclass) AND NOT tgisinternal"),
              "inv.item:item_touch2,inv2.item:item_touch");
}

TEST_F(ObjectCommands, RenameInsideTheUsersTransactionKeepsItUsable)
{
    Dialogs dialogs;
    AppOption.UpdateToCommit = false;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *row = rowOf(window, "warehouse", "TABLE");
    ASSERT_NE(row, nullptr);
    renameByKeys(window, row, "item"); // fails: the name is taken
    EXPECT_EQ(dialogs.texts.size(), 1);
    renameByKeys(window, row, "depot");
    EXPECT_EQ(dialogs.texts.size(), 1) << dialogs.texts.join('\n').toStdString();
    window->ExecuteSQL("COMMIT");
    EXPECT_EQ(query("SELECT to_regclass('inv.depot') IS NOT NULL"), "t");
}

// --- drops

// Views and tables for the drop tests, made before the window lists them.
void makeDropObjects(const testsupport::TestDatabase &db)
{
    db.exec("CREATE TABLE inv.d_a (id integer); CREATE VIEW inv.d_b AS SELECT id FROM inv.d_a;"
            "CREATE TABLE inv.d_c (id integer); CREATE TABLE inv.d_d (id integer);"
            "CREATE VIEW inv.keep_c AS SELECT id FROM inv.d_c;"
            "CREATE VIEW inv.keep_d AS SELECT id FROM inv.d_d;");
}

TEST_F(ObjectCommands, IgnoringErrorsDropsATableAndItsViewInTwoPasses)
{
    makeDropObjects(db);
    Dialogs dialogs;
    dialogs.checks["削除時のエラーを無視する"] = true;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "d_a", "TABLE");
    QTreeWidgetItem *view = rowOf(window, "d_b", "VIEW");
    ASSERT_TRUE(table && view);
    ASSERT_LT(window->lstObject->indexOfTopLevelItem(table),
              window->lstObject->indexOfTopLevelItem(view));
    select(window, { table, view });
    const int rows = window->lstObject->topLevelItemCount();
    action(window, "actDelete")->trigger();
    EXPECT_EQ(dialogs.checkCaptions.join("|").toStdString(),
              "削除時のエラーを無視する|CASCADE オプション");
    EXPECT_TRUE(AppOption.DelErr);
    EXPECT_EQ(dialogs.texts.last().toStdString(), "オブジェクトが削除されました。");
    EXPECT_EQ(window->lstObject->topLevelItemCount(), rows - 2);
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname IN ('d_a', 'd_b')"), "0");
}

TEST_F(ObjectCommands, WithoutIgnoringErrorsTheFirstErrorEndsTheDrop)
{
    makeDropObjects(db);
    Dialogs dialogs;
    dialogs.checks["削除時のエラーを無視する"] = false;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "d_a", "TABLE");
    QTreeWidgetItem *view = rowOf(window, "d_b", "VIEW");
    ASSERT_TRUE(table && view);
    select(window, { table, view });
    action(window, "actDelete")->trigger();
    ASSERT_EQ(dialogs.texts.size(), 2);
    EXPECT_NE(dialogs.texts.last(), "オブジェクトが削除されました。");
    EXPECT_TRUE(table->isSelected() && view->isSelected());
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname IN ('d_a', 'd_b')"), "2");
    // a single row: no ignore box, no CASCADE box for a view, its error shown
    select(window, { table });
    dialogs.texts.clear();
    action(window, "actDelete")->trigger();
    EXPECT_EQ(dialogs.checkCaptions.join("|").toStdString(), "CASCADE オプション");
    EXPECT_EQ(dialogs.texts.size(), 2);
    // No drops nothing
    dialogs.answer = IDNO;
    select(window, { view });
    dialogs.texts.clear();
    action(window, "actDelete")->trigger();
    EXPECT_TRUE(dialogs.checkCaptions.isEmpty());
    EXPECT_EQ(dialogs.texts.size(), 1);
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname IN ('d_a', 'd_b')"), "2");
}

TEST_F(ObjectCommands, CascadeDropsTheDependentsOfATable)
{
    makeDropObjects(db);
    Dialogs dialogs;
    dialogs.checks["CASCADE オプション"] = true;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "d_a", "TABLE");
    ASSERT_NE(table, nullptr);
    select(window, { table });
    action(window, "actDelete")->trigger();
    EXPECT_EQ(dialogs.texts.last().toStdString(), "オブジェクトが削除されました。");
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname IN ('d_a', 'd_b')"), "0");
}

TEST_F(ObjectCommands, RoutinesDropByTheirInputTypes)
{
    Dialogs dialogs;
    dialogs.checks["削除時のエラーを無視する"] = false;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QList<QTreeWidgetItem *> rows { rowOf(window, "split_name", "FUNCTION"),
                                    rowOf(window, "distance", "FUNCTION"),
                                    rowOf(window, "restock", "PROCEDURE", R"("int4")"),
                                    rowOf(window, "count_in", "PROCEDURE") };
    for (QTreeWidgetItem *row : rows)
        ASSERT_NE(row, nullptr);
    select(window, rows);
    action(window, "actDelete")->trigger();
    EXPECT_EQ(dialogs.texts.last().toStdString(), "オブジェクトが削除されました。")
        << dialogs.texts.join('\n').toStdString();
    EXPECT_EQ(names("SELECT proname || '(' || pronargs || ')' FROM pg_proc WHERE pronamespace ="
                    " 'inv'::regnamespace AND proname IN ('split_name', 'distance', 'restock',"
                    " 'count_in')"),
              "restock(2)");
}

TEST_F(ObjectCommands, InsideTheUsersTransactionAFailedDropIsUndoneAlone)
{
    makeDropObjects(db);
    Dialogs dialogs;
    dialogs.checks["削除時のエラーを無視する"] = true;
    AppOption.UpdateToCommit = false;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    // d_c fails (the view keep_c reads it); the views d_b and keep_d go
    QList<QTreeWidgetItem *> rows { rowOf(window, "d_b", "VIEW"), rowOf(window, "d_c", "TABLE"),
                                    rowOf(window, "keep_d", "VIEW") };
    for (QTreeWidgetItem *row : rows)
        ASSERT_NE(row, nullptr);
    select(window, rows);
    action(window, "actDelete")->trigger();
    // d_c fails in both passes (keep_c reads it); the second pass has it alone: its error shows
    EXPECT_FALSE(dialogs.texts.last().isEmpty());
    EXPECT_EQ(window->SelectedObjectCount(), 1);
    // the session's transaction is still usable and holds the two drops
    window->ExecuteSQL("SELECT 1");
    window->ExecuteSQL("COMMIT");
    EXPECT_EQ(names("SELECT relname FROM pg_class WHERE relnamespace = 'inv'::regnamespace"
                    " AND relname IN ('d_b', 'd_c', 'keep_d')"),
              "d_c");
}

TEST_F(ObjectCommands, DropsThatKeepFailingAreCountedNotReportedAsDone)
{
    makeDropObjects(db);
    Dialogs dialogs;
    dialogs.checks["削除時のエラーを無視する"] = true;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QList<QTreeWidgetItem *> rows { rowOf(window, "d_c", "TABLE"), rowOf(window, "d_d", "TABLE"),
                                    rowOf(window, "d_b", "VIEW") };
    for (QTreeWidgetItem *row : rows)
        ASSERT_NE(row, nullptr);
    select(window, rows);
    action(window, "actDelete")->trigger();
    const QString report = dialogs.texts.last();
    EXPECT_NE(report, "オブジェクトが削除されました。");
    EXPECT_TRUE(report.contains("削除したオブジェクト: 1 個")) << report.toStdString();
    EXPECT_TRUE(report.contains("削除できなかったオブジェクト: 2 個")) << report.toStdString();
    EXPECT_TRUE(report.contains("処理しなかったオブジェクト: 0 個")) << report.toStdString();
    EXPECT_TRUE(report.contains("d_d")) << report.toStdString();
    EXPECT_EQ(window->SelectedObjectCount(), 2);
}

} // namespace objcmdtest

namespace objcmdtest {

// --- the selection walk with recording registries

TEST_F(ObjectCommands, OpenCommandsHandEachCodeGroupItsValues)
{
    RecordingEditors editors({ ObjType::Table, ObjType::Procedure, ObjType::Trigger });
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "warehouse", "TABLE");
    QTreeWidgetItem *function = rowOf(window, "price_of", "FUNCTION", R"("int4")");
    QTreeWidgetItem *trigger = rowOf(window, "item_touch", "TRIGGER");
    ASSERT_TRUE(table && function && trigger);
    const qint64 oid = query("SELECT 'inv.price_of(integer)'::regprocedure::oid").toLongLong();
    const struct
    {
        const char *action;
        TOpenMode mode;
    } cases[] = { { "actOpenDefine", omDefine },
                  { "actOpenSource", omSource },
                  { "actOpenData", omData } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        editors.opened.clear();
        select(window, { table, function, trigger });
        action(window, c.action)->trigger();
        ASSERT_EQ(editors.opened.size(), 3);
        for (const TObjectCall &call : editors.opened) {
            EXPECT_EQ(call.OpenMode, c.mode);
            EXPECT_EQ(call.Schema, "inv");
        }
        // list order: item_touch, price_of, warehouse
        EXPECT_EQ(editors.opened.at(0).TableName, "item");
        EXPECT_EQ(editors.opened.at(0).OID, -1);
        EXPECT_EQ(editors.opened.at(1).OID, oid);
        EXPECT_TRUE(editors.opened.at(1).TableName.isEmpty());
        EXPECT_EQ(editors.opened.at(2).OID, -1);
        EXPECT_TRUE(editors.opened.at(2).TableName.isEmpty());
        EXPECT_EQ(window->SelectedObjectCount(), 0);
    }
    EXPECT_TRUE(dialogs.texts.isEmpty()) << dialogs.texts.join('\n').toStdString();
}

TEST_F(ObjectCommands, EscAfterTwoOfFiveRowsLeavesTheRestSelected)
{
    RecordingEditors editors({ ObjType::Table });
    editors.onOpen = [&](const TObjectCall &) {
        // the user presses Esc while the second window opens
        if (editors.opened.size() == 2)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main,
                            Qt::Key_Escape);
    };
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QList<QTreeWidgetItem *> rows;
    for (const char *name : { "item", "remote_item", "stock_move", "type_zoo", "warehouse" })
        rows << rowOf(window, name, "TABLE");
    for (QTreeWidgetItem *row : rows)
        ASSERT_NE(row, nullptr);
    select(window, rows);
    const int defMessages = main.defMessages;
    window->OpenSelectedObjects(omDefine);
    EXPECT_EQ(editors.opened.size(), 2);
    EXPECT_FALSE(rows.at(0)->isSelected());
    EXPECT_FALSE(rows.at(1)->isSelected());
    for (int i = 2; i < 5; ++i)
        EXPECT_TRUE(rows.at(i)->isSelected()) << i;
    EXPECT_EQ(main.defMessages, defMessages + 1);
}

TEST_F(ObjectCommands, OpenDataWithACountAndTheDefaultBox)
{
    RecordingEditors editors({ ObjType::Table });
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "warehouse", "TABLE");
    ASSERT_NE(table, nullptr);
    AppOption.DefTopRecord = 1000;
    // an empty count opens with no limit; the box with 0 keeps the default
    dialogs.input = "";
    dialogs.inputChecked = true;
    select(window, { table });
    action(window, "actOpenDataTop")->trigger();
    ASSERT_EQ(editors.opened.size(), 1);
    EXPECT_EQ(editors.opened.at(0).OpenMode, omData);
    EXPECT_EQ(editors.opened.at(0).DefTopRecord, 0);
    EXPECT_EQ(AppOption.DefTopRecord, 1000);
    EXPECT_EQ(dialogs.kinds.last(), DialogKind::InputQuery);
    // a count with the box becomes the default
    dialogs.input = "250";
    select(window, { table });
    action(window, "actOpenDataTop")->trigger();
    ASSERT_EQ(editors.opened.size(), 2);
    EXPECT_EQ(editors.opened.at(1).DefTopRecord, 250);
    EXPECT_EQ(AppOption.DefTopRecord, 250);
    // cancelled: nothing
    dialogs.inputAccepted = false;
    select(window, { table });
    action(window, "actOpenDataTop")->trigger();
    EXPECT_EQ(editors.opened.size(), 2);
    EXPECT_TRUE(table->isSelected());
}

TEST_F(ObjectCommands, RunOpensOneRunnerForTheFunctionOfATableAndAFunction)
{
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "warehouse", "TABLE");
    QTreeWidgetItem *function = rowOf(window, "price_of", "FUNCTION", R"("int4")");
    ASSERT_TRUE(table && function);
    select(window, { function, table });
    window->mnuObjectClick();
    // no runner registered: the command is off
    EXPECT_FALSE(action(window, "actExec")->isEnabled());
    RecordingToolWindow runner(ToolWindowExecProc);
    window->mnuObjectClick();
    EXPECT_TRUE(action(window, "actExec")->isEnabled());
    action(window, "actExec")->trigger();
    ASSERT_EQ(runner.calls.size(), 1);
    EXPECT_EQ(runner.calls.at(0).ObjectType, ObjType::Function);
    EXPECT_EQ(runner.calls.at(0).Schema, "inv");
    EXPECT_EQ(runner.calls.at(0).ObjectName, "price_of");
    EXPECT_EQ(runner.calls.at(0).OID,
              query("SELECT 'inv.price_of(integer)'::regprocedure::oid").toLongLong());
    EXPECT_EQ(runner.owners.at(0), static_cast<ConnectionWindow *>(window));
    EXPECT_EQ(window->SelectedObjectCount(), 0);
}

TEST_F(ObjectCommands, AddingToTheWorkspaceLeavesDuplicatesOut)
{
    db.exec("CREATE TRIGGER item_touch BEFORE UPDATE ON inv.warehouse"
            " FOR EACH ROW EXECUTE FUNCTION inv.touch_item();"
            "CREATE RULE item_touch AS ON INSERT TO inv.item_view DO INSTEAD NOTHING;");
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    const QList<QTreeWidgetItem *> rows {
        rowOf(window, "price_of", "FUNCTION", R"("int4")"),
        rowOf(window, "price_of", "FUNCTION", R"("int4","date")"),
        rowOf(window, "restock", "PROCEDURE", R"("int4")"),
        rowOf(window, "restock", "PROCEDURE", R"("int4","int4")"),
        rowOf(window, "item_touch", "TRIGGER", QString(), "item"),
        rowOf(window, "item_touch", "TRIGGER", QString(), "warehouse"),
        rowOf(window, "item_touch", "RULE"),
    };
    for (QTreeWidgetItem *row : rows)
        ASSERT_NE(row, nullptr);
    select(window, rows);
    const int calls = int(main.workspaceCalls.size());
    action(window, "actAddWorkSpace")->trigger();
    // two overloads of the function, one procedure, two triggers and the rule
    ASSERT_EQ(WorkSpaces.size(), 6);
    QStringList titles;
    for (const TqvWorkSpace &entry : std::as_const(WorkSpaces))
        titles << entry.Title;
    EXPECT_TRUE(titles.contains("item_touch (inv.item)")) << titles.join('|').toStdString();
    EXPECT_TRUE(titles.contains("item_touch (inv.warehouse)")) << titles.join('|').toStdString();
    EXPECT_EQ(main.workspaceCalls.size(), calls + 1);
    EXPECT_EQ(window->SelectedObjectCount(), 7);
    // again: nothing new, nothing saved
    action(window, "actAddWorkSpace")->trigger();
    EXPECT_EQ(WorkSpaces.size(), 6);
    EXPECT_EQ(main.workspaceCalls.size(), calls + 1);
}

// --- printing

TEST_F(ObjectCommands, PrintingTwiceGivesTheSamePagesAndLeavesTheSelection)
{
    RecordingEditors editors({ ObjType::Table, ObjType::Index });
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    const QList<QTreeWidgetItem *> rows { rowOf(window, "warehouse", "TABLE"),
                                          rowOf(window, "item", "TABLE"),
                                          rowOf(window, "warehouse_pkey", "INDEX") };
    for (QTreeWidgetItem *row : rows)
        ASSERT_NE(row, nullptr);
    select(window, rows);
    auto pageTexts = [] {
        QStringList texts;
        for (int i = 0; i < prtData().PageCount(); ++i)
            texts << prtData().GetPage(i).texts().join('\n');
        return texts.join("\f");
    };
    window->PrintObjects();
    const QString first = pageTexts();
    EXPECT_EQ(prtData().PageCount(), 2);
    EXPECT_TRUE(first.contains("inv.warehouse") && first.contains("inv.item"));
    EXPECT_FALSE(first.contains("warehouse_pkey"));
    EXPECT_EQ(window->SelectedObjectCount(), 3);
    // the print after a preview
    window->PrintObjects();
    EXPECT_EQ(pageTexts(), first);
    EXPECT_TRUE(dialogs.texts.isEmpty()) << dialogs.texts.join('\n').toStdString();

    // an object whose script cannot be written is named, not printed
    editors.failScript = "item";
    window->PrintObjects();
    EXPECT_EQ(prtData().PageCount(), 1);
    EXPECT_FALSE(pageTexts().contains("inv.item"));
    ASSERT_FALSE(dialogs.texts.isEmpty());
    EXPECT_TRUE(dialogs.texts.last().contains("inv.item")) << dialogs.texts.last().toStdString();
}

TEST_F(ObjectCommands, PreviewThenPrintToPdfThroughTheDialog)
{
    RecordingEditors editors({ ObjType::Table, ObjType::Index });
    Dialogs dialogs;
    QTemporaryDir dir;
    dialogs.savePath = dir.filePath("objects.pdf");
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    select(window, { rowOf(window, "warehouse", "TABLE"), rowOf(window, "item", "TABLE") });
    int previewPages = -1;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmPrint *>(modal);
        ASSERT_NE(dialog, nullptr);
        whenModal([&](QWidget *shown) {
            auto *preview = qobject_cast<TfrmPreview *>(shown);
            ASSERT_NE(preview, nullptr);
            previewPages = prtData().PageCount();
            whenModal([&](QWidget *again) {
                auto *print = qobject_cast<TfrmPrint *>(again);
                ASSERT_NE(print, nullptr);
                QTest::mouseClick(print->btnOk, Qt::LeftButton);
            });
            preview->actPrint->trigger();
        });
        QTest::mouseClick(dialog->btnPreview, Qt::LeftButton);
    });
    action(window, "actPrint")->trigger();
    EXPECT_EQ(previewPages, 2);
    EXPECT_EQ(prtData().PageCount(), 2);
    ASSERT_TRUE(QFile::exists(dialogs.savePath));
    QProcess text;
    text.start("pdftotext", { dialogs.savePath, "-" });
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains("inv.warehouse") && printed.contains("inv.item"))
        << printed.toStdString();
}

// --- the list: drag payload, context menu, keys

TEST_F(ObjectCommands, TheDragPayloadNamesTheConnectionAndTheRows)
{
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    select(window, { rowOf(window, "warehouse", "TABLE"), rowOf(window, "item_touch", "TRIGGER") });
    std::unique_ptr<QMimeData> data(window->lstObject->DragData());
    ASSERT_NE(data, nullptr);
    const QJsonObject payload
        = QJsonDocument::fromJson(data->data(QLatin1String(ListDragMimeType))).object();
    EXPECT_EQ(payload.value("source").toString(), ConnectionKey(*window));
    const QJsonArray rows = payload.value("rows").toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).toObject().value("caption").toString(), "item_touch");
    EXPECT_EQ(rows.at(0).toObject().value("image").toInt(), ObjType::Trigger);
    EXPECT_EQ(rows.at(0).toObject().value("subItems").toArray().at(11).toString(), "item");
    EXPECT_EQ(rows.at(1).toObject().value("subItems").toArray().at(0).toString(), "inv");
    // the window's selection as the workspace panel reads it on a drop
    EXPECT_EQ(window->SelectedObjectCalls().size(), 2);
}

TEST_F(ObjectCommands, RightClickShowsTheObjectMenuForTheSelection)
{
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *view = rowOf(window, "item_view", "VIEW");
    ASSERT_NE(view, nullptr);
    select(window, { view });
    Q_EMIT window->lstObject->customContextMenuRequested(QPoint(4, 4));
    EXPECT_TRUE(window->mnuObject->isVisible());
    EXPECT_TRUE(action(window, "actDelete")->isEnabled());
    EXPECT_TRUE(action(window, "actRename")->isEnabled());
    EXPECT_FALSE(action(window, "actExec")->isEnabled());
    window->mnuObject->hide();
    // nothing selected: the commands of the selection are off
    window->lstObject->clearSelection();
    Q_EMIT window->lstObject->customContextMenuRequested(QPoint(4, 4));
    EXPECT_FALSE(action(window, "actDelete")->isEnabled());
    EXPECT_FALSE(action(window, "actPrint")->isEnabled());
    window->mnuObject->hide();
}

TEST_F(ObjectCommands, DeleteWhileANameIsEditedDropsNothing)
{
    Dialogs dialogs;
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    showSchema(window, "inv");
    QTreeWidgetItem *table = rowOf(window, "warehouse", "TABLE");
    ASSERT_NE(table, nullptr);
    select(window, { table });
    QTest::keyClick(window->lstObject, Qt::Key_F2);
    ASSERT_TRUE(window->lstObject->IsEditing());
    QTest::keyClick(window->lstObject, Qt::Key_Delete);
    EXPECT_TRUE(dialogs.texts.isEmpty());
    QTest::keyClick(window->lstObject->focusWidget() ? window->lstObject->focusWidget()
                                                     : window->lstObject,
                    Qt::Key_Escape);
    QCoreApplication::processEvents();
    // out of the editor Delete asks
    dialogs.answer = IDNO;
    QTest::keyClick(window->lstObject, Qt::Key_Delete);
    ASSERT_EQ(dialogs.texts.size(), 1);
    EXPECT_EQ(dialogs.texts.at(0).toStdString(), "オブジェクトを削除しますか？");
}

} // namespace objcmdtest
