#pragma once

#include "platform/pg/param.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <vector>

class ConnectionWindow;

namespace pg {
class Connection;
class PreparedStatement;
} // namespace pg

// The test-data generator: per-column rules that make the values of generated rows, read from
// the catalog for one table, and the runs that insert rows, insert child rows for the rows of a
// master table, or overwrite columns of the rows there are. This is the generator without its
// window: the window holds one DataGenerator and shows and edits its fields.

// How a column gets its value; the numbers are those of the settings file.
enum TSetType : quint8 {
    stNone, // left out of the statement
    stSeqNum, // NumFrom + row × step
    stSeqDate, // one day per row from DateFrom
    stSeqTime, // one second per row from DateFrom
    stSeqDtTm, // one second per row from DateFrom
    stRandNum,
    stRandStr, // one of the eight text kinds of StrType
    stRandDate,
    stRandTime,
    stRandDtTm,
    stIn, // a random line of Variable
    stVar, // the SQL text of Variable, written into the statement
    stTemplate, // a line of template file 1, joined to one of file 2
    stLink, // a column of another table, walked through at random
    stMaster, // a column of the current master row
};
inline constexpr int SetTypeCount = 15;

// The caption of each kind, indexed by TSetType.
extern const QStringList SetTypeCaptions;

// The kinds of random text (StrType): the items of the text-kind list.
enum TDataGenStrType : qint32 {
    dsLetters,
    dsDigits,
    dsAlnum,
    dsFullWidth,
    dsUrl,
    dsMail,
    dsPhone,
    dsPostal,
};

// The rule of one column.
struct TColParams
{
    QString ColumnName;
    QString DataType; // format_type without modifier: "character varying", "numeric", ...
    qint32 Length = 0; // character length, numeric precision, bit length; 0 when none
    bool CharUsed = false; // Length counts characters (the character types)
    qint32 Scale = 0;
    bool NotNull = false;
    QString Default; // the default expression, empty when none
    TSetType SetType = stNone;
    qint32 NullPar = 0; // NULL share in percent
    double NumFrom = 0; // random lower bound; sequence start
    double NumTo = 0; // random upper bound, 0 = not given
    double Marume = 0; // random: rounding unit; sequence: step
    qint32 StrType = dsLetters;
    bool StrFull = false; // fill the whole length; sequence: zero-pad to the length
    QString StrDigit; // random text: maximum length, decimal text, may be empty
    QString StrPrefix;
    bool FlgPrefix = false;
    QDateTime DateFrom; // local wall-clock values without zone (Qt::UTC as plain carrier)
    QDateTime DateTo;
    QStringList Variable; // stIn: the values; stVar: the SQL text
    QString TemplateName1;
    QStringList Template1;
    QString TemplateName2;
    QStringList Template2;
    QString TemplateSep;
    QString LinkOwner;
    QString LinkTable;
    QString LinkColumn; // stLink: column of the link table; stMaster: of the master table
    qint32 LinkQueryTabPos = 0;
    qint32 LinkQueryColPos = 0;

    // The type as a column definition writes it ("character varying(20)"): the list's text.
    QString TypeText;
};

// The type names that get a default rule, and the nine character types.
extern const QStringList DataGenTypeNames;
extern const QStringList DataGenCharTypeNames;
// The characters random texts are drawn from.
extern const QString DataGenChars;
extern const QStringList FullWidthChars;

bool DataGenIsDateLike(const QString &dataType);

// A value the generator cannot make: a text that is no number or date for its column, a
// rounding unit of 0, a master column that is not there. It ends the run it happens in.
class DataGenError : public std::runtime_error
{
public:
    explicit DataGenError(const QString &message)
        : std::runtime_error(message.toStdString())
    { }
};

// The generation mode: the window's three mode buttons.
enum class TDataGenMode { Normal, Master, Update };

// The program's one generator of random draws, seeded once when first used.
std::mt19937_64 &DataGenRandomEngine();

// A value as the generator's date-time fields hold it: wall-clock time without a zone.
QDateTime DataGenDateTime(const QDate &date, const QTime &time = QTime(0, 0));
// Now, as such a value.
QDateTime DataGenNow();

