#include "rstorage.h"

#include "core/qvappwindows.h"
#include "core/qvname.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"
#include "ui/qvgrid.h"
#include "ui/qvstdctl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The reloptions text array of a relation, decoded element by element: the server sends
// "{a=1,\"b=x y\"}" and quotes elements holding blanks, commas, quotes or backslashes.
QStringList SplitTextArray(const QString &text)
{
    QStringList items;
    if (text.size() < 2)
        return items;
    QString item;
    bool quoted = false;
    bool inQuotes = false;
    for (int i = 1; i < text.size() - 1; ++i) {
        const QChar ch = text.at(i);
        if (inQuotes) {
            if (ch == QLatin1Char('\\') && i + 1 < text.size() - 1)
                item += text.at(++i);
            else if (ch == QLatin1Char('"'))
                inQuotes = false;
            else
                item += ch;
        } else if (ch == QLatin1Char('"')) {
            inQuotes = quoted = true;
        } else if (ch == QLatin1Char(',')) {
            items << item;
            item.clear();
            quoted = false;
        } else {
            item += ch;
        }
    }
    if (!item.isEmpty() || quoted || !items.isEmpty())
        items << item;
    return items;
}

TStorageOptions OptionsOf(const QString &array)
{
    TStorageOptions options;
    for (const QString &element : SplitTextArray(array))
        options << ParseStorageOption(element);
    return options;
}

// A value goes out bare when the grammar takes it so (words and signed numbers), else quoted.
QString OptionValueText(const QString &value)
{
    static const QRegularExpression bare(
        QStringLiteral("^(-?[0-9]+(\\.[0-9]*)?|-?\\.[0-9]+|[A-Za-z_][A-Za-z0-9_]*)$"));
    return bare.match(value).hasMatch() ? value : QuoteLiteral(value);
}

QString OptionKeyText(const QString &key, bool toast)
{
    return (toast ? QStringLiteral("TOAST.") : QString()) + key.toUpper();
}

const TStorageOption *FindOption(const TStorageOptions &options, const QString &key)
{
    for (const TStorageOption &option : options) {
        if (option.Key == key)
            return &option;
    }
    return nullptr;
}

void AppendList(QStringList &Source, const QString &head, QStringList lines)
{
    if (lines.isEmpty())
        return;
    lines.last().chop(1);
    Source << head << lines << QStringLiteral(")") << QStringLiteral(";");
}

} // namespace

TStorageOption ParseStorageOption(const QString &element)
{
    const qsizetype eq = element.indexOf(QLatin1Char('='));
    if (eq < 0)
        return { element, QString() };
    return { element.left(eq), element.mid(eq + 1) };
}

TRelationStorage LoadRelationStorage(pg::Connection &connection, const QString &Schema,
                                     const QString &ObjectName)
{
    const pg::Result rows = connection.exec(
        QStringLiteral("SELECT REL.relpersistence, REL.reloptions::text, TST.oid IS NOT NULL, "
                       "TST.reloptions::text "
                       "FROM pg_class REL "
                       "JOIN pg_namespace NMS ON NMS.oid = REL.relnamespace "
                       "LEFT JOIN pg_class TST ON TST.oid = REL.reltoastrelid "
                       "WHERE NMS.nspname = $1 AND REL.relname = $2"),
        { pg::Param(Schema), pg::Param(ObjectName) });
    TRelationStorage storage;
    if (rows.rowCount() == 0)
        return storage;
    storage.Found = true;
    storage.Persistence = rows.text(0, 0).isEmpty() ? QChar() : rows.text(0, 0).at(0);
    storage.Options = OptionsOf(rows.text(0, 1));
    storage.HasToast = rows.text(0, 2) == QLatin1String("t");
    storage.ToastOptions = OptionsOf(rows.text(0, 3));
    return storage;
}

QStringList LoadParentTables(pg::Connection &connection, const QString &Schema,
                             const QString &ObjectName)
{
    const pg::Result rows
        = connection.exec(QStringLiteral("SELECT N.nspname, C.relname FROM pg_inherits I "
                                         "JOIN pg_class C ON C.oid = I.inhparent "
                                         "JOIN pg_namespace N ON N.oid = C.relnamespace "
                                         "JOIN pg_class C2 ON C2.oid = I.inhrelid "
                                         "JOIN pg_namespace N2 ON N2.oid = C2.relnamespace "
                                         "WHERE N2.nspname = $1 AND C2.relname = $2 "
                                         "ORDER BY C.relname, N.nspname"),
                          { pg::Param(Schema), pg::Param(ObjectName) });
    QStringList parents;
    for (int i = 0; i < rows.rowCount(); ++i)
        parents << QuoteName(rows.text(i, 0)) + QLatin1Char('.') + QuoteName(rows.text(i, 1));
    return parents;
}

