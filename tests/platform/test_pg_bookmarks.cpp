// Bookmarks of a data set through many inserts and deletes: every bookmark keeps naming its own
// record (checked against a plain list of the records kept beside the data set), and a deleted
// record's bookmark names nothing, also after the row lookup has been rebuilt many times.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <vector>

using namespace testsupport;

namespace test_pg_bookmarks {

TEST(PgBookmarks, FollowTheirRecordsThroughThousandsOfInsertsAndDeletes)
{
    TestDatabase db;
    db.exec("CREATE TABLE b (id integer PRIMARY KEY, v text);"
            "INSERT INTO b SELECT g, 'v' || g FROM generate_series(1, 3000) AS g");
    auto c = pgtest::connect(db);
    c->setAutoCommit(false);
    c->startTransaction();
    pg::DataSet ds(c.get());
    ds.setSql("SELECT id, v FROM b ORDER BY id");
    ds.open();
    ASSERT_EQ(ds.recordCount(), 3000);

    // the records in order, by their key; and every bookmark handed out with its key
    std::vector<int> keys;
    for (int r = 0; r < ds.recordCount(); ++r)
        keys.push_back(r + 1);
    std::vector<std::pair<pg::Bookmark, int>> handedOut;
    for (int r = 0; r < ds.recordCount(); ++r)
        handedOut.push_back({ ds.bookmarkAt(r), r + 1 });

    QRandomGenerator random(20261211);
    int nextKey = 10000;
    auto check = [&](int step) {
        ASSERT_EQ(ds.recordCount(), int(keys.size())) << "step " << step;
        for (const auto &[bookmark, key] : handedOut) {
            const auto it = std::find(keys.begin(), keys.end(), key);
            const int expected = it == keys.end() ? -1 : int(it - keys.begin());
            ASSERT_EQ(ds.rowOf(bookmark), expected) << "step " << step << ", key " << key;
            ASSERT_EQ(ds.isValidBookmark(bookmark), expected >= 0) << "step " << step;
        }
    };
    for (int step = 0; step < 1200; ++step) {
        const int row = int(random.bounded(ds.recordCount()));
        ds.setCurrentRow(row);
        if (random.bounded(3) == 0) {
            ds.insert();
            ds.setValue(0, nextKey);
            ds.post();
            keys.insert(keys.begin() + row, nextKey);
            handedOut.push_back({ ds.bookmark(), nextKey });
            ++nextKey;
        } else {
            ds.deleteRecord();
            keys.erase(keys.begin() + row);
        }
        if (step % 97 == 0)
            check(step);
    }
    check(1200);
    // and the data set reads each record where the list says it is
    for (int r = 0; r < ds.recordCount(); ++r)
        ASSERT_EQ(ds.text(r, 0).toInt(), keys[size_t(r)]) << r;
    c->rollback();
}

} // namespace test_pg_bookmarks
