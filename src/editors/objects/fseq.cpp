#include "fseq.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvlist.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjectwindows.h"
#include "core/qvobjtype.h"
#include "core/qvstr.h"
#include "core/qvwaitcursor.h"
#include "editors/tables/rcross.h"
#include "editors/tables/rgrant.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/result.h"
#include "platform/pg/transaction.h"
#include "sqllang/qvmemo.h"
#include "ui/fddlexec.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// The columns of one table of the sequence's schema, in column order.
const char *const SeqColumnSQL = R"(
SELECT A.attname FROM pg_class C
JOIN pg_namespace N ON C.relnamespace = N.oid
JOIN pg_attribute A ON C.oid = A.attrelid
WHERE C.relkind IN ('r', 'p') AND N.nspname = $1 AND C.relname = $2
  AND A.attnum > 0 AND NOT A.attisdropped
ORDER BY A.attnum)";

QString seqCell(const pg::Result &row, int column)
{
    return row.isNull(0, column) ? QString() : row.text(0, column);
}

// Names "schema.name" as the statement texts of the window do, for the error of a read.
QString seqTitle(const QString &Schema, const QString &Name)
{
    return Schema + QLatin1Char('.') + Name;
}

} // namespace

const TqvDefineForm::Kind TfrmSeq::SeqKind { QStringLiteral("SEQUENCE - "),
                                             4,
                                             ObjType::Sequence,
                                             QStringLiteral("SEQ"),
                                             QStringLiteral("SEQUENCE(&O)"),
                                             false,
                                             true };

TfrmSeq *TfrmSeq::Open(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                       TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty()
        && FindWindow(staticMetaObject, CaptionKey(SeqKind, AOwner, Schema, ObjectName), true))
        return nullptr;
    return ShowWindow<TfrmSeq>(AOwner, Schema, ObjectName, OpenMode, smShow);
}

QStringList TfrmSeq::GetScript(ConnectionWindow *AOwner, const QString &Schema,
                               const QString &ObjectName)
{
    TfrmSeq window(AOwner, Schema, ObjectName, omDefine, smText);
    QStringList lines = window.txtSource->text().split(QLatin1Char('\n'));
    if (ScriptOption.NullLine)
        DeleteBlankLines(lines);
    return lines;
}

TfrmSeq::TfrmSeq(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                 TOpenMode OpenMode, TSourceMode mode)
    : TqvDefineForm(AOwner->connectionWidget(), SeqKind, mode)
{
    setObjectName(QStringLiteral("frmSeq"));
    setupUi();
    InitForm();
    if (SourceMode == smShow)
        CreateTaskButton();
    setObjType(SeqKind.ObjType);
    cmbSchema->setEditText(Schema);
    txtName->setText(ObjectName);
    {
        const QSignalBlocker quiet(pagObject);
        QWidget *first = tabDefine;
        if (SourceMode == smShow && !ObjectName.isEmpty()) {
            if (OpenMode == omSource)
                first = tabSource;
            else if (OpenMode == omCross)
                first = tabCross;
            else if (OpenMode == omGrant)
                first = tabGrant;
        }
        pagObject->setCurrentWidget(first);
        SyncCurrentPage();
    }
    setIsNew(ObjectName.isEmpty());
    ShowData();
}

