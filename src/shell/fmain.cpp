#include "fmain.h"

#include "feoption.h"
#include "fmaincmd.h"
#include "fmaindefs.h"
#include "fmainedit.h"
#include "fmainfind.h"
#include "fmainimg.h"
#include "foption.h"
#include "ftmplate.h"

#include "core/qveditorsettings.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvfile.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvshortcut.h"
#include "core/qvsub.h"
#include "core/qvtoolwindows.h"
#include "core/sqllog.h"
#include "platform/pg/connection.h"
#include "ui/fsupport.h"
#include "ui/qvcomctrls.h"
#include "ui/qvctlopt.h"
#include "ui/qvforms.h"
#include "ui/qvhhelp.h"
#include "ui/qvstsbar.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QtEndian>

#include <algorithm>
#include <optional>

#include <stdexcept>

namespace fmain {

constexpr int loopPaintInterval = 50; // ms between two paints of a loop's progress text
constexpr int messagePanel = 2;

// The home pages of the Help menu; none is published, so the submenu stays empty.
const QStringList homePageAddresses = { QString(), QString(), QString() };
const char *const homePageActions[]
    = { "actHelpHomePageTop", "actHelpHomePageTech", "actHelpHomePageFAQ" };

const TMainActionDef *actionDef(const QString &name)
{
    for (int i = 0; i < MainActionDefCount; ++i) {
        if (name == QLatin1String(MainActionDefs[i].name))
            return &MainActionDefs[i];
    }
    return nullptr;
}

// The caption without its access key and dots: the short part of a hint.
QString shortHint(const QString &caption)
{
    QString text = caption;
    const int key = text.indexOf(QStringLiteral("(&"));
    if (key >= 0 && text.indexOf(QLatin1Char(')'), key) == key + 3)
        text.remove(key, 4);
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QStringLiteral("...")))
        text.chop(3);
    return text.trimmed();
}

QString guiMainKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\MAIN");
}

// The tool bar that an entry of the tool-bar submenu shows or hides, by the entry's Tag.
const char *toolBarOfTag(int tag)
{
    switch (tag) {
    case 1:
        return "pnlDB";
    case 2:
        return "pnlEdit";
    case 3:
        return "pnlTool";
    case 4:
        return "pnlAdmin";
    case 5:
        return "pnlNewObj";
    case 7:
        return "pnlTool2";
    default:
        return nullptr;
    }
}

// A tool bar's stored place: four signed 32-bit little-endian integers, left, top, right and
// bottom. A value of another kind or length is no place at all.
std::optional<QRect> storedBarRect(const TqvRegistry &registry, const QString &name)
{
    if (registry.GetDataType(name) != reg::ValueKind::Binary)
        return std::nullopt;
    const QByteArray data = registry.ReadBinaryData(name);
    if (data.size() != 16)
        return std::nullopt;
    const auto at = [&data](int i) { return qFromLittleEndian<qint32>(data.constData() + 4 * i); };
    return QRect(QPoint(at(0), at(1)), QPoint(at(2) - 1, at(3) - 1));
}

QByteArray barRectData(const QRect &rect)
{
    QByteArray data(16, Qt::Uninitialized);
    const qint32 values[4]
        = { rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height() };
    for (int i = 0; i < 4; ++i)
        qToLittleEndian<qint32>(values[i], data.data() + 4 * i);
    return data;
}

// The menus a child window brings to the main menu bar: the items of its own menu bar mnuTool,
// which the window itself no longer shows, otherwise its titled menus that no other menu or
// bar shows (a window with one menu of its own). Each takes the group index of its
// "GroupIndex" property, 2 when it has none.
QList<QAction *> childMenuItems(QWidget *child)
{
    QList<QAction *> items;
    if (!child)
        return items;
    if (auto *bar
        = child->findChild<QMenuBar *>(QStringLiteral("mnuTool"), Qt::FindDirectChildrenOnly)) {
        bar->hide();
        const QList<QAction *> own = bar->actions();
        for (QAction *item : own) {
            if (item->menu())
                items << item;
        }
        return items;
    }
    const QList<QMenu *> menus = child->findChildren<QMenu *>(Qt::FindDirectChildrenOnly);
    for (QMenu *menu : menus) {
        if (menu->title().isEmpty() || !menu->objectName().startsWith(QLatin1String("mnu"))
            || !menu->menuAction()->associatedObjects().isEmpty())
            continue;
        items << menu->menuAction();
    }
    return items;
}

int menuGroup(const QAction *item, int fallback)
{
    const QVariant group = item->property("GroupIndex");
    return group.isValid() ? group.toInt() : fallback;
}

// Closes a child window of the multi-document area through its frame; false when it stays.
bool closeChild(QWidget *window)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
        return sub->close();
    return window->close();
}

} // namespace fmain

TfrmMain *TfrmMain::s_instance = nullptr;

QStringList RunShutdownSteps(const QList<TShutdownStep> &steps)
{
    QStringList failures;
    for (const TShutdownStep &step : steps) {
        try {
            step.run();
        } catch (...) {
            const QString text = ExceptionText(std::current_exception());
            if (!text.isEmpty())
                failures << step.what + QStringLiteral(": ") + text;
        }
    }
    return failures;
}

TfrmMain::TfrmMain(QWidget *parent)
    : QMainWindow(parent)
{
    s_instance = this;
    setMainWindowServices(this);
    setWindowDirectory(this);
    setupUi();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // The base destructors still hide and unfocus widgets: nothing may reach this window then.
    m_closing = true;
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(MainCommandNotifier::instance(), nullptr, this, nullptr);
    // The children are hidden and destroyed after this body has run: the work area's
    // activation signals must not reach the main window any more.
    disconnect(m_mdi, nullptr, this, nullptr);
    const QList<QMdiSubWindow *> subs = m_mdi->subWindowList();
    for (QMdiSubWindow *sub : subs) {
        disconnect(sub, nullptr, this, nullptr);
        sub->removeEventFilter(this);
    }
    for (int i = 0; i < m_cmbDBName->count(); ++i) {
        if (QObject *window = m_cmbDBName->itemData(i).value<QObject *>())
            disconnect(window, &QObject::destroyed, this, nullptr);
    }
    if (SharedEditorPopup() == m_popEditor)
        SetSharedEditorPopup(nullptr);
    if (mainWindowServices() == this)
        setMainWindowServices(nullptr);
    if (windowDirectory() == this)
        setWindowDirectory(nullptr);
    if (s_instance == this)
        s_instance = nullptr;
}

TfrmMain *TfrmMain::instance()
{
    return s_instance;
}

// ---------------------------------------------------------------- building the window

void TfrmMain::setupUi()
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(FormFont());
    resize(852, 729);
    createActions();
    createMenus();
    createToolBars();
    createClientArea();
    applyColours();
    m_dlgFind = new TFindDialog(TFindDialog::Find, this);
    m_dlgReplace = new TFindDialog(TFindDialog::Replace, this);
    connect(m_dlgFind, &TFindDialog::OnFind, this,
            [this] { RunGuarded([this] { EditFindNext(m_dlgFind); }); });
    connect(m_dlgReplace, &TFindDialog::OnFind, this,
            [this] { RunGuarded([this] { EditFindNext(m_dlgReplace); }); });
    connect(m_dlgReplace, &TFindDialog::OnReplace, this,
            [this] { RunGuarded([this] { EditReplace(m_dlgReplace); }); });
    connect(MainCommandNotifier::instance(), &MainCommandNotifier::commandsChanged, this,
            &TfrmMain::UpdateActions);
    connect(qApp, &QApplication::focusChanged, this, [this] {
        if (!m_closing)
            UpdateActions();
    });
}

void TfrmMain::createActions()
{
    for (int i = 0; i < MainActionDefCount; ++i) {
        const TMainActionDef &def = MainActionDefs[i];
        auto *action = new QAction(this);
        const QString name = QString::fromLatin1(def.name);
        const QString caption = QString::fromUtf8(def.caption);
        action->setObjectName(name);
        action->setText(caption);
        action->setProperty("Category", QString::fromUtf8(def.category));
        action->setProperty("ImageIndex", def.image);
        const QString hint = fmain::shortHint(caption);
        action->setProperty("Hint",
                            QString(hint + QLatin1Char('|') + QString::fromUtf8(def.description)));
        action->setToolTip(hint);
        if (def.image >= 0)
            action->setIcon(imgMain(def.image));
        if (def.kind != TMainActionKind::Holder)
            connect(action, &QAction::triggered, this, [this, action] { runCommand(action); });
        m_actions.append(action);
    }
    action(QStringLiteral("actEditSelectMode"))->setCheckable(true);
}

