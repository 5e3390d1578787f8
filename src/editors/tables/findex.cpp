#include "findex.h"

#include "collist.h"
#include "rstorage.h"

#include "core/qvappwindows.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjectwindows.h"
#include "core/qvobjtype.h"
#include "core/qvstr.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/query.h"
#include "sqllang/qvmemo.h"
#include "ui/fddlexec.h"
#include "ui/qvstdctl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// The index by schema and name as stored (never case-folded), with its table, method and
// definition; relkind 'I' is a partitioned table's index.
const char *const IndexSQL = R"(
SELECT C.relname, N2.nspname AS tblschema, C2.relname AS tblname, AM.amname, I.indisunique,
       pg_get_indexdef(I.indexrelid) AS def, C.reltablespace, T.spcname, C2.relkind,
       I.indexprs IS NOT NULL AS isexpr, obj_description(C.oid, 'pg_class') AS comment,
       I.indisclustered, I.indisreplident
FROM pg_class C
JOIN pg_namespace N ON C.relnamespace = N.oid
JOIN pg_index I ON C.oid = I.indexrelid
JOIN pg_class C2 ON I.indrelid = C2.oid
JOIN pg_namespace N2 ON C2.relnamespace = N2.oid
JOIN pg_am AM ON C.relam = AM.oid
LEFT JOIN pg_tablespace T ON C.reltablespace = T.oid
WHERE C.relkind IN ('i', 'I') AND N.nspname = :SCHEMA AND C.relname = :IDXNAME)";

const char *const SpaceDefSQL = R"(
SELECT T.spcname FROM pg_database D LEFT JOIN pg_tablespace T ON D.dattablespace = T.oid
WHERE D.datname = current_database())";

const char *const TabColSQL = R"(
SELECT A.attname FROM pg_class C
JOIN pg_namespace N ON C.relnamespace = N.oid
JOIN pg_attribute A ON C.oid = A.attrelid
WHERE C.relkind IN ('r', 't', 'm', 'p') AND N.nspname = :SCHEMA AND C.relname = :TBLNAME
  AND A.attnum > 0 AND NOT A.attisdropped
ORDER BY A.attnum)";

const char *const TablesSQL = R"(
SELECT C.relname FROM pg_class C JOIN pg_namespace N ON C.relnamespace = N.oid
WHERE C.relkind IN ('r', 'm', 'p') AND N.nspname = :SCHEMA ORDER BY 1)";

pg::Result openIndexQuery(pg::Connection &connection, const char *sql, const QStringList &values)
{
    pg::Query query(connection);
    query.setSql(QString::fromUtf8(sql));
    query.bindValues(values);
    return query.open();
}

const QStringList Methods { "btree", "hash", "brin", "gin", "gist", "spgist" };

} // namespace

const TqvDefineForm::Kind TfrmIndex::IndexKind {
    QStringLiteral("INDEX - "), 4, 46, QStringLiteral("INDEX"), QStringLiteral("INDEX(&O)"), true
};

TfrmIndex *TfrmIndex::Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, TOpenMode OpenMode, const QString &TableName)
{
    if (!ObjectName.isEmpty()
        && FindWindow(staticMetaObject, CaptionKey(IndexKind, AOwner, Schema, ObjectName), true))
        return nullptr;
    return ShowWindow<TfrmIndex>(AOwner, Schema, ObjectName, OpenMode, TableName, smShow);
}

TqvForm *OpenIndexWindow(ConnectionWindow *owner, const QString &schema, const QString &name)
{
    return TfrmIndex::Open(owner, schema, name);
}

QStringList TfrmIndex::GetScript(ConnectionWindow *AOwner, const QString &Schema,
                                 const QString &ObjectName)
{
    TfrmIndex window(AOwner, Schema, ObjectName, omDefine, QString(), smText);
    QStringList lines = window.txtSource->text().split(QLatin1Char('\n'));
    if (ScriptOption.NullLine)
        DeleteBlankLines(lines);
    return lines;
}

TfrmIndex::TfrmIndex(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                     TOpenMode OpenMode, const QString &TableName, TSourceMode mode)
    : TqvDefineForm(AOwner->connectionWidget(), IndexKind, mode)
    , FTableName(TableName)
{
    setObjectName(QStringLiteral("frmIndex"));
    setupUi();
    InitForm();
    if (SourceMode == smShow)
        CreateTaskButton();
    setObjType(IndexKind.ObjType);
    cmbSchema->setEditText(Schema);
    txtName->setText(ObjectName);
    rdoBrin->setVisible(OwnerForm()->DBVer() >= 90500);
    {
        const QSignalBlocker quiet(pagObject);
        pagObject->setCurrentWidget(OpenMode == omSource && SourceMode == smShow ? tabSource
                                                                                 : tabDefine);
    }
    setIsNew(ObjectName.isEmpty());
    setIsToastObject(false);
    ShowData();
}

