#pragma once

#include "core/qveditorsettings.h"
#include "ui/qvforms.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TqvMemo;
class TqvNumEdit;

// The reserved-word memo's lines as the highlighting list keeps them: every line trimmed,
// leading empty lines dropped and each pair of line breaks in a row made one (in one pass,
// so two empty lines in a row leave one). False, with the offending trimmed line in
// blankLine, when a line holds a blank inside it.
bool NormalizeReserveWords(const QStringList &lines, QStringList *words, QString *blankLine);

// The families the editor options offer: the fixed-pitch Windows names the font map knows,
// every fixed-pitch family of the screen (none beginning with "@"), then "MS UI Gothic".
QStringList EditorFontNames();

// The 16-colour grid of the editor options: cell i shows colour i of the colour list. A left
// click chooses the foreground cell, a right click the background cell (while the background
// choice is on); index 16 (or any other outside 0 to 15) chooses no cell. mouseUp follows each
// click, after the choice.
class TqvColorGrid : public QWidget
{
    Q_OBJECT
public:
    explicit TqvColorGrid(QWidget *parent = nullptr);

    void setColors(const QList<TColor> &colors)
    {
        m_colors = colors;
        update();
    }
    int ForegroundIndex() const { return m_fg; }
    void setForegroundIndex(int index);
    int BackgroundIndex() const { return m_bg; }
    void setBackgroundIndex(int index);
    bool BackgroundEnabled() const { return m_bgEnabled; }
    void setBackgroundEnabled(bool on);
    // The centre of cell index, for tests and key-free use.
    QPoint cellCentre(int index) const;

    QSize sizeHint() const override { return QSize(132, 132); }

Q_SIGNALS:
    void mouseUp(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRect cellRect(int index) const;
    int cellAt(const QPoint &pos) const;

    QList<TColor> m_colors;
    int m_fg = 16;
    int m_bg = 16;
    bool m_bgEnabled = true;
};

enum TColorEditState { csFountainColor, csEditorMark };

// A colour with background and style, edited as one: the element's pair of colours and, for
// the plain text, its font style (bits: 1 bold, 2 underline, 4 italic).
struct TFountainColor
{
    TqvEditorColorPair *Pair = nullptr;
    int *Style = nullptr; // nullptr: the element has no style of its own
};

// Binds the colour grid, the "指定なし" panel with its FG and BG labels and the three style
// boxes to the colour element being edited: a fountain colour (foreground, background and
// style) or an editor mark (a colour only).
class TEditorColorManager : public QObject
{
    Q_OBJECT
public:
    TEditorColorManager(TqvColorGrid *ColorGrid, QWidget *clNonePanel, QLabel *BGLabel,
                        QLabel *FGLabel, QCheckBox *BoldCheckBox, QCheckBox *UnderlineCheckBox,
                        QCheckBox *ItalicCheckBox, QObject *parent = nullptr);

    // The 17 colours: the sixteen named colours with gray and silver exchanged, then clNone.
    static QList<TColor> ColorList();
    // The grid index of a colour, -1 when it is none of the 17.
    static int ColorIndex(TColor color);

    TColorEditState State() const { return FState; }
    void SetState(TColorEditState Value);
    // A fountain colour to edit; an empty one (no Pair) disables the choice.
    void SetFountainColor(const TFountainColor &Value);
    // A mark to edit; nullptr disables the choice.
    void SetEditorMark(TqvEditorMark *Value);

    void ColorGridMouseUp(Qt::MouseButton Button);
    void NonePanelMouseUp(Qt::MouseButton Button);
    void StyleCheckBoxClick(QCheckBox *box);

    std::function<void()> OnChange;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void changed();

    TColorEditState FState = csFountainColor;
    TFountainColor FFountainColor;
    TqvEditorMark *FEditorMark = nullptr;
    TqvColorGrid *FColorGrid;
    QWidget *FclNonePanel;
    QLabel *FBGLabel;
    QLabel *FFGLabel;
    QCheckBox *FBoldCheckBox;
    QCheckBox *FUnderlineCheckBox;
    QCheckBox *FItalicCheckBox;
};

// The modal dialog "エディタオプション": the shared editor settings (EditorOption) through a
// disabled sample editor, and the reserved-word list. Every control writes into the sample's
// settings at once; OK copies them back and takes the reserved words, Cancel changes nothing.
class TfrmEditorOption : public TqvForm
{
    Q_OBJECT
public:
    explicit TfrmEditorOption(QObject *AOwner);
    ~TfrmEditorOption() override;

    // Runs the dialog on EditorProp; true after OK.
    static bool ShowWindow(TqvEditorSettings *EditorProp);
    // The controls from EditorProp, the sample prepared (FormShow); false for no settings.
    bool Prepare(TqvEditorSettings *EditorProp);
    bool Execute(TqvEditorSettings *EditorProp);

    void btnOkClick();
    void btnCancelClick();
    void btnInitReservewordClick();
    void lstColorsClick();
    void DoColorChange();

    // The settings the sample shows.
    const TqvEditorSettings &SampleSettings() const { return m_sample; }
    TEditorColorManager *ColorManager() const { return FViewColorManager; }

    QTabWidget *pagEditor = nullptr;
    QWidget *tabGeneral = nullptr;
    QWidget *tabColor = nullptr;
    QWidget *tabReserve = nullptr;
    QCheckBox *chkFreeCaret = nullptr;
    QCheckBox *chkAutoIndent = nullptr;
    QCheckBox *chkBackSpaceUnIndent = nullptr;
    QCheckBox *chkInTab = nullptr;
    QCheckBox *chkNextLine = nullptr;
    QCheckBox *chkTabIndent = nullptr;
    QCheckBox *chkSoftTab = nullptr;
    QSpinBox *spnTabSize = nullptr;
    QCheckBox *chkSelMove = nullptr;
    QListWidget *lstColors = nullptr;
    TqvColorGrid *grdColors = nullptr;
    QWidget *pnlColors = nullptr;
    QLabel *lblFG = nullptr;
    QLabel *lblBG = nullptr;
    QGroupBox *grpStyle = nullptr;
    QCheckBox *chkBold = nullptr;
    QCheckBox *chkUL = nullptr;
    QCheckBox *chkItalic = nullptr;
    TqvMemo *txtSample = nullptr;
    QCheckBox *chkLeftBarVisible = nullptr;
    QCheckBox *chkRulerVisible = nullptr;
    QGroupBox *rdoRulerRange = nullptr;
    QListWidget *lstFontName = nullptr;
    QListWidget *lstFontSize = nullptr;
    TqvNumEdit *txtFontSize = nullptr;
    QPlainTextEdit *txtReserve = nullptr;
    QPushButton *btnInitReserveword = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

private:
    void setupUi();
    void FormShow();
    QButtonGroup *rulerButtons() const;
    // The sample takes m_sample again.
    void applySample();

    TqvEditorSettings *FEditorProp = nullptr;
    TqvEditorSettings m_sample;
    TEditorColorManager *FViewColorManager = nullptr;
    // The plain text's colours and style, standing for the sample's Font.Color and Color.
    TqvEditorColorPair FFontFountain;
    int FFontStyle = 0;
};
