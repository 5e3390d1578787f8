#pragma once

#include <QString>
#include <QStringList>

// The statements of the monitoring windows (sessions, locks, server settings), per server
// version, with their values as ":name" parameters. Pure text: the windows run them, the tests
// read them.

// The sessions of one database (:datname), by process id. Below 9.2 the process id and the
// statement are procpid and current_query, and the state column is the boolean waiting.
QString SessionListSQL(int serverVersion);
// Ends one backend (:pid).
QString TerminateBackendSQL();

// The locks that concern one database (:db_name): those on its objects and those of the
// backends connected to it. A transaction-id lock has no database of its own, yet it is what
// every row-lock wait waits on, so the backend's database keeps it in the list. The age is
// measured to the moment of reading (clock_timestamp), not to the start of the reader's own
// transaction, which with auto-commit off may lie far back.
QString LockListSQL(int serverVersion);

// Statistics views are read from a snapshot that the server keeps until the transaction ends;
// this drops it, so that a read inside an open transaction sees the server as it is now.
QString ClearStatisticsSnapshotSQL();

// The server settings window.
QString DatabaseListSQL();
// The facts of one database (:datname); datlastsysoid only where the server still has it
// (below 15).
QString DatabaseInfoSQL(int serverVersion);
// Whether the session's own role is a superuser.
QString SuperUserSQL();
QString CategoryListSQL();
// pg_settings filtered by :kensaku (any of the text columns) and :category, by name.
QString ParameterListSQL();
QString ServerInfoSQL();
QString AutoConfSQL();
// Changes one setting (:name, :value) for the rest of the session.
QString SetConfigSQL();
QString ReloadConfSQL();

// The main part of a pg_settings category ("Resource Usage / Memory" gives "Resource Usage").
QString CategoryMainPart(const QString &category);

// The settings whose value is a list that the server quotes element by element; a value
// given to them as one literal becomes one element, commas and all.
bool IsQuotedListSetting(const QString &name);
// The elements of such a list as the user writes it: cut at commas outside double quotes,
// blanks around each element dropped, an element in double quotes taken without them.
QStringList SettingListElements(const QString &value);

// The ALTER SYSTEM statement of a mode: 0 SET name to value (a list setting as one literal
// per element), 1 back to the default, 2 RESET ALL. The name is written as pg_settings gives
// it.
QString AlterSystemSQL(int mode, const QString &name, const QString &value = QString());