QStringList StorageWithClause(const TStorageOptions &Options, const TStorageOptions &ToastOptions)
{
    QStringList lines;
    for (const TStorageOption &option : Options)
        lines << QStringLiteral("    ") + OptionKeyText(option.Key, false) + QStringLiteral(" = ")
                + OptionValueText(option.Value) + QLatin1Char(',');
    for (const TStorageOption &option : ToastOptions)
        lines << QStringLiteral("    ") + OptionKeyText(option.Key, true) + QStringLiteral(" = ")
                + OptionValueText(option.Value) + QLatin1Char(',');
    QStringList Source;
    if (lines.isEmpty())
        return Source;
    lines.last().chop(1);
    Source << QStringLiteral("WITH (") << lines << QStringLiteral(")");
    return Source;
}

QString StorageOptionList(const TStorageOptions &Options)
{
    QStringList items;
    for (const TStorageOption &option : Options)
        items << option.Key + QStringLiteral(" = ") + OptionValueText(option.Value);
    return items.join(QStringLiteral(", "));
}

QStringList StorageAlterSource(const QString &Head, const TStorageOptions &OldOptions,
                               const TStorageOptions &OldToast, const TStorageOptions &NewOptions,
                               const TStorageOptions &NewToast)
{
    QStringList sets;
    QStringList resets;
    const auto compare = [&](const TStorageOptions &olds, const TStorageOptions &news, bool toast) {
        for (const TStorageOption &option : news) {
            const TStorageOption *was = FindOption(olds, option.Key);
            if (!was || was->Value != option.Value)
                sets << QStringLiteral("    ") + OptionKeyText(option.Key, toast)
                        + QStringLiteral(" = ") + OptionValueText(option.Value) + QLatin1Char(',');
        }
        for (const TStorageOption &option : olds) {
            if (!FindOption(news, option.Key))
                resets << QStringLiteral("    ") + OptionKeyText(option.Key, toast)
                        + QLatin1Char(',');
        }
    };
    compare(OldOptions, NewOptions, false);
    compare(OldToast, NewToast, true);
    QStringList Source;
    AppendList(Source, Head + QStringLiteral(" SET ("), sets);
    AppendList(Source, Head + QStringLiteral(" RESET ("), resets);
    return Source;
}

namespace rstorage {

const QString NormalName = QStringLiteral("標準");
const QString PartitionName = QStringLiteral("継承");
const QString TempName = QStringLiteral("一時表");

// The list of every ordinary table a parent row may name, as quoted schema.table.
const char *const ParentPickSQL = "SELECT N.nspname, C.relname FROM pg_class C "
                                  "JOIN pg_namespace N ON N.oid = C.relnamespace "
                                  "WHERE C.relkind = 'r' AND N.nspname NOT LIKE E'pg\\\\_%' "
                                  "AND N.nspname <> 'information_schema' "
                                  "ORDER BY C.relnamespace, C.relname";

QIcon mainImage(int index)
{
    MainWindowServices *main = mainWindowServices();
    return main ? main->imgMain(index) : QIcon();
}

} // namespace rstorage

TStorageAsShown::TStorageAsShown()
    : m_previous(AppOption.flgCallFromTbl)
{
    AppOption.flgCallFromTbl = true;
}

TStorageAsShown::~TStorageAsShown()
{
    AppOption.flgCallFromTbl = m_previous;
}

TfraStorage::TfraStorage(TqvForm *AOwner, QWidget *parent)
    : QWidget(parent)
    , FOwner(AOwner)
{
    setObjectName(QStringLiteral("fraStorage"));
    setupUi();
    pagStorage->setCurrentWidget(tabDefault);
    UpdateTarget();
}

