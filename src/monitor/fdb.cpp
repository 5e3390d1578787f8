#include "fdb.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "monitorsql.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScopeGuard>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fdb {

constexpr int alterSystemVersion = 90400;
const QString allCategories = QStringLiteral("(全て)");

// A report list of the window: whole rows, read-only, one selected row.
TqvListView *makeList(QWidget *parent, const char *name, const QStringList &captions,
                      const QList<int> &widths)
{
    auto *list = new TqvListView(parent);
    list->setObjectName(QLatin1String(name));
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(captions);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths.at(i));
    return list;
}

bool isCopyKey(const QKeyEvent *key)
{
    return key->key() == Qt::Key_C && (key->modifiers() & Qt::ControlModifier);
}

} // namespace fdb

TfrmDB::TfrmDB(ConnectionWindow *AOwner)
    : TfrmConnTool(AOwner, CaptionTitle(), QStringLiteral("DB"), 1,
                   QStringLiteral("\u3000データベース"))
{
    setObjectName(QStringLiteral("frmDB"));
    resize(800, 560);

    tolCmd->addAction(actRefresh);
    tolCmd->widgetForAction(actRefresh)->setObjectName(QStringLiteral("btnRefresh"));
    tolCmd->addAction(actExit);
    tolCmd->widgetForAction(actExit)->setObjectName(QStringLiteral("btnExit"));
    tolCmd->addWidget(pnlName);
    setButtonWidth(71);

    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);
    pagDB = new QTabWidget(body());
    pagDB->setObjectName(QStringLiteral("pagDB"));
    layout->addWidget(pagDB);

    // Databases
    tabDbInfo = new QWidget;
    tabDbInfo->setObjectName(QStringLiteral("tabDbInfo"));
    auto *dbLayout = new QHBoxLayout(tabDbInfo);
    dbLayout->setContentsMargins(0, 0, 0, 0);
    auto *dbSplit = new QSplitter(Qt::Horizontal, tabDbInfo);
    dbLayout->addWidget(dbSplit);
    lstDbList = new QTreeWidget(dbSplit);
    lstDbList->setObjectName(QStringLiteral("lstDbList"));
    lstDbList->setHeaderHidden(true);
    lstDbList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDbInfo = fdb::makeList(
        dbSplit, "lstDbInfo",
        { QStringLiteral("No."), QStringLiteral("パラメータ名"), QStringLiteral("値") },
        { 40, 250, 180 });
    dbSplit->setSizes({ 197, 600 });
    pagDB->addTab(tabDbInfo, QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ情報"));

    // Parameters
    tabParam = new QWidget;
    tabParam->setObjectName(QStringLiteral("tabParam"));
    auto *paramLayout = new QVBoxLayout(tabParam);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    paramLayout->setSpacing(0);
    pnlFind = new QWidget(tabParam);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    pnlFind->setFixedHeight(24 + 4);
    auto *findLayout = new QHBoxLayout(pnlFind);
    findLayout->setContentsMargins(2, 2, 2, 2);
    findLayout->setSpacing(4);
    btnFind = new QToolButton(pnlFind);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setText(QStringLiteral("検索"));
    btnFind->setToolTip(QStringLiteral("検索"));
    txtFind = new TqvStrEdit(pnlFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    lblCategory = new QLabel(QStringLiteral("カテゴリー"), pnlFind);
    lblCategory->setObjectName(QStringLiteral("lblCategory"));
    cmbCategory = new TqvComboBox(pnlFind);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setMaxVisibleItems(20);
    cmbCategory->setMinimumWidth(200);
    findLayout->addWidget(btnFind);
    findLayout->addWidget(txtFind, 1);
    findLayout->addWidget(lblCategory);
    findLayout->addWidget(cmbCategory);
    paramLayout->addWidget(pnlFind);
    lstParameter
        = fdb::makeList(tabParam, "lstParameter",
                        { QStringLiteral("No."), QStringLiteral("パラメータ名"),
                          QStringLiteral("型"), QStringLiteral("値"), QStringLiteral("単位"),
                          QStringLiteral("設定種別"), QStringLiteral("カテゴリー") },
                        { 40, 250, 100, 180, 40, 100, 150 });
    lstParameter->header()->setStretchLastSection(true);
    paramLayout->addWidget(lstParameter, 1);
    pagDB->addTab(tabParam, QStringLiteral("設定ﾊﾟﾗﾒｰﾀ"));

    // postgresql.auto.conf
    tabAutoConf = new QWidget(this);
    tabAutoConf->setObjectName(QStringLiteral("tabAutoConf"));
    auto *confLayout = new QVBoxLayout(tabAutoConf);
    confLayout->setContentsMargins(0, 0, 0, 0);
    txtAutoConfData = new TqvMemo(tabAutoConf);
    txtAutoConfData->setObjectName(QStringLiteral("txtAutoConfData"));
    txtAutoConfData->setReadOnly(true);
    txtAutoConfData->setWrapMode(QsciScintilla::WrapNone);
    txtAutoConfData->setFont(MapFont(QStringLiteral("Courier New"), 10, true));
    confLayout->addWidget(txtAutoConfData);
    const bool alterSystem = OwnerForm() && OwnerForm()->DBVer() >= fdb::alterSystemVersion;
    if (alterSystem)
        pagDB->addTab(tabAutoConf, QStringLiteral("postgresql.auto.conf"));
    else
        tabAutoConf->hide(); // kept for the window's life, never a page

    // Version
    tabVersion = new QWidget;
    tabVersion->setObjectName(QStringLiteral("tabVersion"));
    auto *versionLayout = new QVBoxLayout(tabVersion);
    versionLayout->setContentsMargins(0, 0, 0, 0);
    lstVersion = new QListWidget(tabVersion);
    lstVersion->setObjectName(QStringLiteral("lstVersion"));
    versionLayout->addWidget(lstVersion);
    pagDB->addTab(tabVersion, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    auto makeAction = [this](const char *name, const QString &caption) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    actChangeParam
        = makeAction("actChangeParam", QStringLiteral("値を変更する（現在のセッションのみ適用）"));
    actAlterSystem = makeAction("actAlterSystem", QStringLiteral("ALTER SYSTEM SET"));
    actAlterSystemReset = makeAction("actAlterSystemReset", QStringLiteral("ALTER SYSTEM RESET"));
    actAlterSystemResetAll
        = makeAction("actAlterSystemResetAll", QStringLiteral("ALTER SYSTEM RESET ALL"));
    popParam = new QMenu(this);
    popParam->setObjectName(QStringLiteral("popParam"));
    for (QAction *action :
         { actChangeParam, actAlterSystem, actAlterSystemReset, actAlterSystemResetAll }) {
        popParam->addAction(action);
    }
    for (QAction *action : { actAlterSystem, actAlterSystemReset, actAlterSystemResetAll })
        action->setVisible(alterSystem);
    lstParameter->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstParameter, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        UpdateActions();
        popParam->popup(lstParameter->viewport()->mapToGlobal(pos));
    });

    connect(actChangeParam, &QAction::triggered, this,
            [this] { RunGuarded([this] { ChangeParam(); }); });
    connect(actAlterSystem, &QAction::triggered, this,
            [this] { RunGuarded([this] { AlterSystem(0); }); });
    connect(actAlterSystemReset, &QAction::triggered, this,
            [this] { RunGuarded([this] { AlterSystem(1); }); });
    connect(actAlterSystemResetAll, &QAction::triggered, this,
            [this] { RunGuarded([this] { AlterSystem(2); }); });
    connect(lstParameter, &QTreeWidget::itemSelectionChanged, this, &TfrmDB::UpdateActions);
    connect(lstParameter, &QTreeWidget::itemDoubleClicked, this,
            [this] { RunGuarded([this] { ChangeParam(); }); });
    connect(lstDbList, &QTreeWidget::itemSelectionChanged, this,
            [this] { RunGuarded([this] { LoadDatabaseInfo(); }); });
    connect(btnFind, &QToolButton::clicked, this, [this] { RunGuarded([this] { Reload(this); }); });
    connect(txtFind, &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { Reload(this); }); });
    connect(cmbCategory, &QComboBox::activated, this,
            [this] { RunGuarded([this] { Reload(this); }); });

    // Enter in the list and in the category box, and Ctrl+C over the whole window, reach the
    // window before the control with the focus.
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);

    if (OwnerForm())
        RunGuarded([this] { LoadCategories(cmbCategory); });
    pagDB->setCurrentWidget(tabDbInfo);
    FinishCreate();
    // Every later change of the page reads the page now in front.
    connect(pagDB, &QTabWidget::currentChanged, this,
            [this] { RunGuarded([this] { Reload(this); }); });
}

