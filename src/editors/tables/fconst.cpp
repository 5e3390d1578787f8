#include "fconst.h"

#include "collist.h"
#include "idxdef.h"
#include "rstorage.h"

#include "core/qvappwindows.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjectwindows.h"
#include "core/qvoption.h"
#include "core/qvstr.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/query.h"
#include "ui/fddlexec.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const char *const ConstTabColSQL = R"(
SELECT A.attname FROM pg_class C
JOIN pg_namespace N ON C.relnamespace = N.oid
JOIN pg_attribute A ON C.oid = A.attrelid
WHERE C.relkind IN ('r', 'p', 'f') AND N.nspname = :SCHEMA AND C.relname = :TBLNAME
  AND A.attnum > 0 AND NOT A.attisdropped
ORDER BY A.attnum)";

const char *const ConstTablesSQL = R"(
SELECT C.relname FROM pg_class C JOIN pg_namespace N ON C.relnamespace = N.oid
WHERE C.relkind IN ('r', 'p', 'f') AND N.nspname = :SCHEMA ORDER BY 1)";

const char *const ConstSchemasSQL = R"(
SELECT nspname FROM pg_namespace
WHERE nspname NOT LIKE 'pg\_%' AND nspname <> 'information_schema' ORDER BY 1)";

// The unique indexes of the referenced table that a foreign key can use: B-tree, over columns
// only, without a predicate.
const char *const RefIndexesSQL = R"(
SELECT C.relname FROM pg_class C
JOIN pg_namespace N ON C.relnamespace = N.oid
JOIN pg_index I ON C.oid = I.indexrelid
JOIN pg_am A ON C.relam = A.oid
JOIN pg_class C2 ON C2.oid = I.indrelid
WHERE I.indisunique AND A.amname = 'btree' AND I.indpred IS NULL AND I.indexprs IS NULL
  AND N.nspname = :SCHEMA AND C2.relname = :TBLNAME
ORDER BY 1)";

// The key columns of an index, as stored, in key order.
const char *const IndexColumnsSQL = R"(
SELECT A.attname FROM pg_class C
JOIN pg_namespace N ON C.relnamespace = N.oid
JOIN pg_index I ON C.oid = I.indexrelid
CROSS JOIN LATERAL unnest(CAST(I.indkey AS int2[])) WITH ORDINALITY AS K(n, o)
JOIN pg_attribute A ON A.attrelid = I.indrelid AND A.attnum = K.n
WHERE N.nspname = :SCHEMA AND C.relname = :IDXNAME AND K.o <= I.indnkeyatts
ORDER BY K.o)";

const char *const TableOfConstraintSQL = R"(
SELECT TC.relname FROM pg_constraint CO
JOIN pg_class TC ON TC.oid = CO.conrelid
JOIN pg_namespace TN ON TN.oid = TC.relnamespace
WHERE TN.nspname = :SCHEMA AND CO.conname = :CONNAME ORDER BY 1)";

const QString ActionCodes = QStringLiteral("arcnd");
const QStringList ActionCaptions { QStringLiteral("何もしない(NO ACTION)"),
                                   QStringLiteral("遅延不可(RESTRICT)"),
                                   QStringLiteral("連鎖(CASCADE)"),
                                   QStringLiteral("NULL(SET NULL)"),
                                   QStringLiteral("初期値(SET DEFAULT)") };
const QString TypeCodes = QStringLiteral("pufcx");

QStringList openNames(pg::Connection &connection, const char *sql, const QStringList &values)
{
    pg::Query query(connection);
    query.setSql(QString::fromUtf8(sql));
    query.bindValues(values);
    const pg::Result rows = query.open();
    QStringList names;
    for (int i = 0; i < rows.rowCount(); ++i)
        names << rows.text(i, 0);
    return names;
}

void fillCombo(QComboBox *combo, const QStringList &items)
{
    const QString current = combo->currentText();
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItems(items);
    combo->setEditText(current);
}

QString cellText(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Names typed as a comma list, each as SQL writes it ("a", "B c"), back to names as stored.
QStringList namesOfList(const QString &text)
{
    QStringList names;
    for (const QString &part : SplitTopLevel(text)) {
        if (!part.isEmpty())
            names << DequoteName(part);
    }
    return names;
}

QString resolveTable(ConnectionWindow *owner, const QString &schema, const QString &name,
                     const QString &table)
{
    if (!table.isEmpty() || name.isEmpty())
        return table;
    const QStringList tables = openNames(*owner->dbsMain(), TableOfConstraintSQL, { schema, name });
    return tables.size() == 1 ? tables.first() : QString();
}

} // namespace

const TqvDefineForm::Kind TfrmConst::ConstKind { QStringLiteral("CONSTRAINT - "), 6, 66,
                                                 QStringLiteral("CONST"),
                                                 QStringLiteral("CONSTRAINT(&O)") };

TfrmConst *TfrmConst::Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, const QString &TableName)
{
    QString table;
    if (!RunGuarded([&] { table = resolveTable(AOwner, Schema, ObjectName, TableName); }))
        return nullptr;
    if (!ObjectName.isEmpty()
        && FindWindow(staticMetaObject, CaptionKey(ConstKind, AOwner, Schema, ObjectName, table),
                      true))
        return nullptr;
    return ShowWindow<TfrmConst>(AOwner, Schema, ObjectName, table, smShow);
}

