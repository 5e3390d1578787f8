#include "fsql.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvencoding.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvscript.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "core/sqllog.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/error.h"
#include "platform/pg/paramscanner.h"
#include "platform/pg/query.h"
#include "sqlwin/fsqllog.h"
#include "ui/qvdbgrid.h"
#include "ui/rdata.h"

#include <QAction>
#include <QCollator>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTime>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString ElapsedCaption = QStringLiteral("処理時間(HH:MM:SS.Ms)：");

bool isRemarkLine(const QString &line)
{
    const QString t = line.trimmed().toUpper();
    if (t.isEmpty())
        return true;
    for (const QLatin1String word : { QLatin1String("REMARK"), QLatin1String("REM") }) {
        if (t.startsWith(word)) {
            if (t.size() == word.size())
                return true;
            const QChar c = t.at(word.size());
            if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ')
                return true;
        }
    }
    return false;
}

bool beginsWithSelect(const QString &line)
{
    int i = 0;
    while (i < line.size() && line.at(i) == u' ')
        ++i;
    return QStringView(line).mid(i).startsWith(u"select", Qt::CaseInsensitive);
}

// The base type name of a parameter grid entry ("integer[]" as "integer").
QString baseTypeName(const QString &typeName)
{
    return typeName.endsWith(QLatin1String("[]")) ? typeName.chopped(2) : typeName;
}

[[noreturn]] void badValue(const QString &typeName, const QString &text)
{
    throw pg::Error(
        QStringLiteral("22P02"),
        QStringLiteral("バインド変数の値 \"%1\" は %2 型に変換できません。").arg(text, typeName));
}

QString fileFilter()
{
    return QStringLiteral(
        "SQLファイル(*.sql)|*.sql|テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
}

// The type column of the parameter grid: a pick list of the type names the grid binds; any
// other text may be typed and binds as text.
class ParamTypeDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("cmbParamType"));
        box->setEditable(true);
        box->addItems(ParamTypeNames());
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QComboBox *>(editor)->setCurrentText(index.data().toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText());
    }
};

} // namespace

QStringList ParamTypeNames()
{
    return { "smallint",
             "integer",
             "bigint",
             "numeric",
             "real",
             "double precision",
             "smallserial",
             "serial",
             "bigserial",
             "char",
             "varchar",
             "character",
             "character varying",
             "text",
             "time(6) without time zone",
             "timestamp(6) without time zone",
             "date",
             "boolean" };
}

TSQLKind SQLStatementKind(const QString &sql)
{
    static const QStringList rowWords
        = { "SELECT", "WITH", "VALUES", "TABLE", "SHOW", "EXPLAIN", "FETCH" };
    const QString word = pg::firstKeyword(sql);
    if (!rowWords.contains(word))
        return TSQLKind::Command;
    if (word == QLatin1String("WITH")) {
        // A WITH that ends in INSERT, UPDATE or DELETE without RETURNING reports a count.
        for (const char *dml : { "INSERT", "UPDATE", "DELETE", "MERGE" }) {
            if (pg::findTopLevelWord(sql, QLatin1String(dml)) >= 0
                && pg::findTopLevelWord(sql, QLatin1String("RETURNING")) < 0)
                return TSQLKind::Command;
        }
    }
    return TSQLKind::Rows;
}

QStringList TrimRemarkLines(const QStringList &lines)
{
    QStringList out = lines;
    bool select = false;
    while (!out.isEmpty() && isRemarkLine(out.first()))
        out.removeFirst();
    if (!out.isEmpty())
        select = beginsWithSelect(out.first());
    while (!out.isEmpty() && isRemarkLine(out.last()))
        out.removeLast();
    if (!out.isEmpty())
        select = select || beginsWithSelect(out.last());
    if (select) {
        for (QString &line : out)
            line.replace(u'\t', u' ');
    }
    return out;
}