void TfrmMain::createMenus()
{
    m_mnuMain = new QMenuBar(this);
    m_mnuMain->setObjectName(QStringLiteral("mnuMain"));
    setMenuBar(m_mnuMain);

    // A menu item that runs target but carries a key of its own, shown in its menu.
    auto proxy = [this](const QString &name, QAction *target, const QKeySequence &key) {
        auto *item = new QAction(target->icon(), target->text(), this);
        item->setObjectName(name);
        item->setProperty("Action", target->objectName());
        item->setShortcut(key);
        item->setEnabled(target->isEnabled());
        connect(item, &QAction::triggered, target, &QAction::trigger);
        connect(target, &QAction::changed, item, [item, target] {
            item->setEnabled(target->isEnabled());
            item->setText(target->text());
        });
        return item;
    };
    auto checkItem = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(name);
        item->setCheckable(true);
        item->setChecked(true);
        return item;
    };

    for (int m = 0; m < MainMenuDefCount; ++m) {
        const TMainMenuDef &def = MainMenuDefs[m];
        QMenu *menu = m_mnuMain->addMenu(QString::fromUtf8(def.caption));
        menu->setObjectName(QString::fromLatin1(def.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(def.name));
        menu->menuAction()->setProperty("GroupIndex", def.groupIndex);
        connect(menu, &QMenu::aboutToShow, this, &TfrmMain::UpdateActions);
        for (const char *const *p = def.items; *p; ++p) {
            const QString item = QString::fromLatin1(*p);
            if (item == QLatin1String("-")) {
                menu->addSeparator();
            } else if (!item.startsWith(QLatin1Char('@'))) {
                menu->addAction(action(item));
            } else if (item == QLatin1String("@mnuEditMacroExec")) {
                menu->addAction(proxy(item.mid(1), action(QStringLiteral("actEditMacroExec")),
                                      QKeySequence(Qt::CTRL | Qt::Key_M)));
            } else if (item == QLatin1String("@mnuToolbar")) {
                m_mnuToolbar = menu->addMenu(QStringLiteral("ツールバー"));
                m_mnuToolbar->setObjectName(QStringLiteral("mnuToolbar"));
                const struct
                {
                    const char *name;
                    const char *caption;
                    int tag;
                } bars[] = { { "mnuTool1", "標準", 1 }, { "mnuTool2", "編集", 2 },
                             { "mnuTool3", "表示", 3 }, { "mnuTool7", "ツール", 7 },
                             { "mnuTool4", "管理", 4 }, { "mnuTool5", "新規作成", 5 },
                             { nullptr, nullptr, 0 },   { "mnuTool6", "位置の初期化", 6 } };
                for (const auto &bar : bars) {
                    if (!bar.name) {
                        m_mnuToolbar->addSeparator();
                        continue;
                    }
                    QAction *entry = m_mnuToolbar->addAction(QString::fromUtf8(bar.caption));
                    entry->setObjectName(QString::fromLatin1(bar.name));
                    entry->setProperty("Tag", bar.tag);
                    entry->setCheckable(true);
                    entry->setChecked(bar.tag != 6);
                    connect(entry, &QAction::triggered, this,
                            [this, entry] { RunGuarded([&] { mnuToolClick(entry); }); });
                }
            } else if (item == QLatin1String("@mnuWorkSpace")) {
                connect(checkItem(menu, item.mid(1), QStringLiteral("ワークスペース")),
                        &QAction::toggled, this,
                        [this](bool on) { m_lstWorkSpace->setVisible(on); });
            } else if (item == QLatin1String("@mnuTaskBar")) {
                connect(checkItem(menu, item.mid(1), QStringLiteral("タスクバー")),
                        &QAction::toggled, this, [this](bool on) { m_scrTask->setVisible(on); });
            } else if (item == QLatin1String("@mnuStsbar")) {
                connect(checkItem(menu, item.mid(1), QStringLiteral("ステータスバー")),
                        &QAction::toggled, this, [this](bool on) { m_stsMain->setVisible(on); });
            } else if (item == QLatin1String("@mnuDispList")
                       || item == QLatin1String("@mnuDispReport")) {
                const bool list = item == QLatin1String("@mnuDispList");
                auto *group = findChild<QActionGroup *>(QStringLiteral("grpDisp"));
                if (!group) {
                    group = new QActionGroup(this);
                    group->setObjectName(QStringLiteral("grpDisp"));
                }
                QAction *entry
                    = checkItem(menu, item.mid(1),
                                list ? QStringLiteral("一覧(&L)") : QStringLiteral("詳細(&D)"));
                entry->setChecked(!list);
                group->addAction(entry);
                connect(entry, &QAction::triggered, this, [this, list] {
                    const QList<QWidget *> children = MDIChildren();
                    for (auto it = children.crbegin(); it != children.crend(); ++it) {
                        if (auto *db = dynamic_cast<ConnectionWindow *>(*it))
                            RunGuarded([&] { db->SetObjectListStyle(list ? 2 : 3); });
                    }
                });
            } else if (item == QLatin1String("@mnuReload")) {
                QAction *entry = menu->addAction(QStringLiteral("最新の情報に更新(&R)"));
                entry->setObjectName(QStringLiteral("mnuReload"));
                entry->setShortcut(QKeySequence(Qt::Key_F5));
                connect(entry, &QAction::triggered, this, [this] {
                    if (QMdiSubWindow *sub = m_mdi->activeSubWindow())
                        SendAppMessage(sub->widget(), QvMsgReload);
                });
            } else if (item == QLatin1String("@mnuCommandMenu")) {
                m_mnuCommandMenu = menu->addMenu(QStringLiteral("ユーザー定義コマンド"));
                m_mnuCommandMenu->setObjectName(QStringLiteral("mnuCommandMenu"));
                m_mnuCommandMenu->addSeparator()->setObjectName(QStringLiteral("mnuTB1"));
                m_mnuCommandMenu->addAction(action(QStringLiteral("actToolCommandSetup")));
            } else if (item == QLatin1String("@mnuReportMenu")) {
                m_mnuReportMenu = menu->addMenu(QStringLiteral("レポート出力"));
                m_mnuReportMenu->setObjectName(QStringLiteral("mnuReportMenu"));
                m_mnuReportMenu->addSeparator()->setObjectName(QStringLiteral("mnuTB2"));
                m_mnuReportMenu->addAction(action(QStringLiteral("actToolReportSetup")));
            } else if (item == QLatin1String("@mnuHelpHomePage")) {
                m_mnuHelpHomePage = menu->addMenu(QStringLiteral("ホームページを開く"));
                m_mnuHelpHomePage->setObjectName(QStringLiteral("mnuHelpHomePage"));
            }
        }
        if (menu->objectName() == QLatin1String("mnuWindow")) {
            m_mnuWindow = menu;
            connect(menu, &QMenu::aboutToShow, this, &TfrmMain::mnuWindowShow);
        } else if (menu->objectName() == QLatin1String("mnuDisplay")) {
            connect(menu, &QMenu::aboutToShow, this, &TfrmMain::mnuDisplayClick);
        }
    }

    m_popEditor = new QMenu(this);
    m_popEditor->setObjectName(QStringLiteral("popEditor"));
    connect(m_popEditor, &QMenu::aboutToShow, this, &TfrmMain::UpdateActions);
    for (const char *const *p = PopEditorItems; *p; ++p) {
        const QString item = QString::fromLatin1(*p);
        if (item == QLatin1String("-"))
            m_popEditor->addSeparator();
        else if (item == QLatin1String("@popEditOpen"))
            m_popEditor->addAction(proxy(QStringLiteral("popEditOpen"),
                                         action(QStringLiteral("actEditOpen")),
                                         QKeySequence(Qt::CTRL | Qt::Key_O)));
        else
            m_popEditor->addAction(action(item));
    }
    SetSharedEditorPopup(m_popEditor);

    m_popTask = new QMenu(this);
    m_popTask->setObjectName(QStringLiteral("popTask"));
    QAction *closeWindow = m_popTask->addAction(QStringLiteral("閉じる"));
    closeWindow->setObjectName(QStringLiteral("mnuCloseWindow"));
    connect(closeWindow, &QAction::triggered, this, &TfrmMain::mnuCloseWindowClick);
}

