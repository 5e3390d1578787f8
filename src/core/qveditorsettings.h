#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

// The settings that every SQL editor control takes from the one shared editor settings
// (EditorOption): loaded from the EDITOR key, edited by the editor options dialog, applied to
// each editor control when it is set up. The structure follows the editor's property paths
// (Font.Name, Caret.TabSpaceCount, Marks.EofMark.Color, View.Colors.Comment.BkColor ...).

// A colour as the settings store it: 0x00BBGGRR for a direct colour, 0xFF000000 plus the index
// for a colour of the desktop's scheme, clNone for no colour.
using TColor = qint32;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clWindow = TColor(0xFF000005);
inline constexpr TColor clWindowText = TColor(0xFF000008);
inline constexpr TColor clBtnFace = TColor(0xFF00000F);

enum class TqvScrollStyle : quint8 { None, Horizontal, Vertical, Both };

struct TqvEditorMark
{
    TColor Color = clNone;
    bool Visible = false;
};

struct TqvEditorColorPair
{
    TColor Color = clNone;
    TColor BkColor = clNone;
};

struct TqvEditorBracket
{
    QString LeftBracket;
    QString RightBracket;
    TqvEditorColorPair ItemColor;
};

struct TqvEditorSettings
{
    struct
    {
        QString Name;
        qint32 Size = 0;
        bool FixedPitch = false;
        TColor Color = clWindowText;
    } Font;
    TColor Color = clWindow; // background

    struct
    {
        bool AutoCursor = false;
        bool AutoIndent = false;
        bool BackSpaceUnIndent = false;
        bool FreeCaret = false; // the caret may move past the line end
        bool InTab = false; // the caret may stand inside a tab
        bool LockScroll = false;
        bool NextLine = false; // moving right at a line end goes to the next line
        bool TabIndent = false;
        bool SoftTab = false; // tabs typed as blanks
        qint32 TabSpaceCount = 0;
        bool SelMove = false; // dragging a selection moves it
        bool KeepCaret = false;
    } Caret;

    struct
    {
        bool Visible = false;
    } Imagebar;

    struct
    {
        bool Visible = false; // line numbers
        qint32 LeftMargin = 0;
        qint32 RightMargin = 0;
        qint32 Column = 0;
        TColor BkColor = clBtnFace;
    } Leftbar;

    struct
    {
        bool Visible = false;
        qint32 GaugeRange = 0;
    } Ruler;

    TqvScrollStyle ScrollBars = TqvScrollStyle::Both;

    struct
    {
        TqvEditorMark EofMark;
        TqvEditorMark RetMark; // line breaks
        TqvEditorMark Underline; // the caret line
        TqvEditorMark TabMark;
        TqvEditorMark SemiSpaceMark; // half-width blanks
        TqvEditorMark SpaceMark; // full-width blanks
    } Marks;

    struct
    {
        qint32 Left = 0;
    } Margin;

    struct
    {
        QString Commenter;
        QString Quotation;
        QString DoubleQuotation;
        struct
        {
            TqvEditorColorPair Comment;
            TqvEditorColorPair Str; // literals
            TqvEditorColorPair Reserve;
            TqvEditorColorPair Hit; // search hits
        } Colors;
        QList<TqvEditorBracket> Brackets;
    } View;

    // The words to highlight: a copy of ReserveWordList taken when the options are loaded.
    QStringList ReserveWordList;

    // Sets what the settings store does not keep: the fixed caret, bar, ruler and view
    // settings, each mark's visibility from its colour, and the block-comment bracket in the
    // comment colours. Run after the stored values were read.
    void applyFixedSettings();
};

// The settings an EDITOR key without values gives (and the state from start-up on).
TqvEditorSettings DefaultEditorSettings();

extern TqvEditorSettings EditorOption;

// The colour on screen of a stored colour, the desktop's scheme taken from the application's
// palette; an invalid QColor for clNone.
QColor EditorColorToQColor(TColor color);
// The stored form of a colour chosen on screen; clNone for an invalid QColor.
TColor QColorToEditorColor(const QColor &color);
