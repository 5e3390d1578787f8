#include "fuser.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvobjtype.h"
#include "core/qvstr.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

// A password box of a loaded user holds these until the user types: unchanged, it sets nothing.
const QString userBlankPassword(10, QLatin1Char(' '));

QString userIsoStamp(const QDate &date, const QTime &time)
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

const TqvDefineForm::Kind TfrmUser::UserKind { QStringLiteral("USER - "),
                                               7,
                                               ObjType::User2,
                                               QStringLiteral("USER"),
                                               QStringLiteral("USER(&O)"),
                                               false,
                                               true };

const QString TfrmUser::NotLoadedLine = QStringLiteral("(データが読み込まれていません)");

TfrmUser *TfrmUser::Open(ConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty()
        && FindWindow(staticMetaObject, CaptionKey(UserKind, AOwner, QString(), ObjectName), true))
        return nullptr;
    return ShowWindow<TfrmUser>(AOwner, QString(), ObjectName, OpenMode, smShow);
}

QStringList TfrmUser::GetScript(ConnectionWindow *AOwner, const QString &ObjectName)
{
    TfrmUser window(AOwner, QString(), ObjectName, omDefine, smText);
    QStringList lines = window.txtSource->text().split(QLatin1Char('\n'));
    if (ScriptOption.NullLine)
        DeleteBlankLines(lines);
    return lines;
}

TfrmUser::TfrmUser(ConnectionWindow *AOwner, const QString &, const QString &ObjectName,
                   TOpenMode OpenMode, TSourceMode mode)
    : TfrmRole(AOwner, UserKind, mode)
{
    setObjectName(QStringLiteral("frmUser"));
    setupUserUi();
    const QDateTime now = QDateTime::currentDateTime();
    dtpLapseDate->setDate(now.date());
    dtpLapseTime->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    txtConRest->setText(QStringLiteral("-1"));
    initWindow(ObjectName, OpenMode);
}

void TfrmUser::setupUserUi()
{
    resize(942, 613);
    auto *panel = new QGroupBox(QStringLiteral("アカウント"), tabDefine);
    panel->setObjectName(QStringLiteral("grpAccount"));
    auto *grid = new QGridLayout(panel);
    const auto password = [&](const char *name) {
        auto *edit = new TqvStrEdit(panel);
        edit->setObjectName(QLatin1String(name));
        // A password keeps every character as typed, whatever the name options say.
        edit->setCharCase(ecNormal);
        edit->setEchoMode(QLineEdit::Password);
        connect(edit, &QLineEdit::textEdited, this, [this] { OnChange(); });
        return edit;
    };
    txtPassword1 = password("txtPassword1");
    txtPassword2 = password("txtPassword2");
    auto *lblPassword1 = new QLabel(QStringLiteral("パスワード"), panel);
    lblPassword1->setObjectName(QStringLiteral("lblPassword1"));
    auto *lblPassword2 = new QLabel(QStringLiteral("(確認入力)"), panel);
    lblPassword2->setObjectName(QStringLiteral("lblPassword2"));
    grid->addWidget(lblPassword1, 0, 0);
    grid->addWidget(txtPassword1, 0, 1, 1, 2);
    grid->addWidget(lblPassword2, 1, 0);
    grid->addWidget(txtPassword2, 1, 1, 1, 2);
    chkPass = new TqvCheckBox(QStringLiteral("パスワード有効期限"), panel);
    chkPass->setObjectName(QStringLiteral("chkPass"));
    grid->addWidget(chkPass, 2, 1, 1, 2);
    auto *lblLapse = new QLabel(QStringLiteral("アカウント失効"), panel);
    lblLapse->setObjectName(QStringLiteral("lblLapse"));
    dtpLapseDate = new QDateEdit(panel);
    dtpLapseDate->setObjectName(QStringLiteral("dtpLapseDate"));
    dtpLapseDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dtpLapseDate->setCalendarPopup(true);
    dtpLapseDate->setEnabled(false);
    dtpLapseTime = new QTimeEdit(panel);
    dtpLapseTime->setObjectName(QStringLiteral("dtpLapseTime"));
    dtpLapseTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    dtpLapseTime->setEnabled(false);
    grid->addWidget(lblLapse, 3, 0);
    grid->addWidget(dtpLapseDate, 3, 1);
    grid->addWidget(dtpLapseTime, 3, 2);
    auto *lbltxtConRest = new QLabel(QStringLiteral("接続制限数"), panel);
    lbltxtConRest->setObjectName(QStringLiteral("lbltxtConRest"));
    txtConRest = new TqvNumEdit(panel);
    txtConRest->setObjectName(QStringLiteral("txtConRest"));
    txtConRest->setAllowMinus(true);
    txtConRest->setText(QStringLiteral("1"));
    grid->addWidget(lbltxtConRest, 4, 0);
    grid->addWidget(txtConRest, 4, 1);
    if (auto *top = tabDefine->findChild<QHBoxLayout *>(QStringLiteral("pnlLeft")))
        top->insertWidget(0, panel);

    actShowObj = new QAction(QStringLiteral("オブジェクト権限を表示"), this);
    actShowObj->setObjectName(QStringLiteral("actShowObj"));
    btnShowObj = new QPushButton(actShowObj->text(), tabDefine);
    btnShowObj->setObjectName(QStringLiteral("btnShowObj"));
    if (auto *objects = tabDefine->findChild<QWidget *>(QStringLiteral("pnlObjBack"))) {
        if (auto *layout = qobject_cast<QVBoxLayout *>(objects->layout())) {
            btnShowObj->setParent(objects);
            layout->addWidget(btnShowObj, 0, Qt::AlignRight);
        }
    }
    connect(btnShowObj, &QPushButton::clicked, actShowObj, &QAction::trigger);
    connect(actShowObj, &QAction::changed, btnShowObj,
            [this] { btnShowObj->setEnabled(actShowObj->isEnabled()); });
    connect(actShowObj, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            ShowObjGrant();
            if (lstObj->count() == 0)
                ShowMessageBox(QStringLiteral("付与済みのオブジェクト権限はありません。"),
                               MB_ICONINFORMATION);
        });
    });
    connect(chkPass, &QCheckBox::clicked, this, [this] {
        enableLapse();
        OnChange();
    });
    connect(dtpLapseDate, &QDateEdit::dateChanged, this, [this] {
        if (dtpLapseDate->hasFocus())
            OnChange();
    });
    connect(dtpLapseTime, &QTimeEdit::timeChanged, this, [this] {
        if (dtpLapseTime->hasFocus())
            OnChange();
    });
    connect(txtConRest, &QLineEdit::textEdited, this, [this] { OnChange(); });
}