void TfraStorage::setupUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    pnlStorageType = new QWidget(this);
    pnlStorageType->setObjectName(QStringLiteral("pnlStorageType"));
    auto *top = new QHBoxLayout(pnlStorageType);
    top->setContentsMargins(0, 0, 0, 0);
    lblStorageType = new QLabel(QStringLiteral("格納方法"), pnlStorageType);
    lblStorageType->setObjectName(QStringLiteral("lblStorageType"));
    cmbStorageType = new TqvComboBox(pnlStorageType);
    cmbStorageType->setObjectName(QStringLiteral("cmbStorageType"));
    cmbStorageType->setMinimumWidth(140);
    cmbStorageType->addItem(rstorage::NormalName);
    chkLog = new TqvCheckBox(QStringLiteral("ログに記録"), pnlStorageType);
    chkLog->setObjectName(QStringLiteral("chkLog"));
    top->addWidget(lblStorageType);
    top->addWidget(cmbStorageType);
    top->addSpacing(16);
    top->addWidget(chkLog);
    top->addStretch(1);
    layout->addWidget(pnlStorageType);

    pagStorage = new QStackedWidget(this);
    pagStorage->setObjectName(QStringLiteral("pagStorage"));
    pagStorage->addWidget(setupDefaultPage());
    pagStorage->addWidget(setupPartitionPage());
    pagStorage->addWidget(setupTemporaryPage());
    layout->addWidget(pagStorage, 1);

    connect(cmbStorageType, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbStorageTypeChange(); }); });
    connect(chkLog, &QCheckBox::clicked, this, [this] { FOwner->setModified(true); });
}

QWidget *TfraStorage::setupDefaultPage()
{
    tabDefault = new QWidget(this);
    tabDefault->setObjectName(QStringLiteral("tabDefault"));
    auto *page = new QVBoxLayout(tabDefault);
    page->setContentsMargins(0, 4, 0, 0);
    auto *layout = new QFormLayout;
    page->addLayout(layout);
    page->addStretch(1);
    cmbTBS = new TqvComboBox(tabDefault);
    cmbTBS->setObjectName(QStringLiteral("cmbTBS"));
    cmbTBS->setEditable(true);
    cmbTBS->setMinimumWidth(200);
    auto *label = new QLabel(QStringLiteral("表領域"), tabDefault);
    label->setObjectName(QStringLiteral("lblTBS"));
    layout->addRow(label, cmbTBS);
    connect(cmbTBS, &QComboBox::editTextChanged, this, [this] {
        if (cmbTBS->currentText() != m_savedTBS)
            FOwner->setModified(true);
    });
    connect(cmbTBS, &TqvComboBox::OnDropDown, this,
            [this] { RunGuarded([this] { cmbTBSDropDown(); }); });

    chkAutoVacuum = new QCheckBox(QStringLiteral("自動バキューム"), tabDefault);
    chkAutoVacuum->setObjectName(QStringLiteral("chkAutoVacuum"));
    chkAutoVacuum->setVisible(false);
    layout->addRow(chkAutoVacuum);
    grpAutoVacuum = new QGroupBox(tabDefault);
    grpAutoVacuum->setObjectName(QStringLiteral("grpAutoVacuum"));
    grpAutoVacuum->setVisible(false);
    layout->addRow(grpAutoVacuum);
    auto *rows = new QFormLayout(grpAutoVacuum);
    rdoVacuumTarget = new QGroupBox(QStringLiteral("バキューム対象"), grpAutoVacuum);
    rdoVacuumTarget->setObjectName(QStringLiteral("rdoVacuumTarget"));
    auto *targets = new QHBoxLayout(rdoVacuumTarget);
    rdoTargetTable = new QRadioButton(QStringLiteral("テーブル"), rdoVacuumTarget);
    rdoTargetTable->setObjectName(QStringLiteral("rdoTargetTable"));
    rdoTargetTable->setChecked(true);
    rdoTargetToast = new QRadioButton(QStringLiteral("トーストテーブル"), rdoVacuumTarget);
    rdoTargetToast->setObjectName(QStringLiteral("rdoTargetToast"));
    targets->addWidget(rdoTargetTable);
    targets->addWidget(rdoTargetToast);
    rows->addRow(rdoVacuumTarget);
    static const char *const captions[]
        = { "自動バキュームデーモン", "VACUUMベースの境界値", "ANALYZEベースの境界値",
            "VACUUMスケール因数",     "ANALYZEスケール因数",  "VACUUMコスト・ディレイ",
            "VACUUMコスト・リミット", "最小フリーズ年数",     "最大フリーズ年数",
            "テーブルフリーズ年数" };
    static const char *const names[]
        = { "Enabled",     "VacuumThreshold", "AnalyzeThreshold", "VacuumFactor", "AnalyzeFactor",
            "VaccumDelay", "VacuumLimit",     "FreezeMin",        "FreezeMax",    "FreezeTable" };
    // Digits with one decimal point and an optional sign: the value is kept as typed and the
    // server judges its range.
    static const QRegularExpression number(QStringLiteral("-?[0-9]*(\\.[0-9]*)?"));
    for (int i = 0; i < 10; ++i) {
        auto *cell = new QWidget(grpAutoVacuum);
        auto *line = new QHBoxLayout(cell);
        line->setContentsMargins(0, 0, 0, 0);
        const QString name = QString::fromLatin1(names[i]);
        QWidget *rel = nullptr;
        QWidget *toast = nullptr;
        if (i == 0) {
            chkEnabled = new QCheckBox(cell);
            chkToastEnabled = new QCheckBox(cell);
            for (QCheckBox *box : { chkEnabled, chkToastEnabled }) {
                box->setTristate(true);
                box->setCheckState(Qt::PartiallyChecked);
                connect(box, &QCheckBox::stateChanged, this, [this] { FOwner->setModified(true); });
            }
            rel = chkEnabled;
            toast = chkToastEnabled;
        } else {
            auto *relEdit = new QLineEdit(cell);
            auto *toastEdit = new QLineEdit(cell);
            for (QLineEdit *edit : { relEdit, toastEdit }) {
                edit->setValidator(new QRegularExpressionValidator(number, edit));
                connect(edit, &QLineEdit::textEdited, this, [this] { FOwner->setModified(true); });
            }
            RelationEdits << relEdit;
            ToastEdits << toastEdit;
            rel = relEdit;
            toast = toastEdit;
        }
        rel->setObjectName((i == 0 ? QStringLiteral("chk") : QStringLiteral("txt")) + name);
        toast->setObjectName((i == 0 ? QStringLiteral("chkToast") : QStringLiteral("txtToast"))
                             + name);
        line->addWidget(rel);
        line->addWidget(toast);
        auto *caption = new QLabel(QString::fromUtf8(captions[i]), grpAutoVacuum);
        rows->addRow(caption, cell);
    }
    connect(chkAutoVacuum, &QCheckBox::toggled, this, [this] {
        UpdateTarget();
        FOwner->setModified(true);
    });
    connect(rdoTargetTable, &QRadioButton::toggled, this, [this] { UpdateTarget(); });
    return tabDefault;
}

