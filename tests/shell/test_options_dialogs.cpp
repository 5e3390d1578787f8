// The options dialog, the editor options dialog and the SQL reference viewer, opened through the
// main window's commands as the program opens them.
#include "shelltest.h"

#include "browser/fobject.h"
#include "core/qveditorsettings.h"
#include "core/qvshortcut.h"
#include "core/qvtoolwindows.h"
#include "platform/os/shellfolders.h"
#include "shell/feoption.h"
#include "shell/foption.h"
#include "shell/ftmplate.h"
#include "sqllang/qvmemo.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace shelltest;

namespace optionsdialogtest {

template<class T> T *openWindow(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return qobject_cast<T *>(w);
    }
    return nullptr;
}

// Runs the main window's command action; while its modal dialog name is open, drive runs on
// it. A dialog that drive leaves open is cancelled.
template<class T>
bool withDialog(TfrmMain *main, const char *action, const char *name,
                const std::function<void(T *)> &drive)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        T *dialog = openWindow<T>(name);
        if (!dialog)
            return;
        ran = true;
        drive(dialog);
        if (dialog->ModalResult() == 0)
            dialog->setModalResult(IDCANCEL);
    });
    QAction *act = main->action(QString::fromLatin1(action));
    if (!act || !act->isEnabled())
        return false;
    act->trigger();
    return ran;
}

void clickRadio(QGroupBox *group, int index)
{
    group->findChild<QButtonGroup *>()->button(index)->click();
}

class OptionsDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        main = std::make_unique<TfrmMain>();
        main->resize(900, 600);
        main->show();
    }
    void TearDown() override
    {
        if (main) {
            for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
                sub->close();
            for (int i = 0; i < 20; ++i)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            main->close();
            main.reset();
        }
    }
    bool options(const std::function<void(TfrmOption *)> &drive)
    {
        return withDialog<TfrmOption>(main.get(), "actToolOption", "frmOption", drive);
    }

    MainEnvironment env;
    std::unique_ptr<TfrmMain> main;
};

// ------------------------------------------------------------------ validation

struct ValidationCase
{
    const char *name;
    TqvNumEdit *TfrmOption::*box;
    const char *text;
    QWidget *TfrmOption::*page;
    const char *message;
};

const ValidationCase validationCases[] = {
    { "DataFontSizeZero", &TfrmOption::txtDataFontSize, "0", &TfrmOption::tabQuery,
      "サイズ(pt)は1以上の整数で入力して下さい。" },
    { "DiagramFontSizeEmpty", &TfrmOption::txtDiagramFontSize, "", &TfrmOption::tabSQL,
      "ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。" },
    { "RecordCountZero", &TfrmOption::txtDefTopRecord, "0", &TfrmOption::tabQuery,
      "件数を指定して開く場合の既定レコード件数は1以上の整数で入力して下さい。" },
    { "StartRow65536", &TfrmOption::txtSQLTop, "65536", &TfrmOption::tabOutput,
      "開始行は1から65535までの整数で入力して下さい。" },
    { "MatrixRowsZero", &TfrmOption::txtMatrixRow, "0", &TfrmOption::tabOutput,
      "頁行数は1から65535までの整数で入力して下さい。" },
    { "MatrixColumns256", &TfrmOption::txtMatrixCol, "256", &TfrmOption::tabOutput,
      "桁数は1から255までの整数で入力して下さい。" },
};

class OptionsValidation : public OptionsDialog, public ::testing::WithParamInterface<ValidationCase>
{
};

TEST_P(OptionsValidation, RefusesOkOnThePageAndFieldConcerned)
{
    const ValidationCase &c = GetParam();
    const int defTop = AppOption.DefTopRecord;
    bool stayed = false;
    QWidget *page = nullptr;
    QWidget *shown = nullptr;
    QWidget *focused = nullptr;
    QWidget *box = nullptr;
    ASSERT_TRUE(options([&](TfrmOption *dialog) {
        box = dialog->*(c.box);
        (dialog->*(c.box))->setText(QString::fromLatin1(c.text));
        dialog->txtDefTopRecord->setText(c.box == &TfrmOption::txtDefTopRecord ? "0" : "5");
        dialog->btnOk->click();
        stayed = dialog->ModalResult() == 0;
        page = dialog->*(c.page);
        shown = dialog->pagOption->currentWidget();
        focused = dialog->focusWidget();
        dialog->btnCancel->click();
    }));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(shown, page);
    EXPECT_EQ(focused, box);
    EXPECT_EQ(env.messages.texts, QStringList({ QString::fromUtf8(c.message) }));
    EXPECT_EQ(AppOption.DefTopRecord, defTop);
}

