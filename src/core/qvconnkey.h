#pragma once

#include <QString>

#include <functional>

// The identity of one object on one connection, and the key texts built from it: the connection
// key that names a connection in the connection selector, the workspace and the lookup of a
// connection window, and the longer keys that end every definition window's caption (and so
// serve the one-window-per-object lookup).

struct TRecParam
{
    QString strServer; // connection parameter "Server"
    QString strDB; // "Database"
    QString strSchema; // the connection's current schema ("MetaDefSchema") or the object's
    QString strPort; // "Port", as text
    QString strUserNm; // "User_Name"
    QString strPassword; // "Password": carried along, never part of a key
    QString strObjNm; // object name, empty for a connection key
    QString strParamNm; // argument signature of a function, procedure or aggregate
    QString strTblNm; // the table a constraint, trigger, policy or rule belongs to

    bool operator==(const TRecParam &) const = default;
};

// The connection parameters by the names the data-access layer gives them.
struct TConnParams
{
    QString Server;
    QString Port;
    QString Database;
    QString User_Name;
    QString Password;
    QString MetaDefSchema;

    // Reads the six parameters through a lookup by name ("Server", "Port", "Database",
    // "User_Name", "Password", "MetaDefSchema").
    static TConnParams fromLookup(const std::function<QString(const QString &)> &param);
};

TRecParam MakeRecParam(const QString &server, const QString &db, const QString &schema,
                       const QString &port, const QString &userNm, const QString &password,
                       const QString &objNm, const QString &paramNm, const QString &tblNm);
// The usual way: the connection's six parameters, then the object's name, signature and table.
TRecParam MakeRecParam(const TConnParams &conn, const QString &objNm = {},
                       const QString &paramNm = {}, const QString &tblNm = {});

// The key text of the record in mode 0 to 7; empty for any other mode. Every mode ends in
// " @ " database "/" server ":" port, where a server that is a socket folder ("/…") stands
// without the "/" of its own:
//   0 user (the connection key)        4 schema.object
//   1 user.object                      5 schema.object(signature), or mode 4 without one
//   2 user, tail, ":" schema           6 schema.table.object
//   3 schema                           7 object
// Nothing is quoted or trimmed. With shorten, a text of more than 12 characters becomes its
// first 10 characters and "…" (task-bar buttons); characters are whole code points.
QString GetRecParamCaption(const TRecParam &param, int mode, bool shorten);

// The name unchanged while the option UseLowerName is on, else in lower case.
QString FoldNameCase(const QString &name);
