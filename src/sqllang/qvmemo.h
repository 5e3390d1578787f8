#pragma once

#include "ui/qvctlopt.h"

#include <Qsci/qsciscintilla.h>

#include <QPointer>

class TqvMacroList;
class TqvMemo;
class TqvSqlLexer;

// The window (or frame) that holds an editor implements this to open code assist. The editor
// asks the nearest of its parents that implements it, synchronously, when F6 goes down (with
// any modifier), after "." is typed into an editable editor, and for Ctrl+Space (which types
// nothing). x and y are the caret's position in the editor's viewport.
class TqvCodeAssistOwner
{
public:
    virtual ~TqvCodeAssistOwner() = default;
    virtual void WMCodeAssist(TqvMemo *editor, int x, int y) = 0;
};

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
