#include "ftable.h"

#include "rcross.h"
#include "rgrant.h"
#include "rstorage.h"
#include "tblalter.h"
#include "tbledit.h"
#include "tblscript.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvstr.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "sqllang/qvmemo.h"
#include "ui/fprint.h"
#include "ui/qvcomctrls.h"
#include "ui/qvgrid.h"
#include "ui/qvimages.h"
#include "ui/qvlongtext.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ftable {

// Images of the main image list.
constexpr int imageConstraint = 66;
constexpr int imageIndex = 46;
constexpr int imageTrigger = 57;
constexpr int imageColInsert = 39;
constexpr int imageColDelete = 40;
constexpr int imageColUp = 35;
constexpr int imageColDown = 36;
constexpr int imageConnectedUser = 3;
constexpr int imageLoginRole = 2;
constexpr int imageGroupRole = 68;

// Sub-items of lstPolicy.
enum { polName, polSelect, polInsert, polUpdate, polDelete, polRoles, polUsing, polWithCheck };

// Grid object slots: the loaded column number sits in the name cell, the edited mark of the
// default in the default cell.
constexpr int attNumSlot = TfrmTable::colName;
constexpr int defaultEditedSlot = TfrmTable::colDefault;

const QString checked = QStringLiteral("1");

QString roleCaption(const QString &role)
{
    return role.isEmpty() ? QStringLiteral("PUBLIC") : role;
}

void readOnlyMemo(QPlainTextEdit *memo)
{
    memo->setReadOnly(true);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    memo->setPalette(palette);
}

} // namespace ftable

const TqvDefineForm::Kind TfrmTable::TableKind {
    QStringLiteral("TABLE - "), 4, 45, QStringLiteral("TABLE"), QStringLiteral("TABLE(&O)"), true
};

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
    setObjType(TableKind.ObjType);
    setupUi();
    InitForm();
    if (SourceMode == smShow)
        CreateTaskButton();
    cmbSchema->setEditText(Schema);
    txtName->setText(ObjectName);
    {
        const QSignalBlocker quiet(pagObject);
        QWidget *first = tabDefine;
        if (SourceMode == smShow && !ObjectName.isEmpty()) {
            switch (OpenMode) {
            case omSource:
                first = tabSource;
                break;
            case omCross:
                first = tabCross;
                break;
            case omGrant:
                first = tabGrant;
                break;
            default:
                break;
            }
        }
        pagObject->setCurrentWidget(first);
    }
    setIsNew(ObjectName.isEmpty());
    setIsToastObject(false);
    ShowData();
}

void TfrmTable::setupUi()
{
    using namespace ftable;
    resize(900, 600);
    auto *form = new QFormLayout;
    txtComment = new TqvStrEdit(tabDefine);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    form->addRow(QStringLiteral("コメント"), txtComment);
    defineLayout()->addLayout(form);
    connect(txtComment, &QLineEdit::textEdited, this, [this] { OnChange(); });

    auto *splitter = new QSplitter(Qt::Vertical, tabDefine);
    splitter->setObjectName(QStringLiteral("splConst"));
    auto *columns = new QWidget(splitter);
    columns->setObjectName(QStringLiteral("pnlColumn"));
    setupColumnGrid(columns);

    lstConst = new TqvTreeView(splitter);
    lstConst->setObjectName(QStringLiteral("lstConst"));
    lstConst->setSections(
        { QStringLiteral("名前"), QStringLiteral("タイプ"), QStringLiteral("パラメータ") });
    lstConst->setColumnWidth(0, 180);
    lstConst->setColumnWidth(1, 120);
    lstConst->setEditTriggers(QAbstractItemView::NoEditTriggers);
    splitter->addWidget(columns);
    splitter->addWidget(lstConst);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    defineLayout()->addWidget(splitter, 1);

    // The pages after the source page, in their order.
    tabStorage = new QWidget(pagObject);
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto *storage = new QVBoxLayout(tabStorage);
    // The autovacuum parameters are taller than a small window: the page scrolls rather than
    // squeezing them.
    auto *storageScroll = new QScrollArea(tabStorage);
    storageScroll->setObjectName(QStringLiteral("scrStorage"));
    storageScroll->setWidgetResizable(true);
    storageScroll->setFrameShape(QFrame::NoFrame);
    fraStorage = new TfraStorage(this, storageScroll);
    fraStorage->setObjectName(QStringLiteral("fraStorage"));
    storageScroll->setWidget(fraStorage);
    storage->addWidget(storageScroll);
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));

    setupPolicyPage();

    tabGrant = new QWidget(pagObject);
    tabGrant->setObjectName(QStringLiteral("tabGrant"));
    auto *grant = new QVBoxLayout(tabGrant);
    fraGrant = new TfraGrant(this, tabGrant);
    fraGrant->setObjectName(QStringLiteral("fraGrant"));
    grant->addWidget(fraGrant);
    pagObject->addTab(tabGrant, QStringLiteral("権限"));

    tabCross = new QWidget(pagObject);
    tabCross->setObjectName(QStringLiteral("tabCross"));
    auto *cross = new QVBoxLayout(tabCross);
    fraCross = new TfraCross(this, tabCross);
    fraCross->setObjectName(QStringLiteral("fraCross"));
    cross->addWidget(fraCross);
    pagObject->addTab(tabCross, QStringLiteral("相関"));
}

