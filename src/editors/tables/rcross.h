#pragma once

#include "crossdep.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class ConnectionWindow;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class TqvTreeView;

// The dependency frame on the dependency page of a definition window: two trees side by side,
// on the left what the host's object refers to, on the right what refers to it, each read down
// to the depth of the option CrossLevel. The kind buttons above them leave kinds out at the
// next load; a node's pop-up menu or a double click opens that node's object in its own
// definition window through the owner connection window. Loading runs under the cancel guard:
// Esc stops it, keeps what was read and says so.
class TfraCross : public QWidget
{
    Q_OBJECT
public:
    // AOwner: the host window (a TqvForm); without one ShowData does nothing.
    TfraCross(QObject *AOwner, QWidget *parent);

    QWidget *pnlTop = nullptr;
    QGroupBox *grpShowObject = nullptr;
    QToolBar *pnlTree1Obj = nullptr;
    QToolButton *btnTree1Table = nullptr;
    QToolButton *btnTree1Index = nullptr;
    QToolButton *btnTree1View = nullptr;
    QToolButton *btnTree1Func = nullptr;
    QToolButton *btnTree1Type = nullptr;
    QToolButton *btnTree1Trigger = nullptr;
    QToolButton *btnTree1Seq = nullptr;
    QToolButton *btnTree1MView = nullptr;
    QToolButton *btnTree1Rule = nullptr;
    QToolButton *btnTree1Agrg = nullptr;
    QToolButton *btnTree1Proc = nullptr;
    QToolButton *btnTree1Pack = nullptr;
    QToolButton *btnTree1PackB = nullptr;
    QSplitter *splTree = nullptr;
    QWidget *pnlTree1 = nullptr;
    QLabel *pnlTree1Top = nullptr;
    TqvTreeView *lstTree1 = nullptr;
    QWidget *pnlTree2 = nullptr;
    QLabel *pnlTree2Top = nullptr;
    TqvTreeView *lstTree2 = nullptr;
    QMenu *popTree = nullptr;
    QAction *popOpen = nullptr;
    QAction *popB1 = nullptr;
    QAction *popExpand = nullptr;
    QAction *popCollapse = nullptr;
    QAction *popExpandAll = nullptr;
    QAction *popCollapseAll = nullptr;

    // Fills both trees for the host's object (kind: the host's object-type code): ObjTable is
    // the table of a trigger or rule, ObjPalams the argument types of a routine as
    // GetFuncArgTypes writes them, ObjectId its oid when the host knows it (-1: look it up by
    // name and arguments). An object that is not found gets its root node alone. A database
    // error reaches the caller; the trees keep what was read before it. Returns an empty text.
    QString ShowData(const QString &Schema, const QString &ObjName, const QString &ObjTable,
                     const QString &ObjPalams, qint64 ObjectId = -1);

    // Asked between the steps of a load, under the cancel guard; EscapePressed by default.
    void setCancelPoll(std::function<bool()> poll) { m_cancelPoll = std::move(poll); }

    // The object a node stands for (the root's included).
    static TCrossObject NodeObject(const QTreeWidgetItem *node);
    // The kinds whose buttons are up.
    QSet<int> HiddenKinds() const;
    // The tree the pop-up menu acts on: the focused tree when it has a selected node.
    TqvTreeView *ActiveTree() const;

    void FrameResize();
    void popOpenClick();
    void popExpandClick();
    void popCollapseClick();
    void popExpandAllClick();
    void popCollapseAllClick();
    void popTreePopup();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    struct KindButton
    {
        QToolButton *Button;
        int Code;
    };
    void setupUi();
    QToolButton *addKindButton(const QString &name, const QString &hint, int code);
    TqvTreeView *makeTree(QWidget *panel, const QString &name);
    void fillTree(TqvTreeView *tree, QTreeWidgetItem *parent, const TCrossNode &node);
    void showPopup(TqvTreeView *tree, const QPoint &pos);

    QObject *FOwner;
    ConnectionWindow *FOwnerForm = nullptr;
    int FObjType = 0;
    QList<KindButton> m_kindButtons;
    std::function<bool()> m_cancelPoll;
};
