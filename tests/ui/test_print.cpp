#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "ui/fpreview.h"
#include "ui/fprint.h"
#include "ui/qvpagebreak.h"
#include "ui/qvprinter.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every character one unit wide, lines wrapped every `width` characters, each visual line
// `height` units high.
TqvTextMeasure fixedMeasure(int width, double height)
{
    return [width, height](const QString &line) {
        QList<TqvVisualLine> lines;
        for (int start = 0; start == 0 || start < line.size(); start += width)
            lines.append({ start, height });
        return lines;
    };
}

QList<QStringList> pageTexts(const QList<TqvPageLines> &pages)
{
    QList<QStringList> result;
    for (const TqvPageLines &page : pages) {
        QStringList texts;
        for (const TqvPageLine &line : page)
            texts << line.text;
        result << texts;
    }
    return result;
}

TEST(PageBreak, FollowsTheRulesOfTheText)
{
    const QString ten = QStringLiteral("abcdefghij");
    const struct
    {
        const char *name;
        QStringList source;
        double lineHeight;
        QList<QStringList> pages;
    } cases[] = {
        { "leading empty lines are dropped", { "", "", "a", "b" }, 10, { { "a", "b" } } },
        { "later empty lines count", { "a", "", "b" }, 10, { { "a", "", "b" } } },
        { "lines that fill the body exactly stay on it",
          { "a", "b", "c" },
          10,
          { { "a", "b", "c" } } },
        { "the next line goes to a new page",
          { "a", "b", "c", "d" },
          10,
          { { "a", "b", "c" }, { "d" } } },
        { "a long line is split at characters and continues without a break",
          { ten + ten + ten + "klm" + "x" },
          10,
          { { ten, ten, ten }, { "klmx" } } },
        { "a split inside the line keeps the rest of the line together",
          { "a", "b", ten + "0123" },
          10,
          { { "a", "b", ten }, { "0123" } } },
        { "empty lines at the top of a continuation page are dropped",
          { "a", "b", "c", "", "", "d" },
          10,
          { { "a", "b", "c" }, { "d" } } },
        { "only empty lines give no page", { "", "", "" }, 10, {} },
        { "blanks are not empty", { " ", "a" }, 10, { { " ", "a" } } },
        { "a line taller than the body still gets a page", { "a", "b" }, 50, { { "a" }, { "b" } } },
    };
    for (const auto &c : cases) {
        const QList<TqvPageLines> pages = BreakPages(c.source, 30, fixedMeasure(10, c.lineHeight));
        EXPECT_EQ(pageTexts(pages), c.pages) << c.name;
    }
}

TEST(PageBreak, PlacesLinesByTheirRunningHeight)
{
    const QList<TqvPageLines> pages = BreakPages({ "a", "b", "c", "d" }, 25, fixedMeasure(10, 10));
    ASSERT_EQ(pages.size(), 2);
    ASSERT_EQ(pages[0].size(), 2);
    EXPECT_DOUBLE_EQ(pages[0][1].top, 10);
    EXPECT_DOUBLE_EQ(pages[1][0].top, 0);
    EXPECT_DOUBLE_EQ(pages[1][1].top, 10);
}

// Header, page number and body lines of every page of the finished job.
QList<QStringList> jobTexts()
{
    QList<QStringList> result;
    for (int i = 0; i < prtData().PageCount(); ++i)
        result << prtData().GetPage(i).texts();
    return result;
}

TEST(PrintSource, NumbersEachSourceFromOne)
{
    TfrmPrint::BeginPrint();
    const TqvTextMeasure measure = fixedMeasure(10, 10);
    TfrmPrint::PrintSource("A", { "a1", "a2", "a3", "a4" }, true, measure, 100, 30);
    TfrmPrint::PrintSource("B", { "b1" }, true, measure, 100, 30);
    TfrmPrint::PrintSource("C", { "c1" }, false, measure, 100, 30);
    TfrmPrint::EndPrint();
    const QList<QStringList> expected {
        { "A", "1", "a1", "a2", "a3" },
        { "A", "2", "a4" },
        { "B", "1", "b1" },
        { "C", "4", "c1" },
    };
    EXPECT_EQ(jobTexts(), expected);
}