void TfrmTable::setupColumnGrid(QWidget *parent)
{
    using namespace ftable;
    auto *layout = new QHBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    grdColumn = new TqvStringGrid(parent);
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    grdColumn->setColCount(colCount);
    grdColumn->setRowCount(2);
    grdColumn->setFixedRows(1);
    grdColumn->setFixedCols(0);
    grdColumn->setHeader({ QStringLiteral("主キー"), QStringLiteral("項目名"), QStringLiteral("型"),
                           QStringLiteral("長さ"), QStringLiteral("必須"),
                           QStringLiteral("省略時値"), QStringLiteral("コメント") });
    grdColumn->setGridMode(geAccess);
    grdColumn->setOptions(grdColumn->Options() | goTabs);
    const int widths[colCount] = { 50, 160, 170, 60, 45, 180, 200 };
    for (int col = 0; col < colCount; ++col)
        grdColumn->setColWidths(col, widths[col]);
    grdColumn->SetEditStyles(colKey, geCheckBox);
    grdColumn->SetEditStyles(colName, geSimple);
    grdColumn->SetEditStyles(colType, gePickList);
    grdColumn->SetEditStyles(colLength, geSimple);
    grdColumn->SetEditStyles(colNotNull, geCheckBox);
    grdColumn->SetEditStyles(colDefault, geEllipsis);
    grdColumn->SetEditStyles(colComment, geEllipsis);
    layout->addWidget(grdColumn, 1);
    grdColumn->viewport()->installEventFilter(this);

    tolColumn = new QToolBar(parent);
    tolColumn->setObjectName(QStringLiteral("tolColumn"));
    tolColumn->setOrientation(Qt::Vertical);
    tolColumn->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnColInsert = new QToolButton(tolColumn);
    btnColInsert->setObjectName(QStringLiteral("btnColInsert"));
    btnColInsert->setIcon(MainImage(imageColInsert));
    btnColInsert->setToolTip(QStringLiteral("列の挿入"));
    btnColInsert->setText(QStringLiteral("列の挿入"));
    btnColDelete = new QToolButton(tolColumn);
    btnColDelete->setObjectName(QStringLiteral("btnColDelete"));
    btnColDelete->setIcon(MainImage(imageColDelete));
    btnColDelete->setToolTip(QStringLiteral("列の削除"));
    btnColDelete->setText(QStringLiteral("列の削除"));
    actColUp = new QAction(MainImage(imageColUp), QStringLiteral("上へ移動"), this);
    actColUp->setObjectName(QStringLiteral("actColUp"));
    actColDown = new QAction(MainImage(imageColDown), QStringLiteral("下へ移動"), this);
    actColDown->setObjectName(QStringLiteral("actColDown"));
    tolColumn->addWidget(btnColInsert);
    tolColumn->addWidget(btnColDelete);
    tolColumn->addSeparator();
    tolColumn->addAction(actColUp);
    tolColumn->addAction(actColDown);
    layout->addWidget(tolColumn);

    connect(btnColInsert, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnColInsertClick(); }); });
    connect(btnColDelete, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnColDeleteClick(); }); });
    connect(actColUp, &QAction::triggered, this,
            [this] { RunGuarded([this] { actColUpExecute(); }); });
    connect(actColDown, &QAction::triggered, this,
            [this] { RunGuarded([this] { actColDownExecute(); }); });
    connect(
        grdColumn, &TqvStringGrid::OnSelectCell, this,
        [this](int col, int row, bool &canSelect) { grdColumnSelectCell(col, row, canSelect); });
    connect(grdColumn, &TqvStringGrid::OnSetEditText, this,
            [this](int col, int row, const QString &value) {
                RunGuarded([&] { grdColumnSetEditText(col, row, value); });
            });
    connect(grdColumn, &TqvStringGrid::OnGetPickListitems, this,
            [this](int col, int row, QStringList &items) {
                RunGuarded([&] { grdColumnGetPickListitems(col, row, items); });
            });
    connect(grdColumn, &TqvStringGrid::OnEditButtonClick, this,
            [this] { RunGuarded([this] { grdColumnEditButtonClick(); }); });
    connect(grdColumn->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { UpdateColumnActions(); });
}

