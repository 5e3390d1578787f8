#include "qvconnkey.h"

#include "qvoption.h"

TConnParams TConnParams::fromLookup(const std::function<QString(const QString &)> &param)
{
    TConnParams p;
    p.Server = param(QStringLiteral("Server"));
    p.Port = param(QStringLiteral("Port"));
    p.Database = param(QStringLiteral("Database"));
    p.User_Name = param(QStringLiteral("User_Name"));
    p.Password = param(QStringLiteral("Password"));
    p.MetaDefSchema = param(QStringLiteral("MetaDefSchema"));
    return p;
}

TRecParam MakeRecParam(const QString &server, const QString &db, const QString &schema,
                       const QString &port, const QString &userNm, const QString &password,
                       const QString &objNm, const QString &paramNm, const QString &tblNm)
{
    return TRecParam { server, db, schema, port, userNm, password, objNm, paramNm, tblNm };
}

TRecParam MakeRecParam(const TConnParams &conn, const QString &objNm, const QString &paramNm,
                       const QString &tblNm)
{
    return MakeRecParam(conn.Server, conn.Database, conn.MetaDefSchema, conn.Port, conn.User_Name,
                        conn.Password, objNm, paramNm, tblNm);
}

QString GetRecParamCaption(const TRecParam &p, int mode, bool shorten)
{
    // A server that is the folder of a Unix socket brings its own "/".
    const QString tail = QStringLiteral(" @ ") + p.strDB
        + (p.strServer.startsWith(u'/') ? QString() : QStringLiteral("/")) + p.strServer + u':'
        + p.strPort;
    QString text;
    switch (mode) {
    case 0:
        text = p.strUserNm + tail;
        break;
    case 1:
        text = p.strUserNm + u'.' + p.strObjNm + tail;
        break;
    case 2:
        text = p.strUserNm + tail + u':' + p.strSchema;
        break;
    case 3:
        text = p.strSchema + tail;
        break;
    case 4:
        text = p.strSchema + u'.' + p.strObjNm + tail;
        break;
    case 5:
        if (p.strParamNm.isEmpty())
            text = p.strSchema + u'.' + p.strObjNm + tail;
        else
            text = p.strSchema + u'.' + p.strObjNm + u'(' + p.strParamNm + u')' + tail;
        break;
    case 6:
        text = p.strSchema + u'.' + p.strTblNm + u'.' + p.strObjNm + tail;
        break;
    case 7:
        text = p.strObjNm + tail;
        break;
    default:
        return {};
    }
    if (!shorten)
        return text;

    // Count and cut in code points, so that a surrogate pair is never split.
    qsizetype cut = -1;
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())
            continue;
        if (count == 10)
            cut = i;
        ++count;
    }
    if (count <= 12)
        return text;
    return text.left(cut) + QChar(0x2026);
}

QString FoldNameCase(const QString &name)
{
    return AppOption.UseLowerName ? name : name.toLower();
}