TEST(PrintSource, AnEmptySourceLeavesTheBlankFirstPage)
{
    TfrmPrint::BeginPrint();
    TfrmPrint::PrintSource("A", { "", "" }, true, fixedMeasure(10, 10), 100, 30);
    TfrmPrint::PrintSource("B", { "b" }, true, fixedMeasure(10, 10), 100, 30);
    TfrmPrint::EndPrint();
    // The second source uses the page that the first left unused.
    const QList<QStringList> expected { { "B", "1", "b" } };
    EXPECT_EQ(jobTexts(), expected);

    TfrmPrint::BeginPrint();
    TfrmPrint::PrintSource("A", { "" }, true, fixedMeasure(10, 10), 100, 30);
    TfrmPrint::EndPrint();
    ASSERT_EQ(prtData().PageCount(), 1);
    EXPECT_TRUE(prtData().GetPage(0).commands().isEmpty());
}

TEST(PrintSource, HeaderAndNumberLieInTheMarginsAroundTheBody)
{
    TfrmPrint::BeginPrint();
    TfrmPrint::PrintSource("T", { "x" }, true, fixedMeasure(10, 10), 100, 30);
    TfrmPrint::EndPrint();
    const QList<TqvTextCommand> &commands = prtData().GetPage(0).commands();
    ASSERT_EQ(commands.size(), 3);
    EXPECT_LE(commands[0].rect.bottom(), 0.0); // the title above the body
    EXPECT_GE(commands[1].rect.top(), 30.0); // the number below it
    EXPECT_TRUE(commands[0].alignment & Qt::AlignHCenter);
}

TEST(PrintRuns, CopiesAndCollationByWhatTheDriverCan)
{
    const struct
    {
        bool supportCollate, supportCopies, collate;
        int copies;
        TqvPrintRuns plan;
    } cases[] = {
        // the driver makes copies but cannot collate
        { false, true, true, 3, { 3, 1, 1, false } },
        { false, true, false, 3, { 1, 1, 3, false } },
        // the driver collates
        { true, true, true, 3, { 1, 1, 3, true } },
        { true, true, false, 3, { 1, 1, 3, false } },
        // the driver makes no copies (PDF output)
        { false, false, true, 3, { 3, 1, 1, false } },
        { false, false, false, 3, { 1, 3, 1, false } },
        { false, false, false, 1, { 1, 1, 1, false } },
        // collation without copies in the driver would print one copy: made here
        { true, false, false, 2, { 1, 2, 1, false } },
        { true, false, true, 2, { 2, 1, 1, false } },
        // nonsense counts print once
        { false, false, false, 0, { 1, 1, 1, false } },
    };
    for (const auto &c : cases) {
        const TqvPrintRuns plan
            = PlanPrintRuns(c.supportCollate, c.supportCopies, c.collate, c.copies);
        const QString name = QStringLiteral("%1 %2 %3 %4")
                                 .arg(c.supportCollate)
                                 .arg(c.supportCopies)
                                 .arg(c.collate)
                                 .arg(c.copies);
        EXPECT_EQ(plan.runs, c.plan.runs) << name.toStdString();
        EXPECT_EQ(plan.repeats, c.plan.repeats) << name.toStdString();
        EXPECT_EQ(plan.deviceCopies, c.plan.deviceCopies) << name.toStdString();
        EXPECT_EQ(plan.deviceCollate, c.plan.deviceCollate) << name.toStdString();
    }
}

