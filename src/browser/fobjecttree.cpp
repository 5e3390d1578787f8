// The object tree of the connection window: the database, its schemas and the object kinds.
#include "fobject.h"
#include "fproject.h"

#include "core/qvname.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"

#include <QButtonGroup>

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace fobjecttree {

constexpr int rootImage = 1;
constexpr int schemaImage = 4;
constexpr int loginSchemaImage = 126;
constexpr int firstKind = 45;
constexpr int lastKind = 128;
constexpr int synonymKind = 60;
constexpr int changeDelayMs = 50;

QToolButton *checkButton(QToolBar *bar, const char *name, const QString &hint, int image)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setIcon(MainImage(image));
    button->setCheckable(true);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

TqvTreeNode *addNode(TqvTreeView *tree, QTreeWidgetItem *parent, const QString &text, int image)
{
    TqvTreeNode *node = tree->AddNode(parent, text);
    node->setIcon(0, MainImage(image));
    node->setData(0, TreeImageRole, image);
    return node;
}

void setImage(QTreeWidgetItem *node, int image)
{
    node->setIcon(0, MainImage(image));
    node->setData(0, TreeImageRole, image);
}

} // namespace fobjecttree

bool TreeKindVisible(int code, const TqvOption &option, int dbVer, bool postgresPlus)
{
    switch (code) {
    case 45:
        return option.ShowTable;
    case 46:
        return option.ShowIndex;
    case 47:
        return option.ShowView;
    case 51:
        return option.ShowProc && (postgresPlus || dbVer >= 110000);
    case 52:
        return option.ShowFunc;
    case 53:
        return option.ShowPack && postgresPlus;
    case 55:
        return option.ShowType;
    case 57:
        return option.ShowTrigger;
    case 58:
        return option.ShowSeq;
    case 60:
        return option.ShowSynonym && postgresPlus;
    case 61:
        return option.ShowMView && dbVer >= 90300;
    case 66:
        return option.ShowConst;
    case 127:
        return option.ShowRule;
    case 128:
        return option.ShowAgrg && dbVer >= 90400;
    default:
        return false;
    }
}

bool TreeSchemaAdmits(const QString &schema, int code)
{
    if (schema == QLatin1String("pg_temp"))
        return code == 45;
    if (schema == QLatin1String("pg_toast") || schema == QLatin1String("pg_toast_temp"))
        return code == 45 || code == 46;
    return true;
}

QString ObjectTreeKey(const QString &database)
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\OBJECTTREE\\") + database;
}

void TfrmObject::setupTreeUi(QLayout *treeLayout)
{
    using namespace fobjecttree;
    pnlTool = new QToolBar(pnlTree);
    pnlTool->setObjectName(QStringLiteral("pnlTool"));
    pnlTool->setIconSize(QSize(16, 16));
    btnTree1
        = checkButton(pnlTool, "btnTree1", QStringLiteral("スキーマ→オブジェクト順に表示"), 75);
    btnTree2
        = checkButton(pnlTool, "btnTree2", QStringLiteral("オブジェクト→スキーマ順に表示"), 76);
    auto *order = new QButtonGroup(pnlTool);
    order->setExclusive(true);
    order->addButton(btnTree1);
    order->addButton(btnTree2);
    btnTree1->setChecked(true);
    pnlTool->addSeparator();
    btnLevel0 = checkButton(pnlTool, "btnLevel0",
                            QStringLiteral("データベース選択時にオブジェクト一覧を表示する"), 94);
    btnLevel1 = checkButton(pnlTool, "btnLevel1",
                            QStringLiteral("スキーマ選択時に従属オブジェクトを表示する"), 95);
    lblTree = new QLabel(QStringLiteral(" 表示 "), pnlTool);
    lblTree->setObjectName(QStringLiteral("lblTree"));
    pnlTool->addWidget(lblTree);
    cmbTree = new QComboBox(pnlTool);
    cmbTree->setObjectName(QStringLiteral("cmbTree"));
    cmbTree->addItems({ QStringLiteral("すべてのスキーマ"), QStringLiteral("ログインスキーマ"),
                        QStringLiteral("設定") });
    pnlTool->addWidget(cmbTree);
    treeLayout->addWidget(pnlTool);

    lstTree = new TqvTreeView(pnlTree);
    lstTree->setObjectName(QStringLiteral("lstTree"));
    lstTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTree->setContextMenuPolicy(Qt::CustomContextMenu);
    treeLayout->addWidget(lstTree);

    tmrTreeChange = new QTimer(this);
    tmrTreeChange->setObjectName(QStringLiteral("tmrTreeChange"));
    tmrTreeChange->setSingleShot(true);
    tmrTreeChange->setInterval(changeDelayMs);
    connect(tmrTreeChange, &QTimer::timeout, this,
            [this] { RunGuarded([this] { lstTreeChange(); }); });
    connect(lstTree, &QTreeWidget::currentItemChanged, tmrTreeChange, qOverload<>(&QTimer::start));
    // A right click selects the node under the mouse before its menu opens.
    connect(lstTree, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *node = lstTree->itemAt(pos))
            lstTree->setCurrentItem(node);
    });
    connect(cmbTree, qOverload<int>(&QComboBox::activated), this,
            [this] { RunGuarded([this] { cmbTreeChange(); }); });
    connect(btnTree1, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnTreeClick(0); }); });
    connect(btnTree2, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnTreeClick(1); }); });
}

