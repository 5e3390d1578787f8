#include "qvmemo.h"

#include "qvsqllexer.h"
#include "qvsqltext.h"

#include "core/qveditorsettings.h"
#include "core/qvfontmap.h"
#include "core/qvmacro.h"
#include "core/qvname.h"
#include "core/qvsub.h"
#include "platform/pg/paramscanner.h"
#include "ui/qvimages.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPixmap>
#include <QScrollBar>
#include <QSizeGrip>
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
    auto *assist = qobject_cast<TqvCodeAssist *>(list);
    if (assist)
        assist->Detach();
    if (assist && assist->IsHandling()) {
        // closed by one of its own handlers, which is still running on it
        list->hide();
        list->deleteLater();
    } else {
        delete list;
    }
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

// ---- completion list ---------------------------------------------------------------------------

// The rows the list shows: the first RowCount of its filtered candidates. Rows are appended as
// the user moves towards them, never all at once for a long list.
class TqvCodeAssistModel : public QAbstractTableModel
{
public:
    explicit TqvCodeAssistModel(TqvCodeAssist *list)
        : QAbstractTableModel(list)
        , m_list(list)
    { }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const int row = index.row();
        if (!index.isValid() || row >= m_rows)
            return {};
        if (role == Qt::DisplayRole)
            return index.column() == 0 ? m_list->CaptionListW.at(row)
                                       : m_list->SubItemListW.at(row);
        if (role == Qt::DecorationRole && index.column() == 0) {
            const int image = m_list->ImageListW.at(row);
            if (image < 0) {
                // an empty image keeps the captions of rows without one in line
                if (m_blank.isNull()) {
                    QPixmap blank(16, 16);
                    blank.fill(Qt::transparent);
                    m_blank = QIcon(blank);
                }
                return m_blank;
            }
            auto it = m_icons.find(image);
            if (it == m_icons.end())
                it = m_icons.insert(image, MainImage(image));
            return *it;
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 2)
            return m_headers[section];
        return {};
    }

    void setHeaders(const QString &first, const QString &second)
    {
        m_headers[0] = first;
        m_headers[1] = second;
        emit headerDataChanged(Qt::Horizontal, 0, 1);
    }
    void clearRows()
    {
        beginResetModel();
        m_rows = 0;
        endResetModel();
    }
    void appendRows(int count)
    {
        if (count <= 0)
            return;
        beginInsertRows(QModelIndex(), m_rows, m_rows + count - 1);
        m_rows += count;
        endInsertRows();
    }

private:
    TqvCodeAssist *m_list;
    int m_rows = 0;
    QString m_headers[2];
    mutable QHash<int, QIcon> m_icons;
    mutable QIcon m_blank;
};

TqvCodeAssist::TqvCodeAssist(TqvMemo *AEdit, QWidget *AOwner, int X, int Y)
    : QTreeView(AOwner)
    , FOwner(AEdit)
{
    // a window of its own, so that it may reach beyond the editor, that never takes the focus
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    header()->setFocusPolicy(Qt::NoFocus);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("CodeAssist"));
    setFont(MapFont(QStringLiteral("ＭＳ ゴシック"), 10, true));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setAllColumnsShowFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    m_model = new TqvCodeAssistModel(this);
    setModel(m_model);

    // placement: under the caret, moved left when it would reach past the editor's right edge
    setMinimumSize(200, 100);
    const int editorWidth = AEdit->width();
    int w = qMax(200, AEdit->CASize.Width);
    int h = qMax(100, AEdit->CASize.Height);
    if (editorWidth < w)
        w = qMax(200, editorWidth);
    int left = X;
    const int d = X + w - editorWidth + 30;
    if (d > 0) {
        left -= d;
        h = 150;
    }
    const int top = Y + QFontMetrics(AEdit->font()).height() + 2;
    resize(w, h);
    move(AEdit->viewport()->mapToGlobal(QPoint(left, top)));

    // frameless, so a grip in the corner resizes it
    auto *grip = new QSizeGrip(this);
    grip->setFixedSize(12, 12);
    grip->setFocusPolicy(Qt::NoFocus);
    setCornerWidget(grip);

    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        ++m_handling;
        QPointer<TqvCodeAssist> self(this);
        Accept();
        if (self)
            --m_handling;
    });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] {
        for (int k = 0; k < 6; ++k)
            AddItems();
    });
    m_start = m_end = caretPos();
    AEdit->installEventFilter(this);
    hide();
}

