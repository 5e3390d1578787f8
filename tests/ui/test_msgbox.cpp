#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A click on the box itself (a wide check box answers only on its box and caption).
void clickBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Texts reach the user as they are; only the bare ": " of a failed statement is put in words.
TEST(MessageText, OnlyTheBareColonIsReplaced)
{
    const struct
    {
        QString text;
        QString shown;
    } cases[] = {
        { "ERROR:  relation \"t\" does not exist", "ERROR:  relation \"t\" does not exist" },
        { "[a][b][c] x", "[a][b][c] x" },
        { ": ", QStringLiteral("ERROR: SQL構文エラー") },
        { ":  ", ":  " },
        { " : ", " : " },
        { ":", ":" },
        { "", "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(CleanMessageText(c.text), c.shown) << c.text.toStdString();
}

TEST(MessageText, FormatFillsArguments)
{
    const struct
    {
        const char *format;
        QVariantList args;
        const char *result;
    } cases[] = {
        { "%sを削除しますか？", { QStringLiteral("受注") }, "受注を削除しますか？" },
        { "%d件 / %d件", { 3, 10 }, "3件 / 10件" },
        { "%5d|%-5d|", { 42, 42 }, "   42|42   |" },
        { "%.3d", { 7 }, "007" },
        { "%x", { 255 }, "FF" },
        { "%.2f", { 3.14159 }, "3.14" },
        { "%1:s %0:s", { "a", "b" }, "b a" },
        { "100%%", {}, "100%" },
        { "%s と %s", { "only" }, "only と " },
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatText(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.result))
            << c.format;
}

// --- the dialog's buttons, icon, default and escape

struct DialogCase
{
    const char *name;
    quint16 flags;
    MessageDialog::Style style;
    QStringList buttons; // object names in order
    const char *defaultButton; // "" for none
    bool icon;
    int escape;
    const char *firstInTabOrder;
};

std::ostream &operator<<(std::ostream &os, const DialogCase &c)
{
    return os << c.name;
}

class MessageDialogShape : public ::testing::TestWithParam<DialogCase>
{
};

TEST_P(MessageDialogShape, FlagsChooseButtonsIconDefaultAndEscape)
{
    const DialogCase &c = GetParam();
    MessageDialog dialog(QStringLiteral("本文"), c.flags, c.style);
    dialog.addCheck(QStringLiteral("CASCADE オプション"), false);
    QStringList names;
    for (int code : dialog.buttonCodes())
        names << dialog.button(code)->objectName();
    EXPECT_EQ(names, c.buttons);
    const QPushButton *def = dialog.button(dialog.defaultCode());
    EXPECT_EQ(def ? def->objectName().toStdString() : std::string(), c.defaultButton);
    for (int code : dialog.buttonCodes())
        EXPECT_EQ(dialog.button(code)->isDefault(), dialog.button(code) == def);
    EXPECT_EQ(dialog.findChild<QLabel *>("Image") != nullptr, c.icon);
    EXPECT_EQ(dialog.escapeCode(), c.escape);
    EXPECT_EQ(dialog.windowTitle(), ApplicationTitle());
    EXPECT_EQ(dialog.findChild<QLabel *>("Message")->text(), QStringLiteral("本文"));

    ASSERT_TRUE(showActive(dialog));
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.firstInTabOrder);
    dialog.done(0);
}

using S = MessageDialog::Style;
INSTANTIATE_TEST_SUITE_P(
    Flags, MessageDialogShape,
    ::testing::Values(
        DialogCase {
            "WarningYesNo", 0x34, S::CheckMessage, { "Yes", "No" }, "Yes", true, IDNO, "Yes" },
        DialogCase {
            "QuestionNoDefault", 0x124, S::CheckMessage, { "Yes", "No" }, "No", true, IDNO, "No" },
        DialogCase { "SingleOkNotDefault", 0x140, S::CheckMessage, { "OK" }, "", true, IDOK, "OK" },
        DialogCase {
            "CheckNoIconIsInformation", 0x0, S::CheckMessage, { "OK" }, "OK", true, IDOK, "OK" },
        DialogCase { "CheckAbortRetryIgnore",
                     0x2,
                     S::CheckMessage,
                     { "Abort", "Retry", "Ignore" },
                     "Retry",
                     true,
                     IDCANCEL,
                     "Retry" },
        DialogCase { "BoxNoIcon", 0x0, S::MessageBox, { "OK" }, "OK", false, IDOK, "OK" },
        DialogCase { "BoxYesNoCancel",
                     0x23,
                     S::MessageBox,
                     { "Yes", "No", "Cancel" },
                     "Yes",
                     true,
                     IDCANCEL,
                     "Yes" },
        DialogCase {
            "BoxYesNoCannotEscape", 0x24, S::MessageBox, { "Yes", "No" }, "Yes", true, 0, "Yes" },
        DialogCase { "BoxThirdDefault",
                     0x223,
                     S::MessageBox,
                     { "Yes", "No", "Cancel" },
                     "Cancel",
                     true,
                     IDCANCEL,
                     "Cancel" },
        DialogCase { "BoxMissingDefaultFallsToFirst",
                     0x314,
                     S::MessageBox,
                     { "Yes", "No" },
                     "Yes",
                     true,
                     0,
                     "Yes" },
        DialogCase { "BoxAbortRetryIgnore",
                     0x12,
                     S::MessageBox,
                     { "Abort", "Retry", "Ignore" },
                     "Abort",
                     true,
                     0,
                     "Abort" },
        DialogCase { "BoxRetryCancel",
                     0x5,
                     S::MessageBox,
                     { "Retry", "Cancel" },
                     "Retry",
                     false,
                     IDCANCEL,
                     "Retry" },
        DialogCase { "CheckRetryCancel",
                     0x5,
                     S::CheckMessage,
                     { "Cancel", "Retry" },
                     "Retry",
                     true,
                     IDCANCEL,
                     "Retry" },
        DialogCase {
            "BoxOkCancel", 0x41, S::MessageBox, { "OK", "Cancel" }, "OK", true, IDCANCEL, "OK" }),
    [](const ::testing::TestParamInfo<DialogCase> &info) { return std::string(info.param.name); });

TEST(MessageDialogLayout, TabOrderStartsAtTheDefaultAndEndsWithTheButtonsBeforeIt)
{
    MessageDialog dialog(QStringLiteral("オブジェクトを削除しますか？"), 0x124,
                         MessageDialog::Style::CheckMessage);
    dialog.addCheck(QStringLiteral("CASCADE オプション"), true);
    ASSERT_TRUE(showActive(dialog));
    QStringList order;
    QWidget *w = QApplication::focusWidget();
    for (int i = 0; i < 3; ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w && !(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
    }
    EXPECT_EQ(order, QStringList({ "No", "Check0", "Yes" }));
    // The boxes sit under the text, left-aligned with it.
    const QLabel *text = dialog.findChild<QLabel *>("Message");
    const QCheckBox *box = dialog.findChild<QCheckBox *>("Check0");
    EXPECT_EQ(box->mapTo(&dialog, QPoint()).x(), text->mapTo(&dialog, QPoint()).x());
    EXPECT_GT(box->mapTo(&dialog, QPoint()).y(), text->mapTo(&dialog, QPoint()).y());
    EXPECT_TRUE(box->isChecked());
    dialog.done(0);
}

// --- the routines through a responder

TEST(MessageRoutines, TheResponderSeesWhatTheUserWouldSee)
{
    DialogRequest seen;
    ScopedDialogResponder answer([&](DialogRequest &request) {
        seen = request;
        return IDNO;
    });
    EXPECT_EQ(ShowMessageBox(QStringLiteral("ERROR:  権限がありません"), 0x124), IDNO);
    EXPECT_EQ(seen.kind, DialogKind::MessageBox);
    EXPECT_EQ(seen.caption, QStringLiteral("Corvane for Postgres"));
    EXPECT_EQ(seen.text, QStringLiteral("ERROR:  権限がありません"));
    EXPECT_EQ(seen.flags, 0x124);
    EXPECT_EQ(seen.buttons, QList<int>({ IDYES, IDNO }));
    EXPECT_EQ(seen.defaultButton, IDNO);

    EXPECT_EQ(
        ShowMessageBoxFmt(QStringLiteral("%sを削除しますか？"), { QStringLiteral("t1") }, 0x24),
        IDNO);
    EXPECT_EQ(seen.text, QStringLiteral("t1を削除しますか？"));
}

TEST(MessageRoutines, ResponderScopesNestAndRestore)
{
    EXPECT_FALSE(hasDialogResponder());
    {
        ScopedDialogResponder outer([](DialogRequest &) { return IDYES; });
        {
            ScopedDialogResponder inner([](DialogRequest &) { return IDNO; });
            EXPECT_EQ(ShowMessageBox("x", MB_YESNO), IDNO);
        }
        EXPECT_EQ(ShowMessageBox("x", MB_YESNO), IDYES);
    }
    EXPECT_FALSE(hasDialogResponder());
}

TEST(MessageRoutines, NoPendingEventRunsBeforeTheQuestion)
{
    // A timer that is due must not fire inside the call: it could re-enter the caller.
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    bool firedWhileAsking = true;
    ScopedDialogResponder answer([&](DialogRequest &) {
        firedWhileAsking = fired;
        return IDOK;
    });
    ShowMessageBox(QStringLiteral("完了しました。"), 0x40);
    bool a = false;
    ShowCheckMessage(QStringLiteral("確認"), 0x24, { { QStringLiteral("a"), &a } });
    QString value;
    ShowInputQuery("t", "p", value);
    EXPECT_FALSE(firedWhileAsking);
    QTest::qWait(20);
    EXPECT_TRUE(fired);
}

TEST(MessageRoutines, CheckMessageWritesTheBoxesBackOnEveryAnswer)
{
    for (int answer : { IDYES, IDNO, IDCANCEL, 0, 9 }) {
        bool cascade = false;
        bool ignore = true;
        ScopedDialogResponder respond([&](DialogRequest &request) {
            EXPECT_EQ(request.kind, DialogKind::CheckMessage);
            EXPECT_EQ(request.checks.size(), 2);
            EXPECT_FALSE(request.checks[0].checked);
            EXPECT_TRUE(request.checks[1].checked);
            request.checks[0].checked = true;
            request.checks[1].checked = false;
            return answer;
        });
        const int result = ShowCheckMessage(QStringLiteral("オブジェクトを削除しますか？"), 0x124,
                                            { { QStringLiteral("CASCADE オプション"), &cascade },
                                              { QStringLiteral("エラーを無視する"), &ignore } });
        EXPECT_EQ(result, answer >= 1 && answer <= 7 ? answer : IDCHECKOTHER);
        EXPECT_TRUE(cascade) << answer;
        EXPECT_FALSE(ignore) << answer;
    }
}

TEST(MessageRoutines, RealCheckMessageWritesTheBoxesBackWhateverCloses)
{
    const struct
    {
        quint16 flags;
        const char *press; // a button, or "Escape"
        int result;
    } cases[]
        = { { 0x124, "Yes", IDYES },      { 0x124, "No", IDNO },        { 0x124, "Escape", IDNO },
            { 0x23, "Cancel", IDCANCEL }, { 0x23, "Escape", IDCANCEL }, { 0x40, "OK", IDOK } };
    for (const auto &c : cases) {
        bool cascade = false;
        bool keep = true;
        QString title;
        whenModal([&](QWidget *dialog) {
            title = dialog->windowTitle();
            dialog->findChild<QCheckBox *>("Check0")->setChecked(true);
            clickBox(dialog->findChild<QCheckBox *>("Check1"));
            if (QByteArray(c.press) == "Escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog->findChild<QPushButton *>(c.press), Qt::LeftButton);
        });
        const int result = ShowCheckMessage(QStringLiteral("オブジェクトを削除しますか？"), c.flags,
                                            { { QStringLiteral("CASCADE オプション"), &cascade },
                                              { QStringLiteral("残す"), &keep } });
        EXPECT_EQ(result, c.result) << c.press;
        EXPECT_TRUE(cascade) << c.press;
        EXPECT_FALSE(keep) << c.press;
        EXPECT_EQ(title, ApplicationTitle());
    }
}

TEST(MessageRoutines, RealMessageBoxAnswersWithTheButtonPressed)
{
    whenModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->findChild<QLabel *>("Message")->text(),
                  QStringLiteral("ERROR: SQL構文エラー"));
        QTest::keyClick(dialog, Qt::Key_Escape); // no Cancel: Esc is ignored
        QTest::mouseClick(dialog->findChild<QPushButton *>("No"), Qt::LeftButton);
    });
    EXPECT_EQ(ShowMessageBox(": ", MB_YESNO | MB_ICONQUESTION), IDNO);

    whenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
    EXPECT_EQ(ShowMessageBox(QStringLiteral("よろしいですか？"), 0x124), IDNO);
}

