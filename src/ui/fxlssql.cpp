#include "fxlssql.h"

#include "qvhhelp.h"
#include "qvstdctl.h"

#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "platform/workbook/workbook.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

namespace fxlssql {

QString workbookExtension()
{
    return AppOption.ExcelExt.isEmpty() ? QStringLiteral(".XLSX") : AppOption.ExcelExt;
}

QString chooserFilter()
{
    return ExcelFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
}

// The text without one trailing path separator, which would make the chooser open a folder.
QString withoutTrailingSeparator(const QString &text)
{
    if (text.endsWith(QLatin1Char('\\')) || text.endsWith(QLatin1Char('/')))
        return text.left(text.size() - 1);
    return text;
}

} // namespace fxlssql

TfrmXlsSQL::TfrmXlsSQL(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmXlsSQL"));
    setWindowTitle(QStringLiteral("EXCEL出力(SQL結果)"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint
                   | Qt::WindowStaysOnTopHint);
    setFixedSize(412, 233);
    setFont(FormFont());
    SetHelpContext(this, 21400);
    const QFont editFont = MapFont(QStringLiteral("ＭＳ ゴシック"), 10, true);

    auto label = [this](const char *name, const QString &text, int x, int y, QWidget *parent) {
        auto *l = new QLabel(text, parent ? parent : this);
        l->setObjectName(QLatin1String(name));
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    auto edit = [&](const char *name, int x, int y, int w) {
        auto *e = new TqvStrEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setGeometry(x, y, w, 21);
        e->setFont(editFont);
        return e;
    };
    auto fileButton = [this](const char *name, int x, int y) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(x, y, 23, 21);
        b->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };

    lblSaveFile = label("lblSaveFile", QStringLiteral("保存ファイル名"), 8, 12, nullptr);
    txtSaveFile = edit("txtSaveFile", 112, 8, 266);
    btnSaveFile = fileButton("btnSaveFile", 381, 8);
    lblSheet = label("lblSheet", QStringLiteral("シート名"), 8, 39, nullptr);
    txtSheet = edit("txtSheet", 112, 35, 160);
    lblFormFile = label("lblFormFile", QStringLiteral("フォームファイル"), 8, 66, nullptr);
    txtFormFile = edit("txtFormFile", 112, 62, 266);
    btnFormFile = fileButton("btnFormFile", 381, 62);

    grpHomePosition = new QGroupBox(QStringLiteral("開始位置"), this);
    grpHomePosition->setObjectName(QStringLiteral("grpHomePosition"));
    grpHomePosition->setGeometry(8, 90, 180, 52);
    lblColumn = label("lblColumn", QStringLiteral("桁"), 10, 25, grpHomePosition);
    cmbColumn = new TqvComboBox(grpHomePosition);
    cmbColumn->setObjectName(QStringLiteral("cmbColumn"));
    cmbColumn->setGeometry(26, 21, 56, 22);
    cmbColumn->setFont(editFont);
    cmbColumn->setEditable(false);
    cmbColumn->setMaxVisibleItems(20);
    cmbColumn->addItems(ColumnLetters());
    lblRow = label("lblRow", QStringLiteral("行"), 94, 25, grpHomePosition);
    txtRow = new TqvNumEdit(grpHomePosition);
    txtRow->setObjectName(QStringLiteral("txtRow"));
    txtRow->setGeometry(110, 21, 60, 21);
    txtRow->setFont(editFont);
    txtRow->setMaxLength(9);

    auto radioGroup = [this](const char *name, const QString &caption, const QStringList &items,
                             const QRect &geometry, QButtonGroup **group) {
        auto *box = new QGroupBox(caption, this);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(geometry);
        auto *layout = new QHBoxLayout(box);
        layout->setContentsMargins(8, 2, 8, 4);
        *group = new QButtonGroup(box);
        for (int i = 0; i < items.size(); ++i) {
            auto *radio = new QRadioButton(items[i], box);
            radio->setObjectName(QLatin1String(name) + QString::number(i));
            (*group)->addButton(radio, i);
            layout->addWidget(radio, 1);
        }
        return box;
    };
    rdoExcel = radioGroup("rdoExcel", QStringLiteral("出力方向"),
                          { QStringLiteral("縦方向"), QStringLiteral("横方向") },
                          QRect(196, 90, 208, 52), &m_mode);
    rdoExcelTitle = radioGroup("rdoExcelTitle", QStringLiteral(" 列タイトル出力 "),
                               { QStringLiteral("項目名を使用"), QStringLiteral("コメントを使用"),
                                 QStringLiteral("出力しない") },
                               QRect(8, 146, 396, 46), &m_title);

    chkRefresh = new QCheckBox(QStringLiteral("最新のデータを読み直してから出力する"), this);
    chkRefresh->setObjectName(QStringLiteral("chkRefresh"));
    chkRefresh->move(10, 202);
    chkRefresh->adjustSize();
    btnOk = new QPushButton(QStringLiteral("開始"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(252, 200, 72, 25);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(332, 200, 72, 25);
    btnOk->setAutoDefault(false);
    btnCancel->setAutoDefault(false);

    setTabOrder(txtSaveFile, txtSheet);
    setTabOrder(txtSheet, txtFormFile);
    setTabOrder(txtFormFile, cmbColumn);
    setTabOrder(cmbColumn, txtRow);
    setTabOrder(txtRow, m_mode->button(0));
    setTabOrder(m_mode->button(0), m_title->button(0));
    setTabOrder(m_title->button(0), chkRefresh);
    setTabOrder(chkRefresh, btnOk);
    setTabOrder(btnOk, btnCancel);

    // the choices of the last output
    txtSheet->setText(AppOption.ExcelSheet);
    txtFormFile->setText(AppOption.ExcelForm);
    cmbColumn->setCurrentIndex(qBound(0, AppOption.ExcelLeft, cmbColumn->count() - 1));
    txtRow->setValueInt(AppOption.ExcelTop + 1);
    setExcelModeIndex(AppOption.ExcelMode);
    setExcelTitleIndex(int(AppOption.ExcelTitle));
    chkRefresh->setChecked(AppOption.ExcelRefresh);

    connect(btnSaveFile, &QToolButton::clicked, this, &TfrmXlsSQL::btnSaveFileClick);
    connect(btnFormFile, &QToolButton::clicked, this, &TfrmXlsSQL::btnFormFileClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmXlsSQL::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmXlsSQL::btnCancelClick);
}

QStringList TfrmXlsSQL::ColumnLetters()
{
    QStringList letters;
    for (int i = 0; i < 256; ++i)
        letters << workbook::ColumnName(i);
    return letters;
}

QString TfrmXlsSQL::WithWorkbookExtension(const QString &fileName)
{
    const QString ext = fxlssql::workbookExtension();
    const QString suffix = QFileInfo(fileName).suffix();
    // only the workbook extension is kept: the file is always written in that format
    const QString dotted = QLatin1Char('.') + suffix.trimmed();
    if (suffix.isEmpty() || dotted.compare(ext, Qt::CaseInsensitive) != 0)
        return fileName + ext;
    return fileName;
}

int TfrmXlsSQL::ExcelModeIndex() const
{
    return qMax(0, m_mode->checkedId());
}

void TfrmXlsSQL::setExcelModeIndex(int index)
{
    if (QAbstractButton *b = m_mode->button(qBound(0, index, 1)))
        b->setChecked(true);
}

int TfrmXlsSQL::ExcelTitleIndex() const
{
    return qMax(0, m_title->checkedId());
}

void TfrmXlsSQL::setExcelTitleIndex(int index)
{
    if (QAbstractButton *b = m_title->button(qBound(0, index, 2)))
        b->setChecked(true);
}

void TfrmXlsSQL::btnSaveFileClick()
{
    txtSaveFile->setText(fxlssql::withoutTrailingSeparator(txtSaveFile->text()));
    const QString chosen
        = ShowSaveFileDialog(windowTitle(), txtSaveFile->text(), fxlssql::chooserFilter());
    if (!chosen.isEmpty())
        txtSaveFile->setText(WithWorkbookExtension(chosen));
}

void TfrmXlsSQL::btnFormFileClick()
{
    txtFormFile->setText(fxlssql::withoutTrailingSeparator(txtFormFile->text()));
    const QString chosen
        = ShowOpenFileDialog(windowTitle(), txtFormFile->text(), fxlssql::chooserFilter());
    if (!chosen.isEmpty())
        txtFormFile->setText(chosen);
}

void TfrmXlsSQL::btnOkClick()
{
    const std::optional<qint32> row = txtRow->TryValueInt();
    if (!row || *row < 1 || *row > 65536) {
        ShowMessageBox(QStringLiteral("行は 1 ～ 65536 の範囲で指定して下さい。"), MB_ICONWARNING);
        txtRow->setFocus();
        return;
    }
    const QString form = txtFormFile->text();
    if (!form.isEmpty() && !QFileInfo(form).isFile()) {
        ShowMessageBox(form + QStringLiteral(" が存在しません。"), MB_ICONWARNING);
        txtFormFile->setFocus();
        return;
    }
    const QString file = txtSaveFile->text();
    const bool reserved
        = !ReservedFileName.isEmpty() && file == ReservedFileName && QFileInfo(file).size() == 0;
    if (!file.isEmpty() && QFileInfo::exists(file) && !reserved
        && ShowMessageBox(file + QStringLiteral(" はすでに存在します。\r\n上書きしますか？"),
                          MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)
            != IDYES)
        return;
    AppOption.ExcelSheet = txtSheet->text();
    AppOption.ExcelForm = form;
    AppOption.ExcelMode = ExcelModeIndex();
    AppOption.ExcelTitle = TTitleMode(ExcelTitleIndex());
    AppOption.ExcelRefresh = chkRefresh->isChecked();
    AppOption.ExcelTop = *row - 1;
    AppOption.ExcelLeft = cmbColumn->currentIndex();
    accept();
}

void TfrmXlsSQL::btnCancelClick()
{
    reject();
}

void TfrmXlsSQL::keyPressEvent(QKeyEvent *event)
{
    // no key closes the dialog: Esc and Return reach the controls only
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return
        || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
