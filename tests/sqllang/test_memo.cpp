// The editor control on the offscreen platform: the code-assist request, the keyboard macro
// across editors, the comment toggle as one undo step, scrolling, jumping and selecting, the
// colouring and the settings it takes.
#include "sqllang/qvmemo.h"
#include "sqllang/qvsqllexer.h"
#include "sqllangtest.h"

#include "core/qveditorsettings.h"
#include "core/qvmacro.h"
#include "core/qvreserve.h"
#include "core/qvsub.h"
#include "ui/qvctlopt.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace memotest {

struct Request
{
    TqvMemo *editor;
    int x;
    int y;
};

// A window holding one editor, as every window with an editor does.
class Host : public QWidget, public TqvCodeAssistOwner
{
public:
    Host()
    {
        auto *layout = new QVBoxLayout(this);
        editor = new TqvMemo(this);
        layout->addWidget(editor);
        resize(500, 300);
    }
    void WMCodeAssist(TqvMemo *e, int x, int y) override
    {
        requests.append({ e, x, y });
        if (closeOnRequest)
            close();
    }
    TqvMemo *editor;
    QList<Request> requests;
    bool closeOnRequest = false;
};

void showAndFocus(Host &host)
{
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    host.activateWindow();
    host.editor->setFocus();
}

TEST(TqvMemo, CodeAssistRequests)
{
    Host host;
    showAndFocus(host);
    TqvMemo *e = host.editor;
    for (Qt::KeyboardModifiers mods :
         { Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
           Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::AltModifier) }) {
        const int before = int(host.requests.size());
        QTest::keyClick(e, Qt::Key_F6, mods);
        EXPECT_EQ(host.requests.size(), before + 1) << int(mods);
    }
    host.requests.clear();

    QTest::keyClicks(e, QStringLiteral("sales."));
    EXPECT_EQ(e->text(), QStringLiteral("sales."));
    ASSERT_EQ(host.requests.size(), 1);
    EXPECT_EQ(host.requests.first().editor, e);
    EXPECT_GT(host.requests.first().x, 0);
    EXPECT_GE(host.requests.first().y, 0);
    EXPECT_EQ(e->GetCodeAssistToken(), QStringLiteral("sales."));

    // Ctrl+Space asks and types nothing
    QTest::keyClick(e, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(host.requests.size(), 2);
    EXPECT_EQ(e->text(), QStringLiteral("sales."));

    // while a list is open, no second request
    auto *list = new QTreeWidget(&host);
    e->SetCodeAssist(list);
    QTest::keyClick(e, Qt::Key_F6);
    EXPECT_EQ(host.requests.size(), 2);
    e->CloseCodeAssist();
    EXPECT_EQ(e->CodeAssist(), nullptr);

    // a read-only editor takes no "." and asks nothing for it
    e->setReadOnly(true);
    QTest::keyClicks(e, QStringLiteral("."));
    EXPECT_EQ(e->text(), QStringLiteral("sales."));
    EXPECT_EQ(host.requests.size(), 2);
}

TEST(TqvMemo, TextFromTheInputMethodAsksNothing)
{
    Host host;
    showAndFocus(host);
    QInputMethodEvent event;
    event.setCommitString(QStringLiteral("表."));
    QCoreApplication::sendEvent(host.editor, &event);
    EXPECT_EQ(host.editor->text(), QStringLiteral("表."));
    EXPECT_TRUE(host.requests.isEmpty());
}

TEST(TqvMemo, FocusLeavingForTheListKeepsItOpen)
{
    Host host;
    auto *other = new QLineEdit(&host);
    host.layout()->addWidget(other);
    showAndFocus(host);
    auto *list = new QTreeWidget(&host);
    list->show();
    host.editor->SetCodeAssist(list);
    list->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(host.editor->CodeAssist(), list);
    host.editor->setFocus();
    QApplication::processEvents();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(host.editor->CodeAssist(), nullptr);
}