QString StripFinalSemicolon(const QString &sql)
{
    QString text = sql.trimmed();
    if (!text.endsWith(u';'))
        return text;
    // A routine or type body keeps its ";": the server needs the one that closes it.
    if (pg::firstKeyword(text) == QLatin1String("CREATE")) {
        for (const char *kind : { "FUNCTION", "PROCEDURE", "TRIGGER", "TYPE", "PACKAGE" }) {
            if (pg::findTopLevelWord(text, QLatin1String(kind)) >= 0)
                return text;
        }
    }
    // A ";" inside an unclosed literal or body is not the statement's end.
    for (int i = 0; i < text.size();) {
        const pg::SqlSpan span = pg::skipSqlSpan(text, i);
        if (span.end < 0) {
            ++i;
            continue;
        }
        if (span.end >= text.size())
            return text;
        i = span.end;
    }
    text.chop(1);
    return text.trimmed();
}

bool GetParamFieldType(const QString &typeName, pg::Oid *type)
{
    struct Entry
    {
        const char *name;
        pg::Oid type;
    };
    // in the order of ParamTypeNames
    static const Entry entries[] = {
        { "smallint", pg::type::Int2 },
        { "integer", pg::type::Int4 },
        { "bigint", pg::type::Int8 },
        { "numeric", pg::type::Numeric },
        { "real", pg::type::Float8 },
        { "double precision", pg::type::Float8 },
        { "smallserial", pg::type::Int8 },
        { "serial", pg::type::Int8 },
        { "bigserial", pg::type::Int8 },
        { "char", pg::type::Text },
        { "varchar", pg::type::Text },
        { "character", pg::type::Text },
        { "character varying", pg::type::Text },
        { "text", pg::type::Text },
        { "time(6) without time zone", pg::type::Time },
        { "timestamp(6) without time zone", pg::type::Timestamp },
        { "date", pg::type::Date },
        { "boolean", pg::type::Bool },
    };
    const QString name = baseTypeName(typeName);
    for (const Entry &e : entries) {
        if (name == QLatin1String(e.name)) {
            *type = e.type;
            return true;
        }
    }
    *type = pg::type::Unknown;
    return false;
}

pg::Param ConvertParamValue(const QString &typeName, const QString &text)
{
    pg::Oid type = pg::type::Unknown;
    if (!GetParamFieldType(typeName, &type) || type == pg::type::Text)
        return pg::Param(QVariant(text), type);
    const QString t = text.trimmed();
    bool ok = false;
    switch (type) {
    case pg::type::Int2:
    case pg::type::Int4:
    case pg::type::Int8: {
        const qint64 v = t.toLongLong(&ok);
        const qint64 limit = type == pg::type::Int2 ? 32767
            : type == pg::type::Int4                ? 2147483647
                                                    : 0;
        if (!ok || (limit && (v > limit || v < -limit - 1)))
            badValue(typeName, text);
        return pg::Param(QVariant(v), type);
    }
    case pg::type::Numeric:
    case pg::type::Float8: {
        double v = QLocale().toDouble(t, &ok);
        if (!ok)
            v = t.toDouble(&ok);
        if (!ok)
            badValue(typeName, text);
        // numeric keeps the exact text the user wrote
        return type == pg::type::Numeric ? pg::Param(QVariant(QString::number(v, 'g', 17)), type)
                                         : pg::Param(QVariant(v), type);
    }
    case pg::type::Bool: {
        const QString l = t.toLower();
        if (l == QLatin1String("true"))
            return pg::Param(QVariant(true), type);
        if (l == QLatin1String("false"))
            return pg::Param(QVariant(false), type);
        const qint64 v = t.toLongLong(&ok);
        if (!ok)
            badValue(typeName, text);
        return pg::Param(QVariant(v != 0), type);
    }
    case pg::type::Date:
    case pg::type::Time:
    case pg::type::Timestamp:
        // the server reads the date and time forms; a bad one fails the statement
        if (t.isEmpty())
            badValue(typeName, text);
        return pg::Param(QVariant(t), type);
    default:
        return pg::Param(QVariant(text), type);
    }
}

// ---- the window

