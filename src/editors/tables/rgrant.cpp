#include "rgrant.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvexcept.h"
#include "core/qvfuncargs.h"
#include "core/qvmsgbox.h"
#include "core/qvobjtype.h"
#include "core/qvwaitcursor.h"
#include "ui/qvchklst.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"
#include "ui/qvimages.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

namespace {

constexpr int GrantRowRole = Qt::UserRole;

TCheckBoxState grantBoxState(TGrantCheck check)
{
    switch (check) {
    case TGrantCheck::Off:
        return cbUnchecked;
    case TGrantCheck::On:
        return cbChecked;
    case TGrantCheck::Mixed:
        return cbGrayed;
    }
    return cbUnchecked;
}

TGrantCheck grantCheckOf(TCheckBoxState state)
{
    switch (state) {
    case cbUnchecked:
        return TGrantCheck::Off;
    case cbChecked:
        return TGrantCheck::On;
    case cbGrayed:
        return TGrantCheck::Mixed;
    }
    return TGrantCheck::Off;
}

} // namespace

TfraGrant::TfraGrant(TqvForm *AOwner, QWidget *parent)
    : QWidget(parent)
    , FOwner(AOwner)
{
    setupUi();
}

void TfraGrant::setupUi()
{
    setObjectName(QStringLiteral("fraGrant"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto *top = new QHBoxLayout;
    rdoShowMode = new QGroupBox(QStringLiteral(" 表示対象 "), this);
    rdoShowMode->setObjectName(QStringLiteral("rdoShowMode"));
    auto *modeLayout = new QHBoxLayout(rdoShowMode);
    rdoShowHolders
        = new QRadioButton(QStringLiteral("権限付与済みのユーザーのみ表示"), rdoShowMode);
    rdoShowHolders->setObjectName(QStringLiteral("rdoShowMode0"));
    rdoShowAll = new QRadioButton(QStringLiteral("全てのユーザーを表示"), rdoShowMode);
    rdoShowAll->setObjectName(QStringLiteral("rdoShowMode1"));
    modeLayout->addWidget(rdoShowHolders);
    modeLayout->addWidget(rdoShowAll);
    m_showMode = new QButtonGroup(this);
    m_showMode->addButton(rdoShowHolders, 0);
    m_showMode->addButton(rdoShowAll, 1);
    rdoShowHolders->setChecked(true);
    top->addWidget(rdoShowMode);
    top->addStretch();
    lblComment = new QLabel(QStringLiteral("　* : 権限付与済　G : GRANT OPTION　"), this);
    lblComment->setObjectName(QStringLiteral("lblComment"));
    lblComment->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    top->addWidget(lblComment);
    layout->addLayout(top);

    auto *body = new QHBoxLayout;
    lstGrant = new TqvListView(this);
    lstGrant->setObjectName(QStringLiteral("lstGrant"));
    lstGrant->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstGrant->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstGrant->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstGrant->setAllColumnsShowFocus(true);
    lstGrant->setHeaderLabels({ QStringLiteral("ユーザー名") });
    body->addWidget(lstGrant, 1);

    grpGrantOption = new QGroupBox(QStringLiteral(" 選択したユーザーの権限 / GRANT OPTION "), this);
    grpGrantOption->setObjectName(QStringLiteral("grpGrantOption"));
    auto *groupLayout = new QVBoxLayout(grpGrantOption);
    chkGrant = new TqvCheckListBox(grpGrantOption);
    chkGrant->setObjectName(QStringLiteral("chkGrant"));
    chkGrant->setEnabled(false);
    groupLayout->addWidget(chkGrant);
    grpGrantOption->setMinimumWidth(280);
    body->addWidget(grpGrantOption);
    layout->addLayout(body, 1);

    connect(m_showMode, &QButtonGroup::idClicked, this, [this] { rdoShowModeClick(); });
    connect(lstGrant, &QTreeWidget::itemSelectionChanged, this, [this] { lstGrantSelectItem(); });
    connect(lstGrant, &QTreeWidget::itemClicked, this, [this] { lstGrantClick(); });
    connect(chkGrant, &TqvCheckListBox::OnClickCheckL, this, [this] { chkGrantClick(); });
    connect(chkGrant, &TqvCheckListBox::OnClickCheckR, this, [this] { chkGrantClick(); });
}

int TfraGrant::ShowModeIndex() const
{
    return m_showMode->checkedId() == 1 ? 1 : 0;
}

bool TfraGrant::IsChanged() const
{
    for (const TGrantee &row : m_rows) {
        if (row.IsChanged())
            return true;
    }
    return false;
}

void TfraGrant::ShowData(const QString &Schema, const QString &ObjName, qint64 pintOid,
                         const QString &pstrTypLst, const QString &pstrDataType)
{
    if (!FOwner || !FOwner->OwnerForm())
        return;
    FOwnerForm = FOwner->OwnerForm();
    FObjType = FOwner->ObjType();
    FSchema = Schema;
    FObjName = ObjName;
    L_intOID = pintOid;
    L_strTypLst = pstrTypLst;
    m_target = TGrantTarget { FObjType, Schema, ObjName, pg::Oid(pintOid < 0 ? 0 : pintOid),
                              pstrTypLst };

    QStringList logins;
    QStringList others;
    TObjectAcl acl;
    {
        SQLWaitCursor wait;
        pg::Connection &connection = *FOwnerForm->dbsMain();
        // A routine known by its oid alone is named by the identity arguments of its row, so
        // that GRANT and REVOKE reach this overload and no other.
        const bool routine = FObjType == ObjType::Function || FObjType == ObjType::Procedure
            || FObjType == ObjType::Aggregate;
        if (routine && pintOid > 0 && pstrTypLst.isEmpty()) {
            FncArgArray args;
            GetFuncArguments(m_target.Oid, connection, args, FOwnerForm->DBVer());
            m_target.ArgTypes = GetFuncArgTypes(args, 5, Schema);
        }
        LoadGrantRoles(connection, logins, others);
        acl = LoadObjectAcl(connection, m_target, FOwnerForm->DBVer(),
                            FOwnerForm->g_bPostgresPlus());
    }
    L_strDataType = FObjType == ObjType::Type
        ? (pstrDataType.isEmpty() ? acl.TypeKind : pstrDataType)
        : QString();
    m_owner = acl.Owner;
    m_rows = GrantRows(FObjType, logins, others, acl);
    fillList();
}

void TfraGrant::fillList()
{
    const QList<TGrantPrivilege> &privileges = GrantPrivileges(FObjType);
    const QString user = FOwnerForm->LoginUser();
    const QSignalBlocker blockList(lstGrant);
    lstGrant->setUpdatesEnabled(false);
    lstGrant->clear();
    QStringList headers { QStringLiteral("ユーザー名") };
    for (const TGrantPrivilege &p : privileges)
        headers << p.Keyword;
    lstGrant->setHeaderLabels(headers);
    lstGrant->setColumnWidth(0, 200);
    for (int c = 1; c < headers.size(); ++c) {
        lstGrant->setColumnWidth(c, 90);
        lstGrant->setColumnAlignment(c, Qt::AlignHCenter);
    }
    for (int r = 0; r < m_rows.size(); ++r) {
        const TGrantee &row = m_rows.at(r);
        auto *item = new QTreeWidgetItem(lstGrant);
        item->setText(0, row.Name);
        item->setData(0, GrantRowRole, r);
        const int icon = row.IsPublic || row.CanLogin
            ? (!row.IsPublic && row.Name == user ? ObjType::User2 : ObjType::User)
            : ObjType::Role;
        item->setIcon(0, MainImage(icon));
        for (int c = 1; c < headers.size(); ++c)
            item->setTextAlignment(c, Qt::AlignCenter);
    }
    for (int r = 0; r < m_rows.size(); ++r)
        showMarks(r);
    applyFilter();
    lstGrant->setUpdatesEnabled(true);

    const QSignalBlocker blockChecks(chkGrant);
    chkGrant->clear();
    for (const TGrantPrivilege &p : privileges)
        chkGrant->addItem(p.CheckCaption);
    chkGrant->setEnabled(false);
}

void TfraGrant::showMarks(int row)
{
    QTreeWidgetItem *item = lstGrant->topLevelItem(row);
    if (!item)
        return;
    const TGrantee &grantee = m_rows.at(item->data(0, GrantRowRole).toInt());
    for (int i = 0; i < grantee.Marks.size(); ++i)
        item->setText(i + 1, GrantMarkText(grantee.Marks.at(i)));
}

void TfraGrant::applyFilter()
{
    const bool showAll = ShowModeIndex() == 1;
    for (int i = 0; i < lstGrant->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = lstGrant->topLevelItem(i);
        const bool shown = GranteeShown(m_rows.at(item->data(0, GrantRowRole).toInt()), showAll);
        if (!shown)
            item->setSelected(false);
        item->setHidden(!shown);
    }
}

QList<int> TfraGrant::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < lstGrant->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lstGrant->topLevelItem(i);
        if (item->isSelected() && !item->isHidden())
            rows << item->data(0, GrantRowRole).toInt();
    }
    return rows;
}