void TfrmTable::setupPolicyPage()
{
    using namespace ftable;
    tabPolicy = new QWidget(pagObject);
    tabPolicy->setObjectName(QStringLiteral("tabPolicy"));
    auto *page = new QVBoxLayout(tabPolicy);
    chkPolicyEnable = new TqvCheckBox(QStringLiteral("行ポリシーを有効にする"), tabPolicy);
    chkPolicyEnable->setObjectName(QStringLiteral("chkPolicyEnable"));
    page->addWidget(chkPolicyEnable);
    connect(chkPolicyEnable, &QCheckBox::toggled, this, [this] {
        if (!m_loading)
            OnChange();
    });

    auto *splitter = new QSplitter(Qt::Vertical, tabPolicy);
    splitter->setObjectName(QStringLiteral("splPolicy"));
    lstPolicy = new TqvListView(splitter);
    lstPolicy->setObjectName(QStringLiteral("lstPolicy"));
    lstPolicy->setRootIsDecorated(false);
    lstPolicy->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPolicy->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPolicy->setHeaderLabels(
        { QStringLiteral("ポリシー名"), QStringLiteral("SELECT"), QStringLiteral("INSERT"),
          QStringLiteral("UPDATE"), QStringLiteral("DELETE"), QStringLiteral("ロール"),
          QStringLiteral("セキュリティバリア制約"), QStringLiteral("WITH CHECK制約") });
    lstPolicy->setColumnWidth(polName, 150);
    for (int col = polSelect; col <= polDelete; ++col) {
        lstPolicy->setColumnWidth(col, 60);
        lstPolicy->setColumnAlignment(col, Qt::AlignHCenter);
    }
    lstPolicy->setColumnWidth(polRoles, 150);
    lstPolicy->setColumnWidth(polUsing, 200);
    lstPolicy->header()->setStretchLastSection(true);
    connect(lstPolicy, &QTreeWidget::itemSelectionChanged, this,
            [this] { RunGuarded([this] { lstPolicySelectItem(); }); });

    auto *details = new QWidget(splitter);
    details->setObjectName(QStringLiteral("pnlPolicyDetails"));
    auto *row = new QHBoxLayout(details);
    row->setContentsMargins(0, 0, 0, 0);
    const auto titled = [details, row](const QString &title, QWidget *body, int stretch) {
        auto *panel = new QWidget(details);
        auto *column = new QVBoxLayout(panel);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(new QLabel(title, panel));
        body->setParent(panel);
        column->addWidget(body, 1);
        row->addWidget(panel, stretch);
    };
    lstRole = new QListWidget(details);
    lstRole->setObjectName(QStringLiteral("lstRole"));
    txtSecurity = new QPlainTextEdit(details);
    txtSecurity->setObjectName(QStringLiteral("txtSecurity"));
    readOnlyMemo(txtSecurity);
    txtWithCheck = new QPlainTextEdit(details);
    txtWithCheck->setObjectName(QStringLiteral("txtWithCheck"));
    readOnlyMemo(txtWithCheck);
    titled(QStringLiteral("ロール"), lstRole, 1);
    titled(QStringLiteral("セキュリティバリア制約"), txtSecurity, 1);
    titled(QStringLiteral("WITH CHECK制約"), txtWithCheck, 1);
    splitter->addWidget(lstPolicy);
    splitter->addWidget(details);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    page->addWidget(splitter, 1);
    pagObject->addTab(tabPolicy, QStringLiteral("行ポリシー"));
}

QList<QWidget *> TfrmTable::PagesOfExisting() const
{
    return { tabSource, tabPolicy, tabGrant, tabCross };
}

