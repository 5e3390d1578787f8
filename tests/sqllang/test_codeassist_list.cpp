// The completion list on the offscreen platform, opened by the editor's own requests: filtering
// while the user types, the lazy rows, closing at the word's edges, accepting, placement, and
// the quoting of what it inserts.
#include "sqllang/qvmemo.h"
#include "sqllangtest.h"

#include "core/qvsub.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace calisttest {

// A window that opens a list of fixed candidates as the lookups do: the word after the last
// dot of the token is the typed word.
class Host : public QWidget, public TqvCodeAssistOwner
{
public:
    explicit Host(int width = 500)
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        editor = new TqvMemo(this);
        layout->addWidget(editor);
        resize(width, 300);
    }
    void WMCodeAssist(TqvMemo *e, int x, int y) override
    {
        ++requests;
        lastX = x;
        auto *list = new TqvCodeAssist(e, this, x, y);
        e->SetCodeAssist(list);
        list->SetColumns(QStringLiteral("オブジェクト名"), QStringLiteral("タイプ"));
        for (const QString &c : std::as_const(candidates))
            list->AddCandidate(c, QStringLiteral("TABLE"), 45);
        const QString token = e->GetCodeAssistToken();
        const QString word = token.mid(token.lastIndexOf(u'.') + 1);
        if (!word.isEmpty())
            list->SetBuffer(word.toUpper());
        list->ShowItems();
        if (list->RowCount() == 1)
            list->Accept();
        else
            list->Popup();
    }
    TqvCodeAssist *list() const { return qobject_cast<TqvCodeAssist *>(editor->CodeAssist()); }
    QStringList rows() const
    {
        QStringList out;
        if (TqvCodeAssist *l = list()) {
            for (int r = 0; r < l->RowCount(); ++r)
                out << l->CaptionListW.at(r);
        }
        return out;
    }

    TqvMemo *editor;
    QStringList candidates;
    int requests = 0;
    int lastX = 0;
};

void start(Host &host, const QString &text)
{
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    host.activateWindow();
    host.editor->setFocus();
    host.editor->setText(text);
    host.editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
}

void type(Host &host, const QString &text)
{
    QTest::keyClicks(host.editor, text);
}

