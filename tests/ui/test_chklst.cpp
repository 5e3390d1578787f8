#include "uitest.h"

#include "ui/qvchklst.h"

#include <QMouseEvent>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct ListWindow
{
    QWidget window;
    TqvCheckListBox *list = nullptr;
    QStringList events; // "L" and "R" in the order the click events fired

    ListWindow()
    {
        auto *layout = new QVBoxLayout(&window);
        list = new TqvCheckListBox(&window);
        list->setObjectName("lstPrivilege");
        list->addItems({ "SELECT", "INSERT", "UPDATE", "DELETE" });
        QObject::connect(list, &TqvCheckListBox::OnClickCheckL, [this] { events << "L"; });
        QObject::connect(list, &TqvCheckListBox::OnClickCheckR, [this] { events << "R"; });
        layout->addWidget(list);
        window.resize(300, 200);
    }

    // Clicks the L box (column 0), the R box (1) or the text (2) of a line.
    void click(int line, int column, Qt::MouseButton button = Qt::LeftButton)
    {
        const QRect row = list->visualItemRect(list->item(line));
        const int width = TqvCheckListBox::CheckColumnWidth();
        const QPoint at(row.left() + width * column + width / 2, row.center().y());
        QTest::mouseClick(list->viewport(), button, {}, at);
    }
};

struct ToggleCase
{
    const char *name;
    bool allowGrayed;
    TCheckBoxState startL;
    TCheckBoxState startR;
    int column; // 0 L, 1 R
    TCheckBoxState endL;
    TCheckBoxState endR;
    const char *events;
};

std::ostream &operator<<(std::ostream &os, const ToggleCase &c)
{
    return os << c.name;
}

class CheckListToggle : public ::testing::TestWithParam<ToggleCase>
{
};