void TfrmIndex::setupUi()
{
    resize(640, 520);
    auto *form = new QFormLayout;
    defineLayout()->addLayout(form);
    cmbIndexType = new QComboBox(tabDefine);
    cmbIndexType->setObjectName(QStringLiteral("cmbIndexType"));
    cmbIndexType->addItem(QStringLiteral("テーブル索引"), 0);
    cmbIndexType->addItem(QStringLiteral("ファンクション索引"), 1);
    form->addRow(QStringLiteral("タイプ"), cmbIndexType);
    chkUnique = new QCheckBox(QStringLiteral("重複不可"), tabDefine);
    chkUnique->setObjectName(QStringLiteral("chkUnique"));
    auto *methods = new QHBoxLayout;
    methods->addWidget(chkUnique);
    auto *group = new QButtonGroup(this);
    const auto radio = [&](QRadioButton *&button, const char *name, const QString &caption) {
        button = new QRadioButton(caption, tabDefine);
        button->setObjectName(QLatin1String(name));
        group->addButton(button);
        methods->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this, button] {
            if (button != rdoBtree)
                chkUnique->setChecked(false);
            m_methodOther.clear();
            setModified(true);
        });
    };
    radio(rdoBtree, "rdoBtree", QStringLiteral("B-tree"));
    radio(rdoHash, "rdoHash", QStringLiteral("HASH"));
    radio(rdoBrin, "rdoBrin", QStringLiteral("BRIN"));
    radio(rdoGin, "rdoGin", QStringLiteral("GIN"));
    radio(rdoGist, "rdoGist", QStringLiteral("GiST"));
    radio(rdoSpgist, "rdoSpgist", QStringLiteral("SP-GiST"));
    methods->addStretch(1);
    form->addRow(QString(), methods);
    connect(chkUnique, &QCheckBox::clicked, this, [this] {
        if (chkUnique->isChecked())
            setMethod(QStringLiteral("btree"));
        setModified(true);
    });

    auto *table = new QHBoxLayout;
    cmbTableOwner = new QComboBox(tabDefine);
    cmbTableOwner->setObjectName(QStringLiteral("cmbTableOwner"));
    cmbTableOwner->setEditable(true);
    cmbTableOwner->setEnabled(false);
    cmbTableName = new TqvComboBox(tabDefine);
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setEditable(true);
    cmbTableName->setMinimumWidth(200);
    table->addWidget(cmbTableOwner);
    table->addWidget(cmbTableName, 1);
    auto *lblTableName = new QLabel(QStringLiteral("テーブル"), tabDefine);
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    form->addRow(lblTableName, table);

    pagIndexType = new QStackedWidget(tabDefine);
    pagIndexType->setObjectName(QStringLiteral("pagIndexType"));
    auto *tabNormal = new QWidget(pagIndexType);
    tabNormal->setObjectName(QStringLiteral("tabNormal"));
    auto *normal = new QHBoxLayout(tabNormal);
    normal->setContentsMargins(0, 0, 0, 0);
    lstIdxCol = new QListWidget(tabNormal);
    lstIdxCol->setObjectName(QStringLiteral("lstIdxCol"));
    lstIdxCol->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTabCol = new QListWidget(tabNormal);
    lstTabCol->setObjectName(QStringLiteral("lstTabCol"));
    lstTabCol->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *insDel = new QVBoxLayout;
    auto *btnIns = new QToolButton(tabNormal);
    btnIns->setObjectName(QStringLiteral("btnIns"));
    btnIns->setText(QStringLiteral("←"));
    btnIns->setToolTip(QStringLiteral("追加"));
    auto *btnDel = new QToolButton(tabNormal);
    btnDel->setObjectName(QStringLiteral("btnDel"));
    btnDel->setText(QStringLiteral("→"));
    btnDel->setToolTip(QStringLiteral("削除"));
    insDel->addStretch(1);
    insDel->addWidget(btnIns);
    insDel->addWidget(btnDel);
    insDel->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("インデックスの列"), tabNormal));
    left->addWidget(lstIdxCol);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("テーブルの列"), tabNormal));
    right->addWidget(lstTabCol);
    normal->addLayout(left, 1);
    normal->addLayout(insDel);
    normal->addLayout(right, 1);
    pagIndexType->addWidget(tabNormal);
    auto *tabFunc = new QWidget(pagIndexType);
    tabFunc->setObjectName(QStringLiteral("tabFunc"));
    auto *func = new QVBoxLayout(tabFunc);
    func->setContentsMargins(0, 0, 0, 0);
    txtFunc = new QPlainTextEdit(tabFunc);
    txtFunc->setObjectName(QStringLiteral("txtFunc"));
    txtFunc->setFont(QFont(QStringLiteral("monospace")));
    func->addWidget(txtFunc);
    pagIndexType->addWidget(tabFunc);
    defineLayout()->addWidget(pagIndexType, 1);

    auto *clauses = new QFormLayout;
    txtInclude = new QLineEdit(tabDefine);
    txtInclude->setObjectName(QStringLiteral("txtInclude"));
    txtWith = new QLineEdit(tabDefine);
    txtWith->setObjectName(QStringLiteral("txtWith"));
    txtWhere = new QLineEdit(tabDefine);
    txtWhere->setObjectName(QStringLiteral("txtWhere"));
    clauses->addRow(QStringLiteral("INCLUDE"), txtInclude);
    clauses->addRow(QStringLiteral("WITH"), txtWith);
    clauses->addRow(QStringLiteral("WHERE"), txtWhere);
    defineLayout()->addLayout(clauses);

    tabStorage = new QWidget(pagObject);
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto *storage = new QVBoxLayout(tabStorage);
    fraStorage = new TfraStorage(this, tabStorage);
    storage->addWidget(fraStorage);
    storage->addStretch(1);
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));

    connect(cmbIndexType, &QComboBox::activated, this, [this] {
        pagIndexType->setCurrentIndex(cmbIndexType->currentData().toInt());
        setModified(true);
    });
    connect(btnIns, &QToolButton::clicked, this, [this] { btnInsClick(); });
    connect(btnDel, &QToolButton::clicked, this, [this] { btnDelClick(); });
    connect(lstTabCol, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
    connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
    connect(cmbTableName, &TqvComboBox::OnDropDown, this,
            [this] { RunGuarded([this] { cmbTableNameDropDown(); }); });
    connect(cmbTableName, &QComboBox::activated, this, [this] {
        RunGuarded([this] {
            if (m_columnsOf != cmbTableOwner->currentText() + '.' + cmbTableName->currentText()) {
                ShowTableColumns();
                lstIdxCol->clear();
                setModified(true);
            }
        });
    });
    connect(cmbSchema, &QComboBox::editTextChanged, this,
            [this](const QString &text) { cmbTableOwner->setEditText(text); });
    for (QLineEdit *edit : { txtInclude, txtWith, txtWhere })
        connect(edit, &QLineEdit::textEdited, this, [this] { setModified(true); });
    connect(txtFunc, &QPlainTextEdit::textChanged, this, [this] {
        if (txtFunc->hasFocus())
            setModified(true);
    });
}