class DataGenerator
{
public:
    explicit DataGenerator(ConnectionWindow *owner);
    ~DataGenerator();
    DataGenerator(const DataGenerator &) = delete;
    DataGenerator &operator=(const DataGenerator &) = delete;

    ConnectionWindow *FOwner = nullptr;

    // --- what the window shows and edits
    QString Schema; // cmbSchema
    QString ObjectName; // txtName
    TDataGenMode Mode = TDataGenMode::Normal;
    int Count = 0; // txtCount: rows of a normal run
    QString MasterSchema; // cmbMasterSchema
    QString MasterTable; // cmbMasterTable
    QStringList MasterColumns; // cmbColumn: the master table's columns in column order
    int CountFrom = 0; // txtCountFrom, txtCountTo: children per master row
    int CountTo = 0;
    QString Where; // txtWhere: the condition of an UPDATE run, may be empty
    bool IsSJIS = false;
    QStringList TemplateNames; // cmbTemplate1/2 without their leading empty item

    // The rules, in the table's column order (the window's list rows map onto them).
    std::vector<TColParams> DataGenColumns;
    QStringList FPrimary; // primary-key columns in key order
    QStringList FUnique; // the columns of the unique constraint whose name sorts last
    QStringList FForeign1; // the column that refers to the master table
    QStringList FForeign2; // the master table's column it refers to

    // The run log (txtLog), one entry a line.
    QStringList Log;
    // Called before each row of a run (and each master row) with its number from 0: progress.
    std::function<void(int)> OnRow;

    // The generator of the draws; tests seed their own.
    void setRandomEngine(std::mt19937_64 *engine) { m_random = engine; }
    // Random(n): uniform 0 <= r < n; 0 for n <= 0.
    qint64 Random(qint64 n);

    // --- columns and default rules
    void ReadColumns();
    void SetDefaultRules();
    void FreeColumnRules();
    // Reads the columns of the master table MasterSchema.MasterTable into MasterColumns.
    void ReadMasterColumns();
    // The template file names (without ".txt") in the data folder's DATAGEN folder.
    static QStringList ReadTemplateNames();

    // --- values
    // The fixed SQL text of a stVar rule as the statement takes it: line breaks as blanks,
    // trimmed, one trailing comma dropped.
    static QString FixedValueText(const TColParams &rule);
    // The values of one row: for each column that takes a parameter, its value (SQL NULL as a
    // null QVariant); nullopt for the columns that take none. RowNo counts from 0.
    void SetRowParams(int RowNo);
    const std::vector<std::optional<pg::Param>> &RowParams() const { return m_rowParams; }
    QDateTime RandomDateTime(const QDateTime &From, const QDateTime &To, const QString &Kind);
    void OpenLinkQueries();
    void NextLinkRows();
    void CloseLinkQueries();
    // The text a value of rule takes for its column, in the server's input form.
    static QString DateTimeText(const TColParams &rule, const QDateTime &value);

    // --- statements and runs
    QString BuildInsertSQL(const QString &TableName = QString());
    QString BuildUpdateSQL(const QString &TableName = QString());
    void GenerateRows();
    void GenerateMasterRows();
    void GenerateUpdateRows();

    // Internal: a table read through a server-side cursor (the link, master and key queries),
    // so that a run's memory does not grow with the table.
    class CursorQuery;

private:
    pg::Connection &connection() const;
    bool takesParameter(const TColParams &rule) const;
    pg::Param nullValue(const TColParams &rule) const;
    pg::Param typedValue(const TColParams &rule, const QString &text, bool isNull) const;
    pg::Param ruleValue(const TColParams &rule, int RowNo);
    pg::Param sequenceNumber(const TColParams &rule, int RowNo) const;
    pg::Param randomNumber(const TColParams &rule);
    QString randomText(const TColParams &rule);
    void loadTemplates(TColParams &rule) const;
    void log(const QString &line);
    void logError(const QString &message);
    void bindRow(pg::PreparedStatement &statement);

    class Run;
    friend class Run;

    std::mt19937_64 *m_random = nullptr;
    std::vector<std::optional<pg::Param>> m_rowParams;
    std::vector<std::unique_ptr<CursorQuery>> FLinkQuery;
    std::unique_ptr<CursorQuery> qryMaster;
};
