#include "fprint.h"

#include "fpreview.h"
#include "qvhhelp.h"
#include "qvprinter.h"
#include "qvstdctl.h"

#include "core/qvappwindows.h"
#include "core/qveditorsettings.h"
#include "core/qvexcept.h"
#include "core/qvfile.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <stdexcept>

namespace fprint {

// 0 finished, 1 show the dialog (or print), 2 preview.
quint8 PrintMode = 0;
// The job's first page, made by BeginDoc, is still unused.
bool FirstPagePending = false;

QSpinBox *marginSpinner(QWidget *parent, const char *name)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0, 100);
    spin->setValue(10);
    return spin;
}

// The distance of a tab stop: the editor's tab width in average characters of the font.
double tabDistance(const QFont &font)
{
    const int count = EditorOption.Caret.TabSpaceCount > 0 ? EditorOption.Caret.TabSpaceCount : 8;
    return count * QFontMetricsF(font).averageCharWidth();
}

} // namespace fprint

using fprint::FirstPagePending;
using fprint::PrintMode;

TqvPrintRuns PlanPrintRuns(bool supportCollate, bool supportCopies, bool collate, int copies)
{
    copies = qMax(1, copies);
    TqvPrintRuns plan;
    // A driver that collates but makes no copies would print one copy only: the copies are
    // then made here.
    if (supportCollate && supportCopies) {
        plan.deviceCollate = collate;
        plan.deviceCopies = copies;
    } else if (collate) {
        plan.runs = copies;
    } else if (supportCopies) {
        plan.deviceCopies = copies;
    } else {
        plan.repeats = copies;
    }
    return plan;
}

bool PageInRange(int index, int from, int to)
{
    if (from != 0 && index < from - 1)
        return false;
    if (to != 0 && index > to - 1)
        return false;
    return true;
}

void TfrmPrint::BeginPrint()
{
    prtData().BeginDoc();
    FirstPagePending = true;
}

void TfrmPrint::EndPrint()
{
    prtData().EndDoc();
}

void TfrmPrint::PrintSource(const QString &Title, const QStringList &Source, bool ResetPageNumber)
{
    TqvPrintCanvas &canvas = prtData().Canvas();
    TqvPrinter &printer = AppPrinter();
    if (printer.DPI().Width <= 0)
        printer.Refresh();
    const double width
        = printer.GetPrintableWidth(PrintOption.MMLeftMargin, PrintOption.MMRightMargin);
    const double height
        = printer.GetPrintableHeight(PrintOption.MMTopMargin, PrintOption.MMBottomMargin);
    canvas.SetFont(PrintOption.FontName, PrintOption.FontSize);
    const QFont font = canvas.Font();
    PrintSource(Title, Source, ResetPageNumber, FontMeasure(font, width, fprint::tabDistance(font)),
                width, height);
}

void TfrmPrint::PrintSource(const QString &Title, const QStringList &Source, bool ResetPageNumber,
                            const TqvTextMeasure &measure, double bodyWidth, double bodyHeight)
{
    TqvPrintdata &job = prtData();
    TqvPrintCanvas &canvas = job.Canvas();
    const int pageBase = ResetPageNumber && !FirstPagePending ? job.PageCount() : 0;
    const double tabStop = fprint::tabDistance(canvas.Font());
    const QList<TqvPageLines> pages = BreakPages(Source, bodyHeight, measure);
    for (const TqvPageLines &page : pages) {
        if (FirstPagePending)
            FirstPagePending = false;
        else
            job.NewPage();
        const double h = canvas.TextHeight(QStringLiteral("0"));
        canvas.DrawText(QRectF(0, -2 * h, bodyWidth, 2 * h), Title,
                        Qt::AlignHCenter | Qt::AlignTop);
        canvas.DrawText(QRectF(0, bodyHeight, bodyWidth, 2 * h),
                        QString::number(job.PageCount() - pageBase),
                        Qt::AlignHCenter | Qt::AlignTop);
        for (const TqvPageLine &line : page)
            canvas.DrawText(QRectF(0, line.top, bodyWidth, line.height), line.text,
                            Qt::AlignLeft | Qt::AlignTop, tabStop);
    }
}

