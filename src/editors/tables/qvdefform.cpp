#include "qvdefform.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvfile.h"
#include "core/qvmsgbox.h"
#include "core/qvobjectwindows.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "sqllang/qvcodeassist.h"
#include "sqllang/qvmemo.h"
#include "ui/fprint.h"
#include "ui/qvimages.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

void TqvDefineForm::WMCodeAssist(TqvMemo *editor, int x, int y)
{
    ConnectionWindow *conn = OwnerForm();
    if (!conn || !conn->dbsMain() || !conn->dbsMain()->isOpen())
        return;
    RunGuarded([&] {
        ShowCodeAssist(editor, this, *conn->dbsMain(), ConnectionParams(*conn).MetaDefSchema,
                       conn->DBVer(), conn->g_bPostgresPlus(), conn->DBAMODE(), x, y);
    });
}

QString TqvDefineForm::CaptionKey(const Kind &kind, ConnectionWindow *owner, const QString &Schema,
                                  const QString &ObjectName, const QString &TableName)
{
    TConnParams params = ConnectionParams(*owner);
    params.MetaDefSchema = Schema;
    return kind.KindWord
        + GetRecParamCaption(MakeRecParam(params, ObjectName, QString(), TableName), kind.KeyMode,
                             false);
}

TqvForm *TqvDefineForm::FindWindow(const QMetaObject &meta, const QString &key, bool show)
{
    QList<TqvForm *> candidates;
    if (MainWindowServices *main = mainWindowServices()) {
        if (auto *area = main->mainWidget()->findChild<QMdiArea *>()) {
            for (QMdiSubWindow *sub : area->subWindowList(QMdiArea::CreationOrder)) {
                if (auto *form = qobject_cast<TqvForm *>(sub->widget()))
                    candidates << form;
            }
        }
    }
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *form = qobject_cast<TqvForm *>(w); form && !candidates.contains(form))
            candidates << form;
    }
    for (qsizetype i = candidates.size() - 1; i >= 0; --i) {
        TqvForm *form = candidates.at(i);
        if (form->SourceMode != smShow || !form->metaObject()->inherits(&meta)
            || form->windowTitle() != key)
            continue;
        if (show)
            ShowForm(form);
        return form;
    }
    return nullptr;
}

TqvDefineForm::TqvDefineForm(QObject *AOwner, const Kind &kind, TSourceMode mode)
    : TqvForm(AOwner)
    , m_kind(kind)
{
    SourceMode = mode;
    setupCommon();
}

