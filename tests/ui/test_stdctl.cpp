#include "uitest.h"

#include "core/qvnumtext.h"
#include "ui/qvstdctl.h"
#include "ui/qvstsbar.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// --- keyboard flow

enum class Kind { StrEdit, NumEdit, ComboList, ComboEdit, CheckBox, RadioButton };
enum class Where { Previous, Same, Next };

struct FlowCase
{
    const char *name;
    Kind kind;
    const char *text; // text of the control (combo: its items are "a", "b", "c")
    int cursor; // caret position, -1 for the end
    int selectionStart; // -1 for no selection
    int selectionLength;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::function<void(QWidget *)> tweak; // properties other than the defaults
    Where expected;
};

std::ostream &operator<<(std::ostream &os, const FlowCase &c)
{
    return os << c.name;
}

class KeyboardFlow : public ::testing::TestWithParam<FlowCase>
{
};

TEST_P(KeyboardFlow, MovesFocusAsTheTableSays)
{
    const FlowCase &c = GetParam();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *before = new QLineEdit(&window);
    before->setObjectName("before");
    layout->addWidget(before);
    QWidget *control = nullptr;
    switch (c.kind) {
    case Kind::StrEdit:
        control = new TqvStrEdit(&window);
        break;
    case Kind::NumEdit:
        control = new TqvNumEdit(&window);
        break;
    case Kind::ComboList:
    case Kind::ComboEdit: {
        auto *combo = new TqvComboBox(&window);
        combo->setEditable(c.kind == Kind::ComboEdit);
        combo->addItems({ "a", "b", "c" });
        control = combo;
        break;
    }
    case Kind::CheckBox:
        control = new TqvCheckBox(QStringLiteral("チェック"), &window);
        break;
    case Kind::RadioButton:
        control = new TqvRadioButton(QStringLiteral("ラジオ"), &window);
        break;
    }
    control->setObjectName("control");
    layout->addWidget(control);
    auto *after = new QLineEdit(&window);
    after->setObjectName("after");
    layout->addWidget(after);
    if (c.tweak)
        c.tweak(control);
    ASSERT_TRUE(showActive(window));
    control->setFocus();
    ASSERT_TRUE(control->hasFocus());

    QLineEdit *edit = qobject_cast<QLineEdit *>(control);
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->isEditable())
        edit = combo->lineEdit();
    if (edit) {
        edit->setText(QString::fromUtf8(c.text));
        edit->setCursorPosition(c.cursor < 0 ? int(edit->text().size()) : c.cursor);
        if (c.selectionStart >= 0)
            edit->setSelection(c.selectionStart, c.selectionLength);
    }
    const QString textBefore = edit ? edit->text() : QString();
    const int indexBefore = qobject_cast<QComboBox *>(control)
        ? qobject_cast<QComboBox *>(control)->currentIndex()
        : -1;

    QTest::keyClick(control, c.key, c.modifiers);

    QWidget *focus = QApplication::focusWidget();
    QWidget *expected = c.expected == Where::Previous ? before
        : c.expected == Where::Next                   ? after
                                                      : control;
    EXPECT_TRUE(focus == expected || (expected == control && control->isAncestorOf(focus)))
        << "focus on " << (focus ? focus->objectName().toStdString() : "nothing");
    if (c.key == Qt::Key_Return && edit && c.expected == Where::Next) {
        EXPECT_EQ(edit->text(), textBefore) << "Return typed something";
    }
    if (c.kind == Kind::ComboList && c.key == Qt::Key_Down) {
        EXPECT_EQ(qobject_cast<QComboBox *>(control)->currentIndex(), indexBefore + 1);
    }
}

const auto noArrows = [](QWidget *w) { w->setProperty("WantArrow", false); };
const auto noReturns = [](QWidget *w) { w->setProperty("WantReturns", false); };
const auto wantTabs = [](QWidget *w) { w->setProperty("WantTabs", true); };

