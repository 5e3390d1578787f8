#include "textcodec_p.h"

#include <libpq-fe.h>

#include <cerrno>
#include <iconv.h>

#include <map>

namespace pg::detail {

struct TextCodecRegistry
{
    std::mutex mutex;
    std::map<int, TextCodec *> codecs; // never freed: codecs are shared by every result
};

namespace textcodec {

struct EncodingName
{
    const char *pg;
    const char *iconv;
};

// The server's client encodings and iconv's names for them; those not listed (SQL_ASCII,
// MULE_INTERNAL) are read as UTF-8.
constexpr EncodingName EncodingNames[] = {
    { "EUC_JP", "EUC-JP" },
    { "EUC_JIS_2004", "EUC-JISX0213" },
    { "SJIS", "CP932" },
    { "SHIFT_JIS_2004", "SHIFT_JISX0213" },
    { "EUC_CN", "EUC-CN" },
    { "EUC_KR", "EUC-KR" },
    { "EUC_TW", "EUC-TW" },
    { "BIG5", "BIG5" },
    { "GBK", "GBK" },
    { "GB18030", "GB18030" },
    { "UHC", "CP949" },
    { "JOHAB", "JOHAB" },
    { "LATIN1", "ISO-8859-1" },
    { "LATIN2", "ISO-8859-2" },
    { "LATIN3", "ISO-8859-3" },
    { "LATIN4", "ISO-8859-4" },
    { "LATIN5", "ISO-8859-9" },
    { "LATIN6", "ISO-8859-10" },
    { "LATIN7", "ISO-8859-13" },
    { "LATIN8", "ISO-8859-14" },
    { "LATIN9", "ISO-8859-15" },
    { "LATIN10", "ISO-8859-16" },
    { "ISO_8859_5", "ISO-8859-5" },
    { "ISO_8859_6", "ISO-8859-6" },
    { "ISO_8859_7", "ISO-8859-7" },
    { "ISO_8859_8", "ISO-8859-8" },
    { "WIN866", "CP866" },
    { "WIN874", "CP874" },
    { "WIN1250", "CP1250" },
    { "WIN1251", "CP1251" },
    { "WIN1252", "CP1252" },
    { "WIN1253", "CP1253" },
    { "WIN1254", "CP1254" },
    { "WIN1255", "CP1255" },
    { "WIN1256", "CP1256" },
    { "WIN1257", "CP1257" },
    { "WIN1258", "CP1258" },
    { "KOI8R", "KOI8-R" },
    { "KOI8U", "KOI8-U" },
};

TextCodecRegistry &registry()
{
    static TextCodecRegistry r;
    return r;
}

// Runs iconv over the whole input; false when a character cannot be converted.
bool convert(void *handle, const char *in, size_t inLength, QByteArray *out)
{
    iconv_t cd = static_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out->resize(qsizetype(inLength * 4 + 16));
    char *src = const_cast<char *>(in);
    size_t srcLeft = inLength;
    char *dst = out->data();
    size_t dstLeft = size_t(out->size());
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == size_t(-1)) {
            if (errno == E2BIG) {
                const qsizetype used = dst - out->data();
                out->resize(out->size() * 2);
                dst = out->data() + used;
                dstLeft = size_t(out->size() - used);
                continue;
            }
            return false;
        }
    }
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out->resize(dst - out->data());
    return true;
}

} // namespace textcodec

TextCodec::TextCodec(const QString &name, const char *iconvName)
    : m_name(name)
    , m_utf8(iconvName == nullptr)
    , m_iconvName(iconvName)
{ }

TextCodec::~TextCodec()
{
    if (m_toUnicode)
        iconv_close(static_cast<iconv_t>(m_toUnicode));
    if (m_fromUnicode)
        iconv_close(static_cast<iconv_t>(m_fromUnicode));
}

const TextCodec *TextCodec::forEncoding(int pgEncoding)
{
    TextCodecRegistry &r = textcodec::registry();
    std::lock_guard lock(r.mutex);
    auto it = r.codecs.find(pgEncoding);
    if (it != r.codecs.end())
        return it->second;
    const char *pgName = pg_encoding_to_char(pgEncoding);
    const char *iconvName = nullptr;
    for (const auto &e : textcodec::EncodingNames) {
        if (qstrcmp(e.pg, pgName) == 0)
            iconvName = e.iconv;
    }
    if (iconvName) { // a codec that iconv lacks falls back to UTF-8 rather than failing
        iconv_t probe = iconv_open("UTF-8", iconvName);
        if (probe == iconv_t(-1))
            iconvName = nullptr;
        else
            iconv_close(probe);
    }
    auto *codec = new TextCodec(QString::fromLatin1(pgName), iconvName);
    r.codecs.emplace(pgEncoding, codec);
    return codec;
}

QString TextCodec::decode(const char *data, qsizetype length) const
{
    if (m_utf8)
        return QString::fromUtf8(data, length);
    std::lock_guard lock(m_mutex);
    if (!m_toUnicode)
        m_toUnicode = iconv_open("UTF-8", m_iconvName.constData());
    QByteArray utf8;
    if (!textcodec::convert(m_toUnicode, data, size_t(length), &utf8))
        return QString::fromLatin1(data, length);
    return QString::fromUtf8(utf8);
}

QByteArray TextCodec::encode(QStringView text, bool *ok) const
{
    *ok = true;
    if (m_utf8)
        return text.toUtf8();
    std::lock_guard lock(m_mutex);
    if (!m_fromUnicode)
        m_fromUnicode = iconv_open(m_iconvName.constData(), "UTF-8");
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    *ok = textcodec::convert(m_fromUnicode, utf8.constData(), size_t(utf8.size()), &out);
    return out;
}

} // namespace pg::detail