void TfrmTable::ChangedIsNew()
{
    TqvDefineForm::ChangedIsNew();
    // Row-level security came with server 9.5.
    if (!IsNew() && OwnerForm() && OwnerForm()->DBVer() < 90500)
        pagObject->setTabVisible(pagObject->indexOf(tabPolicy), false);
}

// --- load

int TfrmTable::EntryRow() const
{
    return grdColumn->RowCount() - 1;
}

int TfrmTable::RowAttNum(int row) const
{
    return grdColumn->Objects(ftable::attNumSlot, row).toInt();
}

void TfrmTable::ShowData()
{
    const SQLWaitCursor wait;
    struct LoadScope
    {
        TfrmTable *window;
        explicit LoadScope(TfrmTable *w)
            : window(w)
        {
            window->m_loading = true;
        }
        // The flag falls also when a step of the load fails.
        ~LoadScope()
        {
            window->m_loading = false;
            window->setModified(false);
        }
    } scope(this);

    pg::Connection &connection = *OwnerForm()->dbsMain();
    TTableDefinition def;
    if (!IsNew()) {
        const quint32 oid = FindTableOid(connection, cmbSchema->currentText(), txtName->text());
        if (oid == 0) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), MB_ICONERROR);
            throw SilentAbort();
        }
        def = LoadTableDefinition(connection, oid);
    }
    m_def = def;
    setIsToastObject(m_def.Kind == QLatin1Char('t'));

    fraStorage->Init(cmbSchema->currentText(), txtName->text());
    if (!IsNew()) {
        fraStorage->cmbTBS->setEditText(m_def.Tablespace.isEmpty() ? m_def.DefaultTablespace
                                                                   : m_def.Tablespace);
        fraStorage->ShowDefine();
        // The TOAST table is a vacuum target only when the table has one.
        fraStorage->rdoTargetToast->setVisible(m_def.Storage.HasToast);
        if (!m_def.Storage.HasToast)
            fraStorage->rdoTargetTable->setChecked(true);
    }

    txtComment->setText(m_def.Comment);
    txtComment->Save();
    ShowColumns();
    ShowConst();
    ShowPolicy();
    fraStorage->Save();

    txtSource->clear();
    if (pagObject->currentWidget() == tabSource || SourceMode == smText) {
        QStringList lines;
        GetSourceCreate(lines);
        txtSource->setText(lines.join(QLatin1Char('\n')));
        txtSource->SendScintilla(QsciScintilla::SCI_EMPTYUNDOBUFFER);
        txtSource->setCursorPosition(0, 0);
    }
    if (SourceMode == smShow && !IsNew()) {
        if (pagObject->currentWidget() == tabGrant)
            fraGrant->ShowData(cmbSchema->currentText(), txtName->text(), -1, QString(), QString());
        else if (pagObject->currentWidget() == tabCross)
            fraCross->ShowData(cmbSchema->currentText(), txtName->text(), QString(), QString());
    }
}

void TfrmTable::ShowColumns()
{
    using namespace ftable;
    grdColumn->setEditorMode(false);
    grdColumn->Clear();
    grdColumn->setRowCount(int(m_def.Columns.size()) + 2);
    for (int n = 0; n < m_def.Columns.size(); ++n) {
        const TTableColumn &column = m_def.Columns.at(n);
        const int row = n + 1;
        grdColumn->setRows(row,
                           { column.PrimaryKey ? checked : QString(), column.Name, column.TypeName,
                             column.Length, column.NotNull ? checked : QString(),
                             ColumnDefaultCell(column), column.Comment });
        grdColumn->setObjects(attNumSlot, row, column.AttNum);
        grdColumn->setObjects(defaultEditedSlot, row, false);
    }
    ClearRow(EntryRow());
    grdColumn->Save();
    grdColumn->setCurrentCell(colName, 1);
    UpdateColumnActions();
}

void TfrmTable::ClearRow(int row)
{
    for (int col = 0; col < colCount; ++col) {
        grdColumn->setCells(col, row, QString());
        grdColumn->setObjects(col, row, QVariant());
    }
    grdColumn->setObjects(ftable::attNumSlot, row, 0);
}