void TfrmMain::createToolBars()
{
    for (int b = 0; b < MainToolBarDefCount; ++b) {
        const TMainToolBarDef &def = MainToolBarDefs[b];
        if (def.lineBreakBefore)
            addToolBarBreak(Qt::TopToolBarArea);
        auto *bar = new QToolBar(QString::fromUtf8(def.caption), this);
        bar->setObjectName(QString::fromLatin1(def.name));
        bar->setIconSize(QSize(16, 16));
        addToolBar(Qt::TopToolBarArea, bar);
        m_toolBars.append(bar);
        for (const char *const *p = def.items; *p; ++p) {
            const QString item = QString::fromLatin1(*p);
            if (item.startsWith(QLatin1Char('-'))) {
                QAction *separator = bar->addSeparator();
                separator->setObjectName(item.mid(1));
            } else if (item == QLatin1String("@cmbDBName")) {
                m_cmbDBName = new QComboBox(bar);
                m_cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
                m_cmbDBName->setFixedWidth(340);
                m_cmbDBName->setToolTip(QStringLiteral("現行データベース"));
                m_cmbDBName->setFocusPolicy(Qt::ClickFocus);
                connect(m_cmbDBName, &QComboBox::activated, this,
                        [this] { RunGuarded([this] { cmbDBNameChange(); }); });
                bar->addWidget(m_cmbDBName);
            } else if (item == QLatin1String("@newObjectButtons")) {
                for (int i = 0; i < NewObjectButtonDefCount; ++i) {
                    const TNewObjectButtonDef &button = NewObjectButtonDefs[i];
                    auto *tool = new QToolButton(bar);
                    tool->setObjectName(QString::fromLatin1(button.name));
                    tool->setToolTip(QString::fromUtf8(button.hint));
                    tool->setIcon(imgMain(button.objectType));
                    tool->setIconSize(QSize(16, 16));
                    tool->setAutoRaise(true);
                    // the connection window reads the kind to create from the image index
                    tool->setProperty("ImageIndex", button.objectType);
                    connect(tool, &QToolButton::clicked, this, [this, tool] { btnNewClick(tool); });
                    m_newButtonActions.insert(tool->objectName(), bar->addWidget(tool));
                    m_newButtons.append(tool);
                }
            } else {
                const int eq = item.indexOf(QLatin1Char('='));
                QAction *target = action(item.mid(eq + 1));
                bar->addAction(target);
                if (QWidget *button = bar->widgetForAction(target))
                    button->setObjectName(item.left(eq));
            }
        }
    }
}

void TfrmMain::createClientArea()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("pnlClient"));
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_splWorkSpace = new QSplitter(Qt::Vertical, client);
    m_splWorkSpace->setObjectName(QStringLiteral("splWorkSpace"));
    m_splWorkSpace->setHandleWidth(3);
    m_splWorkSpace->setChildrenCollapsible(false);
    m_mdi = new QMdiArea(m_splWorkSpace);
    m_mdi->setObjectName(QStringLiteral("mdiClient"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::subWindowActivated);
    createWorkSpace(m_splWorkSpace);
    m_splWorkSpace->addWidget(m_mdi);
    m_splWorkSpace->addWidget(m_lstWorkSpace);
    m_splWorkSpace->setStretchFactor(0, 1);
    m_splWorkSpace->setStretchFactor(1, 0);
    m_splWorkSpace->setSizes({ 600, 46 });
    layout->addWidget(m_splWorkSpace, 1);

    m_scrTask = new QWidget(client);
    m_scrTask->setObjectName(QStringLiteral("scrTask"));
    m_scrTask->setAttribute(Qt::WA_StyledBackground, true);
    auto *taskLayout = new QHBoxLayout(m_scrTask);
    taskLayout->setContentsMargins(0, 0, 0, 0);
    m_tolTask = new QToolBar(m_scrTask);
    m_tolTask->setObjectName(QStringLiteral("tolTask"));
    m_tolTask->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_tolTask->setIconSize(QSize(16, 16));
    m_tolTask->setMovable(false);
    m_tolTask->setFloatable(false);
    m_tolTask->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tolTask, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { RunGuarded([&] { popTaskPopup(pos); }); });
    taskLayout->addWidget(m_tolTask);
    // As high as its buttons from the start: the work area above does not shrink when the
    // first window's button appears.
    {
        QAction probe(imgMain(94), QStringLiteral("probe"));
        m_tolTask->addAction(&probe);
        m_scrTask->setMinimumHeight(std::max(26, m_tolTask->sizeHint().height()));
        m_tolTask->removeAction(&probe);
    }
    layout->addWidget(m_scrTask);
    setCentralWidget(client);

    m_stsMain = new TqvStatusBar(this);
    m_stsMain->setObjectName(QStringLiteral("stsMain"));
    m_stsMain->AddPanel(100, Qt::AlignRight | Qt::AlignVCenter);
    m_stsMain->AddPanel(20, Qt::AlignCenter);
    m_stsMain->AddPanel(50);
    setStatusBar(m_stsMain);
    // As high as a Japanese text needs from the start, like the task bar.
    m_stsMain->SetPanelText(fmain::messagePanel, QStringLiteral("接続中"));
    m_stsMain->setMinimumHeight(m_stsMain->sizeHint().height());
    m_stsMain->SetPanelText(fmain::messagePanel, QString());
}

void TfrmMain::applyColours()
{
    const QString colour = QStringLiteral("#%1").arg(MainBarColour, 6, 16, QLatin1Char('0'));
    QStringList bars;
    for (QToolBar *bar : std::as_const(m_toolBars))
        bars << QStringLiteral("QToolBar#") + bar->objectName();
    // The menu bar's unselected items, the rest of the bar to its right end and the bar area
    // around the tool bars share the bar colour; a selected menu item keeps the highlight.
    setStyleSheet(
        QStringLiteral("QMainWindow#frmMain, QWidget#scrTask { background-color: %2; }\n"
                       "%1, QToolBar#tolTask { background-color: %2; border: none; }\n"
                       "QMenuBar#mnuMain { background-color: %2; }\n"
                       "QMenuBar#mnuMain::item { background: transparent; padding: 3px 8px; }\n"
                       "QMenuBar#mnuMain::item:selected, QMenuBar#mnuMain::item:pressed "
                       "{ background: palette(highlight); color: palette(highlighted-text); }\n")
            .arg(bars.join(QStringLiteral(", ")), colour));
}

// ---------------------------------------------------------------- life cycle

void TfrmMain::FormCreate()
{
    // The name only: a display name would be appended by the window system to every caption
    // that does not end in it, a maximized child's and the dialogs' included.
    const QString title = QStringLiteral("Corvane") + QStringLiteral(" for Postgres");
    QApplication::setApplicationName(title);
    setWindowTitle(title);
    setWindowIcon(imgMain(0));

    // The program's help handler, and the commands of the framework's own windows; the
    // start-up code may register others in their place.
    auto *help = new THTMLHelp(this);
    help->setObjectName(QStringLiteral("hlpMain"));
    SetHelpContext(this, 100);
    if (!IsMainCommandRegistered(QStringLiteral("actHelp")))
        RegisterMainCommand(QStringLiteral("actHelp"),
                            { [](ConnectionWindow *) { AppHelpCommand(HELP_CONTENTS, 0); }, {} });
    if (!IsMainCommandRegistered(QStringLiteral("actHelpSupport")))
        RegisterMainCommand(QStringLiteral("actHelpSupport"),
                            { [](ConnectionWindow *) { TfrmSupport::ShowWindow(); }, {} });
    RegisterEditorCommands();
    // The options dialogs and the SQL reference viewer live in this library.
    if (!IsMainCommandRegistered(QStringLiteral("actToolOption")))
        RegisterMainCommand(QStringLiteral("actToolOption"),
                            { [](ConnectionWindow *) { TfrmOption::ShowWindow(); }, {} });
    if (!IsMainCommandRegistered(QStringLiteral("actToolEditorOption")))
        RegisterMainCommand(
            QStringLiteral("actToolEditorOption"),
            { [](ConnectionWindow *) { TfrmEditorOption::ShowWindow(&EditorOption); }, {} });
    if (!IsToolWindowRegistered(QString::fromLatin1(ToolWindowTemplate)))
        RegisterTemplateWindow();

    LoadOptions();
    SetShortCut();

    // A missing or unreadable index starts an empty history.
    try {
        SQLLogLoadIndex();
    } catch (...) {
        SQLLogList.clear();
    }

    SetCommandList();
    SetReportList();
    SetHomePage();

    // Workbooks are always written as .xlsx.
    AppOption.ExcelExt = QStringLiteral(".XLSX");
    ExcelFilter = QStringLiteral("Excelファイル(*.xlsx)|*.xlsx");

    cmbDBNameChange();
}