// --- input query

TEST(InputQuery, OkWritesValueAndBoxesCancelWritesNothing)
{
    for (const bool ok : { true, false }) {
        QString value = QStringLiteral("受注");
        bool indexes = true;
        bool rows = false;
        whenModal([&](QWidget *dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("貼り付け"));
            auto *edit = dialog->findChild<QLineEdit *>("Edit");
            EXPECT_EQ(edit->selectedText(), QStringLiteral("受注"));
            typeText(edit, QStringLiteral("受注_copy"));
            clickBox(dialog->findChild<QCheckBox *>("Check0"));
            dialog->findChild<QCheckBox *>("Check1")->setChecked(true);
            if (ok)
                QTest::keyClick(edit, Qt::Key_Return);
            else
                QTest::keyClick(edit, Qt::Key_Escape);
        });
        const bool answered = ShowInputQuery(
            QStringLiteral("貼り付け"), QStringLiteral("新規オブジェクト名"), value,
            { { QStringLiteral("インデックスも含める"), &indexes },
              { QStringLiteral("テーブルデータも含める"), &rows } });
        EXPECT_EQ(answered, ok);
        EXPECT_EQ(value, ok ? QStringLiteral("受注_copy") : QStringLiteral("受注"));
        EXPECT_EQ(indexes, !ok);
        EXPECT_EQ(rows, ok);
    }
}