INSTANTIATE_TEST_SUITE_P(
    Controls, KeyboardFlow,
    ::testing::Values(
        FlowCase { "StrLeftAtStart",
                   Kind::StrEdit,
                   "abc",
                   0,
                   -1,
                   0,
                   Qt::Key_Left,
                   {},
                   {},
                   Where::Previous },
        FlowCase {
            "StrLeftInMiddle", Kind::StrEdit, "abc", 1, -1, 0, Qt::Key_Left, {}, {}, Where::Same },
        FlowCase { "StrLeftAtStartWithSelection",
                   Kind::StrEdit,
                   "abc",
                   0,
                   0,
                   2,
                   Qt::Key_Left,
                   {},
                   {},
                   Where::Same },
        FlowCase {
            "StrUpInMiddle", Kind::StrEdit, "abc", 1, -1, 0, Qt::Key_Up, {}, {}, Where::Previous },
        FlowCase {
            "StrRightAtEnd", Kind::StrEdit, "abc", -1, -1, 0, Qt::Key_Right, {}, {}, Where::Next },
        FlowCase { "StrRightAtEndWithSelection",
                   Kind::StrEdit,
                   "abc",
                   -1,
                   1,
                   2,
                   Qt::Key_Right,
                   {},
                   {},
                   Where::Next },
        FlowCase { "StrRightInMiddle",
                   Kind::StrEdit,
                   "abc",
                   1,
                   -1,
                   0,
                   Qt::Key_Right,
                   {},
                   {},
                   Where::Same },
        FlowCase {
            "StrDownInMiddle", Kind::StrEdit, "abc", 1, -1, 0, Qt::Key_Down, {}, {}, Where::Next },
        FlowCase {
            "StrReturn", Kind::StrEdit, "abc", 1, -1, 0, Qt::Key_Return, {}, {}, Where::Next },
        FlowCase { "StrEnterOnKeypad",
                   Kind::StrEdit,
                   "abc",
                   1,
                   -1,
                   0,
                   Qt::Key_Enter,
                   Qt::KeypadModifier,
                   {},
                   Where::Next },
        FlowCase { "StrReturnNotWanted",
                   Kind::StrEdit,
                   "abc",
                   1,
                   -1,
                   0,
                   Qt::Key_Return,
                   {},
                   noReturns,
                   Where::Same },
        FlowCase { "StrUpNotWanted",
                   Kind::StrEdit,
                   "abc",
                   1,
                   -1,
                   0,
                   Qt::Key_Up,
                   {},
                   noArrows,
                   Where::Same },
        FlowCase { "StrLeftAtStartNotWanted",
                   Kind::StrEdit,
                   "abc",
                   0,
                   -1,
                   0,
                   Qt::Key_Left,
                   {},
                   noArrows,
                   Where::Same },
        FlowCase {
            "StrTabMovesOn", Kind::StrEdit, "abc", 1, -1, 0, Qt::Key_Tab, {}, {}, Where::Next },
        FlowCase { "StrTabWanted",
                   Kind::StrEdit,
                   "abc",
                   1,
                   -1,
                   0,
                   Qt::Key_Tab,
                   {},
                   wantTabs,
                   Where::Same },
        FlowCase {
            "NumRightAtEnd", Kind::NumEdit, "12", -1, -1, 0, Qt::Key_Right, {}, {}, Where::Next },
        FlowCase {
            "NumReturn", Kind::NumEdit, "12", -1, -1, 0, Qt::Key_Return, {}, {}, Where::Next },
        FlowCase { "ListComboRightAnywhere",
                   Kind::ComboList,
                   "",
                   0,
                   -1,
                   0,
                   Qt::Key_Right,
                   {},
                   {},
                   Where::Next },
        FlowCase { "ListComboLeftAnywhere",
                   Kind::ComboList,
                   "",
                   0,
                   -1,
                   0,
                   Qt::Key_Left,
                   {},
                   {},
                   Where::Previous },
        FlowCase { "ListComboDownChoosesItem",
                   Kind::ComboList,
                   "",
                   0,
                   -1,
                   0,
                   Qt::Key_Down,
                   {},
                   {},
                   Where::Same },
        FlowCase {
            "ListComboReturn", Kind::ComboList, "", 0, -1, 0, Qt::Key_Return, {}, {}, Where::Next },
        FlowCase { "EditComboLeftAtStart",
                   Kind::ComboEdit,
                   "xyz",
                   0,
                   -1,
                   0,
                   Qt::Key_Left,
                   {},
                   {},
                   Where::Previous },
        FlowCase { "EditComboLeftInMiddle",
                   Kind::ComboEdit,
                   "xyz",
                   2,
                   -1,
                   0,
                   Qt::Key_Left,
                   {},
                   {},
                   Where::Same },
        FlowCase { "EditComboRightAtEnd",
                   Kind::ComboEdit,
                   "xyz",
                   -1,
                   -1,
                   0,
                   Qt::Key_Right,
                   {},
                   {},
                   Where::Next },
        FlowCase { "EditComboRightInMiddle",
                   Kind::ComboEdit,
                   "xyz",
                   1,
                   -1,
                   0,
                   Qt::Key_Right,
                   {},
                   {},
                   Where::Same },
        FlowCase {
            "CheckReturn", Kind::CheckBox, "", 0, -1, 0, Qt::Key_Return, {}, {}, Where::Next },
        FlowCase { "CheckReturnNotWanted",
                   Kind::CheckBox,
                   "",
                   0,
                   -1,
                   0,
                   Qt::Key_Return,
                   {},
                   noReturns,
                   Where::Same },
        FlowCase {
            "RadioReturn", Kind::RadioButton, "", 0, -1, 0, Qt::Key_Return, {}, {}, Where::Next }),
    [](const ::testing::TestParamInfo<FlowCase> &info) { return std::string(info.param.name); });

