// Shows the print dialog, the preview at zoom 1.0 or the support window and saves a picture of
// it: printdemo dialog|preview|support out.png; printdemo pdf out.pdf prints the preview's
// document into a PDF file. Run under Xvfb for a real window system.
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "ui/fpreview.h"
#include "ui/fprint.h"
#include "ui/fsupport.h"
#include "ui/qvprinter.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("dialog");
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : mode + QStringLiteral(".png");

    PrintOption.MMLeftMargin = PrintOption.MMTopMargin = 20;
    PrintOption.MMRightMargin = PrintOption.MMBottomMargin = 20;
    PrintOption.FontName = QStringLiteral("ＭＳ ゴシック");
    PrintOption.FontSize = 10;
    AppPrinter().Refresh();

    QWidget *window = nullptr;
    if (mode == QLatin1String("dialog")) {
        auto *dialog = new TfrmPrint;
        dialog->FTitle = QStringLiteral("public.受注");
        dialog->Prepare();
        window = dialog;
    } else if (mode == QLatin1String("preview") || mode == QLatin1String("pdf")) {
        QStringList source {
            QStringLiteral("CREATE TABLE public.\"受注\" ("),
            QStringLiteral("\t受注番号\tinteger NOT NULL,"),
            QStringLiteral("\t顧客名\tvarchar(40) DEFAULT 'R&D' NOT NULL,"),
            QStringLiteral("\t金額\tnumeric(12,2),"),
            QStringLiteral("\tCONSTRAINT \"受注_pkey\" PRIMARY KEY (受注番号)"),
            QStringLiteral(");"),
            QString(),
            QStringLiteral("COMMENT ON TABLE public.\"受注\" IS '受注の記録 (A&B 部門)';"),
        };
        for (int i = 0; i < 120; ++i)
            source << QStringLiteral(
                          "-- %1: とても長い注釈の行は本文の幅で折り返されて次の行に続きます。The "
                          "quick brown fox jumps over the lazy dog.")
                          .arg(i);
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource(QStringLiteral("public.受注"), source, true);
        TfrmPrint::EndPrint();
        if (mode == QLatin1String("pdf")) {
            ScopedDialogResponder responder([&out](DialogRequest &request) {
                request.value = out;
                return IDOK;
            });
            TfrmPrint dialog;
            dialog.FTitle = QStringLiteral("public.受注");
            dialog.Prepare();
            dialog.PrintPages();
            return 0;
        }
        auto *preview = new TfrmPreview;
        preview->resize(1000, 980);
        preview->ShowPage();
        window = preview;
    } else {
        auto *support = new TfrmSupport;
        support->txtSupport->setPlainText(
            SupportLines(CollectSupportFacts()).join(QLatin1Char('\n')));
        window = support;
    }
    window->show();
    QTimer::singleShot(800, [window, out] {
        window->grab().save(out);
        QApplication::quit();
    });
    return app.exec();
}
