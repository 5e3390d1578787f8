#include "flogon.h"

#include "fconnection.h"
#include "fobject.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvscramble.h"
#include "core/qvstr.h"
#include "core/qvsub.h"
#include "platform/pg/error.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

namespace flogon {

constexpr int helpContext = 200;
constexpr int clientWidth = 594;
constexpr int clientHeight = 406;
constexpr int minHeight = 400;
constexpr int minWidth = 220;
constexpr int fieldLength = 255;
constexpr int portLength = 5;
constexpr int passwordRole = Qt::UserRole;
constexpr int keyRole = Qt::UserRole + 1;

QString databaseKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\DATABASE");
}

QString logonKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\LOGON");
}

bool containsName(const QStringList &names, const QString &name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

// The first free name DBnnn (at least three digits) among names, compared without regard to
// letter case.
QString freeEntryName(const QStringList &names)
{
    for (int n = 0;; ++n) {
        const QString name = QStringLiteral("DB%1").arg(n, 3, 10, QLatin1Char('0'));
        if (!containsName(names, name))
            return name;
    }
}

QToolButton *toolButton(QAction *action, QWidget *parent, const char *name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    return button;
}

QAction *makeAction(QObject *parent, const char *name, const QString &caption, int image = -1)
{
    auto *action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(caption);
    if (image >= 0)
        action->setIcon(MainImage(image));
    return action;
}

// The field values a failed logon hands to the next dialog.
struct LogonValues
{
    QString host, port, database, schema, user, password;
};

// Whether the server refused the password: a wrong one, or none where it asks for one.
bool passwordRefused(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const pg::Error &e) {
        return e.sqlState() == QLatin1String(pg::sqlstate::InvalidPassword);
    } catch (...) {
        return false;
    }
}

// The connection window's "connecting" text goes with its failure: the panel shows the current
// connection's summary, or nothing when none is open.
void clearConnectingText(MainWindowServices *main)
{
    if (!main)
        return;
    main->SetStatusText(QString());
    main->SetDefMessage();
}

} // namespace flogon

TfrmLogon::TfrmLogon(QWidget *parent)
    : QDialog(parent)
{
    setupUi();
}

