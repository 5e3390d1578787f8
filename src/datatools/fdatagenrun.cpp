// Generation runs: the INSERT and UPDATE statements and the three runs that execute them.
#include "fdatagen.h"

#include "fdatagencursor.h"

#include "core/qvappwindows.h"
#include "core/qvcancel.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/prepared.h"
#include "platform/pg/transaction.h"

namespace {

// An identifier in double quotes, always: the statements name the table as the catalog does.
QString quotedName(const QString &name)
{
    return u'"' + QString(name).replace(u'"', QLatin1String("\"\"")) + u'"';
}

QString errorText(const std::exception &error)
{
    if (const auto *e = dynamic_cast<const pg::Error *>(&error))
        return e->text();
    return QString::fromUtf8(error.what());
}

} // namespace

void DataGenerator::log(const QString &line)
{
    Log << line;
}

void DataGenerator::logError(const QString &message)
{
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Log << text.split(u'\n');
}

// --- statements -----------------------------------------------------------------------------

QString DataGenerator::BuildInsertSQL(const QString &TableName)
{
    QStringList columns;
    QStringList values;
    for (size_t i = 0; i < DataGenColumns.size(); ++i) {
        TColParams &rule = DataGenColumns[i];
        if (rule.SetType == stNone)
            continue;
        columns << quotedName(rule.ColumnName);
        values << (rule.SetType == stVar ? FixedValueText(rule)
                                         : QStringLiteral(":COL") + QString::number(i));
        if (rule.SetType == stTemplate)
            loadTemplates(rule);
    }
    const QString table
        = TableName.isEmpty() ? quotedName(Schema) + u'.' + quotedName(ObjectName) : TableName;
    return QStringLiteral("INSERT INTO ") + table + u'(' + columns.join(QLatin1String(", "))
        + QStringLiteral(") VALUES (") + values.join(QLatin1String(", ")) + u')';
}

QString DataGenerator::BuildUpdateSQL(const QString &TableName)
{
    QStringList sets;
    for (size_t i = 0; i < DataGenColumns.size(); ++i) {
        TColParams &rule = DataGenColumns[i];
        if (rule.SetType == stNone || FPrimary.contains(rule.ColumnName))
            continue;
        sets << quotedName(rule.ColumnName) + QStringLiteral(" = ")
                + (rule.SetType == stVar ? FixedValueText(rule)
                                         : QStringLiteral(":COL") + QString::number(i));
        if (rule.SetType == stTemplate)
            loadTemplates(rule);
    }
    const QString table = TableName.isEmpty() ? quotedName(ObjectName) : TableName;
    return QStringLiteral("UPDATE ") + quotedName(Schema) + u'.' + table + QStringLiteral(" SET ")
        + sets.join(QLatin1String(", "));
}

// --- one run --------------------------------------------------------------------------------

// What every run shares: the batches, the counters, the error prompt and the end.
//
// Each batch is a unit of its own (pg::Transaction): on an idle session BEGIN ... COMMIT, so
// that the batches and Esc behave alike whatever the auto-commit setting; inside a transaction
// the user has open, a savepoint, and nothing is committed. Every row runs in its own savepoint
// ("go on after errors"), so a failing row is undone alone and the rows before it stay.
class DataGenerator::Run
{
public:
    Run(DataGenerator &generator, bool update)
        : g(generator)
        , c(generator.connection())
        , m_continue(c)
        , m_userTransaction(c.inTransaction())
        , m_batchSize(qMax(0, AppOption.DataGenCommit))
        , m_update(update)
    {
        g.Log.clear();
        g.log(QStringLiteral("SQL 文の生成中..."));
    }

    ~Run()
    {
        try {
            if (m_batch)
                m_batch->rollback();
        } catch (const std::exception &) { }
        try {
            g.qryMaster.reset();
            g.CloseLinkQueries();
        } catch (const std::exception &) {
            // a run that ends by an error reports that one
        }
        if (MainWindowServices *main = mainWindowServices())
            main->SetDefMessage();
    }

    // After the statement is built: the start line and the Esc hint.
    void start(const QString &line)
    {
        g.log(line);
        if (MainWindowServices *main = mainWindowServices())
            main->SetLoopMessage(0, 0);
    }