TEST_P(CheckListToggle, AClickCyclesItsBoxAndKeepsRUnderL)
{
    const ToggleCase &c = GetParam();
    ListWindow w;
    w.list->setAllowGrayed(c.allowGrayed);
    w.list->SetStateL(1, c.startL);
    w.list->SetStateR(1, c.startR);
    EXPECT_TRUE(w.events.isEmpty()) << "setters fire nothing";
    ASSERT_TRUE(showActive(w.window));
    w.click(1, c.column);
    EXPECT_EQ(w.list->GetStateL(1), c.endL);
    EXPECT_EQ(w.list->GetStateR(1), c.endR);
    EXPECT_EQ(w.events.join(""), QString::fromLatin1(c.events));
    EXPECT_EQ(w.list->currentRow(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckListToggle,
    ::testing::Values(ToggleCase { "CheckL", false, cbUnchecked, cbUnchecked, 0, cbChecked,
                                   cbUnchecked, "L" },
                      ToggleCase { "UncheckLUnchecksR", false, cbChecked, cbChecked, 0, cbUnchecked,
                                   cbUnchecked, "LR" },
                      ToggleCase { "UncheckLUnchecksGrayedR", false, cbChecked, cbGrayed, 0,
                                   cbUnchecked, cbUnchecked, "LR" },
                      ToggleCase { "CheckRChecksL", false, cbUnchecked, cbUnchecked, 1, cbChecked,
                                   cbChecked, "RL" },
                      ToggleCase { "CheckRChecksGrayedL", false, cbGrayed, cbUnchecked, 1,
                                   cbChecked, cbChecked, "RL" },
                      ToggleCase { "UncheckRLeavesL", false, cbChecked, cbChecked, 1, cbChecked,
                                   cbUnchecked, "R" },
                      ToggleCase { "GrayedRDoesNotForceL", true, cbUnchecked, cbUnchecked, 1,
                                   cbUnchecked, cbGrayed, "R" },
                      ToggleCase { "GrayedLToChecked", true, cbGrayed, cbUnchecked, 0, cbChecked,
                                   cbUnchecked, "L" },
                      ToggleCase { "LToGrayedWhenAllowed", true, cbUnchecked, cbUnchecked, 0,
                                   cbGrayed, cbUnchecked, "L" },
                      ToggleCase { "TextTogglesNothing", false, cbChecked, cbUnchecked, 2,
                                   cbChecked, cbUnchecked, "" }),
    [](const ::testing::TestParamInfo<ToggleCase> &info) { return std::string(info.param.name); });

TEST(CheckList, GrayedCycleAndSpaceAndRightButton)
{
    ListWindow w;
    w.list->setAllowGrayed(true);
    ASSERT_TRUE(showActive(w.window));
    QList<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        w.click(0, 0);
        seen << w.list->GetStateL(0);
    }
    EXPECT_EQ(seen, QList<TCheckBoxState>({ cbGrayed, cbChecked, cbUnchecked }));
    w.click(0, 0, Qt::RightButton);
    EXPECT_EQ(w.list->GetStateL(0), cbUnchecked) << "only the left button toggles";
    w.list->setCurrentRow(2);
    QTest::keyClick(w.list, Qt::Key_Space);
    EXPECT_EQ(w.list->GetStateL(2), cbGrayed);
}

TEST(CheckList, DisabledColumnsIgnoreClicks)
{
    ListWindow w;
    w.list->SetItemEnabledL(1, false);
    w.list->SetItemEnabledR(2, false);
    ASSERT_TRUE(showActive(w.window));
    w.click(1, 0);
    w.click(2, 1);
    EXPECT_EQ(w.list->GetStateL(1), cbUnchecked);
    EXPECT_EQ(w.list->GetStateR(2), cbUnchecked);
    EXPECT_TRUE(w.events.isEmpty());
    // R of a line whose L is disabled still pulls L on: the rule is the list's, not the user's.
    w.click(1, 1);
    EXPECT_EQ(w.list->GetStateR(1), cbChecked);
    EXPECT_EQ(w.list->GetStateL(1), cbChecked);
}

TEST(CheckList, SettersApplyNoRule)
{
    ListWindow w;
    w.list->SetStateR(0, cbChecked);
    EXPECT_EQ(w.list->GetStateL(0), cbUnchecked);
    w.list->SetStateL(1, cbGrayed);
    w.list->SetCheckedL(1, false);
    EXPECT_EQ(w.list->GetStateL(1), cbGrayed) << "grayed is not checked: no change";
    w.list->SetCheckedL(1, true);
    EXPECT_EQ(w.list->GetStateL(1), cbChecked);
    EXPECT_TRUE(w.events.isEmpty());
}

TEST(CheckList, SnapshotComparesStatesOnly)
{
    ListWindow w;
    TqvCheckListBox &l = *w.list;
    EXPECT_EQ(l.GetStateL(3), cbUnchecked) << "an untouched line";
    EXPECT_TRUE(l.GetItemEnabledL(3));
    EXPECT_FALSE(l.GetItemData(3).isValid());
    l.SetCheckedL(0, true);
    l.Save();
    EXPECT_FALSE(l.IsChanged());
    l.SetItemEnabledR(0, false);
    l.SetItemData(2, QVariant::fromValue<quintptr>(quintptr(0x7fff12345678)));
    EXPECT_FALSE(l.IsChanged()) << "enabled flags and data take no part";
    EXPECT_EQ(l.GetItemData(2).value<quintptr>(), quintptr(0x7fff12345678));
    l.SetStateR(1, cbGrayed);
    EXPECT_TRUE(l.IsChanged());
    EXPECT_TRUE(l.GetIsChangedLines(1));
    EXPECT_FALSE(l.GetIsChangedLines(0));
    l.SetStateR(1, cbUnchecked);
    EXPECT_FALSE(l.IsChanged());
    l.addItem("TRUNCATE");
    EXPECT_TRUE(l.IsChanged());
    EXPECT_TRUE(l.GetIsChangedLines(4)) << "beyond the snapshot";
    EXPECT_TRUE(l.GetIsChangedLines(-1));
    EXPECT_TRUE(l.GetIsChangedLines(99));
}

TEST(CheckList, AnUnknownLineIsAnError)
{
    ListWindow w;
    try {
        w.list->GetStateL(7);
        FAIL() << "no error";
    } catch (const std::out_of_range &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("リストのインデックスが範囲を超えています (7)"));
    }
    EXPECT_THROW(w.list->SetStateR(-1, cbChecked), std::out_of_range);
}

TEST(CheckList, AutoSaveTakesTheSnapshotOnEntry)
{
    ListWindow w;
    auto *other = new QWidget(&w.window);
    other->setFocusPolicy(Qt::StrongFocus);
    w.window.layout()->addWidget(other);
    w.list->setAutoSave(true);
    w.list->SetCheckedL(0, true);
    ASSERT_TRUE(showActive(w.window));
    other->setFocus();
    w.list->setFocus();
    EXPECT_FALSE(w.list->IsChanged());
}

} // namespace