void TfraGrant::rdoShowModeClick()
{
    // Only the rows shown change: the marks, loaded and edited, stay as they are.
    applyFilter();
    lstGrantSelectItem();
}

void TfraGrant::lstGrantClick()
{
    const QList<int> selected = selectedRows();
    if (selected.isEmpty())
        return;
    const bool allowed = GrantOptionAllowed(m_rows, selected);
    for (int i = 0; i < chkGrant->count(); ++i)
        chkGrant->SetItemEnabledR(i, allowed);
}

void TfraGrant::lstGrantSelectItem()
{
    if (L_strDataType == QLatin1String("p"))
        return;
    const QList<int> selected = selectedRows();
    chkGrant->setEnabled(!selected.isEmpty());
    if (selected.isEmpty())
        return;
    const TGrantChecks checks = GrantChecksOf(m_rows, selected, chkGrant->count());
    for (int i = 0; i < checks.size(); ++i) {
        chkGrant->SetStateL(i, grantBoxState(checks.at(i).first));
        chkGrant->SetStateR(i, grantBoxState(checks.at(i).second));
    }
    lstGrantClick();
}

void TfraGrant::chkGrantClick()
{
    const QList<int> selected = selectedRows();
    if (selected.isEmpty())
        return;
    FOwner->setModified(true);
    TGrantChecks checks;
    for (int i = 0; i < chkGrant->count(); ++i)
        checks.append(
            { grantCheckOf(chkGrant->GetStateL(i)), grantCheckOf(chkGrant->GetStateR(i)) });
    ApplyGrantChecks(m_rows, selected, checks);
    for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
        showMarks(i);
}

void TfraGrant::GetSource(QStringList &S) const
{
    if (!FOwnerForm) {
        S << GrantSource(m_target, m_rows);
        return;
    }
    // A REVOKE takes away only what its own role granted: each grant is revoked as its
    // grantor, and a grant the session cannot act for is refused before anything runs.
    TGrantAuthority authority;
    {
        const SQLWaitCursor wait;
        authority
            = LoadGrantAuthority(*FOwnerForm->dbsMain(), m_owner, GrantRevokeGrantors(m_rows));
    }
    const QStringList refused = GrantRevokeRefusals(m_target, m_rows, authority);
    if (!refused.isEmpty()) {
        ShowMessageBox(QStringLiteral("権限を取り消せません。\n") + refused.join(QLatin1Char('\n')),
                       MB_ICONEXCLAMATION);
        throw SilentAbort();
    }
    S << GrantSource(m_target, m_rows, authority);
}

void TfraGrant::GetSourceReregist(QStringList &S) const
{
    S << GrantSourceReregist(m_target, m_rows);
}