TqvForm *OpenConstraintWindow(ConnectionWindow *owner, const QString &schema, const QString &name,
                              const QString &table)
{
    return TfrmConst::Open(owner, schema, name, table);
}

QStringList TfrmConst::GetScript(ConnectionWindow *AOwner, const QString &Schema,
                                 const QString &ObjectName, const QString &TableName)
{
    pg::Connection &connection = *AOwner->dbsMain();
    TConstraintDefinition def;
    if (!LoadConstraint(connection, AOwner->DBVer(), Schema, TableName, ObjectName, def)) {
        throw std::runtime_error(QStringLiteral("制約 %1.%2 の定義情報を読み込めませんでした。")
                                     .arg(Schema, ObjectName)
                                     .toStdString());
    }
    TConstraintScriptOptions options;
    options.TablePrefix
        = RefSchemaPrefix(def.Schema, connection.param(QStringLiteral("MetaDefSchema")), smText);
    options.WithTablespace = ScriptOption.Storage;
    QStringList lines = ConstraintCreateScript(def, options);
    if (ScriptOption.NullLine)
        DeleteBlankLines(lines);
    return lines;
}

void TfrmConst::GetStorageScript(ConnectionWindow *AOwner, TSourceMode mode, const QString &Schema,
                                 const QString &ObjectName, const QString &TblName, QStringList &S)
{
    TConstraintDefinition def;
    if (!LoadConstraint(*AOwner->dbsMain(), AOwner->DBVer(), Schema, TblName, ObjectName, def))
        return;
    const bool storage = mode == smText ? ScriptOption.Storage : AppOption.ShowStorageSource;
    if ((def.Type != QLatin1Char('p') && def.Type != QLatin1Char('u')) || !storage
        || def.Tablespace.isEmpty() || S.isEmpty())
        return;
    S.last() += QStringLiteral("TABLESPACE ") + QuoteName(def.Tablespace);
}

TfrmConst::TfrmConst(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                     const QString &TableName, TSourceMode mode)
    : TqvDefineForm(AOwner->connectionWidget(), ConstKind, mode)
    , FTableName(TableName)
{
    setObjectName(QStringLiteral("frmConst"));
    setTableNameForKey(TableName);
    setupUi();
    InitForm();
    if (SourceMode == smShow)
        CreateTaskButton();
    setObjType(ConstKind.ObjType);
    cmbSchema->setEditText(Schema);
    txtName->setText(ObjectName);
    {
        const QSignalBlocker quiet(pagObject);
        pagObject->setCurrentWidget(tabDefine);
    }
    setIsNew(ObjectName.isEmpty());
    setIsToastObject(false);
    if (IsNew()) {
        cmbTableName->setEditText(TableName);
        cmbRefSchema->setEditText(Schema);
        selectType(QLatin1Char('p'));
    }
    ShowData();
}