struct TfrmSQL::Run
{
    QStringList lines; // the lines run
    QStringList buffer; // the statement gathered since the last ";" line
    int firstLine = 0;
    int lastLine = 0;
    bool hideResults = false;
    bool continueOnError = false;
    bool anyRows = false;
    qint64 totalMs = 0;
    int editorLines = 0; // the editor's line count, also when a selection runs
};

TfrmSQL::TfrmSQL(QObject *owner)
    : TqvForm(owner)
{
    setObjectName(QStringLiteral("frmSQL"));
    setAcceptDrops(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto makeAction = [this](const char *name, const QString &caption) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    actExec = makeAction("actExec", QStringLiteral("実行(&E)"));
    actPrev = makeAction("actPrev", QStringLiteral("前(&P)"));
    actNext = makeAction("actNext", QStringLiteral("次(&N)"));
    actLog = makeAction("actLog", QStringLiteral("履歴(&L)"));
    actExit = makeAction("actExit", QStringLiteral("終了(&X)"));
    actOpen = makeAction("actOpen", QStringLiteral("開く(&O)"));
    actSave = makeAction("actSave", QStringLiteral("保存(&S)"));
    for (QAction *a : { actExec, actPrev, actNext, actLog, actExit })
        tolCmd->addAction(a);
    tolCmd->addSeparator();
    tolCmd->addAction(actOpen);
    tolCmd->addAction(actSave);
    btnExplan = new QToolButton(tolCmd);
    btnExplan->setObjectName(QStringLiteral("btnExplan"));
    btnExplan->setCheckable(true);
    btnExplan->setText(QStringLiteral("実行計画"));
    btnExplan->setToolTip(QStringLiteral("実行計画"));
    tolCmd->addWidget(btnExplan);
    tolCmd->addSeparator();
    auto *lbl = new QLabel(QStringLiteral("\u3000データベース "), tolCmd);
    tolCmd->addWidget(lbl);
    cmbDBName = new QComboBox(tolCmd);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    tolCmd->addWidget(cmbDBName);
    layout->addWidget(tolCmd);

    splSQL = new QSplitter(Qt::Vertical, this);
    splSQL->setObjectName(QStringLiteral("splSQL"));
    splSQL->setChildrenCollapsible(false);
    layout->addWidget(splSQL, 1);

    pnlSQL = new QWidget(splSQL);
    pnlSQL->setObjectName(QStringLiteral("pnlSQL"));
    pnlSQL->setMinimumHeight(30);
    auto *sqlLayout = new QHBoxLayout(pnlSQL);
    sqlLayout->setContentsMargins(0, 0, 0, 0);
    splParam = new QSplitter(Qt::Horizontal, pnlSQL);
    splParam->setObjectName(QStringLiteral("splParam"));
    sqlLayout->addWidget(splParam);
    txtSQL = new TqvMemo(splParam);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    grdParam = new QTableWidget(0, 3, splParam);
    grdParam->setObjectName(QStringLiteral("grdParam"));
    grdParam->setHorizontalHeaderLabels(
        { QStringLiteral("バインド変数名"), QStringLiteral("値"), QStringLiteral("型") });
    grdParam->verticalHeader()->hide();
    grdParam->setItemDelegateForColumn(2, new ParamTypeDelegate(grdParam));
    grdParam->hide();
    splParam->setStretchFactor(0, 2);
    splParam->setStretchFactor(1, 1);

    auto *results = new QWidget(splSQL);
    auto *resultsLayout = new QVBoxLayout(results);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    pagData = new QTabWidget(results);
    pagData->setObjectName(QStringLiteral("pagData"));
    tabData = new QWidget;
    tabData->setObjectName(QStringLiteral("tabData"));
    auto *tabLayout = new QVBoxLayout(tabData);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    fraData = new TfraData(tabData);
    fraData->setObjectName(QStringLiteral("fraData"));
    fraData->TableName = QStringLiteral("SQL");
    tabLayout->addWidget(fraData);
    pagData->addTab(tabData, QStringLiteral("結果"));
    resultsLayout->addWidget(pagData);

    pagExplan = new QTabWidget(results);
    pagExplan->setObjectName(QStringLiteral("pagExplan"));
    auto *tabExplan = new QWidget;
    tabExplan->setObjectName(QStringLiteral("tabExplan"));
    auto *explanLayout = new QVBoxLayout(tabExplan);
    explanLayout->setContentsMargins(0, 0, 0, 0);
    fraExplan = new TfraData(tabExplan);
    fraExplan->setObjectName(QStringLiteral("fraExplan"));
    fraExplan->TableName = QStringLiteral("SQL");
    explanLayout->addWidget(fraExplan);
    pagExplan->addTab(tabExplan, QStringLiteral("実行計画"));
    pagExplan->hide();
    resultsLayout->addWidget(pagExplan);
    splSQL->setStretchFactor(0, 1);
    splSQL->setStretchFactor(1, 3);

    connect(actExec, &QAction::triggered, this,
            [this] { RunGuarded([this] { actExecExecute(); }); });
    connect(actOpen, &QAction::triggered, this,
            [this] { RunGuarded([this] { actOpenExecute(); }); });
    connect(actSave, &QAction::triggered, this,
            [this] { RunGuarded([this] { actSaveExecute(); }); });
    connect(actPrev, &QAction::triggered, this,
            [this] { RunGuarded([this] { actPrevExecute(); }); });
    connect(actNext, &QAction::triggered, this,
            [this] { RunGuarded([this] { actNextExecute(); }); });
    connect(actLog, &QAction::triggered, this, [this] { RunGuarded([this] { actLogExecute(); }); });
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(btnExplan, &QToolButton::toggled, this, [this] { btnExplanClick(); });
    connect(txtSQL, &QsciScintilla::textChanged, this, &TfrmSQL::updateActions);
    connect(cmbDBName, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbDBNameSelect(); }); });
    connect(grdParam, &QTableWidget::currentCellChanged, this, [this](int, int column) {
        grdParam->setEditTriggers(column == 0 ? QAbstractItemView::NoEditTriggers
                                              : QAbstractItemView::AllEditTriggers);
    });

    InitForm();
    CreateTaskButton();
    SetWindowIcon(10);

    fillConnections();
    if (OwnerForm()) {
        const int i
            = cmbDBName->findData(QVariant::fromValue<QObject *>(OwnerForm()->connectionWidget()));
        cmbDBName->setCurrentIndex(i);
        cmbDBNameSelect();
    }
    updateActions();
    txtSQL->setFocus();
}

