#pragma once

// Private to the layer: conversion between QString and the session's client encoding.

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

namespace pg::detail {

// Text in the encoding the server sends and expects on one session. UTF8 (the usual case) is
// converted by Qt directly; any other client encoding (a session may SET CLIENT_ENCODING to
// SJIS, for one) goes through iconv.
class TextCodec
{
public:
    // The codec for libpq's encoding id; lives for the whole process.
    static const TextCodec *forEncoding(int pgEncoding);

    bool isUtf8() const { return m_utf8; }
    QString decode(const char *data, qsizetype length) const;
    // false in *ok when a character has no form in the encoding
    QByteArray encode(QStringView text, bool *ok) const;
    const QString &name() const { return m_name; }

private:
    TextCodec(const QString &name, const char *iconvName);
    ~TextCodec();
    friend struct TextCodecRegistry;

    QString m_name;
    bool m_utf8 = true;
    QByteArray m_iconvName;
    mutable std::mutex m_mutex;
    mutable void *m_toUnicode = nullptr; // iconv_t
    mutable void *m_fromUnicode = nullptr; // iconv_t
};

} // namespace pg::detail