TEST(KeyboardFlowExtra, ReturnPressesTheDefaultButtonOfADialog)
{
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    auto *edit = new TqvStrEdit(&dialog);
    auto *next = new QLineEdit(&dialog);
    auto *ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(edit);
    layout->addWidget(next);
    layout->addWidget(ok);
    ASSERT_TRUE(showActive(dialog));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(KeyboardFlowExtra, ComboTextIsNeitherCompletedNorAdded)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *combo = new TqvComboBox(&window);
    combo->setEditable(true);
    combo->addItems({ "integer", "interval" });
    layout->addWidget(combo);
    layout->addWidget(new QLineEdit(&window));
    ASSERT_TRUE(showActive(window));
    combo->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo, "int");
    EXPECT_EQ(combo->currentText(), "int");
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->maxVisibleItems(), 20);
}

TEST(KeyboardFlowExtra, DisabledTextBoxesShowTheButtonFace)
{
    TqvStrEdit edit;
    TqvComboBox combo;
    for (QWidget *w : { static_cast<QWidget *>(&edit), static_cast<QWidget *>(&combo) }) {
        w->setEnabled(false);
        EXPECT_EQ(w->palette().color(QPalette::Disabled, QPalette::Base),
                  w->palette().color(QPalette::Active, QPalette::Button));
        w->setEnabled(true);
        EXPECT_EQ(w->palette().color(QPalette::Active, QPalette::Base),
                  QApplication::palette().color(QPalette::Active, QPalette::Base));
    }
}

// --- page keys

