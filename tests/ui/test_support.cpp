#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "ui/fsupport.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString indent(23, QLatin1Char(' '));
const QString pathLabel = QStringLiteral("  PATH環境変数       : ");

// The PATH lines of the support text.
QStringList pathLines(const QString &path)
{
    TqvSupportFacts facts;
    facts.searchPath = path;
    const QStringList lines = SupportLines(facts);
    const qsizetype first = lines.indexOf(QRegularExpression("^  PATH.*"));
    return lines.mid(first);
}

TEST(SupportText, SearchPathOneFolderALineWithCaseKept)
{
    const struct
    {
        QString path;
        QStringList lines;
    } cases[] = {
        { "/usr/Local/Bin:/opt/A b", { pathLabel + "/usr/Local/Bin", indent + "/opt/A b" } },
        { "/bin:", { pathLabel + "/bin", indent } },
        { "", { pathLabel } },
        { QStringLiteral("/データ/ツール:/bin"),
          { pathLabel + QStringLiteral("/データ/ツール"), indent + "/bin" } },
        { "::/x", { pathLabel, indent, indent + "/x" } },
    };
    for (const auto &c : cases)
        EXPECT_EQ(pathLines(c.path), c.lines) << c.path.toStdString();
}

TEST(SupportText, LabelsAndProgramPathAsTheyAre)
{
    TqvSupportFacts facts;
    facts.architecture = "x64";
    facts.programFile = "/Opt/Corvane/Corvane";
    facts.libpqPath = "/usr/lib/libpq.so.5.15";
    facts.libpqVersion = "15.5";
    facts.osName = "Debian GNU/Linux 12 (bookworm)";
    facts.osVersion = "6.1.0";
    facts.userRank = "Users";
    facts.searchPath = "/bin";
    const QStringList expected {
        QStringLiteral("【Corvane情報】"),
        QStringLiteral("  バージョン         : 22.0.1.0 (x64)"),
        QStringLiteral("  プログラムのパス   : /Opt/Corvane/Corvane"),
        QString(),
        QStringLiteral("【PostgreSQL情報】"),
        QStringLiteral("  libpqのパス        : /usr/lib/libpq.so.5.15"),
        QStringLiteral("  libpqのバージョン  : 15.5"),
        QString(),
        QStringLiteral("【OS情報】"),
        QStringLiteral("  OS                 : Debian GNU/Linux 12 (bookworm)"),
        QStringLiteral("  OSバージョン       : 6.1.0"),
        QStringLiteral("  ユーザ権限         : Users"),
        pathLabel + "/bin",
    };
    EXPECT_EQ(SupportLines(facts), expected);
}

// The libpq file that the process has mapped, as the system's own table says.
QString mappedLibpq()
{
    QFile maps("/proc/self/maps");
    if (!maps.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const int slash = line.indexOf('/');
        if (slash >= 0 && line.contains("/libpq.so"))
            return QFileInfo(QString::fromLocal8Bit(line.mid(slash))).canonicalFilePath();
    }
    return QString();
}

TEST(SupportWindow, NamesTheLoadedLibpqAndItsVersion)
{
    const TqvSupportFacts facts = CollectSupportFacts();
    const QString mapped = mappedLibpq();
    ASSERT_FALSE(mapped.isEmpty());
    EXPECT_EQ(facts.libpqPath, mapped);
    // libpq.so.5.<major>: the file's name carries the release it belongs to.
    const QString major = mapped.section('.', -1);
    EXPECT_TRUE(facts.libpqVersion.startsWith(major + ".")) << facts.libpqVersion.toStdString();
    EXPECT_EQ(facts.programFile, QCoreApplication::applicationFilePath());
    EXPECT_FALSE(facts.osName.isEmpty());

    TfrmSupport window;
    window.txtSupport->setPlainText(SupportLines(facts).join('\n'));
    const QString text = window.txtSupport->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("  libpqのパス        : ") + mapped));
    EXPECT_TRUE(text.contains(QStringLiteral("  libpqのバージョン  : ") + facts.libpqVersion));
    EXPECT_TRUE(window.txtSupport->isReadOnly());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("サポート情報"));
}

TEST(SupportWindow, CopyPutsTheTextWithCrLfAndSaysSo)
{
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    TfrmSupport window;
    window.txtSupport->setPlainText("a\n\nb");
    window.actCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\r\n\r\nb");
    EXPECT_EQ(messages, QStringList { QStringLiteral("クリップボードに出力しました。") });
}

TEST(SupportWindow, TheSystemDescriptionNamesTheSystem)
{
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    ShowOSDescription();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(CollectSupportFacts().osName));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("ビット")));
}

} // namespace
