#include "rstorage.h"

#include "core/qvappwindows.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

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