void TfrmSeq::setupUi()
{
    resize(560, 420);
    auto *grid = new QGridLayout;
    defineLayout()->addLayout(grid);
    const auto number = [this](const char *name, bool minus) {
        auto *edit = new TqvNumEdit(tabDefine);
        edit->setObjectName(QLatin1String(name));
        edit->setAllowMinus(minus);
        connect(edit, &QLineEdit::textEdited, this, [this] { OnChange(); });
        return edit;
    };
    const auto check = [this](const char *name, const QString &caption) {
        auto *box = new TqvCheckBox(caption, tabDefine);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    const auto label = [this](const char *name, const QString &caption) {
        auto *l = new QLabel(caption, tabDefine);
        l->setObjectName(QLatin1String(name));
        return l;
    };

    lblCurrent = label("lblCurrent", QStringLiteral("現 在 値"));
    pnlCurrent = label("pnlCurrent", QString());
    pnlCurrent->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlCurrent->setMinimumWidth(180);
    btnInc = new QPushButton(tabDefine);
    btnInc->setObjectName(QStringLiteral("btnInc"));
    grid->addWidget(lblCurrent, 0, 0);
    grid->addWidget(pnlCurrent, 0, 1);
    grid->addWidget(btnInc, 0, 2);

    lblLastNo = label("lblLastNo", QStringLiteral("最終番号"));
    txtLastNo = number("txtLastNo", true);
    txtLastNo->setText(QStringLiteral("1"));
    grid->addWidget(lblLastNo, 1, 0);
    grid->addWidget(txtLastNo, 1, 1);

    txtMin = number("txtMin", true);
    txtMin->setText(QStringLiteral("1"));
    chkNoMin = check("chkNoMin", QStringLiteral("NoMinValue"));
    chkNoMin->setChecked(true);
    grid->addWidget(label("lblRange", QStringLiteral("範囲(最小)")), 2, 0);
    grid->addWidget(txtMin, 2, 1);
    grid->addWidget(chkNoMin, 2, 2);

    txtMax = number("txtMax", true);
    txtMax->setText(QStringLiteral("9223372036854775807"));
    chkNomax = check("chkNomax", QStringLiteral("NoMaxValue"));
    chkNomax->setChecked(true);
    grid->addWidget(label("Label1", QStringLiteral("　　(最大)")), 3, 0);
    grid->addWidget(txtMax, 3, 1);
    grid->addWidget(chkNomax, 3, 2);

    txtInc = number("txtInc", true);
    txtInc->setText(QStringLiteral("1"));
    grid->addWidget(label("lblInc", QStringLiteral("増　　分")), 4, 0);
    grid->addWidget(txtInc, 4, 1);
    chkCycle = check("chkCycle", QStringLiteral("繰り返し"));
    grid->addWidget(chkCycle, 4, 2);

    txtCache = number("txtCache", false);
    txtCache->setText(QStringLiteral("1"));
    grid->addWidget(label("lblCache", QStringLiteral("キャッシュサイズ")), 5, 0);
    grid->addWidget(txtCache, 5, 1);

    auto *owned = new QHBoxLayout;
    cmbTable = new TqvComboBox(tabDefine);
    cmbTable->setObjectName(QStringLiteral("cmbTable"));
    cmbTable->setEditable(true);
    cmbTable->setMaxVisibleItems(20);
    cmbTable->setMinimumWidth(160);
    cmbColumn = new TqvComboBox(tabDefine);
    cmbColumn->setObjectName(QStringLiteral("cmbColumn"));
    cmbColumn->setEditable(true);
    cmbColumn->setMaxVisibleItems(20);
    cmbColumn->setMinimumWidth(120);
    chkOwned = check("chkOwned", QStringLiteral("NONE"));
    chkOwned->setChecked(true);
    owned->addWidget(cmbTable, 1);
    owned->addWidget(cmbColumn, 1);
    owned->addWidget(chkOwned);
    grid->addWidget(label("lblOwned", QStringLiteral("関連付け")), 6, 0);
    grid->addLayout(owned, 6, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    defineLayout()->addStretch(1);

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

    actInc = new QAction(QStringLiteral("加算(&I)"), this);
    actInc->setObjectName(QStringLiteral("actInc"));
    actInc->setToolTip(QStringLiteral("加算"));
    actInc->setStatusTip(QStringLiteral("SEQUENCEの現在値に増分値を加算します。"));
    btnInc->setText(actInc->text());
    if (QMenu *menu = mnuTool->findChild<QMenu *>(QStringLiteral("mnuObject"))) {
        menu->addSeparator();
        menu->addAction(actInc);
    }
    connect(actInc, &QAction::triggered, this, [this] { RunGuarded([this] { actIncExecute(); }); });
    connect(btnInc, &QPushButton::clicked, actInc, &QAction::trigger);
    connect(actInc, &QAction::changed, btnInc, [this] { btnInc->setEnabled(actInc->isEnabled()); });

    connect(chkCycle, &QCheckBox::clicked, this, [this] { OnChange(); });
    connect(chkNoMin, &QCheckBox::clicked, this, [this] {
        txtMin->setEnabled(!chkNoMin->isChecked());
        OnChange();
    });
    connect(chkNomax, &QCheckBox::clicked, this, [this] {
        txtMax->setEnabled(!chkNomax->isChecked());
        OnChange();
    });
    connect(chkOwned, &QCheckBox::clicked, this, [this] {
        cmbTable->setEnabled(!chkOwned->isChecked());
        cmbColumn->setEnabled(!chkOwned->isChecked());
        OnChange();
    });
    connect(cmbTable, &TqvComboBox::OnDropDown, this,
            [this] { RunGuarded([this] { ShowTableList(); }); });
    connect(cmbColumn, &TqvComboBox::OnDropDown, this,
            [this] { RunGuarded([this] { ShowColumnList(); }); });
    connect(cmbTable, &QComboBox::currentTextChanged, this, [this] {
        if (!cmbTable->isEnabled() || !isVisible())
            return;
        OnChange();
        // another table: its columns, none chosen yet
        cmbColumn->setEditText(QString());
        RunGuarded([this] { ShowColumnList(); });
        cmbColumn->setEditText(QString());
    });
    connect(cmbColumn, &QComboBox::currentTextChanged, this, [this] {
        if (cmbColumn->isEnabled() && isVisible())
            OnChange();
    });
    connect(cmbSchema, &QComboBox::editTextChanged, this, [this] {
        if (!IsNew())
            return;
        const QSignalBlocker quietTable(cmbTable);
        const QSignalBlocker quietColumn(cmbColumn);
        cmbTable->clear();
        cmbTable->setEditText(QString());
        cmbColumn->clear();
        cmbColumn->setEditText(QString());
    });
}

TSequenceState TfrmSeq::Current() const
{
    TSequenceState s;
    s.Schema = cmbSchema->currentText();
    s.Name = txtName->text();
    s.LastNo = txtLastNo->text();
    s.Min = txtMin->text();
    s.Max = txtMax->text();
    s.Inc = txtInc->text();
    s.Cache = txtCache->text();
    s.NoMin = chkNoMin->isChecked();
    s.NoMax = chkNomax->isChecked();
    s.Cycle = chkCycle->isChecked();
    s.OwnedNone = chkOwned->isChecked();
    s.OwnedTable = cmbTable->currentText().trimmed();
    s.OwnedColumn = cmbColumn->currentText().trimmed();
    return s;
}

bool TfrmSeq::IsCreate() const
{
    // The last value has an ALTER form here (setval): only a new sequence, a script and the
    // source page create.
    return IsNew() || SourceMode == smText || pagObject->currentWidget() == tabSource;
}

void TfrmSeq::readState()
{
    ConnectionWindow *owner = OwnerForm();
    const QString schema = cmbSchema->currentText();
    const QString name = txtName->text();
    const QString sql = SequenceStateSQL(owner->DBVer(), schema, name);
    pg::Result row;
    try {
        row = SequenceStateSQLBinds(owner->DBVer())
            ? owner->dbsMain()->exec(sql, { pg::Param(schema), pg::Param(name) })
            : owner->dbsMain()->exec(sql);
    } catch (const pg::Error &) {
        // Below server 10 a missing sequence is a missing relation.
        if (SourceMode == smShow)
            ShowExceptionMessage(std::current_exception());
        if (SourceMode == smShow)
            throw SilentAbort();
        throw;
    }
    if (row.rowCount() == 0) {
        if (SourceMode == smShow) {
            ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), MB_ICONERROR);
            throw SilentAbort();
        }
        throw std::runtime_error(QStringLiteral("シーケンス %1 の定義情報を読み込めませんでした。")
                                     .arg(seqTitle(schema, name))
                                     .toStdString());
    }
    TSequenceRow values;
    values.LastValue = seqCell(row, 0);
    values.MinValue = seqCell(row, 1);
    values.MaxValue = seqCell(row, 2);
    values.Increment = seqCell(row, 3);
    values.Cycle = seqCell(row, 4) == QLatin1String("t");
    values.Cache = seqCell(row, 5);
    values.StartValue = seqCell(row, 6);
    values.DataType = seqCell(row, 7);
    values.Used = seqCell(row, 8) == QLatin1String("t");
    const TSequenceState s = SequenceStateFromRow(schema, name, values);
    txtLastNo->setText(s.LastNo);
    txtMin->setText(s.Min);
    txtMax->setText(s.Max);
    txtInc->setText(s.Inc);
    chkCycle->setChecked(s.Cycle);
    txtCache->setText(s.Cache);
    chkNoMin->setChecked(s.NoMin);
    chkNomax->setChecked(s.NoMax);
    m_catalog.StartValue = values.StartValue.trimmed();
    m_catalog.DataType = values.DataType;
    m_catalog.Used = values.Used;
}

