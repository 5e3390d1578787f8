#include "fsql.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvscript.h"
#include "core/qvstr.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "core/sqllog.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/error.h"
#include "platform/pg/paramscanner.h"
#include "platform/pg/query.h"
#include "sqllang/qvcodeassist.h"
#include "sqlwin/fsqllog.h"
#include "ui/qvdbgrid.h"
#include "ui/qvdbgridcolumns.h"
#include "ui/rdata.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
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

const QString NothingToRun = QStringLiteral("実行するSQL文がありません。");

// The window's saved layout.
const QString ExecSqlKey = QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\EXECSQL");

// The object the window belongs to: the main window when there is one, so that the window
// outlives the connection window it was opened on; without a main window, owner.
QObject *sqlWindowOwner(QObject *owner)
{
    MainWindowServices *main = mainWindowServices();
    if (main && dynamic_cast<ConnectionWindow *>(owner))
        return main->mainWidget();
    return owner;
}

// The result of EXPLAIN: one text column of this name, one line of the plan per row (or the
// whole plan in one row for the JSON, XML and YAML forms).
const QString PlanColumnName = QStringLiteral("QUERY PLAN");

// A numeric value as the server reads it: digits with an optional point and exponent, or one of
// the special values.
bool isNumericText(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    static const QRegularExpression special(QStringLiteral("^([+-]?inf(inity)?|nan)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return number.match(text).hasMatch() || special.match(text).hasMatch();
}

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The letter after the "&" of a caption, upper-cased; a null character when there is none.
QChar mnemonicLetter(const QString &caption)
{
    const int i = int(caption.indexOf(u'&'));
    return i >= 0 && i + 1 < caption.size() ? caption.at(i + 1).toUpper() : QChar();
}

// Alt and the underlined letter of a command on the SQL window's tool bar run that command
// while the focus is in the window. The main window's menu bar answers the same keys (Alt+E is
// its 編集 menu), so the key is claimed at its shortcut override, before any shortcut is
// looked up, and the command runs at the press.
class AcceleratorFilter : public QObject
{
public:
    static void install()
    {
        static QPointer<AcceleratorFilter> filter;
        if (!filter) {
            filter = new AcceleratorFilter(qApp);
            qApp->installEventFilter(filter);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            || !watched->isWidgetType())
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
            return false;
        TfrmSQL *form = nullptr;
        for (auto *w = static_cast<QWidget *>(watched); w && !form; w = w->parentWidget()) {
            form = qobject_cast<TfrmSQL *>(w);
            if (w->isWindow())
                break;
        }
        if (!form || !form->isEnabled())
            return false;
        QAction *command = nullptr;
        for (QAction *a :
             { form->actExec, form->actPrev, form->actNext, form->actLog, form->actExit }) {
            const QChar letter = mnemonicLetter(a->text());
            if (!letter.isNull() && key->key() == letter.unicode() && a->isEnabled())
                command = a;
        }
        if (!command)
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
            command->trigger();
        return true;
    }

private:
    using QObject::QObject;
};

// The type column of the parameter grid: a pick list of the type names the grid binds, read
// through the window's connection; any other text may be typed and binds as text.
class ParamTypeDelegate : public QStyledItemDelegate
{
public:
    ParamTypeDelegate(TfrmSQL *window, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_window(window)
    { }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("cmbParamType"));
        box->setEditable(true);
        RunGuarded([&] { box->addItems(m_window->ParamTypeList()); });
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

private:
    TfrmSQL *m_window;
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

bool IsRemarkLine(const QString &line)
{
    // Only TAB, LF, CR and blank are trimmed: a line of an ideographic blank is text.
    const QString t = TrimBlanks(line).toUpper();
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

QStringList TrimRemarkLines(const QStringList &lines)
{
    QStringList out = lines;
    bool select = false;
    while (!out.isEmpty() && IsRemarkLine(out.first()))
        out.removeFirst();
    if (!out.isEmpty())
        select = beginsWithSelect(out.first());
    while (!out.isEmpty() && IsRemarkLine(out.last()))
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

QList<TSQLRange> SplitStatements(const QString &sql, bool splBodies)
{
    QList<TSQLRange> out;
    const int n = int(sql.size());
    int start = 0;
    bool hasCode = false;
    int brackets = 0;
    // the first words of the statement, to tell a routine with a body of statements
    int words = 0;
    bool createStatement = false;
    bool kindKnown = false;
    bool routine = false; // CREATE [OR REPLACE] FUNCTION or PROCEDURE
    bool toEnd = false;
    int beginDepth = 0; // BEGIN ... END blocks (and CASE ... END inside them) of a routine
    auto finish = [&](int end) {
        if (hasCode) {
            int first = start;
            int last = end;
            while (first < last && sql.at(first).isSpace())
                ++first;
            while (last > first && sql.at(last - 1).isSpace())
                --last;
            out.append({ first, last - first });
        }
        start = end + 1;
        hasCode = false;
        brackets = 0;
        words = 0;
        createStatement = kindKnown = routine = toEnd = false;
        beginDepth = 0;
    };
    int i = 0;
    while (i < n) {
        const pg::SqlSpan span = pg::skipSqlSpan(sql, i);
        if (span.end >= 0) {
            if (span.kind == pg::SqlSpanKind::Quoted)
                hasCode = true;
            i = span.end;
            continue;
        }
        const QChar c = sql.at(i);
        if (isWordStart(c)) {
            int j = i + 1;
            while (j < n && isWordChar(sql.at(j)))
                ++j;
            const QString word = sql.mid(i, j - i).toUpper();
            hasCode = true;
            if (words++ == 0) {
                createStatement = word == QLatin1String("CREATE");
                kindKnown = !createStatement;
            } else if (!kindKnown && word != QLatin1String("OR")
                       && word != QLatin1String("REPLACE")) {
                kindKnown = true;
                routine = word == QLatin1String("FUNCTION") || word == QLatin1String("PROCEDURE");
                toEnd = splBodies
                    && (routine || word == QLatin1String("TRIGGER")
                        || word == QLatin1String("PACKAGE") || word == QLatin1String("TYPE"));
            } else if (routine && brackets == 0) {
                if (word == QLatin1String("BEGIN"))
                    ++beginDepth;
                else if (word == QLatin1String("CASE") && beginDepth > 0)
                    ++beginDepth;
                else if (word == QLatin1String("END") && beginDepth > 0)
                    --beginDepth;
            }
            i = j;
            continue;
        }
        if (c == u'(' || c == u'[') {
            ++brackets;
        } else if ((c == u')' || c == u']') && brackets > 0) {
            --brackets;
        } else if (c == u';' && brackets == 0 && beginDepth == 0 && !toEnd) {
            finish(i);
            ++i;
            continue;
        }
        if (!c.isSpace())
            hasCode = true;
        ++i;
    }
    finish(n);
    return out;
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
    case pg::type::Numeric: {
        // The digits go to the server as typed: a double would bind 0.1 as
        // 0.10000000000000001. Only the locale's decimal sign is read as the server's ".".
        if (isNumericText(t))
            return pg::Param(QVariant(t), type);
        const QLocale locale;
        QString local = t;
        local.remove(locale.groupSeparator());
        local.replace(locale.decimalPoint(), QLatin1String("."));
        if (locale.decimalPoint() == QLatin1String(".") || !isNumericText(local))
            badValue(typeName, text);
        return pg::Param(QVariant(local), type);
    }
    case pg::type::Float8: {
        double v = QLocale().toDouble(t, &ok);
        if (!ok)
            v = t.toDouble(&ok);
        if (!ok)
            badValue(typeName, text);
        return pg::Param(QVariant(v), type);
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
    int sent = 0; // statements handed to the server (or stopped for their parameters)
};

// One statement of a block: its text and where its lines are in the lines run.
struct TfrmSQL::Statement
{
    QString text;
    int firstLine = 0;
    int lastLine = 0;
    bool moreFollow = false; // another statement follows in the text run
};

TfrmSQL::TfrmSQL(QObject *owner)
    : TqvForm(sqlWindowOwner(owner), !dynamic_cast<ConnectionWindow *>(owner))
{
    // Opened on a connection window, the window is bound to it whatever the main window's
    // current connection is.
    if (auto *connection = dynamic_cast<ConnectionWindow *>(owner))
        setOwnerForm(connection);
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

    mnuSQL = new QMenu(QStringLiteral("SQL実行(&O)"), this);
    mnuSQL->setObjectName(QStringLiteral("mnuSQL"));
    mnuSQL->addAction(actExec);
    mnuSQL->addSeparator();
    mnuSQL->addAction(actPrev);
    mnuSQL->addAction(actNext);
    mnuSQL->addAction(actLog);
    mnuSQL->addSeparator();
    mnuSQL->addAction(actOpen);
    mnuSQL->addAction(actSave);

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
    grdParam->setItemDelegateForColumn(2, new ParamTypeDelegate(this, grdParam));
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
    // The editor part keeps its height (SQLHeight); the results take what the window gains or
    // loses.
    splSQL->setStretchFactor(0, 0);
    splSQL->setStretchFactor(1, 1);
    watchPlan(fraData);
    watchPlan(fraExplan);
    AcceleratorFilter::install();

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
    // The connection list's message closes the window when its connection closes (DBChange);
    // a connection window that goes without it ends the binding all the same.
    connect(this, &TqvForm::ownerFormChanged, this, [this](ConnectionWindow *form) {
        if (!form && !m_closed)
            close();
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
    // The editor part: a quarter of the room below the tool bar unless its height was kept,
    // and never more than that room.
    const int room = std::max(0, height() - tolCmd->sizeHint().height());
    int sqlHeight = room / 4;
    if (AppRegistry && AppRegistry->OpenKey(ExecSqlKey, true)) {
        sqlHeight = AppRegistry->GetInteger(QStringLiteral("SQLHeight"), sqlHeight);
        AppRegistry->CloseKey();
    }
    sqlHeight = std::clamp(sqlHeight, 0, room);
    splSQL->setSizes({ sqlHeight, room - sqlHeight });
    grdParam->hide();
}

void TfrmSQL::SaveWindowState()
{
    SaveWindowSize(QStringLiteral("EXECSQL"));
    // A window never shown has no height of its own to keep.
    if (isVisible() && AppRegistry && AppRegistry->OpenKey(ExecSqlKey, true)) {
        AppRegistry->WriteInteger(QStringLiteral("SQLHeight"), pnlSQL->height());
        AppRegistry->CloseKey();
    }
}

void TfrmSQL::WMCodeAssist(TqvMemo *editor, int x, int y)
{
    ConnectionWindow *conn = OwnerForm();
    if (!conn || !conn->dbsMain() || !conn->dbsMain()->isOpen())
        return;
    RunGuarded([&] {
        ShowCodeAssist(editor, this, *conn->dbsMain(), ConnectionParams(*conn).MetaDefSchema,
                       conn->DBVer(), conn->g_bPostgresPlus(), conn->DBAMODE(), x, y);
    });
}

void TfrmSQL::FormCloseQuery(bool &)
{
    if (MainWindowServices *main = mainWindowServices())
        main->SetStatusText(QString());
}

void TfrmSQL::FormClose(TCloseAction &)
{
    m_closed = true;
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

QStringList TfrmSQL::ParamTypeList()
{
    if (!m_typeListRead && OwnerForm()) {
        QStringList names;
        pg::Oid type = pg::type::Unknown;
        for (const QString &name : OwnerForm()->GetDataType()) {
            if (GetParamFieldType(name, &type))
                names << name;
        }
        L_tstrTypLst = names;
        m_typeListRead = true;
    }
    return L_tstrTypLst;
}

void TfrmSQL::watchPlan(TfraData *frame)
{
    connect(frame, &TfraData::qryDataAfterOpen, this, [this, frame] { fitPlanColumn(frame); });
}

void TfrmSQL::fitPlanColumn(TfraData *frame)
{
    // Plan lines are long and the grid starts a text column at ten digits: the plan column
    // gets the width of its longest line, as far as the grid has room.
    const pg::DataSet *ds = frame->qryData;
    if (!ds->isActive() || ds->fields().count() != 1 || ds->fields().at(0).name != PlanColumnName)
        return;
    TDBGridColumns *columns = frame->grdData1->Columns();
    if (columns->Count() != 1)
        return;
    const QFontMetrics fm(frame->grdData1->font());
    int widest = 0;
    for (int row = 0; row < ds->recordCount(); ++row) {
        for (const QString &line : SplitLines(ds->text(row, 0)))
            widest = std::max(widest, fm.horizontalAdvance(line));
    }
    // Frames of later results sit on tabs not yet laid out; all tabs have the built-in frame's
    // size. The indicator lane and the grid lines take a little of the room.
    const TfraData *sized = frame == fraExplan ? fraExplan : fraData;
    const int room = sized->grdData1->viewport()->width() - 16;
    const int width = std::min(widest + 8, std::max(room, 100));
    if (width > columns->Items(0)->Width())
        columns->Items(0)->setWidth(width);
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
    // Text typed over a selection leaves the control's flag of a selection set with nothing
    // selected; an empty selection set at the caret puts the flag right, so that the error
    // locator selects a failing statement again.
    if (txtSQL->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEMPTY))
        txtSQL->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION,
                              txtSQL->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    const QString selection = AppOption.UsePartial ? selectionToRun() : QString();
    if (!selection.isEmpty()) {
        QString sel = selection;
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
        // Only the first statement is explained: the text after it is never sent, so a write
        // behind a SELECT does not run.
        const QString text = lines.join(QLatin1String("\r\n"));
        const QList<TSQLRange> statements = SplitStatements(text, OwnerForm()->g_bPostgresPlus());
        if (statements.isEmpty()) {
            txtSQL->CloseCodeAssist();
            ShowMessageBox(NothingToRun, MB_OK | MB_ICONINFORMATION);
            return;
        }
        const QString sql
            = StripFinalSemicolon(text.mid(statements.first().start, statements.first().length));
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
    if (run.sent == 0)
        ShowMessageBox(NothingToRun, MB_OK | MB_ICONINFORMATION);
}

QString TfrmSQL::selectionToRun() const
{
    // The selection is asked of the control itself, not of its flag (see actExecExecute).
    if (txtSQL->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEMPTY))
        return QString();
    QString text = txtSQL->hasSelectedText() ? txtSQL->selectedText() : QString();
    if (text.isEmpty())
        text = txtSQL->text(int(txtSQL->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART)),
                            int(txtSQL->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND)));
    return text;
}

bool TfrmSQL::executeStatement(Run &run)
{
    int dropped = 0; // remark lines TrimRemarkLines takes from the top
    while (dropped < run.buffer.size() && IsRemarkLine(run.buffer.at(dropped)))
        ++dropped;
    const QStringList lines = TrimRemarkLines(run.buffer);
    run.buffer.clear();
    const QString text = JoinLines(lines);
    if (text.trimmed().isEmpty())
        return false;

    // A block may hold several statements ("select ...; insert ..."): each runs on its own and
    // reports its own outcome, rows on a result tab or a row count.
    const QList<TSQLRange> ranges = SplitStatements(text, OwnerForm()->g_bPostgresPlus());
    const int blockLine = run.firstLine + dropped;
    const bool moreLines = run.lastLine < run.editorLines - 1;
    for (int i = 0; i < ranges.size(); ++i) {
        Statement statement;
        statement.text = text.mid(ranges.at(i).start, ranges.at(i).length);
        statement.firstLine
            = blockLine + int(QStringView(text).left(ranges.at(i).start).count(u'\n'));
        statement.lastLine = statement.firstLine + int(statement.text.count(u'\n'));
        statement.moreFollow = moreLines || i + 1 < ranges.size();
        if (runStatement(run, statement))
            return true;
    }
    return false;
}

bool TfrmSQL::runStatement(Run &run, const Statement &statement)
{
    ++run.sent;
    const QString &text = statement.text;
    pg::Connection *conn = OwnerForm()->dbsMain();
    // Parameters are scanned in everything but CREATE statements, whose bodies use ":" freely.
    const bool scan = pg::firstKeyword(text) != QLatin1String("CREATE");
    const TSQLKind kind = SQLStatementKind(text);
    const bool moreLines = statement.moreFollow;
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
                watchPlan(frame);
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
        LocateSQLError(txtSQL, statement.firstLine, statement.lastLine);
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
