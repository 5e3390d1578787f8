// The long-text dialog as the grids open it, through the long-text editor that the SQL windows'
// library registers at start-up: what it hands back on OK and on cancel, the NULL box, the
// read-only mode and the size it keeps.
#include "sqlwintest.h"

#include "platform/pg/dataset.h"
#include "sqllang/qvmemo.h"
#include "sqlwin/fmemo.h"
#include "sqlwin/sqlwindows.h"
#include "ui/qvdbgrid.h"
#include "ui/qvlongtext.h"
#include "ui/rdata.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace memotest {

class LongTextDialogTest : public sqlwintest::SqlWinTest
{
protected:
    void SetUp() override
    {
        SqlWinTest::SetUp();
        m_previous = SetLongTextEditor({});
        RegisterSqlWindows();
    }
    void TearDown() override
    {
        SetLongTextEditor(m_previous);
        SqlWinTest::TearDown();
    }

    // Runs open (which shows the dialog) and does act in the dialog once it shows.
    static void whileShown(const std::function<void(TfrmMemo *)> &act,
                           const std::function<void()> &open)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<TfrmMemo *>(w); dialog && dialog->isVisible()) {
                    acted = true;
                    act(dialog);
                    return;
                }
            }
        });
        open();
        EXPECT_TRUE(acted) << "the dialog showed";
    }
    int show(QString &text, bool &isNull, bool nullShow, bool readOnly,
             const std::function<void(TfrmMemo *)> &act)
    {
        int result = 0;
        whileShown(act, [&] { result = ShowLongTextEditor(text, isNull, nullShow, readOnly); });
        return result;
    }

    TLongTextEditor m_previous;
};

TEST_F(LongTextDialogTest, OkHandsBackTextAndNullBoxCancelLeavesBoth)
{
    const struct
    {
        const char *what;
        bool typeText; // the user types "Z" at the end
        bool tickNull; // the user ticks NULL afterwards
        bool ok; // OK, else cancel
        int result;
        QString text;
        bool isNull;
    } cases[] = {
        { "cancel after typing", true, false, false, IDCANCEL, "abc\r\n", true },
        { "typing clears NULL", true, false, true, IDOK, "abc\r\nZ", false },
        { "ticking NULL keeps the text", true, true, true, IDOK, "abc\r\nZ", true },
        { "OK as it was", false, false, true, IDOK, "abc\r\n", true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QString text = "abc\r\n";
        bool isNull = true;
        bool nullShown = false;
        const int result = show(text, isNull, true, false, [&](TfrmMemo *d) {
            nullShown = d->chkNull->isVisible();
            EXPECT_EQ(d->txtComment->text(), "abc\r\n");
            EXPECT_TRUE(d->chkNull->isChecked());
            if (c.typeText) {
                QTest::keyClicks(d->txtComment, "Z");
                EXPECT_FALSE(d->chkNull->isChecked());
            }
            if (c.tickNull)
                d->chkNull->click();
            (c.ok ? d->btnOk : d->btnCancel)->click();
        });
        EXPECT_TRUE(nullShown);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(isNull, c.isNull);
    }
}

TEST_F(LongTextDialogTest, ReadOnlyCanOnlyBeCancelled)
{
    QString text = "keep";
    bool isNull = false;
    bool nullShown = true;
    const int result = show(text, isNull, false, true, [&](TfrmMemo *d) {
        nullShown = d->chkNull->isVisible();
        EXPECT_FALSE(d->btnOk->isEnabled());
        QTest::keyClicks(d->txtComment, "typed");
        EXPECT_EQ(d->txtComment->text(), "keeptyped") << "the text stays editable";
        d->btnOk->click();
        EXPECT_TRUE(d->isVisible());
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(nullShown);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(text, "keep");
}

// The size is kept from the first close on; the dialog opens centred over the main window.
TEST_F(LongTextDialogTest, KeepsItsSizeAfterTheFirstCloseAndOpensCentred)
{
    QString text;
    bool isNull = false;
    QSize first;
    show(text, isNull, false, false, [&](TfrmMemo *d) {
        first = d->size();
        d->resize(first + QSize(120, 80));
        d->btnCancel->click();
    });
    EXPECT_EQ(first, QSize(392, 266)) << "no size kept yet";
    main.move(40, 30);
    show(text, isNull, false, false, [&](TfrmMemo *d) {
        EXPECT_EQ(d->size(), first + QSize(120, 80));
        const QPoint offset = d->frameGeometry().center() - main.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2);
        d->btnCancel->click();
    });
}

// "…" on a text cell of a result in the SQL window opens the dialog with the cell's value and
// the NULL box.
TEST_F(LongTextDialogTest, EllipsisOfATextCellOpensIt)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    ASSERT_TRUE(w);
    run(w, "select id, v from t order by id");
    TfraData *frame = w->fraData;
    ASSERT_TRUE(frame->qryData->isActive());
    frame->qryData->setCurrentRow(1);
    frame->grdData1->setSelectedField(frame->qryData->fieldIndex("v"));
    QString shown;
    bool nullShown = false;
    whileShown(
        [&](TfrmMemo *d) {
            shown = d->txtComment->text();
            nullShown = d->chkNull->isVisible();
            d->btnCancel->click();
        },
        [&] { frame->grdData1EditButtonClick(); });
    EXPECT_EQ(shown, "b");
    EXPECT_TRUE(nullShown);
    EXPECT_EQ(frame->qryData->text(frame->qryData->fieldIndex("v")), "b");
}

} // namespace memotest
