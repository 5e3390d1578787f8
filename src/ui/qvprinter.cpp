#include "qvprinter.h"

#include "core/qvfontmap.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextOption>

#include <cfenv>
#include <cmath>

namespace qvprinter {

// Rounds to the nearest integer, a half to the even neighbour.
int roundEven(double value)
{
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return int(rounded);
}

// Owns the program-wide objects of printing and goes with the application object, so that no
// printer or font outlives the toolkit.
class PrintObjects : public QObject
{
public:
    explicit PrintObjects(QObject *parent)
        : QObject(parent)
    { }
    TqvPrinter printer;
    TqvPrintdata job;
};

PrintObjects &printObjects()
{
    static QPointer<PrintObjects> objects;
    if (!objects)
        objects = new PrintObjects(QCoreApplication::instance());
    return *objects;
}

} // namespace qvprinter

using qvprinter::roundEven;

QString PdfPrinterCaption()
{
    return QStringLiteral("PDFファイル");
}

TqvPrinter::TqvPrinter()
{
    m_installed = QPrinterInfo::availablePrinterNames();
    const int defaultIndex = m_installed.indexOf(QPrinterInfo::defaultPrinterName());
    m_index = defaultIndex >= 0 ? defaultIndex : int(m_installed.size());
    createPrinter();
}

TqvPrinter::~TqvPrinter() = default;

QStringList TqvPrinter::PrinterNames() const
{
    return m_installed + QStringList { PdfPrinterCaption() };
}

bool TqvPrinter::IsPdf() const
{
    return m_index >= m_installed.size();
}

QString TqvPrinter::PrinterName() const
{
    return PrinterNames().value(m_index);
}

void TqvPrinter::setPrinterIndex(int value)
{
    if (value == m_index || value < 0 || value > m_installed.size())
        return;
    const int orientation = Orientation();
    m_index = value;
    createPrinter();
    setOrientation(orientation);
}

void TqvPrinter::createPrinter()
{
    if (IsPdf()) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
    } else {
        m_printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(m_installed.at(m_index)),
                                               QPrinter::HighResolution);
    }
    // Pages are placed from the paper's corner; the unprintable margins are honoured by the
    // placement itself (GetPrintableWidth and the print run).
    m_printer->setFullPage(true);
}

int TqvPrinter::Orientation() const
{
    return m_printer->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}