    // Before each row (or master row): false when Esc was pressed; the run has then ended.
    bool proceed(int row)
    {
        if (g.OnRow)
            g.OnRow(row);
        if (!EscapePressed())
            return true;
        rollbackBatch();
        g.log(QString());
        g.log(QStringLiteral("処理を中断しました。"));
        g.log(QString());
        g.log(endLine());
        return false;
    }

    // Binds the row's values and runs it. False when the user chose to stop at an error.
    bool executeRow(pg::PreparedStatement &statement)
    {
        g.bindRow(statement);
        if (!m_batch)
            m_batch = std::make_unique<pg::Transaction>(c);
        bool goOn = true;
        try {
            statement.execute();
            ++m_done;
        } catch (const pg::Error &e) {
            if (e.isConnectionLost())
                throw;
            goOn = rowFailed(e.text());
        } catch (const DataGenError &) {
            throw;
        } catch (const std::exception &e) {
            goOn = rowFailed(QString::fromUtf8(e.what()));
        }
        if (m_done > m_committed && m_batchSize != 0 && m_done % m_batchSize == 0)
            endBatch();
        return goOn;
    }

    // The closing commit and lines of a run that went to its end (or was stopped at an error).
    void finish()
    {
        if (m_batch) {
            if (m_done > m_committed)
                endBatch();
            else
                rollbackBatch();
        }
        if (m_userTransaction && m_done > 0) {
            g.log(QStringLiteral("%1 件のデータは未確定です。開いているトランザクションを COMMIT "
                                 "すると確定します。")
                      .arg(m_done));
        }
        g.log(QString());
        g.log(endLine());
    }

    // An error outside a row's execution: the open batch is rolled back and logged before the
    // error goes on to the caller, who shows it.
    void abort(const std::exception &error)
    {
        const bool hadBatch = m_batch != nullptr;
        const qint64 open = m_done - m_committed;
        rollbackBatch();
        g.logError(errorText(error));
        g.log(QString());
        if (hadBatch && open > 0)
            g.log(QStringLiteral(
                      "エラーのため処理を中断し、確定していない %1 件のデータを取り消しました。")
                      .arg(open));
        else
            g.log(QStringLiteral("エラーのため処理を中断しました。"));
        g.log(endLine());
    }

    QString endLine() const
    {
        return m_update ? QStringLiteral("データ更新処理が終了しました。")
                        : QStringLiteral("データ作成処理が終了しました。");
    }

    DataGenerator &g;
    pg::Connection &c;

private:
    bool rowFailed(const QString &message)
    {
        g.logError(message);
        if (m_ignoreErrors)
            return true;
        const TqvCheckList checks
            = { { QStringLiteral("以降のエラーを無視する"), &m_ignoreErrors } };
        const QString text = m_update
            ? QStringLiteral("データ更新中にエラーが発生しました。\r\n処理を継続しますか？")
            : QStringLiteral("データ生成中にエラーが発生しました。\r\n処理を継続しますか？");
        return ShowCheckMessage(text, MB_YESNO | MB_ICONWARNING, checks) != IDNO;
    }

    void endBatch()
    {
        if (!m_batch)
            return;
        try {
            m_batch->commit();
        } catch (const pg::Error &) {
            // the server undid the batch (a COMMIT answered with ROLLBACK, a deferred key):
            // nothing of it stays, and that is what the log must say
            rollbackBatch();
            g.log(
                QStringLiteral("%1 件のデータを確定できませんでした。").arg(m_done - m_committed));
            m_done = m_committed;
            throw;
        }
        m_batch.reset();
        m_committed = m_done;
        if (!m_userTransaction)
            g.log(QString::number(m_done) + QStringLiteral(" 件のデータを確定"));
    }

    void rollbackBatch()
    {
        if (!m_batch)
            return;
        std::unique_ptr<pg::Transaction> batch = std::move(m_batch);
        try {
            batch->rollback();
        } catch (const pg::Error &) {
            // a lost session has undone it
        }
    }

    pg::ContinueOnErrorScope m_continue;
    CancelGuard m_guard;
    const bool m_userTransaction;
    const qint64 m_batchSize;
    const bool m_update;
    std::unique_ptr<pg::Transaction> m_batch;
    qint64 m_done = 0;
    qint64 m_committed = 0;
    bool m_ignoreErrors = false;
};