void TfrmTable::ShowConst()
{
    using namespace ftable;
    lstConst->setUpdatesEnabled(false);
    lstConst->clear();
    const auto root = [this](const QString &text, int image) {
        TqvTreeNode *node = lstConst->AddNode(nullptr, text);
        node->setIcon(0, MainImage(image));
        return node;
    };
    TqvTreeNode *constraints = root(QStringLiteral("CONSTRAINT"), imageConstraint);
    TqvTreeNode *indexes = root(QStringLiteral("INDEX"), imageIndex);
    TqvTreeNode *triggers = root(QStringLiteral("TRIGGER"), imageTrigger);
    const QString schema = m_def.Schema;
    const auto child
        = [this](TqvTreeNode *parent, const QString &name, int image, const QStringList &subItems) {
              TqvTreeNode *node = lstConst->AddNode(parent, name);
              node->setIcon(0, MainImage(image));
              node->setSubItems(subItems);
          };
    static const QHash<QChar, QString> types {
        { QLatin1Char('p'), QStringLiteral("PRIMARY KEY") },
        { QLatin1Char('u'), QStringLiteral("UNIQUE") },
        { QLatin1Char('f'), QStringLiteral("FOREIGN KEY") },
        { QLatin1Char('c'), QStringLiteral("CHECK") },
        { QLatin1Char('x'), QStringLiteral("EXCLUDE") },
    };
    for (const TTableConstraint &constraint : std::as_const(m_def.Constraints)) {
        const QString type = types.value(constraint.Type);
        if (type.isEmpty())
            continue;
        QString parameters = constraint.Definition;
        if (constraint.Type == QLatin1Char('x')) {
            const qsizetype using_ = parameters.indexOf(QStringLiteral(" USING "));
            if (using_ >= 0)
                parameters = parameters.mid(using_ + 7);
        } else if (parameters.startsWith(type + QLatin1Char(' '))) {
            parameters = parameters.mid(type.size() + 1);
        }
        // foreign keys and exclusions carry the schema as the hidden third entry
        QStringList subItems { type, parameters };
        if (constraint.Type == QLatin1Char('f') || constraint.Type == QLatin1Char('x'))
            subItems << schema;
        child(constraints, constraint.Name, imageConstraint, subItems);
    }
    for (const TTableIndex &index : std::as_const(m_def.Indexes))
        child(indexes, index.Definition.Name, imageIndex,
              { index.Definition.Unique ? QStringLiteral("UNIQUE INDEX")
                                        : QStringLiteral("NONUNIQUE INDEX"),
                index.Columns.join(QStringLiteral(", ")), schema });
    for (const TTableTrigger &trigger : std::as_const(m_def.Triggers))
        child(triggers, trigger.Name, imageTrigger,
              { QStringLiteral("TRIGGER"), QString(), schema });
    lstConst->expandAll();
    lstConst->scrollToTop();
    lstConst->setUpdatesEnabled(true);
}

void TfrmTable::ShowPolicy()
{
    using namespace ftable;
    {
        const QSignalBlocker quiet(chkPolicyEnable);
        chkPolicyEnable->setChecked(m_def.RowSecurity);
        chkPolicyEnable->Save();
    }
    const QSignalBlocker quiet(lstPolicy);
    lstPolicy->clear();
    lstRole->clear();
    txtSecurity->clear();
    txtWithCheck->clear();
    for (const TPolicyDefinition &policy : std::as_const(m_def.Policies)) {
        auto *item = new QTreeWidgetItem(lstPolicy);
        item->setText(polName, policy.Name);
        const QChar command = policy.Command;
        const QString marks[] = { QStringLiteral("r"), QStringLiteral("a"), QStringLiteral("w"),
                                  QStringLiteral("d") };
        for (int n = 0; n < 4; ++n) {
            const bool applies = command == QLatin1Char('*') || command == marks[n].at(0);
            item->setText(polSelect + n, applies ? QStringLiteral("*") : QString());
            item->setTextAlignment(polSelect + n, Qt::AlignCenter);
        }
        QStringList roles;
        for (const QString &role : policy.Roles)
            roles << roleCaption(role);
        item->setText(polRoles, roles.join(QStringLiteral(", ")));
        item->setText(polUsing, policy.Using);
        item->setText(polWithCheck, policy.WithCheck);
        item->setData(polName, Qt::UserRole, int(lstPolicy->topLevelItemCount() - 1));
    }
}