QWidget *TfraStorage::setupPartitionPage()
{
    tabPartition = new QWidget(this);
    tabPartition->setObjectName(QStringLiteral("tabPartition"));
    auto *page = new QVBoxLayout(tabPartition);
    page->setContentsMargins(0, 4, 0, 0);
    auto *tools = new QHBoxLayout;
    tools->setSpacing(2);
    const auto button = [this](const char *name, const QString &hint, int image) {
        auto *b = new QToolButton(tabPartition);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setIcon(rstorage::mainImage(image));
        b->setAutoRaise(true);
        if (b->icon().isNull())
            b->setText(hint);
        return b;
    };
    btnPartIns = button("btnPartIns", QStringLiteral("パーティションの追加"), 39);
    btnPartDel = button("btnPartDel", QStringLiteral("パーティションの削除"), 40);
    tools->addWidget(btnPartIns);
    tools->addWidget(btnPartDel);
    tools->addStretch(1);
    page->addLayout(tools);

    grdPartition = new TqvStringGrid(tabPartition);
    grdPartition->setObjectName(QStringLiteral("grdPartition"));
    grdPartition->setColCount(1);
    grdPartition->setFixedCols(0);
    grdPartition->setRowCount(2);
    grdPartition->setFixedRows(1);
    grdPartition->setDefaultRowHeight(18);
    grdPartition->setColWidths(0, 389);
    grdPartition->setHeader({ QStringLiteral("親テーブル名") });
    grdPartition->setOptions(grdPartition->Options() | goEditing);
    grdPartition->SetEditStyles(0, gePickList);
    grdPartition->setObjects(0, 1, 0);
    page->addWidget(grdPartition, 1);

    connect(btnPartIns, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnPartInsClick(); }); });
    connect(btnPartDel, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnPartDelClick(); }); });
    connect(grdPartition, &TqvStringGrid::OnGetPickListitems, this,
            [this](int col, int row, QStringList &items) {
                RunGuarded([&] { grdPartitionGetPickListitems(col, row, items); });
            });
    return tabPartition;
}

