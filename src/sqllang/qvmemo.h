#pragma once

#include "qvcodeassistowner.h"

#include "ui/qvctlopt.h"

#include <Qsci/qsciscintilla.h>

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTreeView>

class TqvCodeAssistModel;
class TqvMacroList;
class TqvMemo;
class TqvSqlLexer;

// The size of the completion list, kept between its openings in one editor.
struct TqvCodeAssistSize
{
    int Width = 256;
    int Height = 150;
    int ColumnWidth[2] = { 125, 90 };
};

// The SQL editor control of every window that shows SQL, source or log text: QScintilla with
// SQL colouring (TqvSqlLexer), the code-assist request, word selection by SQL delimiters,
// one-row wheel steps, the comment toggle and the keyboard macro. Its look comes from the
// editor settings through ApplyControlOptions.
class TqvMemo : public QsciScintilla, public TqvEditorControl
{
    Q_OBJECT

public:
    explicit TqvMemo(QWidget *parent = nullptr);
    ~TqvMemo() override;

    void ApplyEditorOptions(const TqvEditorSettings &settings, QMenu *popup,
                            TqvMacroList *macros) override;

    TqvSqlLexer *sqlLexer() const { return m_lexer; }
    TqvMacroList *MacroList() const { return FMacroList; }
    void SetMacroList(TqvMacroList *macros) { FMacroList = macros; }

    // ---- code assist
    // The text at the caret that code assist completes (see sqltext::CodeAssistToken).
    QString GetCodeAssistToken() const;
    // The open completion list, or null. The editor owns it while it is open.
    QWidget *CodeAssist() const { return m_codeAssist; }
    void SetCodeAssist(QWidget *list);
    // Remembers the list's size and first two column widths in CASize, frees the list and gives
    // the focus back to the editor; nothing when no list is open.
    void CloseCodeAssist();
    TqvCodeAssistSize CASize;

    // ---- editing services
    // Selects whole rows sp to ep (0-based), clamped to the text.
    void MultiLineSelect(int sp, int ep);
    // Bracket around filling the text: no repainting in between; brackets nest.
    void BeginUpdate();
    void EndUpdate();
    // Brings line (1-based, clamped to the text) into view with about ten lines of context
    // above and below and puts the caret at its start.
    void Jump(int line);
    // Puts the caret selIndex characters after the start of row startRow, counting on into the
    // following rows (each line break counts as its characters).
    void SetSelIndex(int startRow, int selIndex);
    // Selects the SQL word that contains the character left of the caret.
    void SelectWordFromCaret();
    // The comment toggle of the selected lines, or of the caret's line, as one undo step; in a
    // box selection, of the box's left column.
    void SelCommentOut();
    // The undo message: nothing when read-only; redo when wParam is 1, else undo.
    void UndoMessage(int wParam);
    // Asks the owner to open code assist at the caret (once no list is open).
    void RequestCodeAssist();

    // ---- keyboard macro (one status for the whole process, in the macro list)
    virtual void BeginRec();
    virtual void EndRec();
    virtual void CancelRec();
    virtual void Execute();
    virtual void CancelExec();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void selectWordAt(int line, int index);
    QString lineText(int line) const; // without its line break
    void toggleBoxComments();

    TqvSqlLexer *m_lexer = nullptr;
    TqvMacroList *FMacroList = nullptr;
    QPointer<QWidget> m_codeAssist;
    QPointer<QMenu> m_popup;
    int m_updateDepth = 0;
    int m_wheelRemainder = 0;
};

// After a statement failed: selects lines firstLine to lastLine (0-based) of the editor unless
// it already has a selection.
void LocateSQLError(TqvMemo *editor, int firstLine, int lastLine);

// The completion list of code assist: a frameless, resizable tool window under the caret of its
// editor that never takes the keyboard focus. While it is open an event filter on the editor
// routes the keys: Up, Down, Page Up, Page Down, Home and End move the row; TAB, Enter, blank,
// "%", ",", "." and ";" accept the row; Esc closes; Backspace and Left at the start of the word
// and Right at its end close the list and go on to the editor; every other key is typed into
// the editor and the list is filtered again. The typed word is the editor text from the word
// start to the caret, so the editor and the filter never disagree.
//
// The lookups create it, fill CaptionList, SubItemList and ImageList, call SetBuffer with the
// word typed so far and ShowItems, then Popup; the editor's CloseCodeAssist ends it.
class TqvCodeAssist : public QTreeView
{
    Q_OBJECT
public:
    // Hidden, placed under the caret (x, y in the editor's viewport) and sized from the editor's
    // CASize; owner is the window that asked and outlives the list.
    TqvCodeAssist(TqvMemo *AEdit, QWidget *AOwner, int X, int Y);
    ~TqvCodeAssist() override;

    // The captions of the two columns; their widths come from the editor's CASize.
    void SetColumns(const QString &first, const QString &second);
    void AddCandidate(const QString &caption, const QString &subItem, int image);
    // The word typed so far, ending at the caret: the editor text that an accepted caption
    // replaces begins where this word begins.
    void SetBuffer(const QString &Text);
    // The editor text from the word start to the caret.
    QString TypedWord() const;
    // Refilters: the candidates whose caption begins with the typed word (any letter case), the
    // first ItemMax of them as rows, the first row current.
    void ShowItems();
    // One more filtered candidate as a row, when there is one.
    void AddItems();
    // Shows the list with its first row current.
    void Popup();
    // Replaces the typed word by the current row's caption (bare when it is a reserved word,
    // else through QuoteCaption) and closes the list; with no current row only closes it.
    void Accept();
    int RowCount() const;

    // The caption as it is written into SQL: in double quotes exactly when the server would not
    // read it back unchanged as a bare name.
    static QString QuoteCaption(const QString &Caption);

    TqvMemo *Editor() const { return FOwner; }
    // Called by CloseCodeAssist: the editor's keys no longer come here.
    void Detach();
    // Inside one of the list's own handlers: a close must not free it at once.
    bool IsHandling() const { return m_handling > 0; }

    QStringList CaptionList;
    QStringList SubItemList;
    QList<int> ImageList;
    QStringList CaptionListW;
    QStringList SubItemListW;
    QList<int> ImageListW;
    int ItemMax = 100;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool editorKey(QKeyEvent *event);
    bool forwardToEditor(QEvent *event);
    void moveRow(CursorAction action);
    long caretPos() const;

    TqvMemo *FOwner;
    TqvCodeAssistModel *m_model;
    long m_start = 0; // the word in the editor, as editor positions
    long m_end = 0;
    int m_handling = 0;
    bool m_detached = false;
    bool m_forwarding = false;
};
