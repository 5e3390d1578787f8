#include "qvmemo.h"

#include "qvsqllexer.h"
#include "qvsqltext.h"

#include "core/qveditorsettings.h"
#include "core/qvfontmap.h"
#include "core/qvmacro.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>
#include <QWheelEvent>

TqvMemo::TqvMemo(QWidget *parent)
    : QsciScintilla(parent)
{
    setUtf8(true);
    setEolMode(EolUnix);
    m_lexer = new TqvSqlLexer(this);
    setLexer(m_lexer);
    // any scrolling closes the completion list
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { CloseCodeAssist(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { CloseCodeAssist(); });
}

TqvMemo::~TqvMemo()
{
    if (FMacroList) {
        EndRec();
        CancelExec();
    }
    delete m_codeAssist;
}

void TqvMemo::ApplyEditorOptions(const TqvEditorSettings &settings, QMenu *popup,
                                 TqvMacroList *macros)
{
    const QFont font = MapFont(settings.Font.Name, settings.Font.Size, settings.Font.FixedPitch);
    setFont(font);
    m_lexer->applySettings(settings);
    const QColor paper = EditorColorToQColor(settings.Color);
    const QColor text = EditorColorToQColor(settings.Font.Color);
    if (paper.isValid())
        setPaper(paper);
    if (text.isValid()) {
        setColor(text);
        setCaretForegroundColor(text);
    }

    setAutoIndent(settings.Caret.AutoIndent);
    setBackspaceUnindents(settings.Caret.BackSpaceUnIndent);
    setTabIndents(settings.Caret.TabIndent);
    setIndentationsUseTabs(!settings.Caret.SoftTab);
    if (settings.Caret.TabSpaceCount > 0)
        setTabWidth(settings.Caret.TabSpaceCount);

    // line numbers in the left bar, as many digits as its column count
    setMarginsFont(font);
    setMarginLineNumbers(0, settings.Leftbar.Visible);
    const int digits = qMax(1, settings.Leftbar.Column);
    setMarginWidth(0,
                   settings.Leftbar.Visible
                       ? QFontMetrics(font).horizontalAdvance(QString(digits, QLatin1Char('0')))
                           + settings.Leftbar.LeftMargin + settings.Leftbar.RightMargin + 4
                       : 0);
    const QColor bar = EditorColorToQColor(settings.Leftbar.BkColor);
    if (bar.isValid())
        setMarginsBackgroundColor(bar);
    setMarginWidth(1, 0);

    // Blanks are marked only when half-width blanks are to be shown: the editor marks every
    // blank or none, so tab and full-width marks alone show none.
    setEolVisibility(settings.Marks.RetMark.Visible);
    const bool blanks = settings.Marks.SemiSpaceMark.Visible;
    setWhitespaceVisibility(blanks ? WsVisible : WsInvisible);
    const QColor blankColor = EditorColorToQColor(settings.Marks.SemiSpaceMark.Color);
    if (blanks && blankColor.isValid())
        setWhitespaceForegroundColor(blankColor);
    setCaretLineVisible(settings.Marks.Underline.Visible);

    m_popup = popup;
    FMacroList = macros;
}

// ---- code assist -----------------------------------------------------------------------------

QString TqvMemo::lineText(int line) const
{
    QString t = text(line);
    while (t.endsWith(u'\n') || t.endsWith(u'\r'))
        t.chop(1);
    return t;
}

QString TqvMemo::GetCodeAssistToken() const
{
    int line = 0;
    int index = 0;
    getCursorPosition(&line, &index);
    if (lines() == 0)
        return {};
    return sqltext::CodeAssistToken(lineText(line), index);
}

void TqvMemo::SetCodeAssist(QWidget *list)
{
    if (m_codeAssist && m_codeAssist != list)
        CloseCodeAssist();
    m_codeAssist = list;
}

void TqvMemo::CloseCodeAssist()
{
    if (!m_codeAssist)
        return;
    QWidget *list = m_codeAssist;
    CASize.Width = list->width();
    CASize.Height = list->height();
    QHeaderView *header = nullptr;
    if (auto *tree = qobject_cast<QTreeView *>(list))
        header = tree->header();
    else if (auto *table = qobject_cast<QTableView *>(list))
        header = table->horizontalHeader();
    if (!header)
        header = list->findChild<QHeaderView *>();
    if (header) {
        for (int c = 0; c < 2 && c < header->count(); ++c)
            CASize.ColumnWidth[c] = header->sectionSize(c);
    }
    // disabled first, so that the focus it loses while going does not close it again
    list->setEnabled(false);
    m_codeAssist = nullptr;
    delete list;
    setFocus();
}

void TqvMemo::RequestCodeAssist()
{
    if (m_codeAssist)
        return;
    TqvCodeAssistOwner *owner = nullptr;
    for (QWidget *w = parentWidget(); w && !owner; w = w->parentWidget())
        owner = dynamic_cast<TqvCodeAssistOwner *>(w);
    if (!owner)
        return;
    const long pos = SendScintilla(SCI_GETCURRENTPOS);
    const int x = int(SendScintilla(SCI_POINTXFROMPOSITION, 0ul, pos));
    const int y = int(SendScintilla(SCI_POINTYFROMPOSITION, 0ul, pos));
    owner->WMCodeAssist(this, x, y);
}

// ---- editing services ------------------------------------------------------------------------

void TqvMemo::MultiLineSelect(int sp, int ep)
{
    SendScintilla(SCI_SETEMPTYSELECTION, SendScintilla(SCI_GETCURRENTPOS));
    const int last = qMax(0, lines() - 1);
    sp = qBound(0, sp, last);
    ep = qBound(sp, ep, last);
    if (ep < last)
        setSelection(sp, 0, ep + 1, 0);
    else
        setSelection(sp, 0, ep, int(lineText(ep).size()));
}

void TqvMemo::BeginUpdate()
{
    if (m_updateDepth++ == 0)
        setUpdatesEnabled(false);
}

void TqvMemo::EndUpdate()
{
    if (m_updateDepth == 0)
        return;
    if (--m_updateDepth == 0)
        setUpdatesEnabled(true);
}

void TqvMemo::Jump(int line)
{
    setFocus();
    const int last = qMax(0, lines() - 1);
    const int row = qBound(0, line - 1, last);
    ensureLineVisible(qBound(0, row + 10, last));
    ensureLineVisible(qBound(0, row - 10, last));
    setCursorPosition(row, 0);
}

void TqvMemo::SetSelIndex(int startRow, int selIndex)
{
    const long start
        = SendScintilla(SCI_POSITIONFROMLINE, qBound(0, startRow, qMax(0, lines() - 1)));
    long pos
        = SendScintilla(SCI_POSITIONRELATIVE, static_cast<unsigned long>(start), long(selIndex));
    if (pos == 0 && selIndex > 0) // beyond the text
        pos = SendScintilla(SCI_GETLENGTH);
    SendScintilla(SCI_GOTOPOS, pos);
}

void TqvMemo::selectWordAt(int line, int index)
{
    int start = 0;
    int length = 0;
    if (lines() == 0 || !sqltext::EditorWordAt(lineText(line), index, &start, &length))
        return;
    setSelection(line, start, line, start + length);
}

void TqvMemo::SelectWordFromCaret()
{
    int line = 0;
    int index = 0;
    getCursorPosition(&line, &index);
    selectWordAt(line, index);
}

void TqvMemo::UndoMessage(int wParam)
{
    if (isReadOnly())
        return;
    if (wParam == 1)
        redo();
    else
        undo();
}

void TqvMemo::SelCommentOut()
{
    if (isReadOnly() || lines() == 0)
        return;
    if (SendScintilla(SCI_GETSELECTIONMODE) == SC_SEL_RECTANGLE
        || SendScintilla(SCI_SELECTIONISRECTANGLE)) {
        toggleBoxComments();
        return;
    }
    int lineFrom = 0;
    int indexFrom = 0;
    int lineTo = 0;
    int indexTo = 0;
    const bool selected = hasSelectedText();
    int caretLine = 0;
    int caretIndex = 0;
    getCursorPosition(&caretLine, &caretIndex);
    if (selected) {
        getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    } else {
        lineFrom = lineTo = caretLine;
        indexTo = caretIndex;
    }
    int last = lineTo;
    if (selected && indexTo == 0 && lineTo > lineFrom)
        --last;

    QStringList rows;
    for (int l = lineFrom; l <= last; ++l)
        rows.append(lineText(l));
    const QStringList toggled = sqltext::ToggleLineComments(rows);

    // every row of the range in one replacement: one undo step
    beginUndoAction();
    setSelection(lineFrom, 0, last, int(rows.last().size()));
    replaceSelectedText(toggled.join(QLatin1Char('\n')));
    endUndoAction();

    if (selected) {
        if (last < lineTo)
            setSelection(lineFrom, 0, lineTo, 0);
        else
            setSelection(lineFrom, 0, last, int(toggled.last().size()));
    } else {
        const int delta = int(toggled.first().size() - rows.first().size());
        setCursorPosition(caretLine, qMax(0, caretIndex + delta));
    }
}

void TqvMemo::toggleBoxComments()
{
    const long anchor = SendScintilla(SCI_GETRECTANGULARSELECTIONANCHOR);
    const long caret = SendScintilla(SCI_GETRECTANGULARSELECTIONCARET);
    const long anchorColumn = SendScintilla(SCI_GETCOLUMN, static_cast<unsigned long>(anchor))
        + SendScintilla(SCI_GETRECTANGULARSELECTIONANCHORVIRTUALSPACE);
    const long caretColumn = SendScintilla(SCI_GETCOLUMN, static_cast<unsigned long>(caret))
        + SendScintilla(SCI_GETRECTANGULARSELECTIONCARETVIRTUALSPACE);
    const long column = qMin(anchorColumn, caretColumn);
    int first = int(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(anchor)));
    int lastRow = int(SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret)));
    if (first > lastRow)
        std::swap(first, lastRow);
    lastRow = qMin(lastRow, lines() - 1);

    QStringList rows;
    QList<int> columns;
    for (int l = first; l <= lastRow; ++l) {
        rows.append(lineText(l));
        const long pos = SendScintilla(SCI_FINDCOLUMN, static_cast<unsigned long>(l), column);
        if (SendScintilla(SCI_GETCOLUMN, static_cast<unsigned long>(pos)) < column) {
            columns.append(int(rows.last().size()) + 1); // shorter than the box column
        } else {
            int line = 0;
            int index = 0;
            lineIndexFromPosition(int(pos), &line, &index);
            columns.append(index);
        }
    }
    const QStringList toggled = sqltext::ToggleBoxComments(rows, columns);
    beginUndoAction();
    for (int k = 0; k < rows.size(); ++k) {
        if (toggled.at(k) == rows.at(k))
            continue;
        const int l = first + k;
        setSelection(l, 0, l, int(rows.at(k).size()));
        replaceSelectedText(toggled.at(k));
    }
    endUndoAction();
}