void TfrmConst::setupUi()
{
    resize(720, 600);
    // Neither a source page nor a save command: the constraint is written by its table.
    pagObject->removeTab(pagObject->indexOf(tabSource));
    tabSource->hide();
    actSave->setVisible(false);

    auto *lblTableName = new QLabel(QStringLiteral("テーブル"), pnlName);
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    cmbTableName = new QComboBox(pnlName);
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setEditable(true);
    cmbTableName->setMaxVisibleItems(20);
    cmbTableName->setMinimumWidth(180);
    auto *names = static_cast<QHBoxLayout *>(pnlName->layout());
    names->insertWidget(2, lblTableName);
    names->insertWidget(3, cmbTableName);

    pnlObj = new QWidget(tabDefine);
    pnlObj->setObjectName(QStringLiteral("pnlObj"));
    auto *obj = new QHBoxLayout(pnlObj);
    obj->setContentsMargins(0, 0, 0, 0);
    auto *lblConstType = new QLabel(QStringLiteral("タイプ"), pnlObj);
    lblConstType->setObjectName(QStringLiteral("lblConstType"));
    cmbConstType = new QComboBox(pnlObj);
    cmbConstType->setObjectName(QStringLiteral("cmbConstType"));
    cmbConstType->addItems({ QStringLiteral("PRIMARY KEY"), QStringLiteral("UNIQUE KEY"),
                             QStringLiteral("FOREIGN KEY"), QStringLiteral("CHECK"),
                             QStringLiteral("EXCLUDE") });
    obj->addWidget(lblConstType);
    obj->addWidget(cmbConstType);
    obj->addStretch(1);
    defineLayout()->addWidget(pnlObj);

    pagType = new QStackedWidget(tabDefine);
    pagType->setObjectName(QStringLiteral("pagType"));
    const auto page = [this](QWidget *&tab, const char *name) {
        tab = new QWidget(pagType);
        tab->setObjectName(QLatin1String(name));
        auto *layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        pagType->addWidget(tab);
    };
    page(tabPrimary, "tabPrimary");
    page(tabUnique, "tabUnique");
    page(tabForeign, "tabForeign");
    page(tabCheck, "tabCheck");
    page(tabExclude, "tabExclude");
    defineLayout()->addWidget(pagType, 1);
    setupKeyPage();
    setupForeignPage();

    txtCheck = new QPlainTextEdit(tabCheck);
    txtCheck->setObjectName(QStringLiteral("txtCheck"));
    txtCheck->setFont(QFont(QStringLiteral("monospace")));
    chkNoInherit = new QCheckBox(QStringLiteral("NO INHERIT"), tabCheck);
    chkNoInherit->setObjectName(QStringLiteral("chkNoInherit"));
    tabCheck->layout()->addWidget(txtCheck);
    tabCheck->layout()->addWidget(chkNoInherit);
    setupExcludePage();

    auto *attributes = new QHBoxLayout;
    chkDeferrable = new QCheckBox(QStringLiteral("DEFERRABLE"), tabDefine);
    chkDeferrable->setObjectName(QStringLiteral("chkDeferrable"));
    chkInitiallyDeferred = new QCheckBox(QStringLiteral("INITIALLY DEFERRED"), tabDefine);
    chkInitiallyDeferred->setObjectName(QStringLiteral("chkInitiallyDeferred"));
    chkNotValid = new QCheckBox(QStringLiteral("NOT VALID"), tabDefine);
    chkNotValid->setObjectName(QStringLiteral("chkNotValid"));
    attributes->addWidget(chkDeferrable);
    attributes->addWidget(chkInitiallyDeferred);
    attributes->addWidget(chkNotValid);
    attributes->addStretch(1);
    defineLayout()->addLayout(attributes);
    auto *comment = new QFormLayout;
    txtComment = new QLineEdit(tabDefine);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    comment->addRow(QStringLiteral("コメント"), txtComment);
    defineLayout()->addLayout(comment);

    tabStorage = new QWidget(pagObject);
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto *storage = new QVBoxLayout(tabStorage);
    fraStorage = new TfraStorage(this, tabStorage);
    storage->addWidget(fraStorage);
    storage->addStretch(1);
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));

    connect(cmbConstType, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbConstTypeChange(); }); });
    connect(cmbTableName, &QComboBox::activated, this, [this] {
        RunGuarded([this] {
            if (m_columnsOf != cmbSchema->currentText() + '.' + cmbTableName->currentText()) {
                ShowTableColumns();
                lstIdxCol->clear();
            }
            setModified(true);
        });
    });
    connect(cmbTableName, &QComboBox::editTextChanged, this, [this] {
        if (cmbTableName->hasFocus())
            setModified(true);
    });
    connect(txtCheck, &QPlainTextEdit::textChanged, this, [this] {
        if (txtCheck->hasFocus())
            setModified(true);
    });
    for (QCheckBox *box : { chkNoInherit, chkDeferrable, chkInitiallyDeferred, chkNotValid })
        connect(box, &QCheckBox::clicked, this, [this] { setModified(true); });
    connect(chkInitiallyDeferred, &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            chkDeferrable->setChecked(true);
    });
    connect(chkDeferrable, &QCheckBox::clicked, this, [this](bool on) {
        if (!on)
            chkInitiallyDeferred->setChecked(false);
    });
    for (QLineEdit *edit : { txtComment, txtInclude, txtExcludeInclude, txtWhere })
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
}

