// Generation runs, checked from a second connection: on an idle session (each batch its own
// transaction) and inside a transaction the user has open (batches are savepoints, nothing is
// committed by the run).
#include "datagentest.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QRegularExpression>

using datagentest::DataGenTest;

class DataGenRunTest : public DataGenTest, public ::testing::WithParamInterface<bool>
{
protected:
    bool userTransaction() const { return GetParam(); }

    void SetUp() override
    {
        DataGenTest::SetUp();
        if (userTransaction()) {
            conn.dbsMain()->setAutoCommit(false);
            conn.dbsMain()->exec("BEGIN");
        }
    }

    // What the run's own session holds (its open transaction included).
    int ownCount(const QString &sql) { return conn.dbsMain()->exec(sql).text(0, 0).toInt(); }

    // The plain table with a sequence key, random label and note.
    void plain()
    {
        load("datagen", "plain");
        rule("qty").SetType = stNone;
        rule("note").StrDigit = "10";
    }

    void expectUserTransactionUsable()
    {
        if (userTransaction())
            EXPECT_TRUE(conn.dbsMain()->transactionStatus()
                        == pg::TransactionStatus::InTransaction);
        else
            EXPECT_TRUE(conn.dbsMain()->transactionStatus() == pg::TransactionStatus::Idle);
    }

    static void pressEsc(QWidget *target)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }
};

INSTANTIATE_TEST_SUITE_P(Session, DataGenRunTest, ::testing::Values(false, true),
                         [](const auto &info) {
                             return info.param ? "InUserTransaction" : "Idle";
                         });

TEST_P(DataGenRunTest, BatchesCommitEveryFiftyRowsAndAtTheEnd)
{
    plain();
    gen.Count = 120;
    QMap<int, int> seen; // row -> rows the second connection sees before it
    int prepared = 0;
    gen.OnRow = [&](int row) {
        if (row == 50 || row == 100 || row == 101)
            seen[row] = count("SELECT count(*) FROM datagen.plain");
        if (row == 100)
            prepared = ownCount("SELECT count(*) FROM pg_prepared_statements");
    };
    gen.GenerateRows();
    EXPECT_EQ(prepared, 1); // parsed once for the whole run
    EXPECT_EQ(ownCount("SELECT count(*) FROM pg_prepared_statements"), 0);
    EXPECT_EQ(ownCount("SELECT count(*) FROM datagen.plain"), 120);
    expectUserTransactionUsable();
    QStringList commits = gen.Log.filter("件のデータを確定");
    if (userTransaction()) {
        EXPECT_EQ(seen, (QMap<int, int> { { 50, 0 }, { 100, 0 }, { 101, 0 } }));
        EXPECT_TRUE(commits.isEmpty());
        EXPECT_EQ(gen.Log.filter("120 件のデータは未確定です").size(), 1);
        EXPECT_EQ(count("SELECT count(*) FROM datagen.plain"), 0);
        conn.dbsMain()->exec("COMMIT");
    } else {
        EXPECT_EQ(seen, (QMap<int, int> { { 50, 50 }, { 100, 100 }, { 101, 100 } }));
        EXPECT_EQ(
            commits,
            QStringList({ "50 件のデータを確定", "100 件のデータを確定", "120 件のデータを確定" }));
    }
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain"), 120);
    EXPECT_EQ(gen.Log.first(), "SQL 文の生成中...");
    EXPECT_EQ(gen.Log.last(), "データ作成処理が終了しました。");
}

TEST_P(DataGenRunTest, FailingRowWithContinueKeepsTheOthers)
{
    plain();
    rule("qty").SetType = stSeqNum; // qty 13 breaks the table's check
    rule("qty").NumFrom = 1;
    rule("qty").Marume = 1;
    gen.Count = 20;
    answer = IDYES;
    gen.GenerateRows();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs.at(0).text.startsWith("データ生成中にエラーが発生しました。"));
    ASSERT_EQ(dialogs.at(0).checks.size(), 1);
    EXPECT_EQ(dialogs.at(0).checks.at(0).caption, "以降のエラーを無視する");
    EXPECT_EQ(ownCount("SELECT count(*) FROM datagen.plain"), 19);
    EXPECT_EQ(ownCount("SELECT count(*) FROM datagen.plain WHERE qty = 13"), 0);
    expectUserTransactionUsable();
    if (userTransaction())
        conn.dbsMain()->exec("COMMIT");
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain"), 19);
}