TfrmSQL::~TfrmSQL() = default;

TfrmSQL *TfrmSQL::Open(QObject *owner)
{
    return ShowWindow<TfrmSQL>(owner);
}

void TfrmSQL::updateActions()
{
    const QString text = txtSQL->text();
    actExec->setEnabled(!text.isEmpty() && text != QLatin1String("\r\n")
                        && text != QLatin1String("\n"));
    actSave->setEnabled(!text.isEmpty());
}

void TfrmSQL::fillConnections()
{
    cmbDBName->clear();
    MainWindowServices *main = mainWindowServices();
    if (!main)
        return;
    // The main window's selector lists the connection windows; each entry gets the key with
    // its schema here.
    const QList<QWidget *> windows = main->mainWidget()->findChildren<QWidget *>();
    for (QWidget *w : windows) {
        auto *conn = dynamic_cast<ConnectionWindow *>(w);
        if (!conn || !conn->dbsMain() || !conn->dbsMain()->isOpen())
            continue;
        const QString caption = GetRecParamCaption(MakeRecParam(ConnectionParams(*conn)), 2, false);
        cmbDBName->addItem(caption, QVariant::fromValue<QObject *>(conn->connectionWidget()));
    }
}

void TfrmSQL::cmbDBNameSelect()
{
    QObject *target = cmbDBName->currentData().value<QObject *>();
    auto *conn = dynamic_cast<ConnectionWindow *>(target);
    if (!conn)
        return;
    if (conn != OwnerForm())
        setOwnerForm(conn);
    const TRecParam param = MakeRecParam(ConnectionParams(*conn));
    setWindowTitle(QStringLiteral("SQL 実行 - ") + GetRecParamCaption(param, 0, false));
    setTaskCaption(GetRecParamCaption(param, 0, true));
}

