#pragma once

#include "qvpagebreak.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TqvComboBox;
class TqvNumEdit;
class TqvCheckBox;

// Every print command of the program goes through TfrmPrint::ShowWindow: the print dialog,
// then the caller's print procedure records the document into the job prtData(), and the
// recorded pages go to the printer (or a PDF file) or to the preview. A print procedure only
// records:
//
//     TfrmPrint::ShowWindow(title, [&] {
//         TfrmPrint::BeginPrint();
//         try { TfrmPrint::PrintSource(title, lines, true); } catch (...) { TfrmPrint::EndPrint();
//         throw; } TfrmPrint::EndPrint();
//     });
//
// The procedure runs once for printing and once for every preview. Settings come from and go
// to PrintOption when the dialog is accepted; printer and orientation act on AppPrinter() at
// once.

using TPrintProc = std::function<void()>;

// How the copies are made, from what the driver can do and what the user asked for.
struct TqvPrintRuns
{
    int runs = 1; // the whole document this many times
    int repeats = 1; // each page this many times in a row
    int deviceCopies = 1; // copies the driver makes of the document
    bool deviceCollate = false; // the driver collates them
};
TqvPrintRuns PlanPrintRuns(bool supportCollate, bool supportCopies, bool collate, int copies);

// Whether the page with 0-based index lies in the range From - To (1-based, 0 = open end).
bool PageInRange(int index, int from, int to);

class TfrmPrint : public QDialog
{
    Q_OBJECT
public:
    static void ShowWindow(const QString &Title, const TPrintProc &PrintProc);
    static void BeginPrint();
    static void EndPrint();
    // Lays Source out on pages of the job, Title above and the page number below each body.
    // ResetPageNumber: number this source from 1; otherwise go on with the job's page count.
    static void PrintSource(const QString &Title, const QStringList &Source, bool ResetPageNumber);
    // The same with a measure of the caller's and a body of bodyWidth × bodyHeight pixels.
    static void PrintSource(const QString &Title, const QStringList &Source, bool ResetPageNumber,
                            const TqvTextMeasure &measure, double bodyWidth, double bodyHeight);

    explicit TfrmPrint(QWidget *parent = nullptr);

    QString FTitle;

    // Controls by their names.
    TqvComboBox *cmbPrinterName = nullptr;
    QPushButton *btnProperty = nullptr;
    QRadioButton *rdoRangeAll = nullptr;
    QRadioButton *rdoRangeSelect = nullptr;
    TqvNumEdit *txtRangeFrom = nullptr;
    TqvNumEdit *txtRangeTo = nullptr;
    QLabel *lblRange = nullptr;
    QSpinBox *btnCopies = nullptr; // with its edit txtCopies
    TqvCheckBox *chkCollate = nullptr;
    QGroupBox *grpOrientation = nullptr;
    QButtonGroup *orientationButtons = nullptr; // 0 portrait, 1 landscape
    QListWidget *lstFontName = nullptr;
    TqvNumEdit *txtFontSize = nullptr;
    QSpinBox *btnTopMargin = nullptr;
    QSpinBox *btnBottomMargin = nullptr;
    QSpinBox *btnLeftMargin = nullptr;
    QSpinBox *btnRightMargin = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnPreview = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    // Fills the lists and takes the stored settings, as ShowWindow does before showing.
    void Prepare();
    // The recorded job to the printer, with this dialog's copies, collation and range.
    void PrintPages();

private:
    void setupUi();
    void SelectPrinter();
    void LoadPrintOption();
    void SavePrintOption();
    void ApplyPrinterSettings();
    int copiesValue() const;
    void updateCollate();
    void updateRange();

    void btnOkClick();
    void btnPreviewClick();
    void btnPropertyClick();
};