TEST_P(DataGenRunTest, NoAtTheErrorPromptStopsAndKeepsTheRowsBefore)
{
    plain();
    rule("qty").SetType = stSeqNum;
    rule("qty").NumFrom = 1;
    rule("qty").Marume = 1;
    gen.Count = 20;
    answer = IDNO;
    gen.GenerateRows();
    EXPECT_EQ(dialogs.size(), 1);
    EXPECT_EQ(ownCount("SELECT count(*) FROM datagen.plain"), 12);
    expectUserTransactionUsable();
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain"), userTransaction() ? 0 : 12);
}

TEST_P(DataGenRunTest, EscAfterRowSeventyLeavesTheFirstBatch)
{
    plain();
    gen.Count = 120;
    gen.OnRow = [&](int row) {
        if (row == 70)
            pressEsc(&conn);
    };
    gen.GenerateRows();
    EXPECT_TRUE(gen.Log.contains("処理を中断しました。"));
    EXPECT_EQ(gen.Log.last(), "データ作成処理が終了しました。");
    // inside the user's transaction the first batch waits for the user's COMMIT
    EXPECT_EQ(ownCount("SELECT count(*) FROM datagen.plain"), 50);
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain"), userTransaction() ? 0 : 50);
    expectUserTransactionUsable();
}

TEST_P(DataGenRunTest, MasterModeGivesTwoToFiveChildrenPerParent)
{
    load("datagen", "child");
    ASSERT_TRUE(gen.Mode == TDataGenMode::Master);
    // the key and the unique columns would restart with every master row
    rule("child_id").SetType = stVar;
    rule("child_id").Variable = { "(SELECT coalesce(max(child_id), 0) + 1 FROM datagen.child)" };
    rule("code2").SetType = stNone;
    rule("label").SetType = stNone;
    gen.CountFrom = 2;
    gen.CountTo = 5;
    gen.GenerateMasterRows();
    EXPECT_TRUE(dialogs.isEmpty()) << gen.Log.join('\n').toStdString();
    if (userTransaction())
        conn.dbsMain()->exec("COMMIT");
    EXPECT_EQ(count("SELECT count(DISTINCT parent_id) FROM datagen.child"), 3);
    EXPECT_GE(
        count("SELECT min(n) FROM (SELECT count(*) n FROM datagen.child GROUP BY parent_id) c"), 2);
    EXPECT_LE(
        count("SELECT max(n) FROM (SELECT count(*) n FROM datagen.child GROUP BY parent_id) c"), 5);
    // the master's columns come from the master row
    EXPECT_EQ(count("SELECT count(*) FROM datagen.child c JOIN datagen.parent p USING (parent_id)"
                    " WHERE c.name IS DISTINCT FROM p.name"),
              0);
}

TEST_P(DataGenRunTest, UpdateChangesOnlyTheRowsItsWhereMatches)
{
    db.exec("INSERT INTO datagen.plain (id, qty, label) SELECT g, NULL, 'old' FROM "
            "generate_series(1, 20) g");
    load("datagen", "plain");
    gen.Mode = TDataGenMode::Update;
    gen.Where = "id <= 10";
    rule("qty").SetType = stNone;
    rule("note").SetType = stNone;
    rule("label").SetType = stIn;
    rule("label").Variable = { "new" };
    gen.GenerateUpdateRows();
    EXPECT_EQ(gen.Log.last(), "データ更新処理が終了しました。");
    if (userTransaction())
        conn.dbsMain()->exec("COMMIT");
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain WHERE label = 'new' AND id <= 10"), 10);
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain WHERE label = 'old' AND id > 10"), 10);

    // a WHERE the server refuses is reported, and the user's transaction stays usable
    if (userTransaction())
        conn.dbsMain()->exec("BEGIN");
    gen.Where = "no_such_column = 1";
    gen.GenerateUpdateRows();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs.at(0).text,
              "エラーが発生しました。WHERE句の指定に誤りがないかご確認ください。");
    expectUserTransactionUsable();
}

