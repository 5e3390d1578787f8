#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

class QPainter;
class QPrinter;

// Printing rests on three pieces:
//   TqvPrinter     the settings of the chosen printer (one instance, AppPrinter()): its
//                  resolution, paper and unprintable margins in pixels and millimetres, what
//                  the driver can do with copies, and the QPrinter that prints;
//   TqvPrintdata   a print job recorded as pages of text drawing commands in printer pixels,
//                  which replay on the printer, into a PDF file or in the preview;
//   TMetafileEx    one recorded page; it replays without clipping, so that the header above
//                  the body and the page number below it are never cut off.
// Nothing reaches the printer while a job is recorded. Used from the user-interface thread.
//
//     TqvPrintdata &job = prtData();
//     job.BeginDoc();                       // one empty page
//     job.Canvas().DrawText(rect, "text");  // draw on it, NewPage() for the next
//     job.EndDoc();                         // the pages stay readable until the next job

struct TSizeI
{
    int Width = 0;
    int Height = 0;
};

struct TSizeD
{
    double Width = 0;
    double Height = 0;
};

// The caption under which the printer list offers output to a PDF file. It is always the last
// entry, and the only one where no printer is installed.
QString PdfPrinterCaption();

class TqvPrinter
{
public:
    TqvPrinter();
    ~TqvPrinter();
    TqvPrinter(const TqvPrinter &) = delete;
    TqvPrinter &operator=(const TqvPrinter &) = delete;

    // The installed printers, then the PDF entry.
    QStringList PrinterNames() const;
    int PrinterIndex() const { return m_index; }
    // Another index gives that printer with its default settings (orientation kept); the
    // index already selected changes nothing. Measurements wait for Refresh.
    void setPrinterIndex(int value);
    bool IsPdf() const;
    QString PrinterName() const;

    // 0 portrait, 1 landscape; takes effect at once, measurements wait for Refresh.
    int Orientation() const;
    void setOrientation(int value);

    // Reads resolution, paper, margins and capabilities of the selected printer.
    void Refresh();

    TSizeI DPI() const { return m_dpi; }
    TSizeI PrintableSize() const { return m_printableSize; }
    TSizeI PaperSize() const { return m_paperSize; }
    int LeftMargin() const { return m_leftMargin; }
    int TopMargin() const { return m_topMargin; }
    int RightMargin() const { return m_rightMargin; }
    int BottomMargin() const { return m_bottomMargin; }
    TSizeD MMPrintableSize() const { return m_mmPrintableSize; }
    TSizeD MMPaperSize() const { return m_mmPaperSize; }
    double MMLeftMargin() const { return m_mmLeftMargin; }
    double MMTopMargin() const { return m_mmTopMargin; }
    double MMRightMargin() const { return m_mmRightMargin; }
    double MMBottomMargin() const { return m_mmBottomMargin; }
    int ScaleFactor() const { return m_scaleFactor; }
    TSizeD ScaledPrintableSize() const { return scaled(m_mmPrintableSize); }
    TSizeD ScaledPaperSize() const { return scaled(m_mmPaperSize); }
    double ScaledLeftMargin() const { return m_mmLeftMargin * m_scaleFactor / 100.0; }
    double ScaledTopMargin() const { return m_mmTopMargin * m_scaleFactor / 100.0; }
    double ScaledRightMargin() const { return m_mmRightMargin * m_scaleFactor / 100.0; }
    double ScaledBottomMargin() const { return m_mmBottomMargin * m_scaleFactor / 100.0; }
    bool SupportColor() const { return m_supportColor; }
    bool SupportCollate() const { return m_supportCollate; }
    bool SupportCopies() const { return m_supportCopies; }
    int MaxCopies() const { return m_maxCopies; }

    // Millimetres to printer pixels, a half to the even neighbour, and back.
    int MMToDPIX(double mmValue) const;
    int MMToDPIY(double mmValue) const;
    double DPIXToMM(int dpiValue) const;
    double DPIYToMM(int dpiValue) const;
    double ScreenToPrinterRate() const;
    double PrinterToScreenRate() const;

    // The width (height) in pixels between two requested margins; a requested margin smaller
    // than the unprintable one counts as the unprintable one.
    int GetPrintableWidth(double mmLeftMargin, double mmRightMargin) const;
    int GetPrintableHeight(double mmTopMargin, double mmBottomMargin) const;