TEST(PrintRuns, RangeWithOpenEnds)
{
    const struct
    {
        int from, to, index;
        bool in;
    } cases[] = {
        { 0, 0, 0, true },  { 0, 0, 99, true }, { 2, 0, 0, false }, { 2, 0, 1, true },
        { 2, 0, 50, true }, { 0, 1, 0, true },  { 0, 1, 1, false }, { 2, 3, 1, true },
        { 2, 3, 2, true },  { 2, 3, 3, false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(PageInRange(c.index, c.from, c.to), c.in)
            << c.from << "-" << c.to << " " << c.index;
}

TEST(PrintJob, RefusesOperationsInTheWrongState)
{
    TqvPrintdata job;
    EXPECT_THROW(job.EndDoc(), TqvPrintdataError);
    EXPECT_THROW(job.NewPage(), TqvPrintdataError);
    EXPECT_THROW(job.Canvas(), TqvPrintdataError);
    job.BeginDoc(300);
    EXPECT_EQ(job.PageCount(), 1);
    EXPECT_THROW(job.BeginDoc(300), TqvPrintdataError);
    EXPECT_THROW(job.GetPage(0), TqvPrintdataError);
    job.Canvas().SetFont(QStringLiteral("ＭＳ ゴシック"), 12);
    const QFont font = job.Canvas().Font();
    job.NewPage();
    EXPECT_EQ(job.Canvas().Font(), font); // the font carries over
    EXPECT_EQ(font.pixelSize(), 50); // 12 pt at 300 dpi
    job.EndDoc();
    EXPECT_EQ(job.PageCount(), 2);
    EXPECT_THROW(job.GetPage(2), TqvPrintdataError);
    job.BeginDoc(300);
    EXPECT_EQ(job.PageCount(), 1); // the finished job's pages are gone
    job.EndDoc();
}

TEST(Printer, MillimetresAndMargins)
{
    TqvPrinter printer;
    printer.setMeasurements(127, { 1000, 1400 }, 50, 50, 50, 50);
    EXPECT_EQ(printer.MMToDPIX(0.5), 2); // 2.5 → even neighbour
    EXPECT_EQ(printer.MMToDPIX(1.5), 8); // 7.5 → even neighbour
    EXPECT_EQ(printer.MMToDPIX(25.4), 127);
    EXPECT_EQ(printer.GetPrintableWidth(0, 0), 900); // 0 mm still leaves the 50 pixels
    EXPECT_EQ(printer.GetPrintableWidth(20, 20), 1000 - 2 * printer.MMToDPIX(20));
    EXPECT_EQ(printer.GetPrintableHeight(0, 20), 1400 - 50 - printer.MMToDPIY(20));
}

TEST(Printer, OffersPdfOutputWhereNoPrinterIsInstalled)
{
    TqvPrinter printer;
    const QStringList names = printer.PrinterNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last(), PdfPrinterCaption());
    printer.setPrinterIndex(int(names.size()) - 1);
    EXPECT_TRUE(printer.IsPdf());
    printer.Refresh();
    EXPECT_GT(printer.DPI().Width, 0);
    EXPECT_NEAR(printer.MMPaperSize().Width, 210.0, 0.5); // A4
    printer.setOrientation(1);
    printer.Refresh();
    EXPECT_NEAR(printer.MMPaperSize().Width, 297.0, 0.5);
    EXPECT_EQ(printer.MaxCopies(), 999);
}

// The print options a user would have after the first start.
void defaultPrintOptions()
{
    PrintOption = TqvPrintOption();
    PrintOption.MMLeftMargin = PrintOption.MMTopMargin = 20;
    PrintOption.MMRightMargin = PrintOption.MMBottomMargin = 20;
    PrintOption.FontName = QStringLiteral("ＭＳ ゴシック");
    PrintOption.FontSize = 10;
    AppPrinter().setPrinterIndex(int(AppPrinter().PrinterNames().size()) - 1);
    AppPrinter().setOrientation(0);
    AppPrinter().Refresh();
}

// Waits for the next modal window of the class and runs action with it.
template<class Window> void whenModalWindow(std::function<void(Window *)> action)
{
    whenModal([action](QWidget *modal) {
        auto *window = qobject_cast<Window *>(modal);
        ASSERT_NE(window, nullptr) << modal->metaObject()->className();
        action(window);
    });
}

// Body lines per page with the default options (one dry run of a long source).
int linesPerPage(const QString &title)
{
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << QStringLiteral("line %1").arg(i);
    TfrmPrint::BeginPrint();
    TfrmPrint::PrintSource(title, many, true);
    TfrmPrint::EndPrint();
    return int(prtData().GetPage(0).commands().size()) - 2;
}

QString runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(PrintDialog, PrintsAThreePageSourceToPdfWithHeaderAndNumbers)
{
    defaultPrintOptions();
    const QString title = QStringLiteral("public.受注");
    const int perPage = linesPerPage(title);
    ASSERT_GT(perPage, 10);
    QStringList source { QStringLiteral("SELECT 'R&D' AS dept, a && b FROM t;") };
    while (source.size() < 2 * perPage + perPage / 2)
        source << QStringLiteral("-- 行 %1").arg(source.size());

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QString proposed;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        if (request.kind != DialogKind::SaveFile)
            return IDCANCEL;
        proposed = request.value;
        request.value = pdf;
        return IDOK;
    });
    int recorded = 0;
    whenModalWindow<TfrmPrint>([](TfrmPrint *dialog) {
        EXPECT_EQ(dialog->cmbPrinterName->currentText(), PdfPrinterCaption());
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    TfrmPrint::ShowWindow(title, [&] {
        ++recorded;
        TfrmPrint::BeginPrint();
        try {
            TfrmPrint::PrintSource(title, source, true);
        } catch (...) {
            TfrmPrint::EndPrint();
            throw;
        }
        TfrmPrint::EndPrint();
    });
    EXPECT_EQ(recorded, 1);
    EXPECT_TRUE(proposed.endsWith(QStringLiteral(".pdf")));
    ASSERT_TRUE(QFile::exists(pdf));

    const QString info = runTool(QStringLiteral("pdfinfo"), { pdf });
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))))
        << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("QVR22 - public.受注"))) << info.toStdString();
    for (int page = 1; page <= 3; ++page) {
        const QString text = runTool(
            QStringLiteral("pdftotext"),
            { "-f", QString::number(page), "-l", QString::number(page), "-layout", pdf, "-" });
        EXPECT_TRUE(text.contains(title)) << page;
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^\\s*%1\\s*$").arg(page),
                                                     QRegularExpression::MultilineOption)))
            << text.toStdString();
        if (page == 1) {
            EXPECT_TRUE(text.contains(QStringLiteral("'R&D'"))) << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("&& b"))) << text.toStdString();
        }
    }
}

