#include "fmainfind.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(Mode mode, QWidget *parent)
    : QDialog(parent)
    , m_mode(mode)
{
    setupUi();
}

void TFindDialog::setupUi()
{
    const bool replace = m_mode == Replace;
    setObjectName(replace ? QStringLiteral("dlgReplace") : QStringLiteral("dlgFind"));
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    setModal(false);

    auto *fields = new QGridLayout;
    m_edtFind = new QLineEdit(this);
    m_edtFind->setObjectName(QStringLiteral("edtFind"));
    m_edtFind->setMinimumWidth(240);
    auto *findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    findLabel->setBuddy(m_edtFind);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_edtFind, 0, 1);
    if (replace) {
        m_edtReplace = new QLineEdit(this);
        m_edtReplace->setObjectName(QStringLiteral("edtReplace"));
        auto *replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
        replaceLabel->setBuddy(m_edtReplace);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(m_edtReplace, 1, 1);
    }
    m_chkMatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    m_chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));

    // Both dialogs search down; the direction is a fixed choice nobody sees.
    m_rdoDown = new QRadioButton(QStringLiteral("下へ(&D)"), this);
    m_rdoDown->setObjectName(QStringLiteral("rdoDown"));
    m_rdoDown->setChecked(true);
    m_rdoDown->hide();

    auto *left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(m_chkMatchCase);
    left->addStretch(1);

    auto *buttons = new QVBoxLayout;
    m_btnFindNext = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    m_btnFindNext->setObjectName(QStringLiteral("btnFindNext"));
    m_btnFindNext->setDefault(true);
    buttons->addWidget(m_btnFindNext);
    connect(m_btnFindNext, &QPushButton::clicked, this, &TFindDialog::FindNextClick);
    if (replace) {
        auto *btnReplace = new QPushButton(QStringLiteral("置換して次に(&R)"), this);
        btnReplace->setObjectName(QStringLiteral("btnReplace"));
        auto *btnReplaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
        btnReplaceAll->setObjectName(QStringLiteral("btnReplaceAll"));
        buttons->addWidget(btnReplace);
        buttons->addWidget(btnReplaceAll);
        connect(btnReplace, &QPushButton::clicked, this, &TFindDialog::ReplaceClick);
        connect(btnReplaceAll, &QPushButton::clicked, this, &TFindDialog::ReplaceAllClick);
    }
    auto *btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::hide);
    buttons->addWidget(btnCancel);
    buttons->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    // Nothing to find in an empty text.
    auto enable = [this] {
        const bool any = !m_edtFind->text().isEmpty();
        for (QPushButton *button : findChildren<QPushButton *>()) {
            if (button->objectName() != QLatin1String("btnCancel"))
                button->setEnabled(any);
        }
    };
    connect(m_edtFind, &QLineEdit::textChanged, this, enable);
    enable();
}

QString TFindDialog::FindText() const
{
    return m_edtFind->text();
}

void TFindDialog::setFindText(const QString &text)
{
    m_edtFind->setText(text);
}

QString TFindDialog::ReplaceText() const
{
    return m_edtReplace ? m_edtReplace->text() : QString();
}

void TFindDialog::setReplaceText(const QString &text)
{
    if (m_edtReplace)
        m_edtReplace->setText(text);
}

bool TFindDialog::MatchCase() const
{
    return m_chkMatchCase->isChecked();
}

void TFindDialog::setMatchCase(bool on)
{
    m_chkMatchCase->setChecked(on);
}

bool TFindDialog::Down() const
{
    return m_rdoDown->isChecked();
}

void TFindDialog::FindNextClick()
{
    m_findNext = true;
    m_replaceAll = false;
    Q_EMIT OnFind();
}

void TFindDialog::ReplaceClick()
{
    m_findNext = false;
    m_replaceAll = false;
    Q_EMIT OnReplace();
}

void TFindDialog::ReplaceAllClick()
{
    m_findNext = false;
    m_replaceAll = true;
    Q_EMIT OnReplace();
}

void TFindDialog::Execute()
{
    show();
    raise();
    activateWindow();
    m_edtFind->setFocus();
    m_edtFind->selectAll();
}
