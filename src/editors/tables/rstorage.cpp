#include "rstorage.h"

#include "core/qvappwindows.h"
#include "core/qvname.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

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

TfraStorage::TfraStorage(TqvForm *AOwner, QWidget *parent)
    : QWidget(parent)
    , FOwner(AOwner)
{
    setObjectName(QStringLiteral("fraStorage"));
    auto *layout = new QFormLayout(this);
    cmbTBS = new QComboBox(this);
    cmbTBS->setObjectName(QStringLiteral("cmbTBS"));
    cmbTBS->setEditable(true);
    cmbTBS->setMinimumWidth(200);
    auto *label = new QLabel(QStringLiteral("表領域"), this);
    label->setObjectName(QStringLiteral("lblTBS"));
    layout->addRow(label, cmbTBS);
    connect(cmbTBS, &QComboBox::editTextChanged, this, [this] {
        if (cmbTBS->currentText() != m_savedTBS)
            FOwner->setModified(true);
    });

    chkAutoVacuum = new QCheckBox(QStringLiteral("自動バキューム"), this);
    chkAutoVacuum->setObjectName(QStringLiteral("chkAutoVacuum"));
    chkAutoVacuum->setVisible(false);
    layout->addRow(chkAutoVacuum);
    grpAutoVacuum = new QGroupBox(this);
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
        auto *label = new QLabel(QString::fromUtf8(captions[i]), grpAutoVacuum);
        rows->addRow(label, cell);
    }
    connect(chkAutoVacuum, &QCheckBox::toggled, this, [this] {
        UpdateTarget();
        FOwner->setModified(true);
    });
    connect(rdoTargetTable, &QRadioButton::toggled, this, [this] { UpdateTarget(); });
    UpdateTarget();
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

bool TfraStorage::HasAutovacuum() const
{
    return FOwner->ObjType() == ObjType::Table || FOwner->ObjType() == 61;
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

void TfraStorage::ShowDefine()
{
    if (!HasAutovacuum())
        return;
    chkAutoVacuum->setVisible(true);
    grpAutoVacuum->setVisible(true);
    m_loaded = LoadRelationStorage(*FOwner->OwnerForm()->dbsMain(), FSchema, FObjectName);
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

void TfraStorage::GetSourceAlterV(QStringList &Source) const
{
    if (!HasAutovacuum())
        return;
    const QString head = (FOwner->ObjType() == 61 ? QStringLiteral("ALTER MATERIALIZED VIEW ")
                                                  : QStringLiteral("ALTER TABLE "))
        + QuoteName(FSchema) + QLatin1Char('.') + QuoteName(FObjectName);
    Source << StorageAlterSource(head, m_savedOptions, m_savedToast, CurrentOptions(false),
                                 CurrentOptions(true));
}

void TfraStorage::Init(const QString &Schema, const QString &ObjectName)
{
    FSchema = Schema;
    FObjectName = ObjectName;
}

void TfraStorage::Save()
{
    m_savedTBS = cmbTBS->currentText();
    m_savedOptions = CurrentOptions(false);
    m_savedToast = CurrentOptions(true);
}

bool TfraStorage::IsTablespaceChanged() const
{
    return cmbTBS->currentText() != m_savedTBS;
}

bool TfraStorage::WritesStorage() const
{
    return FOwner->SourceMode == smShow ? AppOption.ShowStorageSource : ScriptOption.Storage;
}

void TfraStorage::GetSourceCreate(QStringList &Source) const
{
    if (WritesStorage() && HasAutovacuum())
        Source << StorageWithClause(CurrentOptions(false), CurrentOptions(true));
    if (WritesStorage() && !cmbTBS->currentText().trimmed().isEmpty())
        Source << QStringLiteral("TABLESPACE ") + QuoteName(cmbTBS->currentText());
}

void TfraStorage::cmbTBSDropDown()
{
    const pg::Result rows = FOwner->OwnerForm()->dbsMain()->exec(
        QStringLiteral("SELECT spcname FROM pg_tablespace ORDER BY 1"));
    const QString current = cmbTBS->currentText();
    const QSignalBlocker quiet(cmbTBS);
    cmbTBS->clear();
    for (int i = 0; i < rows.rowCount(); ++i)
        cmbTBS->addItem(rows.text(i, 0));
    cmbTBS->setEditText(current);
}