INSTANTIATE_TEST_SUITE_P(Options, OptionsValidation, ::testing::ValuesIn(validationCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(OptionsDialog, StartRowOneStoresTopZeroAndTheTimePatternFollows)
{
    ASSERT_TRUE(options([](TfrmOption *dialog) {
        dialog->txtSQLTop->setText("1");
        dialog->cmbSQLLeft->setCurrentIndex(27); // AB
        dialog->cmbTimeFormat->setEditText("hh:mm");
        dialog->btnOk->click();
    }));
    EXPECT_EQ(AppOption.ExcelTop, 0);
    EXPECT_EQ(AppOption.ExcelLeft, 27);
    EXPECT_EQ(AppOption.TimeOracle, "hh24:mi");
    EXPECT_TRUE(env.messages.texts.isEmpty());
}

// ------------------------------------------------------------------ the formatting page

TEST_F(OptionsDialog, IndentWithAPointKeepsTheDigitsAndCancelKeepsTheFormatter)
{
    const TFormatOption before = FormatOption;
    QString indent;
    QString lowerPreview;
    ASSERT_TRUE(options([&](TfrmOption *dialog) {
        dialog->pagOption->setCurrentWidget(dialog->TabFormat);
        dialog->txtIndent->clear();
        QTest::keyClicks(dialog->txtIndent, "4.5");
        indent = dialog->txtIndent->text();
        clickRadio(dialog->rdoReserveTran, 1);
        clickRadio(dialog->rdoItemReturn, 1);
        lowerPreview = dialog->txtFormat->text();
        EXPECT_FALSE(dialog->rdoCommaPos->isEnabled());
        dialog->btnCancel->click();
    }));
    EXPECT_EQ(indent, "45");
    EXPECT_TRUE(lowerPreview.contains("select")) << lowerPreview.toStdString();
    EXPECT_EQ(FormatOption.Indent, before.Indent);
    EXPECT_EQ(FormatOption.ReserveTrans, before.ReserveTrans);
    EXPECT_EQ(FormatOption.ItemReturn, before.ItemReturn);

    ASSERT_TRUE(options([&](TfrmOption *dialog) {
        clickRadio(dialog->rdoReserveTran, 1);
        dialog->btnOk->click();
    }));
    EXPECT_EQ(FormatOption.ReserveTrans, 1);
}

// ------------------------------------------------------------------ shortcuts

QTreeWidgetItem *shortcutNode(TfrmOption *dialog, const QString &caption)
{
    for (QTreeWidgetItemIterator it(dialog->lstShortCut); *it; ++it) {
        if ((*it)->parent() && (*it)->text(0) == caption)
            return *it;
    }
    return nullptr;
}

TEST_F(OptionsDialog, ShortcutTreeAssignsRefusesDuplicatesAndClears)
{
    const int commit = ShortcutIndex("actDBCommit");
    const int logoff = ShortcutIndex("actDBLogoff");
    ASSERT_GE(commit, 0);
    ASSERT_GE(logoff, 0);
    ShortcutList[commit] = QKeySequence(Qt::CTRL | Qt::Key_M);
    ShortcutList[logoff] = QKeySequence();
    const QString commitCaption = main->action("actDBCommit")->text().remove("(&C)");
    const QString logoffCaption = main->action("actDBLogoff")->text().remove("(&D)");
    QStringList texts;
    ASSERT_TRUE(options([&](TfrmOption *dialog) {
        dialog->pagOption->setCurrentWidget(dialog->tabKey);
        QTreeWidgetItem *commitNode = shortcutNode(dialog, commitCaption);
        QTreeWidgetItem *logoffNode = shortcutNode(dialog, logoffCaption);
        ASSERT_NE(commitNode, nullptr);
        ASSERT_NE(logoffNode, nullptr);
        EXPECT_EQ(commitNode->text(1), "Ctrl+M");
        dialog->lstShortCut->setCurrentItem(logoffNode);
        QTest::keyClick(dialog->lstShortCut, Qt::Key_A); // a letter alone: nothing
        texts << logoffNode->text(1);
        QTest::keyClick(dialog->lstShortCut, Qt::Key_M, Qt::ControlModifier); // taken
        texts << logoffNode->text(1);
        QTest::keyClick(dialog->lstShortCut, Qt::Key_F7, Qt::ShiftModifier | Qt::ControlModifier);
        texts << logoffNode->text(1);
        dialog->lstShortCut->setCurrentItem(commitNode);
        QTest::keyClick(dialog->lstShortCut, Qt::Key_Space);
        texts << commitNode->text(1);
        dialog->btnOk->click();
    }));
    EXPECT_EQ(texts, QStringList({ "", "", "Shift+Ctrl+F7", "" }));
    EXPECT_EQ(env.messages.texts, QStringList({ "同じショートカットが既に存在しています。" }));
    EXPECT_EQ(ShortcutList.at(logoff), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F7));
    EXPECT_TRUE(ShortcutList.at(commit).isEmpty());
    EXPECT_EQ(main->action("actDBLogoff")->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F7));
}

