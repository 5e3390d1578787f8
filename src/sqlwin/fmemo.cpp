#include "fmemo.h"

#include "core/qvappwindows.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "sqllang/qvmemo.h"
#include "ui/qvctlopt.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QVBoxLayout>

namespace fmemo {

const QString StateKey = QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\COMMENT");

QWidget *mainWidget()
{
    MainWindowServices *main = mainWindowServices();
    return main ? main->mainWidget() : nullptr;
}

} // namespace fmemo

TfrmMemo::TfrmMemo(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QStringLiteral("文字列の編集"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    txtComment = new TqvMemo(this);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->setWrapMode(QsciScintilla::WrapNone);
    txtComment->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(txtComment, 1);

    auto *bottom = new QHBoxLayout;
    chkNull = new QCheckBox(QStringLiteral("NULL"), this);
    chkNull->setObjectName(QStringLiteral("chkNull"));
    bottom->addWidget(chkNull);
    bottom->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    bottom->addWidget(btnOk);
    bottom->addWidget(btnCancel);
    layout->addLayout(bottom);

    // The client area of 392 × 266 the dialog starts with.
    resize(392, 266);

    connect(btnOk, &QPushButton::clicked, this, [this] { done(IDOK); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
    connect(txtComment, &QsciScintilla::textChanged, this, &TfrmMemo::txtCommentChange);
}

TfrmMemo::~TfrmMemo() = default;

void TfrmMemo::txtCommentChange()
{
    // Typing makes the value a text; checking NULL leaves the text alone.
    if (!m_filling)
        chkNull->setChecked(false);
}

void TfrmMemo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred over the main window every time, whatever position was kept.
    if (QWidget *main = fmemo::mainWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(main->frameGeometry().center());
        move(frame.topLeft());
    }
    // The caret at the end of the text.
    int line = 0;
    int index = 0;
    txtComment->lineIndexFromPosition(txtComment->length(), &line, &index);
    txtComment->setCursorPosition(line, index);
    txtComment->setFocus();
}

void TfrmMemo::LoadWindowState()
{
    if (!AppRegistry || !AppRegistry->KeyExists(fmemo::StateKey)
        || !AppRegistry->OpenKey(fmemo::StateKey, false))
        return;
    const int left = AppRegistry->GetInteger(QStringLiteral("Left"), x());
    const int top = AppRegistry->GetInteger(QStringLiteral("Top"), y());
    const int w = AppRegistry->GetInteger(QStringLiteral("Width"), width());
    const int h = AppRegistry->GetInteger(QStringLiteral("Height"), height());
    AppRegistry->CloseKey();
    move(left, top);
    resize(w, h);
}

void TfrmMemo::SaveWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(fmemo::StateKey, true))
        return;
    AppRegistry->WriteInteger(QStringLiteral("Left"), x());
    AppRegistry->WriteInteger(QStringLiteral("Top"), y());
    AppRegistry->WriteInteger(QStringLiteral("Width"), width());
    AppRegistry->WriteInteger(QStringLiteral("Height"), height());
    AppRegistry->CloseKey();
}

int TfrmMemo::ShowWindow(QString &AComment, bool &io_bNull, bool i_bNullShow, bool i_bReadOnly)
{
    TfrmMemo dialog(fmemo::mainWidget());
    dialog.btnOk->setEnabled(!i_bReadOnly);
    if (MainWindowServices *main = mainWindowServices())
        dialog.setWindowIcon(main->imgMain(93));
    dialog.LoadWindowState();
    ApplyControlOptions(dialog.txtComment);
    dialog.m_filling = true;
    dialog.txtComment->setText(AComment);
    dialog.m_filling = false;
    dialog.chkNull->setChecked(io_bNull);
    dialog.chkNull->setVisible(i_bNullShow);
    int result = dialog.exec();
    if (result != IDOK)
        result = IDCANCEL;
    if (result == IDOK) {
        AComment = dialog.txtComment->text();
        io_bNull = dialog.chkNull->isChecked();
    }
    dialog.SaveWindowState();
    return result;
}