void TfrmDB::LoadData()
{
    if (m_superUserOf != OwnerForm()) {
        m_superUserOf = OwnerForm();
        FSuperUser = IsSuperUser();
    }
    QWidget *page = pagDB->currentWidget();
    if (page == tabDbInfo) {
        LoadDatabaseList();
        const QString database = OwnerForm()->dbsMain()->param(QStringLiteral("Database"));
        if (QTreeWidgetItem *root = lstDbList->topLevelItem(0)) {
            for (int i = 0; i < root->childCount(); ++i) {
                if (root->child(i)->text(0) == database) {
                    lstDbList->setCurrentItem(root->child(i));
                    break;
                }
            }
        }
        LoadDatabaseInfo();
    } else if (page == tabVersion) {
        LoadServerInfo();
    } else if (page == tabParam) {
        LoadParameters(txtFind->text(), cmbCategory->currentText());
    } else if (page == tabAutoConf) {
        LoadAutoConf();
    }
    UpdateActions();
}

bool TfrmDB::IsSuperUser()
{
    const pg::Result rows = OpenGuarded(SuperUserSQL());
    return rows.rowCount() > 0 && rows.value(0, 0).toBool();
}

void TfrmDB::LoadDatabaseList()
{
    const QSignalBlocker quiet(lstDbList);
    lstDbList->clear();
    MainWindowServices *main = mainWindowServices();
    auto *root = new QTreeWidgetItem(lstDbList);
    root->setText(0,
                  QStringLiteral("サーバ(")
                      + OwnerForm()->dbsMain()->param(QStringLiteral("Server"))
                      + QStringLiteral(")"));
    if (main)
        root->setIcon(0, main->imgMain(5));
    const pg::Result rows = OpenGuarded(DatabaseListSQL());
    for (int row = 0; row < rows.rowCount(); ++row) {
        auto *item = new QTreeWidgetItem(root);
        item->setText(0, rows.text(row, 0));
        if (main)
            item->setIcon(0, main->imgMain(1));
    }
    root->setExpanded(true);
}