void TfrmSeq::readOwner()
{
    const QSignalBlocker quietTable(cmbTable);
    const QSignalBlocker quietColumn(cmbColumn);
    cmbTable->clear();
    cmbTable->setEditText(QString());
    cmbColumn->clear();
    cmbColumn->setEditText(QString());
    chkOwned->setChecked(true);
    try {
        const pg::Result row = OwnerForm()->dbsMain()->exec(
            QString::fromUtf8(SequenceOwnerSQL),
            { pg::Param(cmbSchema->currentText()), pg::Param(txtName->text()) });
        if (row.rowCount() > 0) {
            cmbTable->setEditText(row.text(0, 0).trimmed());
            cmbColumn->setEditText(row.text(0, 1).trimmed());
            chkOwned->setChecked(false);
        }
    } catch (const pg::Error &) {
        // Unknown owner: the sequence shows OWNED BY NONE.
    }
}

void TfrmSeq::showCurrentValue()
{
    pnlCurrent->setText(QStringLiteral("(不明)"));
    if (SourceMode != smShow || !g_blnNextVal)
        return;
    pg::Connection &connection = *OwnerForm()->dbsMain();
    try {
        // In a savepoint when the user has a transaction open: a failure must not abort it.
        pg::Transaction tx(connection);
        const pg::Result row = connection.exec(
            QStringLiteral("SELECT pg_catalog.currval($1::regclass)"),
            { pg::Param(SequenceRegclassText(cmbSchema->currentText(), txtName->text())) });
        if (row.rowCount() > 0)
            pnlCurrent->setText(row.text(0, 0));
        tx.commit();
    } catch (const pg::Error &) {
        // No value on this session yet: the panel keeps "(不明)".
    }
}

