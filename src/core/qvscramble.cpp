#include "qvscramble.h"

#include <QRandomGenerator>

// The scrambled form of n padded bytes (n >= 64) has 2n + 4 characters, positions from 1:
// 1 filler; 2 to n + 1 the high-nibble codes of bytes n down to 1; n + 2 the marker, the
// table character at a random position k; n + 3 filler; n + 4 to 2n + 3 the low-nibble codes
// of bytes 1 to n; 2n + 4 filler. The code of nibble v of byte i is the table character at
// position ((v + k + i) mod 16) + 1; fillers are random table characters.
namespace qvscramble {

// Fixed once: values scrambled with one table cannot be read with another.
constexpr char codeTable[] = "!#$%&()*+,-./:;<";
constexpr int tableSize = 16;
static_assert(sizeof(codeTable) == tableSize + 1);

constexpr int minimumLength = 64;

// Position of c in the table counting from 1; 0 for a character outside it.
int tablePosition(char c)
{
    for (int i = 0; i < tableSize; ++i) {
        if (codeTable[i] == c)
            return i + 1;
    }
    return 0;
}

char randomCode(QRandomGenerator &random)
{
    return codeTable[random.bounded(tableSize)];
}

// The code of one nibble of the i-th byte (i from 1), relative to the marker position k.
char nibbleCode(int nibble, int k, int i)
{
    return codeTable[(nibble + k + i) % tableSize];
}

bool isTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

QByteArray trimmed(const QByteArray &bytes)
{
    qsizetype first = 0;
    qsizetype last = bytes.size();
    while (first < last && isTrimmed(bytes.at(first)))
        ++first;
    while (last > first && isTrimmed(bytes.at(last - 1)))
        --last;
    return bytes.mid(first, last - first);
}

// Passwords were once padded with blanks to 64 bytes and trimmed of blanks and control
// characters at both ends when read back, so a password that began or ended with a blank came
// back shorter than it was typed. A password that could suffer that is now written as its
// bytes, one NUL byte and blanks up to 64 bytes. Earlier versions never wrote a NUL (their
// passwords came from text boxes of the system code page, which cannot hold one), so a NUL
// followed by nothing but blanks tells the reader that everything before it is the password,
// byte for byte. Readers that predate the NUL still read such a value, trimmed as they always
// did, and every other password is scrambled exactly as before, length and layout included.
bool needsEndMarker(const QByteArray &bytes)
{
    return bytes.contains('\0') || isTrimmed(bytes.front()) || isTrimmed(bytes.back());
}

} // namespace qvscramble

QByteArray ScrambleString(const QByteArray &bytes)
{
    namespace q = qvscramble;
    if (bytes.isEmpty())
        return {};
    QByteArray padded = bytes;
    if (q::needsEndMarker(bytes))
        padded.append('\0');
    if (padded.size() < q::minimumLength)
        padded.append(q::minimumLength - padded.size(), ' ');
    const int n = int(padded.size());

    QRandomGenerator &random = *QRandomGenerator::global();
    const int k = int(random.bounded(q::tableSize)) + 1;

    // High-nibble codes run backwards in front of the marker, low-nibble codes forwards after
    // it and its filler.
    QByteArray result(2 * n + 4, ' ');
    result[0] = q::randomCode(random);
    result[n + 1] = q::codeTable[k - 1];
    result[n + 2] = q::randomCode(random);
    for (int i = 1; i <= n; ++i) {
        const auto b = static_cast<unsigned char>(padded.at(i - 1));
        result[n + 1 - i] = q::nibbleCode(b >> 4, k, i);
        result[n + 2 + i] = q::nibbleCode(b & 0x0F, k, i);
    }
    result[2 * n + 3] = q::randomCode(random);
    return result;
}

QByteArray UnscrambleString(const QByteArray &scrambled)
{
    namespace q = qvscramble;
    const qsizetype length = scrambled.size();
    if (length < 2)
        return {};
    // Decoded from the middle outwards, positions counting from 1 as in the layout above.
    const qsizetype h = length / 2;
    const int m = q::tablePosition(scrambled.at(h - 1));
    QByteArray bytes;
    bytes.reserve(h);
    for (qsizetype i = 1; i <= h - 2; ++i) {
        const int p1 = q::tablePosition(scrambled.at(h - i - 1));
        const int p2 = q::tablePosition(scrambled.at(h + i));
        // A multiple of 16 that keeps the dividends non-negative at any length.
        const qsizetype bias = q::tableSize * (i / q::tableSize + 2);
        const int high = int((p1 - m - i - 1 + bias) % q::tableSize);
        const int low = int((p2 - m - i - 1 + bias) % q::tableSize);
        bytes.append(char(high * 16 + low));
    }

    const qsizetype end = bytes.lastIndexOf('\0');
    if (end >= 0) {
        bool onlyBlanksAfter = true;
        for (qsizetype i = end + 1; i < bytes.size() && onlyBlanksAfter; ++i)
            onlyBlanksAfter = bytes.at(i) == ' ';
        if (onlyBlanksAfter)
            return bytes.left(end);
    }
    return q::trimmed(bytes);
}

QString ScramblePassword(const QString &password)
{
    return QString::fromLatin1(ScrambleString(password.toUtf8()));
}

QString UnscramblePassword(const QString &stored)
{
    for (const QChar c : stored) {
        if (c.unicode() > 127 || qvscramble::tablePosition(char(c.unicode())) == 0)
            return {};
    }
    return QString::fromUtf8(UnscrambleString(stored.toLatin1()));
}
