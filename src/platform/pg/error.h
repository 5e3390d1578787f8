#pragma once

#include <QString>

#include <exception>

namespace pg {

// SQLSTATE codes that callers of the layer branch on. The server's own codes arrive unchanged;
// the layer reports its own refusals under the standard code that fits, or under class "CV"
// (a class the standard leaves to implementations) where no standard code fits.
namespace sqlstate {
inline constexpr char ConnectionDoesNotExist[] = "08003";
inline constexpr char ConnectionFailure[] = "08006";
inline constexpr char UnableToConnect[] = "08001";
inline constexpr char InvalidAuthorization[] = "28000"; // e.g. refused by pg_hba.conf
inline constexpr char InvalidPassword[] = "28P01"; // wrong, or required and not given
inline constexpr char QueryCanceled[] = "57014";
inline constexpr char InvalidName[] = "42602"; // a :name that breaks the naming rules
inline constexpr char UndefinedParameter[] = "42P02"; // a :name without a value, or unknown
inline constexpr char CharacterNotInRepertoire[] = "22021"; // NUL in text, bad byte sequence
inline constexpr char UntranslatableCharacter[] = "22P05";
inline constexpr char TransactionRollback[] = "40000"; // COMMIT answered by ROLLBACK
inline constexpr char InFailedTransaction[] = "25P02";
inline constexpr char SyntaxError[] = "42601"; // also several statements where one is taken
inline constexpr char InvalidCursorName[] = "34000";
inline constexpr char ReadOnlyResult[] = "CV001"; // the result cannot be written back
inline constexpr char RowNotFound[] = "CV002"; // the row to change matched no row
inline constexpr char RowNotUnique[] = "CV003"; // the row to change matched several rows
inline constexpr char InvalidDataSetState[] = "CV004"; // e.g. post while browsing
inline constexpr char InvalidValue[] = "CV005"; // a value that the field cannot take
} // namespace sqlstate

// The one exception type of the layer: every server error, every lost connection and every
// refusal of the layer arrives as a pg::Error. Callers decide on sqlState(), never on the text,
// which the server may send in any language.
class Error : public std::exception
{
public:
    Error() = default;
    Error(const QString &sqlState, const QString &message, const QString &detail = QString(),
          const QString &hint = QString());

    const QString &sqlState() const { return m_sqlState; }
    // "ERROR", "FATAL", "PANIC" (never localised)
    const QString &severity() const { return m_severity; }
    const QString &message() const { return m_message; }
    const QString &detail() const { return m_detail; }
    const QString &hint() const { return m_hint; }
    const QString &context() const { return m_context; }
    // 1-based character position in statement() where the server found the fault; 0 when none
    int position() const { return m_position; }
    // the statement as the caller wrote it (":name" markers, not the "$n" sent to the server)
    const QString &statement() const { return m_statement; }
    const QString &schemaName() const { return m_schema; }
    const QString &tableName() const { return m_table; }
    const QString &columnName() const { return m_column; }
    const QString &constraintName() const { return m_constraint; }

    // The connection went away while (or before) the statement ran; the session is unusable
    // until it is connected again.
    bool isConnectionLost() const { return m_sqlState.startsWith(QLatin1String("08")); }
    bool isCancelled() const { return m_sqlState == QLatin1String(sqlstate::QueryCanceled); }

    // "ERROR: message" with DETAIL and HINT lines when present: the text to show a user.
    QString text() const;
    const char *what() const noexcept override;

    Error &setSeverity(const QString &v);
    Error &setDetail(const QString &v);
    Error &setHint(const QString &v);
    Error &setContext(const QString &v);
    Error &setPosition(int v);
    Error &setStatement(const QString &v);
    Error &setObjectNames(const QString &schema, const QString &table, const QString &column,
                          const QString &constraint);

private:
    QString m_sqlState;
    QString m_severity = QStringLiteral("ERROR");
    QString m_message;
    QString m_detail;
    QString m_hint;
    QString m_context;
    int m_position = 0;
    QString m_statement;
    QString m_schema;
    QString m_table;
    QString m_column;
    QString m_constraint;
    mutable QByteArray m_what;
};

// A NOTICE, WARNING, INFO or similar message the server sent while a statement ran.
struct Notice
{
    QString severity; // not localised: "NOTICE", "WARNING", ...
    QString sqlState;
    QString message;
    QString detail;
    QString hint;
};

} // namespace pg