TEST(TqvMemo, CloseCodeAssistRemembersTheListSizeOfItsEditor)
{
    Host host;
    Host other;
    showAndFocus(host);
    auto *list = new QTreeWidget(&host);
    list->setColumnCount(2);
    list->resize(300, 200);
    list->header()->resizeSection(0, 140);
    list->header()->resizeSection(1, 100);
    QPointer<QTreeWidget> guard(list);
    host.editor->SetCodeAssist(list);
    host.editor->CloseCodeAssist();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(host.editor->CASize.Width, 300);
    EXPECT_EQ(host.editor->CASize.Height, 200);
    EXPECT_EQ(host.editor->CASize.ColumnWidth[0], 140);
    EXPECT_EQ(host.editor->CASize.ColumnWidth[1], 100);
    EXPECT_EQ(other.editor->CASize.Width, 256);
    EXPECT_EQ(other.editor->CASize.ColumnWidth[0], 125);

    // a click in the editor closes an open list
    host.editor->SetCodeAssist(new QTreeWidget(&host));
    QTest::mouseClick(host.editor->viewport(), Qt::LeftButton);
    EXPECT_EQ(host.editor->CodeAssist(), nullptr);
}

class Macro : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (Host *h : { &one, &two }) {
            h->editor->SetMacroList(&list);
            showAndFocus(*h);
        }
    }
    void commit(TqvMemo *e, const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QCoreApplication::sendEvent(e, &event);
    }
    TqvMacroList list;
    Host one;
    Host two;
};

TEST_F(Macro, RecordedInOneEditorReplaysInAnother)
{
    one.activateWindow();
    one.editor->setFocus();
    one.editor->BeginRec();
    EXPECT_EQ(list.Status(), msRecording);
    QTest::keyClicks(one.editor, QStringLiteral("ab"));
    QTest::keyClick(one.editor, Qt::Key_Return);
    commit(one.editor, QStringLiteral("日本"));
    one.editor->EndRec();
    EXPECT_EQ(list.Status(), msWaiting);
    ASSERT_EQ(list.Count(), 4); // the committed text once, not once more as typed characters
    EXPECT_EQ(one.editor->text(), QStringLiteral("ab\n日本"));

    two.activateWindow();
    two.editor->setFocus();
    two.editor->Execute();
    EXPECT_EQ(two.editor->text(), QStringLiteral("ab\n日本"));
    EXPECT_EQ(list.Status(), msWaiting);
    // the macro stays for the next replay
    two.editor->Execute();
    EXPECT_EQ(two.editor->text(), QStringLiteral("ab\n日本ab\n日本"));
}

TEST_F(Macro, StatusTable)
{
    // BeginRec during a replay does nothing
    list.SetStatus(msRunning);
    one.editor->BeginRec();
    EXPECT_EQ(list.Status(), msRunning);
    one.editor->CancelExec();
    EXPECT_EQ(list.Status(), msWaiting);

    // Execute after an empty recording does nothing
    one.editor->BeginRec();
    one.editor->EndRec();
    two.editor->Execute();
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_TRUE(two.editor->text().isEmpty());

    // CancelRec drops what was recorded
    one.editor->BeginRec();
    QTest::keyClicks(one.editor, QStringLiteral("x"));
    one.editor->CancelRec();
    EXPECT_EQ(list.Status(), msNone);
    EXPECT_EQ(list.Count(), 0);

    // an editor that goes while recording ends the recording and keeps what it recorded
    {
        Host third;
        third.editor->SetMacroList(&list);
        showAndFocus(third);
        third.editor->BeginRec();
        QTest::keyClicks(third.editor, QStringLiteral("q"));
    }
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(Macro, AReplayThatClosesItsOwnEditorStops)
{
    one.editor->BeginRec();
    QTest::keyClicks(one.editor, QStringLiteral("x"));
    QTest::keyClick(one.editor, Qt::Key_F6);
    QTest::keyClicks(one.editor, QStringLiteral("yz"));
    one.editor->EndRec();
    ASSERT_EQ(list.Count(), 4);

    auto *closing = new Host;
    closing->setAttribute(Qt::WA_DeleteOnClose);
    closing->closeOnRequest = true;
    closing->editor->SetMacroList(&list);
    showAndFocus(*closing);
    QPointer<TqvMemo> editor(closing->editor);
    editor->Execute();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(list.Count(), 4);
}

TEST(TqvMemo, CommentToggleIsOneUndoStep)
{
    Host host;
    showAndFocus(host);
    TqvMemo *e = host.editor;
    const QString original = QStringLiteral("select a\n  --from t\nwhere x = 1\nlast");
    e->setText(original);
    e->setSelection(0, 2, 2, 3);
    e->SelCommentOut();
    EXPECT_EQ(e->text(), QStringLiteral("--select a\n--  --from t\n--where x = 1\nlast"));
    EXPECT_TRUE(e->hasSelectedText());
    e->SelCommentOut(); // all commented now: off again
    EXPECT_EQ(e->text(), original);
    e->undo();
    EXPECT_EQ(e->text(), QStringLiteral("--select a\n--  --from t\n--where x = 1\nlast"));
    e->undo();
    EXPECT_EQ(e->text(), original);

    // a selection that ends at the start of a line leaves that line out
    e->setSelection(0, 0, 2, 0);
    e->SelCommentOut();
    EXPECT_EQ(e->text(), QStringLiteral("--select a\n--  --from t\nwhere x = 1\nlast"));
    e->undo();

    // without a selection only the caret's line
    e->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, 0ul);
    e->setCursorPosition(3, 2);
    e->SelCommentOut();
    EXPECT_EQ(e->text(), QStringLiteral("select a\n  --from t\nwhere x = 1\n--last"));
    EXPECT_FALSE(e->hasSelectedText());
}