void TfrmSQL::DBChange(QObject *)
{
    // The entry is found again by its connection window: two connections to one database
    // have the same caption, and only the window's own one may keep it open.
    QObject *bound = cmbDBName->currentData().value<QObject *>();
    fillConnections();
    const int i = bound ? cmbDBName->findData(QVariant::fromValue(bound)) : -1;
    if (i < 0 || !OwnerForm()) {
        close();
        return;
    }
    cmbDBName->setCurrentIndex(i);
}

void TfrmSQL::LoadWindowState()
{
    LoadWindowSize(QStringLiteral("EXECSQL"));
    grdParam->hide();
}

void TfrmSQL::SaveWindowState()
{
    SaveWindowSize(QStringLiteral("EXECSQL"));
}

void TfrmSQL::WMCodeAssist(TqvMemo *, int, int)
{ }

void TfrmSQL::FormCloseQuery(bool &)
{
    if (MainWindowServices *main = mainWindowServices())
        main->SetStatusText(QString());
}

QList<TfraData *> TfrmSQL::ResultFrames() const
{
    QList<TfraData *> out { fraData };
    for (const QPointer<TfraData> &f : m_frames) {
        if (f)
            out << f.data();
    }
    return out;
}

void TfrmSQL::freeRunFrames()
{
    for (const QPointer<TfraData> &f : std::as_const(m_frames))
        delete f.data();
    m_frames.clear();
    for (const QPointer<QWidget> &t : std::as_const(m_tabs))
        delete t.data();
    m_tabs.clear();
}

void TfrmSQL::writeElapsed(qint64 ms)
{
    if (MainWindowServices *main = mainWindowServices())
        main->SetStatusText(
            ElapsedCaption
            + QTime(0, 0).addMSecs(int(ms)).toString(QStringLiteral("hh:mm:ss.zzz")));
}

void TfrmSQL::actExecExecute()
{
    if (!OwnerForm() || !OwnerForm()->dbsMain())
        return;
    SQLWaitCursor wait;
    if (txtSQL->isModified())
        addHistory();
    txtSQL->setModified(false);
    freeRunFrames();

    Run run;
    run.editorLines = int(SplitLines(txtSQL->text()).size());
    if (AppOption.UsePartial && txtSQL->hasSelectedText()) {
        QString sel = txtSQL->selectedText();
        sel.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        run.lines = sel.split(u'\n');
    } else {
        run.lines = SplitLines(txtSQL->text());
    }

    if (btnExplan->isChecked()) {
        QStringList lines;
        for (const QString &line : std::as_const(run.lines)) {
            if (TrimControl(line) == QLatin1String(";"))
                break;
            lines << line;
        }
        lines = TrimRemarkLines(lines);
        const QString sql = StripFinalSemicolon(lines.join(QLatin1String("\r\n")));
        QElapsedTimer timer;
        timer.start();
        try {
            pg::DataSet *ds = fraExplan->qryData;
            ds->setConnection(OwnerForm()->dbsMain());
            ds->setReadOnly(true);
            ds->setSql(QStringLiteral("EXPLAIN ") + sql);
            bindParams(ds->query());
            ds->open();
            writeElapsed(timer.elapsed());
        } catch (const pg::Error &e) {
            writeElapsed(timer.elapsed());
            txtSQL->setFocus();
            LocateSQLError(txtSQL, 0, txtSQL->lines() - 1);
            ShowMessageBox(e.text(), MB_OK | MB_ICONERROR);
        }
        txtSQL->CloseCodeAssist();
        return;
    }

    bool stop = false;
    for (int i = 0; i < run.lines.size(); ++i) {
        if (TrimControl(run.lines.at(i)) == QLatin1String(";")) {
            run.lastLine = i;
            if (executeStatement(run)) {
                stop = true;
                break;
            }
            run.firstLine = i + 1;
        } else {
            run.buffer << run.lines.at(i);
        }
    }
    if (!stop) {
        run.lastLine = int(run.lines.size()) - 1;
        executeStatement(run);
    }
    txtSQL->CloseCodeAssist();
}

