#include "fddlpreview.h"

#include "core/qvappwindows.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvfile.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString PreviewKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\SQLPREVIEW");
}

QString TfrmDDLPreview::QualifiedName(const QString &Schema, const QString &ObjName)
{
    return Schema.isEmpty() ? ObjName : Schema + QLatin1Char('.') + ObjName;
}

TfrmDDLPreview::TfrmDDLPreview(const QString &Schema, const QString &ObjName, QWidget *parent)
    : QDialog(parent)
    , FSchema(Schema)
    , FObjName(ObjName)
{
    setObjectName(QStringLiteral("frmDDLPreview"));
    setWindowTitle(QualifiedName(Schema, ObjName) + QStringLiteral(" のコンパイル"));
    if (MainWindowServices *main = mainWindowServices())
        setWindowIcon(main->imgMain(10));
    txtLog = new QPlainTextEdit(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog->setFont(QFont(QStringLiteral("monospace")));
    btnOK = new QPushButton(QStringLiteral("開始(&E)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnSave = new QPushButton(QStringLiteral("&SQL出力"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(buttons);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnSave, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { btnSaveClick(); }); });
    resize(592, 366);
}

TfrmDDLPreview::~TfrmDDLPreview() = default;

bool TfrmDDLPreview::ShowWindow(QStringList &ASQL, const QString &Schema, const QString &ObjName)
{
    if (!AppOption.ShowDDL)
        return true;
    MainWindowServices *main = mainWindowServices();
    TfrmDDLPreview dialog(Schema, ObjName, main ? main->mainWidget() : nullptr);
    dialog.LoadWindowState();
    dialog.txtLog->setPlainText(ASQL.join(QLatin1Char('\n')));
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok)
        ASQL = dialog.txtLog->toPlainText().split(QLatin1Char('\n'));
    dialog.SaveWindowState();
    return ok;
}

void TfrmDDLPreview::btnSaveClick()
{
    const QString base = RemoveInvalidFileChars(QualifiedName(FSchema, FObjName) + ".sql");
    const QString path
        = ShowSaveFileDialog(QStringLiteral("SQL文の保存"), QDir(AppOption.FileDir).filePath(base),
                             QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*"));
    if (path.isEmpty())
        return;
    SaveStringsToFile(path, txtLog->toPlainText().split(QLatin1Char('\n')), GetFileEncoding());
    ShowMessageBox(QStringLiteral("SQL文の保存が完了しました。"), MB_ICONINFORMATION);
}

void LoadDialogState(QWidget *window, const QString &key)
{
    if (!AppRegistry || !AppRegistry->OpenKey(key, true))
        return;
    const QRect r(AppRegistry->GetInteger(QStringLiteral("Left"), window->x()),
                  AppRegistry->GetInteger(QStringLiteral("Top"), window->y()),
                  AppRegistry->GetInteger(QStringLiteral("Width"), window->width()),
                  AppRegistry->GetInteger(QStringLiteral("Height"), window->height()));
    AppRegistry->CloseKey();
    window->resize(r.size());
}

void SaveDialogState(const QWidget *window, const QString &key)
{
    if (!AppRegistry || !AppRegistry->OpenKey(key, true))
        return;
    AppRegistry->WriteInteger(QStringLiteral("Left"), window->x());
    AppRegistry->WriteInteger(QStringLiteral("Top"), window->y());
    AppRegistry->WriteInteger(QStringLiteral("Width"), window->width());
    AppRegistry->WriteInteger(QStringLiteral("Height"), window->height());
    AppRegistry->CloseKey();
}

void TfrmDDLPreview::LoadWindowState()
{
    LoadDialogState(this, PreviewKey);
}

void TfrmDDLPreview::SaveWindowState()
{
    SaveDialogState(this, PreviewKey);
}