void TfrmConst::setupKeyPage()
{
    pnlIndex = new QWidget(tabPrimary);
    pnlIndex->setObjectName(QStringLiteral("pnlIndex"));
    auto *grid = new QGridLayout(pnlIndex);
    grid->setContentsMargins(0, 0, 0, 0);
    auto *lblIdxCol = new QLabel(QStringLiteral("インデックスの列"), pnlIndex);
    lblIdxCol->setObjectName(QStringLiteral("lblIdxCol"));
    auto *lblTabCol = new QLabel(QStringLiteral("テーブルの列"), pnlIndex);
    lblTabCol->setObjectName(QStringLiteral("lblTabCol"));
    lstIdxCol = new QListWidget(pnlIndex);
    lstIdxCol->setObjectName(QStringLiteral("lstIdxCol"));
    lstIdxCol->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTabCol = new QListWidget(pnlIndex);
    lstTabCol->setObjectName(QStringLiteral("lstTabCol"));
    lstTabCol->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *tolInsDel = new QVBoxLayout;
    const auto button
        = [this](QToolButton *&b, const char *name, const QString &text, const QString &hint) {
              b = new QToolButton(pnlIndex);
              b->setObjectName(QLatin1String(name));
              b->setText(text);
              b->setToolTip(hint);
          };
    button(btnInsAll, "btnInsAll", QStringLiteral("≪"), QStringLiteral("全て追加"));
    button(btnIns, "btnIns", QStringLiteral("←"), QStringLiteral("追加"));
    button(btnDel, "btnDel", QStringLiteral("→"), QStringLiteral("削除"));
    button(btnDelAll, "btnDelAll", QStringLiteral("≫"), QStringLiteral("全て削除"));
    tolInsDel->addStretch(1);
    for (QToolButton *b : { btnInsAll, btnIns, btnDel, btnDelAll })
        tolInsDel->addWidget(b);
    tolInsDel->addStretch(1);
    grid->addWidget(lblIdxCol, 0, 0);
    grid->addWidget(lblTabCol, 0, 2);
    grid->addWidget(lstIdxCol, 1, 0);
    grid->addLayout(tolInsDel, 1, 1);
    grid->addWidget(lstTabCol, 1, 2);
    auto *include = new QFormLayout;
    txtInclude = new QLineEdit(pnlIndex);
    txtInclude->setObjectName(QStringLiteral("txtInclude"));
    include->addRow(QStringLiteral("INCLUDE"), txtInclude);
    grid->addLayout(include, 2, 0, 1, 3);
    tabPrimary->layout()->addWidget(pnlIndex);

    connect(btnInsAll, &QToolButton::clicked, this, [this] { btnInsAllClick(); });
    connect(btnIns, &QToolButton::clicked, this, [this] { btnInsClick(); });
    connect(btnDel, &QToolButton::clicked, this, [this] { btnDelClick(); });
    connect(btnDelAll, &QToolButton::clicked, this, [this] { btnDelAllClick(); });
    connect(lstTabCol, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
    connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
}

void TfrmConst::setupForeignPage()
{
    auto *refs = new QFormLayout;
    const auto combo = [this](QComboBox *&box, const char *name) {
        box = new QComboBox(tabForeign);
        box->setObjectName(QLatin1String(name));
        box->setEditable(true);
        box->setMinimumWidth(220);
    };
    combo(cmbRefSchema, "cmbRefSchema");
    combo(cmbRefTable, "cmbRefTable");
    combo(cmbRefIndex, "cmbRefIndex");
    refs->addRow(QStringLiteral("スキーマ"), cmbRefSchema);
    refs->addRow(QStringLiteral("テーブル"), cmbRefTable);
    refs->addRow(QStringLiteral("インデックス"), cmbRefIndex);
    chkMatchFull = new QCheckBox(QStringLiteral("MATCH FULL"), tabForeign);
    chkMatchFull->setObjectName(QStringLiteral("chkMatchFull"));
    refs->addRow(QString(), chkMatchFull);
    auto *top = new QHBoxLayout;
    top->addLayout(refs);
    const auto actions = [this](QGroupBox *&group, QButtonGroup *&buttons, const char *name,
                                const QString &caption) {
        group = new QGroupBox(caption, tabForeign);
        group->setObjectName(QLatin1String(name));
        auto *layout = new QVBoxLayout(group);
        buttons = new QButtonGroup(group);
        for (int i = 0; i < ActionCaptions.size(); ++i) {
            auto *radio = new QRadioButton(ActionCaptions.at(i), group);
            radio->setObjectName(QLatin1String(name) + QString::number(i));
            buttons->addButton(radio, i);
            layout->addWidget(radio);
        }
        buttons->button(0)->setChecked(true);
        connect(buttons, &QButtonGroup::idClicked, this, [this] { setModified(true); });
    };
    actions(rdoUpdateAction, m_update, "rdoUpdateAction", QStringLiteral("更新時のアクション"));
    actions(rdoDeleteAction, m_delete, "rdoDeleteAction", QStringLiteral("削除時のアクション"));
    top->addWidget(rdoUpdateAction);
    top->addWidget(rdoDeleteAction);
    top->addStretch(1);
    static_cast<QVBoxLayout *>(tabForeign->layout())->addLayout(top);
    grdForeign = new QTableWidget(1, 2, tabForeign);
    grdForeign->setObjectName(QStringLiteral("grdForeign"));
    grdForeign->setHorizontalHeaderLabels(
        { QStringLiteral("参照先項目名"), QStringLiteral("テーブル項目名") });
    grdForeign->setColumnWidth(0, 200);
    grdForeign->setColumnWidth(1, 200);
    grdForeign->verticalHeader()->hide();
    tabForeign->layout()->addWidget(grdForeign);

    connect(cmbRefSchema, &QComboBox::activated, this, [this] {
        RunGuarded([this] {
            cmbRefTableDropDown();
            setModified(true);
        });
    });
    connect(cmbRefTable, &QComboBox::activated, this, [this] {
        RunGuarded([this] {
            cmbRefIndexDropDown();
            setModified(true);
        });
    });
    connect(cmbRefIndex, &QComboBox::activated, this, [this] {
        RunGuarded([this] {
            cmbRefIndexExit();
            setModified(true);
        });
    });
    connect(chkMatchFull, &QCheckBox::clicked, this, [this] { setModified(true); });
}

void TfrmConst::setupExcludePage()
{
    pnlExclude = new QWidget(tabExclude);
    pnlExclude->setObjectName(QStringLiteral("pnlExclude"));
    auto *top = new QHBoxLayout(pnlExclude);
    top->setContentsMargins(0, 0, 0, 0);
    auto *lblAccessMethod = new QLabel(QStringLiteral("アクセスメソッド"), pnlExclude);
    lblAccessMethod->setObjectName(QStringLiteral("lblAccessMethod"));
    cmbAccessMethod = new QComboBox(pnlExclude);
    cmbAccessMethod->setObjectName(QStringLiteral("cmbAccessMethod"));
    top->addWidget(lblAccessMethod);
    top->addWidget(cmbAccessMethod);
    btnGridIns = new QToolButton(pnlExclude);
    btnGridIns->setObjectName(QStringLiteral("btnGridIns"));
    btnGridIns->setText(QStringLiteral("追加"));
    btnGridDel = new QToolButton(pnlExclude);
    btnGridDel->setObjectName(QStringLiteral("btnGridDel"));
    btnGridDel->setText(QStringLiteral("削除"));
    top->addStretch(1);
    top->addWidget(btnGridIns);
    top->addWidget(btnGridDel);
    tabExclude->layout()->addWidget(pnlExclude);
    grdExclude = new QTableWidget(1, 5, tabExclude);
    grdExclude->setObjectName(QStringLiteral("grdExclude"));
    grdExclude->setHorizontalHeaderLabels(
        { QStringLiteral("項目名"), QStringLiteral("順序"), QStringLiteral("NULL順序"),
          QStringLiteral("演算子クラス"), QStringLiteral("演算子") });
    const int widths[] = { 160, 58, 91, 169, 132 };
    for (int i = 0; i < 5; ++i)
        grdExclude->setColumnWidth(i, widths[i]);
    grdExclude->verticalHeader()->hide();
    tabExclude->layout()->addWidget(grdExclude);
    auto *clauses = new QFormLayout;
    txtExcludeInclude = new QLineEdit(tabExclude);
    txtExcludeInclude->setObjectName(QStringLiteral("txtExcludeInclude"));
    txtWhere = new QLineEdit(tabExclude);
    txtWhere->setObjectName(QStringLiteral("txtWhere"));
    clauses->addRow(QStringLiteral("INCLUDE"), txtExcludeInclude);
    clauses->addRow(QStringLiteral("WHERE"), txtWhere);
    static_cast<QVBoxLayout *>(tabExclude->layout())->addLayout(clauses);

    connect(btnGridIns, &QToolButton::clicked, this, [this] { btnGridInsClick(); });
    connect(btnGridDel, &QToolButton::clicked, this, [this] { btnGridDelClick(); });
    connect(cmbAccessMethod, &QComboBox::activated, this, [this] { setModified(true); });
    connect(grdExclude, &QTableWidget::cellChanged, this, [this](int row, int) {
        if (row == grdExclude->rowCount() - 1 && !cellText(grdExclude, row, 0).isEmpty())
            grdExclude->setRowCount(grdExclude->rowCount() + 1);
        setModified(true);
    });
}

QChar TfrmConst::selectedType() const
{
    const int index = cmbConstType->currentIndex();
    return index < 0 ? QLatin1Char('p') : TypeCodes.at(index);
}

void TfrmConst::selectType(QChar type)
{
    const qsizetype index = TypeCodes.indexOf(type);
    cmbConstType->setCurrentIndex(index < 0 ? 0 : int(index));
    QWidget *pages[] = { tabPrimary, tabUnique, tabForeign, tabCheck, tabExclude };
    QWidget *shown = pages[cmbConstType->currentIndex()];
    pagType->setCurrentWidget(shown);
    if ((shown == tabPrimary || shown == tabUnique) && pnlIndex->parentWidget() != shown) {
        pnlIndex->setParent(shown);
        shown->layout()->addWidget(pnlIndex);
        pnlIndex->show();
    }
    const bool indexed
        = type == QLatin1Char('p') || type == QLatin1Char('u') || type == QLatin1Char('x');
    pagObject->setTabVisible(pagObject->indexOf(tabStorage), indexed);
    chkNotValid->setEnabled(type == QLatin1Char('f') || type == QLatin1Char('c'));
    chkDeferrable->setEnabled(type != QLatin1Char('c'));
    chkInitiallyDeferred->setEnabled(type != QLatin1Char('c'));
}

void TfrmConst::cmbConstTypeChange()
{
    selectType(selectedType());
    const QChar type = selectedType();
    if ((type == QLatin1Char('p') || type == QLatin1Char('u')) && SourceMode == smShow)
        ShowTableColumns();
    if (type == QLatin1Char('x') && IsNew()) {
        cmbAccessMethodDropDown();
        if (cmbAccessMethod->count() > 0 && cmbAccessMethod->currentIndex() < 0)
            cmbAccessMethod->setCurrentIndex(0);
    }
    if (type == QLatin1Char('f') && cmbRefSchema->count() == 0)
        cmbRefSchemaDropDown();
    setModified(true);
}

void TfrmConst::setForeignRows(const QStringList &refColumns, const QStringList &columns)
{
    grdForeign->clearContents();
    grdForeign->setRowCount(qMax<qsizetype>(1, refColumns.size()));
    QStringList choices { QString() };
    for (int i = 0; i < lstTabCol->count(); ++i)
        choices << lstTabCol->item(i)->text();
    for (int row = 0; row < grdForeign->rowCount(); ++row) {
        auto *ref = new QTableWidgetItem(refColumns.value(row));
        ref->setFlags(ref->flags() & ~Qt::ItemIsEditable);
        ref->setBackground(palette().button());
        grdForeign->setItem(row, 0, ref);
        auto *box = new QComboBox(grdForeign);
        box->setObjectName(QStringLiteral("cmbForeignColumn%1").arg(row));
        QStringList items = choices;
        if (!columns.value(row).isEmpty() && !items.contains(columns.value(row)))
            items << columns.value(row);
        box->addItems(items);
        box->setCurrentText(columns.value(row));
        box->setEnabled(!refColumns.value(row).isEmpty());
        connect(box, &QComboBox::activated, this, [this] { setModified(true); });
        grdForeign->setCellWidget(row, 1, box);
    }
    grdForeign->setCurrentCell(0, 1);
}

QComboBox *TfrmConst::foreignColumnBox(int row) const
{
    return qobject_cast<QComboBox *>(grdForeign->cellWidget(row, 1));
}

void TfrmConst::ChangedIsNew()
{
    TqvDefineForm::ChangedIsNew();
    if (IsNew())
        cmbTableName->setFocus();
}

void TfrmConst::setExcludeRows(const QList<TExcludeElement> &elements)
{
    const QSignalBlocker quiet(grdExclude);
    grdExclude->clearContents();
    grdExclude->setRowCount(int(elements.size()) + 1);
    const bool ordered = cmbAccessMethod->currentText().compare(QLatin1String("BTREE")) == 0;
    for (int row = 0; row < elements.size(); ++row) {
        const TExcludeElement &e = elements.at(row);
        const QString cells[] = { e.Key, e.Order, e.Nulls, e.OpClass, e.Operator };
        for (int column = 0; column < 5; ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            // Sort and NULL order belong to B-tree only; other methods leave them out.
            if ((column == 1 || column == 2) && !ordered) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                item->setBackground(palette().button());
            }
            grdExclude->setItem(row, column, item);
        }
    }
}