void TqvPrinter::setOrientation(int value)
{
    m_printer->setPageOrientation(value == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TqvPrinter::Refresh()
{
    const int dpi = m_printer->resolution();
    QPageLayout layout = m_printer->pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QRect full = layout.fullRectPixels(dpi);
    const QMarginsF minimum = layout.minimumMargins(); // millimetres, oriented
    m_dpi = { dpi, dpi };
    m_paperSize = { full.width(), full.height() };
    m_leftMargin = MMToDPIX(minimum.left());
    m_topMargin = MMToDPIY(minimum.top());
    m_rightMargin = MMToDPIX(minimum.right());
    m_bottomMargin = MMToDPIY(minimum.bottom());
    m_printableSize = { m_paperSize.Width - m_leftMargin - m_rightMargin,
                        m_paperSize.Height - m_topMargin - m_bottomMargin };
    m_mmPaperSize = { DPIXToMM(m_paperSize.Width), DPIYToMM(m_paperSize.Height) };
    m_mmPrintableSize = { DPIXToMM(m_printableSize.Width), DPIYToMM(m_printableSize.Height) };
    m_mmLeftMargin = DPIXToMM(m_leftMargin);
    m_mmTopMargin = DPIYToMM(m_topMargin);
    m_mmRightMargin = DPIXToMM(m_rightMargin);
    m_mmBottomMargin = DPIYToMM(m_bottomMargin);
    m_scaleFactor = 100;
    if (IsPdf()) {
        m_supportColor = true;
        m_supportCopies = false;
        m_supportCollate = false;
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(m_installed.at(m_index));
        m_supportColor = info.supportedColorModes().contains(QPrinter::Color);
        // The print system makes and collates copies of a document itself where it makes any.
        m_supportCopies = m_printer->supportsMultipleCopies();
        m_supportCollate = m_supportCopies;
    }
    m_maxCopies = 999;
}

void TqvPrinter::setMeasurements(int dpi, TSizeI paper, int left, int top, int right, int bottom)
{
    m_dpi = { dpi, dpi };
    m_paperSize = paper;
    m_leftMargin = left;
    m_topMargin = top;
    m_rightMargin = right;
    m_bottomMargin = bottom;
    m_printableSize = { paper.Width - left - right, paper.Height - top - bottom };
}

int TqvPrinter::MMToDPIX(double mmValue) const
{
    return roundEven(mmValue * m_dpi.Width / 25.4);
}

int TqvPrinter::MMToDPIY(double mmValue) const
{
    return roundEven(mmValue * m_dpi.Height / 25.4);
}

double TqvPrinter::DPIXToMM(int dpiValue) const
{
    return m_dpi.Width == 0 ? 0 : double(dpiValue) / m_dpi.Width * 25.4;
}

double TqvPrinter::DPIYToMM(int dpiValue) const
{
    return m_dpi.Height == 0 ? 0 : double(dpiValue) / m_dpi.Height * 25.4;
}

double TqvPrinter::ScreenToPrinterRate() const
{
    return m_printer->resolution() / 96.0;
}

double TqvPrinter::PrinterToScreenRate() const
{
    return 96.0 / m_printer->resolution();
}

int TqvPrinter::GetPrintableWidth(double mmLeftMargin, double mmRightMargin) const
{
    return m_paperSize.Width - qMax(m_leftMargin, MMToDPIX(mmLeftMargin))
        - qMax(m_rightMargin, MMToDPIX(mmRightMargin));
}

int TqvPrinter::GetPrintableHeight(double mmTopMargin, double mmBottomMargin) const
{
    return m_paperSize.Height - qMax(m_topMargin, MMToDPIY(mmTopMargin))
        - qMax(m_bottomMargin, MMToDPIY(mmBottomMargin));
}

void TqvPrinter::SetDeviceCopies(int copies, bool collate)
{
    if (IsPdf())
        return;
    m_printer->setCopyCount(qMax(1, copies));
    m_printer->setCollateCopies(collate);
}

TqvPrinter &AppPrinter()
{
    return qvprinter::printObjects().printer;
}

QStringList TMetafileEx::texts() const
{
    QStringList result;
    for (const TqvTextCommand &command : m_commands)
        result << command.text;
    return result;
}

void TMetafileEx::Draw(QPainter &painter, const QPointF &origin, qreal scale) const
{
    painter.save();
    painter.setClipping(false);
    painter.translate(origin);
    painter.scale(scale, scale);
    for (const TqvTextCommand &command : m_commands) {
        painter.setFont(command.font);
        QTextOption option(Qt::Alignment(command.alignment));
        option.setWrapMode(QTextOption::NoWrap);
        if (command.tabStop > 0)
            option.setTabStopDistance(command.tabStop);
        painter.drawText(command.rect, command.text, option);
    }
    painter.restore();
}

TqvPrintdataError::TqvPrintdataError(const QString &message)
    : std::runtime_error(message.toStdString())
{ }

void TqvPrintCanvas::SetFont(const QString &family, int pointSize)
{
    QFont font = MapFont(family, qMax(1, pointSize));
    font.setPixelSize(qMax(1, roundEven(qMax(1, pointSize) * double(m_dpi) / 72.0)));
    m_font = font;
}

qreal TqvPrintCanvas::TextHeight(const QString &text) const
{
    return QFontMetricsF(m_font).boundingRect(text).height();
}

void TqvPrintCanvas::DrawText(const QRectF &rect, const QString &text, int alignment, qreal tabStop)
{
    if (!m_page)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    m_page->append({ rect, text, alignment, m_font, tabStop });
}

void TqvPrintdata::BeginDoc(int dpi)
{
    if (m_printing)
        throw TqvPrintdataError(QStringLiteral("既に印刷が開始されています。"));
    if (dpi <= 0) {
        TqvPrinter &printer = AppPrinter();
        if (printer.DPI().Width <= 0)
            printer.Refresh();
        dpi = printer.DPI().Width;
    }
    while (!m_pages.empty())
        m_pages.pop_back();
    m_canvas.m_dpi = dpi;
    m_canvas.m_page = nullptr;
    m_canvas.SetFont(QStringLiteral("ＭＳ ゴシック"), 9);
    m_printing = true;
    NewPage();
}

void TqvPrintdata::NewPage()
{
    if (!m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    m_pages.push_back(std::make_unique<TMetafileEx>());
    m_canvas.m_page = m_pages.back().get();
}

void TqvPrintdata::EndDoc()
{
    if (!m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    m_canvas.m_page = nullptr;
    m_printing = false;
}

TqvPrintCanvas &TqvPrintdata::Canvas()
{
    if (!m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    return m_canvas;
}

const TMetafileEx &TqvPrintdata::GetPage(int index) const
{
    if (m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が完了していません。"));
    if (index < 0 || index >= PageCount())
        throw TqvPrintdataError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return *m_pages.at(size_t(index));
}

TqvPrintdata &prtData()
{
    return qvprinter::printObjects().job;
}