// ---- keyboard macro ----------------------------------------------------------------------------

void TqvMemo::BeginRec()
{
    if (!FMacroList)
        return;
    const TqvMacroStatus s = FMacroList->Status();
    if (s != msNone && s != msWaiting)
        return;
    FMacroList->Clear();
    FMacroList->SetStatus(msRecording);
}

void TqvMemo::EndRec()
{
    if (FMacroList && FMacroList->Status() == msRecording)
        FMacroList->SetStatus(msWaiting);
}

void TqvMemo::CancelRec()
{
    if (!FMacroList || FMacroList->Status() != msRecording)
        return;
    EndRec();
    FMacroList->Clear();
    FMacroList->SetStatus(msNone);
}

void TqvMemo::CancelExec()
{
    if (FMacroList && FMacroList->Status() == msRunning)
        FMacroList->SetStatus(msWaiting);
}

void TqvMemo::Execute()
{
    TqvMacroList *list = FMacroList;
    if (!list || list->Status() != msWaiting || list->Count() == 0)
        return;
    list->SetStatus(msRunning);
    // The replayed keys may close the window of this editor: everything below reaches the
    // editor only through the guard, and the status is put back whatever happens.
    QPointer<TqvMemo> self(this);
    struct StatusBack
    {
        TqvMacroList *list;
        ~StatusBack()
        {
            if (list->Status() == msRunning)
                list->SetStatus(msWaiting);
        }
    } statusBack { list };
    QList<TKeyMacroData> items;
    for (int k = 0; k < list->Count(); ++k)
        items.append(list->Items(k));
    for (const TKeyMacroData &item : std::as_const(items)) {
        if (!self || list->Status() != msRunning)
            break;
        if (item.kind == TKeyMacroData::InputMethod) {
            QInputMethodEvent event;
            event.setCommitString(item.text);
            QCoreApplication::sendEvent(self, &event);
        } else {
            QKeyEvent press(QEvent::KeyPress, item.key, item.modifiers, item.nativeScanCode,
                            item.nativeVirtualKey, item.nativeModifiers, item.text,
                            item.autoRepeat);
            QCoreApplication::sendEvent(self, &press);
            if (self) {
                QKeyEvent release(QEvent::KeyRelease, item.key, item.modifiers, item.nativeScanCode,
                                  item.nativeVirtualKey, item.nativeModifiers, item.text,
                                  item.autoRepeat);
                QCoreApplication::sendEvent(self, &release);
            }
        }
        // a window closed by the key goes now, so that the replay does not type into it
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// ---- events ------------------------------------------------------------------------------------

void TqvMemo::keyPressEvent(QKeyEvent *event)
{
    if (FMacroList && FMacroList->Status() == msRecording) {
        TKeyMacroData data;
        data.kind = TKeyMacroData::KeyPress;
        data.key = event->key();
        data.modifiers = event->modifiers();
        data.text = event->text();
        data.autoRepeat = event->isAutoRepeat();
        data.nativeScanCode = event->nativeScanCode();
        data.nativeVirtualKey = event->nativeVirtualKey();
        data.nativeModifiers = event->nativeModifiers();
        FMacroList->Add(data);
    }
    if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        RequestCodeAssist(); // nothing is typed; last, as the owner may close this editor
        return;
    }
    if (event->text() == QLatin1String(".") && !isReadOnly()) {
        QsciScintilla::keyPressEvent(event);
        RequestCodeAssist();
        return;
    }
    const bool f6 = event->key() == Qt::Key_F6;
    QsciScintilla::keyPressEvent(event);
    if (f6) {
        event->accept();
        RequestCodeAssist();
    }
}

void TqvMemo::inputMethodEvent(QInputMethodEvent *event)
{
    if (FMacroList && FMacroList->Status() == msRecording && !event->commitString().isEmpty()) {
        TKeyMacroData data;
        data.kind = TKeyMacroData::InputMethod;
        data.text = event->commitString();
        FMacroList->Add(data);
    }
    QsciScintilla::inputMethodEvent(event);
}

void TqvMemo::mousePressEvent(QMouseEvent *event)
{
    CloseCodeAssist();
    QsciScintilla::mousePressEvent(event);
}

void TqvMemo::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        CloseCodeAssist();
    QsciScintilla::mouseReleaseEvent(event);
}