TEST_P(DataGenRunTest, NullShareOfAHundredStoresNull)
{
    plain();
    rule("note").NullPar = 100;
    gen.Count = 30;
    gen.GenerateRows();
    if (userTransaction())
        conn.dbsMain()->exec("COMMIT");
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain WHERE note IS NULL"), 30);
}

TEST_P(DataGenRunTest, BigintSequenceAboveTheIntegerRange)
{
    load("datagen", "big");
    rule("id").NumFrom = 3000000000.0;
    rule("note").StrDigit = "5";
    gen.Count = 5;
    gen.GenerateRows();
    EXPECT_TRUE(dialogs.isEmpty()) << gen.Log.join('\n').toStdString();
    if (userTransaction())
        conn.dbsMain()->exec("COMMIT");
    EXPECT_EQ(db.query("SELECT min(id) || '-' || max(id) FROM datagen.big"),
              "3000000000-3000000004");
}

TEST_P(DataGenRunTest, ConversionErrorRollsBackTheOpenBatchAndLogsIt)
{
    plain();
    gen.Count = 120;
    gen.OnRow = [&](int row) {
        if (row == 60) {
            rule("qty").SetType = stIn;
            rule("qty").Variable = { "abc" };
        }
    };
    // the statement was built with qty in it
    rule("qty").SetType = stSeqNum;
    rule("qty").NumFrom = 100;
    rule("qty").Marume = 1;
    EXPECT_THROW(gen.GenerateRows(), DataGenError);
    EXPECT_EQ(gen.Log.filter("'abc'").size(), 1);
    EXPECT_EQ(gen.Log.filter("確定していない 10 件のデータを取り消しました").size(), 1);
    EXPECT_EQ(ownCount("SELECT count(*) FROM datagen.plain"), 50);
    EXPECT_EQ(count("SELECT count(*) FROM datagen.plain"), userTransaction() ? 0 : 50);
    expectUserTransactionUsable();
}

// A COMMIT that the server refuses (a deferred key broken by every row) is a failure, never a
// "確定".
TEST_F(DataGenTest, RefusedCommitIsLoggedAsAFailure)
{
    load("trn", "child");
    ASSERT_TRUE(gen.Mode == TDataGenMode::Master);
    gen.Mode = TDataGenMode::Normal;
    rule("id").SetType = stSeqNum;
    rule("id").NumFrom = 1;
    rule("id").Marume = 1;
    rule("parent_id").SetType = stVar;
    rule("parent_id").Variable = { "999" };
    gen.Count = 5;
    EXPECT_THROW(gen.GenerateRows(), pg::Error);
    EXPECT_TRUE(gen.Log.filter(QRegularExpression("件のデータを確定$")).isEmpty())
        << gen.Log.join('\n').toStdString();
    EXPECT_EQ(gen.Log.filter("5 件のデータを確定できませんでした").size(), 1);
    EXPECT_EQ(count("SELECT count(*) FROM trn.child"), 0);
    EXPECT_TRUE(conn.dbsMain()->transactionStatus() == pg::TransactionStatus::Idle);
}

// The key of each row goes as a parameter holding the server's own text: a backslash in a key
// means the same whatever the session reads from a literal.
TEST_F(DataGenTest, UpdateFindsEveryRowByItsOwnKeyText)
{
    db.exec(
        "CREATE TABLE datagen.tkey (k text PRIMARY KEY, v text);"
        "INSERT INTO datagen.tkey VALUES ('a\\b', 'old'), ('O''Brien', 'old'), ('\\''', 'old')");
    conn.dbsMain()->exec("SET standard_conforming_strings = off");
    load("datagen", "tkey");
    gen.Mode = TDataGenMode::Update;
    rule("v").SetType = stIn;
    rule("v").Variable = { "new" };
    gen.GenerateUpdateRows();
    EXPECT_TRUE(dialogs.isEmpty()) << gen.Log.join('\n').toStdString();
    EXPECT_EQ(count("SELECT count(*) FROM datagen.tkey WHERE v = 'new'"), 3);
}
