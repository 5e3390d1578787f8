#include "rcross.h"

#include "core/qvappwindows.h"
#include "core/qvcancel.h"
#include "core/qvmsgbox.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"
#include "ui/qvimages.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace rcross {

constexpr int versionMaterializedViews = 90300;
constexpr int versionAggregates = 90400;
constexpr int imageOpen = 17;

void setExpandedBelow(QTreeWidgetItem *node, bool expanded)
{
    node->setExpanded(expanded);
    for (int i = 0; i < node->childCount(); ++i)
        setExpandedBelow(node->child(i), expanded);
}

} // namespace rcross

TfraCross::TfraCross(QObject *AOwner, QWidget *parent)
    : QWidget(parent)
    , FOwner(AOwner)
{
    setObjectName(QStringLiteral("fraCross"));
    setupUi();
    FrameResize();
}

QToolButton *TfraCross::addKindButton(const QString &name, const QString &hint, int code)
{
    auto *button = new QToolButton(pnlTree1Obj);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(MainImage(code));
    button->setCheckable(true);
    button->setChecked(true);
    button->setAutoRaise(true);
    pnlTree1Obj->addWidget(button);
    m_kindButtons << KindButton { button, code };
    return button;
}

TqvTreeView *TfraCross::makeTree(QWidget *panel, const QString &name)
{
    auto *tree = new TqvTreeView(panel);
    tree->setObjectName(name);
    tree->setSections({});
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setExpandsOnDoubleClick(false);
    connect(tree, &QWidget::customContextMenuRequested, this,
            [this, tree](const QPoint &pos) { showPopup(tree, pos); });
    connect(tree, &QTreeWidget::itemDoubleClicked, this, [this, tree] {
        tree->setFocus(Qt::MouseFocusReason);
        popOpenClick();
    });
    return tree;
}