void TfrmConst::ShowTableColumns()
{
    const SQLWaitCursor wait;
    lstTabCol->clear();
    m_columnsOf = cmbSchema->currentText() + '.' + cmbTableName->currentText();
    if (cmbSchema->currentText().trimmed().isEmpty()
        || cmbTableName->currentText().trimmed().isEmpty())
        return;
    lstTabCol->addItems(openNames(*OwnerForm()->dbsMain(), ConstTabColSQL,
                                  { cmbSchema->currentText(), cmbTableName->currentText() }));
}

void TfrmConst::ShowData()
{
    const SQLWaitCursor wait;
    pg::Connection &connection = *OwnerForm()->dbsMain();
    m_read = TConstraintDefinition();
    if (!IsNew()) {
        if (!LoadConstraint(connection, OwnerForm()->DBVer(), cmbSchema->currentText(), FTableName,
                            txtName->text(), m_read)) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), MB_ICONERROR);
            throw SilentAbort();
        }
        FTableName = m_read.TableName;
        setTableNameForKey(FTableName);
        cmbTableName->setEditText(m_read.TableName);
        selectType(m_read.Type);
    } else {
        if (cmbTableName->currentText().isEmpty())
            cmbTableName->setEditText(FTableName);
        m_read.Schema = cmbSchema->currentText();
    }
    const TConstraintDefinition &def = m_read;
    lstIdxCol->clear();
    lstIdxCol->addItems(def.Type == QLatin1Char('f') ? QStringList() : def.Columns);
    txtInclude->setText(QuotedNames(def.Include));
    txtExcludeInclude->setText(QuotedNames(def.Include));
    txtCheck->setPlainText(def.Check);
    chkNoInherit->setChecked(def.NoInherit);
    chkDeferrable->setChecked(def.Deferrable);
    chkInitiallyDeferred->setChecked(def.InitiallyDeferred);
    chkNotValid->setChecked(def.NotValid);
    txtComment->setText(def.Comment);
    chkMatchFull->setChecked(def.Match == QLatin1Char('f'));
    m_update->button(qMax<qsizetype>(0, ActionCodes.indexOf(def.UpdateAction)))->setChecked(true);
    m_delete->button(qMax<qsizetype>(0, ActionCodes.indexOf(def.DeleteAction)))->setChecked(true);
    cmbRefSchema->setEditText(IsNew() ? cmbRefSchema->currentText() : def.RefSchema);
    cmbRefTable->setEditText(def.RefTable);
    cmbRefIndex->setEditText(def.RefIndex);
    {
        const QSignalBlocker quiet(cmbAccessMethod);
        cmbAccessMethod->clear();
        if (!def.Method.isEmpty()) {
            cmbAccessMethod->addItem(def.Method.toUpper());
            cmbAccessMethod->setCurrentIndex(0);
        }
    }
    setExcludeRows(def.Elements);
    txtWhere->setText(def.Where);
    fraStorage->cmbTBS->setEditText(def.Tablespace);
    fraStorage->Init(cmbSchema->currentText(), def.IndexName);
    fraStorage->Save();
    if (SourceMode == smShow)
        ShowTableColumns();
    setForeignRows(def.RefColumns, def.Type == QLatin1Char('f') ? def.Columns : QStringList());
    const bool isNew = IsNew();
    pnlObj->setEnabled(isNew);
    pnlExclude->setEnabled(isNew);
    m_loaded = isNew ? TConstraintDefinition() : Current();
    setModified(false);
}