TqvCodeAssist::~TqvCodeAssist()
{
    Detach();
}

void TqvCodeAssist::Detach()
{
    if (m_detached)
        return;
    m_detached = true;
    if (FOwner)
        FOwner->removeEventFilter(this);
}

void TqvCodeAssist::SetColumns(const QString &first, const QString &second)
{
    m_model->setHeaders(first, second);
    header()->resizeSection(0, FOwner->CASize.ColumnWidth[0]);
    header()->resizeSection(1, FOwner->CASize.ColumnWidth[1]);
}

void TqvCodeAssist::AddCandidate(const QString &caption, const QString &subItem, int image)
{
    CaptionList.append(caption);
    SubItemList.append(subItem);
    ImageList.append(image);
}

long TqvCodeAssist::caretPos() const
{
    return FOwner->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
}

void TqvCodeAssist::SetBuffer(const QString &Text)
{
    // The word is found back in the editor text before the caret: as typed, or as a name in
    // double quotes (the token gives such a name without its quotes).
    m_end = caretPos();
    m_start = m_end;
    if (Text.isEmpty())
        return;
    int line = 0;
    int index = 0;
    FOwner->getCursorPosition(&line, &index);
    const QString before = FOwner->text(line).left(index);
    int chars = 0;
    if (before.endsWith(Text, Qt::CaseInsensitive)) {
        chars = int(Text.size());
        if (before.size() > chars && before.at(before.size() - chars - 1) == u'"')
            ++chars; // an open double quote begins the word
    } else {
        const QString quoted = pg::quoteIdentifier(Text);
        if (before.endsWith(quoted, Qt::CaseInsensitive))
            chars = int(quoted.size());
    }
    m_start = FOwner->SendScintilla(QsciScintillaBase::SCI_POSITIONRELATIVE,
                                    static_cast<unsigned long>(m_end), long(-chars));
}

QString TqvCodeAssist::TypedWord() const
{
    const long caret = caretPos();
    if (caret <= m_start)
        return {};
    int line = 0;
    int from = 0;
    int to = 0;
    FOwner->lineIndexFromPosition(int(m_start), &line, &from);
    FOwner->lineIndexFromPosition(int(caret), &line, &to);
    QString word = FOwner->text(line).mid(from, to - from);
    if (word.startsWith(u'"'))
        word.remove(0, 1);
    return word;
}

void TqvCodeAssist::ShowItems()
{
    // the word without surrounding blanks and control characters
    QString word = TypedWord();
    qsizetype a = 0;
    qsizetype b = word.size();
    while (a < b && word.at(a).unicode() <= 32)
        ++a;
    while (b > a && word.at(b - 1).unicode() <= 32)
        --b;
    word = word.mid(a, b - a);

    CaptionListW.clear();
    SubItemListW.clear();
    ImageListW.clear();
    for (qsizetype k = 0; k < CaptionList.size(); ++k) {
        if (!word.isEmpty() && !CaptionList.at(k).startsWith(word, Qt::CaseInsensitive))
            continue;
        CaptionListW.append(CaptionList.at(k));
        SubItemListW.append(SubItemList.at(k));
        ImageListW.append(ImageList.at(k));
    }
    m_model->clearRows();
    m_model->appendRows(int(qMin<qsizetype>(ItemMax, CaptionListW.size())));
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
}

void TqvCodeAssist::AddItems()
{
    if (m_model->rowCount() < CaptionListW.size())
        m_model->appendRows(1);
}

int TqvCodeAssist::RowCount() const
{
    return m_model->rowCount();
}

void TqvCodeAssist::Popup()
{
    show();
    if (m_model->rowCount() > 0) {
        setCurrentIndex(m_model->index(0, 0));
        scrollToTop();
    }
}

QString TqvCodeAssist::QuoteCaption(const QString &Caption)
{
    return NameNeedsQuotes(Caption, false) ? pg::quoteIdentifier(Caption) : Caption;
}

