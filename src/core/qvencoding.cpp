#include "qvencoding.h"

#include "qvoption.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace qvencoding {

class Iconv
{
public:
    Iconv(const char *to, const char *from)
        : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    operator iconv_t() const { return m_cd; }

private:
    iconv_t m_cd;
};

const char *iconvName(TqvEncoding::Kind kind)
{
    return kind == TqvEncoding::Utf7 ? "UTF-7" : "CP932";
}

// Text to bytes through iconv; a character the target cannot hold becomes "?".
QByteArray iconvEncode(const QString &text, const char *to)
{
    Iconv cd(to, "UTF-16LE");
    QByteArray out;
    const QByteArray input(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = size_t(input.size());
    char buffer[4096];
    auto flushShiftState = [&] {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, qsizetype(sizeof buffer - outLeft));
    };
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (rc != size_t(-1) || errno == E2BIG)
            continue;
        // EILSEQ, or a lone surrogate at the end (EINVAL): skip one character.
        size_t skip = 2;
        const char16_t unit = char16_t(uchar(in[0]) | (uchar(in[1]) << 8));
        if (QChar::isHighSurrogate(unit) && inLeft >= 4) {
            const char16_t next = char16_t(uchar(in[2]) | (uchar(in[3]) << 8));
            if (QChar::isLowSurrogate(next))
                skip = 4;
        }
        in += skip;
        inLeft -= skip;
        // UTF-7 closes its base64 run first, so the substitute is a plain "?".
        flushShiftState();
        out.append('?');
    }
    flushShiftState();
    return out;
}

// Bytes to text through iconv; an invalid or cut-off sequence becomes U+FFFD, or, with
// refused given, sets it and ends the decoding.
QString iconvDecode(const QByteArray &bytes, const char *from, bool *refused = nullptr)
{
    Iconv cd("UTF-16LE", from);
    QString out;
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(QStringView(reinterpret_cast<const char16_t *>(buffer),
                               qsizetype((sizeof buffer - outLeft) / 2)));
        if (rc != size_t(-1) || errno == E2BIG)
            continue;
        if (refused) {
            *refused = true;
            return out;
        }
        out.append(QChar(QChar::ReplacementCharacter));
        if (errno == EINVAL)
            break; // incomplete sequence at the end
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

QByteArray utf16Bytes(const QString &text, bool bigEndian)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        const char hi = char(u >> 8), lo = char(u & 0xFF);
        out[2 * i] = bigEndian ? hi : lo;
        out[2 * i + 1] = bigEndian ? lo : hi;
    }
    return out;
}

QString utf16Text(const QByteArray &bytes, bool bigEndian)
{
    QString out(bytes.size() / 2, Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t a = uchar(bytes[i]), b = uchar(bytes[i + 1]);
        *dst++ = QChar(bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a));
    }
    if (bytes.size() % 2)
        out.append(QChar(QChar::ReplacementCharacter));
    return out;
}

QString describe(const QString &path, const QString &reason)
{
    return QStringLiteral("ファイル「%1」: %2").arg(path, reason);
}

} // namespace qvencoding

TqvEncoding TqvEncoding::fromOption(int code)
{
    switch (code) {
    case Utf7:
    case Utf8:
    case Utf16LE:
    case Utf16BE:
        return TqvEncoding(Kind(code));
    default:
        return TqvEncoding(ShiftJis);
    }
}

QByteArray TqvEncoding::byteOrderMark() const
{
    switch (m_kind) {
    case Utf8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    default:
        return {};
    }
}

QByteArray TqvEncoding::encode(const QString &text) const
{
    switch (m_kind) {
    case Utf8:
        return text.toUtf8();
    case Utf16LE:
        return qvencoding::utf16Bytes(text, false);
    case Utf16BE:
        return qvencoding::utf16Bytes(text, true);
    default:
        return qvencoding::iconvEncode(text, qvencoding::iconvName(m_kind));
    }
}

QString TqvEncoding::decode(const QByteArray &bytes) const
{
    switch (m_kind) {
    case Utf8:
        return QString::fromUtf8(bytes);
    case Utf16LE:
        return qvencoding::utf16Text(bytes, false);
    case Utf16BE:
        return qvencoding::utf16Text(bytes, true);
    default:
        return qvencoding::iconvDecode(bytes, qvencoding::iconvName(m_kind));
    }
}