// ------------------------------------------------------------------ folders

TEST_F(OptionsDialog, EmptiedFolderBoxKeepsTheDefaultAfterARestart)
{
    const QString work = env.dataDir() + QStringLiteral("work");
    ASSERT_TRUE(options([&](TfrmOption *dialog) {
        dialog->pagOption->setCurrentWidget(dialog->tabOther);
        dialog->txtTempDir->clear();
        dialog->txtFileDir->setText("  " + work + " ");
        dialog->btnOk->click();
    }));
    EXPECT_EQ(AppOption.TempDir, DataDir + QStringLiteral("temp/"));
    EXPECT_EQ(AppOption.FileDir, work + QStringLiteral("/"));
    ASSERT_TRUE(SaveOptions());
    ResetOptions();
    LoadOptions();
    EXPECT_EQ(AppOption.TempDir, DataDir + QStringLiteral("temp/"));
    EXPECT_EQ(AppOption.FileDir, work + QStringLiteral("/"));
}

TEST_F(OptionsDialog, DependentControlsFollowTheirBoxes)
{
    AppOption.Find = false;
    AppOption.SaveBeforeSrc = true;
    ASSERT_TRUE(options([](TfrmOption *dialog) {
        EXPECT_FALSE(dialog->chkFindAuto->isEnabled());
        EXPECT_TRUE(dialog->txtBeforeSource->isEnabled());
        EXPECT_FALSE(dialog->txtAfterSource->isEnabled());
        dialog->chkFind->click();
        EXPECT_TRUE(dialog->chkFindAuto->isEnabled());
        // Without a connection both late kinds are offered.
        EXPECT_FALSE(dialog->btnAgrg->isHidden());
        EXPECT_FALSE(dialog->btnMView->isHidden());
        dialog->btnCancel->click();
    }));
    EXPECT_FALSE(AppOption.Find);
}

// ------------------------------------------------------------------ connection windows

class OptionsWithConnections : public OptionsDialog
{
protected:
    TfrmObject *open(const testsupport::TestDatabase &db)
    {
        const testsupport::ServerInfo &s = testsupport::server();
        return TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(), "public",
                                  s.user, QString());
    }
    // Marks the tree's nodes, so that a tree built again shows no mark.
    static void mark(TfrmObject *window)
    {
        for (int i = 0; i < window->lstTree->topLevelItemCount(); ++i)
            window->lstTree->topLevelItem(i)->setData(0, Qt::UserRole + 77, true);
    }
    static bool marked(TfrmObject *window)
    {
        QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
        return root && root->data(0, Qt::UserRole + 77).toBool();
    }
    // The captions of the first level below the root: schemas first, or kinds first.
    static QStringList firstLevel(TfrmObject *window)
    {
        QStringList captions;
        QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            captions << root->child(i)->text(0);
        return captions;
    }

    testsupport::TestDatabase db1;
    testsupport::TestDatabase db2;
};

