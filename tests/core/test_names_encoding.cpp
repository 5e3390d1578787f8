// Text files in every encoding the option offers: the bytes written, the byte-order marks, the
// files of other programs read back, and line ends.
#include "core/qvencoding.h"
#include "core/qvoption.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace encodingtest {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QStringList sampleLines
    = { "SELECT 1;", QString::fromUtf8("日本語のコメント"), "", "a+b = c \\ d" };

TEST(Encodings, EveryCodeWritesItsBytesAndReadsItsFilesBack)
{
    const struct
    {
        int code;
        QByteArray start; // the first bytes of the file
    } cases[] = {
        { 0, QByteArray("SELECT 1;\r\n\x93\xfa\x96\x7b\x8c\xea") },
        { 1, QByteArray("SELECT 1") }, // ";" may start a base64 run
        { 2, QByteArray("\xEF\xBB\xBFSELECT 1;\r\n\xE6\x97\xA5") },
        { 3, QByteArray("\xFF\xFES\0E\0", 6) },
        { 4, QByteArray("\xFE\xFF\0S\0E", 6) },
        { 7, QByteArray("SELECT 1;\r\n\x93\xfa") }, // any other value: code page 932
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        const TqvEncoding encoding = TqvEncoding::fromOption(c.code);
        const QString path = dir.filePath(QString("code%1.sql").arg(c.code));
        SaveStringsToFile(path, sampleLines, encoding);
        const QByteArray bytes = readBytes(path);
        EXPECT_TRUE(bytes.startsWith(c.start)) << "code " << c.code << ": " << bytes.toHex().data();
        EXPECT_EQ(LoadStringsFromFile(path, encoding), sampleLines) << "code " << c.code;
    }
}

TEST(Encodings, GetFileEncodingFollowsTheOption)
{
    const int old = AppOption.Encoding;
    for (const int code : { 0, 1, 2, 3, 4 }) {
        AppOption.Encoding = code;
        EXPECT_EQ(GetFileEncoding().kind(), TqvEncoding::Kind(code));
    }
    AppOption.Encoding = 7;
    EXPECT_EQ(GetFileEncoding().kind(), TqvEncoding::ShiftJis);
    AppOption.Encoding = -1;
    EXPECT_EQ(GetFileEncoding().kind(), TqvEncoding::ShiftJis);
    AppOption.Encoding = old;
}

TEST(Encodings, FilesOfOtherProgramsReadCorrectly)
{
    QTemporaryDir dir;
    const QString expected = QString::fromUtf8("日本語\r\nテスト～\\");

    // Code page 932 as a Windows editor writes it, made by the system's iconv program when
    // there is one and by bytes otherwise.
    const QString sjisPath = dir.filePath("sjis.txt");
    const QString iconvProgram = QStandardPaths::findExecutable("iconv");
    if (!iconvProgram.isEmpty()) {
        QProcess iconv;
        iconv.start(iconvProgram, { "-f", "UTF-8", "-t", "CP932", "-o", sjisPath });
        ASSERT_TRUE(iconv.waitForStarted());
        iconv.write(expected.toUtf8());
        iconv.closeWriteChannel();
        ASSERT_TRUE(iconv.waitForFinished());
        ASSERT_EQ(iconv.exitCode(), 0);
    } else {
        writeBytes(sjisPath, "\x93\xfa\x96\x7b\x8c\xea\r\n\x83\x65\x83\x58\x83\x67\x81\x60\\");
    }
    EXPECT_EQ(readBytes(sjisPath),
              QByteArray("\x93\xfa\x96\x7b\x8c\xea\r\n\x83\x65\x83\x58\x83"
                         "\x67\x81\x60\\"));
    EXPECT_EQ(LoadTextFile(sjisPath, TqvEncoding(TqvEncoding::ShiftJis)), expected);

    // UTF-16 BE with its mark: the mark wins over the option's encoding.
    const QString bePath = dir.filePath("be.txt");
    writeBytes(bePath, QByteArray("\xFE\xFF\x65\xE5\x67\x2C\x00\x0D\x00\x0A\x00\x41", 12));
    for (const int code : { 0, 1, 2, 3 })
        EXPECT_EQ(LoadStringsFromFile(bePath, TqvEncoding::fromOption(code)),
                  QStringList({ QString::fromUtf8("日本"), "A" }))
            << "option " << code;

    // UTF-8 with a mark read under the code page 932 option.
    const QString utf8Path = dir.filePath("utf8.txt");
    writeBytes(utf8Path, "\xEF\xBB\xBF" + expected.toUtf8());
    EXPECT_EQ(LoadTextFile(utf8Path, TqvEncoding(TqvEncoding::ShiftJis)), expected);
}

TEST(Encodings, CharactersOutsideAnEncodingAndBrokenBytes)
{
    const QString face = QString::fromUtf8("a😀b");
    EXPECT_EQ(TqvEncoding(TqvEncoding::ShiftJis).encode(face), QByteArray("a?b"));
    const TqvEncoding utf7(TqvEncoding::Utf7);
    const QString mixed = QString::fromUtf8("a+b 日本 😀 end");
    EXPECT_EQ(utf7.decode(utf7.encode(mixed)), mixed);
    // A cut-off double-byte character at the end and a lone trail byte.
    EXPECT_EQ(TqvEncoding(TqvEncoding::ShiftJis).decode("a\x93"),
              QString("a") + QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(TqvEncoding(TqvEncoding::Utf16LE).decode(QByteArray("A\0B", 3)),
              QString("A") + QChar(QChar::ReplacementCharacter));
}

TEST(Encodings, LineEnds)
{
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), QStringList({ "a", "b", "c", "d" }));
    EXPECT_EQ(SplitLines("a\r\n"), QStringList({ "a" }));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), QStringList({ "a", "" }));
    EXPECT_EQ(SplitLines("\n\r"), QStringList({ "", "" }));
    EXPECT_EQ(SplitLines(""), QStringList());
    EXPECT_EQ(JoinLines({ "a", "", "b" }), "a\r\n\r\nb\r\n");
    EXPECT_EQ(SplitLines(JoinLines({ "x", "", "y" })), QStringList({ "x", "", "y" }));
}

TEST(Encodings, FileErrorsAreReported)
{
    QTemporaryDir dir;
    EXPECT_THROW(LoadTextFile(dir.filePath("missing.txt"), TqvEncoding()), TextFileError);
    EXPECT_THROW(SaveTextFile(dir.filePath("no/folder.txt"), "x", TqvEncoding()), TextFileError);
}

TEST(Encodings, AFailedSaveLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.txt");
    SaveTextFile(path, "old", TqvEncoding());
    // A disk that fills up half way: the process may write no file larger than 1 KiB, which
    // holds also for root, unlike folder permissions.
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(SaveTextFile(path, QString(64 * 1024, QChar('x')), TqvEncoding()), TextFileError);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(LoadTextFile(path, TqvEncoding()), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({ "keep.txt" }));
}

TEST(Encodings, MultiByteCharacters)
{
    const QString text = QString::fromUtf8("aあｱ😀");
    EXPECT_FALSE(IsMultiByteChar(text, 1));
    EXPECT_TRUE(IsMultiByteChar(text, 2));
    EXPECT_FALSE(IsMultiByteChar(text, 3)); // half-width katakana is one byte
    EXPECT_FALSE(IsMultiByteChar(text, 4)); // not in the code page
    EXPECT_FALSE(IsMultiByteChar(text, 6));
    EXPECT_FALSE(IsMultiByteChar(text, 0));
}

} // namespace encodingtest
