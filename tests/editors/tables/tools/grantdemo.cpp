// Shows the privileges frame on the fixture table grt.plain with every role listed and two
// roles selected, inside a host window over a fresh database of the test server, and saves
// the picture.
//
//   corvane_grantdemo GRANT.png   (server from CORVANE_TEST_SERVER)
#include "appdoubles.h"

#include "core/qvobjtype.h"
#include "editors/tables/rgrant.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"

#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_grantdemo GRANT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    try {
        testsupport::TestDatabase db;
        appdoubles::TestConnectionWindow conn(db.name(), true);
        TqvForm host(&conn);
        host.setObjType(ObjType::Table);
        host.setWindowTitle(QStringLiteral("TABLE - grt.plain"));
        auto *layout = new QVBoxLayout(&host);
        auto *frame = new TfraGrant(&host, &host);
        layout->addWidget(frame);
        host.resize(1100, 520);
        host.show();
        if (!QTest::qWaitForWindowExposed(&host))
            return 1;
        frame->ShowData(QStringLiteral("grt"), QStringLiteral("plain"));
        frame->rdoShowAll->click();
        for (int i = 0; i < frame->lstGrant->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = frame->lstGrant->topLevelItem(i);
            if (item->text(0) == QLatin1String("corvane_grt_a")
                || item->text(0) == QLatin1String("corvane_grt_b"))
                item->setSelected(true);
        }
        QTest::qWait(200);
        return host.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