TConstraintDefinition TfrmConst::Current() const
{
    TConstraintDefinition def;
    def.Schema = cmbSchema->currentText();
    def.TableName = cmbTableName->currentText();
    def.Name = txtName->text();
    def.Type = selectedType();
    const bool sameType = def.Type == m_read.Type && !IsNew();
    def.Deferrable = chkDeferrable->isEnabled() && chkDeferrable->isChecked();
    def.InitiallyDeferred = chkInitiallyDeferred->isEnabled() && chkInitiallyDeferred->isChecked();
    def.NotValid = chkNotValid->isEnabled() && chkNotValid->isChecked();
    def.Comment = txtComment->text();
    if (sameType) {
        def.Unsupported = m_read.Unsupported;
        def.ServerText = m_read.ServerText;
        def.IndexSchema = m_read.IndexSchema;
        def.IndexName = m_read.IndexName;
        def.IndexKept = m_read.IndexKept;
        def.IndexWith = m_read.IndexWith;
    }
    switch (def.Type.unicode()) {
    case 'p':
    case 'u':
        for (int i = 0; i < lstIdxCol->count(); ++i)
            def.Columns << lstIdxCol->item(i)->text();
        def.Include = namesOfList(txtInclude->text());
        def.NullsNotDistinct = sameType && m_read.NullsNotDistinct;
        def.Tablespace = fraStorage->cmbTBS->currentText();
        break;
    case 'f':
        for (int row = 0; row < grdForeign->rowCount(); ++row) {
            const QString ref = cellText(grdForeign, row, 0);
            if (ref.isEmpty())
                continue;
            def.RefColumns << ref;
            const QComboBox *box = foreignColumnBox(row);
            def.Columns << (box ? box->currentText() : QString());
        }
        def.RefSchema = cmbRefSchema->currentText();
        def.RefTable = cmbRefTable->currentText();
        def.RefIndex = cmbRefIndex->currentText();
        def.UpdateAction = ActionCodes.at(qMax(0, m_update->checkedId()));
        def.DeleteAction = ActionCodes.at(qMax(0, m_delete->checkedId()));
        def.Match = chkMatchFull->isChecked() ? QLatin1Char('f') : QLatin1Char('s');
        if (sameType && def.DeleteAction == m_read.DeleteAction)
            def.DeleteSetColumns = m_read.DeleteSetColumns;
        break;
    case 'c':
        def.Check = txtCheck->toPlainText();
        def.NoInherit = chkNoInherit->isChecked();
        break;
    case 'x':
        def.Method = cmbAccessMethod->currentText().toLower();
        for (int row = 0; row < grdExclude->rowCount(); ++row) {
            TExcludeElement e;
            e.Key = cellText(grdExclude, row, 0).trimmed();
            if (e.Key.isEmpty())
                continue;
            e.Order = cellText(grdExclude, row, 1).trimmed().toUpper();
            e.Nulls = cellText(grdExclude, row, 2).trimmed().toUpper();
            e.OpClass = cellText(grdExclude, row, 3).trimmed();
            e.Operator = cellText(grdExclude, row, 4).trimmed();
            if (def.Method != QLatin1String("btree")) {
                e.Order.clear();
                e.Nulls.clear();
            }
            def.Elements << e;
        }
        def.Include = namesOfList(txtExcludeInclude->text());
        def.Where = txtWhere->text().trimmed();
        def.Tablespace = fraStorage->cmbTBS->currentText();
        break;
    default:
        break;
    }
    return def;
}

