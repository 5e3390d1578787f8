#pragma once

#include <QDialog>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class TqvComboBox;
class TqvNumEdit;
class TqvStrEdit;

// The dialog that starts the workbook output of a query result: the file to write, the sheet,
// an optional template workbook, the cell where the output starts (column letter and row
// number), the layout (one record per row or per column), the kind of column titles and whether
// the result is read again first. "開始" checks the row (1 .. 65536), that a named template
// exists and, for an existing output file, that the user agrees to overwrite it; then it stores
// the choices in the options (ExcelSheet, ExcelForm, ExcelMode, ExcelTitle, ExcelRefresh,
// ExcelTop, ExcelLeft) and closes with Accepted. The caller reads the file, sheet, template,
// column index and row from the controls. Esc does not close it; its close box cancels.
class TfrmXlsSQL : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmXlsSQL(QWidget *parent = nullptr);

    // The file-name text with a file chooser's answer applied: an extension other than the
    // workbook extension (letter case ignored) gets that extension appended, so that
    // "report.csv" becomes "report.csv.XLSX".
    static QString WithWorkbookExtension(const QString &fileName);
    // "A" .. "IV": the 256 columns the start position offers.
    static QStringList ColumnLetters();

    // The layout and title choices as indexes (0 one record per row / 1 per column; the
    // values of TTitleMode).
    int ExcelModeIndex() const;
    void setExcelModeIndex(int index);
    int ExcelTitleIndex() const;
    void setExcelTitleIndex(int index);

    // The empty file the caller reserved for this output's proposed name: writing over it
    // needs no question.
    QString ReservedFileName;

    QLabel *lblSaveFile;
    TqvStrEdit *txtSaveFile;
    QToolButton *btnSaveFile;
    QLabel *lblSheet;
    TqvStrEdit *txtSheet;
    QLabel *lblFormFile;
    TqvStrEdit *txtFormFile;
    QToolButton *btnFormFile;
    QGroupBox *grpHomePosition;
    QLabel *lblColumn;
    TqvComboBox *cmbColumn;
    QLabel *lblRow;
    TqvNumEdit *txtRow;
    QGroupBox *rdoExcel;
    QGroupBox *rdoExcelTitle;
    QCheckBox *chkRefresh;
    QPushButton *btnOk;
    QPushButton *btnCancel;

public Q_SLOTS:
    void btnSaveFileClick();
    void btnFormFileClick();
    void btnOkClick();
    void btnCancelClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QButtonGroup *m_mode;
    QButtonGroup *m_title;
};