void TqvMemo::mouseDoubleClickEvent(QMouseEvent *event)
{
    // the SQL word, not the editor's own idea of a word
    const long pos = SendScintilla(SCI_POSITIONFROMPOINTCLOSE,
                                   static_cast<unsigned long>(event->position().x()),
                                   long(event->position().y()));
    if (pos < 0)
        return;
    int line = 0;
    int index = 0;
    lineIndexFromPosition(int(pos), &line, &index);
    setCursorPosition(line, index);
    selectWordAt(line, index);
    event->accept();
}

void TqvMemo::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() != Qt::NoModifier) {
        QsciScintilla::wheelEvent(event);
        return;
    }
    // one row for each step of the wheel
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0)
        setFirstVisibleLine(qMax(0, firstVisibleLine() - steps));
    event->accept();
}

void TqvMemo::focusOutEvent(QFocusEvent *event)
{
    if (m_codeAssist) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus || (focus != m_codeAssist && !m_codeAssist->isAncestorOf(focus)))
            CloseCodeAssist();
    }
    QsciScintilla::focusOutEvent(event);
}

void TqvMemo::resizeEvent(QResizeEvent *event)
{
    CloseCodeAssist();
    QsciScintilla::resizeEvent(event);
}

void TqvMemo::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_popup) {
        m_popup->exec(event->globalPos());
        event->accept();
        return;
    }
    QsciScintilla::contextMenuEvent(event);
}

void LocateSQLError(TqvMemo *editor, int firstLine, int lastLine)
{
    if (editor && !editor->hasSelectedText())
        editor->MultiLineSelect(firstLine, lastLine);
}