void TfrmPrint::ShowWindow(const QString &Title, const TPrintProc &PrintProc)
{
    if (!PrintProc)
        return;
    MainWindowServices *main = mainWindowServices();
    QWidget *owner = main ? main->mainWidget() : nullptr;
    PrintMode = 1;
    while (PrintMode != 0) {
        if (PrintMode == 1) {
            TfrmPrint dialog(owner);
            dialog.FTitle = Title;
            dialog.Prepare();
            PrintMode = 0;
            if (dialog.exec() == QDialog::Accepted) {
                dialog.ApplyPrinterSettings();
                dialog.SavePrintOption();
                if (PrintMode == 1) {
                    PrintProc();
                    dialog.PrintPages();
                    PrintMode = 0;
                }
            }
        } else {
            PrintProc();
            PrintMode = TfrmPreview::ShowWindow() ? 1 : 0;
        }
    }
}

TfrmPrint::TfrmPrint(QWidget *parent)
    : QDialog(parent)
{
    setupUi();
}

void TfrmPrint::setupUi()
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("印刷"));
    setFont(FormFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    SetHelpContext(this, 20400);

    auto *printerBox = new QGroupBox(QStringLiteral(" プリンタ "), this);
    auto *printerLabel = new QLabel(QStringLiteral("プリンタ名(&N)"), printerBox);
    cmbPrinterName = new TqvComboBox(printerBox);
    cmbPrinterName->setObjectName(QStringLiteral("cmbPrinterName"));
    cmbPrinterName->setMaxVisibleItems(20);
    cmbPrinterName->setMinimumWidth(280);
    printerLabel->setBuddy(cmbPrinterName);
    btnProperty = new QPushButton(QStringLiteral("プロパティ(&P)..."), printerBox);
    btnProperty->setObjectName(QStringLiteral("btnProperty"));
    btnProperty->setAutoDefault(false);
    auto *printerLayout = new QHBoxLayout(printerBox);
    printerLayout->addWidget(printerLabel);
    printerLayout->addWidget(cmbPrinterName, 1);
    printerLayout->addWidget(btnProperty);

    auto *rangeBox = new QGroupBox(QStringLiteral(" 印刷範囲 "), this);
    rdoRangeAll = new QRadioButton(QStringLiteral("すべて(&A)"), rangeBox);
    rdoRangeAll->setObjectName(QStringLiteral("rdoRangeAll"));
    rdoRangeAll->setChecked(true);
    rdoRangeSelect = new QRadioButton(QStringLiteral("ページ指定(&G)"), rangeBox);
    rdoRangeSelect->setObjectName(QStringLiteral("rdoRangeSelect"));
    txtRangeFrom = new TqvNumEdit(rangeBox);
    txtRangeFrom->setObjectName(QStringLiteral("txtRangeFrom"));
    txtRangeTo = new TqvNumEdit(rangeBox);
    txtRangeTo->setObjectName(QStringLiteral("txtRangeTo"));
    lblRange = new QLabel(QStringLiteral("～"), rangeBox);
    lblRange->setObjectName(QStringLiteral("lblRange"));
    for (TqvNumEdit *edit : { txtRangeFrom, txtRangeTo }) {
        edit->setMaximumWidth(60);
        edit->setEnabled(false);
    }
    lblRange->setEnabled(false);
    auto *rangeLayout = new QGridLayout(rangeBox);
    rangeLayout->addWidget(rdoRangeAll, 0, 0, 1, 4);
    rangeLayout->addWidget(rdoRangeSelect, 1, 0);
    rangeLayout->addWidget(txtRangeFrom, 1, 1);
    rangeLayout->addWidget(lblRange, 1, 2);
    rangeLayout->addWidget(txtRangeTo, 1, 3);

    auto *copiesBox = new QGroupBox(QStringLiteral(" 部数 "), this);
    auto *copiesLabel = new QLabel(QStringLiteral("部数(&C)"), copiesBox);
    btnCopies = new QSpinBox(copiesBox);
    btnCopies->setObjectName(QStringLiteral("btnCopies"));
    btnCopies->setRange(1, 999);
    btnCopies->setValue(1);
    if (auto *edit = btnCopies->findChild<QLineEdit *>())
        edit->setObjectName(QStringLiteral("txtCopies"));
    copiesLabel->setBuddy(btnCopies);
    chkCollate = new TqvCheckBox(copiesBox);
    chkCollate->setObjectName(QStringLiteral("chkCollate"));
    chkCollate->setText(QStringLiteral("部単位で印刷"));
    chkCollate->setEnabled(false);
    auto *copiesLayout = new QGridLayout(copiesBox);
    copiesLayout->addWidget(copiesLabel, 0, 0);
    copiesLayout->addWidget(btnCopies, 0, 1);
    copiesLayout->addWidget(chkCollate, 1, 0, 1, 2);

    grpOrientation = new QGroupBox(QStringLiteral(" 用紙方向 "), this);
    grpOrientation->setObjectName(QStringLiteral("grpOrientation"));
    orientationButtons = new QButtonGroup(grpOrientation);
    auto *portrait = new QRadioButton(QStringLiteral("縦"), grpOrientation);
    portrait->setObjectName(QStringLiteral("rdoPortrait"));
    auto *landscape = new QRadioButton(QStringLiteral("横"), grpOrientation);
    landscape->setObjectName(QStringLiteral("rdoLandscape"));
    orientationButtons->addButton(portrait, 0);
    orientationButtons->addButton(landscape, 1);
    portrait->setChecked(true);
    auto *orientationLayout = new QVBoxLayout(grpOrientation);
    orientationLayout->addWidget(portrait);
    orientationLayout->addWidget(landscape);

    auto *fontBox = new QGroupBox(QStringLiteral(" フォント "), this);
    lstFontName = new QListWidget(fontBox);
    lstFontName->setObjectName(QStringLiteral("lstFontName"));
    lstFontName->setSortingEnabled(true);
    lstFontName->setMinimumHeight(110);
    auto *sizeLabel = new QLabel(QStringLiteral("サイズ"), fontBox);
    txtFontSize = new TqvNumEdit(fontBox);
    txtFontSize->setObjectName(QStringLiteral("txtFontSize"));
    txtFontSize->setMaxLength(3);
    txtFontSize->setMaximumWidth(50);
    auto *ptLabel = new QLabel(QStringLiteral("pt."), fontBox);
    auto *fontLayout = new QGridLayout(fontBox);
    fontLayout->addWidget(lstFontName, 0, 0, 1, 4);
    fontLayout->addWidget(sizeLabel, 1, 0);
    fontLayout->addWidget(txtFontSize, 1, 1);
    fontLayout->addWidget(ptLabel, 1, 2);
    fontLayout->setColumnStretch(3, 1);

    auto *marginBox = new QGroupBox(QStringLiteral(" 余白(mm) "), this);
    btnTopMargin = fprint::marginSpinner(marginBox, "btnTopMargin");
    btnBottomMargin = fprint::marginSpinner(marginBox, "btnBottomMargin");
    btnLeftMargin = fprint::marginSpinner(marginBox, "btnLeftMargin");
    btnRightMargin = fprint::marginSpinner(marginBox, "btnRightMargin");
    auto *marginLayout = new QGridLayout(marginBox);
    marginLayout->addWidget(new QLabel(QStringLiteral("上"), marginBox), 0, 0);
    marginLayout->addWidget(btnTopMargin, 0, 1);
    marginLayout->addWidget(new QLabel(QStringLiteral("下"), marginBox), 0, 2);
    marginLayout->addWidget(btnBottomMargin, 0, 3);
    marginLayout->addWidget(new QLabel(QStringLiteral("左"), marginBox), 1, 0);
    marginLayout->addWidget(btnLeftMargin, 1, 1);
    marginLayout->addWidget(new QLabel(QStringLiteral("右"), marginBox), 1, 2);
    marginLayout->addWidget(btnRightMargin, 1, 3);

    btnOk = new QPushButton(QStringLiteral("印刷"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnPreview = new QPushButton(QStringLiteral("プレビュー"), this);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    btnPreview->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);

    auto *grid = new QGridLayout;
    grid->addWidget(printerBox, 0, 0, 1, 2);
    grid->addWidget(rangeBox, 1, 0);
    grid->addWidget(copiesBox, 1, 1);
    grid->addWidget(grpOrientation, 2, 0);
    grid->addWidget(marginBox, 2, 1);
    grid->addWidget(fontBox, 3, 0, 1, 2);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : { btnOk, btnPreview, btnCancel, btnHelp })
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto *outer = new QHBoxLayout(this);
    outer->addLayout(grid, 1);
    outer->addLayout(buttons);
    setFixedSize(sizeHint());

    btnCopies->setWhatsThis(QStringLiteral("印刷する部数です。"));
    chkCollate->setWhatsThis(QStringLiteral("2部以上のとき、1部ずつページ順に印刷します。"));
    rdoRangeSelect->setWhatsThis(QStringLiteral(
        "開始ページと終了ページを指定して印刷します。空欄の側は先頭または最後までです。"));

    connect(cmbPrinterName, &QComboBox::activated, this,
            [this] { RunGuarded([this] { SelectPrinter(); }); });
    connect(btnProperty, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { btnPropertyClick(); }); });
    connect(orientationButtons, &QButtonGroup::idClicked, this, [](int id) {
        RunGuarded([id] {
            AppPrinter().setOrientation(id);
            AppPrinter().Refresh();
        });
    });
    connect(rdoRangeAll, &QRadioButton::toggled, this, [this] { updateRange(); });
    connect(rdoRangeSelect, &QRadioButton::toggled, this, [this] { updateRange(); });
    connect(btnCopies, &QSpinBox::valueChanged, this, [this] { updateCollate(); });
    for (QSpinBox *spin : { btnTopMargin, btnBottomMargin, btnLeftMargin, btnRightMargin })
        connect(spin, &QSpinBox::valueChanged, this, [this] { updateCollate(); });
    for (TqvNumEdit *edit : { txtRangeFrom, txtRangeTo })
        connect(edit, &QLineEdit::textChanged, this, [this] { updateCollate(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOkClick(); }); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { btnPreviewClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [] { AppHelpContext(20400); });
}