void TqvDefineForm::setupCommon()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    mnuTool = new QMenuBar(this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    layout->setMenuBar(mnuTool);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout->addWidget(tolCmd);

    const auto action = [this](const char *name, const QString &caption) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    actCompile = action("actCompile", QStringLiteral("作成(&C)"));
    actRefresh = action("actRefresh", QStringLiteral("戻す(&R)"));
    actDelete = action("actDelete", QStringLiteral("削除(&D)"));
    actExit = action("actExit", QStringLiteral("終了(&X)"));
    actSave = action("actSave", QStringLiteral("ファイル保存(&S)"));
    const std::pair<QAction *, int> images[] = {
        { actCompile, 15 }, { actRefresh, 16 }, { actDelete, 41 }, { actExit, 42 }, { actSave, 18 }
    };
    for (const auto &[a, image] : images)
        a->setIcon(MainImage(image));
    for (QAction *a : { actCompile, actRefresh, actDelete })
        tolCmd->addAction(a);
    QMenu *mnuObject = mnuTool->addMenu(m_kind.MenuCaption);
    mnuObject->setObjectName(QStringLiteral("mnuObject"));
    mnuObject->addAction(actCompile);
    mnuObject->addAction(actDelete);
    if (m_kind.Output) {
        actPrint = action("actPrint", QStringLiteral("印刷(&P)"));
        actPrint->setIcon(MainImage(98));
        actOutput = action("actOutput", QStringLiteral("出力(&P)"));
        actOutput->setIcon(MainImage(36));
        popOutput = new QMenu(this);
        popOutput->setObjectName(QStringLiteral("popOutput"));
        popOutput->addAction(actPrint);
        popOutput->addAction(actSave);
        actOutput->setMenu(popOutput);
        tolCmd->addAction(actOutput);
        if (auto *button = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actOutput)))
            button->setPopupMode(QToolButton::InstantPopup);
        mnuObject->addSeparator();
        mnuObject->addAction(actPrint);
        mnuObject->addAction(actSave);
        connect(actPrint, &QAction::triggered, this,
                [this] { RunGuarded([this] { actPrintExecute(); }); });
    } else if (!m_kind.ObjectFrame) {
        tolCmd->addAction(actSave);
        mnuObject->addSeparator();
        mnuObject->addAction(actSave);
    }
    tolCmd->addAction(actExit);
    connect(actCompile, &QAction::triggered, this,
            [this] { RunGuarded([this] { Compile(actCompile); }); });
    connect(actRefresh, &QAction::triggered, this,
            [this] { RunGuarded([this] { Reload(actRefresh); }); });
    connect(actDelete, &QAction::triggered, this,
            [this] { RunGuarded([this] { actDeleteExecute(); }); });
    connect(actSave, &QAction::triggered, this,
            [this] { RunGuarded([this] { actSaveExecute(); }); });
    connect(actExit, &QAction::triggered, this, &QWidget::close);

    pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *names = new QHBoxLayout(pnlName);
    names->setContentsMargins(0, 0, 0, 0);
    cmbSchema = new TqvComboBox(pnlName);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(true);
    cmbSchema->setMinimumWidth(160);
    txtName = new QLineEdit(pnlName);
    txtName->setObjectName(QStringLiteral("txtName"));
    names->addWidget(new QLabel(QStringLiteral("スキーマ"), pnlName));
    names->addWidget(cmbSchema);
    names->addWidget(new QLabel(QStringLiteral("名前"), pnlName));
    names->addWidget(txtName, 1);
    layout->addWidget(pnlName);

    pagObject = new QTabWidget(this);
    pagObject->setObjectName(QStringLiteral("pagObject"));
    tabDefine = new QWidget(pagObject);
    tabDefine->setObjectName(QStringLiteral("tabDefine"));
    m_defineLayout = new QVBoxLayout(tabDefine);
    pagObject->addTab(tabDefine, QStringLiteral("定義情報"));
    tabSource = new QWidget(pagObject);
    tabSource->setObjectName(QStringLiteral("tabSource"));
    auto *sourceLayout = new QVBoxLayout(tabSource);
    // the SQL editor: colouring, the editor options and the main window's editor commands
    txtSource = new TqvMemo(tabSource);
    txtSource->setObjectName(QStringLiteral("txtSource"));
    sourceLayout->addWidget(txtSource);
    pagObject->addTab(tabSource, QStringLiteral("ソース"));
    layout->addWidget(pagObject, 1);

    connect(cmbSchema, &TqvComboBox::OnDropDown, this,
            [this] { RunGuarded([this] { cmbSchemaDropDown(); }); });
    connect(txtName, &QLineEdit::textEdited, this, [this] { OnChange(); });
    connect(cmbSchema, &QComboBox::editTextChanged, this, [this] { OnChange(); });
    connect(txtSource, &TqvMemo::textChanged, this, [this] {
        if (txtSource->hasFocus())
            OnChange();
    });
    connect(pagObject, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_turningPage)
            return;
        if (!pagObjectChanging(index)) {
            const QSignalBlocker quiet(pagObject);
            pagObject->setCurrentIndex(m_currentPage);
            return;
        }
        m_currentPage = index;
        RunGuarded([this] { pagObjectChange(); });
    });
}

void TqvDefineForm::OnChange()
{
    setModified(true);
    UpdateActionStates();
}

void TqvDefineForm::SyncCurrentPage()
{
    m_currentPage = pagObject->currentIndex();
}

void TqvDefineForm::UpdateActionStates()
{
    if (!m_kind.ObjectFrame)
        return;
    actCompile->setEnabled(Modified() || pagObject->currentWidget() == tabSource);
    actDelete->setEnabled(!IsNew());
    const bool unchanged = !Modified() && !IsNew();
    if (actPrint)
        actPrint->setEnabled(unchanged);
    actSave->setEnabled(unchanged);
}

void TqvDefineForm::showEvent(QShowEvent *event)
{
    TqvForm::showEvent(event);
    if (m_shown || !m_kind.ObjectFrame)
        return;
    // First showing only: the commands' buttons take one width.
    m_shown = true;
    for (QAction *a : tolCmd->actions()) {
        if (QWidget *button = tolCmd->widgetForAction(a))
            button->setMinimumWidth(78);
    }
}