TConstraintScriptOptions TfrmConst::scriptOptions() const
{
    TConstraintScriptOptions options;
    options.TablePrefix = LogonSchemaPrefix(cmbSchema->currentText());
    options.WithTablespace = !IsNew() && fraStorage->WritesStorage();
    return options;
}

void TfrmConst::GetSourceCreate(QStringList &Lines)
{
    const SQLWaitCursor wait;
    Lines << ConstraintCreateScript(Current(), scriptOptions());
}

QStringList TfrmConst::GetChangeScript() const
{
    if (IsNew())
        return ConstraintCreateScript(Current(), scriptOptions());
    return ConstraintChangeScript(m_loaded, Current(), scriptOptions());
}

QString TfrmConst::GetDropStatement() const
{
    return ConstraintDropScript(m_loaded).first();
}

void TfrmConst::btnInsAllClick()
{
    for (int i = 0; i < lstTabCol->count(); ++i)
        lstTabCol->item(i)->setSelected(true);
    btnInsClick();
}

void TfrmConst::btnInsClick()
{
    if (AppendSelectedItems(lstTabCol, lstIdxCol, [](const QString &name) { return name; }))
        setModified(true);
}

void TfrmConst::btnDelClick()
{
    if (RemoveSelectedItems(lstIdxCol))
        setModified(true);
}

void TfrmConst::btnDelAllClick()
{
    lstIdxCol->clear();
    setModified(true);
}

void TfrmConst::cmbRefSchemaDropDown()
{
    fillCombo(cmbRefSchema, openNames(*OwnerForm()->dbsMain(), ConstSchemasSQL, {}));
}

void TfrmConst::cmbRefTableDropDown()
{
    fillCombo(cmbRefTable,
              openNames(*OwnerForm()->dbsMain(), ConstTablesSQL, { cmbRefSchema->currentText() }));
}

