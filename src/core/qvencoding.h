#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>

// Text-file encodings. The general option Encoding chooses how every text file of the system is
// written and, when a file carries no byte-order mark, read:
//   0 SHIFT-JIS (Windows code page 932)   1 UTF-7   2 UTF-8   3 UTF-16 LE   4 UTF-16 BE
// and any other value code page 932. Files are written with the encoding's byte-order mark
// (none for 0 and 1); a byte-order mark found on reading wins over the option. Code page 932
// and UTF-7 go through the C library's iconv.

class TqvEncoding
{
public:
    enum Kind { ShiftJis = 0, Utf7 = 1, Utf8 = 2, Utf16LE = 3, Utf16BE = 4 };

    TqvEncoding() = default; // UTF-8
    explicit TqvEncoding(Kind kind)
        : m_kind(kind)
    { }
    // The encoding of an option value; unknown values give code page 932.
    static TqvEncoding fromOption(int code);

    Kind kind() const { return m_kind; }
    // The byte-order mark written on save: EF BB BF, FF FE, FE FF, or nothing.
    QByteArray byteOrderMark() const;
    // Characters that the encoding cannot hold become "?"; bytes that are not valid text
    // become U+FFFD. Neither adds or expects a byte-order mark.
    QByteArray encode(const QString &text) const;
    QString decode(const QByteArray &bytes) const;
    // Strict decoding: false, with text left alone, when the bytes are not text of the
    // encoding (an invalid or cut-off sequence, an odd number of bytes or an unpaired
    // surrogate in UTF-16). A byte-order mark is neither expected nor dropped.
    bool tryDecode(const QByteArray &bytes, QString *text) const;
    // Whether encode() keeps every character of text, so that decoding gives it back.
    bool canEncode(const QString &text) const;

    bool operator==(const TqvEncoding &) const = default;

private:
    Kind m_kind = Utf8;
};

// The encoding of the general option Encoding.
TqvEncoding GetFileEncoding();

// The encoding named by a byte-order mark at the start of the bytes and the mark's length, or
// false when the bytes begin with none.
bool DetectByteOrderMark(const QByteArray &bytes, TqvEncoding *encoding, int *length);

// Bytes to text: a byte-order mark decides the encoding (and is dropped), else the fallback.
QString DecodeText(const QByteArray &bytes, const TqvEncoding &fallback);
// Text to bytes, with the encoding's byte-order mark in front when writeBom is set.
QByteArray EncodeText(const QString &text, const TqvEncoding &encoding, bool writeBom = true);

// Lines end at CR LF, CR or LF; a line break at the very end ends the last line and adds none.
QStringList SplitLines(const QString &text);
// Each line followed by CR LF.
QString JoinLines(const QStringList &lines);

// File access failed; the message names the file and the reason, in Japanese.
class TextFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Whole files, read and written through the encoding as above. A save replaces the file only
// once everything is written, so a failed save leaves the old file as it was.
QString LoadTextFile(const QString &path, const TqvEncoding &encoding);
void SaveTextFile(const QString &path, const QString &text, const TqvEncoding &encoding,
                  bool writeBom = true);
QStringList LoadStringsFromFile(const QString &path, const TqvEncoding &encoding);
void SaveStringsToFile(const QString &path, const QStringList &lines, const TqvEncoding &encoding,
                       bool writeBom = true);

// Whether the character at the 1-based position is a double-byte character of code page 932;
// false beyond the text and for characters the code page cannot hold.
bool IsMultiByteChar(const QString &s, int index);

// Whether the byte opens a double-byte character of code page 932.
constexpr bool IsShiftJisLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
