// The built-in reserved words.
#include "core/qvreserve.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace test_reserve {

TEST(ReserveWords, BuiltInListIsAlphabeticalThenMaterialized)
{
    QStringList words;
    SetDefaultReserveWords(words);
    ASSERT_EQ(words.size(), 403);
    EXPECT_EQ(words.first(), "ABORT");
    EXPECT_EQ(words.at(401), "ZONE");
    EXPECT_EQ(words.last(), "MATERIALIZED");
    const QRegularExpression form("^[A-Z_]{1,17}$");
    for (const QString &word : words)
        EXPECT_TRUE(form.match(word).hasMatch()) << word.toStdString();
    for (int i = 1; i < 402; ++i)
        EXPECT_LT(words.at(i - 1), words.at(i));
    EXPECT_EQ(QSet<QString>(words.begin(), words.end()).size(), 403);
    for (const char *word : { "CURRENT_TIMESTAMP", "LC_COLLATE", "XMLSERIALIZE", "CHARACTERISTICS",
                              "WHITESPACE", "SESSION_USER" })
        EXPECT_TRUE(words.contains(word)) << word;
}

TEST(ReserveWords, AppendsWithoutClearingOrSorting)
{
    QStringList words = { "ZZZ", "ABORT" };
    SetDefaultReserveWords(words);
    ASSERT_EQ(words.size(), 405);
    EXPECT_EQ(words.at(0), "ZZZ");
    EXPECT_EQ(words.at(1), "ABORT");
    EXPECT_EQ(words.at(2), "ABORT");
}

} // namespace test_reserve