void TfrmTable::lstPolicySelectItem()
{
    using namespace ftable;
    lstRole->clear();
    txtSecurity->clear();
    txtWithCheck->clear();
    const QList<QTreeWidgetItem *> selected = lstPolicy->selectedItems();
    if (selected.isEmpty())
        return;
    const int at = selected.first()->data(polName, Qt::UserRole).toInt();
    if (at < 0 || at >= m_def.Policies.size())
        return;
    const TPolicyDefinition &policy = m_def.Policies.at(at);
    const QString user = OwnerForm()->LoginUser();
    QStringList roles = policy.Roles;
    std::sort(roles.begin(), roles.end());
    for (const QString &role : std::as_const(roles)) {
        int image = imageGroupRole;
        if (!role.isEmpty() && role == user)
            image = imageConnectedUser;
        else if (policy.LoginRoles.contains(role))
            image = imageLoginRole;
        new QListWidgetItem(MainImage(image), roleCaption(role), lstRole);
    }
    txtSecurity->setPlainText(policy.Using);
    txtWithCheck->setPlainText(policy.WithCheck);
}

// --- the column grid

bool TfrmTable::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdColumn->viewport() && event->type() == QEvent::Resize)
        FormResize();
    return TqvDefineForm::eventFilter(watched, event);
}

void TfrmTable::FormResize()
{
    // the comment column takes the width the other columns leave
    int used = 0;
    for (int col = 0; col < colComment; ++col)
        used += grdColumn->ColWidths(col);
    grdColumn->setColWidths(colComment, qMax(80, grdColumn->viewport()->width() - used - 2));
}

void TfrmTable::UpdateColumnActions()
{
    const int row = grdColumn->Row();
    const int entry = EntryRow();
    actColUp->setEnabled(row > 1 && row < entry);
    actColDown->setEnabled(row >= 1 && row < entry - 1);
}

void TfrmTable::SetRowEditing(int ACol, int ARow)
{
    bool editing = true;
    if (ACol == colType)
        editing = !grdColumn->GetIsNull(colName, ARow);
    else if (ACol == colLength)
        editing = ModifierTypeNames.contains(grdColumn->Cells(colType, ARow).trimmed().toLower());
    TGridOptions options = grdColumn->Options();
    if (options.testFlag(goEditing) != editing) {
        options.setFlag(goEditing, editing);
        grdColumn->setOptions(options);
    }
}

void TfrmTable::grdColumnSelectCell(int ACol, int ARow, bool &CanSelect)
{
    CanSelect = true;
    SetRowEditing(ACol, ARow);
}

void TfrmTable::grdColumnSetEditText(int ACol, int ARow, const QString &Value)
{
    using namespace ftable;
    if (m_loading)
        return;
    if (ACol == colKey && Value == checked)
        grdColumn->setCells(colNotNull, ARow, checked);
    if (ACol == colType
        && !ModifierTypeNames.contains(grdColumn->Cells(colType, ARow).trimmed().toLower()))
        grdColumn->setCells(colLength, ARow, QString());
    if (ACol == colNotNull && Value != checked && grdColumn->Cells(colKey, ARow) == checked)
        grdColumn->setCells(colNotNull, ARow, checked);
    if (ACol == colDefault)
        grdColumn->setObjects(defaultEditedSlot, ARow, true);
    if (!Value.isEmpty() && ARow == EntryRow()) {
        grdColumn->setRowCount(grdColumn->RowCount() + 1);
        grdColumn->setObjects(attNumSlot, ARow, 0);
        ClearRow(EntryRow());
        UpdateColumnActions();
    }
    if (!Modified())
        setModified(grdColumn->GetIsChangedCell(ACol, ARow) || grdColumn->IsChanged());
}

void TfrmTable::grdColumnGetPickListitems(int ACol, int, QStringList &Items)
{
    if (ACol != colType)
        return;
    if (!m_dataTypeLoaded) {
        const SQLWaitCursor wait;
        FDataType = OwnerForm()->GetDataType(ObjType());
        m_dataTypeLoaded = true;
    }
    Items = FDataType;
}

void TfrmTable::grdColumnEditButtonClick()
{
    const int col = grdColumn->Col();
    const int row = grdColumn->Row();
    if (col != colDefault && col != colComment)
        return;
    TqvInplaceEditor *editor = grdColumn->InplaceEditor();
    const bool editing = editor && grdColumn->EditorMode();
    QString text = editing ? editor->text() : grdColumn->Cells(col, row);
    const QString before = text;
    bool isNull = false;
    if (ShowLongTextEditor(text, isNull, false, false) != IDOK || text == before)
        return;
    // Stored as typed text is, so that the change marks and the entry row follow.
    if (editing) {
        editor->setText(text);
        editor->InputComplite();
    } else {
        grdColumn->setCells(col, row, text);
        grdColumnSetEditText(col, row, text);
    }
}