TEST(PageKeys, CtrlPageKeysTurnTheFirstPageControlAndNeverReachTheFocus)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new TqvStrEdit(&window);
    layout->addWidget(edit);
    auto *pages = new QTabWidget(&window);
    for (const char *title : { "一般", "列", "制約" })
        pages->addTab(new QWidget, QString::fromUtf8(title));
    layout->addWidget(pages);
    InstallPageSwitchKeys(&window);
    ASSERT_TRUE(showActive(window));

    int keysSeen = 0;
    struct Counter : QObject
    {
        int *count;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::KeyPress) {
                const int key = static_cast<QKeyEvent *>(e)->key();
                if (key == Qt::Key_PageUp || key == Qt::Key_PageDown)
                    ++*count;
            }
            return false;
        }
    } counter;
    counter.count = &keysSeen;
    edit->installEventFilter(&counter);

    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } steps[] = {
        { Qt::Key_PageDown, Qt::ControlModifier, 1 },
        { Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier, 2 },
        { Qt::Key_PageDown, Qt::ControlModifier, 2 }, // no wrap past the last page
        { Qt::Key_PageUp, Qt::ControlModifier | Qt::AltModifier, 1 },
        { Qt::Key_PageUp, Qt::ControlModifier, 0 },
        { Qt::Key_PageUp, Qt::ControlModifier, 0 },
    };
    for (const auto &step : steps) {
        edit->setFocus();
        QTest::keyClick(edit, step.key, step.modifiers);
        EXPECT_EQ(pages->currentIndex(), step.page);
    }
    EXPECT_EQ(keysSeen, 0);
    // Without Ctrl the key is the control's own.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_PageDown);
    EXPECT_EQ(keysSeen, 1);
    EXPECT_EQ(pages->currentIndex(), 0);
}

TEST(PageKeys, AWindowWithoutPagesSwallowsTheKeysAsWell)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new TqvStrEdit(&window);
    layout->addWidget(edit);
    InstallPageSwitchKeys(&window);
    ASSERT_TRUE(showActive(window));
    int keysSeen = 0;
    struct Counter : QObject
    {
        int *count;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::KeyPress) {
                const int key = static_cast<QKeyEvent *>(e)->key();
                if (key == Qt::Key_PageUp || key == Qt::Key_PageDown)
                    ++*count;
            }
            return false;
        }
    } counter;
    counter.count = &keysSeen;
    edit->installEventFilter(&counter);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(keysSeen, 0);
}

// --- numeric filter

struct FilterCase
{
    const char *name;
    const char *typed;
    bool allowMinus;
    const char *expected;
    double value;
};

std::ostream &operator<<(std::ostream &os, const FilterCase &c)
{
    return os << c.name;
}

class NumericFilter : public ::testing::TestWithParam<FilterCase>
{
};