TEST(PrintDialog, AFileThatCannotBeWrittenIsReportedAsAFailure)
{
    defaultPrintOptions();
    const QString pdf = QStringLiteral("/nonexistent-folder/out.pdf");
    ScopedDialogResponder responder([&](DialogRequest &request) {
        request.value = pdf;
        return IDOK;
    });
    whenModalWindow<TfrmPrint>(
        [](TfrmPrint *dialog) { QTest::mouseClick(dialog->btnOk, Qt::LeftButton); });
    try {
        TfrmPrint::ShowWindow("t", [] {
            TfrmPrint::BeginPrint();
            TfrmPrint::PrintSource("t", { "x" }, true);
            TfrmPrint::EndPrint();
        });
        ADD_FAILURE() << "no failure";
    } catch (const std::exception &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(pdf)) << e.what();
    }
    EXPECT_FALSE(prtData().Printing());
}

TEST(PrintDialog, RefusesARangeThatEndsBeforeItStarts)
{
    defaultPrintOptions();
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return request.kind == DialogKind::MessageBox ? IDOK : IDCANCEL;
    });
    bool stayedOpen = false;
    whenModalWindow<TfrmPrint>([&](TfrmPrint *dialog) {
        dialog->rdoRangeSelect->setChecked(true);
        EXPECT_TRUE(dialog->txtRangeFrom->isEnabled());
        dialog->txtRangeFrom->setText("3");
        dialog->txtRangeTo->setText("1");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        stayedOpen = dialog->isVisible();
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    int recorded = 0;
    TfrmPrint::ShowWindow("t", [&] { ++recorded; });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(recorded, 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0],
              QStringLiteral("印刷範囲の開始ページが終了ページより後になっています。"));
}

