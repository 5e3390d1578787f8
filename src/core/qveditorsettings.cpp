#include "qveditorsettings.h"

#include <QGuiApplication>
#include <QPalette>

TqvEditorSettings EditorOption = DefaultEditorSettings();

void TqvEditorSettings::applyFixedSettings()
{
    Font.FixedPitch = true;
    Caret.AutoCursor = true;
    Caret.LockScroll = false;
    Caret.KeepCaret = true;
    Imagebar.Visible = false;
    Leftbar.LeftMargin = 2;
    Leftbar.RightMargin = 2;
    Leftbar.Column = 5;
    Leftbar.BkColor = clBtnFace;
    ScrollBars = TqvScrollStyle::Both;
    for (TqvEditorMark *mark : { &Marks.EofMark, &Marks.RetMark, &Marks.Underline, &Marks.TabMark,
                                 &Marks.SemiSpaceMark, &Marks.SpaceMark })
        mark->Visible = mark->Color != clNone;
    Margin.Left = 2;
    View.Commenter = QStringLiteral("--");
    View.Quotation = QStringLiteral("'");
    View.DoubleQuotation = QStringLiteral("\"");
    // Block comments are drawn like line comments.
    if (View.Brackets.isEmpty())
        View.Brackets.append(TqvEditorBracket());
    TqvEditorBracket &comment = View.Brackets.first();
    comment.LeftBracket = QStringLiteral("/*");
    comment.RightBracket = QStringLiteral("*/");
    comment.ItemColor = View.Colors.Comment;
}

TqvEditorSettings DefaultEditorSettings()
{
    TqvEditorSettings s;
    s.Font.Name = QStringLiteral("ＭＳ ゴシック");
    s.Font.Size = 12;
    s.Font.Color = clWindowText;
    s.Color = clWindow;
    s.Caret.AutoIndent = false;
    s.Caret.BackSpaceUnIndent = false;
    s.Caret.FreeCaret = false;
    s.Caret.InTab = false;
    s.Caret.NextLine = true;
    s.Caret.TabIndent = false;
    s.Caret.SoftTab = false;
    s.Caret.TabSpaceCount = 8;
    s.Caret.SelMove = true;
    s.Leftbar.Visible = true;
    s.Ruler.Visible = true;
    s.Ruler.GaugeRange = 10;
    s.Marks.EofMark.Color = clNone;
    s.Marks.RetMark.Color = 0x00808000;
    s.Marks.Underline.Color = clNone;
    s.Marks.TabMark.Color = 0x00C0C0C0;
    s.Marks.SemiSpaceMark.Color = clNone;
    s.Marks.SpaceMark.Color = 0x00C0C0C0;
    s.View.Colors.Comment = { 0x00008000, clNone };
    s.View.Colors.Str = { clNone, clNone };
    s.View.Colors.Reserve = { 0x00FF0000, clNone };
    s.View.Colors.Hit = { clNone, 0x00C0C0C0 };
    s.applyFixedSettings();
    return s;
}

QColor EditorColorToQColor(TColor color)
{
    if (color == clNone)
        return {};
    const auto value = quint32(color);
    if ((value & 0xFF000000u) == 0xFF000000u) {
        // The scheme colours the editor settings use, by their index.
        const QPalette palette = QGuiApplication::palette();
        switch (value & 0x00FFFFFFu) {
        case 5: // window background
            return palette.color(QPalette::Base);
        case 8: // window text
            return palette.color(QPalette::Text);
        case 13: // highlight
            return palette.color(QPalette::Highlight);
        case 14: // highlighted text
            return palette.color(QPalette::HighlightedText);
        case 15: // button face
            return palette.color(QPalette::Button);
        case 18: // button text
            return palette.color(QPalette::ButtonText);
        default:
            return {};
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

TColor QColorToEditorColor(const QColor &color)
{
    if (!color.isValid())
        return clNone;
    return TColor(quint32(color.red()) | (quint32(color.green()) << 8)
                  | (quint32(color.blue()) << 16));
}