bool TqvEncoding::tryDecode(const QByteArray &bytes, QString *text) const
{
    switch (m_kind) {
    case Utf8: {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless
                                   | QStringConverter::Flag::ConvertInitialBom);
        QString out = decoder.decode(bytes);
        if (decoder.hasError())
            return false;
        *text = out;
        return true;
    }
    case Utf16LE:
    case Utf16BE: {
        if (bytes.size() % 2)
            return false;
        const QString out = qvencoding::utf16Text(bytes, m_kind == Utf16BE);
        for (qsizetype i = 0; i < out.size(); ++i) {
            const QChar c = out.at(i);
            if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                return false;
        }
        *text = out;
        return true;
    }
    default: {
        bool refused = false;
        const QString out = qvencoding::iconvDecode(bytes, qvencoding::iconvName(m_kind), &refused);
        if (refused)
            return false;
        *text = out;
        return true;
    }
    }
}

bool TqvEncoding::canEncode(const QString &text) const
{
    QString back;
    return tryDecode(encode(text), &back) && back == text;
}

TqvEncoding GetFileEncoding()
{
    return TqvEncoding::fromOption(AppOption.Encoding);
}

bool DetectByteOrderMark(const QByteArray &bytes, TqvEncoding *encoding, int *length)
{
    for (const auto kind : { TqvEncoding::Utf8, TqvEncoding::Utf16LE, TqvEncoding::Utf16BE }) {
        const QByteArray bom = TqvEncoding(kind).byteOrderMark();
        if (bytes.startsWith(bom)) {
            if (encoding)
                *encoding = TqvEncoding(kind);
            if (length)
                *length = int(bom.size());
            return true;
        }
    }
    return false;
}

QString DecodeText(const QByteArray &bytes, const TqvEncoding &fallback)
{
    TqvEncoding encoding = fallback;
    int bomLength = 0;
    DetectByteOrderMark(bytes, &encoding, &bomLength);
    return encoding.decode(bomLength ? bytes.mid(bomLength) : bytes);
}

QByteArray EncodeText(const QString &text, const TqvEncoding &encoding, bool writeBom)
{
    QByteArray out = writeBom ? encoding.byteOrderMark() : QByteArray();
    out += encoding.encode(text);
    return out;
}

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

QString JoinLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return text;
}

QString LoadTextFile(const QString &path, const TqvEncoding &encoding)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextFileError(qvencoding::describe(path, file.errorString()).toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TextFileError(qvencoding::describe(path, file.errorString()).toStdString());
    return DecodeText(bytes, encoding);
}

void SaveTextFile(const QString &path, const QString &text, const TqvEncoding &encoding,
                  bool writeBom)
{
    const QByteArray bytes = EncodeText(text, encoding, writeBom);
    QSaveFile file(path);
    // Unbuffered: a short write (a full disk, a size limit) shows in write()'s count; through
    // the buffer it would be lost in a flush that commit() does not report, and a truncated
    // file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size() || !file.commit())
        throw TextFileError(qvencoding::describe(path, file.errorString()).toStdString());
}

QStringList LoadStringsFromFile(const QString &path, const TqvEncoding &encoding)
{
    return SplitLines(LoadTextFile(path, encoding));
}

void SaveStringsToFile(const QString &path, const QStringList &lines, const TqvEncoding &encoding,
                       bool writeBom)
{
    SaveTextFile(path, JoinLines(lines), encoding, writeBom);
}

bool IsMultiByteChar(const QString &s, int index)
{
    if (index < 1 || index > s.size())
        return false;
    QString ch(s.at(index - 1));
    if (ch.at(0).isHighSurrogate() && index < s.size() && s.at(index).isLowSurrogate())
        ch += s.at(index);
    const QByteArray bytes = TqvEncoding(TqvEncoding::ShiftJis).encode(ch);
    return bytes.size() == 2 && IsShiftJisLeadByte(uchar(bytes.at(0)));
}