TEST(InputQuery, NumericEntryTakesNineDigitsAndOnePoint)
{
    QString value = QStringLiteral("100");
    whenModal([](QWidget *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>("Edit");
        edit->clear();
        typeText(edit, QStringLiteral("1a2.3.4５67890123"));
        QTest::mouseClick(dialog->findChild<QPushButton *>("OK"), Qt::LeftButton);
    });
    ASSERT_TRUE(
        ShowInputQuery(QStringLiteral("行ジャンプ"), QStringLiteral("指定行"), value, {}, true));
    EXPECT_EQ(value, QStringLiteral("123.46789"));
    EXPECT_EQ(value.size(), 9);
}

TEST(InputQuery, ResponderAnswersPassThroughTheEditsLimits)
{
    QString value;
    ScopedDialogResponder respond([](DialogRequest &request) {
        EXPECT_EQ(request.kind, DialogKind::InputQuery);
        EXPECT_TRUE(request.numeric);
        EXPECT_EQ(request.text, QStringLiteral("レコード件数"));
        request.value = QStringLiteral("1,000,000,000");
        return IDOK;
    });
    ASSERT_TRUE(
        ShowInputQuery(QStringLiteral("t"), QStringLiteral("レコード件数"), value, {}, true));
    EXPECT_EQ(value, QStringLiteral("100000000"));
}