void TfrmIndex::setMethod(const QString &method)
{
    const QList<QRadioButton *> buttons { rdoBtree, rdoHash, rdoBrin, rdoGin, rdoGist, rdoSpgist };
    const qsizetype at = Methods.indexOf(method);
    m_methodOther = at < 0 ? method : QString();
    for (qsizetype i = 0; i < buttons.size(); ++i)
        buttons.at(i)->setChecked(i == at);
}

QString TfrmIndex::method() const
{
    const QList<QRadioButton *> buttons { rdoBtree, rdoHash, rdoBrin, rdoGin, rdoGist, rdoSpgist };
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        if (buttons.at(i)->isChecked())
            return Methods.at(i);
    }
    return m_methodOther.isEmpty() ? QStringLiteral("btree") : m_methodOther;
}

TIndexDefinition TfrmIndex::Current() const
{
    TIndexDefinition def;
    def.Schema = cmbSchema->currentText();
    def.Name = txtName->text();
    def.TableSchema = cmbTableOwner->currentText();
    def.TableName = cmbTableName->currentText();
    def.Only = m_loaded.Only;
    def.Unique = chkUnique->isChecked();
    def.Expression = cmbIndexType->currentData().toInt() == 1;
    def.Method = method();
    if (def.Expression) {
        def.Keys = SplitTopLevel(JoinExpressionLines(txtFunc->toPlainText().split('\n')));
    } else {
        for (int i = 0; i < lstIdxCol->count(); ++i)
            def.Keys << lstIdxCol->item(i)->text();
    }
    def.Include = SplitTopLevel(txtInclude->text());
    def.With = txtWith->text().trimmed();
    def.Where = txtWhere->text().trimmed();
    def.Tablespace = fraStorage->cmbTBS->currentText();
    return def;
}

