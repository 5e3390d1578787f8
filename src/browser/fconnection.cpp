#include "fconnection.h"

#include "flogon.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvscramble.h"
#include "core/qvsub.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace fconnection {

constexpr int clientWidth = 777;
constexpr int clientHeight = 353;
constexpr int passwordRole = Qt::UserRole;
constexpr int storedColumns = 5;
const int defaultWidths[] = { 90, 110, 120, 110, 60 };

const char makerKey[] = "\\Software\\Quorlane\\";
const char currentRelease[] = "QVR22";

QString currentDatabaseKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\DATABASE");
}

QString stateKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\CONNECTION");
}

QString releaseDatabaseKey(const QString &release)
{
    return QLatin1String(makerKey) + release + QStringLiteral("\\DATABASE");
}

QString entryName(int n)
{
    return QStringLiteral("DB%1").arg(n, 3, 10, QLatin1Char('0'));
}

QString subItem(const QTreeWidgetItem *row, int index)
{
    if (index == TfrmConnection::siPassword)
        return row->data(0, passwordRole).toString();
    return row->text(index + 1);
}

} // namespace fconnection

const QStringList &TfrmConnection::GuidList()
{
    static const QStringList keys
        = { "QVR",   "QVRR",   "QVR2",  "QVR2R",  "QVR3",  "QVR3R",  "QVR18", "QVR18R",
            "QVR19", "QVR19R", "QVR20", "QVR20R", "QVR21", "QVR21R", "QVR22", "QVR22R" };
    return keys;
}

int TfrmConnection::ReleaseNumber(const QString &key)
{
    QString rest = key.mid(3);
    if (rest.contains(QLatin1Char('R')))
        rest.remove(QLatin1Char('R'));
    bool ok = false;
    const int number = rest.toInt(&ok);
    return ok ? number : 1;
}

TfrmConnection::TfrmConnection(QWidget *parent)
    : QDialog(parent)
{
    setupUi();
}

void TfrmConnection::setupUi()
{
    using namespace fconnection;
    setObjectName(QStringLiteral("frmConnection"));
    setWindowTitle(QStringLiteral("接続先リスト取込"));
    setWindowIcon(MainImage(8));
    resize(clientWidth, clientHeight);

    actImport = new QAction(MainImage(28), QStringLiteral("取込(&I)"), this);
    actImport->setObjectName(QStringLiteral("actImport"));
    actExit = new QAction(MainImage(42), QStringLiteral("終了(&X)"), this);
    actExit->setObjectName(QStringLiteral("actExit"));
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tolCmd->addAction(actImport);
    tolCmd->addAction(actExit);
    btnImport = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actImport));
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnExit = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actExit));
    btnExit->setObjectName(QStringLiteral("btnExit"));

    lblConnection = new QLabel(
        QStringLiteral(" 異なるバージョンのCorvaneに登録された接続先リストを取り込みます"), this);
    lblConnection->setObjectName(QStringLiteral("lblConnection"));
    lstUserID = new TqvListView(this);
    lstUserID->setObjectName(QStringLiteral("lstUserID"));
    lstUserID->setHeaderLabels({ QStringLiteral("バージョン"), QStringLiteral("ユーザーID"),
                                 QStringLiteral("サーバー"), QStringLiteral("データベース"),
                                 QStringLiteral("スキーマ"), QStringLiteral("ポート") });
    const int widths[] = { 90, 100, 120, 100, 100, 60 };
    for (int i = 0; i < 6; ++i)
        lstUserID->setColumnWidth(i, widths[i]);
    lstUserID->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstUserID->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tolCmd);
    layout->addWidget(lblConnection);
    layout->addWidget(lstUserID, 1);

    auto update = [this] { actImport->setEnabled(!lstUserID->selectedItems().isEmpty()); };
    connect(lstUserID, &QTreeWidget::itemSelectionChanged, this, update);
    update();
    connect(actImport, &QAction::triggered, this, [this] { accept(); });
    connect(actExit, &QAction::triggered, this, [this] { reject(); });
}

