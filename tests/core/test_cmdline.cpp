// The command-line switches: letters in any case, values as typed and in every character, the
// later repeat winning, and the password gone from the process's argument memory.
#include "core/qvcmdline.h"

#include <QByteArray>
#include <QList>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace cmdlinetest {

// An argument vector in writable memory, as the program gets it.
class Argv
{
public:
    explicit Argv(const QList<QByteArray> &args)
        : m_args(args)
    {
        m_args.prepend("corvane");
        for (QByteArray &arg : m_args)
            m_pointers.push_back(arg.data());
        m_pointers.push_back(nullptr);
    }
    int argc() const { return int(m_args.size()); }
    char **argv() { return m_pointers.data(); }
    // Argument i as the process list shows it (every byte up to its end).
    QByteArray shown(int i) const { return QByteArray(m_pointers[i], m_args[i].size()); }

private:
    QList<QByteArray> m_args;
    std::vector<char *> m_pointers;
};

TEST(CommandLine, Switches)
{
    struct Case
    {
        QList<QByteArray> args;
        TCommandLine expected;
    };
    const Case cases[] = {
        { { "/U=Alice", "/D=shop", "/H=db.example", "/P=5433", "/S=Sales", "/PS=pw" },
          { "Alice", "pw", "shop", "db.example", "5433", "Sales" } },
        { { "/u=alice", "/ps=Pw", "/p=1" }, { "alice", "Pw", "", "", "1", "" } },
        { { "/D=one", "/D=two" }, { "", "", "two", "", "", "" } },
        { { "/U=", "other", "-platform", "/X=1" }, { "", "", "", "", "", "" } },
        { { "/U=ユーザー", "/D=データベース", "/PS=パス ワード" },
          { "ユーザー", "パス ワード", "データベース", "", "", "" } },
        { { "/P=5432", "/PS=5432x" }, { "", "5432x", "", "", "5432", "" } },
    };
    for (const Case &c : cases) {
        Argv argv(c.args);
        const TCommandLine line = ReadCommandLine(argv.argc(), argv.argv());
        const QString label = QString::fromUtf8(c.args.join(' '));
        EXPECT_EQ(line.UserID, c.expected.UserID) << label.toStdString();
        EXPECT_EQ(line.Password, c.expected.Password) << label.toStdString();
        EXPECT_EQ(line.Database, c.expected.Database) << label.toStdString();
        EXPECT_EQ(line.Host, c.expected.Host) << label.toStdString();
        EXPECT_EQ(line.Port, c.expected.Port) << label.toStdString();
        EXPECT_EQ(line.Schema, c.expected.Schema) << label.toStdString();
    }
}

TEST(CommandLine, PasswordIsBlankedInTheArgumentMemory)
{
    Argv argv({ "/U=alice", "/PS=secret", "/ps=second" });
    const TCommandLine line = ReadCommandLine(argv.argc(), argv.argv());
    EXPECT_EQ(line.Password, "second");
    EXPECT_EQ(argv.shown(1), QByteArray("/U=alice"));
    EXPECT_EQ(argv.shown(2), QByteArray("/PS=\0\0\0\0\0\0", 10));
    EXPECT_FALSE(argv.shown(3).contains("second"));
}

} // namespace cmdlinetest
