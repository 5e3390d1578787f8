#include "fpreview.h"

#include "qvhhelp.h"
#include "qvimages.h"
#include "qvprinter.h"

#include "core/qvappwindows.h"
#include "core/qvfontmap.h"
#include "core/qvoption.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace fpreview {

QAction *makeAction(QWidget *owner, const char *name, const QString &caption, const QString &hint,
                    int image)
{
    auto *action = new QAction(MainImage(image), caption, owner);
    action->setObjectName(QLatin1String(name));
    // "short|long": the short hint on the button, the long one in the status line.
    const int bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(hint.left(bar));
    action->setStatusTip(hint.mid(bar + 1));
    return action;
}

} // namespace fpreview

TfrmPreview::TfrmPreview(QWidget *parent)
    : QDialog(parent)
{
    setupUi();
}

void TfrmPreview::setupUi()
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setFont(FormFont());
    setSizeGripEnabled(true);
    setWindowIcon(MainImage(99));
    SetHelpContext(this, 12100);

    using fpreview::makeAction;
    actPrint = makeAction(this, "actPrint", QStringLiteral("印刷(&P)"),
                          QStringLiteral("印刷|ダイアグラムを印刷します。"), 98);
    actPrevPage = makeAction(this, "actPrevPage", QStringLiteral("前頁(&R)"),
                             QStringLiteral("前頁|前のページを表示します。"), 32);
    actNextPage = makeAction(this, "actNextPage", QStringLiteral("次頁(&N)"),
                             QStringLiteral("次頁|次のページを表示します。"), 33);
    actZoomUp = makeAction(this, "actZoomUp", QStringLiteral("拡大(&U)"),
                           QStringLiteral("拡大|印刷イメージを拡大します。"), 100);
    actZoomDown = makeAction(this, "actZoomDown", QStringLiteral("縮小(&D)"),
                             QStringLiteral("縮小|印刷イメージを縮小します。"), 101);
    actExit = makeAction(this, "actExit", QStringLiteral("終了(&X)"),
                         QStringLiteral("終了|プレビュー画面を閉じます。"), 42);

    tolMain = new QToolBar(this);
    tolMain->setObjectName(QStringLiteral("tolMain"));
    tolMain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QAction *action :
         { actPrint, actPrevPage, actNextPage, actZoomUp, actZoomDown, actExit }) {
        tolMain->addAction(action);
        if (auto *button = qobject_cast<QToolButton *>(tolMain->widgetForAction(action))) {
            button->setMinimumWidth(78);
            button->setFixedHeight(26);
        }
    }

    imgPreview = new QLabel;
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    scrPreview = new QScrollArea(this);
    scrPreview->setObjectName(QStringLiteral("scrPreview"));
    scrPreview->setWidget(imgPreview);
    scrPreview->setBackgroundRole(QPalette::Mid);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tolMain);
    layout->addWidget(scrPreview, 1);

    connect(actPrint, &QAction::triggered, this, &QDialog::accept);
    connect(actExit, &QAction::triggered, this, &QDialog::reject);
    connect(actNextPage, &QAction::triggered, this, [this] {
        if (FPage < prtData().PageCount()) {
            ++FPage;
            ShowPage();
        }
    });
    connect(actPrevPage, &QAction::triggered, this, [this] {
        if (FPage > 1) {
            --FPage;
            ShowPage();
        }
    });
    connect(actZoomUp, &QAction::triggered, this, [this] {
        if (FRate < 2.0) {
            FRate += 0.25;
            ShowPage();
        }
    });
    connect(actZoomDown, &QAction::triggered, this, [this] {
        if (FRate > 0.5) {
            FRate -= 0.25;
            ShowPage();
        }
    });
}

void TfrmPreview::updateActions()
{
    actNextPage->setEnabled(FPage < prtData().PageCount());
    actPrevPage->setEnabled(FPage > 1);
    actZoomUp->setEnabled(FRate < 2.0);
    actZoomDown->setEnabled(FRate > 0.5);
}

void TfrmPreview::ShowPage()
{
    TqvPrinter &printer = AppPrinter();
    printer.Refresh();
    const TqvPrintdata &job = prtData();
    const int jobDpi = job.Dpi() > 0 ? job.Dpi() : printer.DPI().Width;
    // Screen pixels per printer pixel.
    const double scale = FRate * logicalDpiX() / double(qMax(1, printer.DPI().Width));
    const double paperWidth = printer.PaperSize().Width;
    const double paperHeight = printer.PaperSize().Height;
    const double offset = printer.MMToDPIX(2.0); // the sheet's distance from the corner
    const QSize size(int(std::lround((paperWidth + 3 * offset) * scale)),
                     int(std::lround((paperHeight + 3 * offset) * scale)));

    QPixmap picture(size.expandedTo(QSize(1, 1)));
    picture.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.fillRect(QRectF(2 * offset, 2 * offset, paperWidth, paperHeight),
                     QColor(0x80, 0x80, 0x80));
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(offset, offset, paperWidth, paperHeight));
    painter.resetTransform();
    if (FPage >= 1 && FPage <= job.PageCount()) {
        const QPointF origin(
            qMax(printer.LeftMargin(), printer.MMToDPIX(PrintOption.MMLeftMargin)) + offset,
            qMax(printer.TopMargin(), printer.MMToDPIY(PrintOption.MMTopMargin)) + offset);
        // The page's own pixels may be of another resolution than the printer's now.
        const double pageScale = scale * printer.DPI().Width / double(qMax(1, jobDpi));
        job.GetPage(FPage - 1).Draw(painter, origin * scale, pageScale);
    }
    painter.end();
    imgPreview->setPixmap(picture);
    imgPreview->resize(picture.size());
    updateActions();
}

bool TfrmPreview::ShowWindow()
{
    MainWindowServices *services = mainWindowServices();
    QWidget *main = services ? services->mainWidget() : nullptr;
    TfrmPreview preview(main);
    const bool mainWasVisible = main && main->isVisible();
    struct RestoreMain
    {
        QWidget *main;
        bool visible;
        ~RestoreMain()
        {
            if (main && visible)
                main->show();
        }
    } restore { main, mainWasVisible };

    preview.FPage = 1;
    preview.FRate = 1.0;
    preview.ShowPage();
    if (main) {
        preview.setGeometry(main->geometry());
        preview.setWindowState(main->windowState());
        main->hide();
    } else {
        preview.resize(1000, 800);
    }
    return preview.exec() == QDialog::Accepted;
}