bool TfrmSQL::executeStatement(Run &run)
{
    const QStringList lines = TrimRemarkLines(run.buffer);
    run.buffer.clear();
    const QString text = JoinLines(lines);
    if (text.trimmed().isEmpty())
        return false;

    pg::Connection *conn = OwnerForm()->dbsMain();
    // Parameters are scanned in everything but CREATE statements, whose bodies use ":" freely.
    const bool scan = pg::firstKeyword(text) != QLatin1String("CREATE");
    const TSQLKind kind = SQLStatementKind(text);
    const bool moreLines = run.lastLine < run.editorLines - 1;
    QElapsedTimer timer;
    try {
        if (kind == TSQLKind::Rows) {
            TfraData *frame = fraData;
            if (run.anyRows) {
                auto *tab = new QWidget;
                auto *tabLayout = new QVBoxLayout(tab);
                tabLayout->setContentsMargins(0, 0, 0, 0);
                frame = new TfraData(tab);
                int n = int(m_frames.size()) + 1;
                while (findChild<TfraData *>(QStringLiteral("fraData%1").arg(n)))
                    ++n;
                frame->setObjectName(QStringLiteral("fraData%1").arg(n));
                frame->TableName = QStringLiteral("SQL(%1)").arg(n + 1);
                frame->setOwnerWindow(this);
                frame->setGridType(fraData->GridType());
                tabLayout->addWidget(frame);
                pagData->addTab(tab, QStringLiteral("結果%1").arg(m_tabs.size() + 2));
                m_tabs << tab;
                m_frames << frame;
            }
            run.anyRows = true;
            pg::DataSet *ds = frame->qryData;
            ds->close();
            ds->setConnection(conn);
            frame->setSQL(text);
            const bool readOnly = !frame->btnUpdate->isChecked();
            ds->setReadOnly(readOnly);
            ds->query().setParamScanning(scan);
            ds->setSql(StripFinalSemicolon(text));
            bindParams(ds->query());
            timer.start();
            ds->open();
            run.totalMs += timer.elapsed();
            writeElapsed(run.totalMs);
            if (readOnly)
                frame->btnUpdate->setChecked(false);
        } else {
            pg::Query query(*conn);
            query.setParamScanning(scan);
            query.setSql(StripFinalSemicolon(text));
            bindParams(query);
            timer.start();
            const qint64 rows = query.execute();
            run.totalMs += timer.elapsed();
            writeElapsed(run.totalMs);
            if (!run.hideResults) {
                TqvCheckList checks;
                if (moreLines)
                    checks << TqvCheckItem { QStringLiteral("以降の結果ダイアログを表示しない"),
                                             &run.hideResults };
                ShowCheckMessage(
                    QStringLiteral(" SQLを実行しました。\r\n(対象：%1 レコード )").arg(rows),
                    MB_OK | MB_ICONINFORMATION, checks);
            }
        }
    } catch (const SilentAbort &) {
        // the parameter grid's request stays in the status bar
        return true;
    } catch (const std::exception &e) {
        writeElapsed(run.totalMs);
        const auto *dbError = dynamic_cast<const pg::Error *>(&e);
        const QString message = dbError ? dbError->text() : QString::fromLocal8Bit(e.what());
        txtSQL->setFocus();
        LocateSQLError(txtSQL, run.firstLine, run.lastLine);
        TqvCheckList checks;
        if (moreLines)
            checks << TqvCheckItem { QStringLiteral("処理を続行する"), &run.continueOnError };
        ShowCheckMessage(message, MB_OK | MB_ICONWARNING, checks);
        // A lost session ends the run whatever the box says.
        if (!run.continueOnError || (dbError && dbError->isConnectionLost()))
            return true;
    }
    return false;
}

