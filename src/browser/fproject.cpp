#include "fproject.h"

#include "fobject.h"

#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace fproject {

constexpr int helpContext = 21300;

} // namespace fproject

TfrmProject::TfrmProject(QWidget *parent)
    : QDialog(parent)
{
    setupUi();
}

void TfrmProject::setupUi()
{
    setObjectName(QStringLiteral("frmProject"));
    setWindowTitle(QStringLiteral("表示スキーマ設定"));
    setProperty("HelpContext", fproject::helpContext);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    auto *label = new QLabel(QStringLiteral("表示するスキーマ"), this);
    chkUserList = new QListWidget(this);
    chkUserList->setObjectName(QStringLiteral("chkUserList"));
    label->setBuddy(chkUserList);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(chkUserList, 1);
    layout->addLayout(buttons);
    resize(320, 360);

    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

QStringList TfrmProject::CheckedSchemas() const
{
    QStringList names;
    for (int i = 0; i < chkUserList->count(); ++i) {
        if (chkUserList->item(i)->checkState() == Qt::Checked)
            names << chkUserList->item(i)->text();
    }
    return names;
}

void TfrmProject::btnOkClick()
{
    if (CheckedSchemas().isEmpty()) {
        ShowMessageBox(QStringLiteral("所属するスキーマを最低一つは選択して下さい。"),
                       MB_OK | MB_ICONWARNING);
        chkUserList->setFocus();
        return;
    }
    accept();
}

QStringList TfrmProject::DisplaySchemas(const QString &database)
{
    if (!AppRegistry || !AppRegistry->OpenKey(ObjectTreeKey(database), false))
        return {};
    const QString text = AppRegistry->GetString(QStringLiteral("Schema"), QString());
    AppRegistry->CloseKey();
    return textToStringList(text);
}

bool TfrmProject::ShowWindow(TfrmObject *AOwner, const QString &ProjectName)
{
    Q_UNUSED(ProjectName);
    const QString database = AOwner->dbsMain()->param(QStringLiteral("Database"));
    TfrmProject dialog(AOwner);
    dialog.setWindowFlags(dialog.windowFlags() | Qt::Dialog);
    const QStringList chosen = DisplaySchemas(database);
    const QStringList schemas = AOwner->GetSchemaInfo(true);
    for (const QString &schema : schemas) {
        auto *item = new QListWidgetItem(schema, dialog.chkUserList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(schema, Qt::CaseInsensitive) ? Qt::Checked
                                                                         : Qt::Unchecked);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (AppRegistry && AppRegistry->OpenKey(ObjectTreeKey(database), true)) {
        AppRegistry->WriteString(QStringLiteral("Schema"),
                                 stringListToText(dialog.CheckedSchemas()));
        AppRegistry->CloseKey();
    }
    return true;
}
