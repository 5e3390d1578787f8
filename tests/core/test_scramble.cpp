// Password scrambling: exact round trips, the length of the scrambled form, only code-table
// characters, and values written by the earlier form that padded with blanks and trimmed.
#include "core/qvscramble.h"

#include <QRandomGenerator>
#include <QSet>

#include <gtest/gtest.h>

namespace test_scramble {

const QByteArray codeTable = "!#$%&()*+,-./:;<";

// The earlier writer: blanks up to 64 bytes, the same layout and codes, fixed marker and filler.
QByteArray oldScramble(const QByteArray &password, int k)
{
    QByteArray d = password;
    if (d.size() < 64)
        d.append(64 - d.size(), ' ');
    QByteArray core;
    core.append(codeTable[k - 1]);
    core.append(codeTable[3]);
    for (int i = 1; i <= d.size(); ++i) {
        const auto b = static_cast<unsigned char>(d[i - 1]);
        core.prepend(codeTable[((b >> 4) + k + i) % 16]);
        core.append(codeTable[((b & 15) + k + i) % 16]);
    }
    return codeTable[7] + core + codeTable[1];
}

bool onlyTableCharacters(const QByteArray &s)
{
    for (char c : s) {
        if (!codeTable.contains(c))
            return false;
    }
    return true;
}

TEST(Scramble, RoundTripsExactlyWithBlanksAndHighBytes)
{
    QByteArray allBytes;
    for (int b = 1; b < 256; ++b)
        allBytes.append(char(b));
    const QList<QByteArray> cases = {
        "a",
        "secret",
        " leading",
        "trailing ",
        "  both  ",
        "\ttab and newline\n",
        QByteArray(63, 'x') + ' ',
        QByteArray(64, 'y'),
        QByteArray(64, 'y').append(' '),
        ' ' + QByteArray(70, 'z') + ' ',
        QByteArray(100, 'q'),
        QByteArray("pa\0ss", 5),
        QByteArray("ends in nul\0", 12),
        allBytes,
        QString("パスワード").toUtf8(),
        QByteArray("\x80\xff\xfe", 3),
    };
    for (const QByteArray &password : cases) {
        const QByteArray scrambled = ScrambleString(password);
        EXPECT_TRUE(onlyTableCharacters(scrambled)) << password.toHex().toStdString();
        EXPECT_EQ(scrambled.size() % 2, 0);
        EXPECT_EQ(UnscrambleString(scrambled), password) << password.toHex().toStdString();
    }
}

TEST(Scramble, LengthOfTheScrambledForm)
{
    // A password that needs no end marker keeps the length it always had.
    for (int n = 1; n <= 64; ++n)
        EXPECT_EQ(ScrambleString(QByteArray(n, 'p')).size(), 132) << n;
    EXPECT_EQ(ScrambleString(QByteArray(100, 'p')).size(), 204);
    // Blanks at the end of a short password fit into the padding.
    EXPECT_EQ(ScrambleString(QByteArray(62, 'p') + ' ').size(), 132);
    EXPECT_EQ(ScrambleString(' ' + QByteArray(62, 'p')).size(), 132);
    // A blank at either end of a password of 64 bytes or more needs one byte more.
    EXPECT_EQ(ScrambleString(QByteArray(63, 'p') + ' ').size(), 134);
    EXPECT_EQ(ScrambleString(' ' + QByteArray(99, 'p')).size(), 206);
}

TEST(Scramble, EmptyAndTooShortValues)
{
    EXPECT_EQ(ScrambleString(""), "");
    EXPECT_EQ(UnscrambleString(""), "");
    EXPECT_EQ(UnscrambleString("!"), "");
    EXPECT_EQ(UnscrambleString("!#"), "");
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
}

TEST(Scramble, SamePasswordLooksDifferentEachTime)
{
    QSet<QByteArray> seen;
    for (int i = 0; i < 20; ++i) {
        const QByteArray scrambled = ScrambleString("same password");
        EXPECT_EQ(UnscrambleString(scrambled), "same password");
        seen.insert(scrambled);
    }
    EXPECT_GT(seen.size(), 1);
}

TEST(Scramble, ValuesOfTheEarlierFormStillRead)
{
    const struct
    {
        QByteArray password;
        QByteArray readBack;
    } cases[] = {
        { "secret", "secret" },
        { "  secret  ", "secret" },
        { "   ", "" },
        { QByteArray(64, 'w'), QByteArray(64, 'w') },
        { ' ' + QByteArray(80, 'v') + ' ', QByteArray(80, 'v') },
        { QByteArray("\x82\xa0\x82\xa2", 4), QByteArray("\x82\xa0\x82\xa2", 4) },
    };
    for (const auto &c : cases) {
        for (int k = 1; k <= 16; ++k) {
            const QByteArray old = oldScramble(c.password, k);
            ASSERT_TRUE(onlyTableCharacters(old));
            EXPECT_EQ(UnscrambleString(old), c.readBack) << c.password.toStdString() << " k=" << k;
        }
    }
    // A value this version writes for a password the earlier form handled is that form.
    EXPECT_EQ(UnscrambleString(oldScramble("abc", 5)), UnscrambleString(ScrambleString("abc")));
}

TEST(Scramble, PasswordsAreScrambledFromTheirUtf8Bytes)
{
    const QString password = QStringLiteral(" 日本語のパスワード ");
    const QString stored = ScramblePassword(password);
    EXPECT_EQ(UnscrambleString(stored.toLatin1()), password.toUtf8());
    EXPECT_EQ(UnscramblePassword(stored), password);
    // Damaged by hand: a character outside the table.
    QString damaged = stored;
    damaged[10] = QLatin1Char('A');
    EXPECT_EQ(UnscramblePassword(damaged), "");
}

} // namespace test_scramble