QWidget *TfraStorage::setupTemporaryPage()
{
    tabTemporary = new QWidget(this);
    tabTemporary->setObjectName(QStringLiteral("tabTemporary"));
    auto *page = new QVBoxLayout(tabTemporary);
    page->setContentsMargins(0, 4, 0, 0);
    grpOnCommit = new QGroupBox(QStringLiteral("データ保持期間"), tabTemporary);
    grpOnCommit->setObjectName(QStringLiteral("grpOnCommit"));
    auto *choices = new QVBoxLayout(grpOnCommit);
    rdoTransaction = new TqvRadioButton(QStringLiteral("コミット後にデータ削除"), grpOnCommit);
    rdoTransaction->setObjectName(QStringLiteral("rdoTransaction"));
    rdoSession = new TqvRadioButton(QStringLiteral("セッション終了後にデータ削除"), grpOnCommit);
    rdoSession->setObjectName(QStringLiteral("rdoSession"));
    choices->addWidget(rdoTransaction);
    choices->addWidget(rdoSession);
    page->addWidget(grpOnCommit);
    page->addStretch(1);
    for (TqvRadioButton *choice : { rdoTransaction, rdoSession })
        connect(choice, &QRadioButton::clicked, this, [this] { FOwner->setModified(true); });
    return tabTemporary;
}

const QStringList &TfraStorage::AutovacuumKeys()
{
    static const QStringList keys = {
        QStringLiteral("autovacuum_enabled"),
        QStringLiteral("autovacuum_vacuum_threshold"),
        QStringLiteral("autovacuum_analyze_threshold"),
        QStringLiteral("autovacuum_vacuum_scale_factor"),
        QStringLiteral("autovacuum_analyze_scale_factor"),
        QStringLiteral("autovacuum_vacuum_cost_delay"),
        QStringLiteral("autovacuum_vacuum_cost_limit"),
        QStringLiteral("autovacuum_freeze_min_age"),
        QStringLiteral("autovacuum_freeze_max_age"),
        QStringLiteral("autovacuum_freeze_table_age"),
    };
    return keys;
}

bool TfraStorage::IsTable() const
{
    return (FObjType >= 0 ? FObjType : FOwner->ObjType()) == ObjType::Table;
}

bool TfraStorage::HasAutovacuum() const
{
    const int code = FObjType >= 0 ? FObjType : FOwner->ObjType();
    return code == ObjType::Table || code == ObjType::MaterializedView;
}

bool TfraStorage::AsShown() const
{
    return FOwner->SourceMode == smShow || AppOption.flgCallFromTbl;
}

QString TfraStorage::ObjectText() const
{
    return QuoteName(FSchema) + QLatin1Char('.') + QuoteName(FObjectName);
}

TfraStorage::TStorageType TfraStorage::StorageType() const
{
    const QString name = cmbStorageType->currentText();
    if (name == rstorage::PartitionName)
        return ptPartition;
    if (name == rstorage::TempName)
        return ptTemp;
    return ptNormal;
}

QStringList TfraStorage::ExistingTableTypes() const
{
    using namespace rstorage;
    return m_loaded.IsTemporary() ? QStringList { TempName }
                                  : QStringList { NormalName, PartitionName };
}

void TfraStorage::SetStorageTypes(const QStringList &names)
{
    const QSignalBlocker quiet(cmbStorageType);
    cmbStorageType->clear();
    cmbStorageType->addItems(names);
}

void TfraStorage::UpdateTarget()
{
    const bool toast = rdoTargetToast->isChecked();
    const bool on = chkAutoVacuum->isChecked();
    chkEnabled->setVisible(!toast);
    chkToastEnabled->setVisible(toast);
    for (QLineEdit *edit : RelationEdits)
        edit->setVisible(!toast);
    for (QLineEdit *edit : ToastEdits)
        edit->setVisible(toast);
    rdoVacuumTarget->setEnabled(on);
    chkEnabled->setEnabled(on);
    chkToastEnabled->setEnabled(on);
    for (QLineEdit *edit : RelationEdits + ToastEdits)
        edit->setEnabled(on);
    // a TOAST table is not analysed
    ToastEdits.at(1)->setEnabled(false);
    ToastEdits.at(3)->setEnabled(false);
}

