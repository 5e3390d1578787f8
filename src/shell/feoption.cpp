#include "feoption.h"

#include "foption.h"

#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvreserve.h"
#include "core/qvsub.h"
#include "sqllang/qvmemo.h"
#include "ui/qvhhelp.h"
#include "ui/qvstdctl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace feoption {

constexpr int cellCount = 16;
constexpr int noneIndex = 16;

bool inGrid(int index)
{
    return index >= 0 && index < cellCount;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace feoption

// ---------------------------------------------------------------- pure helpers

bool NormalizeReserveWords(const QStringList &lines, QStringList *words, QString *blankLine)
{
    QStringList trimmed;
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        for (const QChar ch : t) {
            if (ch.isSpace()) {
                if (blankLine)
                    *blankLine = t;
                return false;
            }
        }
        trimmed << t;
    }
    QString text = trimmed.join(QLatin1Char('\n'));
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    text = text.mid(start);
    text.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    if (words)
        *words = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    return true;
}

QStringList EditorFontNames()
{
    QStringList names = { QStringLiteral("ＭＳ ゴシック"), QStringLiteral("ＭＳ 明朝") };
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        if (family.startsWith(QLatin1Char('@')) || !QFontDatabase::isFixedPitch(family)
            || names.contains(family))
            continue;
        names << family;
    }
    names << QStringLiteral("MS UI Gothic");
    return names;
}

// ---------------------------------------------------------------- the colour grid

TqvColorGrid::TqvColorGrid(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("grdColors"));
    m_colors = TEditorColorManager::ColorList();
}

void TqvColorGrid::setForegroundIndex(int index)
{
    m_fg = index;
    update();
}

void TqvColorGrid::setBackgroundIndex(int index)
{
    m_bg = index;
    update();
}

void TqvColorGrid::setBackgroundEnabled(bool on)
{
    m_bgEnabled = on;
    update();
}

QRect TqvColorGrid::cellRect(int index) const
{
    const int w = width() / 4;
    const int h = height() / 4;
    return QRect((index % 4) * w, (index / 4) * h, w, h);
}

QPoint TqvColorGrid::cellCentre(int index) const
{
    return cellRect(index).center();
}

int TqvColorGrid::cellAt(const QPoint &pos) const
{
    for (int i = 0; i < feoption::cellCount; ++i) {
        if (cellRect(i).contains(pos))
            return i;
    }
    return -1;
}

void TqvColorGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int i = 0; i < feoption::cellCount; ++i) {
        const QRect r = cellRect(i).adjusted(2, 2, -2, -2);
        QColor colour = EditorColorToQColor(m_colors.value(i, clNone));
        if (!isEnabled())
            colour = colour.lighter(130);
        painter.fillRect(r, colour);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        const QColor mark = qGray(colour.rgb()) < 128 ? Qt::white : Qt::black;
        painter.setPen(mark);
        QString text;
        if (i == m_fg)
            text += QStringLiteral("FG");
        if (i == m_bg && m_bgEnabled)
            text += text.isEmpty() ? QStringLiteral("BG") : QStringLiteral("/BG");
        if (!text.isEmpty()) {
            painter.drawText(r, Qt::AlignCenter, text);
            painter.drawRect(r.adjusted(1, 1, -2, -2));
        }
    }
}

void TqvColorGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (!isEnabled())
        return;
    const int cell = cellAt(event->position().toPoint());
    if (cell >= 0) {
        if (event->button() == Qt::LeftButton)
            setForegroundIndex(cell);
        else if (event->button() == Qt::RightButton && m_bgEnabled)
            setBackgroundIndex(cell);
    }
    Q_EMIT mouseUp(event->button());
}

// ---------------------------------------------------------------- the colour manager