void TfrmTable::btnColInsertClick()
{
    grdColumn->setFocus();
    int row = grdColumn->Row();
    if (row < 1 || row > EntryRow())
        row = EntryRow();
    grdColumn->setEditorMode(false);
    grdColumn->InsertRow(row);
    ClearRow(row);
    grdColumn->setCurrentCell(colName, row);
    UpdateColumnActions();
}

void TfrmTable::btnColDeleteClick()
{
    const int row = grdColumn->Row();
    if (row < 1)
        return;
    grdColumn->setEditorMode(false);
    if (row < EntryRow()) {
        grdColumn->DeleteRow(row);
        setModified(true);
    }
    if (grdColumn->Row() == EntryRow())
        ClearRow(EntryRow());
    UpdateColumnActions();
}

void TfrmTable::actColUpExecute()
{
    const int row = grdColumn->Row();
    if (row <= 1 || row >= EntryRow())
        return;
    const int col = grdColumn->Col();
    grdColumn->setEditorMode(false);
    grdColumn->MoveRow(row, row - 1);
    grdColumn->setCurrentCell(col, row - 1);
    grdColumn->scrollTo(grdColumn->model()->index(row - 2, col));
    setModified(true);
    UpdateColumnActions();
}

void TfrmTable::actColDownExecute()
{
    const int row = grdColumn->Row();
    if (row < 1 || row >= EntryRow() - 1)
        return;
    const int col = grdColumn->Col();
    grdColumn->setEditorMode(false);
    grdColumn->MoveRow(row, row + 1);
    grdColumn->setCurrentCell(col, row + 1);
    grdColumn->scrollTo(grdColumn->model()->index(row, col));
    setModified(true);
    UpdateColumnActions();
}

bool TfrmTable::GridChanged() const
{
    return grdColumn->IsChanged();
}

void TfrmTable::SetDefaultCell(int row, const QString &text)
{
    if (row < 1 || row >= grdColumn->RowCount())
        return;
    const QVariant edited = grdColumn->Objects(ftable::defaultEditedSlot, row);
    grdColumn->setCells(colDefault, row, text);
    grdColumn->setObjects(ftable::defaultEditedSlot, row, edited);
}

bool TfrmTable::IsCreate() const
{
    if (IsNew() || SourceMode == smText || pagObject->currentWidget() == tabSource
        || fraStorage->IsCreate())
        return true;
    if (!GridChanged())
        return false;
    return TableEditNeedsRecreate(m_def, CurrentEdit());
}

// --- scripts

void TfrmTable::GetSourceCreate(QStringList &Lines)
{
    const SQLWaitCursor wait;
    TTableScriptOptions options;
    options.TablePrefix = LogonSchemaPrefix(cmbSchema->currentText());
    options.Storage = SourceMode == smShow ? AppOption.ShowStorageSource : ScriptOption.Storage;
    if (IsNew()) {
        // Nothing is loaded: the script is the grid's and the storage frame's.
        Lines << NewTableCreateScript(
            *this,
            fraStorage->StorageType() == TfraStorage::ptTemp ? QString() : options.TablePrefix);
        return;
    }
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
    using namespace ftable;
    TTableEdit edit;
    edit.Schema = cmbSchema->currentText();
    edit.Name = txtName->text();
    edit.Comment = txtComment->text();
    edit.LoadedCount = int(m_def.Columns.size());
    for (int row = 1; row < grdColumn->RowCount(); ++row) {
        if (grdColumn->GetIsNull(colName, row))
            continue;
        TTableColumnEdit column;
        column.Row = row;
        column.AttNum = RowAttNum(row);
        column.Name = grdColumn->Cells(colName, row);
        column.Type = grdColumn->Cells(colType, row);
        column.Length = grdColumn->Cells(colLength, row);
        column.NotNull = grdColumn->Cells(colNotNull, row) == checked;
        column.Default = grdColumn->Cells(colDefault, row);
        column.DefaultEdited = grdColumn->Objects(defaultEditedSlot, row).toBool();
        column.Comment = grdColumn->Cells(colComment, row);
        column.PrimaryKey = grdColumn->Cells(colKey, row) == checked;
        edit.Columns << column;
    }
    return edit;
}