void TfraStorage::Init(const QString &Schema, const QString &ObjectName)
{
    using namespace rstorage;
    FSchema = Schema;
    FObjectName = ObjectName;
    if (FObjType >= 0 && FObjType != ObjType::Table)
        return;
    IsInit = true;
    FObjType = FOwner->ObjType();
    switch (FObjType) {
    case ObjType::Table:
        if (FOwner->IsNew()) {
            SetStorageTypes({ NormalName, TempName, PartitionName });
            chkLog->setChecked(true);
        } else {
            // temporary by the table's persistence, whatever its schema is called
            const QString key = ObjectText();
            if (m_loadedName != key) {
                m_loaded
                    = LoadRelationStorage(*FOwner->OwnerForm()->dbsMain(), FSchema, FObjectName);
                m_loadedName = key;
            }
            SetStorageTypes(ExistingTableTypes());
        }
        cmbStorageType->setCurrentIndex(0);
        cmbStorageTypeChange();
        break;
    case ObjType::MaterializedView:
        SetStorageTypes({ NormalName });
        cmbStorageType->setCurrentIndex(0);
        cmbStorageTypeChange();
        break;
    default:
        // index and constraint: the tablespace alone
        SetStorageTypes({ NormalName });
        cmbStorageType->setCurrentIndex(-1);
        chkLog->setVisible(false);
        if (FObjType == ObjType::Index)
            pnlStorageType->setVisible(false);
        pagStorage->setCurrentWidget(tabDefault);
        break;
    }
}

void TfraStorage::cmbStorageTypeChange()
{
    btnPartIns->setEnabled(true);
    btnPartDel->setEnabled(true);
    grpAutoVacuum->setVisible(false);
    switch (StorageType()) {
    case ptNormal:
        pagStorage->setCurrentWidget(tabDefault);
        chkAutoVacuum->setVisible(HasAutovacuum());
        grpAutoVacuum->setVisible(HasAutovacuum());
        chkLog->setVisible(IsTable());
        break;
    case ptPartition:
        pagStorage->setCurrentWidget(tabPartition);
        chkLog->setVisible(IsTable());
        break;
    case ptTemp:
        pagStorage->setCurrentWidget(tabTemporary);
        // an existing temporary table keeps the choice it was created with
        grpOnCommit->setVisible(FOwner->IsNew());
        chkLog->setVisible(false);
        break;
    }
    FOwner->setModified(true);
}

void TfraStorage::ShowDefine()
{
    using namespace rstorage;
    const SQLWaitCursor wait;
    if (!IsTable() && !HasAutovacuum())
        return;
    pg::Connection &connection = *FOwner->OwnerForm()->dbsMain();
    m_loaded = LoadRelationStorage(connection, FSchema, FObjectName);
    m_loadedName = ObjectText();
    const bool table = IsTable();
    if (table && m_loaded.Found) {
        const QChar persistence = m_loaded.Persistence;
        if (persistence == QLatin1Char('p') || persistence == QLatin1Char('u')) {
            chkLog->setVisible(true);
            chkLog->setChecked(persistence == QLatin1Char('p'));
        } else if (persistence == QLatin1Char('t')) {
            chkLog->setVisible(false);
            chkLog->setChecked(true);
        }
        if (!FOwner->IsNew())
            SetStorageTypes(ExistingTableTypes());
    }

    rdoTargetToast->setEnabled(m_loaded.HasToast);
    const QStringList &keys = AutovacuumKeys();
    bool any = false;
    const auto fill
        = [&](const TStorageOptions &options, QCheckBox *enabled, const QList<QLineEdit *> &edits) {
              enabled->setCheckState(Qt::PartiallyChecked);
              for (QLineEdit *edit : edits)
                  edit->clear();
              for (const TStorageOption &option : options) {
                  const qsizetype at = keys.indexOf(option.Key);
                  if (at < 0)
                      continue;
                  any = true;
                  if (at == 0) {
                      const QString v = option.Value.toLower();
                      const bool on = v == QLatin1String("true") || v == QLatin1String("on")
                          || v == QLatin1String("yes") || v == QLatin1String("1");
                      enabled->setCheckState(on ? Qt::Checked : Qt::Unchecked);
                  } else {
                      edits.at(at - 1)->setText(option.Value);
                  }
              }
          };
    fill(m_loaded.Options, chkEnabled, RelationEdits);
    fill(m_loaded.ToastOptions, chkToastEnabled, ToastEdits);
    // any parameter of the ten set means the relation carries its own autovacuum settings
    chkAutoVacuum->setChecked(any);
    UpdateTarget();

    if (table) {
        m_parents = LoadParentTables(connection, FSchema, FObjectName);
        ShowParents();
    }
    // An existing child opens as standard: its parents show when the user picks "継承".
    const QString type
        = table && !FOwner->IsNew() && m_loaded.IsTemporary() ? TempName : NormalName;
    cmbStorageType->setCurrentIndex(cmbStorageType->findText(type));
    cmbStorageTypeChange();
}