TIndexScriptOptions TfrmIndex::scriptOptions() const
{
    TIndexScriptOptions options;
    options.TablePrefix = LogonSchemaPrefix(cmbTableOwner->currentText());
    options.WithTablespace = !IsNew() && fraStorage->WritesStorage();
    return options;
}

void TfrmIndex::GetSourceCreate(QStringList &Lines)
{
    const SQLWaitCursor wait;
    Lines << IndexCreateScript(Current(), scriptOptions());
}

QStringList TfrmIndex::GetChangeScript() const
{
    const TIndexScriptOptions options = scriptOptions();
    if (IsNew())
        return IndexCreateScript(Current(), options);
    return IndexChangeScript(m_loaded, Current(), options,
                             LogonSchemaPrefix(cmbSchema->currentText()), m_kept);
}

QString TfrmIndex::GetDropStatement() const
{
    return IndexDropScript(m_loaded).first();
}

void TfrmIndex::ShowTableColumns()
{
    const SQLWaitCursor wait;
    lstTabCol->clear();
    m_columnsOf = cmbTableOwner->currentText() + '.' + cmbTableName->currentText();
    if (cmbTableName->currentText().isEmpty())
        return;
    const pg::Result rows
        = openIndexQuery(*OwnerForm()->dbsMain(), TabColSQL,
                         { cmbTableOwner->currentText(), cmbTableName->currentText() });
    for (int i = 0; i < rows.rowCount(); ++i)
        lstTabCol->addItem(rows.text(i, 0));
}

void TfrmIndex::ShowData()
{
    const SQLWaitCursor wait;
    pg::Connection &connection = *OwnerForm()->dbsMain();
    chkUnique->setChecked(false);
    setMethod(QStringLiteral("btree"));
    cmbIndexType->setCurrentIndex(0);
    cmbTableOwner->setEditText(cmbSchema->currentText());
    cmbTableName->setEditText(FTableName);
    lstIdxCol->clear();
    lstTabCol->clear();
    txtFunc->clear();
    txtInclude->clear();
    txtWith->clear();
    txtWhere->clear();
    m_loaded = TIndexDefinition();
    m_kept = TIndexAttachments();
    if (!IsNew()) {
        const pg::Result row
            = openIndexQuery(connection, IndexSQL, { cmbSchema->currentText(), txtName->text() });
        TIndexDefinition def;
        if (row.rowCount() == 0
            || !ParseIndexDefinition(row.text(0, "def"), row.text(0, "amname"), def)) {
            if (SourceMode == smShow) {
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), MB_ICONERROR);
                throw SilentAbort();
            }
            throw std::runtime_error(QStringLiteral("索引 %1.%2 の定義情報を読み込めませんでした。")
                                         .arg(cmbSchema->currentText(), txtName->text())
                                         .toStdString());
        }
        setIsToastObject(row.text(0, "relkind") == QLatin1String("t"));
        cmbIndexType->setCurrentIndex(row.text(0, "isexpr") == QLatin1String("t") ? 1 : 0);
        chkUnique->setChecked(row.text(0, "indisunique") == QLatin1String("t"));
        setMethod(def.Method);
        cmbTableOwner->setEditText(row.text(0, "tblschema"));
        cmbTableName->setEditText(row.text(0, "tblname"));
        if (row.text(0, "reltablespace") != QLatin1String("0")) {
            fraStorage->cmbTBS->setEditText(row.text(0, "spcname"));
        } else {
            const pg::Result space = connection.exec(QString::fromUtf8(SpaceDefSQL));
            fraStorage->cmbTBS->setEditText(space.rowCount() ? space.text(0, 0) : QString());
        }
        if (cmbIndexType->currentIndex() == 1)
            txtFunc->setPlainText(def.Keys.join(QStringLiteral(",\n")));
        else
            lstIdxCol->addItems(def.Keys);
        txtInclude->setText(def.Include.join(QStringLiteral(", ")));
        txtWith->setText(def.With);
        txtWhere->setText(def.Where);
        m_loaded.Only = def.Only;
        m_kept.Comment = row.text(0, "comment");
        m_kept.Clustered = row.text(0, "indisclustered") == QLatin1String("t");
        m_kept.ReplicaIdentity = row.text(0, "indisreplident") == QLatin1String("t");
    }
    if (SourceMode == smShow && pagObject->currentWidget() == tabDefine)
        ShowTableColumns();
    fraStorage->Init(cmbSchema->currentText(), txtName->text());
    pagIndexType->setCurrentIndex(cmbIndexType->currentData().toInt());
    fraStorage->Save();
    if (!IsNew())
        m_loaded = Current();
    txtSource->clear();
    if (pagObject->currentWidget() == tabSource || SourceMode == smText) {
        QStringList lines;
        GetSourceCreate(lines);
        txtSource->setText(lines.join(QLatin1Char('\n')));
    }
    setModified(false);
}