TEditorColorManager::TEditorColorManager(TqvColorGrid *ColorGrid, QWidget *clNonePanel,
                                         QLabel *BGLabel, QLabel *FGLabel, QCheckBox *BoldCheckBox,
                                         QCheckBox *UnderlineCheckBox, QCheckBox *ItalicCheckBox,
                                         QObject *parent)
    : QObject(parent)
    , FColorGrid(ColorGrid)
    , FclNonePanel(clNonePanel)
    , FBGLabel(BGLabel)
    , FFGLabel(FGLabel)
    , FBoldCheckBox(BoldCheckBox)
    , FUnderlineCheckBox(UnderlineCheckBox)
    , FItalicCheckBox(ItalicCheckBox)
{
    FColorGrid->setColors(ColorList());
    connect(FColorGrid, &TqvColorGrid::mouseUp, this,
            [this](Qt::MouseButton button) { ColorGridMouseUp(button); });
    for (QObject *o : { static_cast<QObject *>(FclNonePanel), static_cast<QObject *>(FBGLabel),
                        static_cast<QObject *>(FFGLabel) })
        o->installEventFilter(this);
    for (QCheckBox *box : { FBoldCheckBox, FUnderlineCheckBox, FItalicCheckBox })
        connect(box, &QCheckBox::clicked, this, [this, box] { StyleCheckBoxClick(box); });
}

QList<TColor> TEditorColorManager::ColorList()
{
    // black, maroon, green, olive, navy, purple, teal, gray, silver, red, lime, yellow, blue,
    // fuchsia, aqua, white (0x00BBGGRR), with gray and silver exchanged so that index i is
    // the colour of grid cell i.
    QList<TColor> list
        = { 0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
            0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF };
    list.swapItemsAt(7, 8);
    list << clNone;
    return list;
}

int TEditorColorManager::ColorIndex(TColor color)
{
    return int(ColorList().indexOf(color));
}

void TEditorColorManager::SetState(TColorEditState Value)
{
    FState = Value;
    const bool fountain = Value == csFountainColor;
    FColorGrid->setBackgroundEnabled(fountain);
    for (QCheckBox *box : { FBoldCheckBox, FUnderlineCheckBox, FItalicCheckBox }) {
        if (!fountain)
            box->setChecked(false);
        box->setEnabled(fountain);
    }
    if (!fountain)
        FBGLabel->setVisible(false);
}

void TEditorColorManager::SetFountainColor(const TFountainColor &Value)
{
    FFountainColor = Value;
    FEditorMark = nullptr;
    SetState(csFountainColor);
    const std::initializer_list<QCheckBox *> boxes
        = { FBoldCheckBox, FUnderlineCheckBox, FItalicCheckBox };
    if (Value.Pair) {
        FColorGrid->setEnabled(true);
        FclNonePanel->setEnabled(true);
        const int bg = ColorIndex(Value.Pair->BkColor);
        const int fg = ColorIndex(Value.Pair->Color);
        FColorGrid->setBackgroundIndex(bg < 0 ? feoption::noneIndex : bg);
        FColorGrid->setForegroundIndex(fg < 0 ? feoption::noneIndex : fg);
        FBGLabel->setVisible(!feoption::inGrid(bg));
        FFGLabel->setVisible(!feoption::inGrid(fg));
        const int style = Value.Style ? *Value.Style : 0;
        int bit = 1;
        for (QCheckBox *box : boxes) {
            box->setEnabled(true);
            box->setChecked(style & bit);
            bit <<= 1;
        }
    } else {
        FColorGrid->setBackgroundIndex(feoption::noneIndex);
        FColorGrid->setForegroundIndex(feoption::noneIndex);
        FColorGrid->setEnabled(false);
        FclNonePanel->setEnabled(false);
        FBGLabel->setVisible(false);
        FFGLabel->setVisible(false);
        for (QCheckBox *box : boxes) {
            box->setChecked(false);
            box->setEnabled(false);
        }
    }
}

void TEditorColorManager::SetEditorMark(TqvEditorMark *Value)
{
    FEditorMark = Value;
    FFountainColor = {};
    SetState(csEditorMark);
    if (Value) {
        FColorGrid->setEnabled(true);
        FclNonePanel->setEnabled(true);
        const int fg = ColorIndex(Value->Color);
        FColorGrid->setForegroundIndex(fg < 0 ? feoption::noneIndex : fg);
        FFGLabel->setVisible(!feoption::inGrid(fg));
    } else {
        FColorGrid->setForegroundIndex(feoption::noneIndex);
        FColorGrid->setEnabled(false);
        FclNonePanel->setEnabled(false);
        FFGLabel->setVisible(false);
    }
}

void TEditorColorManager::changed()
{
    if (OnChange)
        OnChange();
}