void TfrmSeq::enableDependents()
{
    txtMin->setEnabled(!chkNoMin->isChecked());
    txtMax->setEnabled(!chkNomax->isChecked());
    cmbTable->setEnabled(!chkOwned->isChecked());
    cmbColumn->setEnabled(!chkOwned->isChecked());
}

void TfrmSeq::ShowData()
{
    const SQLWaitCursor wait;
    try {
        m_catalog = TSequenceCatalog();
        if (!IsNew()) {
            readState();
            showCurrentValue();
            readOwner();
        }
        enableDependents();
        for (TqvNumEdit *edit : { txtLastNo, txtMin, txtMax, txtInc, txtCache })
            edit->Save();
        for (TqvCheckBox *box : { chkCycle, chkNomax, chkNoMin, chkOwned })
            box->Save();
        cmbTable->Save();
        cmbColumn->Save();
        m_loaded = Current();
        txtSource->clear();
        if (pagObject->currentWidget() == tabSource || SourceMode == smText) {
            QStringList lines;
            GetSourceCreate(lines);
            txtSource->setText(lines.join(QLatin1Char('\n')));
        }
        if (SourceMode == smShow && !IsNew()) {
            if (pagObject->currentWidget() == tabGrant)
                fraGrant->ShowData(cmbSchema->currentText(), txtName->text(), -1, QString(),
                                   QString());
            else if (pagObject->currentWidget() == tabCross)
                fraCross->ShowData(cmbSchema->currentText(), txtName->text(), QString(), QString());
        }
    } catch (...) {
        setModified(false);
        UpdateActionStates();
        throw;
    }
    setModified(false);
    UpdateActionStates();
}

void TfrmSeq::GetSourceCreate(QStringList &Lines)
{
    const QString prefix = LogonSchemaPrefix(cmbSchema->currentText());
    if (IsNew())
        Lines << SequenceCreateScript(Current(), prefix);
    else
        Lines << SequenceScript(m_loaded, m_catalog, prefix);
}

QString TfrmSeq::GetDropStatement() const
{
    return SequenceDropScript(Current()).first();
}

void TfrmSeq::ChangedIsNew()
{
    TqvDefineForm::ChangedIsNew();
    lblLastNo->setText(IsNew() ? QStringLiteral("初 期 値") : QStringLiteral("最終番号"));
    lblCurrent->setVisible(!IsNew());
    pnlCurrent->setVisible(!IsNew());
    btnInc->setVisible(!IsNew());
}

void TfrmSeq::UpdateActionStates()
{
    TqvDefineForm::UpdateActionStates();
    if (actInc)
        actInc->setEnabled(!Modified() && !IsNew());
}

