// Records a source of N lines into a print job as the print dialog does before a preview, and
// measures:
//   - pagination: BeginPrint, PrintSource and EndPrint (layout of every line and the page
//     breaks) with the default print settings on A4 PDF output;
//   - the first preview page: rendering page 1 at zoom 1.0;
//   - the PDF run: the recorded pages into a PDF file.
//
//   bench_print [--lines N] [--repeat R] [--width W] [--pdf FILE]
//
// Lines are W characters of SQL-like text with Japanese words and tabs, wrapped where longer
// than the body. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "ui/fpreview.h"
#include "ui/fprint.h"
#include "ui/qvprinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QStringList makeSource(int lines, int width)
{
    const QString pattern = QStringLiteral("\tSELECT 受注番号, 顧客名, 金額 FROM public.\"受注\" "
                                           "WHERE 金額 > 100 AND 区分 = 'R&D' -- ");
    QStringList source;
    source.reserve(lines);
    for (int i = 0; i < lines; ++i) {
        QString line = QStringLiteral("%1: ").arg(i);
        while (line.size() < width)
            line += pattern;
        source << line.left(width);
    }
    return source;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int lines = 10000;
    int repeat = 5;
    int width = 80;
    QString pdf;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--lines"))
            lines = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--repeat"))
            repeat = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--width"))
            width = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--pdf"))
            pdf = args[i + 1];
    }

    PrintOption.MMLeftMargin = PrintOption.MMTopMargin = 20;
    PrintOption.MMRightMargin = PrintOption.MMBottomMargin = 20;
    PrintOption.FontName = QStringLiteral("ＭＳ ゴシック");
    PrintOption.FontSize = 10;
    AppPrinter().setPrinterIndex(int(AppPrinter().PrinterNames().size()) - 1);
    AppPrinter().Refresh();

    const QStringList source = makeSource(lines, width);
    std::vector<double> paginate, preview, output;
    QTemporaryDir dir;
    if (pdf.isEmpty())
        pdf = dir.filePath(QStringLiteral("bench.pdf"));
    for (int r = 0; r < repeat; ++r) {
        QElapsedTimer timer;
        timer.start();
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource(QStringLiteral("bench"), source, true);
        TfrmPrint::EndPrint();
        paginate.push_back(timer.nsecsElapsed() / 1e6);

        TfrmPreview window;
        timer.restart();
        window.ShowPage();
        preview.push_back(timer.nsecsElapsed() / 1e6);

        ScopedDialogResponder responder([&pdf](DialogRequest &request) {
            request.value = pdf;
            return IDOK;
        });
        TfrmPrint dialog;
        dialog.FTitle = QStringLiteral("bench");
        dialog.Prepare();
        timer.restart();
        dialog.PrintPages();
        output.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("lines %d × %d characters: %d pages\n", lines, width, prtData().PageCount());
    std::printf("pagination (layout + page breaks), median of %d: %.1f ms (min %.1f)\n", repeat,
                median(paginate), *std::min_element(paginate.begin(), paginate.end()));
    std::printf("first preview page at zoom 1.0, median: %.1f ms\n", median(preview));
    std::printf("all pages to PDF, median: %.1f ms\n", median(output));
    return 0;
}