void TfrmUser::enableLapse()
{
    const bool on = chkPass->isChecked() && chkPass->isEnabled();
    dtpLapseDate->setEnabled(on);
    dtpLapseTime->setEnabled(on);
}

TRoleState TfrmUser::Current() const
{
    TRoleState s = TfrmRole::Current();
    s.ValidUntil = chkPass->isChecked() ? userIsoStamp(dtpLapseDate->date(), dtpLapseTime->time())
                                        : QString();
    s.ConnLimit = txtConRest->text().trimmed();
    return s;
}

void TfrmUser::showUserRow(const pg::Result &row)
{
    txtPassword1->setText(userBlankPassword);
    txtPassword2->setText(userBlankPassword);
    const QDateTime now = QDateTime::currentDateTime();
    dtpLapseDate->setDate(now.date());
    dtpLapseTime->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    txtConRest->setText(row.text(0, 6));
    const QString validUntil = row.isNull(0, 7) ? QString() : row.text(0, 7);
    const bool expiry = RoleHasExpiry(validUntil);
    chkPass->setChecked(expiry);
    if (expiry) {
        // The ISO form of the query, whatever the server's DateStyle and the date options.
        const QDateTime stamp
            = QDateTime::fromString(validUntil, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        dtpLapseDate->setDate(stamp.date());
        dtpLapseTime->setTime(stamp.time());
    }
    enableLapse();
}

void TfrmUser::saveUserControls()
{
    txtPassword1->Save();
    txtPassword2->Save();
    chkPass->Save();
    dtLapseDate = dtpLapseDate->date();
    tiLapseTime = dtpLapseTime->time();
    txtConRest->Save();
}

void TfrmUser::showObjectsOnLoad()
{
    lstObj->clear();
    lstObj->addItem(NotLoadedLine);
}

bool TfrmUser::RevokeEnabled() const
{
    return !(lstObj->count() == 1 && lstObj->item(0)->text() == NotLoadedLine);
}

void TfrmUser::UpdateActionStates()
{
    TfrmRole::UpdateActionStates();
    if (actShowObj)
        actShowObj->setEnabled(!IsNew());
}

void TfrmUser::GetLoginUserPriv()
{
    TfrmRole::GetLoginUserPriv();
    const bool manage = G_CreateRole || G_SuperUser;
    // Everyone may change the own password.
    const bool self = txtName->text() == OwnerForm()->LoginUser();
    txtPassword1->setEnabled(manage || self);
    txtPassword2->setEnabled(manage || self);
    chkPass->setEnabled(manage);
    txtConRest->setEnabled(manage);
    enableLapse();
}

void TfrmUser::checkUserControls()
{
    const auto refuse = [](const QString &message, QWidget *control) {
        ShowMessageBox(message, MB_ICONEXCLAMATION);
        if (control->isEnabled())
            control->setFocus();
        throw SilentAbort();
    };
    const bool changed1 = IsNew() || txtPassword1->IsChanged();
    const bool changed2 = IsNew() || txtPassword2->IsChanged();
    if (changed1 && txtPassword1->text().trimmed().isEmpty())
        refuse(QStringLiteral("パスワードを入力して下さい。"), txtPassword1);
    if (changed2 && txtPassword2->text().trimmed().isEmpty())
        refuse(QStringLiteral("パスワードを入力して下さい。"), txtPassword2);
    if ((changed1 || changed2) && txtPassword1->text() != txtPassword2->text())
        refuse(QStringLiteral("パスワードが一致しません。"), txtPassword2);
    if (txtConRest->text().trimmed() == QLatin1String("-"))
        txtConRest->setText(QStringLiteral("-1"));
    if (txtConRest->text().contains(QLatin1Char('.')))
        refuse(QStringLiteral("接続制限数は整数を入力して下さい。"), txtConRest);
}

QString TfrmUser::passwordVerifier() const
{
    if (!IsNew() && !txtPassword1->IsChanged())
        return QString();
    if (txtPassword1->text().trimmed().isEmpty())
        return QString();
    return OwnerForm()->dbsMain()->encryptPassword(txtPassword1->text(), txtName->text());
}