void TfrmConst::cmbRefIndexDropDown()
{
    const QStringList indexes
        = openNames(*OwnerForm()->dbsMain(), RefIndexesSQL,
                    { cmbRefSchema->currentText(), cmbRefTable->currentText() });
    fillCombo(cmbRefIndex, indexes);
    if (!indexes.contains(cmbRefIndex->currentText()) && !indexes.isEmpty()) {
        cmbRefIndex->setCurrentIndex(0);
        cmbRefIndexExit();
    }
}

void TfrmConst::cmbRefIndexExit()
{
    if (cmbRefSchema->currentText().isEmpty() || cmbRefIndex->currentText().isEmpty())
        return;
    const QStringList columns
        = openNames(*OwnerForm()->dbsMain(), IndexColumnsSQL,
                    { cmbRefSchema->currentText(), cmbRefIndex->currentText() });
    setForeignRows(columns, {});
}

void TfrmConst::cmbAccessMethodDropDown()
{
    if (cmbAccessMethod->count() > 0)
        return;
    // Methods that can check exclusion: those with a tuple scan; BRIN and GIN cannot.
    const pg::Result rows = OwnerForm()->dbsMain()->exec(
        OwnerForm()->DBVer() < 90600
            ? QStringLiteral("SELECT UPPER(amname) FROM pg_am WHERE EXISTS (SELECT 1 FROM pg_proc "
                             "WHERE oid=amgettuple) ORDER BY amname")
            : QStringLiteral("SELECT UPPER(amname) FROM pg_am WHERE amtype = 'i' AND "
                             "UPPER(amname) NOT IN ('BRIN', 'GIN') ORDER BY amname"));
    for (int i = 0; i < rows.rowCount(); ++i)
        cmbAccessMethod->addItem(rows.text(i, 0));
}

void TfrmConst::btnGridInsClick()
{
    grdExclude->setFocus();
    grdExclude->setRowCount(grdExclude->rowCount() + 1);
}

void TfrmConst::btnGridDelClick()
{
    if (grdExclude->rowCount() <= 1)
        return;
    grdExclude->removeRow(qMax(0, grdExclude->currentRow()));
    setModified(true);
}

void TfrmConst::Compile(QObject *)
{
    const auto refuse = [this](const QString &message, QWidget *control, bool toDefine) {
        ShowMessageBox(message, MB_ICONEXCLAMATION);
        if (toDefine)
            pagObject->setCurrentWidget(tabDefine);
        control->setFocus();
        throw SilentAbort();
    };
    const TConstraintDefinition now = Current();
    if (now.TableName.trimmed().isEmpty())
        refuse(QStringLiteral("テーブルを設定して下さい。"), cmbTableName, true);
    if (now.Type == QLatin1Char('f')) {
        if (now.RefSchema.trimmed().isEmpty())
            refuse(QStringLiteral("スキーマを設定して下さい。"), cmbRefSchema, true);
        if (now.RefTable.trimmed().isEmpty())
            refuse(QStringLiteral("親テーブルを設定して下さい。"), cmbRefTable, true);
        if (now.RefIndex.trimmed().isEmpty())
            refuse(QStringLiteral("インデックスを設定して下さい。"), cmbRefIndex, true);
    }
    if (txtName->text().trimmed().isEmpty())
        refuse(QStringLiteral("名前を入力して下さい。"), txtName, false);
    if (cmbSchema->currentText().trimmed().isEmpty())
        refuse(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema, false);
    if ((now.Type == QLatin1Char('p') || now.Type == QLatin1Char('u')) && now.Columns.isEmpty())
        refuse(QStringLiteral("列を指定して下さい。"), lstIdxCol, true);
    if (now.Type == QLatin1Char('f') && (now.Columns.isEmpty() || now.Columns.contains(QString())))
        refuse(QStringLiteral("列を指定して下さい。"), grdForeign, true);
    if (now.Type == QLatin1Char('c') && TrimBlanks(now.Check).isEmpty())
        refuse(QStringLiteral("チェック条件を入力して下さい。"), txtCheck, true);
    if (now.Type == QLatin1Char('x')) {
        if (now.Elements.isEmpty())
            refuse(QStringLiteral("列を指定して下さい。"), grdExclude, true);
        for (const TExcludeElement &e : now.Elements) {
            if (e.Operator.isEmpty())
                refuse(QStringLiteral("演算子を指定して下さい。"), grdExclude, true);
        }
    }
    if (!now.Unsupported.isEmpty()) {
        refuse(QStringLiteral("この制約には画面に表示できない定義が含まれているため、"
                              "再作成できません。"),
               pagType, true);
    }
    if (now.Type == QLatin1Char('p') || now.Type == QLatin1Char('u'))
        fraStorage->Check();
    const QStringList script = GetChangeScript();
    TCompileRequest req;
    req.Schema = cmbSchema->currentText();
    req.ObjName = txtName->text();
    req.ObjType = ConstKind.ObjType;
    req.IsNew = IsNew();
    req.TableName = cmbTableName->currentText();
    req.AllOrNothing = true;
    req.AfterSuccess = [this] {
        setIsNew(false);
        FTableName = cmbTableName->currentText();
        setTableNameForKey(FTableName);
        RefreshObjectWindows();
        ShowData();
        ChangedIsNew();
    };
    RunCompileSequence(OwnerForm(), script, req);
}