TEST_F(OptionsWithConnections, TreeOrderChangeRebuildsEveryTreeAndNoChangeNone)
{
    AppOption.KeepAliveInterval = 0;
    AppOption.TreeSort = 0;
    AppOption.Find = true;
    AppOption.RowSelect = false;
    TfrmObject *first = open(db1);
    TfrmObject *second = open(db2);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const QStringList schemaFirst = firstLevel(first);
    ASSERT_TRUE(schemaFirst.contains("public"));

    mark(first);
    mark(second);
    ASSERT_TRUE(options([](TfrmOption *dialog) {
        dialog->chkRowSelect->click();
        dialog->btnOk->click();
    }));
    EXPECT_TRUE(marked(first));
    EXPECT_TRUE(marked(second));
    EXPECT_EQ(first->lstObject->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(second->lstObject->selectionBehavior(), QAbstractItemView::SelectRows);

    ASSERT_TRUE(options([](TfrmOption *dialog) {
        clickRadio(dialog->rdoSort, 1);
        dialog->chkFind->click();
        dialog->btnOk->click();
    }));
    EXPECT_EQ(AppOption.TreeSort, 1);
    for (TfrmObject *window : { first, second }) {
        EXPECT_FALSE(marked(window));
        EXPECT_TRUE(window->btnTree2->isChecked());
        EXPECT_NE(firstLevel(window), schemaFirst);
        EXPECT_TRUE(window->pnlFind->isHidden());
    }
}

TEST_F(OptionsWithConnections, OldServerHidesTheLateKindButtons)
{
    AppOption.KeepAliveInterval = 0;
    FakeConnectionWindow old93("old93", 90300);
    main->AddConnection(&old93);
    ASSERT_TRUE(options([](TfrmOption *dialog) {
        EXPECT_TRUE(dialog->btnAgrg->isHidden());
        EXPECT_FALSE(dialog->btnMView->isHidden());
        dialog->btnCancel->click();
    }));
    main->RemoveConnection(&old93);
}

// ------------------------------------------------------------------ the editor options

TEST_F(OptionsDialog, EditorOptionsOkWritesSettingsAndWords)
{
    EditorOption = DefaultEditorSettings();
    EditorOption.Font.Name = QStringLiteral("ＭＳ ゴシック");
    EditorOption.Font.Size = 7;
    ReserveWordList = QStringList({ "SELECT" });
    EditorOption.ReserveWordList = ReserveWordList;
    ASSERT_TRUE(withDialog<TfrmEditorOption>(
        main.get(), "actToolEditorOption", "frmEditorOption", [](TfrmEditorOption *dialog) {
            // A size not offered opens as 8.
            EXPECT_EQ(dialog->txtFontSize->text(), "8");
            EXPECT_EQ(dialog->lstFontName->currentItem()->text(), "ＭＳ ゴシック");
            dialog->chkAutoIndent->setChecked(false);
            dialog->spnTabSize->stepUp();
            dialog->lstColors->setCurrentRow(5); // 改行記号
            QTest::mouseClick(dialog->pnlColors, Qt::LeftButton);
            EXPECT_FALSE(dialog->SampleSettings().Marks.RetMark.Visible);
            dialog->txtReserve->setPlainText("  SELECT\n\nFROM");
            dialog->btnOk->click();
        }));
    EXPECT_EQ(EditorOption.Font.Size, 8);
    EXPECT_FALSE(EditorOption.Caret.AutoIndent);
    EXPECT_EQ(EditorOption.Marks.RetMark.Color, clNone);
    EXPECT_EQ(ReserveWordList, QStringList({ "SELECT", "FROM" }));
    EXPECT_EQ(EditorOption.ReserveWordList, ReserveWordList);
}

TEST_F(OptionsDialog, EditorOptionsRefuseABlankWordAndCancelChangesNothing)
{
    EditorOption = DefaultEditorSettings();
    ReserveWordList = QStringList({ "SELECT" });
    const TqvEditorSettings before = EditorOption;
    ASSERT_TRUE(withDialog<TfrmEditorOption>(
        main.get(), "actToolEditorOption", "frmEditorOption", [](TfrmEditorOption *dialog) {
            dialog->txtReserve->setPlainText("SELECT\nORDER BY");
            dialog->btnOk->click();
            EXPECT_EQ(dialog->ModalResult(), 0);
            EXPECT_EQ(dialog->pagEditor->currentWidget(), dialog->tabReserve);
            dialog->chkLeftBarVisible->setChecked(!dialog->chkLeftBarVisible->isChecked());
            dialog->btnCancel->click();
        }));
    EXPECT_EQ(env.messages.texts,
              QStringList({ "予約語に空白が含まれているため登録できません。(ORDER BY)" }));
    EXPECT_EQ(EditorOption.Leftbar.Visible, before.Leftbar.Visible);
    EXPECT_EQ(ReserveWordList, QStringList({ "SELECT" }));
}

// ------------------------------------------------------------------ the reference viewer

class ReferenceViewer : public OptionsDialog
{
protected:
    void SetUp() override
    {
        m_oldExeDir = ExeDir;
        qputenv("CORVANE_PROGRAM_DIR", QByteArrayLiteral(CORVANE_REFERENCE_DIR));
        ExeDir = os::programFolder();
        OptionsDialog::SetUp();
    }
    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("frmTemplate"))
                w->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        OptionsDialog::TearDown();
        qunsetenv("CORVANE_PROGRAM_DIR");
        ExeDir = m_oldExeDir;
    }
    QString m_oldExeDir;
};