bool TqvDefineForm::pagObjectChanging(int)
{
    if (!Modified() || IsToastObject())
        return true;
    const int answer
        = ShowMessageBox(QStringLiteral("情報が変更されています。コンパイルしますか？"),
                         MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return false;
    if (answer == IDYES) {
        m_turningPage = true;
        const QSignalBlocker quiet(pagObject);
        pagObject->setCurrentIndex(m_currentPage);
        RunGuarded([this] { Compile(actCompile); });
        m_turningPage = false;
    } else {
        setModified(false);
    }
    return !Modified();
}

void TqvDefineForm::pagObjectChange()
{
    ShowData();
    UpdateActionStates();
}

void TqvDefineForm::ChangedIsNew()
{
    if (IsNew()) {
        setWindowTitle(m_kind.KindWord + QStringLiteral("新規"));
        setTaskCaption(QStringLiteral("新規"));
    } else if (OwnerForm()) {
        setWindowTitle(CaptionKey(m_kind, OwnerForm(), cmbSchema->currentText(), txtName->text(),
                                  m_tableName));
        setTaskCaption(txtName->text());
    }
    pnlName->setEnabled(IsNew());
    for (QWidget *page : PagesOfExisting()) {
        const int index = pagObject->indexOf(page);
        if (index >= 0)
            pagObject->setTabVisible(index, !IsNew());
    }
    if (IsNew())
        txtName->setFocus();
    UpdateActionStates();
}

void TqvDefineForm::Reload(QObject *)
{
    if (Modified()
        && ShowMessageBox(QStringLiteral("全ての変更を取り消しますか？"),
                          MB_YESNO | MB_ICONQUESTION)
            != IDYES)
        return;
    pagObjectChange();
}

void TqvDefineForm::actDeleteExecute()
{
    const QString question = QStringLiteral("オブジェクトを削除しますか？");
    const quint16 flags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
    bool cascade = false;
    const int answer = DeleteAsksCascade()
        ? ShowCheckMessage(question, flags, { { QStringLiteral("CASCADE オプション"), &cascade } })
        : ShowMessageBox(question, flags);
    if (answer != IDYES)
        return;
    QString statement = GetDropStatement();
    if (cascade)
        statement += QStringLiteral(" CASCADE");
    {
        const SQLWaitCursor wait;
        OwnerForm()->ExecuteSQL(statement);
    }
    ShowMessageBox(QStringLiteral("オブジェクトが削除されました。"), MB_ICONINFORMATION);
    setModified(false);
    // Every object list that shows the object drops its row; a CASCADE may have taken more.
    RefreshObjectWindows();
    close();
}

void TqvDefineForm::actPrintExecute()
{
    TfrmPrint::ShowWindow(cmbSchema->currentText() + QLatin1Char('.') + txtName->text(),
                          [this] { PrintProc(); });
}

void TqvDefineForm::PrintProc()
{
    QStringList lines;
    GetSourceCreate(lines);
    TfrmPrint::BeginPrint();
    try {
        TfrmPrint::PrintSource(cmbSchema->currentText() + QLatin1Char('.') + txtName->text(), lines,
                               true);
    } catch (...) {
        TfrmPrint::EndPrint();
        throw;
    }
    TfrmPrint::EndPrint();
}

void TqvDefineForm::actSaveExecute()
{
    const QString base = RemoveInvalidFileChars(cmbSchema->currentText() + QLatin1Char('.')
                                                + txtName->text() + QStringLiteral(".sql"));
    const QString path
        = ShowSaveFileDialog(QString(), QDir(AppOption.FileDir).filePath(base),
                             QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*"));
    if (path.isEmpty())
        return;
    QStringList lines;
    GetSourceCreate(lines);
    SaveStringsToFile(path, lines, GetFileEncoding(), false);
    ShowMessageBox(QStringLiteral("スクリプトが出力されました。"), MB_ICONINFORMATION);
    AppOption.FileDir = QFileInfo(path).absolutePath();
}

void TqvDefineForm::cmbSchemaDropDown()
{
    // The connection window's pick list: the user schemas and pg_catalog.
    const QStringList schemas = OwnerForm()->GetSchemaInfo(false);
    const QString current = cmbSchema->currentText();
    const QSignalBlocker quiet(cmbSchema);
    cmbSchema->clear();
    cmbSchema->addItems(schemas);
    cmbSchema->setEditText(current);
}

void TqvDefineForm::LoadWindowState()
{
    LoadWindowSize(m_kind.RegistryWord);
}

void TqvDefineForm::SaveWindowState()
{
    SaveWindowSize(m_kind.RegistryWord);
}

QString TqvDefineForm::LogonSchemaPrefix(const QString &Schema) const
{
    return GetRefSchemaPrefix(Schema,
                              OwnerForm()->dbsMain()->param(QStringLiteral("MetaDefSchema")));
}