void TfrmSeq::ShowTableList()
{
    const SQLWaitCursor wait;
    const QStringList tables
        = OwnerForm()->GetObject(cmbSchema->currentText(), QStringLiteral("TABLE"));
    const QString current = cmbTable->currentText();
    const QSignalBlocker quiet(cmbTable);
    cmbTable->clear();
    for (const QString &table : tables)
        cmbTable->addItem(table.trimmed());
    cmbTable->setEditText(current);
}

void TfrmSeq::ShowColumnList()
{
    const SQLWaitCursor wait;
    const QString current = cmbColumn->currentText();
    const QSignalBlocker quiet(cmbColumn);
    cmbColumn->clear();
    if (!cmbTable->currentText().trimmed().isEmpty()) {
        const pg::Result rows = OwnerForm()->dbsMain()->exec(
            QString::fromUtf8(SeqColumnSQL),
            { pg::Param(cmbSchema->currentText()), pg::Param(cmbTable->currentText().trimmed()) });
        for (int i = 0; i < rows.rowCount(); ++i)
            cmbColumn->addItem(rows.text(i, 0).trimmed());
    }
    cmbColumn->setEditText(current);
}

void TfrmSeq::actIncExecute()
{
    if (Modified() || IsNew())
        return;
    OwnerForm()->dbsMain()->exec(
        QStringLiteral("SELECT pg_catalog.nextval($1::regclass)"),
        { pg::Param(SequenceRegclassText(cmbSchema->currentText(), txtName->text())) });
    g_blnNextVal = true;
    ShowData();
}

void TfrmSeq::Compile(QObject *)
{
    ExitActiveControl();
    const auto refuse = [](const QString &message, QWidget *control) {
        ShowMessageBox(message, MB_ICONEXCLAMATION);
        control->setFocus();
        throw SilentAbort();
    };
    if (txtName->text().trimmed().isEmpty())
        refuse(QStringLiteral("名前を入力して下さい。"), txtName);
    if (cmbSchema->currentText().trimmed().isEmpty())
        refuse(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    QWidget *page = pagObject->currentWidget();
    if (page == tabDefine && !chkOwned->isChecked()) {
        if (cmbTable->currentText().trimmed().isEmpty())
            refuse(QStringLiteral("テーブルを選択して下さい。"), cmbTable);
        if (cmbColumn->currentText().trimmed().isEmpty())
            refuse(QStringLiteral("カラムを選択して下さい。"), cmbColumn);
    }
    QStringList script;
    QString setValue;
    bool recreate = false;
    if (page == tabSource) {
        // The typed text replaces the sequence; it carries its own setval when it wants one.
        if (!IsNew())
            script << SequenceDropScript(m_loaded);
        script << txtSource->text().split(QLatin1Char('\n'));
        recreate = !IsNew();
    } else if (page == tabGrant) {
        fraGrant->GetSource(script);
    } else if (page == tabDefine) {
        const TSequenceChange change = SequenceChange(m_loaded, Current(), IsNew(),
                                                      LogonSchemaPrefix(cmbSchema->currentText()));
        script = change.Script;
        setValue = change.SetValue;
    }
    if (TrimBlanks(script.join(QString())).isEmpty() && setValue.isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), MB_ICONEXCLAMATION);
        setIsNew(false);
        ShowData();
        return;
    }
    TCompileRequest req;
    req.Policy = TCompilePolicy::Previewed;
    req.Schema = cmbSchema->currentText();
    req.ObjName = txtName->text();
    req.ObjType = SeqKind.ObjType;
    req.IsNew = IsNew();
    req.AllOrNothing = recreate;
    if (!setValue.isEmpty()) {
        const QString target = SequenceRegclassText(req.Schema, req.ObjName);
        req.FollowUps << TCompileFollowUp {
            QStringLiteral("SELECT setval(%1, %2, true)").arg(target, setValue),
            [target, setValue](ConnectionWindow *owner) {
                owner->dbsMain()->exec(
                    QStringLiteral("SELECT pg_catalog.setval($1::regclass, $2::bigint, true)"),
                    { pg::Param(target), pg::Param(setValue) });
            }
        };
    }
    const bool setsValue = !setValue.isEmpty();
    req.AfterSuccess = [this, setsValue] {
        if (setsValue)
            g_blnNextVal = true;
        setIsNew(false);
        RefreshObjectWindows();
        ShowData();
    };
    RunCompileSequence(OwnerForm(), script, req);
}