void TfrmIndex::btnInsClick()
{
    if (AppendSelectedItems(lstTabCol, lstIdxCol,
                            [](const QString &name) { return QuoteName(name); }))
        setModified(true);
}

void TfrmIndex::btnDelClick()
{
    if (RemoveSelectedItems(lstIdxCol))
        setModified(true);
}

void TfrmIndex::cmbTableNameDropDown()
{
    const pg::Result rows
        = openIndexQuery(*OwnerForm()->dbsMain(), TablesSQL, { cmbTableOwner->currentText() });
    const QString current = cmbTableName->currentText();
    const QSignalBlocker quiet(cmbTableName);
    cmbTableName->clear();
    for (int i = 0; i < rows.rowCount(); ++i)
        cmbTableName->addItem(rows.text(i, 0));
    cmbTableName->setEditText(current);
}

void TfrmIndex::Compile(QObject *)
{
    const auto refuse = [](const QString &message, QWidget *control) {
        ShowMessageBox(message, MB_ICONEXCLAMATION);
        control->setFocus();
        throw SilentAbort();
    };
    if (txtName->text().trimmed().isEmpty())
        refuse(QStringLiteral("名前を入力して下さい。"), txtName);
    if (cmbSchema->currentText().trimmed().isEmpty())
        refuse(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    const bool onSource = pagObject->currentWidget() == tabSource;
    if (!onSource) {
        const TIndexDefinition now = Current();
        if (now.TableName.trimmed().isEmpty())
            refuse(QStringLiteral("テーブル名を入力して下さい。"), cmbTableName);
        if (!now.Expression && now.Keys.isEmpty())
            refuse(QStringLiteral("インデックス列を指定して下さい。"), lstIdxCol);
        if (!now.Expression && now.Method == QLatin1String("hash") && now.Keys.size() > 1)
            refuse(QStringLiteral("ハッシュ使用時は1項目のみ指定して下さい。"), lstIdxCol);
        if (now.Expression && now.Keys.isEmpty())
            refuse(QStringLiteral("式列を指定して下さい。"), txtFunc);
    }
    QStringList script;
    if (onSource) {
        // The text is the index's CREATE statement: it replaces the loaded index, which takes
        // back what the drop removes.
        if (!IsNew())
            script << IndexDropScript(m_loaded);
        script << txtSource->text().split(QLatin1Char('\n'));
        if (!IsNew() && !m_kept.isEmpty())
            script << IndexAttachmentScript(m_loaded, m_kept, scriptOptions().TablePrefix);
    } else {
        if (!IsNew()) {
            const QStringList reasons = IndexAttachmentRefusals(Current(), m_kept);
            if (!reasons.isEmpty() && Current() != m_loaded)
                refuse(QStringLiteral("索引を再作成できません。\n")
                           + reasons.join(QLatin1Char('\n')),
                       pagIndexType);
        }
        script = GetChangeScript();
    }
    if (TrimBlanks(script.join(QString())).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), MB_ICONEXCLAMATION);
        setIsNew(false);
        ShowData();
        return;
    }
    TCompileRequest req;
    req.Schema = cmbSchema->currentText();
    req.ObjName = txtName->text();
    req.ObjType = IndexKind.ObjType;
    req.IsNew = IsNew();
    // A DROP followed by a CREATE: a failed CREATE must not leave the index dropped, also when
    // the user lets the runner go on after the error.
    req.AllOrNothing = true;
    req.AfterSuccess = [this] {
        setIsNew(false);
        RefreshObjectWindows();
        ShowData();
    };
    RunCompileSequence(OwnerForm(), script, req);
}