void TfraCross::setupUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnlTop = new QWidget(this);
    pnlTop->setObjectName(QStringLiteral("pnlTop"));
    pnlTop->setFixedHeight(53);
    auto *topLayout = new QHBoxLayout(pnlTop);
    topLayout->setContentsMargins(2, 0, 2, 2);
    grpShowObject = new QGroupBox(QStringLiteral(" 表示対象オブジェクト "), pnlTop);
    grpShowObject->setObjectName(QStringLiteral("grpShowObject"));
    auto *groupLayout = new QHBoxLayout(grpShowObject);
    groupLayout->setContentsMargins(4, 0, 4, 0);
    pnlTree1Obj = new QToolBar(grpShowObject);
    pnlTree1Obj->setObjectName(QStringLiteral("pnlTree1Obj"));
    pnlTree1Obj->setIconSize(QSize(16, 16));
    groupLayout->addWidget(pnlTree1Obj);
    topLayout->addWidget(grpShowObject);
    layout->addWidget(pnlTop);

    btnTree1Table = addKindButton(QStringLiteral("btnTree1Table"), QStringLiteral("テーブル"),
                                  ObjType::Table);
    btnTree1Index = addKindButton(QStringLiteral("btnTree1Index"), QStringLiteral("インデックス"),
                                  ObjType::Index);
    btnTree1View
        = addKindButton(QStringLiteral("btnTree1View"), QStringLiteral("ビュー"), ObjType::View);
    btnTree1Func = addKindButton(QStringLiteral("btnTree1Func"), QStringLiteral("ファンクション"),
                                 ObjType::Function);
    btnTree1Type
        = addKindButton(QStringLiteral("btnTree1Type"), QStringLiteral("タイプ"), ObjType::Type);
    btnTree1Trigger = addKindButton(QStringLiteral("btnTree1Trigger"), QStringLiteral("トリガー"),
                                    ObjType::Trigger);
    btnTree1Seq = addKindButton(QStringLiteral("btnTree1Seq"), QStringLiteral("シーケンス"),
                                ObjType::Sequence);
    btnTree1MView
        = addKindButton(QStringLiteral("btnTree1MView"), QStringLiteral("マテリアライズドビュー"),
                        ObjType::MaterializedView);
    btnTree1Rule
        = addKindButton(QStringLiteral("btnTree1Rule"), QStringLiteral("ルール"), ObjType::Rule);
    btnTree1Agrg = addKindButton(QStringLiteral("btnTree1Agrg"), QStringLiteral("集約関数"),
                                 ObjType::Aggregate);
    btnTree1Proc = addKindButton(QStringLiteral("btnTree1Proc"), QStringLiteral("プロシージャ"),
                                 ObjType::Procedure);
    btnTree1Pack = addKindButton(QStringLiteral("btnTree1Pack"), QStringLiteral("パッケージ"),
                                 ObjType::Package);
    btnTree1PackB = addKindButton(QStringLiteral("btnTree1PackB"),
                                  QStringLiteral("パッケージボディ"), ObjType::PackageBody);

    splTree = new QSplitter(Qt::Horizontal, this);
    splTree->setObjectName(QStringLiteral("splTree"));
    splTree->setChildrenCollapsible(false);
    auto makePanel = [this](const QString &name, const QString &topName, const QString &caption,
                            QLabel *&top) {
        auto *panel = new QWidget(splTree);
        panel->setObjectName(name);
        auto *panelLayout = new QVBoxLayout(panel);
        panelLayout->setContentsMargins(0, 0, 0, 0);
        panelLayout->setSpacing(0);
        top = new QLabel(caption, panel);
        top->setObjectName(topName);
        top->setFrameShape(QFrame::Panel);
        top->setFrameShadow(QFrame::Raised);
        top->setMinimumHeight(20);
        panelLayout->addWidget(top);
        splTree->addWidget(panel);
        return panel;
    };
    pnlTree1 = makePanel(QStringLiteral("pnlTree1"), QStringLiteral("pnlTree1Top"),
                         QStringLiteral(" 【 参　照 】"), pnlTree1Top);
    lstTree1 = makeTree(pnlTree1, QStringLiteral("lstTree1"));
    pnlTree1->layout()->addWidget(lstTree1);
    pnlTree2 = makePanel(QStringLiteral("pnlTree2"), QStringLiteral("pnlTree2Top"),
                         QStringLiteral(" 【 被参照 】"), pnlTree2Top);
    lstTree2 = makeTree(pnlTree2, QStringLiteral("lstTree2"));
    pnlTree2->layout()->addWidget(lstTree2);
    layout->addWidget(splTree, 1);

    popTree = new QMenu(this);
    popTree->setObjectName(QStringLiteral("popTree"));
    popOpen = popTree->addAction(MainImage(rcross::imageOpen),
                                 QStringLiteral("オブジェクト情報を表示"));
    popOpen->setObjectName(QStringLiteral("popOpen"));
    popB1 = popTree->addSeparator();
    popB1->setObjectName(QStringLiteral("popB1"));
    popExpand = popTree->addAction(QStringLiteral("開く"));
    popExpand->setObjectName(QStringLiteral("popExpand"));
    popCollapse = popTree->addAction(QStringLiteral("閉じる"));
    popCollapse->setObjectName(QStringLiteral("popCollapse"));
    popExpandAll = popTree->addAction(QStringLiteral("全て開く"));
    popExpandAll->setObjectName(QStringLiteral("popExpandAll"));
    popCollapseAll = popTree->addAction(QStringLiteral("全て閉じる"));
    popCollapseAll->setObjectName(QStringLiteral("popCollapseAll"));
    connect(popOpen, &QAction::triggered, this, &TfraCross::popOpenClick);
    connect(popExpand, &QAction::triggered, this, &TfraCross::popExpandClick);
    connect(popCollapse, &QAction::triggered, this, &TfraCross::popCollapseClick);
    connect(popExpandAll, &QAction::triggered, this, &TfraCross::popExpandAllClick);
    connect(popCollapseAll, &QAction::triggered, this, &TfraCross::popCollapseAllClick);
    connect(popTree, &QMenu::aboutToShow, this, &TfraCross::popTreePopup);
}

void TfraCross::FrameResize()
{
    const int half = qMax(0, (width() - splTree->handleWidth()) / 2);
    splTree->setSizes({ half, qMax(0, width() - splTree->handleWidth() - half) });
}

void TfraCross::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FrameResize();
}

void TfraCross::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    FrameResize();
}

QSet<int> TfraCross::HiddenKinds() const
{
    QSet<int> hidden;
    for (const KindButton &kind : m_kindButtons) {
        if (!kind.Button->isChecked())
            hidden.insert(kind.Code);
    }
    return hidden;
}

TCrossObject TfraCross::NodeObject(const QTreeWidgetItem *node)
{
    if (!node)
        return TCrossObject();
    return node->data(0, Qt::UserRole).value<TCrossObject>();
}

void TfraCross::fillTree(TqvTreeView *tree, QTreeWidgetItem *parent, const TCrossNode &node)
{
    TqvTreeNode *item = tree->AddNode(parent, node.Object.Caption());
    item->setIcon(0, MainImage(node.Object.Code));
    item->setNodeData(QVariant::fromValue(node.Object));
    for (const TCrossNode &child : node.Children)
        fillTree(tree, item, child);
}