void TfrmPrint::Prepare()
{
    lstFontName->clear();
    lstFontName->addItems(QFontDatabase::families());
    cmbPrinterName->clear();
    cmbPrinterName->addItems(AppPrinter().PrinterNames());
    cmbPrinterName->setCurrentIndex(AppPrinter().PrinterIndex());
    SelectPrinter();
    LoadPrintOption();
}

void TfrmPrint::SelectPrinter()
{
    TqvPrinter &printer = AppPrinter();
    printer.setPrinterIndex(cmbPrinterName->currentIndex());
    printer.Refresh();
    cmbPrinterName->setCurrentIndex(printer.PrinterIndex());
    btnCopies->setRange(1, printer.MaxCopies());
    btnCopies->setEnabled(printer.MaxCopies() != 1);
}

void TfrmPrint::LoadPrintOption()
{
    if (QAbstractButton *button = orientationButtons->button(PrintOption.Orientation == 1 ? 1 : 0))
        button->setChecked(true);
    btnTopMargin->setValue(PrintOption.MMTopMargin);
    btnBottomMargin->setValue(PrintOption.MMBottomMargin);
    btnLeftMargin->setValue(PrintOption.MMLeftMargin);
    btnRightMargin->setValue(PrintOption.MMRightMargin);
    // The stored name, or the font it stands for here (the options name Windows fonts).
    QList<QListWidgetItem *> found
        = lstFontName->findItems(PrintOption.FontName, Qt::MatchFixedString);
    if (found.isEmpty())
        found = lstFontName->findItems(MapFontFamily(PrintOption.FontName), Qt::MatchFixedString);
    lstFontName->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    if (!found.isEmpty())
        lstFontName->scrollToItem(found.first());
    txtFontSize->setValueInt(PrintOption.FontSize);
}