void TfraStorage::ShowParents()
{
    grdPartition->setRowCount(int(m_parents.size()) + 2);
    for (int n = 1; n <= m_parents.size(); ++n) {
        grdPartition->setCells(0, n, m_parents.at(n - 1));
        grdPartition->setObjects(0, n, n);
    }
    const int last = grdPartition->RowCount() - 1;
    grdPartition->setCells(0, last, QString());
    grdPartition->setObjects(0, last, 0);
    grdPartition->setCurrentCell(0, 1);
}

TStorageOptions TfraStorage::CurrentOptions(bool Toast) const
{
    const TStorageOptions &loaded = Toast ? m_loaded.ToastOptions : m_loaded.Options;
    QCheckBox *enabled = Toast ? chkToastEnabled : chkEnabled;
    const QList<QLineEdit *> &edits = Toast ? ToastEdits : RelationEdits;
    const QStringList &keys = AutovacuumKeys();
    const auto valueOf = [&](int at) -> QString {
        if (!chkAutoVacuum->isChecked())
            return QString();
        if (at > 0)
            return edits.at(at - 1)->text().trimmed();
        if (enabled->checkState() == Qt::PartiallyChecked)
            return QString();
        // the loaded spelling stays when it means the same
        const bool on = enabled->checkState() == Qt::Checked;
        for (const TStorageOption &option : loaded) {
            if (option.Key == keys.at(0)) {
                const QString v = option.Value.toLower();
                const bool was = v == QLatin1String("true") || v == QLatin1String("on")
                    || v == QLatin1String("yes") || v == QLatin1String("1");
                if (was == on)
                    return option.Value;
            }
        }
        return on ? QStringLiteral("true") : QStringLiteral("false");
    };
    TStorageOptions options;
    QList<bool> placed(keys.size(), false);
    for (const TStorageOption &option : loaded) {
        const qsizetype at = keys.indexOf(option.Key);
        if (at < 0) {
            options << option;
            continue;
        }
        placed[at] = true;
        const QString value = valueOf(int(at));
        if (!value.isEmpty())
            options << TStorageOption { option.Key, value };
    }
    for (int at = 0; at < keys.size(); ++at) {
        if (placed.at(at))
            continue;
        const QString value = valueOf(at);
        if (!value.isEmpty())
            options << TStorageOption { keys.at(at), value };
    }
    return options;
}

bool TfraStorage::IsChanged() const
{
    return CurrentOptions(false) != m_savedOptions || CurrentOptions(true) != m_savedToast;
}

bool TfraStorage::IsCreate() const
{
    if (rdoTransaction->IsChanged() || rdoSession->IsChanged())
        return true;
    return IsTable() && FOwner->OwnerForm()->DBVer() < 90500 && chkLog->IsChanged();
}

void TfraStorage::GetSourceAlterV(QStringList &Source) const
{
    if (!HasAutovacuum())
        return;
    const QString head
        = (FObjType == ObjType::MaterializedView ? QStringLiteral("ALTER MATERIALIZED VIEW ")
                                                 : QStringLiteral("ALTER TABLE "))
        + ObjectText();
    Source << StorageAlterSource(head, m_savedOptions, m_savedToast, CurrentOptions(false),
                                 CurrentOptions(true));
}

void TfraStorage::GetSourceAlterN(QStringList &Source) const
{
    if (!IsTable() || FOwner->OwnerForm()->DBVer() < 90500
        || pagStorage->currentWidget() == tabTemporary || !chkLog->IsChanged())
        return;
    Source << (chkLog->isChecked() ? QStringLiteral("SET LOGGED") : QStringLiteral("SET UNLOGGED"));
}

void TfraStorage::GetSourceAlterP(QStringList &Source) const
{
    if (!IsTable())
        return;
    const QString head = QStringLiteral("ALTER TABLE ") + ObjectText();
    const QString semicolon = QStringLiteral(";");
    QStringList removals;
    QStringList additions;
    QList<bool> kept(m_parents.size(), false);
    for (int row = 1; row < grdPartition->RowCount(); ++row) {
        const QString text = grdPartition->Cells(0, row).trimmed();
        const int slot = grdPartition->Objects(0, row).toInt();
        if (text.isEmpty())
            continue;
        if (slot <= 0 || slot > m_parents.size()) {
            Source << head + QStringLiteral(" INHERIT ") + text << semicolon;
            continue;
        }
        kept[slot - 1] = true;
        const QString &parent = m_parents.at(slot - 1);
        if (text != parent) {
            removals << head + QStringLiteral(" NO INHERIT ") + parent << semicolon;
            additions << head + QStringLiteral(" INHERIT ") + text << semicolon;
        }
    }
    Source << removals << additions;
    // parents whose row was emptied or deleted
    for (int n = 0; n < m_parents.size(); ++n) {
        if (!kept.at(n))
            Source << head + QStringLiteral(" NO INHERIT ") + m_parents.at(n) << semicolon;
    }
}

