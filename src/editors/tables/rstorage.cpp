#include "rstorage.h"

#include "core/qvappwindows.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QRegularExpression>

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
}

void TfraStorage::Init(const QString &Schema, const QString &ObjectName)
{
    FSchema = Schema;
    FObjectName = ObjectName;
}

void TfraStorage::Save()
{
    m_savedTBS = cmbTBS->currentText();
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