void TqvCodeAssist::Accept()
{
    TqvMemo *editor = FOwner;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() < CaptionListW.size()) {
        const QString caption = CaptionListW.at(current.row());
        const QString text = ReserveWordList.contains(caption, Qt::CaseSensitive)
            ? caption
            : QuoteCaption(caption);
        // the whole word, also the part after the caret, in one undo step
        const long end = qMax(m_end, caretPos());
        editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(m_start),
                              end);
        editor->replaceSelectedText(text);
    }
    editor->CloseCodeAssist();
}

void TqvCodeAssist::moveRow(CursorAction action)
{
    const QModelIndex next = moveCursor(action, Qt::NoModifier);
    if (next.isValid())
        setCurrentIndex(next);
}

void TqvCodeAssist::wheelEvent(QWheelEvent *event)
{
    for (int k = 0; k < 8; ++k)
        AddItems();
    QTreeView::wheelEvent(event);
}

bool TqvCodeAssist::forwardToEditor(QEvent *event)
{
    // The editor handles the key as if the list were not there; the word grows or shrinks by
    // what the key changed in it.
    const long before = caretPos();
    const long length = FOwner->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    QPointer<TqvCodeAssist> self(this);
    QPointer<TqvMemo> editor(FOwner);
    m_forwarding = true;
    QCoreApplication::sendEvent(FOwner, event);
    if (!self)
        return true;
    m_forwarding = false;
    if (m_detached || !editor)
        return true;
    const long delta = FOwner->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) - length;
    if (before >= m_start && before <= m_end)
        m_end = qMax(m_start, m_end + delta);
    const long caret = caretPos();
    if (caret < m_start || caret > m_end) {
        FOwner->CloseCodeAssist(); // the caret left the word
        return true;
    }
    ShowItems();
    return true;
}

bool TqvCodeAssist::editorKey(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    switch (key) {
    case Qt::Key_Down:
        AddItems();
        moveRow(MoveDown);
        return true;
    case Qt::Key_Up:
        moveRow(MoveUp);
        return true;
    case Qt::Key_PageDown:
        for (int k = 0; k < 8; ++k)
            AddItems();
        moveRow(MovePageDown);
        return true;
    case Qt::Key_PageUp:
        moveRow(MovePageUp);
        return true;
    case Qt::Key_Home:
        moveRow(MoveHome);
        return true;
    case Qt::Key_End:
        while (m_model->rowCount() < CaptionListW.size())
            m_model->appendRows(int(CaptionListW.size()) - m_model->rowCount());
        moveRow(MoveEnd);
        return true;
    case Qt::Key_Escape:
        FOwner->CloseCodeAssist();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Accept();
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Left:
        if (caretPos() <= m_start) {
            // at the start of the word: the editor deletes or moves past what opened the list
            FOwner->CloseCodeAssist();
            return false;
        }
        return forwardToEditor(event);
    case Qt::Key_Right:
        if (caretPos() >= m_end) {
            FOwner->CloseCodeAssist();
            return false;
        }
        return forwardToEditor(event);
    default:
        break;
    }
    if (key == Qt::Key_Space && (mods & Qt::ControlModifier))
        return true; // asks for the list that is open: nothing at all
    const QString text = event->text();
    if (key == Qt::Key_Tab || (text.size() == 1 && QStringLiteral(" %,.;").contains(text.at(0)))) {
        // accepted, then the key goes on to the editor as typed: "." asks for the next list
        Accept();
        return false;
    }
    return forwardToEditor(event);
}

bool TqvCodeAssist::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FOwner || m_detached || m_forwarding)
        return QTreeView::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::InputMethod)
        return QTreeView::eventFilter(watched, event);
    QPointer<TqvCodeAssist> self(this);
    ++m_handling;
    bool eaten = true;
    try {
        if (type == QEvent::KeyPress)
            eaten = editorKey(static_cast<QKeyEvent *>(event));
        else if (!static_cast<QInputMethodEvent *>(event)->commitString().isEmpty())
            eaten = forwardToEditor(event);
        else
            eaten = false; // composing: the editor shows it, the word has not changed yet
    } catch (...) {
        if (self)
            --m_handling;
        throw;
    }
    if (self)
        --m_handling;
    return eaten;
}

void LocateSQLError(TqvMemo *editor, int firstLine, int lastLine)
{
    if (editor && !editor->hasSelectedText())
        editor->MultiLineSelect(firstLine, lastLine);
}