    // Copies and collation that the driver makes for the next document (ignored where it can
    // make none).
    void SetDeviceCopies(int copies, bool collate);

    // The printer that prints the next document.
    QPrinter &printer() { return *m_printer; }

    // Stand-in measurements for tests of what is computed from them: the values are taken as
    // they are, as if Refresh had read them.
    void setMeasurements(int dpi, TSizeI paper, int left, int top, int right, int bottom);

private:
    void createPrinter();
    TSizeD scaled(TSizeD size) const
    {
        return { size.Width * m_scaleFactor / 100.0, size.Height * m_scaleFactor / 100.0 };
    }

    std::unique_ptr<QPrinter> m_printer;
    QStringList m_installed;
    int m_index = 0;
    TSizeI m_dpi;
    TSizeI m_printableSize;
    TSizeI m_paperSize;
    int m_leftMargin = 0;
    int m_topMargin = 0;
    int m_rightMargin = 0;
    int m_bottomMargin = 0;
    TSizeD m_mmPrintableSize;
    TSizeD m_mmPaperSize;
    double m_mmLeftMargin = 0;
    double m_mmTopMargin = 0;
    double m_mmRightMargin = 0;
    double m_mmBottomMargin = 0;
    int m_scaleFactor = 100;
    bool m_supportColor = false;
    bool m_supportCollate = false;
    bool m_supportCopies = false;
    int m_maxCopies = 999;
};

// The one printer-settings object of the program; created at first use with the default
// printer (the PDF entry where there is none), not refreshed.
TqvPrinter &AppPrinter();

// One text drawing command of a page, in printer pixels of the job.
struct TqvTextCommand
{
    QRectF rect;
    QString text;
    int alignment = 0; // Qt::Alignment bits; the text is one line, tabs expanded
    QFont font; // pixel-sized in printer pixels
    qreal tabStop = 0; // distance between tab stops, 0 for the font's default
};

// One recorded page.
class TMetafileEx
{
public:
    const QList<TqvTextCommand> &commands() const { return m_commands; }
    void append(const TqvTextCommand &command) { m_commands.append(command); }
    // The texts drawn, in order (for tests and the clipboard).
    QStringList texts() const;
    // Replays the page with its origin at origin and scale target pixels per recorded pixel,
    // with the painter's clipping switched off for the duration.
    void Draw(QPainter &painter, const QPointF &origin, qreal scale) const;

private:
    QList<TqvTextCommand> m_commands;
};

// The failure of a job operation called in the wrong state.
class TqvPrintdataError : public std::runtime_error
{
public:
    explicit TqvPrintdataError(const QString &message);
};

class TqvPrintdata;

// What a print procedure draws on: the current page of the job, with a font that carries over
// to the following pages.
class TqvPrintCanvas
{
public:
    // The resolution of the job's pixels.
    int Dpi() const { return m_dpi; }
    QFont Font() const { return m_font; }
    // family is a name of the program's options ("ＭＳ ゴシック"), mapped to a font present here.
    void SetFont(const QString &family, int pointSize);
    qreal TextHeight(const QString &text) const;
    void DrawText(const QRectF &rect, const QString &text, int alignment, qreal tabStop = 0);

private:
    friend class TqvPrintdata;
    TMetafileEx *m_page = nullptr;
    int m_dpi = 0;
    QFont m_font;
};

class TqvPrintdata
{
public:
    TqvPrintdata() = default;
    TqvPrintdata(const TqvPrintdata &) = delete;
    TqvPrintdata &operator=(const TqvPrintdata &) = delete;

    // Starts a job with one empty page, dropping the pages of the previous one. dpi is the
    // resolution of the job's pixels, 0 for that of AppPrinter().
    void BeginDoc(int dpi = 0);
    void NewPage();
    void EndDoc();
    bool Printing() const { return m_printing; }
    TqvPrintCanvas &Canvas();
    int PageCount() const { return int(m_pages.size()); }
    // The page with 0-based index of a finished job.
    const TMetafileEx &GetPage(int index) const;
    int Dpi() const { return m_canvas.m_dpi; }

private:
    bool m_printing = false;
    std::vector<std::unique_ptr<TMetafileEx>> m_pages;
    TqvPrintCanvas m_canvas;
};

// The program's one print job.
TqvPrintdata &prtData();