void TfrmLogon::setupUi()
{
    using namespace flogon;
    setObjectName(QStringLiteral("frmLogon"));
    setWindowTitle(QStringLiteral("ログオン"));
    setProperty("HelpContext", helpContext);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(clientWidth, clientHeight);
    setMinimumSize(minWidth, minHeight);

    actOk = makeAction(this, "actOk", QStringLiteral("接続"));
    actCancel = makeAction(this, "actCancel", QStringLiteral("キャンセル"));
    actUp = makeAction(this, "actUp", QStringLiteral("上へ移動"), 35);
    actDown = makeAction(this, "actDown", QStringLiteral("下へ移動"), 36);
    actDel = makeAction(this, "actDel", QStringLiteral("削除"), 41);
    actImport = makeAction(this, "actImport", QStringLiteral("接続先リストの取込"), 8);

    auto makeEdit = [this](const char *name, int length) {
        auto *edit = new TqvStrEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setMaxLength(length);
        return edit;
    };
    txtUserID = makeEdit("txtUserID", fieldLength);
    txtPassword = makeEdit("txtPassword", fieldLength);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtHost = makeEdit("txtHost", fieldLength);
    txtPort = new TqvNumEdit(this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setMaxLength(portLength);
    txtPort->setAllowMinus(false);
    txtDatabase = makeEdit("txtDatabase", fieldLength);
    txtSchema = makeEdit("txtSchema", fieldLength);
    chkSave = new TqvCheckBox(QStringLiteral("接続先リストに登録する"), this);
    chkSave->setObjectName(QStringLiteral("chkSave"));

    auto *fields = new QGridLayout;
    const QList<QPair<QString, QWidget *>> rows = {
        { QStringLiteral("ユーザーＩＤ"), txtUserID },
        { QStringLiteral("パスワード"), txtPassword },
        { QStringLiteral("サーバー"), txtHost },
        { QStringLiteral("ポート"), txtPort },
        { QStringLiteral("データベース"), txtDatabase },
        { QStringLiteral("接続スキーマ"), txtSchema },
    };
    for (int i = 0; i < rows.size(); ++i) {
        auto *label = new QLabel(rows[i].first, this);
        label->setBuddy(rows[i].second);
        fields->addWidget(label, i, 0);
        fields->addWidget(rows[i].second, i, 1);
    }
    fields->addWidget(chkSave, int(rows.size()), 1);

    btnOk = new QPushButton(actOk->text(), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(actCancel->text(), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, actOk, &QAction::trigger);
    connect(btnCancel, &QPushButton::clicked, actCancel, &QAction::trigger);
    connect(actOk, &QAction::changed, this, [this] { btnOk->setEnabled(actOk->isEnabled()); });
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addStretch();

    auto *top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addLayout(buttons);

    auto *listLabel = new QLabel(QStringLiteral("接続先リスト"), this);
    lstUserID = new TqvListView(this);
    lstUserID->setObjectName(QStringLiteral("lstUserID"));
    lstUserID->setHeaderLabels({ QStringLiteral("ユーザーID"), QStringLiteral("サーバー"),
                                 QStringLiteral("データベース"), QStringLiteral("スキーマ"),
                                 QStringLiteral("ポート") });
    lstUserID->setColumnWidth(0, 100);
    lstUserID->setColumnWidth(1, 120);
    lstUserID->setColumnWidth(2, 100);
    lstUserID->setColumnWidth(3, 100);
    lstUserID->header()->setStretchLastSection(true);
    lstUserID->setSelectionMode(QAbstractItemView::SingleSelection);
    lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstUserID->installEventFilter(this);
    btnUp = toolButton(actUp, this, "btnUp");
    btnDown = toolButton(actDown, this, "btnDown");
    btnDel = toolButton(actDel, this, "btnDel");
    btnImport = toolButton(actImport, this, "btnImport");
    btnImport->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto *listBar = new QHBoxLayout;
    listBar->addWidget(listLabel);
    listBar->addStretch();
    listBar->addWidget(btnUp);
    listBar->addWidget(btnDown);
    listBar->addWidget(btnDel);
    listBar->addSpacing(12);
    listBar->addWidget(btnImport);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(listBar);
    layout->addWidget(lstUserID, 1);

    setTabOrder(txtUserID, txtPassword);
    setTabOrder(txtPassword, txtHost);
    setTabOrder(txtHost, txtPort);
    setTabOrder(txtPort, txtDatabase);
    setTabOrder(txtDatabase, txtSchema);
    setTabOrder(txtSchema, chkSave);
    setTabOrder(chkSave, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, lstUserID);
    setTabOrder(lstUserID, btnUp);
    setTabOrder(btnUp, btnDown);
    setTabOrder(btnDown, btnDel);
    setTabOrder(btnDel, btnImport);

    connect(actOk, &QAction::triggered, this, [this] { RunGuarded([this] { actOkExecute(); }); });
    connect(actCancel, &QAction::triggered, this, [this] { actCancelExecute(); });
    connect(actUp, &QAction::triggered, this, [this] { actUpExecute(); });
    connect(actDown, &QAction::triggered, this, [this] { actDownExecute(); });
    connect(actDel, &QAction::triggered, this, [this] { RunGuarded([this] { actDelExecute(); }); });
    connect(actImport, &QAction::triggered, this,
            [this] { RunGuarded([this] { actImportExecute(); }); });
    connect(lstUserID, &QTreeWidget::itemSelectionChanged, this, [this] {
        lstUserIDSelectItem();
        UpdateActions();
    });
    connect(lstUserID, &QTreeWidget::itemDoubleClicked, this,
            [this] { RunGuarded([this] { actOkExecute(); }); });
    for (QLineEdit *edit :
         { static_cast<QLineEdit *>(txtUserID), static_cast<QLineEdit *>(txtPassword) })
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdateActions(); });
    UpdateActions();
}

QString TfrmLogon::SubItemText(const QTreeWidgetItem *item, int index)
{
    using namespace flogon;
    switch (index) {
    case siPassword:
        return item->data(0, passwordRole).toString();
    case siKey:
        return item->data(0, keyRole).toString();
    default:
        return item->text(index + 1);
    }
}

QTreeWidgetItem *TfrmLogon::AddConnectItem(TqvListView *list, const QString &UserID,
                                           const QString &Host, const QString &Database,
                                           const QString &Schema, const QString &Port,
                                           const QString &Password, const QString &Key)
{
    using namespace flogon;
    auto *item = new QTreeWidgetItem(list);
    item->setText(0, UserID);
    item->setText(1, Host);
    item->setText(2, Database);
    item->setText(3, Schema);
    item->setText(4, Port);
    item->setData(0, passwordRole, Password);
    item->setData(0, keyRole, Key);
    return item;
}