TEST(TqvMemo, CommentToggleOfABox)
{
    Host host;
    showAndFocus(host);
    TqvMemo *e = host.editor;
    e->setText(QStringLiteral("ab  cd\nx\nab  ef"));
    e->SendScintilla(QsciScintillaBase::SCI_SETRECTANGULARSELECTIONANCHOR,
                     static_cast<unsigned long>(e->positionFromLineIndex(0, 4)));
    e->SendScintilla(QsciScintillaBase::SCI_SETRECTANGULARSELECTIONCARET,
                     static_cast<unsigned long>(e->positionFromLineIndex(2, 4)));
    ASSERT_TRUE(e->SendScintilla(QsciScintillaBase::SCI_SELECTIONISRECTANGLE));
    e->SelCommentOut();
    EXPECT_EQ(e->text(), QStringLiteral("ab  --cd\nx\nab  --ef"));
    e->undo();
    EXPECT_EQ(e->text(), QStringLiteral("ab  cd\nx\nab  ef"));
}

TEST(TqvMemo, CommentToggleTakesEveryLineWrappedOrNot)
{
    Host host;
    host.resize(200, 300);
    showAndFocus(host);
    TqvMemo *e = host.editor;
    e->setWrapMode(QsciScintilla::WrapWord);
    const QString longLine = QStringLiteral("select a, b, c, d, e, f, g, h, i, j, k, l, m from t");
    e->setText(QStringLiteral("x\n") + longLine + QStringLiteral("\ny"));
    e->setSelection(0, 0, 2, 1);
    e->SelCommentOut();
    EXPECT_EQ(e->text(), QStringLiteral("--x\n--") + longLine + QStringLiteral("\n--y"));
}

