// The workbook output options dialog: its first values from the options, the checks of "開始"
// (row range, template, overwrite), the file buttons, what it stores, and that Esc leaves it
// open.
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "ui/fxlssql.h"
#include "ui/qvstdctl.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

namespace fxlssqltest {

class XlsDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_option = AppOption;
        AppOption.ExcelExt = QStringLiteral(".XLSX");
        AppOption.ExcelSheet = QStringLiteral("受注");
        AppOption.ExcelForm.clear();
        AppOption.ExcelLeft = 29;
        AppOption.ExcelTop = 4;
        AppOption.ExcelMode = 1;
        AppOption.ExcelTitle = tmNone;
        AppOption.ExcelRefresh = true;
    }
    void TearDown() override { AppOption = m_option; }

    // Presses "開始"; the messages shown are recorded and answered with answer.
    bool start(TfrmXlsSQL &dialog, int answer = IDYES)
    {
        ScopedDialogResponder responder([&](DialogRequest &r) {
            m_messages << r.text;
            return r.kind == DialogKind::MessageBox && r.buttons.contains(answer) ? answer : IDOK;
        });
        dialog.show();
        dialog.btnOk->click();
        return dialog.result() == QDialog::Accepted && !dialog.isVisible();
    }

    QString file(const QString &name, const QByteArray &content = QByteArray()) const
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }

    TqvOption m_option;
    QTemporaryDir m_dir;
    QStringList m_messages;
};

TEST_F(XlsDialog, StartsFromTheOptions)
{
    TfrmXlsSQL dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("EXCEL出力(SQL結果)"));
    EXPECT_EQ(dialog.txtSheet->text(), QStringLiteral("受注"));
    EXPECT_EQ(dialog.cmbColumn->count(), 256);
    EXPECT_EQ(dialog.cmbColumn->itemText(0), "A");
    EXPECT_EQ(dialog.cmbColumn->itemText(26), "AA");
    EXPECT_EQ(dialog.cmbColumn->itemText(255), "IV");
    EXPECT_EQ(dialog.cmbColumn->currentText(), "AD");
    EXPECT_EQ(dialog.txtRow->text(), "5");
    EXPECT_EQ(dialog.ExcelModeIndex(), 1);
    EXPECT_EQ(dialog.ExcelTitleIndex(), 2);
    EXPECT_TRUE(dialog.chkRefresh->isChecked());
}

struct RowCase
{
    const char *label;
    QString row;
    bool accepted;
};

class XlsDialogRows : public XlsDialog, public ::testing::WithParamInterface<RowCase>
{
};