TEST_P(NumericFilter, TypedTextIsFilteredOnEveryChange)
{
    const FilterCase &c = GetParam();
    QWidget window;
    auto *edit = new TqvNumEdit(&window);
    edit->setAllowMinus(c.allowMinus);
    QStringList seen;
    QObject::connect(edit, &QLineEdit::textChanged, [&](const QString &t) { seen << t; });
    ASSERT_TRUE(showActive(window));
    edit->setFocus();
    typeText(edit, QString::fromUtf8(c.typed));
    EXPECT_EQ(edit->text(), QString::fromUtf8(c.expected));
    EXPECT_DOUBLE_EQ(edit->ValueFloat(), c.value);
    // Whoever listens never sees an unfiltered text.
    for (const QString &text : seen)
        EXPECT_EQ(FilterNumericText(text, c.allowMinus), text) << text.toStdString();

    // The same text set by the program is filtered alike.
    TqvNumEdit other;
    other.setAllowMinus(c.allowMinus);
    other.setText(QString::fromUtf8(c.typed));
    EXPECT_EQ(other.text(), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumericFilter,
    ::testing::Values(FilterCase { "SecondDotGoes", "1.2.3", false, "12.3", 12.3 },
                      FilterCase { "TrailingMinusMovesFront", "5-", true, "-5", -5 },
                      FilterCase { "MinusRefused", "5-", false, "5", 5 },
                      FilterCase { "MinusInMiddle", "1-2", true, "-12", -12 },
                      FilterCase { "OnlyMinus", "-", true, "-", 0 },
                      FilterCase { "FullWidthDigitsGo", "１２３", false, "", 0 },
                      FilterCase { "ThousandsSeparatorsGo", "1,234.5", false, "1234.5", 1234.5 },
                      FilterCase { "LettersAndBlanksGo", "a1 b2", false, "12", 12 },
                      FilterCase { "LeadingDot", "..5", false, ".5", 0.5 },
                      FilterCase { "OnlyDot", ".", false, ".", 0 },
                      FilterCase { "TrailingDot", "7.", false, "7.", 7 }),
    [](const ::testing::TestParamInfo<FilterCase> &info) { return std::string(info.param.name); });

TEST(NumEdit, ValueIntRoundsHalfToEvenAndRefusesWhatDoesNotFit)
{
    TqvNumEdit edit;
    const struct
    {
        const char *text;
        qint32 value;
        bool fits;
    } cases[] = { { "2.5", 2, true },
                  { "3.5", 4, true },
                  { "", 0, true },
                  { ".", 0, true },
                  { "2147483647", 2147483647, true },
                  { "2147483648", 0, false },
                  { "99999999999", 0, false } };
    edit.setAllowMinus(true);
    for (const auto &c : cases) {
        edit.setText(QString::fromLatin1(c.text));
        EXPECT_EQ(edit.ValueInt(), c.value) << c.text;
        EXPECT_EQ(edit.TryValueInt().has_value(), c.fits) << c.text;
    }
    edit.setText("-2147483649");
    EXPECT_FALSE(edit.TryValueInt().has_value());
}

TEST(NumEdit, WritingZeroLeavesAnEmptyBoxEmpty)
{
    TqvNumEdit edit;
    edit.setValueInt(0);
    EXPECT_EQ(edit.text(), "");
    edit.setValueFloat(0);
    EXPECT_EQ(edit.text(), "");
    edit.setText("5");
    edit.setValueInt(0);
    EXPECT_EQ(edit.text(), "0");
    edit.setValueFloat(2.25);
    EXPECT_EQ(edit.text(), "2.25");
    // Fifteen significant digits, never an exponent that the filter would take apart.
    edit.setValueFloat(0.1 + 0.2);
    EXPECT_EQ(edit.text(), "0.3");
    edit.setValueFloat(1e20);
    EXPECT_EQ(edit.text(), "100000000000000000000");
    EXPECT_DOUBLE_EQ(edit.ValueFloat(), 1e20);
}

TEST(NumEdit, NumbersKeepTheirPointInACommaDecimalLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TqvNumEdit edit;
    edit.setText("1.5");
    EXPECT_DOUBLE_EQ(edit.ValueFloat(), 1.5);
    edit.setValueFloat(2.75);
    EXPECT_EQ(edit.text(), "2.75");
    EXPECT_DOUBLE_EQ(StrToFloatDefault("1,5", -1), -1);
    QLocale::setDefault(saved);
}

TEST(NumEdit, EnteringSelectsTheWholeText)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *first = new QLineEdit(&window);
    auto *edit = new TqvNumEdit(&window);
    layout->addWidget(first);
    layout->addWidget(edit);
    edit->setText("1234");
    ASSERT_TRUE(showActive(window));
    first->setFocus();
    edit->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(edit->selectedText(), "1234");
}

// --- saved values

TEST(SavedValue, TextControlsCompareExactly)
{
    const struct
    {
        const char *loaded;
        const char *edited;
        bool changed;
    } cases[] = { { "abc", "abc", false }, { "abc", "ABC", true },    { "abc", "abc ", true },
                  { "", "", false },       { "名前", "名前", false }, { "名前", "名　前", true } };
    for (const auto &c : cases) {
        TqvStrEdit edit;
        TqvComboBox combo;
        combo.setEditable(true);
        edit.setText(QString::fromUtf8(c.loaded));
        combo.setEditText(QString::fromUtf8(c.loaded));
        EXPECT_EQ(edit.IsChanged(), !QString::fromUtf8(c.loaded).isEmpty())
            << "before Save the loaded value counts as a change";
        edit.Save();
        combo.Save();
        EXPECT_FALSE(edit.IsChanged());
        EXPECT_FALSE(combo.IsChanged());
        edit.setText(QString::fromUtf8(c.edited));
        combo.setEditText(QString::fromUtf8(c.edited));
        EXPECT_EQ(edit.IsChanged(), c.changed) << c.loaded << " -> " << c.edited;
        EXPECT_EQ(combo.IsChanged(), c.changed) << c.loaded << " -> " << c.edited;
        EXPECT_EQ(edit.SaveValue(), QString::fromUtf8(c.loaded));
    }
}