void TEditorColorManager::ColorGridMouseUp(Qt::MouseButton Button)
{
    const QList<TColor> colors = ColorList();
    if (FState == csFountainColor && FFountainColor.Pair) {
        if (Button == Qt::LeftButton) {
            FFGLabel->setVisible(false);
            FFountainColor.Pair->Color = colors.value(FColorGrid->ForegroundIndex(), clNone);
        } else if (Button == Qt::RightButton) {
            FBGLabel->setVisible(false);
            FFountainColor.Pair->BkColor = colors.value(FColorGrid->BackgroundIndex(), clNone);
        } else {
            return;
        }
        changed();
    } else if (FState == csEditorMark && FEditorMark && Button == Qt::LeftButton) {
        FFGLabel->setVisible(false);
        FEditorMark->Color = colors.value(FColorGrid->ForegroundIndex(), clNone);
        changed();
    }
}

void TEditorColorManager::NonePanelMouseUp(Qt::MouseButton Button)
{
    if (FState == csFountainColor && FFountainColor.Pair) {
        if (Button == Qt::LeftButton) {
            FFGLabel->setVisible(true);
            FColorGrid->setForegroundIndex(feoption::noneIndex);
            FFountainColor.Pair->Color = clNone;
        } else if (Button == Qt::RightButton) {
            FBGLabel->setVisible(true);
            FColorGrid->setBackgroundIndex(feoption::noneIndex);
            FFountainColor.Pair->BkColor = clNone;
        } else {
            return;
        }
        changed();
    } else if (FState == csEditorMark && FEditorMark && Button == Qt::LeftButton) {
        FFGLabel->setVisible(true);
        FColorGrid->setForegroundIndex(feoption::noneIndex);
        FEditorMark->Color = clNone;
        changed();
    }
}

void TEditorColorManager::StyleCheckBoxClick(QCheckBox *box)
{
    if (FState != csFountainColor || !FFountainColor.Pair || !FFountainColor.Style)
        return;
    const int bit = box == FBoldCheckBox ? 1 : box == FUnderlineCheckBox ? 2 : 4;
    if (box->isChecked())
        *FFountainColor.Style |= bit;
    else
        *FFountainColor.Style &= ~bit;
    changed();
}

bool TEditorColorManager::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && FclNonePanel->isEnabled())
            NonePanelMouseUp(static_cast<QMouseEvent *>(event)->button());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------- the dialog

