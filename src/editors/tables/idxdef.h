#pragma once

#include <QString>
#include <QStringList>

// One index as the index editor shows it and as its statements are written: a plain value
// read from the catalog (pg_get_indexdef split into its clauses) or from the window's controls.
struct TIndexDefinition
{
    QString Schema; // the index's schema and name, exactly as stored
    QString Name;
    QString TableSchema;
    QString TableName;
    bool Only = false; // ON ONLY: a partitioned table's index without its partitions
    bool Unique = false;
    bool Expression = false; // some key is an expression
    QString Method = QStringLiteral("btree");
    // Every key as the server writes it: column or expression with COLLATE, operator class,
    // DESC and NULLS FIRST/LAST.
    QStringList Keys;
    QStringList Include; // INCLUDE columns, as written
    QString With; // storage parameters inside WITH ( )
    QString Where; // the predicate, as written
    QString Tablespace; // the tablespace shown; the database's default when the index has none

    bool operator==(const TIndexDefinition &) const = default;
};

// The clauses of an index definition as pg_get_indexdef writes it, into def (Keys, Include,
// With, Where, Only); false when the text does not have that form.
bool ParseIndexDefinition(const QString &text, const QString &method, TIndexDefinition &def);

// The index of the ")" that closes the "(" at open, skipping quoted names and literals; -1
// when there is none.
qsizetype ClosingParen(const QString &text, qsizetype open);

// Splits text at the commas outside parentheses, quoted names and literals; parts trimmed.
QStringList SplitTopLevel(const QString &text);

// The keys of an expression text, one or more per line: lines trimmed, empty ones skipped,
// joined by ", " unless the text so far ends with ",".
QString JoinExpressionLines(const QStringList &lines);

struct TIndexScriptOptions
{
    QString TablePrefix; // "schema." or empty, as the window's schema-prefix rule says
    bool WithTablespace = true; // the storage clause is written (existing index, option on)
};

// CREATE [UNIQUE ]INDEX name / ON [ONLY ]table / USING method / (keys) / [INCLUDE (...)] /
// [WITH (...)] / [TABLESPACE ts] / [WHERE predicate] / ;
QStringList IndexCreateScript(const TIndexDefinition &def, const TIndexScriptOptions &options);
QStringList IndexDropScript(const TIndexDefinition &def);
// What a DROP INDEX takes away with the index besides its definition. Read with the index and
// put back once it has been created again, in the same transaction.
struct TIndexAttachments
{
    QString Comment;
    bool Clustered = false; // the table is CLUSTER ON this index
    bool ReplicaIdentity = false; // the table's REPLICA IDENTITY USING INDEX

    bool isEmpty() const { return Comment.isEmpty() && !Clustered && !ReplicaIdentity; }
};

// The statements that put kept back on the index def names (its schema, name and table):
// COMMENT ON INDEX, ALTER TABLE ... CLUSTER ON, ALTER TABLE ... REPLICA IDENTITY USING INDEX,
// each followed by ";". tablePrefix as in TIndexScriptOptions.
QStringList IndexAttachmentScript(const TIndexDefinition &def, const TIndexAttachments &kept,
                                  const QString &tablePrefix);

// Why kept cannot be put back on the index as def describes it, one Japanese line each: the
// replica identity needs a unique index without predicate or expression, CLUSTER ON an index
// without predicate of a method that can order a table.
QStringList IndexAttachmentRefusals(const TIndexDefinition &def, const TIndexAttachments &kept);

// What turns old into now: nothing when equal; ALTER INDEX ... SET TABLESPACE when only the
// tablespace changed; otherwise DROP INDEX, CREATE INDEX and the statements that put kept
// back.
QStringList IndexChangeScript(const TIndexDefinition &old, const TIndexDefinition &now,
                              const TIndexScriptOptions &options, const QString &indexPrefix,
                              const TIndexAttachments &kept = {});