TEST(TqvMemo, OneWheelStepScrollsOneRow)
{
    Host host;
    showAndFocus(host);
    TqvMemo *e = host.editor;
    QStringList rows;
    for (int i = 0; i < 200; ++i)
        rows.append(QString::number(i));
    e->setText(rows.join(QLatin1Char('\n')));
    e->setFirstVisibleLine(10);
    const QPoint at(20, 20);
    QWheelEvent down(at, e->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(e->viewport(), &down);
    EXPECT_EQ(e->firstVisibleLine(), 11);
    QWheelEvent up(at, e->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(e->viewport(), &up);
    QCoreApplication::sendEvent(e->viewport(), &up);
    EXPECT_EQ(e->firstVisibleLine(), 9);
}

TEST(TqvMemo, UndoMessageJumpAndSelections)
{
    Host host;
    showAndFocus(host);
    TqvMemo *e = host.editor;
    QTest::keyClicks(e, QStringLiteral("abc"));
    e->UndoMessage(0);
    EXPECT_TRUE(e->text().isEmpty());
    e->UndoMessage(1);
    EXPECT_EQ(e->text(), QStringLiteral("abc"));
    e->setReadOnly(true);
    e->UndoMessage(0);
    EXPECT_EQ(e->text(), QStringLiteral("abc"));
    e->setReadOnly(false);

    e->setText(QStringLiteral("a\nb\nc\nd"));
    int line = -1;
    int index = -1;
    for (const auto &[target, row] : { std::pair { 1, 0 }, { 3, 2 }, { 1000, 3 }, { -5, 0 } }) {
        e->Jump(target);
        e->getCursorPosition(&line, &index);
        EXPECT_EQ(line, row) << target;
        EXPECT_EQ(index, 0);
    }

    e->MultiLineSelect(1, 2);
    EXPECT_EQ(e->selectedText(), QStringLiteral("b\nc\n"));
    e->MultiLineSelect(2, 99);
    EXPECT_EQ(e->selectedText(), QStringLiteral("c\nd"));
    // the failed statement's lines, unless a selection is there already
    e->setSelection(0, 0, 0, 1);
    LocateSQLError(e, 1, 2);
    EXPECT_EQ(e->selectedText(), QStringLiteral("a"));
    e->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, 0ul);
    LocateSQLError(e, 1, 2);
    EXPECT_EQ(e->selectedText(), QStringLiteral("b\nc\n"));

    e->setText(QStringLiteral("x\nSELECT tbl.col_1 FROM t"));
    e->SetSelIndex(0, 9);
    e->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(index, 7);
    e->setCursorPosition(1, 9);
    e->SelectWordFromCaret();
    EXPECT_EQ(e->selectedText(), QStringLiteral("tbl"));
    e->setCursorPosition(1, 7);
    e->SelectWordFromCaret(); // a blank before the caret: nothing
    EXPECT_FALSE(e->hasSelectedText());

    // a double click inside a word selects the SQL word, the part right of the caret too
    const long pos = e->positionFromLineIndex(1, 13);
    const int x = int(e->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0ul, pos));
    const int y = int(e->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0ul, pos));
    QTest::mouseDClick(e->viewport(), Qt::LeftButton, {}, QPoint(x + 1, y + 4));
    EXPECT_EQ(e->selectedText(), QStringLiteral("col_1"));
}

int styleAt(TqvMemo *e, int line, int index)
{
    return int(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT,
                                static_cast<unsigned long>(e->positionFromLineIndex(line, index))));
}

TEST(TqvSqlLexer, ColoursCommentsLiteralsNumbersAndReservedWords)
{
    Host host;
    TqvMemo *e = host.editor;
    QStringList words;
    SetDefaultReserveWords(words);
    e->sqlLexer()->setReserveWords(words);
    e->setText(QStringLiteral(
        "SELECT a -- c\nFROM t /* x\n'not a literal'\ny */ WHERE b = 'q' AND n = 12\n"
        "AND s = $f$ -- in $f$ AND e = E'\\'' OR 表 = 1"));
    // styled line by line, as the editor asks when it shows the text: the comment open at the
    // end of line 1 is carried into lines 2 and 3
    for (int line = 0; line < e->lines(); ++line) {
        const int start = e->positionFromLineIndex(line, 0);
        const int end = line + 1 < e->lines()
            ? e->positionFromLineIndex(line + 1, 0)
            : int(e->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
        e->sqlLexer()->styleText(start, end);
    }
    using S = TqvSqlLexer::Style;
    EXPECT_EQ(styleAt(e, 0, 0), S::Reserved);
    EXPECT_EQ(styleAt(e, 0, 7), S::Default);
    EXPECT_EQ(styleAt(e, 0, 10), S::Comment);
    EXPECT_EQ(styleAt(e, 1, 0), S::Reserved);
    EXPECT_EQ(styleAt(e, 1, 8), S::Comment);
    EXPECT_EQ(styleAt(e, 2, 3), S::Comment);
    EXPECT_EQ(styleAt(e, 3, 0), S::Comment);
    EXPECT_EQ(styleAt(e, 3, 5), S::Reserved); // WHERE
    EXPECT_EQ(styleAt(e, 3, 16), S::String); // 'q'
    EXPECT_EQ(styleAt(e, 3, 28), S::Number); // 12
    EXPECT_EQ(styleAt(e, 4, 8), S::String); // $f$ ... $f$
    EXPECT_EQ(styleAt(e, 4, 14), S::String); // not a comment inside it
    EXPECT_EQ(styleAt(e, 4, 22), S::Reserved); // AND
    EXPECT_EQ(styleAt(e, 4, 30), S::String); // E'\''
    EXPECT_EQ(styleAt(e, 4, 34), S::String);
    EXPECT_EQ(styleAt(e, 4, 36), S::Reserved); // OR after the escaped quote
    EXPECT_EQ(styleAt(e, 4, 39), S::Default); // 表

    // an edit that opens a comment restyles what follows
    e->insertAt(QStringLiteral("/*"), 0, 0);
    e->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0ul, -1l);
    EXPECT_EQ(styleAt(e, 0, 2), S::Comment);
    EXPECT_EQ(styleAt(e, 1, 0), S::Comment);
}