void TfrmDB::LoadDatabaseInfo()
{
    lstDbInfo->clear();
    const QList<QTreeWidgetItem *> selected = lstDbList->selectedItems();
    if (selected.isEmpty() || !OwnerForm())
        return;
    ConnectionWindow *connection = OwnerForm();
    const pg::Result rows
        = OpenGuarded(DatabaseInfoSQL(connection->DBVer()), { selected.first()->text(0) });
    if (rows.rowCount() == 0)
        return;
    const struct
    {
        const char *name;
        const char *column;
    } facts[] = {
        { "データベース名", "datname" },
        { "OID", "oid" },
        { "所有者", "rolname" },
        { "デフォルトテーブル空間", "spcname" },
        { "エンコーディング", "encode_name" },
        { "コーレーション", "datcollate" },
        { "文字型", "datctype" },
        { "接続制限数", "datconnlimit" },
        { "データベース最終のシステムOID", "datlastsysoid" },
    };
    int no = 0;
    for (const auto &fact : facts) {
        auto *item = new QTreeWidgetItem(lstDbInfo);
        item->setText(0, QString::number(++no));
        item->setText(1, QString::fromUtf8(fact.name));
        // A column the server no longer has (datlastsysoid from 15 on) stays empty.
        const int column = rows.columnIndex(QLatin1String(fact.column));
        item->setText(2, column >= 0 ? rows.text(0, column) : QString());
    }
}

void TfrmDB::LoadCategories(TqvComboBox *Box)
{
    Box->clear();
    Box->addItem(fdb::allCategories);
    const pg::Result rows = OpenGuarded(CategoryListSQL());
    QStringList categories;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QString category = CategoryMainPart(rows.text(row, 0));
        if (!categories.contains(category))
            categories << category;
    }
    Box->addItems(categories);
    Box->setCurrentIndex(0);
}

void TfrmDB::LoadParameters(const QString &SearchText, const QString &Category)
{
    lstParameter->setUpdatesEnabled(false);
    lstParameter->clear();
    const auto endUpdate = qScopeGuard([this] { lstParameter->setUpdatesEnabled(true); });
    const QString search = SearchText.isEmpty() ? QStringLiteral("%%")
                                                : QLatin1Char('%') + SearchText + QLatin1Char('%');
    const QString category = Category == fdb::allCategories
        ? QStringLiteral("%%")
        : QLatin1Char('%') + Category + QLatin1Char('%');
    const pg::Result rows = OpenGuarded(ParameterListSQL(), { search, category });
    for (int row = 0; row < rows.rowCount(); ++row) {
        auto *item = new QTreeWidgetItem(lstParameter);
        item->setText(0, QStringLiteral("%1").arg(row + 1, 3));
        for (int c = 0; c < 6; ++c)
            item->setText(c + 1, rows.text(row, c));
    }
}

void TfrmDB::LoadServerInfo()
{
    lstVersion->clear();
    const pg::Result rows = OpenGuarded(ServerInfoSQL());
    if (rows.rowCount() == 0)
        return;
    auto value = [&rows](const char *column) { return rows.text(0, QLatin1String(column)); };
    lstVersion->addItems({
        QStringLiteral("バージョン      ：") + rows.text(0, 0),
        QString(),
        QStringLiteral("サーバの起動時刻：") + value("postmaster_start_time"),
        QStringLiteral("設定の読込時刻\u3000：") + value("conf_load_time"),
        QString(),
        QStringLiteral("Dataディレクトリ：") + value("data_directory"),
        QStringLiteral("構成設定ファイル：") + value("config_file"),
        QStringLiteral("接続設定ファイル：") + value("hba_file"),
        QStringLiteral("UserMapファイル ：") + value("ident_file"),
        QStringLiteral("拡張設定ファイル：") + value("external_pid_file"),
    });
}

