// The object tree: schemas and kinds in both orders, the schema filter and the display schema
// set, the rules of the system schemas, the logon schema first, and the kinds by server.
#include "browsertest.h"
#include "uitest.h"

#include "browser/fproject.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "ui/qvcomctrls.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using browsertest::BrowserTest;

namespace treetest {

QStringList childTexts(const QTreeWidgetItem *node)
{
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

const QTreeWidgetItem *child(const QTreeWidgetItem *node, const QString &text)
{
    for (int i = 0; node && i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text)
            return node->child(i);
    return nullptr;
}

int imageOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, TreeImageRole).toInt() : -1;
}

const QStringList serverKinds
    = { "TABLE", "INDEX",    "VIEW",     "PROCEDURE",         "FUNCTION",
        "TYPE",  "TRIGGER",  "SEQUENCE", "MATERIALIZED VIEW", "CONSTRAINT",
        "RULE",  "AGGREGATE" };

class TreeTest : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        for (bool *on : { &AppOption.ShowTable, &AppOption.ShowIndex, &AppOption.ShowView,
                          &AppOption.ShowProc, &AppOption.ShowFunc, &AppOption.ShowPack,
                          &AppOption.ShowType, &AppOption.ShowTrigger, &AppOption.ShowSeq,
                          &AppOption.ShowSynonym, &AppOption.ShowMView, &AppOption.ShowConst,
                          &AppOption.ShowRule, &AppOption.ShowAgrg })
            *on = true;
        AppOption.TreeSort = 0;
        AppOption.UserFirst = false;
    }
    void writeTree(int disp, const QString &schemas)
    {
        ASSERT_TRUE(AppRegistry->OpenKey(ObjectTreeKey(db.name()), true));
        AppRegistry->WriteInteger("Disp", disp);
        if (!schemas.isNull())
            AppRegistry->WriteString("Schema", schemas);
        AppRegistry->CloseKey();
    }
};

TEST_F(TreeTest, SchemaFirstShowsTheSchemasAndTheirKinds)
{
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->lstTree->topLevelItemCount(), 1);
    const QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
    EXPECT_EQ(root->text(0), db.name());
    EXPECT_EQ(imageOf(root), 1);
    const QStringList schemas = childTexts(root);
    for (const char *name : { "ext", "inv", "pg_catalog", "pg_toast", "public", "sales" })
        EXPECT_TRUE(schemas.contains(name)) << name;
    // sorted without regard to case
    QStringList sorted = schemas;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(schemas, sorted);

    // a server of version 15 of the plain edition: procedures, materialized views and
    // aggregates, no packages or synonyms
    EXPECT_EQ(childTexts(child(root, "inv")), serverKinds);
    EXPECT_EQ(childTexts(child(root, "pg_catalog")), serverKinds);
    EXPECT_EQ(childTexts(child(root, "pg_toast")), (QStringList { "TABLE", "INDEX" }));
    if (const QTreeWidgetItem *temp = child(root, "pg_temp"))
        EXPECT_EQ(childTexts(temp), QStringList { "TABLE" });
    EXPECT_EQ(imageOf(child(child(root, "inv"), "AGGREGATE")), 128);

    // the logon schema: its own image, expanded and selected
    const QTreeWidgetItem *inv = child(root, "inv");
    EXPECT_EQ(imageOf(inv), 126);
    EXPECT_EQ(imageOf(child(root, "sales")), 4);
    EXPECT_TRUE(inv->isExpanded());
    EXPECT_EQ(window->lstTree->currentItem(), inv);
}

TEST_F(TreeTest, KindFirstShowsTheKindsAndTheirSchemas)
{
    AppOption.TreeSort = 1;
    TfrmObject *window = open("sales");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->btnTree2->isChecked());
    const QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
    EXPECT_EQ(childTexts(root), serverKinds);
    const QStringList tables = childTexts(child(root, "TABLE"));
    EXPECT_TRUE(tables.contains("pg_toast"));
    EXPECT_TRUE(tables.contains("sales"));
    EXPECT_FALSE(childTexts(child(root, "VIEW")).contains("pg_toast"));
    EXPECT_TRUE(childTexts(child(root, "INDEX")).contains("pg_toast"));
    EXPECT_EQ(imageOf(child(child(root, "VIEW"), "sales")), 126);
    EXPECT_EQ(imageOf(child(child(root, "VIEW"), "inv")), 4);
    EXPECT_EQ(window->lstTree->currentItem(), root);

    // the order buttons switch the tree and the option
    window->btnTree1->click();
    EXPECT_EQ(AppOption.TreeSort, 0);
    EXPECT_TRUE(childTexts(window->lstTree->topLevelItem(0)).contains("sales"));
}

TEST_F(TreeTest, LoginSchemaFilterAndUserFirst)
{
    writeTree(1, QString());
    TfrmObject *window = open("sales");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Disp, 1);
    EXPECT_EQ(window->cmbTree->currentIndex(), 1);
    const QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
    EXPECT_EQ(childTexts(root), QStringList { "sales" });
    EXPECT_EQ(window->lstTree->currentItem(), root->child(0));

    window->Disp = 0;
    AppOption.UserFirst = true;
    window->ShowTree();
    EXPECT_EQ(childTexts(window->lstTree->topLevelItem(0)).value(0), "sales");
}