// A line styled on its own reads a little of the line before it; where that line ends in
// characters of several bytes the read must start on a character, or the styled lengths run
// past the text.
TEST(TqvSqlLexer, ALineAfterMultiByteCharactersIsStyledOnItsOwn)
{
    Host host;
    TqvMemo *e = host.editor;
    QStringList words;
    SetDefaultReserveWords(words);
    e->sqlLexer()->setReserveWords(words);
    for (const QString &before : { QStringLiteral("《中略》"), QStringLiteral("x 表"),
                                   QStringLiteral("é"), QStringLiteral("😀😀") }) {
        SCOPED_TRACE(before.toStdString());
        e->setText(before + QStringLiteral("\nSELECT 1 -- 》\n'表' AND"));
        for (int line = 1; line < e->lines(); ++line) {
            const int start = e->positionFromLineIndex(line, 0);
            const int end = line + 1 < e->lines()
                ? e->positionFromLineIndex(line + 1, 0)
                : int(e->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
            e->sqlLexer()->styleText(start, end);
        }
        using S = TqvSqlLexer::Style;
        EXPECT_EQ(styleAt(e, 1, 0), S::Reserved);
        EXPECT_EQ(styleAt(e, 1, 7), S::Number);
        EXPECT_EQ(styleAt(e, 1, 9), S::Comment);
        EXPECT_EQ(styleAt(e, 2, 0), S::String);
        EXPECT_EQ(styleAt(e, 2, 4), S::Reserved);
    }
}

TEST(TqvSqlLexer, StatementKeywordMode)
{
    Host host;
    TqvMemo *e = host.editor;
    e->sqlLexer()->setReserveWords(
        { QStringLiteral("QVSTSSELECT"), QStringLiteral("QVSTSCREATE TABLE") });
    EXPECT_TRUE(e->sqlLexer()->statementKeywordMode());
    e->setText(QStringLiteral("SELECT\nSELECT a\nCREATE TABLE"));
    e->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0ul, -1l);
    using S = TqvSqlLexer::Style;
    EXPECT_EQ(styleAt(e, 0, 0), S::Reserved);
    EXPECT_EQ(styleAt(e, 1, 0), S::Default);
    EXPECT_EQ(styleAt(e, 2, 0), S::Reserved);
    EXPECT_EQ(styleAt(e, 2, 8), S::Reserved);

    // a word sorting before the marked ones switches the mode off
    e->sqlLexer()->setReserveWords(
        { QStringLiteral("ABORT"), QStringLiteral("QVSTSSELECT"), QStringLiteral("SELECT") });
    EXPECT_FALSE(e->sqlLexer()->statementKeywordMode());
    e->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0ul, -1l);
    EXPECT_EQ(styleAt(e, 1, 0), S::Reserved);
}

TEST(TqvMemo, TakesTheSharedSettingsPopupAndMacroList)
{
    TqvMacroList macros;
    TqvMacroList *oldMacros = MacroList;
    const TqvEditorSettings oldSettings = EditorOption;
    MacroList = &macros;
    QMenu popup;
    SetSharedEditorPopup(&popup);
    EditorOption = DefaultEditorSettings();
    EditorOption.ReserveWordList = { QStringLiteral("SELECT") };
    EditorOption.Caret.TabSpaceCount = 4;

    Host host;
    ApplyControlOptions(host.editor);
    EXPECT_EQ(host.editor->MacroList(), &macros);
    EXPECT_EQ(host.editor->tabWidth(), 4);
    host.editor->setText(QStringLiteral("select from"));
    host.editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0ul, -1l);
    EXPECT_EQ(styleAt(host.editor, 0, 0), TqvSqlLexer::Reserved);
    EXPECT_EQ(styleAt(host.editor, 0, 7), TqvSqlLexer::Default);
    EXPECT_EQ(host.editor->sqlLexer()->color(TqvSqlLexer::Reserved), QColor(0, 0, 255));

    SetSharedEditorPopup(nullptr);
    MacroList = oldMacros;
    EditorOption = oldSettings;
}

} // namespace memotest