void TfraStorage::GetSourceAlterT(QStringList &Source) const
{
    if (!HasAutovacuum() || !IsTablespaceChanged())
        return;
    const QString space = cmbTBS->currentText().trimmed();
    if (space.isEmpty())
        return;
    Source << (FObjType == ObjType::MaterializedView ? QStringLiteral("ALTER MATERIALIZED VIEW ")
                                                     : QStringLiteral("ALTER TABLE "))
            + ObjectText() + QStringLiteral(" SET TABLESPACE ") + QuoteName(space)
           << QStringLiteral(";");
}

void TfraStorage::Save()
{
    m_savedTBS = cmbTBS->currentText();
    m_savedOptions = CurrentOptions(false);
    m_savedToast = CurrentOptions(true);
    cmbTBS->Save();
    cmbStorageType->Save();
    chkLog->Save();
    rdoTransaction->Save();
    rdoSession->Save();
    grdPartition->Save();
}

bool TfraStorage::IsTablespaceChanged() const
{
    return cmbTBS->currentText() != m_savedTBS;
}

bool TfraStorage::WritesStorage() const
{
    return AsShown() ? AppOption.ShowStorageSource : ScriptOption.Storage;
}

void TfraStorage::GetSourceCreate(QStringList &Source) const
{
    if (IsTable()) {
        QStringList parents;
        for (int row = 1; row < grdPartition->RowCount(); ++row) {
            const QString text = grdPartition->Cells(0, row).trimmed();
            if (!text.isEmpty())
                parents << text;
        }
        if (!parents.isEmpty())
            Source << QStringLiteral("INHERITS (") + parents.join(QStringLiteral(", "))
                    + QLatin1Char(')');
    }
    if (WritesStorage() && HasAutovacuum())
        Source << StorageWithClause(CurrentOptions(false), CurrentOptions(true));
    if (IsTable() && pagStorage->currentWidget() == tabTemporary) {
        if (rdoTransaction->isChecked())
            Source << QStringLiteral("ON COMMIT DELETE ROWS");
        else if (rdoSession->isChecked())
            Source << QStringLiteral("ON COMMIT PRESERVE ROWS");
    }
    if (WritesStorage() && !cmbTBS->isHidden() && !cmbTBS->currentText().trimmed().isEmpty())
        Source << QStringLiteral("TABLESPACE ") + QuoteName(cmbTBS->currentText());
}

void TfraStorage::cmbTBSDropDown()
{
    const SQLWaitCursor wait;
    const QStringList spaces = FOwner->OwnerForm()->GetTBS();
    const QString current = cmbTBS->currentText();
    const QSignalBlocker quiet(cmbTBS);
    cmbTBS->clear();
    cmbTBS->addItems(spaces);
    cmbTBS->setEditText(current);
}

void TfraStorage::btnPartInsClick()
{
    grdPartition->setFocus();
    const int row = grdPartition->RowCount();
    grdPartition->setRowCount(row + 1);
    grdPartition->setCells(0, row, QString());
    grdPartition->setObjects(0, row, 0);
}

void TfraStorage::btnPartDelClick()
{
    // the last data row stays; emptying its text removes its parent
    if (grdPartition->RowCount() > 2 && grdPartition->Row() >= 1) {
        grdPartition->setFocus();
        grdPartition->DeleteRow(grdPartition->Row());
    }
    FOwner->setModified(true);
}

void TfraStorage::grdPartitionGetPickListitems(int Col, int Row, QStringList &Items)
{
    const SQLWaitCursor wait;
    Items.clear();
    if (Col != 0 || Row < 1)
        return;
    const pg::Result rows
        = FOwner->OwnerForm()->dbsMain()->exec(QString::fromUtf8(rstorage::ParentPickSQL));
    for (int i = 0; i < rows.rowCount(); ++i)
        Items << QuoteName(rows.text(i, 0)) + QLatin1Char('.') + QuoteName(rows.text(i, 1));
}