bool TfrmLogon::ShowWindow(const QString &Host, const QString &Port, const QString &DBName,
                           const QString &Schema, const QString &UserID, const QString &Password,
                           bool AutoPass)
{
    using namespace flogon;
    MainWindowServices *main = mainWindowServices();
    QWidget *owner = main ? main->mainWidget() : nullptr;
    LogonValues values { Host, Port, DBName, Schema, UserID, Password };
    bool autoPass = AutoPass;
    bool retypePassword = false; // the last try failed on the password
    // A failed logon comes round again with the values typed, as often as the user tries.
    for (;;) {
        TfrmLogon dialog(owner);
        if (!values.user.isEmpty()) {
            dialog.txtUserID->setText(TrimBlanks(values.user));
            dialog.txtDatabase->setText(TrimBlanks(values.database));
            dialog.txtSchema->setText(TrimBlanks(values.schema));
            dialog.txtPassword->setText(values.password);
            dialog.txtHost->setText(TrimBlanks(values.host));
            dialog.txtPort->setText(TrimBlanks(values.port));
        } else if (AppRegistry && AppRegistry->OpenKey(databaseKey(), false)) {
            dialog.txtUserID->setText(AppRegistry->GetString(QStringLiteral("UserID"), QString()));
            dialog.txtDatabase->setText(
                AppRegistry->GetString(QStringLiteral("Database"), QString()));
            dialog.txtHost->setText(AppRegistry->GetString(QStringLiteral("Host"), QString()));
            dialog.txtPort->setText(AppRegistry->GetString(QStringLiteral("Port"), QString()));
            dialog.txtSchema->setText(AppRegistry->GetString(QStringLiteral("Schema"), QString()));
            AppRegistry->CloseKey();
        }
        dialog.LoadConnectList();
        dialog.LoadWindowState();
        dialog.txtDatabase->deselect();
        dialog.UpdateActions();
        if (retypePassword) {
            // The password is what to type again: focused and selected, so typing replaces it.
            dialog.txtPassword->setFocus(Qt::OtherFocusReason);
            dialog.txtPassword->selectAll();
        }
        if (!autoPass && dialog.exec() != QDialog::Accepted)
            return false;
        dialog.SaveWindowState();

        values = { dialog.txtHost->text(),   dialog.txtPort->text(),   dialog.txtDatabase->text(),
                   dialog.txtSchema->text(), dialog.txtUserID->text(), dialog.txtPassword->text() };
        try {
            TfrmObject::Create(owner, values.host, values.port, values.database, values.schema,
                               values.user, values.password);
        } catch (const SilentAbort &) {
            clearConnectingText(main);
            return false;
        } catch (...) {
            clearConnectingText(main);
            ShowExceptionMessage(std::current_exception());
            retypePassword = passwordRefused(std::current_exception());
            autoPass = false;
            continue;
        }
        // The window is open: a failure to remember the logon is told, the logon stands.
        RunGuarded([&dialog] { dialog.SaveConnectList(true); });
        return true;
    }
}

void TfrmLogon::LoadConnectList()
{
    using namespace flogon;
    lstUserID->clear();
    if (!AppRegistry || !AppRegistry->OpenKey(databaseKey(), false))
        return;
    QStringList keys = AppRegistry->GetKeyNames();
    QStringList sort = textToStringList(AppRegistry->GetString(QStringLiteral("Sort"), QString()));
    if (sort.isEmpty())
        sort = keys;
    AppRegistry->CloseKey();

    // Sort names the entries in the user's order; entries it misses (added since) follow.
    for (int i = int(sort.size()) - 1; i >= 0; --i) {
        const auto found = std::find_if(keys.begin(), keys.end(), [&](const QString &key) {
            return key.compare(sort[i], Qt::CaseInsensitive) == 0;
        });
        if (found == keys.end()) {
            sort.removeAt(i);
        } else {
            sort[i] = *found;
            keys.erase(found);
        }
    }
    sort << keys;

    const QString password = txtPassword->text();
    bool passwordTaken = false;
    for (const QString &name : std::as_const(sort)) {
        if (!AppRegistry->OpenKey(databaseKey() + QLatin1Char('\\') + name, false))
            continue;
        QTreeWidgetItem *item = AddConnectItem(
            lstUserID, AppRegistry->GetString(QStringLiteral("UserID"), QString()),
            AppRegistry->GetString(QStringLiteral("Host"), QString()),
            AppRegistry->GetString(QStringLiteral("DataBase"), QString()),
            AppRegistry->GetString(QStringLiteral("Schema"), QString()),
            AppRegistry->GetString(QStringLiteral("Port"), QString()),
            UnscramblePassword(AppRegistry->GetString(QStringLiteral("Password"), QString())),
            name);
        AppRegistry->CloseKey();
        // A saved password fills an empty field only: one given or typed wins.
        if (!passwordTaken && password.isEmpty() && matchesFields(item)) {
            txtPassword->setText(SubItemText(item, siPassword));
            passwordTaken = true;
        }
    }
    UpdateActions();
}

