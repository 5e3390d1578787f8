#include "ftable.h"

#include "tbledit.h"
#include "tblscript.h"

#include "core/qvappwindows.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

const TqvDefineForm::Kind TfrmTable::TableKind { QStringLiteral("TABLE - "), 4, 45,
                                                 QStringLiteral("TABLE"),
                                                 QStringLiteral("TABLE(&O)") };

TfrmTable *TfrmTable::Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty()
        && FindWindow(staticMetaObject, CaptionKey(TableKind, AOwner, Schema, ObjectName), true))
        return nullptr;
    return ShowWindow<TfrmTable>(AOwner, Schema, ObjectName, OpenMode, smShow);
}

TqvForm *OpenTableWindow(ConnectionWindow *owner, const QString &schema, const QString &name)
{
    return TfrmTable::Open(owner, schema, name);
}

TfrmTable::TfrmTable(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                     TOpenMode OpenMode, TSourceMode mode)
    : TqvDefineForm(AOwner->connectionWidget(), TableKind, mode)
{
    setObjectName(QStringLiteral("frmTable"));
    setupUi();
    InitForm();
    if (SourceMode == smShow)
        CreateTaskButton();
    setObjType(TableKind.ObjType);
    cmbSchema->setEditText(Schema);
    txtName->setText(ObjectName);
    {
        const QSignalBlocker quiet(pagObject);
        pagObject->setCurrentWidget(OpenMode == omSource && SourceMode == smShow ? tabSource
                                                                                 : tabDefine);
    }
    setIsNew(ObjectName.isEmpty());
    setIsToastObject(false);
    ShowData();
}

void TfrmTable::setupUi()
{
    resize(820, 560);
    auto *form = new QFormLayout;
    txtComment = new QLineEdit(tabDefine);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->setReadOnly(true);
    form->addRow(QStringLiteral("コメント"), txtComment);
    defineLayout()->addLayout(form);

    auto *splitter = new QSplitter(Qt::Vertical, tabDefine);
    splitter->setObjectName(QStringLiteral("splConst"));
    grdColumn = new QTableWidget(0, colCount, splitter);
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    grdColumn->setHorizontalHeaderLabels({ QStringLiteral("主キー"), QStringLiteral("項目名"),
                                           QStringLiteral("型"), QStringLiteral("長さ"),
                                           QStringLiteral("必須"), QStringLiteral("省略時値"),
                                           QStringLiteral("コメント") });
    grdColumn->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdColumn->horizontalHeader()->setStretchLastSection(true);
    grdColumn->setColumnWidth(colKey, 50);
    grdColumn->setColumnWidth(colName, 160);
    grdColumn->setColumnWidth(colType, 170);
    grdColumn->setColumnWidth(colLength, 60);
    grdColumn->setColumnWidth(colNotNull, 45);
    grdColumn->setColumnWidth(colDefault, 180);
    lstConst = new QTreeWidget(splitter);
    lstConst->setObjectName(QStringLiteral("lstConst"));
    lstConst->setHeaderLabels(
        { QStringLiteral("名前"), QStringLiteral("タイプ"), QStringLiteral("パラメータ") });
    lstConst->setColumnWidth(0, 180);
    lstConst->setColumnWidth(1, 120);
    splitter->addWidget(grdColumn);
    splitter->addWidget(lstConst);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    defineLayout()->addWidget(splitter, 1);
}

int TfrmTable::RowAttNum(int row) const
{
    const QTableWidgetItem *item = grdColumn->item(row, colName);
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void TfrmTable::ShowData()
{
    const SQLWaitCursor wait;
    pg::Connection &connection = *OwnerForm()->dbsMain();
    m_def = TTableDefinition();
    if (!IsNew()) {
        const quint32 oid = FindTableOid(connection, cmbSchema->currentText(), txtName->text());
        if (oid == 0) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), MB_ICONERROR);
            throw SilentAbort();
        }
        m_def = LoadTableDefinition(connection, oid);
        setIsToastObject(m_def.Kind == QLatin1Char('t'));
    }
    txtComment->setText(m_def.Comment);
    grdColumn->clearContents();
    grdColumn->setRowCount(int(m_def.Columns.size()) + 1);
    const auto cell = [this](int row, int col, const QString &text) {
        grdColumn->setItem(row, col, new QTableWidgetItem(text));
    };
    for (int row = 0; row < m_def.Columns.size(); ++row) {
        const TTableColumn &column = m_def.Columns.at(row);
        cell(row, colKey, column.PrimaryKey ? QStringLiteral("✓") : QString());
        cell(row, colName, column.Name);
        grdColumn->item(row, colName)->setData(Qt::UserRole, column.AttNum);
        cell(row, colType, column.TypeName);
        cell(row, colLength, column.Length);
        cell(row, colNotNull, column.NotNull ? QStringLiteral("✓") : QString());
        const QString defaultText = ColumnDefaultCell(column);
        cell(row, colDefault, defaultText);
        cell(row, colComment, column.Comment);
        grdColumn->item(row, colKey)->setTextAlignment(Qt::AlignCenter);
        grdColumn->item(row, colNotNull)->setTextAlignment(Qt::AlignCenter);
    }
    ShowConst();
    txtSource->clear();
    if (pagObject->currentWidget() == tabSource || SourceMode == smText) {
        QStringList lines;
        GetSourceCreate(lines);
        txtSource->setPlainText(lines.join(QLatin1Char('\n')));
    }
    setModified(false);
}