void TfrmDB::LoadAutoConf()
{
    pg::Result rows;
    try {
        rows = OpenGuarded(AutoConfSQL());
    } catch (const pg::Error &) {
        txtAutoConfData->setText(
            QStringLiteral("postgresql.auto.confにアクセスできないため、情報を表示できません。"));
        return;
    }
    if (rows.rowCount() == 0) {
        ShowMessageBox(QStringLiteral("postgresql.auto.confファイルを読み込めませんでした。"),
                       MB_ICONWARNING);
        return;
    }
    txtAutoConfData->setEolMode(QsciScintilla::EolUnix);
    txtAutoConfData->setText(rows.text(0, 0));
}

QTreeWidgetItem *TfrmDB::selectedParameter() const
{
    const QList<QTreeWidgetItem *> selected = lstParameter->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TfrmDB::UpdateActions()
{
    QTreeWidgetItem *item = selectedParameter();
    const QString context = item ? item->text(5) : QString();
    actChangeParam->setEnabled(context == QLatin1String("user")
                               || context == QLatin1String("superuser"));
    const bool alterSystem
        = FSuperUser && OwnerForm() && OwnerForm()->DBVer() >= fdb::alterSystemVersion;
    actAlterSystem->setEnabled(item && alterSystem);
    actAlterSystemReset->setEnabled(item && alterSystem);
    actAlterSystemResetAll->setEnabled(alterSystem);
}

void TfrmDB::ChangeParam()
{
    QTreeWidgetItem *item = selectedParameter();
    if (!item)
        return;
    const QString context = item->text(5);
    if (context != QLatin1String("user") && context != QLatin1String("superuser"))
        return;
    const QString name = item->text(1);
    QString value = item->text(3);
    if (!ShowInputQuery(ApplicationTitle(), name + QStringLiteral("の値を変更します。"), value))
        return;
    ExecuteGuarded(SetConfigSQL(), { name, value });
    Reload(this);
}

void TfrmDB::AlterSystem(int Mode)
{
    if (!OwnerForm() || OwnerForm()->DBVer() < fdb::alterSystemVersion)
        return;
    QTreeWidgetItem *item = selectedParameter();
    if (Mode != 2 && !item)
        return;
    // The server refuses ALTER SYSTEM inside a transaction block, and refusing would abort
    // the user's transaction.
    if (SessionInTransaction()) {
        ShowMessageBox(QStringLiteral("トランザクション中のため ALTER SYSTEM は実行できません。"
                                      "\r\nコミットまたはロールバックしてから実行してください。"),
                       MB_ICONWARNING);
        return;
    }
    QString sql;
    const QString name = item ? item->text(1) : QString();
    if (Mode == 0) {
        QString value = item->text(3);
        if (!ShowInputQuery(ApplicationTitle(), name + QStringLiteral("の値を変更します。"), value))
            return;
        sql = AlterSystemSQL(0, name, value);
    } else if (Mode == 1) {
        if (ShowMessageBox(name + QStringLiteral(" の\r\nALTER SYSTEM 設定を削除しますか？"),
                           MB_YESNO | MB_ICONQUESTION)
            != IDYES)
            return;
        sql = AlterSystemSQL(1, name);
    } else {
        if (ShowMessageBox(QStringLiteral("全ての ALTER SYSTEM 設定を削除しますか？"),
                           MB_YESNO | MB_ICONQUESTION)
            != IDYES)
            return;
        sql = AlterSystemSQL(2, QString());
    }
    OwnerForm()->ExecuteSQL(sql);
    OwnerForm()->ExecuteSQL(ReloadConfSQL());
    Reload(this);
}

bool TfrmDB::copySelectedParameter()
{
    QTreeWidgetItem *item = selectedParameter();
    if (pagDB->currentWidget() != tabParam || !item)
        return false;
    const QString text
        = QStringList { item->text(0), item->text(1), item->text(2), item->text(3) }.join(
            QLatin1Char('\t'));
    QGuiApplication::clipboard()->setText(text);
    return true;
}

bool TfrmDB::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (fdb::isCopyKey(key) && pagDB->currentWidget() == tabParam && selectedParameter()) {
            // Taken before the focused control and before the main window's copy command.
            if (type == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            copySelectedParameter();
            return true;
        }
        if (type == QEvent::KeyPress
            && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (watched == lstParameter)
                RunGuarded([this] { ChangeParam(); });
            else if (watched == cmbCategory)
                RunGuarded([this] { Reload(this); });
        }
    }
    return TfrmConnTool::eventFilter(watched, event);
}