TfrmEditorOption::TfrmEditorOption(QObject *AOwner)
    : TqvForm(AOwner, false)
{
    setObjectName(QStringLiteral("frmEditorOption"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setupUi();
    SetHelpContext(this, 50200);
}

TfrmEditorOption::~TfrmEditorOption() = default;

void TfrmEditorOption::setupUi()
{
    using namespace feoption;
    setWindowTitle(QStringLiteral("エディタオプション"));
    setFont(MapFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    resize(600, 500);
    auto *main = new QVBoxLayout(this);
    pagEditor = new QTabWidget(this);
    pagEditor->setObjectName(QStringLiteral("pagEditor"));
    main->addWidget(pagEditor, 1);

    // --- 全般
    tabGeneral = new QWidget(pagEditor);
    tabGeneral->setObjectName(QStringLiteral("tabGeneral"));
    pagEditor->addTab(tabGeneral, QStringLiteral("全般"));
    {
        auto *v = new QVBoxLayout(tabGeneral);
        auto *group = new QGroupBox(QStringLiteral("\u3000編集時の動作 "), tabGeneral);
        auto *g = new QVBoxLayout(group);
        chkFreeCaret
            = check(group, "chkFreeCaret",
                    QStringLiteral("フリーカーソル ( 改行コードを超えてカーソルを移動できる )"));
        chkAutoIndent = check(group, "chkAutoIndent", QStringLiteral("オートインデント"));
        chkBackSpaceUnIndent
            = check(group, "chkBackSpaceUnIndent", QStringLiteral("バックスペース アンインデント"));
        chkInTab = check(group, "chkInTab", QStringLiteral("タブ文字上を移動可能にする"));
        chkNextLine
            = check(group, "chkNextLine", QStringLiteral("行末から次行の先頭にカーソルを移動する"));
        chkTabIndent
            = check(group, "chkTabIndent", QStringLiteral("タブ文字を使ってインデントする"));
        chkSoftTab = check(group, "chkSoftTab", QStringLiteral("タブ文字を空白に置き換える"));
        for (QCheckBox *c : { chkFreeCaret, chkAutoIndent, chkBackSpaceUnIndent, chkInTab,
                              chkNextLine, chkTabIndent, chkSoftTab })
            g->addWidget(c);
        spnTabSize = new QSpinBox(group);
        spnTabSize->setObjectName(QStringLiteral("spnTabSize"));
        spnTabSize->setRange(2, 8);
        spnTabSize->setSingleStep(2);
        spnTabSize->findChild<QLineEdit *>()->setReadOnly(true);
        auto *tabs = new QHBoxLayout;
        tabs->addSpacing(20);
        tabs->addWidget(new QLabel(QStringLiteral("タブ文字数"), group));
        tabs->addWidget(spnTabSize);
        tabs->addStretch();
        g->addLayout(tabs);
        chkSelMove = check(group, "chkSelMove", QStringLiteral("選択領域のマウス・ドラッグを許可"));
        g->addWidget(chkSelMove);
        v->addWidget(group);
        v->addStretch();
    }

    // --- 色・フォント
    tabColor = new QWidget(pagEditor);
    tabColor->setObjectName(QStringLiteral("tabColor"));
    pagEditor->addTab(tabColor, QStringLiteral("色・フォント"));
    {
        auto *grid = new QGridLayout(tabColor);
        lstColors = new QListWidget(tabColor);
        lstColors->setObjectName(QStringLiteral("lstColors"));
        lstColors->addItems(
            { QStringLiteral("基本色"), QStringLiteral("コメント"), QStringLiteral("リテラル値"),
              QStringLiteral("予約語"), QStringLiteral("EOF記号"), QStringLiteral("改行記号"),
              QStringLiteral("半角スペース記号"), QStringLiteral("全角スペース記号"),
              QStringLiteral("下線"), QStringLiteral("検索結果") });
        lstColors->setMaximumWidth(150);
        grid->addWidget(lstColors, 0, 0, 2, 1);
        grdColors = new TqvColorGrid(tabColor);
        grdColors->setFixedSize(132, 132);
        grid->addWidget(grdColors, 0, 1);
        auto *side = new QVBoxLayout;
        pnlColors = new QWidget(tabColor);
        pnlColors->setObjectName(QStringLiteral("pnlColors"));
        pnlColors->setAutoFillBackground(true);
        pnlColors->setFixedSize(110, 40);
        auto *p = new QHBoxLayout(pnlColors);
        p->setContentsMargins(4, 2, 4, 2);
        auto *none = new QLabel(QStringLiteral("指定なし"), pnlColors);
        none->setAttribute(Qt::WA_TransparentForMouseEvents);
        lblFG = new QLabel(QStringLiteral("FG"), pnlColors);
        lblFG->setObjectName(QStringLiteral("lblFG"));
        lblBG = new QLabel(QStringLiteral("BG"), pnlColors);
        lblBG->setObjectName(QStringLiteral("lblBG"));
        p->addWidget(none);
        p->addWidget(lblFG);
        p->addWidget(lblBG);
        QPalette framePalette = pnlColors->palette();
        framePalette.setColor(QPalette::Window, framePalette.color(QPalette::Base));
        pnlColors->setPalette(framePalette);
        side->addWidget(pnlColors);
        grpStyle = new QGroupBox(QStringLiteral(" スタイル "), tabColor);
        grpStyle->setObjectName(QStringLiteral("grpStyle"));
        auto *s = new QVBoxLayout(grpStyle);
        chkBold = check(grpStyle, "chkBold", QStringLiteral("太字"));
        chkUL = check(grpStyle, "chkUL", QStringLiteral("下線"));
        chkItalic = check(grpStyle, "chkItalic", QStringLiteral("斜体"));
        s->addWidget(chkBold);
        s->addWidget(chkUL);
        s->addWidget(chkItalic);
        grpStyle->setVisible(false);
        side->addWidget(grpStyle);
        chkLeftBarVisible
            = check(tabColor, "chkLeftBarVisible", QStringLiteral("行番号を表示する"));
        chkRulerVisible = check(tabColor, "chkRulerVisible", QStringLiteral("ルーラーを表示する"));
        side->addWidget(chkLeftBarVisible);
        side->addWidget(chkRulerVisible);
        rdoRulerRange = new QGroupBox(QStringLiteral(" ルーラー単位 "), tabColor);
        rdoRulerRange->setObjectName(QStringLiteral("rdoRulerRange"));
        auto *rulerButtons = new QButtonGroup(rdoRulerRange);
        auto *r = new QHBoxLayout(rdoRulerRange);
        for (int i = 0; i < 2; ++i) {
            auto *radio = new QRadioButton(i == 0 ? QStringLiteral("10") : QStringLiteral("8"),
                                           rdoRulerRange);
            radio->setObjectName(QStringLiteral("rdoRulerRange") + QString::number(i));
            rulerButtons->addButton(radio, i);
            r->addWidget(radio);
        }
        side->addWidget(rdoRulerRange);
        side->addStretch();
        grid->addLayout(side, 0, 2);
        auto *fonts = new QGridLayout;
        lstFontName = new QListWidget(tabColor);
        lstFontName->setObjectName(QStringLiteral("lstFontName"));
        lstFontSize = new QListWidget(tabColor);
        lstFontSize->setObjectName(QStringLiteral("lstFontSize"));
        lstFontSize->setMaximumWidth(60);
        txtFontSize = new TqvNumEdit(tabColor);
        txtFontSize->setObjectName(QStringLiteral("txtFontSize"));
        txtFontSize->setMaxLength(2);
        txtFontSize->setMaximumWidth(60);
        fonts->addWidget(new QLabel(QStringLiteral("フォント"), tabColor), 0, 0);
        fonts->addWidget(new QLabel(QStringLiteral("サイズ"), tabColor), 0, 1);
        fonts->addWidget(lstFontName, 2, 0);
        fonts->addWidget(txtFontSize, 1, 1);
        fonts->addWidget(lstFontSize, 2, 1);
        grid->addLayout(fonts, 1, 1, 1, 2);
        txtSample = new TqvMemo(tabColor);
        txtSample->setObjectName(QStringLiteral("txtSample"));
        txtSample->setEnabled(false);
        txtSample->setMinimumHeight(90);
        grid->addWidget(txtSample, 2, 0, 1, 3);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(2, 1);
    }

    // --- 予約語
    tabReserve = new QWidget(pagEditor);
    tabReserve->setObjectName(QStringLiteral("tabReserve"));
    pagEditor->addTab(tabReserve, QStringLiteral("予約語"));
    {
        auto *v = new QVBoxLayout(tabReserve);
        txtReserve = new QPlainTextEdit(tabReserve);
        txtReserve->setObjectName(QStringLiteral("txtReserve"));
        txtReserve->setLineWrapMode(QPlainTextEdit::NoWrap);
        txtReserve->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        v->addWidget(txtReserve, 1);
        btnInitReserveword = new QPushButton(QStringLiteral("初期値"), tabReserve);
        btnInitReserveword->setObjectName(QStringLiteral("btnInitReserveword"));
        auto *h = new QHBoxLayout;
        h->addWidget(btnInitReserveword);
        h->addStretch();
        v->addLayout(h);
    }

    AddDialogButtons(this, main, btnOk, btnCancel, btnHelp);

    FViewColorManager = new TEditorColorManager(grdColors, pnlColors, lblBG, lblFG, chkBold, chkUL,
                                                chkItalic, this);
    FViewColorManager->OnChange = [this] { DoColorChange(); };

    // Every control writes into the sample at once.
    const auto caret = [this](QCheckBox *box, bool &field) {
        connect(box, &QCheckBox::toggled, this, [this, &field](bool on) {
            field = on;
            applySample();
        });
    };
    caret(chkFreeCaret, m_sample.Caret.FreeCaret);
    caret(chkAutoIndent, m_sample.Caret.AutoIndent);
    caret(chkBackSpaceUnIndent, m_sample.Caret.BackSpaceUnIndent);
    caret(chkInTab, m_sample.Caret.InTab);
    caret(chkNextLine, m_sample.Caret.NextLine);
    caret(chkTabIndent, m_sample.Caret.TabIndent);
    caret(chkSoftTab, m_sample.Caret.SoftTab);
    caret(chkSelMove, m_sample.Caret.SelMove);
    caret(chkLeftBarVisible, m_sample.Leftbar.Visible);
    caret(chkRulerVisible, m_sample.Ruler.Visible);
    connect(spnTabSize, &QSpinBox::valueChanged, this, [this](int value) {
        m_sample.Caret.TabSpaceCount = value;
        applySample();
    });
    connect(rulerButtons(), &QButtonGroup::idClicked, this, [this](int id) {
        m_sample.Ruler.GaugeRange = id == 1 ? 8 : 10;
        applySample();
    });
    connect(lstFontName, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        m_sample.Font.Name = item->text();
        applySample();
    });
    connect(lstFontSize, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { txtFontSize->setText(item->text()); });
    connect(txtFontSize, &QLineEdit::textChanged, this, [this](const QString &text) {
        bool ok = false;
        const int size = text.trimmed().toInt(&ok);
        m_sample.Font.Size = ok ? size : 10;
        applySample();
    });
    connect(lstColors, &QListWidget::currentRowChanged, this,
            [this] { RunGuarded([this] { lstColorsClick(); }); });
    connect(btnInitReserveword, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { btnInitReservewordClick(); }); });
    connect(btnOk, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnHelp, &QPushButton::clicked, this, [] { AppHelpContext(50200); });
}