TEST_F(TreeTest, DisplaySchemaSet)
{
    struct Case
    {
        QString set;
        QStringList schemas;
    };
    const Case cases[] = {
        { "INV\r\nsales\r\n", { "inv", "sales" } }, // names match without regard to case
        { "nosuch\r\n", {} }, // only the root
        { "", { "ext", "inv" } }, // an empty set shows every schema (checked by two)
    };
    writeTree(2, QString());
    TfrmObject *window = open("sales");
    ASSERT_NE(window, nullptr);
    for (const Case &c : cases) {
        writeTree(2, c.set);
        window->ShowTree();
        const QStringList shown = childTexts(window->lstTree->topLevelItem(0));
        if (c.set.isEmpty()) {
            for (const QString &name : c.schemas)
                EXPECT_TRUE(shown.contains(name));
        } else {
            EXPECT_EQ(shown, c.schemas) << c.set.toStdString();
        }
    }
}

TEST_F(TreeTest, ChoosingTheSetAndCancellingIt)
{
    TfrmObject *window = open("sales");
    ASSERT_NE(window, nullptr);
    // Cancel leaves filter, combo and settings as they were.
    whenModal([](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmProject *>(modal);
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    window->cmbTree->setCurrentIndex(2);
    window->cmbTreeChange();
    EXPECT_EQ(window->Disp, 0);
    EXPECT_EQ(window->cmbTree->currentIndex(), 0);
    EXPECT_TRUE(TfrmProject::DisplaySchemas(db.name()).isEmpty());

    // OK with nothing ticked is refused; ticking "inv" then stores it.
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    whenModal([](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmProject *>(modal);
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        ASSERT_TRUE(dialog->isVisible());
        const QList<QListWidgetItem *> inv
            = dialog->chkUserList->findItems("inv", Qt::MatchExactly);
        ASSERT_EQ(inv.size(), 1);
        inv[0]->setCheckState(Qt::Checked);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    window->cmbTree->setCurrentIndex(2);
    window->cmbTreeChange();
    EXPECT_EQ(messages, QStringList { "所属するスキーマを最低一つは選択して下さい。" });
    EXPECT_EQ(window->Disp, 2);
    EXPECT_EQ(TfrmProject::DisplaySchemas(db.name()), QStringList { "inv" });
    EXPECT_EQ(childTexts(window->lstTree->topLevelItem(0)), QStringList { "inv" });

    // The filter is kept for the database at close and comes back with the next window.
    closeWindow(window);
    TfrmObject *next = open("sales");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Disp, 2);
    EXPECT_EQ(next->cmbTree->currentIndex(), 2);
}

TEST(TreeKinds, KindsByServerVersionAndEdition)
{
    TqvOption all;
    for (bool *on :
         { &all.ShowTable, &all.ShowIndex, &all.ShowView, &all.ShowProc, &all.ShowFunc,
           &all.ShowPack, &all.ShowType, &all.ShowTrigger, &all.ShowSeq, &all.ShowSynonym,
           &all.ShowMView, &all.ShowConst, &all.ShowRule, &all.ShowAgrg })
        *on = true;
    struct Case
    {
        int code;
        int version;
        bool edition;
        bool shown;
    };
    const Case cases[] = {
        { 61, 90200, false, false },  { 128, 90200, false, false }, { 61, 90300, false, true },
        { 128, 90300, false, false }, { 128, 90400, false, true },  { 51, 100000, false, false },
        { 51, 110000, false, true },  { 51, 90500, true, true },    { 53, 150000, false, false },
        { 53, 90500, true, true },    { 60, 150000, false, false }, { 60, 90500, true, true },
        { 64, 150000, true, false }, // database links have no node
        { 45, 0, false, true },       { 48, 150000, false, false },
    };
    for (const Case &c : cases)
        EXPECT_EQ(TreeKindVisible(c.code, all, c.version, c.edition), c.shown)
            << c.code << " " << c.version << " " << c.edition;
    TqvOption none;
    none.ShowTable = false;
    EXPECT_FALSE(TreeKindVisible(45, none, 150000, false));
}

TEST(TreeKinds, SystemSchemaRule)
{
    EXPECT_TRUE(TreeSchemaAdmits("pg_temp", 45));
    EXPECT_FALSE(TreeSchemaAdmits("pg_temp", 46));
    EXPECT_TRUE(TreeSchemaAdmits("pg_toast", 46));
    EXPECT_TRUE(TreeSchemaAdmits("pg_toast_temp", 46));
    EXPECT_FALSE(TreeSchemaAdmits("pg_toast", 47));
    EXPECT_TRUE(TreeSchemaAdmits("PG_TOAST", 47)); // compared exactly
    EXPECT_TRUE(TreeSchemaAdmits("pg_catalog", 128));
}

} // namespace treetest