void TfrmMain::paintEvent(QPaintEvent *event)
{
    QMainWindow::paintEvent(event);
    if (!m_painted) {
        m_painted = true;
        // After the paint, so that a dialog of the start does not open inside it.
        QTimer::singleShot(0, this, [this] { RunGuarded([this] { FormPaint(); }); });
    }
}

void TfrmMain::FormPaint()
{
    LoadLayout();
    // The logon decides itself how to use the command line.
    QAction *logon = action(QStringLiteral("actDBLogon"));
    if (logon && logon->isEnabled())
        runCommand(logon);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closing = true;
    FormClose();
    event->accept();
}

bool TfrmMain::FormCloseQuery()
{
    // The windows no connection window answers for (the tool windows of the main window) first
    // say whether they may close (a modified one offers to compile); then the connection windows
    // close, each asking its own windows once.
    const QList<QWidget *> children = MDIChildren();
    for (QWidget *child : children) {
        auto *form = qobject_cast<TqvForm *>(child);
        if (!form || dynamic_cast<ConnectionWindow *>(child))
            continue;
        auto *owner = qobject_cast<QWidget *>(form->Owner());
        if (owner && dynamic_cast<ConnectionWindow *>(owner) && children.contains(owner))
            continue;
        if (!form->CloseQuery())
            return false;
    }
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        QPointer<QWidget> child = *it;
        if (!child || !dynamic_cast<ConnectionWindow *>(child.data()))
            continue;
        if (!fmain::closeChild(child))
            return false;
    }
    return true;
}

void TfrmMain::FormClose()
{
    const QStringList failures = RunShutdownSteps({
        { QStringLiteral("ウィンドウ配置の保存"), [this] { SaveLayout(); } },
        { QStringLiteral("オプションの保存"),
          [] {
              QString error;
              if (!SaveOptions(&error))
                  throw std::runtime_error(error.toStdString());
          } },
        { QStringLiteral("SQL履歴の保存"), [] { SQLLogSaveIndex(); } },
    });
    if (!failures.isEmpty())
        ShowMessageBox(QStringLiteral("終了時の保存に失敗しました。\n")
                           + failures.join(QLatin1Char('\n')),
                       MB_OK | MB_ICONERROR);
}

void TfrmMain::LoadLayout()
{
    if (!AppRegistry || !AppRegistry->OpenKey(fmain::guiMainKey(), false))
        return;
    // Every reader falls back to its default on a missing or malformed value, so one bad value
    // never keeps the rest of the layout from being restored.
    try {
        const int state = AppRegistry->GetInteger(QStringLiteral("WindowState"), 0);
        if (state == 2) {
            showMaximized();
        } else {
            showNormal();
            const QRect now = geometry();
            move(AppRegistry->GetInteger(QStringLiteral("Left"), x()),
                 AppRegistry->GetInteger(QStringLiteral("Top"), y()));
            resize(AppRegistry->GetInteger(QStringLiteral("Width"), now.width()),
                   AppRegistry->GetInteger(QStringLiteral("Height"), now.height()));
        }
        const bool workSpace = AppRegistry->GetBool(QStringLiteral("WorkSpace"), true);
        m_lstWorkSpace->setVisible(workSpace);
        SetWorkSpaceStyle(AppRegistry->GetInteger(QStringLiteral("WorkSpaceStyle"), 0));
        SetWorkSpaceAlign(AppRegistry->GetInteger(QStringLiteral("WorkSpaceAlign"), 2));
        if (m_workSpaceAlign >= 1 && m_workSpaceAlign <= 4) {
            if (QLayout *frame = layout())
                frame->activate();
            const bool vertical = m_workSpaceAlign <= 2;
            const QSize client = centralWidget()->size();
            const int half = (vertical ? client.height() : client.width()) / 2;
            const int size
                = AppRegistry->GetInteger(QStringLiteral("WorkSpaceSize"), WorkSpaceSize());
            SetWorkSpaceSize(std::min(std::max(size, 1), half));
        }
        m_scrTask->setVisible(AppRegistry->GetBool(QStringLiteral("TaskBar"), true));
        m_stsMain->setVisible(AppRegistry->GetBool(QStringLiteral("StatusBar"), true));
        restoreToolBars();
    } catch (...) {
        AppRegistry->CloseKey();
        throw;
    }
    AppRegistry->CloseKey();
    mnuDisplayClick();
}

void TfrmMain::restoreToolBars()
{
    struct Place
    {
        QToolBar *bar;
        QRect rect;
        int order;
    };
    QList<Place> docked;
    for (int b = 0; b < int(m_toolBars.size()); ++b) {
        QToolBar *bar = m_toolBars.at(b);
        const QString name = bar->objectName();
        const QRect rect = fmain::storedBarRect(*AppRegistry, name + QStringLiteral("Rect"))
                               .value_or(bar->geometry());
        const bool visible = AppRegistry->GetBool(name + QStringLiteral("Visible"), true);
        if (AppRegistry->GetBool(name + QStringLiteral("Float"), false)) {
            floatToolBar(bar, rect);
            bar->setVisible(visible);
        } else {
            docked.append({ bar, rect, b });
            bar->setVisible(visible);
        }
    }
    // The docked bars go back row by row, top to bottom and left to right within a row; a bar
    // starts a new row when its top lies below the half of the row above.
    std::stable_sort(docked.begin(), docked.end(), [](const Place &a, const Place &b) {
        return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top()
                                            : a.rect.left() < b.rect.left();
    });
    QList<QList<Place>> rows;
    for (const Place &place : std::as_const(docked)) {
        if (rows.isEmpty()
            || place.rect.top() >= rows.last().first().rect.top()
                    + std::max(1, rows.last().first().rect.height() / 2))
            rows.append(QList<Place>());
        rows.last().append(place);
    }
    for (const Place &place : std::as_const(docked)) {
        const bool visible = !place.bar->isHidden();
        removeToolBar(place.bar);
        place.bar->setVisible(visible);
    }
    for (int r = 0; r < int(rows.size()); ++r) {
        QList<Place> &row = rows[r];
        std::stable_sort(row.begin(), row.end(), [](const Place &a, const Place &b) {
            return a.rect.left() < b.rect.left();
        });
        if (r > 0)
            addToolBarBreak(Qt::TopToolBarArea);
        for (const Place &place : std::as_const(row)) {
            const bool visible = !place.bar->isHidden();
            dockToolBar(place.bar);
            place.bar->setVisible(visible);
        }
    }
}

void TfrmMain::floatToolBar(QToolBar *bar, const QRect &rect)
{
    const bool visible = !bar->isHidden();
    removeToolBar(bar);
    bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    bar->setOrientation(Qt::Horizontal);
    bar->move(rect.topLeft());
    bar->adjustSize();
    bar->setVisible(visible);
}

void TfrmMain::dockToolBar(QToolBar *bar)
{
    if (bar->isWindow()) {
        bar->hide();
        bar->setWindowFlags(Qt::Widget);
    }
    addToolBar(Qt::TopToolBarArea, bar);
    bar->show();
}

void TfrmMain::SetWorkSpaceAlign(int align)
{
    // 1 top, 2 bottom, 3 left, 4 right; any other side is kept as it came and places nothing.
    m_workSpaceAlign = align;
    if (align < 1 || align > 4)
        return;
    const QList<int> sizes = m_splWorkSpace->sizes();
    const int listSize = m_splWorkSpace->indexOf(m_lstWorkSpace) >= 0
        ? sizes.value(m_splWorkSpace->indexOf(m_lstWorkSpace))
        : 0;
    m_splWorkSpace->setOrientation(align <= 2 ? Qt::Vertical : Qt::Horizontal);
    m_splWorkSpace->insertWidget(align == 1 || align == 3 ? 0 : 1, m_lstWorkSpace);
    const int list = m_splWorkSpace->indexOf(m_lstWorkSpace);
    m_splWorkSpace->setStretchFactor(list, 0);
    m_splWorkSpace->setStretchFactor(1 - list, 1);
    if (align <= 2)
        m_lstWorkSpace->setMinimumSize(0, 1);
    else
        m_lstWorkSpace->setMinimumSize(1, 0);
    if (listSize > 0)
        SetWorkSpaceSize(listSize);
}