TEST(SavedValue, IsNullIgnoresSurroundingBlanksOnly)
{
    TqvStrEdit edit;
    const struct
    {
        const char *text;
        bool null;
    } cases[] = { { "", true },     { "   ", true }, { "\t \r\n", true },
                  { " a ", false }, { "　", false }, { "0", false } };
    for (const auto &c : cases) {
        edit.setText(QString::fromUtf8(c.text));
        EXPECT_EQ(edit.IsNull(), c.null) << c.text;
    }
}

TEST(SavedValue, CheckAndRadioRememberTheirState)
{
    TqvCheckBox check;
    check.setTristate(true);
    EXPECT_FALSE(check.IsChanged());
    check.setCheckState(Qt::PartiallyChecked);
    EXPECT_TRUE(check.IsChanged());
    check.Save();
    EXPECT_EQ(check.SaveValue(), Qt::PartiallyChecked);
    check.setCheckState(Qt::Checked);
    EXPECT_TRUE(check.IsChanged());
    check.setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(check.IsChanged());

    TqvRadioButton radio;
    radio.setChecked(true);
    EXPECT_TRUE(radio.IsChanged());
    radio.Save();
    EXPECT_FALSE(radio.IsChanged());
}

TEST(SavedValue, AutoSaveTakesTheValueOnEveryEntry)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new TqvStrEdit(&window);
    auto *other = new QLineEdit(&window);
    auto *check = new TqvCheckBox("x", &window);
    layout->addWidget(edit);
    layout->addWidget(other);
    layout->addWidget(check);
    edit->setAutoSave(true);
    check->setAutoSave(true);
    edit->setText("old");
    ASSERT_TRUE(showActive(window));
    other->setFocus();
    edit->setFocus();
    EXPECT_EQ(edit->SaveValue(), "old");
    QTest::keyClicks(edit, "er");
    EXPECT_TRUE(edit->IsChanged());
    edit->setText("old"); // changed and put back before leaving
    other->setFocus();
    edit->setFocus();
    EXPECT_FALSE(edit->IsChanged());
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_TRUE(check->IsChanged());
}

TEST(ListBox, SelectAllNeedsSeveralSelectableItems)
{
    TqvListBox list;
    list.addItems({ "a", "b", "c" });
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.selectAll();
    EXPECT_LE(list.selectedItems().size(), 1);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.selectAll();
    EXPECT_EQ(list.selectedItems().size(), 3);
}

TEST(StatusBar, TipsNeverReachThePanels)
{
    QMainWindow window;
    auto *bar = new TqvStatusBar(&window);
    window.setStatusBar(bar);
    EXPECT_EQ(bar->AddPanel(100, Qt::AlignRight | Qt::AlignVCenter), 0);
    EXPECT_EQ(bar->AddPanel(20, Qt::AlignCenter), 1);
    EXPECT_EQ(bar->AddPanel(50), 2);
    bar->SetPanelText(2, QStringLiteral("12個のオブジェクトがあります。"));
    auto *button = new QPushButton("x", &window);
    button->setStatusTip(QStringLiteral("ヒント"));
    window.setCentralWidget(button);
    ASSERT_TRUE(showActive(window));
    QTest::mouseMove(button);
    QStatusTipEvent tip(QStringLiteral("ヒント"));
    QApplication::sendEvent(button, &tip);
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_EQ(bar->PanelText(2), QStringLiteral("12個のオブジェクトがあります。"));
    EXPECT_EQ(bar->PanelCount(), 3);
}

} // namespace