void TfrmSQL::bindParams(pg::Query &query)
{
    const QStringList names = query.paramNames();
    if (names.isEmpty()) {
        grdParam->hide();
        return;
    }
    bool changed = false;
    if (grdParam->isHidden()) {
        changed = true;
        const QList<int> sizes = splParam->sizes();
        const int total = std::max(300, sizes.value(0) + sizes.value(1));
        splParam->setSizes({ total - total / 3, total / 3 });
    }
    if (grdParam->rowCount() != names.size()) {
        grdParam->setRowCount(int(names.size()));
        changed = true;
    }
    for (int r = 0; r < names.size(); ++r) {
        QTableWidgetItem *name = grdParam->item(r, 0);
        if (!name) {
            name = new QTableWidgetItem;
            name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            name->setBackground(palette().button());
            grdParam->setItem(r, 0, name);
        }
        for (int c = 1; c < 3; ++c) {
            if (!grdParam->item(r, c))
                grdParam->setItem(r, c, new QTableWidgetItem);
        }
        if (name->text() != names.at(r)) {
            grdParam->item(r, 1)->setText(QString());
            changed = true;
        }
        name->setText(names.at(r));
    }
    grdParam->show();
    if (changed) {
        grdParam->setCurrentCell(0, 1);
        if (MainWindowServices *main = mainWindowServices())
            main->SetStatusText(QStringLiteral("バインド変数値を入力して下さい。"));
        throw SilentAbort();
    }
    for (int r = 0; r < names.size(); ++r)
        query.bind(r,
                   ConvertParamValue(grdParam->item(r, 2)->text(), grdParam->item(r, 1)->text()));
}

void TfrmSQL::btnExplanClick()
{
    const bool down = btnExplan->isChecked();
    pagData->setVisible(!down);
    pagExplan->setVisible(down);
    txtSQL->CloseCodeAssist();
}

void TfrmSQL::LoadFiles(QStringList paths)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(paths.begin(), paths.end(),
              [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    // Every file is read before the editor changes.
    QString text;
    const TqvEncoding encoding = GetFileEncoding();
    for (const QString &path : std::as_const(paths)) {
        QString part = LoadTextFile(path, encoding);
        if (!text.isEmpty() && !text.endsWith(u'\n'))
            text += QLatin1String("\r\n");
        text += part;
    }
    txtSQL->BeginUpdate();
    txtSQL->setText(text);
    txtSQL->EndUpdate();
    txtSQL->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    txtSQL->setCursorPosition(0, 0);
}

void TfrmSQL::actOpenExecute()
{
    const QStringList paths = ShowOpenFilesDialog(QStringLiteral("開く"), QString(), fileFilter());
    if (!paths.isEmpty())
        LoadFiles(paths);
}

void TfrmSQL::actSaveExecute()
{
    const QString path
        = ShowSaveFileDialog(QStringLiteral("保存"), QStringLiteral("Script.sql"), fileFilter());
    if (path.isEmpty())
        return;
    m_writeBom = false;
    SaveTextFile(path, txtSQL->text(), GetFileEncoding(), false);
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmSQL::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmSQL::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile(); // whole paths, whatever their length
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    RunGuarded([&] { LoadFiles(paths); });
}

void TfrmSQL::addHistory()
{
    RunGuarded([this] {
        const int index = SQLLogAdd(txtSQL->text(), m_writeBom);
        if (index >= 0)
            FLog = index;
    });
}

void TfrmSQL::loadHistory(int index)
{
    SQLWaitCursor wait;
    txtSQL->setText(SQLLogRead(index));
    txtSQL->setModified(false);
    txtSQL->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    txtSQL->setCursorPosition(0, 0);
    FLog = index;
}

void TfrmSQL::actLogExecute()
{
    const int index = TfrmSQLLog::ShowWindow(this);
    if (index >= 0)
        loadHistory(index);
}

void TfrmSQL::actPrevExecute()
{
    txtSQL->CloseCodeAssist();
    if (FLog + 1 < SQLLogList.size())
        loadHistory(FLog + 1);
}

void TfrmSQL::actNextExecute()
{
    txtSQL->CloseCodeAssist();
    if (FLog > 0) {
        loadHistory(FLog - 1);
    } else if (FLog == 0) {
        txtSQL->clear();
        txtSQL->setModified(false);
        FLog = -1;
    }
}
