// The SQL window's own menu and the height of its editor part kept under GUI\EXECSQL.
#include "sqlwintest.h"

#include "core/qvreg.h"
#include "core/qvsub.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>

#include <optional>

using namespace sqlwintest;

namespace layouttest {

const QString ExecSqlKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\EXECSQL");

class SqlLayoutTest : public SqlWinTest
{
protected:
    // Keeps the window's size and, when given, the editor part's height.
    static void keep(int height, std::optional<int> sqlHeight)
    {
        ASSERT_TRUE(AppRegistry->OpenKey(ExecSqlKey, true));
        AppRegistry->WriteInteger("Width", 700);
        AppRegistry->WriteInteger("Height", height);
        if (sqlHeight)
            AppRegistry->WriteInteger("SQLHeight", *sqlHeight);
        AppRegistry->CloseKey();
    }
    static int kept(const QString &name)
    {
        EXPECT_TRUE(AppRegistry->OpenKey(ExecSqlKey, false));
        const int value = AppRegistry->GetInteger(name, -1);
        AppRegistry->CloseKey();
        return value;
    }
    static void settle() { QCoreApplication::processEvents(); }
};

TEST_F(SqlLayoutTest, OwnMenuHoldsTheRunHistoryAndFileCommands)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    ASSERT_TRUE(w);
    QMenu *menu = w->findChild<QMenu *>("mnuSQL");
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu, w->mnuSQL);
    EXPECT_EQ(menu->title(), "SQL実行(&O)");
    QStringList items;
    for (QAction *a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items,
              QStringList({ "実行(&E)", "-", "前(&P)", "次(&N)", "履歴(&L)", "-", "開く(&O)",
                            "保存(&S)" }));
    // the window's own commands, with no keys of their own beyond their underlined letters
    const QList<QAction *> commands
        = { w->actExec, w->actPrev, w->actNext, w->actLog, w->actOpen, w->actSave };
    QList<QAction *> inMenu;
    for (QAction *a : menu->actions()) {
        if (!a->isSeparator()) {
            inMenu << a;
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
        }
    }
    EXPECT_EQ(inMenu, commands);

    // 実行 from the menu runs the editor's text
    w->txtSQL->setText("insert into t values (3, 'c')");
    menu->actions().first()->trigger();
    EXPECT_EQ(query("select v from t where id = 3"), "c");
}

TEST_F(SqlLayoutTest, EditorPartTakesTheKeptHeightCutToTheRoomBelowTheToolBar)
{
    struct Case
    {
        const char *name;
        int height; // the window's kept height
        std::optional<int> sqlHeight; // kept; none: a quarter of the room
    };
    const Case cases[] = {
        { "kept", 500, 150 },
        { "none kept", 500, std::nullopt },
        { "too high", 400, 5000 },
    };
    ASSERT_TRUE(open());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        keep(c.height, c.sqlHeight);
        QPointer<TfrmSQL> w = sqlWindow(nullptr);
        ASSERT_TRUE(w);
        settle();
        // the room below the tool bar when the window took its kept size
        const int room = c.height - w->tolCmd->height();
        const int shown = w->pnlSQL->height();
        if (!c.sqlHeight)
            EXPECT_EQ(shown, room / 4);
        else if (*c.sqlHeight <= room)
            EXPECT_EQ(shown, *c.sqlHeight);
        else // the results keep the least they need
            EXPECT_TRUE(shown <= room && shown > room / 2) << shown;
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(w);
        if (AppRegistry->OpenKey(ExecSqlKey, true)) {
            AppRegistry->DeleteValue("SQLHeight");
            AppRegistry->CloseKey();
        }
    }
}

TEST_F(SqlLayoutTest, EditorPartKeepsItsHeightWhenTheWindowGrowsAndIsKeptAtClose)
{
    ASSERT_TRUE(open());
    keep(500, 150);
    QPointer<TfrmSQL> w = sqlWindow(nullptr);
    ASSERT_TRUE(w);
    settle();
    auto *frame = qobject_cast<QMdiSubWindow *>(w->parentWidget());
    ASSERT_TRUE(frame);
    const int before = w->height();
    frame->resize(frame->width(), frame->height() + 60);
    settle();
    ASSERT_EQ(w->height(), before + 60);
    EXPECT_EQ(w->pnlSQL->height(), 150);

    // the user drags the splitter
    const QList<int> sizes = w->splSQL->sizes();
    w->splSQL->setSizes({ 210, sizes.at(0) + sizes.at(1) - 210 });
    settle();
    ASSERT_EQ(w->pnlSQL->height(), 210);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(w);
    EXPECT_EQ(kept("SQLHeight"), 210);
}

} // namespace layouttest