int TfrmMain::WorkSpaceSize() const
{
    return m_splWorkSpace->orientation() == Qt::Vertical ? m_lstWorkSpace->height()
                                                         : m_lstWorkSpace->width();
}

void TfrmMain::SetWorkSpaceSize(int size)
{
    const int list = m_splWorkSpace->indexOf(m_lstWorkSpace);
    const int total = m_splWorkSpace->orientation() == Qt::Vertical ? m_splWorkSpace->height()
                                                                    : m_splWorkSpace->width();
    const int handle = m_splWorkSpace->handleWidth();
    QList<int> sizes(2);
    sizes[list] = size;
    sizes[1 - list] = std::max(1, total - handle - size);
    m_splWorkSpace->setSizes(sizes);
}

void TfrmMain::SaveLayout()
{
    if (!AppRegistry || !AppRegistry->OpenKey(fmain::guiMainKey(), true))
        return;
    const int state = isMaximized() ? 2 : (isMinimized() ? 1 : 0);
    AppRegistry->WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        AppRegistry->WriteInteger(QStringLiteral("Left"), x());
        AppRegistry->WriteInteger(QStringLiteral("Top"), y());
        AppRegistry->WriteInteger(QStringLiteral("Width"), width());
        AppRegistry->WriteInteger(QStringLiteral("Height"), height());
    }
    AppRegistry->WriteBool(QStringLiteral("TaskBar"), !m_scrTask->isHidden());
    AppRegistry->WriteBool(QStringLiteral("StatusBar"), !m_stsMain->isHidden());
    AppRegistry->WriteBool(QStringLiteral("WorkSpace"), !m_lstWorkSpace->isHidden());
    AppRegistry->WriteInteger(QStringLiteral("WorkSpaceStyle"),
                              m_lstWorkSpace->property("ViewStyle").toInt());
    AppRegistry->WriteInteger(QStringLiteral("WorkSpaceAlign"), m_workSpaceAlign);
    if (m_workSpaceAlign >= 1 && m_workSpaceAlign <= 4)
        AppRegistry->WriteInteger(QStringLiteral("WorkSpaceSize"), WorkSpaceSize());
    // A change of the bars (shown, hidden, moved) is laid out lazily; the places stored are those
    // of the layout now, not of the last one drawn.
    if (QLayout *mainLayout = layout())
        mainLayout->activate();
    for (QToolBar *bar : std::as_const(m_toolBars)) {
        const QString name = bar->objectName();
        const bool floating = bar->isWindow();
        const QRect rect = floating ? QRect(bar->pos(), bar->size()) : bar->geometry();
        AppRegistry->WriteBinaryData(name + QStringLiteral("Rect"), fmain::barRectData(rect));
        AppRegistry->WriteBool(name + QStringLiteral("Visible"), !bar->isHidden());
        AppRegistry->WriteBool(name + QStringLiteral("Float"), floating);
    }
    AppRegistry->CloseKey();
    const QString error = AppRegistry->lastSaveError();
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
}

// ---------------------------------------------------------------- services

ConnectionWindow *TfrmMain::CurrentForm() const
{
    if (m_cmbDBName->currentIndex() < 0)
        return nullptr;
    return dynamic_cast<ConnectionWindow *>(m_cmbDBName->currentData().value<QObject *>());
}

void TfrmMain::SelectConnection(const QString &key)
{
    int index = -1;
    for (int i = 0; i < m_cmbDBName->count() && index < 0; ++i) {
        if (m_cmbDBName->itemText(i) == key)
            index = i;
    }
    const QSignalBlocker quiet(m_cmbDBName);
    m_cmbDBName->setCurrentIndex(index);
}

QIcon TfrmMain::imgMain(int index) const
{
    auto it = m_images.constFind(index);
    if (it == m_images.constEnd())
        it = m_images.insert(index, MainImageIcon(index));
    return it.value();
}

QIcon TfrmMain::imgButton(int index) const
{
    auto it = m_buttons.constFind(index);
    if (it == m_buttons.constEnd())
        it = m_buttons.insert(index, QIcon(PaintMainImage(index, 20)));
    return it.value();
}

void TfrmMain::ShowChildWindow(QWidget *window)
{
    if (!window)
        return;
    auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget());
    if (!sub || sub->mdiArea() != m_mdi) {
        // The frame takes the size the window was given, not its (empty) size hint.
        const QSize wanted = window->size();
        const bool sized = window->testAttribute(Qt::WA_Resized);
        const int others = int(m_mdi->subWindowList().size());
        const QMdiSubWindow *active = m_mdi->activeSubWindow();
        const bool maximized = active && active->isMaximized();
        if (!active)
            m_lastActiveMaximized = false; // no child in front to hand its state on
        sub = m_mdi->addSubWindow(window);
        connect(sub, &QMdiSubWindow::windowStateChanged, this, [this, sub] {
            // A child that is going away (its window hidden) keeps the state it had.
            if (!m_closing && sub == m_lastActive && sub->widget() && sub->widget()->isVisible())
                m_lastActiveMaximized = sub->isMaximized();
        });
        // A child that goes while in front leaves the next one in front.
        connect(sub, &QObject::destroyed, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (!m_closing && !m_mdi->activeSubWindow()) {
                    const QList<QMdiSubWindow *> subs
                        = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
                    if (!subs.isEmpty())
                        m_mdi->setActiveSubWindow(subs.last());
                }
            });
        });
        // Each new window a step further down and right than the one before, as a cascade.
        const int step = others % 10;
        sub->move(step * 24, step * 24);
        auto *form = qobject_cast<TqvForm *>(window);
        const QSize storedFrame = form ? form->TakeStoredFrameSize() : QSize();
        if (storedFrame.isValid()) {
            sub->resize(storedFrame);
        } else if (sized) {
            sub->ensurePolished();
            const QMargins frame = sub->contentsMargins();
            sub->resize(wanted.width() + frame.left() + frame.right(),
                        wanted.height() + frame.top() + frame.bottom());
        }
        fitIntoWorkArea(sub);
        // A window restores its stored size only after it joined the area: until it is open,
        // every size it takes is fitted as well.
        sub->installEventFilter(this);
        m_opening.append(sub);
        QTimer::singleShot(0, this, [this, sub] {
            m_opening.removeIf([sub](const QPointer<QMdiSubWindow> &opening) {
                return opening.isNull() || opening.data() == sub;
            });
        });
        window->show();
        if (maximized)
            sub->showMaximized();
    }
    window->show();
    if (sub->isMinimized())
        sub->showNormal();
    else
        sub->show();
    m_mdi->setActiveSubWindow(sub);
    sub->raise();
}

void TfrmMain::fitIntoWorkArea(QMdiSubWindow *sub)
{
    // Before the main window is shown its work area has no size of its own yet.
    if (!isVisible() || (sub->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        return;
    if (QLayout *frame = layout())
        frame->activate();
    const QSize area = m_mdi->viewport()->size();
    if (area.isEmpty())
        return;
    // A window larger than the room right of and below its place in the cascade gives up size
    // first, down to two thirds of the area, then its place.
    const auto fit = [](int &place, int &length, int room, int minimum) {
        if (place + length <= room)
            return;
        length = std::max({ room - place, std::min(length, room * 2 / 3), minimum });
        length = std::min(length, std::max(room, minimum));
        place = std::max(0, std::min(place, room - length));
    };
    int x = std::max(0, sub->x());
    int y = std::max(0, sub->y());
    int width = sub->width();
    int height = sub->height();
    fit(x, width, area.width(), sub->minimumWidth());
    fit(y, height, area.height(), sub->minimumHeight());
    if (QSize(width, height) != sub->size())
        sub->resize(width, height);
    if (QPoint(x, y) != sub->pos())
        sub->move(x, y);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && !m_closing) {
        auto *sub = qobject_cast<QMdiSubWindow *>(watched);
        if (sub && m_opening.contains(sub))
            fitIntoWorkArea(sub);
    }
    return QMainWindow::eventFilter(watched, event);
}

QList<QWidget *> TfrmMain::MDIChildren() const
{
    QList<QWidget *> children;
    const QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::StackingOrder);
    for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
        if (QWidget *widget = (*it)->widget())
            children.append(widget);
    }
    return children;
}

