// Shows the index editor on a fixture index and the DDL preview of a change to it, inside a
// main window double over a fresh database of the test server, and saves both pictures; with a
// third file, also the constraint editor on the foreign-key page of a fixture key.
//
//   corvane_editordemo INDEX.png PREVIEW.png [FOREIGNKEY.png]   (server from CORVANE_TEST_SERVER)
#include "appdoubles.h"

#include "core/qvoption.h"
#include "editors/tables/fconst.h"
#include "editors/tables/fddlpreview.h"
#include "editors/tables/findex.h"
#include "testserver.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: corvane_editordemo INDEX.png PREVIEW.png [FOREIGNKEY.png]\n");
        return 2;
    }
    QApplication app(argc, argv);
    AppOption.ShowStorageSource = true;
    try {
        testsupport::TestDatabase db;
        appdoubles::TestMainWindow main;
        appdoubles::TestConnectionWindow conn(db.name(), true);
        main.addConnection(&conn);
        main.resize(900, 640);
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            return 1;
        TfrmIndex *window
            = TfrmIndex::Open(&conn, QStringLiteral("idx"), QStringLiteral("doc_lower_title"));
        if (!window)
            return 1;
        window->parentWidget()->resize(700, 560);
        QTest::qWait(200);
        bool saved = main.grab().save(QString::fromLocal8Bit(argv[1]));
        window->chkUnique->click();
        QStringList script = window->GetChangeScript();
        AppOption.ShowDDL = true;
        QTimer::singleShot(300, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *preview = qobject_cast<TfrmDDLPreview *>(w); preview && w->isVisible()) {
                    saved = preview->grab().save(QString::fromLocal8Bit(argv[2])) && saved;
                    preview->reject();
                }
            }
        });
        TfrmDDLPreview::ShowWindow(script, QStringLiteral("idx"),
                                   QStringLiteral("doc_lower_title"));
        delete window->parentWidget();
        if (argc == 4) {
            main.resize(900, 780);
            TfrmConst *constraint
                = TfrmConst::Open(&conn, QStringLiteral("cns"), QStringLiteral("item_parent_full"),
                                  QStringLiteral("item"));
            if (!constraint)
                return 1;
            constraint->parentWidget()->resize(760, 600);
            QTest::qWait(200);
            saved = main.grab().save(QString::fromLocal8Bit(argv[3])) && saved;
            delete constraint->parentWidget();
        }
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