TEST(PrintDialog, CollationFollowsTheCopiesAndTheRangeEditsTheRadioButtons)
{
    defaultPrintOptions();
    TfrmPrint dialog;
    dialog.Prepare();
    EXPECT_FALSE(dialog.chkCollate->isEnabled());
    dialog.btnCopies->setValue(2);
    EXPECT_TRUE(dialog.chkCollate->isEnabled());
    dialog.btnCopies->setValue(1);
    EXPECT_FALSE(dialog.chkCollate->isEnabled());
    EXPECT_FALSE(dialog.txtRangeTo->isEnabled());
    dialog.rdoRangeSelect->setChecked(true);
    EXPECT_TRUE(dialog.txtRangeTo->isEnabled());
    dialog.rdoRangeAll->setChecked(true);
    EXPECT_FALSE(dialog.txtRangeTo->isEnabled());
    // The stored settings are shown, the Windows font by the font that stands for it here.
    EXPECT_EQ(dialog.btnTopMargin->value(), 20);
    EXPECT_EQ(dialog.txtFontSize->text(), "10");
}

TEST(PrintDialog, CancelStoresNothing)
{
    defaultPrintOptions();
    whenModalWindow<TfrmPrint>([](TfrmPrint *dialog) {
        dialog->btnTopMargin->setValue(35);
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    TfrmPrint::ShowWindow("t", [] {});
    EXPECT_EQ(PrintOption.MMTopMargin, 20);
}

TEST(PrintPreview, ShowsPagesAtPhysicalSizeAndReopensTheDialogToPrint)
{
    defaultPrintOptions();
    int recorded = 0;
    int dialogs = 0;
    double widthAtOne = 0;
    bool zoomBounded = false;
    bool pagesStep = false;
    whenModalWindow<TfrmPrint>([&](TfrmPrint *dialog) {
        ++dialogs;
        whenModalWindow<TfrmPreview>([&](TfrmPreview *preview) {
            EXPECT_EQ(preview->FPage, 1);
            widthAtOne = preview->imgPreview->pixmap().width();
            EXPECT_FALSE(preview->actPrevPage->isEnabled());
            EXPECT_TRUE(preview->actNextPage->isEnabled());
            preview->actNextPage->trigger();
            pagesStep = preview->FPage == 2 && !preview->actNextPage->isEnabled();
            for (int i = 0; i < 8; ++i)
                preview->actZoomUp->trigger();
            const bool top = preview->FRate == 2.0 && !preview->actZoomUp->isEnabled();
            for (int i = 0; i < 8; ++i)
                preview->actZoomDown->trigger();
            zoomBounded = top && preview->FRate == 0.5 && !preview->actZoomDown->isEnabled();
            EXPECT_NEAR(preview->imgPreview->pixmap().width(), widthAtOne / 2, 2);
            whenModalWindow<TfrmPrint>([&](TfrmPrint *again) {
                ++dialogs;
                QTest::mouseClick(again->btnCancel, Qt::LeftButton);
            });
            preview->actPrint->trigger();
        });
        QTest::mouseClick(dialog->btnPreview, Qt::LeftButton);
    });
    QStringList source;
    for (int i = 0; i < 100; ++i)
        source << QStringLiteral("行 %1").arg(i);
    TfrmPrint::ShowWindow("preview", [&] {
        ++recorded;
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource("preview", source, true);
        TfrmPrint::EndPrint();
    });
    EXPECT_EQ(recorded, 1); // once for the preview; the second dialog was cancelled
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(pagesStep);
    EXPECT_TRUE(zoomBounded);
    // A4 plus the shadow's border at the screen's logical resolution.
    const double a4 = (210.0 + 6.0) / 25.4 * 96.0;
    EXPECT_NEAR(widthAtOne, a4, a4 * 0.02);
}

} // namespace