void DataGenerator::bindRow(pg::PreparedStatement &statement)
{
    for (size_t i = 0; i < m_rowParams.size(); ++i) {
        if (m_rowParams[i])
            statement.bind(QStringLiteral("COL") + QString::number(i), *m_rowParams[i]);
    }
}

void DataGenerator::GenerateRows()
{
    Run run(*this, false);
    pg::PreparedStatement statement(run.c, BuildInsertSQL());
    OpenLinkQueries();
    run.start(QStringLiteral("データ生成開始"));
    try {
        for (int j = 0; j < Count; ++j) {
            if (!run.proceed(j))
                return;
            SetRowParams(j);
            if (!run.executeRow(statement))
                break;
        }
        run.finish();
    } catch (const std::exception &e) {
        run.abort(e);
        throw;
    }
}

void DataGenerator::GenerateMasterRows()
{
    Run run(*this, false);
    pg::PreparedStatement statement(run.c, BuildInsertSQL());
    OpenLinkQueries();
    qryMaster = std::make_unique<CursorQuery>(
        run.c,
        QStringLiteral("SELECT * FROM ") + QuoteName(MasterSchema) + u'.' + QuoteName(MasterTable));
    run.start(QStringLiteral("データ生成開始"));
    try {
        qryMaster->open();
        bool stop = false;
        for (int masterRow = 0; !stop && !qryMaster->eof(); ++masterRow) {
            if (!run.proceed(masterRow))
                return;
            for (int k = 1; k <= CountTo; ++k) {
                // each child beyond CountFrom comes with chance 1 - 1 / (CountTo - k + 2)
                if (k > CountFrom && Random(CountTo - k + 2) == 0)
                    break;
                SetRowParams(k - 1);
                if (!run.executeRow(statement)) {
                    stop = true;
                    break;
                }
            }
            qryMaster->next();
        }
        qryMaster.reset();
        run.finish();
    } catch (const std::exception &e) {
        run.abort(e);
        throw;
    }
}

void DataGenerator::GenerateUpdateRows()
{
    Run run(*this, true);
    QStringList keys;
    QStringList conditions;
    for (int i = 0; i < FPrimary.size(); ++i) {
        keys << quotedName(FPrimary.at(i));
        conditions << quotedName(FPrimary.at(i)) + QStringLiteral(" = :KEY") + QString::number(i);
    }
    QString keySql = QStringLiteral("SELECT ") + keys.join(u',') + QStringLiteral(" FROM ")
        + quotedName(Schema) + u'.' + quotedName(ObjectName);
    if (!Where.trimmed().isEmpty())
        keySql += QStringLiteral("\nWHERE ") + Where;
    // The keys go as parameters holding the server's own text of each key value, so that a
    // value of any type (and any bytes) names its row exactly.
    pg::PreparedStatement statement(run.c,
                                    BuildUpdateSQL() + QStringLiteral("\nWHERE ")
                                        + conditions.join(QLatin1String(" AND ")));
    OpenLinkQueries();
    run.start(QStringLiteral("データ更新開始"));

    CursorQuery keyQuery(run.c, keySql);
    try {
        keyQuery.open();
    } catch (const pg::Error &e) {
        if (e.isConnectionLost())
            throw;
        logError(e.text());
        ShowMessageBox(
            QStringLiteral("エラーが発生しました。WHERE句の指定に誤りがないかご確認ください。"),
            MB_ICONERROR);
        return;
    }
    try {
        for (int j = 0; !keyQuery.eof(); ++j) {
            if (!run.proceed(j))
                return;
            SetRowParams(j);
            for (int i = 0; i < FPrimary.size(); ++i) {
                statement.bind(QStringLiteral("KEY") + QString::number(i),
                               pg::Param::serverText(
                                   QByteArray(keyQuery.raw(i).data(), keyQuery.raw(i).size())));
            }
            if (!run.executeRow(statement))
                break;
            keyQuery.next();
        }
        keyQuery.close();
        run.finish();
    } catch (const std::exception &e) {
        run.abort(e);
        throw;
    }
}