TEST_F(ReferenceViewer, SelectedWordFiltersTheShippedFile)
{
    auto *viewer = qobject_cast<TfrmTemplate *>(OpenToolWindow(ToolWindowTemplate, nullptr, [] {
        TToolWindowArgs args;
        args.SQLText = QStringLiteral(" select ");
        return args;
    }()));
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->cmbVersion->currentText(), "15");
    EXPECT_EQ(viewer->txtFind->text(), "SELECT");
    // Every remaining entry's text (with its references) holds SELECT; categories stay.
    int entries = 0;
    for (QTreeWidgetItemIterator it(viewer->lstTemplate); *it; ++it) {
        if (!(*it)->parent())
            continue;
        ++entries;
        EXPECT_TRUE(viewer->Data().GetEntryText((*it)->text(0)).join('\n').contains("SELECT"))
            << (*it)->text(0).toStdString();
    }
    EXPECT_GT(entries, 2);
    EXPECT_LT(entries, viewer->Data().index().size());
    EXPECT_EQ(viewer->lstTemplate->topLevelItemCount(), 5);
    ASSERT_NE(viewer->lstTemplate->currentItem(), nullptr);
    EXPECT_EQ(viewer->lstTemplate->currentItem()->text(0), "SELECT");
    const QString text = viewer->txtSQL->text();
    EXPECT_TRUE(text.startsWith("【 SELECT 】")) << text.toStdString();
    // SELECT refers to FROM, which refers to JOIN, which refers back to FROM: each once.
    EXPECT_EQ(text.count("【 FROM句 】"), 1);
    EXPECT_EQ(text.count("【 JOIN 】"), 1);
}

TEST_F(ReferenceViewer, NothingSelectedShowsTheWholeTreeAndNoText)
{
    QWidget *window = OpenToolWindow(ToolWindowTemplate, nullptr, {});
    auto *viewer = qobject_cast<TfrmTemplate *>(window);
    ASSERT_NE(viewer, nullptr);
    int entries = 0;
    for (QTreeWidgetItemIterator it(viewer->lstTemplate); *it; ++it)
        entries += (*it)->parent() ? 1 : 0;
    EXPECT_EQ(entries, viewer->Data().index().size());
    EXPECT_EQ(viewer->lstTemplate->currentItem(), viewer->lstTemplate->topLevelItem(0));
    EXPECT_TRUE(viewer->txtSQL->text().isEmpty());
    // Each call opens a window of its own.
    QWidget *another = OpenToolWindow(ToolWindowTemplate, nullptr, {});
    EXPECT_NE(another, nullptr);
    EXPECT_NE(another, window);
}

TEST_F(ReferenceViewer, VersionsInTextOrderWithTheLastChosenAndNoFileIsAnError)
{
    QTemporaryDir folder;
    for (const char *name : { "9.6", "10", "11" }) {
        QFile file(folder.filePath(QString::fromLatin1(name) + ".tpl"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("%%%") + name + "\r\n【 X 】\r\n");
    }
    ExeDir = folder.path() + "/";
    auto *viewer = qobject_cast<TfrmTemplate *>(OpenToolWindow(ToolWindowTemplate, nullptr, {}));
    ASSERT_NE(viewer, nullptr);
    QStringList items;
    for (int i = 0; i < viewer->cmbVersion->count(); ++i)
        items << viewer->cmbVersion->itemText(i);
    EXPECT_EQ(items, QStringList({ "10", "11", "9.6" }));
    EXPECT_EQ(viewer->cmbVersion->currentText(), "9.6");
    EXPECT_EQ(viewer->lstTemplate->topLevelItem(0)->text(0), "9.6");
    viewer->close();

    QTemporaryDir empty;
    ExeDir = empty.path() + "/";
    env.messages.texts.clear();
    EXPECT_EQ(OpenToolWindow(ToolWindowTemplate, nullptr, {}), nullptr);
    EXPECT_EQ(env.messages.texts.size(), 1);
    int shown = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        shown += w->objectName() == QLatin1String("frmTemplate") && w->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 0);
}

} // namespace optionsdialogtest
