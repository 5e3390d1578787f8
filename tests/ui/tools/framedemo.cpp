// Shows a table editor's data frame over the fixture table fx_data inside a main window with
// its task bar, sorted by a click on a title, with the hint of a navigation button showing, and
// saves a picture of the screen around the main window; with a second file name, also a
// picture of the frame after a switch to one record per column.
//
//   corvane_framedemo OUT.png [OUT_COLUMNS.png]
//                                  (server from CORVANE_TEST_SERVER, as ctest's fixture writes)
#include "framedemo.h"

#include "core/qvoption.h"
#include "ui/qvdbgrid.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: corvane_framedemo OUT.png [OUT_COLUMNS.png]\n");
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
        // the hint of a navigation button, as the mouse resting on it shows it
        QToolTip::showText(frame->btnNext->mapToGlobal(frame->btnNext->rect().center()),
                           frame->btnNext->toolTip(), frame->btnNext);
        QTest::qWait(300);
        // the screen rather than the window: the hint is a window of its own
        const QRect area = demo.main->frameGeometry().adjusted(0, 0, 200, 0);
        bool saved = demo.main->screen()
                         ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                         .save(QString::fromLocal8Bit(argv[1]));
        if (argc > 2) {
            // one record per column, after moving to the third record
            QToolTip::hideText();
            frame->qryData->setCurrentRow(2);
            frame->btnGridType->click();
            QTest::qWait(300);
            saved &= demo.main->grab().save(QString::fromLocal8Bit(argv[2]));
        }
        delete demo.table;
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