bool TfrmLogon::matchesFields(const QTreeWidgetItem *item) const
{
    return item->text(0) == txtUserID->text()
        && SubItemText(item, siDatabase) == txtDatabase->text()
        && SubItemText(item, siSchema) == txtSchema->text()
        && SubItemText(item, siHost).compare(txtHost->text(), Qt::CaseInsensitive) == 0
        && SubItemText(item, siPort).compare(txtPort->text(), Qt::CaseInsensitive) == 0;
}

QTreeWidgetItem *TfrmLogon::matchingItem() const
{
    for (int i = 0; i < lstUserID->topLevelItemCount(); ++i) {
        if (matchesFields(lstUserID->topLevelItem(i)))
            return lstUserID->topLevelItem(i);
    }
    return nullptr;
}

void TfrmLogon::SaveConnectList(bool WriteLast)
{
    using namespace flogon;
    if (!AppRegistry || !AppRegistry->OpenKey(databaseKey(), true))
        return;
    if (WriteLast) {
        AppRegistry->WriteString(QStringLiteral("UserID"), txtUserID->text());
        AppRegistry->WriteString(QStringLiteral("Database"), txtDatabase->text());
        AppRegistry->WriteString(QStringLiteral("Host"), txtHost->text());
        AppRegistry->WriteString(QStringLiteral("Port"), txtPort->text());
        AppRegistry->WriteString(QStringLiteral("Schema"), txtSchema->text());
    }
    QStringList sort;
    for (int i = 0; i < lstUserID->topLevelItemCount(); ++i)
        sort << SubItemText(lstUserID->topLevelItem(i), siKey);
    AppRegistry->WriteString(QStringLiteral("Sort"), stringListToText(sort));
    const QStringList existing = AppRegistry->GetKeyNames();
    AppRegistry->CloseKey();

    if (!chkSave->isChecked())
        return;
    if (QTreeWidgetItem *item = matchingItem()) {
        if (AppRegistry->OpenKey(databaseKey() + QLatin1Char('\\') + SubItemText(item, siKey),
                                 true)) {
            AppRegistry->WriteString(QStringLiteral("Password"),
                                     ScramblePassword(txtPassword->text()));
            AppRegistry->CloseKey();
        }
        return;
    }
    if (!WriteLast)
        return;
    const QString name = freeEntryName(existing);
    if (!AppRegistry->OpenKey(databaseKey() + QLatin1Char('\\') + name, true))
        return;
    AppRegistry->WriteString(QStringLiteral("UserID"), txtUserID->text());
    AppRegistry->WriteString(QStringLiteral("Database"), txtDatabase->text());
    AppRegistry->WriteString(QStringLiteral("Password"), ScramblePassword(txtPassword->text()));
    AppRegistry->WriteString(QStringLiteral("Host"), txtHost->text());
    AppRegistry->WriteString(QStringLiteral("Port"), txtPort->text());
    AppRegistry->WriteString(QStringLiteral("Schema"), txtSchema->text());
    AppRegistry->CloseKey();
}

void TfrmLogon::LoadWindowState()
{
    using namespace flogon;
    if (!AppRegistry || !AppRegistry->OpenKey(logonKey(), true))
        return;
    resize(AppRegistry->GetInteger(QStringLiteral("Width"), width()),
           AppRegistry->GetInteger(QStringLiteral("Height"), height()));
    AppRegistry->CloseKey();
}

void TfrmLogon::SaveWindowState()
{
    using namespace flogon;
    if (!AppRegistry || !AppRegistry->OpenKey(logonKey(), true))
        return;
    AppRegistry->WriteInteger(QStringLiteral("Width"), width());
    AppRegistry->WriteInteger(QStringLiteral("Height"), height());
    AppRegistry->CloseKey();
}

bool TfrmLogon::refuse(QWidget *field, const QString &message)
{
    ShowMessageBox(message, MB_OK | MB_ICONWARNING);
    field->setFocus();
    return false;
}