QList<ObjectListWindow *> TfrmMain::connectionWindows() const
{
    QList<ObjectListWindow *> windows;
    const QList<QWidget *> children = MDIChildren();
    for (QWidget *child : children) {
        if (auto *db = dynamic_cast<ConnectionWindow *>(child))
            windows.append(db);
    }
    return windows;
}

ConnectionWindow *TfrmMain::GetDBForm(const QString &ServerName) const
{
    ConnectionWindow *current = CurrentForm();
    if (current && ConnectionKey(*current) == ServerName)
        return current;
    const QList<QWidget *> children = MDIChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *db = dynamic_cast<ConnectionWindow *>(*it);
        if (db && ConnectionKey(*db) == ServerName)
            return db;
    }
    return nullptr;
}

QWidget *TfrmMain::FindWindow(const QMetaObject *AClass, const QString &ACaption,
                              bool ShowWindow) const
{
    const QList<QWidget *> children = MDIChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        QWidget *child = *it;
        if (child->metaObject()->inherits(AClass) && child->windowTitle() == ACaption) {
            if (ShowWindow)
                const_cast<TfrmMain *>(this)->ShowChildWindow(child);
            return child;
        }
    }
    return nullptr;
}

QString TfrmMain::MessageText() const
{
    return m_stsMain->PanelText(fmain::messagePanel);
}

void TfrmMain::SetDefMessage()
{
    const ConnectionWindow *current = CurrentForm();
    if (!current)
        return;
    // In front of the connection window another window: the count would speak of nothing the
    // user sees, so the panel is emptied.
    if (m_lastActive && m_lastActive->widget() && m_lastActive->widget()->isVisible()
        && !dynamic_cast<ConnectionWindow *>(m_lastActive->widget())) {
        m_stsMain->SetPanelText(fmain::messagePanel, QString());
        return;
    }
    const int count = current->ObjectCount();
    const int selected = current->SelectedObjectCount();
    QString text = QString::number(count);
    if (selected == 0)
        text += QStringLiteral("個のオブジェクトがあります。");
    else
        text += QStringLiteral("個中 ") + QString::number(selected)
            + QStringLiteral("個のオブジェクトを選択中。");
    m_stsMain->SetPanelText(fmain::messagePanel, text);
}

void TfrmMain::SetLoopMessage(int NowCount, int MaxCount)
{
    const QString cancel = QStringLiteral(" [ESC]キーを押すと処理を中断");
    QString text;
    if (NowCount == 0 && MaxCount == 0)
        text = cancel;
    else if (MaxCount <= 0)
        text = QString::number(NowCount) + QStringLiteral("件処理中...") + cancel;
    else
        text = QString::number(NowCount) + QStringLiteral(" / ") + QString::number(MaxCount)
            + cancel;
    m_stsMain->SetPanelText(fmain::messagePanel, text);
    // The loop does not return to the event loop: paint now, but only every few steps.
    if (!m_lastLoopPaint.isValid() || m_lastLoopPaint.elapsed() >= fmain::loopPaintInterval) {
        m_stsMain->RepaintNow();
        m_lastLoopPaint.start();
    }
}

QList<TConnectionEntry> TfrmMain::ConnectionEntries() const
{
    QList<TConnectionEntry> entries;
    for (int i = 0; i < m_cmbDBName->count(); ++i) {
        entries << TConnectionEntry { m_cmbDBName->itemText(i),
                                      dynamic_cast<ConnectionWindow *>(
                                          m_cmbDBName->itemData(i).value<QObject *>()) };
    }
    return entries;
}

void TfrmMain::AddConnection(const QString &key, ConnectionWindow *window)
{
    QWidget *widget = window->connectionWidget();
    m_cmbDBName->addItem(key, QVariant::fromValue<QObject *>(widget));
    // A window that goes without leaving the selector takes its entry with it.
    disconnect(widget, &QObject::destroyed, this, nullptr);
    connect(widget, &QObject::destroyed, this, [this, widget] {
        bool removed = false;
        for (int i = m_cmbDBName->count() - 1; i >= 0; --i) {
            if (m_cmbDBName->itemData(i).value<QObject *>() == widget) {
                m_cmbDBName->removeItem(i);
                removed = true;
            }
        }
        if (removed && !m_closing)
            cmbDBNameChange();
    });
    {
        const QSignalBlocker quiet(m_cmbDBName);
        m_cmbDBName->setCurrentIndex(m_cmbDBName->count() - 1);
    }
    cmbDBNameChange();
}

void TfrmMain::RemoveConnection(ConnectionWindow *window)
{
    QWidget *widget = window->connectionWidget();
    {
        const QSignalBlocker quiet(m_cmbDBName);
        for (int i = m_cmbDBName->count() - 1; i >= 0; --i) {
            if (m_cmbDBName->itemData(i).value<QObject *>() == widget) {
                m_cmbDBName->removeItem(i);
                break;
            }
        }
        m_cmbDBName->setCurrentIndex(m_cmbDBName->count() - 1);
    }
    bool stillListed = false;
    for (int i = 0; i < m_cmbDBName->count() && !stillListed; ++i)
        stillListed = m_cmbDBName->itemData(i).value<QObject *>() == widget;
    if (!stillListed)
        disconnect(widget, &QObject::destroyed, this, nullptr);
    if (!m_closing)
        cmbDBNameChange();
}

void TfrmMain::ConnectionActivated(ConnectionWindow *window)
{
    if (!window)
        return;
    const int version = window->DBVer();
    const bool edition = window->g_bPostgresPlus();
    const struct
    {
        const char *button;
        bool shown;
    } kinds[] = {
        { "btnNewMView", version >= 90300 },
        { "btnNewAgrg", version >= 90400 },
        { "btnNewProc", edition || version >= 110000 },
        { "btnNewPack", edition },
        { "btnNewSynonym", edition },
    };
    for (const auto &kind : kinds) {
        if (QAction *place = m_newButtonActions.value(QString::fromLatin1(kind.button)))
            place->setVisible(kind.shown);
    }
    QAction *dbLink = action(QStringLiteral("actAdminDBLink"));
    dbLink->setVisible(edition);
    m_gate[dbLink] = edition;
    m_gate[action(QStringLiteral("actAdminEventList"))] = edition && version >= 110000;
    UpdateActions();
}

void TfrmMain::SetStatusText(const QString &text)
{
    m_stsMain->SetPanelText(fmain::messagePanel, text);
}

// ---------------------------------------------------------------- gating and actions

void TfrmMain::cmbDBNameChange()
{
    const bool any = m_cmbDBName->count() > 0;
    for (QToolButton *button : std::as_const(m_newButtons))
        button->setEnabled(any);
    auto gate = [this](std::initializer_list<const char *> names, bool on) {
        for (const char *name : names)
            m_gate[action(QString::fromLatin1(name))] = on;
    };
    gate({ "actDBCommit", "actDBRollback", "actDBLogoff" }, any);
    gate({ "actViewSQL", "actViewScript", "actViewTemplate", "actViewComp", "actViewField",
           "actViewSQLCatch", "actViewSQLCRUD" },
         any);
    gate({ "actToolIndexAdviser", "actToolDBTest" }, any);
    gate({ "actToolCommandSetup" }, true);
    const std::initializer_list<const char *> admin
        = { "actAdminUser",   "actAdminStorage",  "actAdminSession",
            "actAdminLock",   "actAdminDatabase", "actAdminPerform",
            "actAdminExport", "actAdminImport",   "actAdminLoad" };
    gate(admin, false);
    gate({ "actAdminDBLink", "actAdminEventList" }, false);

    ConnectionWindow *current = CurrentForm();
    if (current) {
        const int version = current->DBVer();
        const bool edition = current->g_bPostgresPlus();
        if (QToolButton *type = findChild<QToolButton *>(QStringLiteral("btnNewType")))
            type->setEnabled(version >= 80000);
        gate(admin, true);
        gate({ "actAdminDBLink" }, edition);
        gate({ "actAdminEventList" }, edition && version > 109999);
    }
    UpdateActions();
    if (current)
        ShowChildWindow(current->connectionWidget());
}

