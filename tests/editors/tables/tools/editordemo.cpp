// Screenshots of the table editors' windows over a fresh database of the test server: the
// index editor opened from a connection window's object list (a row filled as the list fills
// it, opened with Enter through the object dispatch), the DDL preview of a change to it, and
// the storage frame's three pages, and the constraint editor on the page of a foreign key.
//
//   corvane_editordemo OUTDIR   (server from CORVANE_TEST_SERVER)
//
// writes OUTDIR/index.png, index-storage.png, preview.png, storage-default.png,
// storage-parents.png, storage-temporary.png and foreignkey.png.
#include "appdoubles.h"

#include "browser/fobject.h"
#include "core/qvoption.h"
#include "editors/tables/fconst.h"
#include "editors/tables/findex.h"
#include "editors/tables/rstorage.h"
#include "editors/tables/tableeditors.h"
#include "testserver.h"
#include "ui/fddlpreview.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"
#include "ui/qvgrid.h"
#include "ui/qvstdctl.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

namespace {

// A window holding one storage frame, as the table editor's storage page holds it.
std::unique_ptr<TqvForm> storageHost(ConnectionWindow *owner, bool isNew, const QString &schema,
                                     const QString &name, TfraStorage **frame)
{
    auto host = std::make_unique<TqvForm>(owner->connectionWidget());
    host->setObjType(45);
    host->setIsNew(isNew);
    host->setWindowTitle(QStringLiteral("TABLE - ") + schema + QLatin1Char('.') + name);
    auto *layout = new QVBoxLayout(host.get());
    *frame = new TfraStorage(host.get(), host.get());
    layout->addWidget(*frame);
    (*frame)->Init(schema, name);
    if (!isNew)
        (*frame)->ShowDefine();
    (*frame)->Save();
    host->resize(560, 460);
    return host;
}

bool grabTo(QWidget *widget, const QString &path)
{
    widget->show();
    if (!QTest::qWaitForWindowExposed(widget))
        return false;
    QTest::qWait(150);
    return widget->grab().save(path);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_editordemo OUTDIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    AppOption.ShowStorageSource = true;
    AppOption.UpdateToCommit = true;
    AppOption.KeepAliveInterval = 0;
    AppOption.CharacterSet = QStringLiteral("UTF8");
    RegisterTableEditors();
    try {
        testsupport::TestDatabase db;
        appdoubles::TestMainWindow main;
        main.resize(1000, 680);
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            return 1;
        const testsupport::ServerInfo &s = testsupport::server();
        TfrmObject *objects = TfrmObject::Create(&main, s.host, QString::number(s.port), db.name(),
                                                 QStringLiteral("public"), s.user, QString());

        // the list's row of the index, opened with Enter as the user opens it
        auto *row = new QTreeWidgetItem(objects->lstObject);
        row->setText(0, QStringLiteral("doc_lower_title"));
        row->setData(0, TreeImageRole, 46);
        row->setText(1, QStringLiteral("idx"));
        row->setSelected(true);
        QTest::keyClick(objects->lstObject, Qt::Key_Return);
        TfrmIndex *window = main.findChild<TfrmIndex *>();
        if (!window) {
            std::fprintf(stderr, "the index editor did not open\n");
            return 1;
        }
        objects->parentWidget()->setGeometry(0, 0, 440, 380);
        objects->spl1->setSizes({ 180, 260 });
        window->parentWidget()->setGeometry(300, 20, 680, 560);
        QTest::qWait(200);
        bool saved = main.grab().save(out.filePath(QStringLiteral("index.png")));
        window->pagObject->setCurrentWidget(window->tabStorage);
        QTest::qWait(100);
        saved = window->grab().save(out.filePath(QStringLiteral("index-storage.png"))) && saved;
        window->pagObject->setCurrentWidget(window->tabDefine);

        window->chkUnique->click();
        QStringList script = window->GetChangeScript();
        AppOption.ShowDDL = true;
        QTimer::singleShot(300, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *preview = qobject_cast<TfrmDDLPreview *>(w); preview && w->isVisible()) {
                    saved = preview->grab().save(out.filePath(QStringLiteral("preview.png")))
                        && saved;
                    preview->reject();
                }
            }
        });
        TfrmDDLPreview::ShowWindow(script, QStringLiteral("idx"),
                                   QStringLiteral("doc_lower_title"));
        delete window->parentWidget();

        TfrmConst *constraint
            = TfrmConst::Open(objects, QStringLiteral("cns"), QStringLiteral("item_parent_full"),
                              QStringLiteral("item"));
        if (!constraint)
            return 1;
        constraint->parentWidget()->setGeometry(0, 0, 760, 600);
        main.resize(1000, 780);
        QTest::qWait(200);
        saved = main.grab().save(out.filePath(QStringLiteral("foreignkey.png"))) && saved;
        delete constraint->parentWidget();
        main.resize(1000, 680);

        TfraStorage *frame = nullptr;
        auto tuned
            = storageHost(objects, false, QStringLiteral("idx"), QStringLiteral("tuned"), &frame);
        frame->cmbTBS->setEditText(QStringLiteral("pg_default"));
        saved = grabTo(tuned.get(), out.filePath(QStringLiteral("storage-default.png"))) && saved;
        auto kid
            = storageHost(objects, false, QStringLiteral("dsp"), QStringLiteral("kid"), &frame);
        frame->cmbStorageType->setCurrentIndex(frame->cmbStorageType->findText("継承"));
        frame->cmbStorageTypeChange();
        saved = grabTo(kid.get(), out.filePath(QStringLiteral("storage-parents.png"))) && saved;
        auto fresh = storageHost(objects, true, QStringLiteral("dsp"), QString(), &frame);
        frame->cmbStorageType->setCurrentIndex(frame->cmbStorageType->findText("一時表"));
        frame->cmbStorageTypeChange();
        frame->rdoSession->setChecked(true);
        saved = grabTo(fresh.get(), out.filePath(QStringLiteral("storage-temporary.png"))) && saved;
        fresh.reset();
        kid.reset();
        tuned.reset();
        delete objects->parentWidget();
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