void TfrmPrint::SavePrintOption()
{
    PrintOption.Orientation = quint8(orientationButtons->checkedId() == 1 ? 1 : 0);
    PrintOption.MMTopMargin = btnTopMargin->value();
    PrintOption.MMBottomMargin = btnBottomMargin->value();
    PrintOption.MMLeftMargin = btnLeftMargin->value();
    PrintOption.MMRightMargin = btnRightMargin->value();
    // No entry chosen (the stored font is not installed here): the stored name stays.
    if (QListWidgetItem *item = lstFontName->currentItem(); item && item->isSelected())
        PrintOption.FontName = item->text();
    if (txtFontSize->ValueInt() > 0)
        PrintOption.FontSize = txtFontSize->ValueInt();
}

void TfrmPrint::ApplyPrinterSettings()
{
    SelectPrinter();
    TqvPrinter &printer = AppPrinter();
    printer.setOrientation(orientationButtons->checkedId() == 1 ? 1 : 0);
    printer.Refresh();
    const TqvPrintRuns plan = PlanPrintRuns(printer.SupportCollate(), printer.SupportCopies(),
                                            chkCollate->isChecked(), copiesValue());
    printer.SetDeviceCopies(plan.deviceCopies, plan.deviceCollate);
}

int TfrmPrint::copiesValue() const
{
    bool ok = false;
    const int copies = btnCopies->text().trimmed().toInt(&ok);
    return ok ? copies : 1;
}

void TfrmPrint::updateCollate()
{
    chkCollate->setEnabled(btnCopies->value() > 1);
}