void TfrmMain::UpdateActions()
{
    ConnectionWindow *current = CurrentForm();
    const bool children = !m_mdi->subWindowList().isEmpty();
    for (QAction *act : std::as_const(m_actions)) {
        const TMainActionDef *def = fmain::actionDef(act->objectName());
        if (!def || def->kind == TMainActionKind::Holder)
            continue;
        bool on = m_gate.value(act, true);
        if (def->kind == TMainActionKind::Registered) {
            const TMainCommand *command = FindMainCommand(act->objectName());
            if (!command) {
                on = false;
            } else if (on && command->update) {
                const std::function<bool(ConnectionWindow *)> update = command->update;
                bool enabled = false;
                RunGuarded([&] { enabled = update(current); });
                on = enabled;
            }
        } else if (act->objectName().startsWith(QLatin1String("actWindow"))) {
            on = children;
        }
        act->setEnabled(on);
    }
    actToolReportSetupUpdate();
}

void TfrmMain::actToolReportSetupUpdate()
{
    ConnectionWindow *current = CurrentForm();
    const bool selected = current && current->SelectedObjectCount() > 0;
    if (!m_mnuReportMenu)
        return;
    const QList<QAction *> items = m_mnuReportMenu->actions();
    for (QAction *item : items) {
        if (item->objectName() != QLatin1String("actToolReportSetup"))
            item->setEnabled(selected);
    }
}

void TfrmMain::SetShortCut()
{
    for (int i = 0; i < ShortcutActionCount; ++i) {
        if (QAction *act = action(QString::fromLatin1(ShortcutActions[i].actionName)))
            act->setShortcut(ShortcutList.value(i));
    }
    const QList<QWidget *> children = MDIChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        if (auto *db = dynamic_cast<ConnectionWindow *>(*it))
            RunGuarded([db] { db->SetShortCut(); });
    }
}

QAction *TfrmMain::action(const QString &name) const
{
    for (QAction *act : m_actions) {
        if (act->objectName() == name)
            return act;
    }
    return nullptr;
}

void TfrmMain::runCommand(QAction *act)
{
    const QString name = act->objectName();
    const TMainActionDef *def = fmain::actionDef(name);
    if (!def || !act->isEnabled())
        return;
    ConnectionWindow *current = CurrentForm();
    if (def->needsCurrent && !current)
        return;
    if (def->kind == TMainActionKind::Registered) {
        const TMainCommand *found = FindMainCommand(name);
        if (!found)
            return;
        // A copy: the command may register others while it runs.
        const TMainCommand command = *found;
        // The options dialog may change the auto-commit option; the open sessions follow it.
        const bool autoCommit = AppOption.UpdateToCommit;
        RunGuarded([&] { command.execute(current); });
        if (name == QLatin1String("actToolOption") && AppOption.UpdateToCommit != autoCommit)
            ApplyAutoCommit(AppOption.UpdateToCommit);
        UpdateActions();
        return;
    }
    RunGuarded([&] {
        if (name == QLatin1String("actDBCommit")) {
            actDBCommitExecute();
        } else if (name == QLatin1String("actDBRollback")) {
            actDBRollbackExecute();
        } else if (name == QLatin1String("actDBLogoff")) {
            actDBLogoffExecute();
        } else if (name == QLatin1String("actFileExit")) {
            close();
        } else if (name == QLatin1String("actWindowClose")) {
            if (QMdiSubWindow *sub = m_mdi->activeSubWindow())
                sub->close();
        } else if (name == QLatin1String("actWindowCascade")) {
            m_mdi->cascadeSubWindows();
        } else if (name == QLatin1String("actWindowTileH")
                   || name == QLatin1String("actWindowTileV")) {
            // One above the other (H) or side by side (V), over the whole client area.
            const bool above = name == QLatin1String("actWindowTileH");
            QList<QMdiSubWindow *> subs;
            for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
                if (sub->isVisible() && !sub->isMinimized())
                    subs.append(sub);
            }
            if (subs.isEmpty())
                return;
            const QRect area = m_mdi->viewport()->rect();
            const int n = int(subs.size());
            for (int i = 0; i < n; ++i) {
                QMdiSubWindow *sub = subs.at(i);
                sub->showNormal();
                if (above) {
                    const int top = area.height() * i / n;
                    sub->setGeometry(0, top, area.width(), area.height() * (i + 1) / n - top);
                } else {
                    const int left = area.width() * i / n;
                    sub->setGeometry(left, 0, area.width() * (i + 1) / n - left, area.height());
                }
            }
        } else if (name == QLatin1String("actWindowMinimizeAll")) {
            const QList<QWidget *> children = MDIChildren();
            for (auto it = children.crbegin(); it != children.crend(); ++it) {
                if (auto *sub = qobject_cast<QMdiSubWindow *>((*it)->parentWidget()))
                    sub->showMinimized();
            }
        } else if (name == QLatin1String("actWindowArrange")) {
            // The minimised windows in a row along the bottom of the client area.
            int left = 0;
            const int bottom = m_mdi->viewport()->height();
            for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
                if (!sub->isMinimized())
                    continue;
                sub->move(left, bottom - sub->height());
                left += sub->width();
            }
        } else if (name.startsWith(QLatin1String("actHelpHomePage"))) {
            const QString address = act->data().toString();
            if (!address.isEmpty())
                QDesktopServices::openUrl(QUrl(address));
        }
    });
    UpdateActions();
}

void TfrmMain::btnNewClick(QToolButton *button)
{
    if (m_cmbDBName->currentIndex() < 0)
        return;
    ConnectionWindow *current = CurrentForm();
    if (!current)
        return;
    const int objectType = button->property("ImageIndex").toInt();
    // Only the silent abort of a window that is open already stays unseen.
    RunGuarded([&] { current->NewObject(objectType); });
}

void TfrmMain::endTransaction(const QString &command)
{
    ConnectionWindow *current = CurrentForm();
    if (!current)
        return;
    const pg::Connection *session = current->dbsMain();
    try {
        current->ExecuteSQL(command);
    } catch (...) {
        // A failed COMMIT has ended the transaction all the same; without a new BEGIN a session
        // whose auto-commit is off would commit every later statement on its own.
        if (!AppOption.UpdateToCommit && session
            && session->transactionStatus() == pg::TransactionStatus::Idle) {
            const std::exception_ptr failure = std::current_exception();
            try {
                current->ExecuteSQL(QStringLiteral("BEGIN"));
            } catch (...) {
                ShowExceptionMessage(std::current_exception());
            }
            std::rethrow_exception(failure);
        }
        throw;
    }
    const QString user = session ? session->param(QStringLiteral("User_Name")) : QString();
    const QString database = session ? session->param(QStringLiteral("Database")) : QString();
    m_stsMain->SetPanelText(fmain::messagePanel,
                            QStringLiteral("現行データベース [ ") + user + QStringLiteral(" @ ")
                                + database + QStringLiteral(" ] のトランザクションを ") + command
                                + QStringLiteral(" しました。"));
    if (!AppOption.UpdateToCommit)
        current->ExecuteSQL(QStringLiteral("BEGIN"));
}

QString TfrmMain::ApplyAutoCommit(bool autoCommit)
{
    const QString statement = autoCommit ? QStringLiteral("COMMIT") : QStringLiteral("BEGIN");
    QStringList failures;
    for (int i = 0; i < m_cmbDBName->count(); ++i) {
        auto *db = dynamic_cast<ConnectionWindow *>(m_cmbDBName->itemData(i).value<QObject *>());
        if (!db)
            continue;
        // Every connection is visited: one left in the old mode would go on unnoticed.
        try {
            db->ExecuteSQL(statement);
        } catch (...) {
            failures << m_cmbDBName->itemText(i) + QStringLiteral(": ")
                    + ExceptionText(std::current_exception());
        }
    }
    if (failures.isEmpty())
        return QString();
    const QString text = QStringLiteral("次の接続で ") + statement
        + QStringLiteral(" に失敗しました。\n") + failures.join(QLatin1Char('\n'));
    ShowMessageBox(text, MB_ICONERROR);
    return text;
}

void TfrmMain::actDBCommitExecute()
{
    endTransaction(QStringLiteral("COMMIT"));
}