bool TfrmConnection::ShowWindow(TqvListView *AList)
{
    MainWindowServices *main = mainWindowServices();
    TfrmConnection dialog(main ? main->mainWidget() : AList ? AList->window() : nullptr);
    dialog.LoadWindowState();
    if (!dialog.ListOldConnections()) {
        ShowMessageBox(QStringLiteral("取込可能な接続情報が見つかりません。"), MB_ICONINFORMATION);
        return false;
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ImportConnections(AList);
    ShowMessageBox(QStringLiteral("接続情報を取り込みました。"), MB_ICONINFORMATION);
    return true;
}

bool TfrmConnection::ListOldConnections()
{
    using namespace fconnection;
    lstUserID->clear();
    if (!AppRegistry)
        return false;
    const int current = ReleaseNumber(QLatin1String(currentRelease));
    for (const QString &release : GuidList()) {
        if (ReleaseNumber(release) > current
            || release.compare(QLatin1String(currentRelease), Qt::CaseInsensitive) == 0)
            continue;
        if (!AppRegistry->OpenKeyReadOnly(releaseDatabaseKey(release)))
            continue;
        const QStringList names = AppRegistry->GetKeyNames();
        AppRegistry->CloseKey();
        for (const QString &name : names) {
            if (!AppRegistry->OpenKeyReadOnly(releaseDatabaseKey(release) + QLatin1Char('\\')
                                              + name))
                continue;
            auto *row = new QTreeWidgetItem(lstUserID);
            row->setText(0, release);
            row->setText(1, AppRegistry->GetString(QStringLiteral("UserID"), QString()));
            row->setText(2, AppRegistry->GetString(QStringLiteral("Host"), QString()));
            row->setText(3, AppRegistry->GetString(QStringLiteral("Database"), QString()));
            row->setText(4, AppRegistry->GetString(QStringLiteral("Schema"), QString()));
            row->setText(5, AppRegistry->GetString(QStringLiteral("Port"), QString()));
            row->setData(
                0, passwordRole,
                UnscramblePassword(AppRegistry->GetString(QStringLiteral("Password"), QString())));
            AppRegistry->CloseKey();
        }
    }
    return lstUserID->topLevelItemCount() > 0;
}

void TfrmConnection::ImportConnections(TqvListView *AList)
{
    using namespace fconnection;
    QList<QTreeWidgetItem *> selected;
    for (int i = 0; i < lstUserID->topLevelItemCount(); ++i) {
        if (lstUserID->topLevelItem(i)->isSelected())
            selected << lstUserID->topLevelItem(i);
    }
    if (selected.isEmpty() || !AppRegistry)
        return;

    QStringList order;
    QStringList existing;
    if (AppRegistry->OpenKey(currentDatabaseKey(), false)) {
        order = textToStringList(AppRegistry->GetString(QStringLiteral("Sort"), QString()));
        existing = AppRegistry->GetKeyNames();
        AppRegistry->CloseKey();
    }

    for (QTreeWidgetItem *row : std::as_const(selected)) {
        row->setSelected(false);
        bool duplicate = false;
        for (int i = 0; AList && i < AList->topLevelItemCount() && !duplicate; ++i) {
            const QTreeWidgetItem *entry = AList->topLevelItem(i);
            duplicate = entry->text(0) == subItem(row, siUser)
                && TfrmLogon::SubItemText(entry, TfrmLogon::siHost) == subItem(row, siHost)
                && TfrmLogon::SubItemText(entry, TfrmLogon::siDatabase) == subItem(row, siDatabase)
                && TfrmLogon::SubItemText(entry, TfrmLogon::siSchema) == subItem(row, siSchema)
                && TfrmLogon::SubItemText(entry, TfrmLogon::siPort) == subItem(row, siPort);
        }
        if (duplicate)
            continue;
        // A number free in the order and among the entries, so that an entry that the order
        // misses is never overwritten.
        int n = 0;
        while (order.contains(entryName(n), Qt::CaseInsensitive)
               || existing.contains(entryName(n), Qt::CaseInsensitive))
            ++n;
        const QString name = entryName(n);
        if (AList)
            TfrmLogon::AddConnectItem(AList, subItem(row, siUser), subItem(row, siHost),
                                      subItem(row, siDatabase), subItem(row, siSchema),
                                      subItem(row, siPort), subItem(row, siPassword), name);
        if (!AppRegistry->OpenKey(currentDatabaseKey() + QLatin1Char('\\') + name, true))
            continue;
        AppRegistry->WriteString(QStringLiteral("Database"), subItem(row, siDatabase));
        AppRegistry->WriteString(QStringLiteral("Host"), subItem(row, siHost));
        AppRegistry->WriteString(QStringLiteral("Password"),
                                 ScramblePassword(subItem(row, siPassword)));
        AppRegistry->WriteString(QStringLiteral("Port"), subItem(row, siPort));
        AppRegistry->WriteString(QStringLiteral("Schema"), subItem(row, siSchema));
        AppRegistry->WriteString(QStringLiteral("UserID"), subItem(row, siUser));
        AppRegistry->CloseKey();
        order << name;
        existing << name;
    }

    if (AppRegistry->OpenKey(currentDatabaseKey(), true)) {
        AppRegistry->WriteString(QStringLiteral("Sort"), stringListToText(order));
        AppRegistry->CloseKey();
    }
}

void TfrmConnection::LoadWindowState()
{
    using namespace fconnection;
    if (!AppRegistry || !AppRegistry->OpenKey(stateKey(), true))
        return;
    resize(AppRegistry->GetInteger(QStringLiteral("Width"), width()),
           AppRegistry->GetInteger(QStringLiteral("Height"), height()));
    for (int i = 0; i < storedColumns; ++i)
        lstUserID->setColumnWidth(
            i, AppRegistry->GetInteger(QStringLiteral("Col%1").arg(i), defaultWidths[i]));
    AppRegistry->CloseKey();
}

void TfrmConnection::SaveWindowState()
{
    using namespace fconnection;
    if (!AppRegistry || !AppRegistry->OpenKey(stateKey(), true))
        return;
    AppRegistry->WriteInteger(QStringLiteral("Width"), width());
    AppRegistry->WriteInteger(QStringLiteral("Height"), height());
    for (int i = 0; i < storedColumns; ++i)
        AppRegistry->WriteInteger(QStringLiteral("Col%1").arg(i), lstUserID->columnWidth(i));
    AppRegistry->CloseKey();
}

void TfrmConnection::done(int result)
{
    RunGuarded([this] { SaveWindowState(); });
    QDialog::done(result);
}

bool TfrmConnection::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstUserID && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
            lstUserID->selectAll();
            lstUserID->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
