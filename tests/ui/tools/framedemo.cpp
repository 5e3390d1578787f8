// Shows a table editor's data frame over the fixture table fx_data inside a main window with
// its task bar, sorted by a click on a title, and saves a picture of the main window.
//
//   corvane_framedemo OUT.png      (server from CORVANE_TEST_SERVER, as ctest's fixture writes)
#include "framedemo.h"

#include "core/qvoption.h"
#include "ui/qvdbgrid.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_framedemo OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    AppOption.TempDir = QDir::tempPath() + QStringLiteral("/corvane-framedemo/");
    AppOption.Encoding = 2;
    AppOption.UpdateMode = true;
    AppOption.AddStripe = true;
    AppOption.DataFontName = QStringLiteral("ＭＳ ゴシック");
    AppOption.DataFontSize = 10;
    AppOption.DataColWidthV = 30;
    AppOption.DataColWidthH = 20;
    AppOption.CharacterSet = QStringLiteral("UTF8");
    try {
        testsupport::TestDatabase db;
        db.exec(framedemo::fixtureSql());
        framedemo::DemoWindow demo = framedemo::buildDemo(db.name());
        if (!demo.table) {
            std::fprintf(stderr, "the demo window could not be built\n");
            return 1;
        }
        demo.main->show();
        if (!QTest::qWaitForWindowExposed(demo.main.get()))
            return 1;
        TfraData *frame = demo.table->fraData;
        // sorted by amount, descending: two clicks on its title
        for (int i = 0; i < 2; ++i)
            Q_EMIT frame->grdData1->OnTitleClick(frame->grdData1->Columns()->Items(2));
        frame->qryData->setCurrentRow(1);
        frame->grdData1->setFocus();
        QTest::qWait(300);
        for (const QString &step :
             qEnvironmentVariable("FRAMEDEMO_STEPS").split(',', Qt::SkipEmptyParts)) {
            if (step == "last")
                frame->btnLast->click();
            else if (step == "first")
                frame->btnFirst->click();
            else if (step == "next")
                frame->btnNext->click();
            else if (step == "switch")
                frame->btnGridType->click();
            else if (step.startsWith("row"))
                frame->qryData->setCurrentRow(step.mid(3).toInt());
            QTest::qWait(150);
        }
        const bool saved = demo.main->grab().save(QString::fromLocal8Bit(argv[1]));
        delete demo.table;
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