QButtonGroup *TfrmEditorOption::rulerButtons() const
{
    return rdoRulerRange->findChild<QButtonGroup *>();
}

void TfrmEditorOption::applySample()
{
    txtSample->ApplyEditorOptions(m_sample, nullptr, nullptr);
    txtSample->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtSample->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

bool TfrmEditorOption::ShowWindow(TqvEditorSettings *EditorProp)
{
    std::unique_ptr<TfrmEditorOption> form(CreateForm<TfrmEditorOption>(nullptr));
    return form && form->Execute(EditorProp);
}

bool TfrmEditorOption::Prepare(TqvEditorSettings *EditorProp)
{
    if (!EditorProp)
        return false;
    FEditorProp = EditorProp;
    m_sample = *EditorProp;
    const QSignalBlocker a(chkFreeCaret), b(chkAutoIndent), c(chkBackSpaceUnIndent), d(chkInTab),
        e(chkNextLine), f(chkTabIndent), g(chkSoftTab), h(chkSelMove), i(spnTabSize),
        j(chkLeftBarVisible), k(chkRulerVisible);
    chkFreeCaret->setChecked(m_sample.Caret.FreeCaret);
    chkAutoIndent->setChecked(m_sample.Caret.AutoIndent);
    chkBackSpaceUnIndent->setChecked(m_sample.Caret.BackSpaceUnIndent);
    chkInTab->setChecked(m_sample.Caret.InTab);
    chkNextLine->setChecked(m_sample.Caret.NextLine);
    chkTabIndent->setChecked(m_sample.Caret.TabIndent);
    chkSoftTab->setChecked(m_sample.Caret.SoftTab);
    chkSelMove->setChecked(m_sample.Caret.SelMove);
    spnTabSize->setValue(m_sample.Caret.TabSpaceCount);
    chkLeftBarVisible->setChecked(m_sample.Leftbar.Visible);
    chkRulerVisible->setChecked(m_sample.Ruler.Visible);
    SetRadioIndex(rdoRulerRange, m_sample.Ruler.GaugeRange == 8 ? 1 : 0);
    txtReserve->setPlainText(m_sample.ReserveWordList.join(QLatin1Char('\n')));
    pagEditor->setCurrentIndex(0);
    FormShow();
    return true;
}

bool TfrmEditorOption::Execute(TqvEditorSettings *EditorProp)
{
    if (!Prepare(EditorProp))
        return false;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return ShowModal() == IDOK;
}

void TfrmEditorOption::FormShow()
{
    txtSample->setText(QStringLiteral("/* 表示サンプル */\nSELECT COL01, 'ABC' FROM SAMPLE01\n"
                                      "\tORDER BY 1; -- COL01 でソート"));
    FFontFountain = { m_sample.Font.Color, m_sample.Color };
    FFontStyle = 0;

    lstFontName->clear();
    lstFontName->addItems(EditorFontNames());
    QList<QListWidgetItem *> found = lstFontName->findItems(m_sample.Font.Name, Qt::MatchExactly);
    if (found.isEmpty() && lstFontName->count() > 0) {
        found = { lstFontName->item(0) };
        m_sample.Font.Name = found.first()->text();
    }
    if (!found.isEmpty())
        lstFontName->setCurrentItem(found.first());

    lstFontSize->clear();
    for (int size = 8; size <= 50; ++size)
        lstFontSize->addItem(QString::number(size));
    found = lstFontSize->findItems(QString::number(m_sample.Font.Size), Qt::MatchExactly);
    if (found.isEmpty()) {
        found = { lstFontSize->item(0) };
        m_sample.Font.Size = 8;
    }
    lstFontSize->setCurrentItem(found.first());
    {
        const QSignalBlocker quiet(txtFontSize);
        txtFontSize->setText(QString::number(m_sample.Font.Size));
    }
    applySample();

    lstColors->setCurrentRow(-1);
    lstColors->setCurrentRow(0);
}

void TfrmEditorOption::lstColorsClick()
{
    auto &colors = m_sample.View.Colors;
    auto &marks = m_sample.Marks;
    switch (lstColors->currentRow()) {
    case 0:
        FViewColorManager->SetFountainColor({ &FFontFountain, &FFontStyle });
        break;
    case 1:
        FViewColorManager->SetFountainColor({ &colors.Comment, nullptr });
        break;
    case 2:
        FViewColorManager->SetFountainColor({ &colors.Str, nullptr });
        break;
    case 3:
        FViewColorManager->SetFountainColor({ &colors.Reserve, nullptr });
        break;
    case 4:
        FViewColorManager->SetEditorMark(&marks.EofMark);
        break;
    case 5:
        FViewColorManager->SetEditorMark(&marks.RetMark);
        break;
    case 6:
        FViewColorManager->SetEditorMark(&marks.SemiSpaceMark);
        break;
    case 7:
        FViewColorManager->SetEditorMark(&marks.SpaceMark);
        break;
    case 8:
        FViewColorManager->SetEditorMark(&marks.Underline);
        break;
    case 9:
        FViewColorManager->SetFountainColor({ &colors.Hit, nullptr });
        break;
    default:
        break;
    }
}

void TfrmEditorOption::DoColorChange()
{
    m_sample.Font.Color = FFontFountain.Color;
    m_sample.Color = FFontFountain.BkColor;
    auto &marks = m_sample.Marks;
    for (TqvEditorMark *mark : { &marks.EofMark, &marks.RetMark, &marks.Underline,
                                 &marks.SemiSpaceMark, &marks.SpaceMark })
        mark->Visible = mark->Color != clNone;
    if (!m_sample.View.Brackets.isEmpty())
        m_sample.View.Brackets.first().ItemColor = m_sample.View.Colors.Comment;
    applySample();
}

void TfrmEditorOption::btnInitReservewordClick()
{
    if (ShowMessageBox(QStringLiteral("予約語を初期値に戻しますか？"), 36) != IDYES)
        return;
    QStringList words;
    SetDefaultReserveWords(words);
    words.sort();
    txtReserve->setPlainText(words.join(QLatin1Char('\n')));
}

void TfrmEditorOption::btnOkClick()
{
    if (txtFontSize->ValueInt() == 0) {
        pagEditor->setCurrentWidget(tabColor);
        ShowMessageBox(QStringLiteral("サイズは1以上の整数で入力して下さい。"), MB_ICONEXCLAMATION);
        txtFontSize->setFocus();
        return;
    }
    QStringList words;
    QString blank;
    if (!NormalizeReserveWords(txtReserve->toPlainText().split(QLatin1Char('\n')), &words,
                               &blank)) {
        pagEditor->setCurrentWidget(tabReserve);
        ShowMessageBox(QStringLiteral("予約語に空白が含まれているため登録できません。(") + blank
                           + QStringLiteral(")"),
                       0);
        txtReserve->setFocus();
        return;
    }
    txtReserve->setPlainText(words.join(QLatin1Char('\n')));
    m_sample.ReserveWordList = words;
    ReserveWordList = words;
    *FEditorProp = m_sample;
    FEditorProp->ScrollBars = TqvScrollStyle::Both;
    setModalResult(IDOK);
}

void TfrmEditorOption::btnCancelClick()
{
    setModalResult(IDCANCEL);
}