QString TfrmObject::LoginSchema() const
{
    return DequoteName(m_dbsMain->param(QStringLiteral("MetaDefSchema")));
}

void TfrmObject::ShowTree()
{
    using namespace fobjecttree;
    QStringList schemas = GetSchemaInfo(true);
    std::sort(schemas.begin(), schemas.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    const QString login = LoginSchema();
    if (AppOption.UserFirst) {
        const auto found = std::find_if(schemas.cbegin(), schemas.cend(), [&](const QString &s) {
            return s.compare(login, Qt::CaseInsensitive) == 0;
        });
        if (found != schemas.cend()) {
            const qsizetype at = found - schemas.cbegin();
            schemas.removeAt(at);
            schemas.prepend(login);
        }
    }
    const QString database = m_dbsMain->param(QStringLiteral("Database"));
    const QStringList shown = TfrmProject::DisplaySchemas(database);

    auto passes = [&](const QString &schema) {
        if (Disp == 1)
            return schema == login;
        if (Disp == 2 && !shown.isEmpty())
            return shown.contains(schema, Qt::CaseInsensitive);
        return true;
    };
    QList<int> kinds;
    for (int code = firstKind; code <= lastKind; ++code) {
        if (TreeKindVisible(code, AppOption, m_dbVer, m_postgresPlus))
            kinds << code;
    }

    // No change notice while the tree is rebuilt: the list keeps its rows until the user
    // selects a node.
    struct Rebuild
    {
        TfrmObject *window;
        QSignalBlocker block;
        explicit Rebuild(TfrmObject *w)
            : window(w)
            , block(w->lstTree)
        {
            window->lstTree->setUpdatesEnabled(false);
        }
        ~Rebuild()
        {
            window->tmrTreeChange->stop();
            window->lstTree->setUpdatesEnabled(true);
        }
    } rebuild(this);
    lstTree->clear();

    const QString instance = m_dbsMain->param(QStringLiteral("Instance"));
    TqvTreeNode *root = addNode(
        lstTree, nullptr,
        instance.isEmpty() ? database : database + QLatin1Char('(') + instance + QLatin1Char(')'),
        rootImage);
    root->setExpanded(true);
    if (btnTree2->isChecked()) {
        for (int code : std::as_const(kinds)) {
            TqvTreeNode *kind = addNode(lstTree, root, GetObjectTypeName(code), code);
            for (const QString &schema : std::as_const(schemas)) {
                if (passes(schema) && TreeSchemaAdmits(schema, code))
                    addNode(lstTree, kind, schema,
                            schema == login ? loginSchemaImage : schemaImage);
            }
            if (code == synonymKind
                && shown.contains(QStringLiteral("PUBLIC"), Qt::CaseInsensitive))
                addNode(lstTree, kind, QStringLiteral("PUBLIC"), schemaImage);
        }
        lstTree->setCurrentItem(root);
    } else {
        for (const QString &schema : std::as_const(schemas)) {
            if (!passes(schema))
                continue;
            TqvTreeNode *node = addNode(lstTree, root, schema, schemaImage);
            for (int code : std::as_const(kinds)) {
                if (TreeSchemaAdmits(schema, code))
                    addNode(lstTree, node, GetObjectTypeName(code), code);
            }
            if (schema == login) {
                setImage(node, loginSchemaImage);
                if (!lstTree->currentItem()) {
                    node->setExpanded(true);
                    lstTree->setCurrentItem(node);
                    lstTree->scrollToItem(node, QAbstractItemView::PositionAtTop);
                }
            }
        }
    }
    setImage(root, rootImage);
}

void TfrmObject::cmbTreeChange()
{
    const int index = cmbTree->currentIndex();
    if (index == 2 && !TfrmProject::ShowWindow(this)) {
        const QSignalBlocker block(cmbTree);
        cmbTree->setCurrentIndex(Disp);
        return;
    }
    Disp = index;
    ShowTree();
}

void TfrmObject::btnTreeClick(int treeSort)
{
    AppOption.TreeSort = treeSort;
    ShowTree();
}

void TfrmObject::ApplyListOptions(bool rebuildTree)
{
    if (rebuildTree) {
        (AppOption.TreeSort == 1 ? btnTree2 : btnTree1)->setChecked(true);
        ShowTree();
    }
    pnlFind->setVisible(AppOption.Find);
    lstObject->setSelectionBehavior(AppOption.RowSelect ? QAbstractItemView::SelectRows
                                                        : QAbstractItemView::SelectItems);
}

void TfrmObject::lstTreeChange()
{
    ShowObject(false);
}