QString TfraCross::ShowData(const QString &Schema, const QString &ObjName, const QString &ObjTable,
                            const QString &ObjPalams, qint64 ObjectId)
{
    auto *host = qobject_cast<TqvForm *>(FOwner);
    if (!host || !host->OwnerForm())
        return QString();
    FOwnerForm = host->OwnerForm();
    FObjType = host->ObjType() == ObjType::PackageBody ? ObjType::Package : host->ObjType();

    // A hidden button keeps its state and so still filters.
    const int version = FOwnerForm->DBVer();
    btnTree1MView->setVisible(version >= rcross::versionMaterializedViews);
    btnTree1Agrg->setVisible(version >= rcross::versionAggregates);

    SQLWaitCursor wait;
    lstTree1->clear();
    lstTree2->clear();
    lstTree1->setUpdatesEnabled(false);
    lstTree2->setUpdatesEnabled(false);
    TCrossNode uses;
    TCrossNode usedBy;
    bool haveRoot = false;
    bool cancelled = false;
    // The trees show whatever was read, also when a statement fails or Esc stops the load.
    auto show = [&] {
        if (haveRoot) {
            fillTree(lstTree1, nullptr, uses);
            fillTree(lstTree2, nullptr, usedBy);
            lstTree1->expandAll();
            lstTree2->expandAll();
        }
        lstTree1->setUpdatesEnabled(true);
        lstTree2->setUpdatesEnabled(true);
    };
    try {
        CancelGuard guard;
        TCrossLoader loader(*FOwnerForm->dbsMain(), version, FOwnerForm->g_bPostgresPlus());
        loader.setHiddenKinds(HiddenKinds());
        if (m_cancelPoll)
            loader.setCancelPoll(m_cancelPoll);
        const TCrossObject root
            = loader.FindObject(FObjType, Schema, ObjName, ObjTable, ObjPalams, ObjectId);
        uses.Object = root;
        usedBy.Object = root;
        haveRoot = true;
        const int depth = AppOption.CrossLevel;
        loader.Load(uses, TCrossDirection::Uses, depth);
        if (!loader.Cancelled())
            loader.Load(usedBy, TCrossDirection::UsedBy, depth);
        cancelled = loader.Cancelled() || guard.cancelled();
    } catch (...) {
        show();
        throw;
    }
    show();
    if (cancelled)
        ShowMessageBox(QStringLiteral("依存関係の読み込みを中断しました。"
                                      "途中までに読み込んだオブジェクトを表示しています。"),
                       MB_OK | MB_ICONINFORMATION);
    return QString();
}

TqvTreeView *TfraCross::ActiveTree() const
{
    QWidget *focus = QApplication::focusWidget();
    for (TqvTreeView *tree : { lstTree1, lstTree2 }) {
        if (focus == tree && tree->Selected())
            return tree;
    }
    return nullptr;
}

void TfraCross::popOpenClick()
{
    TqvTreeView *tree = ActiveTree();
    if (!tree || !FOwnerForm)
        return;
    QTreeWidgetItem *node = tree->Selected();
    // The root is the host's own object.
    if (!node->parent())
        return;
    const TCrossObject object = NodeObject(node);
    const TCrossObject parent = NodeObject(node->parent());
    const TOpenMode mode = AppOption.OpenMode;
    const bool routine = object.Code == ObjType::Function || object.Code == ObjType::Procedure
        || object.Code == ObjType::Aggregate;
    if (routine && parent.Code == ObjType::Package) {
        // A member of a package opens the package body.
        FOwnerForm->OpenObject(ObjType::PackageBody, parent.Schema, parent.Name, mode, 0);
    } else if (object.Code == ObjType::PackageBody) {
        FOwnerForm->OpenObject(ObjType::PackageBody, object.Schema, object.Table, mode, 0);
    } else if (object.Code == ObjType::Trigger || object.Code == ObjType::Rule) {
        FOwnerForm->OpenObject(object.Code, object.Schema, object.Name, mode, 0, object.Oid,
                               object.Table);
    } else {
        FOwnerForm->OpenObject(object.Code, object.Schema, object.Name, mode, 0, object.Oid);
    }
}

void TfraCross::popExpandClick()
{
    if (TqvTreeView *tree = ActiveTree())
        tree->Selected()->setExpanded(true);
}

void TfraCross::popCollapseClick()
{
    if (TqvTreeView *tree = ActiveTree())
        tree->Selected()->setExpanded(false);
}

void TfraCross::popExpandAllClick()
{
    if (TqvTreeView *tree = ActiveTree())
        rcross::setExpandedBelow(tree->Selected(), true);
}

void TfraCross::popCollapseAllClick()
{
    if (TqvTreeView *tree = ActiveTree())
        rcross::setExpandedBelow(tree->Selected(), false);
}

void TfraCross::popTreePopup()
{
    if (TqvTreeView *tree = ActiveTree())
        tree->setCurrentItem(tree->Selected());
}

void TfraCross::showPopup(TqvTreeView *tree, const QPoint &pos)
{
    if (QTreeWidgetItem *item = tree->itemAt(pos))
        tree->setCurrentItem(item);
    tree->setFocus(Qt::PopupFocusReason);
    popTree->popup(tree->viewport()->mapToGlobal(pos));
}