void key(Host &host, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(host.editor, k, mods);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(TqvCodeAssist, PrefixKeepsCandidateOrder)
{
    Host host;
    host.candidates = { "EMPLOYEES", "emp_hist", "department" };
    start(host, "SELECT * FROM emp");
    key(host, Qt::Key_F6);
    EXPECT_EQ(host.rows(), (QStringList { "EMPLOYEES", "emp_hist" }));
    ASSERT_NE(host.list(), nullptr);
    EXPECT_TRUE(host.list()->isVisible());
    EXPECT_EQ(host.list()->currentIndex().row(), 0);
    EXPECT_TRUE(host.editor->hasFocus());
}

TEST(TqvCodeAssist, RowsComeLazily)
{
    Host host;
    for (int k = 0; k < 250; ++k)
        host.candidates << QStringLiteral("t%1").arg(k, 3, 10, QLatin1Char('0'));
    start(host, "SELECT * FROM ");
    key(host, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_NE(host.list(), nullptr);
    EXPECT_EQ(host.list()->RowCount(), 100);
    key(host, Qt::Key_PageDown);
    EXPECT_EQ(host.list()->RowCount(), 108);
    key(host, Qt::Key_Down);
    EXPECT_EQ(host.list()->RowCount(), 109);
    key(host, Qt::Key_End);
    EXPECT_EQ(host.list()->RowCount(), 250);
    EXPECT_EQ(host.list()->currentIndex().row(), 249);
    EXPECT_EQ(host.editor->text(), "SELECT * FROM ");
}

TEST(TqvCodeAssist, TypingNarrowsAndBackspaceWidens)
{
    Host host;
    host.candidates = { "emp_a", "emp_b", "dept" };
    start(host, "FROM ");
    key(host, Qt::Key_F6);
    EXPECT_EQ(host.rows().size(), 3);
    type(host, "emp_");
    EXPECT_EQ(host.rows(), (QStringList { "emp_a", "emp_b" }));
    type(host, "B");
    EXPECT_EQ(host.rows(), QStringList { "emp_b" });
    EXPECT_EQ(host.editor->text(), "FROM emp_B");
    key(host, Qt::Key_Backspace);
    EXPECT_EQ(host.rows(), (QStringList { "emp_a", "emp_b" }));
    EXPECT_EQ(host.editor->text(), "FROM emp_");
}

TEST(TqvCodeAssist, EdgesOfTheWordClose)
{
    struct Case
    {
        const char *name;
        Qt::Key key;
        const char *text; // the editor's text afterwards
        int caret; // its caret afterwards
    };
    const Case cases[] = {
        { "backspace deletes the dot", Qt::Key_Backspace, "sales", 5 },
        { "left moves before the dot", Qt::Key_Left, "sales.", 5 },
        { "right at the end", Qt::Key_Right, "sales.", 6 },
        { "esc keeps the text", Qt::Key_Escape, "sales.", 6 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        host.candidates = { "orders", "customer" };
        start(host, "sales");
        type(host, ".");
        ASSERT_NE(host.list(), nullptr);
        key(host, c.key);
        EXPECT_EQ(host.list(), nullptr);
        EXPECT_EQ(host.editor->text(), c.text);
        int line = 0;
        int index = 0;
        host.editor->getCursorPosition(&line, &index);
        EXPECT_EQ(index, c.caret);
    }
}

TEST(TqvCodeAssist, AcceptReplacesTheWholeWord)
{
    struct Case
    {
        const char *name;
        Qt::Key accept;
        const char *after;
        bool nextList;
    };
    const Case cases[] = {
        { "enter adds nothing", Qt::Key_Return, "FROM employees", false },
        { "tab follows", Qt::Key_Tab, "FROM employees\t", false },
        { "dot follows and asks again", Qt::Key_Period, "FROM employees.", true },
        { "comma follows", Qt::Key_Comma, "FROM employees,", false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Host host;
        host.candidates = { "employees", "emp_hist" };
        start(host, "FROM ");
        key(host, Qt::Key_F6);
        type(host, "emp");
        key(host, Qt::Key_Left); // inside the word
        ASSERT_NE(host.list(), nullptr);
        EXPECT_EQ(host.rows().size(), 2);
        key(host, c.accept);
        EXPECT_EQ(host.editor->text(), c.after);
        EXPECT_EQ(host.requests, c.nextList ? 2 : 1);
        EXPECT_EQ(host.list() != nullptr, c.nextList);
    }
}

TEST(TqvCodeAssist, InsertsQuotedUnlessReserved)
{
    const QStringList saved = ReserveWordList;
    ReserveWordList = QStringList { "SELECT", "USER" };
    struct Case
    {
        const char *typed;
        int down; // rows to move down before accepting
        const char *after;
    };
    const Case cases[] = {
        { "Order_", 0, "x \"Order_Items\"" }, // upper-case letters need quotes
        { "order_", 1, "x order_items" },
        { "SEL", 0, "x SELECT" }, // a reserved word of the user's list goes in bare
        { "us", 0, "x \"user\"" }, // a table named user; the list's word is USER
        { "a", 0, "x \"a b\"" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        Host host;
        host.candidates = { "Order_Items", "order_items", "SELECT", "user", "a b" };
        start(host, "x ");
        key(host, Qt::Key_F6);
        type(host, c.typed);
        for (int k = 0; k < c.down; ++k)
            key(host, Qt::Key_Down);
        key(host, Qt::Key_Return);
        EXPECT_EQ(host.editor->text(), c.after);
    }
    ReserveWordList = saved;
}

TEST(TqvCodeAssist, SingleCandidateGoesInAtOnce)
{
    Host host;
    host.candidates = { "employees", "department" };
    start(host, "FROM empl");
    key(host, Qt::Key_F6);
    EXPECT_EQ(host.list(), nullptr);
    EXPECT_EQ(host.editor->text(), "FROM employees");
}

TEST(TqvCodeAssist, CtrlBlankAndDoubleClick)
{
    Host host;
    host.candidates = { "employees", "department" };
    start(host, "FROM ");
    key(host, Qt::Key_F6);
    key(host, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_NE(host.list(), nullptr);
    EXPECT_EQ(host.editor->text(), "FROM ");
    EXPECT_EQ(host.requests, 1);

    TqvCodeAssist *list = host.list();
    const QRect second = list->visualRect(list->model()->index(1, 0));
    ASSERT_TRUE(second.isValid()) << list->isVisible() << " " << list->viewport()->height();
    // a double click on the platform: press, release, then the second press as a double click
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    QMouseEvent dbl(QEvent::MouseButtonDblClick, second.center(),
                    list->viewport()->mapToGlobal(second.center()), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &dbl);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(host.list(), nullptr);
    EXPECT_EQ(host.editor->text(), "FROM department");
}

TEST(TqvCodeAssist, PlacementAndSize)
{
    struct Case
    {
        const char *name;
        int editorWidth;
        int rememberedWidth;
        QString text;
        int width;
        int height;
        bool movedLeft;
    };
    const Case cases[] = {
        { "room enough", 600, 256, "x", 256, 150, false },
        { "right edge", 600, 256, QString(60, u'x'), 256, 150, true },
        { "narrow editor", 150, 256, "", 200, 150, true },
        { "narrower than remembered", 300, 400, "", 300, 150, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Host host(c.editorWidth);
        host.candidates = { "a1", "a2" };
        host.editor->CASize.Width = c.rememberedWidth;
        host.editor->CASize.Height = 180;
        start(host, c.text + " ");
        key(host, Qt::Key_F6);
        TqvCodeAssist *list = host.list();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->width(), c.width);
        const int editorWidth = host.editor->width();
        const int d = host.lastX + c.width - editorWidth + 30;
        EXPECT_EQ(d > 0, c.movedLeft);
        EXPECT_EQ(list->height(), c.movedLeft ? 150 : 180);
        const int expectedLeft
            = host.editor->viewport()->mapToGlobal(QPoint(host.lastX - qMax(0, d), 0)).x();
        EXPECT_EQ(list->x(), expectedLeft);
        Q_UNUSED(c.height)
    }
}

TEST(TqvCodeAssist, CloseKeepsSizeAndColumns)
{
    Host host;
    host.candidates = { "a1", "a2" };
    start(host, "FROM ");
    key(host, Qt::Key_F6);
    TqvCodeAssist *list = host.list();
    ASSERT_NE(list, nullptr);
    list->resize(320, 210);
    list->header()->resizeSection(0, 140);
    key(host, Qt::Key_Escape);
    EXPECT_EQ(host.editor->CASize.Width, 320);
    EXPECT_EQ(host.editor->CASize.Height, 210);
    EXPECT_EQ(host.editor->CASize.ColumnWidth[0], 140);
}

TEST(QuoteCaption, Table)
{
    struct Case
    {
        const char *caption;
        const char *written;
    };
    const Case cases[] = {
        { "order_items", "order_items" },
        { "Order_Items", "\"Order_Items\"" },
        { "1abc", "\"1abc\"" },
        { "a.b", "\"a.b\"" },
        { "$x", "\"$x\"" },
        { "x$1", "x$1" },
        { "user", "\"user\"" },
        { "a b", "\"a b\"" },
        { "a@b", "\"a@b\"" },
        { "a-b", "\"a-b\"" },
        { "say\"hi", "\"say\"\"hi\"" },
        { "\"Orders\"", "\"\"\"Orders\"\"\"" }, // a name that holds quotes is quoted once
        { "顧客", "顧客" },
        { " pad", "\" pad\"" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(TqvCodeAssist::QuoteCaption(QString::fromUtf8(c.caption)),
                  QString::fromUtf8(c.written));
    }
}

} // namespace calisttest