void TfrmTable::ShowConst()
{
    lstConst->clear();
    auto *constraints = new QTreeWidgetItem(lstConst, { QStringLiteral("CONSTRAINT") });
    auto *indexes = new QTreeWidgetItem(lstConst, { QStringLiteral("INDEX") });
    auto *triggers = new QTreeWidgetItem(lstConst, { QStringLiteral("TRIGGER") });
    static const QHash<QChar, QString> types {
        { QLatin1Char('p'), QStringLiteral("PRIMARY KEY") },
        { QLatin1Char('u'), QStringLiteral("UNIQUE") },
        { QLatin1Char('f'), QStringLiteral("FOREIGN KEY") },
        { QLatin1Char('c'), QStringLiteral("CHECK") },
        { QLatin1Char('x'), QStringLiteral("EXCLUDE") },
    };
    for (const TTableConstraint &constraint : std::as_const(m_def.Constraints)) {
        QString parameters = constraint.Definition;
        const QString type = types.value(constraint.Type);
        if (parameters.startsWith(type + QLatin1Char(' ')))
            parameters = parameters.mid(type.size() + 1);
        new QTreeWidgetItem(constraints, { constraint.Name, type, parameters });
    }
    for (const TTableIndex &index : std::as_const(m_def.Indexes))
        new QTreeWidgetItem(indexes,
                            { index.Definition.Name,
                              index.Definition.Unique ? QStringLiteral("UNIQUE INDEX")
                                                      : QStringLiteral("NONUNIQUE INDEX"),
                              index.Columns.join(QStringLiteral(", ")) });
    for (const TTableTrigger &trigger : std::as_const(m_def.Triggers))
        new QTreeWidgetItem(triggers, { trigger.Name, QStringLiteral("TRIGGER"), QString() });
    lstConst->expandAll();
}

void TfrmTable::GetSourceCreate(QStringList &Lines)
{
    const SQLWaitCursor wait;
    TTableScriptOptions options;
    options.TablePrefix = GetRefSchemaPrefix(
        cmbSchema->currentText(), OwnerForm()->dbsMain()->param(QStringLiteral("MetaDefSchema")));
    options.Storage = SourceMode == smShow ? AppOption.ShowStorageSource : ScriptOption.Storage;
    TTableDefinition def = m_def;
    def.Name = txtName->text();
    Lines << TableCreateScript(def, options);
}

QString TfrmTable::GetDropStatement() const
{
    return QStringLiteral("DROP TABLE ") + QuoteName(cmbSchema->currentText()) + QLatin1Char('.')
        + QuoteName(txtName->text());
}

TTableEdit TfrmTable::CurrentEdit() const
{
    TTableEdit edit;
    edit.Schema = cmbSchema->currentText();
    edit.Name = txtName->text();
    edit.Comment = txtComment->text();
    edit.LoadedCount = int(m_def.Columns.size());
    const auto text = [this](int row, int col) {
        const QTableWidgetItem *item = grdColumn->item(row, col);
        return item ? item->text() : QString();
    };
    for (int row = 0; row < grdColumn->rowCount(); ++row) {
        if (text(row, colName).trimmed().isEmpty())
            continue;
        TTableColumnEdit column;
        column.Row = row;
        column.AttNum = RowAttNum(row);
        column.Name = text(row, colName);
        column.Type = text(row, colType);
        column.Length = text(row, colLength);
        column.NotNull = !text(row, colNotNull).isEmpty();
        column.Default = text(row, colDefault);
        column.Comment = text(row, colComment);
        column.PrimaryKey = !text(row, colKey).isEmpty();
        edit.Columns << column;
    }
    return edit;
}