void TfrmMain::actDBRollbackExecute()
{
    endTransaction(QStringLiteral("ROLLBACK"));
}

void TfrmMain::actDBLogoffExecute()
{
    ConnectionWindow *current = CurrentForm();
    if (!current)
        return;
    // The window's own close handling asks its windows and disconnects; what it refuses or
    // fails it has told the user itself.
    try {
        QWidget *widget = current->connectionWidget();
        ShowChildWindow(widget);
        fmain::closeChild(widget);
    } catch (...) { }
}

// ---------------------------------------------------------------- menus

void TfrmMain::SetHomePage()
{
    SetHomePage(fmain::homePageAddresses);
}

void TfrmMain::SetHomePage(const QStringList &addresses)
{
    m_mnuHelpHomePage->clear();
    for (int i = 0; i < 3; ++i) {
        QAction *target = action(QString::fromLatin1(fmain::homePageActions[i]));
        const QString address = addresses.value(i);
        target->setData(address);
        if (!address.isEmpty())
            m_mnuHelpHomePage->addAction(target);
    }
}

void TfrmMain::SetCommandList()
{
    // Only the fixed items (separator mnuTB1 and the setup command) until user commands are
    // read from their documents.
    const QList<QAction *> items = m_mnuCommandMenu->actions();
    for (QAction *item : items) {
        if (item->objectName() != QLatin1String("mnuTB1")
            && item->objectName() != QLatin1String("actToolCommandSetup"))
            m_mnuCommandMenu->removeAction(item);
    }
}

void TfrmMain::SetReportList()
{
    const QList<QAction *> items = m_mnuReportMenu->actions();
    for (QAction *item : items) {
        if (item->objectName() != QLatin1String("mnuTB2")
            && item->objectName() != QLatin1String("actToolReportSetup"))
            m_mnuReportMenu->removeAction(item);
    }
}

void TfrmMain::mnuDisplayClick()
{
    const bool any = m_cmbDBName->count() > 0;
    for (const char *name : { "mnuDispList", "mnuDispReport", "mnuReload" }) {
        if (QAction *item = findChild<QAction *>(QString::fromLatin1(name)))
            item->setEnabled(any);
    }
    const QList<QAction *> bars = m_mnuToolbar->actions();
    for (QAction *item : bars) {
        const char *bar = fmain::toolBarOfTag(item->property("Tag").toInt());
        if (bar) {
            if (auto *toolBar = findChild<QToolBar *>(QString::fromLatin1(bar)))
                item->setChecked(!toolBar->isHidden());
        }
    }
    auto check = [this](const char *name, const QWidget *widget) {
        if (QAction *item = findChild<QAction *>(QString::fromLatin1(name))) {
            const QSignalBlocker quiet(item);
            item->setChecked(!widget->isHidden());
        }
    };
    check("mnuWorkSpace", m_lstWorkSpace);
    check("mnuTaskBar", m_scrTask);
    check("mnuStsbar", m_stsMain);
}

void TfrmMain::mnuToolClick(QAction *item)
{
    const int tag = item->property("Tag").toInt();
    if (tag == 6) {
        item->setChecked(false);
        if (ShowMessageBox(QStringLiteral("ツールバーの位置を初期化します。よろしいですか？"),
                           MB_YESNO | MB_ICONINFORMATION)
            == IDYES)
            ResetToolBars();
        return;
    }
    const char *bar = fmain::toolBarOfTag(tag);
    if (!bar)
        return;
    if (auto *toolBar = findChild<QToolBar *>(QString::fromLatin1(bar)))
        toolBar->setVisible(item->isChecked());
}

void TfrmMain::ResetToolBars()
{
    // Back to the three rows of the start: database and edit; tools, administration and
    // tools 2; new objects.
    for (QToolBar *bar : std::as_const(m_toolBars))
        removeToolBar(bar);
    for (int b = 0; b < MainToolBarDefCount; ++b) {
        QToolBar *bar = m_toolBars.at(b);
        if (MainToolBarDefs[b].lineBreakBefore)
            addToolBarBreak(Qt::TopToolBarArea);
        dockToolBar(bar); // a floating bar docks back
    }
}

QMenu *TfrmMain::createPopupMenu()
{
    // The caller deletes the menu; the entries stay those of the View menu.
    auto *menu = new QMenu(this);
    mnuDisplayClick();
    menu->addActions(m_mnuToolbar->actions());
    return menu;
}

void TfrmMain::mnuWindowShow()
{
    for (QAction *item : std::as_const(m_windowItems)) {
        m_mnuWindow->removeAction(item);
        item->deleteLater();
    }
    m_windowItems.clear();
    const QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
    if (subs.isEmpty())
        return;
    m_windowItems.append(m_mnuWindow->addSeparator());
    int number = 1;
    for (QMdiSubWindow *sub : subs) {
        QAction *item = m_mnuWindow->addAction(
            (number < 10 ? QStringLiteral("&%1 ").arg(number) : QStringLiteral("%1 ").arg(number))
            + sub->windowTitle());
        ++number;
        item->setCheckable(true);
        item->setChecked(sub == m_mdi->activeSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(item, &QAction::triggered, this, [this, target] {
            if (target)
                ShowChildWindow(target->widget());
        });
        m_windowItems.append(item);
    }
}

void TfrmMain::subWindowActivated(QMdiSubWindow *window)
{
    const bool changed = window && window != m_lastActive && !m_closing;
    if (changed) {
        // The child that comes to the front when a maximized one goes takes its place,
        // maximized. (Between children that stay, the work area hands the state on itself.)
        const bool previousGone
            = !m_lastActive || !m_lastActive->widget() || !m_lastActive->widget()->isVisible();
        if (previousGone && m_lastActiveMaximized && !window->isMaximized())
            window->showMaximized();
        m_lastActive = window;
        m_lastActiveMaximized = window->isMaximized();
    }
    if (window) {
        if (auto *form = qobject_cast<TqvForm *>(window->widget()))
            RunGuarded([form] { form->Activate(); });
    }
    if (changed) {
        // The message panel speaks of the window in front: a connection window's object count,
        // nothing for the others. The same window coming back (after a dialog) keeps the text.
        if (dynamic_cast<ConnectionWindow *>(window->widget()))
            SetDefMessage();
        else
            SetStatusText(QString());
    }
    if (!m_closing) {
        // Without an active child (the program in the background) the one in front keeps its
        // menus in the bar.
        QMdiSubWindow *front = window ? window : m_mdi->currentSubWindow();
        MergeChildMenus(front ? front->widget() : nullptr);
        UpdateActions();
    }
}

void TfrmMain::MergeChildMenus(QWidget *child)
{
    for (const QPointer<QAction> &item : std::as_const(m_mergedItems)) {
        if (item)
            m_mnuMain->removeAction(item);
    }
    for (const QPointer<QAction> &item : std::as_const(m_replacedItems)) {
        if (item)
            item->setVisible(true);
    }
    m_mergedItems.clear();
    m_replacedItems.clear();
    const QList<QAction *> items = fmain::childMenuItems(child);
    for (QAction *item : items) {
        const int group = fmain::menuGroup(item, 2);
        QAction *before = nullptr;
        const QList<QAction *> bar = m_mnuMain->actions();
        for (QAction *own : bar) {
            if (m_mergedItems.contains(own))
                continue;
            const int ownGroup = fmain::menuGroup(own, 0);
            if (ownGroup == group && own->isVisible()) {
                own->setVisible(false);
                m_replacedItems << own;
            } else if (ownGroup > group && !before) {
                before = own;
            }
        }
        m_mnuMain->insertAction(before, item);
        m_mergedItems << item;
    }
}

void TfrmMain::popTaskPopup(const QPoint &pos)
{
    QWidget *under = m_tolTask->childAt(pos);
    while (under && under->parentWidget() != m_tolTask)
        under = under->parentWidget();
    if (under) {
        const QVariant tag = under->property("Tag");
        const QList<QToolButton *> buttons = m_tolTask->findChildren<QToolButton *>();
        for (QToolButton *button : buttons) {
            if (tag.isValid() && button->property("Tag") == tag) {
                button->click();
                break;
            }
        }
    }
    if (isVisible())
        m_popTask->popup(m_tolTask->mapToGlobal(pos));
}

void TfrmMain::mnuCloseWindowClick()
{
    if (QMdiSubWindow *sub = m_mdi->activeSubWindow())
        sub->close();
}