void TfrmLogon::actOkExecute()
{
    // The password keeps its blanks: they may be part of it.
    for (QLineEdit *edit :
         { static_cast<QLineEdit *>(txtUserID), static_cast<QLineEdit *>(txtDatabase),
           static_cast<QLineEdit *>(txtSchema), static_cast<QLineEdit *>(txtHost),
           static_cast<QLineEdit *>(txtPort) })
        edit->setText(TrimBlanks(edit->text()));
    const QString missing = QStringLiteral("%sを入力して下さい。");
    auto refuseEmpty = [&](QLineEdit *field, const QString &name) {
        return refuse(field, FormatText(missing, { name }));
    };
    if (txtUserID->text().isEmpty() && !refuseEmpty(txtUserID, QStringLiteral("ユーザー名")))
        return;
    if (txtDatabase->text().isEmpty() && !refuseEmpty(txtDatabase, QStringLiteral("データベース")))
        return;
    if (txtHost->text().isEmpty() && !refuseEmpty(txtHost, QStringLiteral("ホスト")))
        return;
    if (txtPort->text().isEmpty() && !refuseEmpty(txtPort, QStringLiteral("ポート")))
        return;
    const double port = std::nearbyint(txtPort->ValueFloat());
    if (port < 1 || port > 65535) {
        refuse(txtPort, QStringLiteral("ポートの範囲は1～65535です。"));
        return;
    }
    accept();
}

void TfrmLogon::actCancelExecute()
{
    reject();
}

void TfrmLogon::UpdateActions()
{
    // An empty password is allowed: the client library may find it in the password file or
    // PGPASSWORD.
    actOk->setEnabled(!txtUserID->text().isEmpty());
    btnOk->setEnabled(actOk->isEnabled());
    QTreeWidgetItem *item = lstUserID->currentItem();
    const bool selected = item && item->isSelected();
    const int index = selected ? lstUserID->indexOfTopLevelItem(item) : -1;
    actUp->setEnabled(selected && index > 0);
    actDown->setEnabled(selected && index < lstUserID->topLevelItemCount() - 1);
    actDel->setEnabled(selected);
    actImport->setEnabled(true);
}

void TfrmLogon::lstUserIDSelectItem()
{
    QTreeWidgetItem *item = lstUserID->currentItem();
    if (!item || !item->isSelected())
        return;
    txtUserID->setText(item->text(0));
    txtDatabase->setText(SubItemText(item, siDatabase));
    txtPassword->setText(SubItemText(item, siPassword));
    txtHost->setText(SubItemText(item, siHost));
    txtPort->setText(SubItemText(item, siPort));
    txtSchema->setText(SubItemText(item, siSchema));
}

void TfrmLogon::moveSelected(int delta)
{
    QTreeWidgetItem *item = lstUserID->currentItem();
    if (!item)
        return;
    const int index = lstUserID->indexOfTopLevelItem(item);
    const int target = index + delta;
    if (index < 0 || target < 0 || target >= lstUserID->topLevelItemCount())
        return;
    const QSignalBlocker block(lstUserID);
    lstUserID->takeTopLevelItem(index);
    lstUserID->insertTopLevelItem(target, item);
    lstUserID->setCurrentItem(item);
    item->setSelected(true);
    lstUserID->setFocus();
    UpdateActions();
}

void TfrmLogon::actUpExecute()
{
    moveSelected(-1);
}

void TfrmLogon::actDownExecute()
{
    moveSelected(1);
}

void TfrmLogon::actDelExecute()
{
    using namespace flogon;
    QTreeWidgetItem *item = lstUserID->currentItem();
    if (!item || !item->isSelected())
        return;
    if (AppRegistry && AppRegistry->OpenKey(databaseKey(), false)) {
        AppRegistry->DeleteKey(SubItemText(item, siKey));
        AppRegistry->CloseKey();
    }
    delete item;
    UpdateActions();
}

void TfrmLogon::actImportExecute()
{
    const bool save = chkSave->isChecked();
    chkSave->setChecked(true);
    SaveConnectList(false);
    chkSave->setChecked(save);
    LoadConnectList();
    if (TfrmConnection::ShowWindow(lstUserID))
        LoadConnectList();
}

bool TfrmLogon::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstUserID && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunGuarded([this] { actOkExecute(); });
            return true;
        }
        if (key == Qt::Key_Delete) {
            if (actDel->isEnabled())
                RunGuarded([this] { actDelExecute(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
