// Shows the workbook output options dialog with the choices of a last output and saves a
// picture of it: xlsdialogdemo out.png. Run under Xvfb for a real window system.
#include "core/qvoption.h"
#include "ui/fxlssql.h"
#include "ui/qvstdctl.h"

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    const QString out
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("xlsdialog.png");
    AppOption.ExcelExt = QStringLiteral(".XLSX");
    AppOption.ExcelSheet = QStringLiteral("受注一覧");
    AppOption.ExcelForm = QStringLiteral("/home/user/forms/受注フォーム.xlsx");
    AppOption.ExcelLeft = 2;
    AppOption.ExcelTop = 3;
    AppOption.ExcelMode = 0;
    AppOption.ExcelTitle = tmComment;
    AppOption.ExcelRefresh = true;

    TfrmXlsSQL dialog;
    dialog.txtSaveFile->setText(QStringLiteral("/home/user/Documents/public.受注.XLSX"));
    dialog.show();
    QTimer::singleShot(500, &app, [&] {
        dialog.grab().save(out);
        app.quit();
    });
    return app.exec();
}