TEST(InputQuery, LayoutFollowsTheAverageLetter)
{
    InputQueryDialog dialog(QStringLiteral("t"), QStringLiteral("プロンプト"), QString(),
                            { { QStringLiteral("既定値にする"), false } }, true);
    const QPoint unit = GetAveCharSize(dialog.fontMetrics());
    EXPECT_EQ(dialog.width(), int(std::lround(180.0 * unit.x() / 4)));
    const QWidget *ok = dialog.findChild<QPushButton *>("OK");
    const QWidget *cancel = dialog.findChild<QPushButton *>("Cancel");
    EXPECT_EQ(ok->x(), int(std::lround(38.0 * unit.x() / 4)));
    EXPECT_EQ(cancel->x(), int(std::lround(92.0 * unit.x() / 4)));
    EXPECT_EQ(dialog.height(), cancel->geometry().bottom() + 1 + 13);
    EXPECT_EQ(dialog.findChild<QLineEdit *>("Edit")->maxLength(), 9);
}

TEST(InputQuery, AverageLetterIsTheWidthOfTheAlphabetOver52)
{
    const QFontMetrics metrics(QApplication::font());
    const QPoint size = GetAveCharSize(metrics);
    EXPECT_EQ(size.x(),
              metrics.horizontalAdvance(
                  QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
                  / 52);
    EXPECT_EQ(size.y(), metrics.height());
    EXPECT_TRUE(IsWindowsNT6(true));
    EXPECT_FALSE(IsWindowsNT6(false));
}

TEST(FileDialogs, TheResponderChoosesTheFile)
{
    ScopedDialogResponder respond([](DialogRequest &request) {
        if (request.kind == DialogKind::OpenFile) {
            EXPECT_EQ(request.filter, QStringLiteral("Excelファイル(*.xlsx) (*.xlsx)"));
            request.value = QStringLiteral("/tmp/a.xlsx");
            return IDOK;
        }
        return IDCANCEL;
    });
    EXPECT_EQ(ShowOpenFileDialog(QStringLiteral("開く"), QString(),
                                 QStringLiteral("Excelファイル(*.xlsx)|*.xlsx")),
              QStringLiteral("/tmp/a.xlsx"));
    EXPECT_TRUE(
        ShowSaveFileDialog(QStringLiteral("保存"), QStringLiteral("/tmp"), QString()).isEmpty());
}

} // namespace