void TfrmPrint::updateRange()
{
    const bool select = rdoRangeSelect->isChecked();
    txtRangeFrom->setEnabled(select);
    txtRangeTo->setEnabled(select);
    lblRange->setEnabled(select);
}

void TfrmPrint::btnOkClick()
{
    if (copiesValue() > AppPrinter().MaxCopies()) {
        btnCopies->setFocus();
        ShowMessageBox(QStringLiteral("印刷部数の値を小さくして下さい。"), MB_ICONWARNING);
        return;
    }
    if (rdoRangeSelect->isChecked()) {
        const int from = txtRangeFrom->ValueInt();
        const int to = txtRangeTo->ValueInt();
        if (from < 0 || to < 0 || (from != 0 && to != 0 && from > to)) {
            txtRangeFrom->setFocus();
            ShowMessageBox(QStringLiteral("印刷範囲の開始ページが終了ページより後になっています。"),
                           MB_ICONWARNING);
            return;
        }
    }
    PrintMode = 1;
    accept();
}

void TfrmPrint::btnPreviewClick()
{
    PrintMode = 2;
    accept();
}

void TfrmPrint::btnPropertyClick()
{
    SelectPrinter();
    TqvPrinter &printer = AppPrinter();
    printer.setOrientation(orientationButtons->checkedId() == 1 ? 1 : 0);
    QPageSetupDialog setup(&printer.printer(), this);
    if (setup.exec() == QDialog::Accepted) {
        if (QAbstractButton *button = orientationButtons->button(printer.Orientation()))
            button->setChecked(true);
        cmbPrinterName->setCurrentIndex(printer.PrinterIndex());
        SelectPrinter();
    }
}

void TfrmPrint::PrintPages()
{
    TqvPrinter &printer = AppPrinter();
    TqvPrintdata &job = prtData();
    QPrinter &device = printer.printer();

    QList<int> pages;
    const bool select = rdoRangeSelect->isChecked();
    const int from = select ? txtRangeFrom->ValueInt() : 0;
    const int to = select ? txtRangeTo->ValueInt() : 0;
    for (int i = 0; i < job.PageCount(); ++i) {
        if (PageInRange(i, from, to))
            pages << i;
    }
    if (pages.isEmpty()) {
        ShowMessageBox(QStringLiteral("指定した印刷範囲にページがありません。"), MB_ICONWARNING);
        return;
    }

    if (printer.IsPdf()) {
        const QString file = ShowSaveFileDialog(
            QStringLiteral("PDFファイルに出力"),
            DocumentDir
                + RemoveInvalidFileChars(FTitle.isEmpty() ? QStringLiteral("print") : FTitle)
                + QStringLiteral(".pdf"),
            QStringLiteral("PDF (*.pdf);;すべてのファイル (*)"));
        if (file.isEmpty())
            return;
        device.setOutputFileName(file);
    }

    SQLWaitCursor wait;
    const TqvPrintRuns plan = PlanPrintRuns(printer.SupportCollate(), printer.SupportCopies(),
                                            chkCollate->isChecked(), copiesValue());
    const QPointF origin(qMax(printer.LeftMargin(), printer.MMToDPIX(PrintOption.MMLeftMargin)),
                         qMax(printer.TopMargin(), printer.MMToDPIY(PrintOption.MMTopMargin)));
    const qreal scale = job.Dpi() > 0 ? qreal(device.resolution()) / job.Dpi() : 1.0;
    device.setDocName(QStringLiteral("QVR22 - ") + FTitle);
    QPainter painter;
    if (!painter.begin(&device)) {
        throw std::runtime_error(
            (printer.IsPdf()
                 ? QStringLiteral("PDFファイル %1 に書き込めません。").arg(device.outputFileName())
                 : QStringLiteral("プリンタ %1 で印刷を開始できません。")
                       .arg(printer.PrinterName()))
                .toStdString());
    }
    try {
        bool first = true;
        for (int run = 0; run < plan.runs; ++run) {
            for (const int index : pages) {
                for (int repeat = 0; repeat < plan.repeats; ++repeat) {
                    if (!first && !device.newPage())
                        throw std::runtime_error(
                            QStringLiteral("改ページに失敗しました。").toStdString());
                    first = false;
                    job.GetPage(index).Draw(painter, origin, scale);
                }
            }
        }
    } catch (...) {
        device.abort();
        painter.end();
        throw;
    }
    painter.end();
}