TEST_P(XlsDialogRows, RowMustBeInRange)
{
    const RowCase c = GetParam();
    TfrmXlsSQL dialog;
    dialog.txtSaveFile->setText(m_dir.filePath(QStringLiteral("new.xlsx")));
    dialog.txtRow->setText(c.row);
    EXPECT_EQ(start(dialog), c.accepted);
    if (c.accepted) {
        EXPECT_TRUE(m_messages.isEmpty());
        EXPECT_EQ(AppOption.ExcelTop, c.row.toInt() - 1);
    } else {
        EXPECT_EQ(m_messages, QStringList({ "行は 1 ～ 65536 の範囲で指定して下さい。" }));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(AppOption.ExcelTop, 4) << "nothing is stored";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, XlsDialogRows,
                         ::testing::Values(RowCase { "zero", "0", false },
                                           RowCase { "one", "1", true },
                                           RowCase { "last", "65536", true },
                                           RowCase { "beyond", "65537", false },
                                           RowCase { "empty", "", false }),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(XlsDialog, StoresTheChoices)
{
    TfrmXlsSQL dialog;
    const QString templ = file(QStringLiteral("form.xlsx"), "x");
    dialog.txtSaveFile->setText(m_dir.filePath(QStringLiteral("out.xlsx")));
    dialog.txtSheet->setText(QStringLiteral("明細"));
    dialog.txtFormFile->setText(templ);
    dialog.cmbColumn->setCurrentIndex(2);
    dialog.txtRow->setText(QStringLiteral("10"));
    dialog.setExcelModeIndex(0);
    dialog.setExcelTitleIndex(1);
    dialog.chkRefresh->setChecked(false);
    ASSERT_TRUE(start(dialog));
    EXPECT_EQ(AppOption.ExcelSheet, QStringLiteral("明細"));
    EXPECT_EQ(AppOption.ExcelForm, templ);
    EXPECT_EQ(AppOption.ExcelLeft, 2);
    EXPECT_EQ(AppOption.ExcelTop, 9);
    EXPECT_EQ(AppOption.ExcelMode, 0);
    EXPECT_EQ(AppOption.ExcelTitle, tmComment);
    EXPECT_FALSE(AppOption.ExcelRefresh);
}

TEST_F(XlsDialog, TemplateMustExist)
{
    TfrmXlsSQL dialog;
    dialog.txtSaveFile->setText(m_dir.filePath(QStringLiteral("out.xlsx")));
    const QString missing = m_dir.filePath(QStringLiteral("missing.xlsx"));
    dialog.txtFormFile->setText(missing);
    EXPECT_FALSE(start(dialog));
    EXPECT_EQ(m_messages, QStringList({ missing + " が存在しません。" }));
    m_messages.clear();
    dialog.txtFormFile->clear();
    EXPECT_TRUE(start(dialog));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(XlsDialog, ExistingFileAsksBeforeOverwriting)
{
    const QString existing = file(QStringLiteral("old.xlsx"), "user data");
    TfrmXlsSQL dialog;
    dialog.txtSaveFile->setText(existing);
    dialog.txtSheet->setText(QStringLiteral("changed"));
    EXPECT_FALSE(start(dialog, IDNO));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages[0], existing + " はすでに存在します。\r\n上書きしますか？");
    EXPECT_EQ(dialog.txtSaveFile->text(), existing);
    EXPECT_EQ(dialog.txtSheet->text(), QStringLiteral("changed"));
    EXPECT_EQ(AppOption.ExcelSheet, QStringLiteral("受注"));
    m_messages.clear();
    EXPECT_TRUE(start(dialog, IDYES));
    EXPECT_EQ(m_messages.size(), 1);

    // the empty file the caller reserved for the proposed name is not the user's
    const QString reserved = file(QStringLiteral("SQL.XLSX"));
    TfrmXlsSQL second;
    second.txtSaveFile->setText(reserved);
    second.ReservedFileName = reserved;
    m_messages.clear();
    EXPECT_TRUE(start(second, IDNO));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(XlsDialog, FileButtons)
{
    TfrmXlsSQL dialog;
    QString offered;
    QString answer;
    ScopedDialogResponder responder([&](DialogRequest &r) {
        offered = r.value;
        if (answer.isEmpty())
            return IDCANCEL;
        r.value = answer;
        return IDOK;
    });
    dialog.txtSaveFile->setText(QStringLiteral("C:\\work\\"));
    dialog.btnSaveFile->click();
    EXPECT_EQ(offered, QStringLiteral("C:\\work"));
    EXPECT_EQ(dialog.txtSaveFile->text(), QStringLiteral("C:\\work"));
    for (const auto &[chosen, expected] :
         { std::pair { QStringLiteral("/tmp/report.csv"), QStringLiteral("/tmp/report.csv.XLSX") },
           std::pair { QStringLiteral("/tmp/book"), QStringLiteral("/tmp/book.XLSX") },
           std::pair { QStringLiteral("/tmp/book.xlsx"), QStringLiteral("/tmp/book.xlsx") } }) {
        answer = chosen;
        dialog.btnSaveFile->click();
        EXPECT_EQ(dialog.txtSaveFile->text(), expected);
    }
    answer = QStringLiteral("/tmp/form.data");
    dialog.btnFormFile->click();
    EXPECT_EQ(dialog.txtFormFile->text(), QStringLiteral("/tmp/form.data"));
}

TEST_F(XlsDialog, EscapeDoesNotCloseIt)
{
    TfrmXlsSQL dialog;
    ASSERT_TRUE(showActive(dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.btnCancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace fxlssqltest
