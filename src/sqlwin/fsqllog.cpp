#include "fsqllog.h"

#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "core/sqllog.h"
#include "sqllang/qvmemo.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString SqlLogKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\SQLLOG");

// Upper case of the ASCII letters only, as the find compares.
QString asciiUpper(QString text)
{
    for (QChar &c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return text;
}

} // namespace

TfrmSQLLog::TfrmSQLLog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSQLLog"));
    setWindowTitle(QStringLiteral("SQL履歴"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    auto add = [this](const char *name, const QString &caption, void (TfrmSQLLog::*slot)()) {
        QAction *a = tolCmd->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("btnSelect", QStringLiteral("選択(&S)"), &TfrmSQLLog::btnSelectClick);
    add("btnExit", QStringLiteral("終了(&X)"), &TfrmSQLLog::btnExitClick);
    tolCmd->addSeparator();
    add("btnUp", QStringLiteral("上に移動"), &TfrmSQLLog::btnUpClick);
    add("btnDown", QStringLiteral("下に移動"), &TfrmSQLLog::btnDownClick);
    add("btnDel", QStringLiteral("削除"), &TfrmSQLLog::btnDelClick);
    tolCmd->addSeparator();
    txtFind = new TqvStrEdit(tolCmd);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    // a search box: Return searches and the arrows stay in it
    txtFind->setWantReturns(false);
    txtFind->setWantArrow(false);
    txtFind->setCharCase(AppOption.UseLowerName ? ecNormal : ecUpperCase);
    tolCmd->addWidget(txtFind);
    add("btnFind", QStringLiteral("検索"), &TfrmSQLLog::btnFindClick);
    connect(txtFind, &QLineEdit::returnPressed, this, &TfrmSQLLog::btnFindClick);
    layout->addWidget(tolCmd);

    auto *split = new QSplitter(Qt::Vertical, this);
    lstSQL = new QListWidget(split);
    lstSQL->setObjectName(QStringLiteral("lstSQL"));
    lstSQL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    txtSQL = new TqvMemo(split);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    txtSQL->setReadOnly(true);
    layout->addWidget(split, 1);
    connect(lstSQL, &QListWidget::currentRowChanged, this, &TfrmSQLLog::lstSQLClick);
    connect(lstSQL, &QListWidget::itemDoubleClicked, this, &TfrmSQLLog::btnSelectClick);
    resize(700, 480);
    fill();
}

void TfrmSQLLog::fill()
{
    lstSQL->clear();
    const QString folder = SQLLogFolder();
    for (int i = 0; i < SQLLogList.size(); ++i) {
        QString row;
        const QString text = SQLLogRead(i);
        if (!text.isNull()) {
            const QFileInfo info(folder + SQLLogList.at(i));
            const QStringList lines = SplitLines(text).mid(0, 5);
            row = QLocale().toString(info.lastModified(), QLocale::ShortFormat)
                + QStringLiteral("    ") + lines.join(u' ');
        }
        lstSQL->addItem(row);
    }
}

void TfrmSQLLog::lstSQLClick()
{
    const int row = lstSQL->currentRow();
    txtSQL->setText(row >= 0 ? SQLLogRead(row) : QString());
    txtSQL->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    txtSQL->setCursorPosition(0, 0);
}

void TfrmSQLLog::btnSelectClick()
{
    if (lstSQL->currentRow() < 0)
        return;
    m_result = lstSQL->currentRow();
    accept();
}

void TfrmSQLLog::btnExitClick()
{
    m_result = -1;
    reject();
}

void TfrmSQLLog::btnDelClick()
{
    for (int row = lstSQL->count() - 1; row >= 0; --row) {
        if (lstSQL->item(row)->isSelected()) {
            SQLLogList.removeAt(row);
            delete lstSQL->takeItem(row);
        }
    }
}

void TfrmSQLLog::move(int step)
{
    if (lstSQL->selectedItems().size() > 1) {
        ShowMessageBox(
            QStringLiteral("同時に複数行を移動する事は出来ません。１行だけ選択して下さい。"),
            MB_OK | MB_ICONWARNING);
        return;
    }
    const int row = lstSQL->currentRow();
    const int other = row + step;
    if (row < 0 || other < 0 || other >= lstSQL->count())
        return;
    SQLLogList.swapItemsAt(row, other);
    QListWidgetItem *item = lstSQL->takeItem(row);
    lstSQL->insertItem(other, item);
    lstSQL->setCurrentRow(other);
}

void TfrmSQLLog::btnUpClick()
{
    move(-1);
}

void TfrmSQLLog::btnDownClick()
{
    move(1);
}

void TfrmSQLLog::btnFindClick()
{
    const QString find = asciiUpper(txtFind->text());
    if (find.trimmed().isEmpty())
        return;
    SQLWaitCursor wait;
    for (int row = 0; row < lstSQL->count(); ++row) {
        const QString text = SQLLogRead(row);
        if (text.isNull())
            continue;
        const bool marked = asciiUpper(text).contains(find);
        lstSQL->item(row)->setForeground(marked ? QBrush(QColor(0, 0, 255)) : QBrush());
        lstSQL->item(row)->setData(Qt::UserRole, marked);
    }
}

void TfrmSQLLog::keyPressEvent(QKeyEvent *event)
{
    if (lstSQL->hasFocus() && event->key() == Qt::Key_Delete) {
        btnDelClick();
        return;
    }
    if (lstSQL->hasFocus() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        btnSelectClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmSQLLog::LoadWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(SqlLogKey, true))
        return;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        resize(AppRegistry->GetInteger(QStringLiteral("Width"), width()),
               AppRegistry->GetInteger(QStringLiteral("Height"), height()));
    AppRegistry->CloseKey();
}

void TfrmSQLLog::SaveWindowState()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))
        return;
    if (!AppRegistry || !AppRegistry->OpenKey(SqlLogKey, true))
        return;
    AppRegistry->WriteInteger(QStringLiteral("Width"), width());
    AppRegistry->WriteInteger(QStringLiteral("Height"), height());
    AppRegistry->CloseKey();
}

int TfrmSQLLog::ShowWindow(QWidget *owner)
{
    TfrmSQLLog picker(owner);
    picker.LoadWindowState();
    picker.exec();
    RunGuarded([&] { picker.SaveWindowState(); });
    return picker.Result();
}
