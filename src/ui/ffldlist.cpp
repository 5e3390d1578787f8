#include "ffldlist.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvname.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "qvimages.h"

#include "platform/pg/result.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString FieldListKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\FIELDLIST");

QToolButton *addFieldButton(QToolBar *bar, const QString &name, const QString &hint, int image)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setText(hint);
    button->setIcon(MainImage(image));
    bar->addWidget(button);
    return button;
}

// Moves the chosen rows of from (all of them with all) to the end of to, in list order.
void moveNames(QListWidget *from, QListWidget *to, bool all)
{
    QList<QListWidgetItem *> moving;
    for (int i = 0; i < from->count(); ++i) {
        if (all || from->item(i)->isSelected())
            moving.append(from->item(i));
    }
    for (QListWidgetItem *item : moving) {
        to->addItem(item->text());
        delete from->takeItem(from->row(item));
    }
}

} // namespace

QString TfrmFieldList::FieldSQL(int DBVer)
{
    QStringList lines = {
        QStringLiteral("SELECT A.attname"),
        QStringLiteral("FROM   pg_class            C"),
        QStringLiteral("LEFT JOIN pg_namespace     N"),
        QStringLiteral(" ON  C.relnamespace    =   N.oid"),
        QStringLiteral("LEFT JOIN pg_attribute     A"),
        QStringLiteral(" ON  C.oid             =   A.attrelid"),
        QStringLiteral("WHERE  A.attisdropped  =   'false'"),
        QStringLiteral("AND    C.relkind       IN  ("),
        QStringLiteral("                               'r'"),
        QStringLiteral("                             , 'v'"),
        QStringLiteral("                             , 't'"),
        QStringLiteral("                             , 'f'"),
        // partitioned tables: their columns are the partitions' columns
        QStringLiteral("                             , 'p'"),
    };
    if (DBVer >= 90300)
        lines << QStringLiteral("                             , 'm'");
    lines << QStringLiteral("                           )")
          << QStringLiteral("AND    N.nspname       =   :SCHEMA")
          << QStringLiteral("AND    C.relname       =   :TBLNAME")
          << QStringLiteral("AND    A.attnum        >   0") << QStringLiteral("ORDER")
          << QStringLiteral("BY     A.attnum");
    QString sql;
    for (const QString &line : lines)
        sql += QLatin1Char(' ') + line + QLatin1Char('\n');
    return sql;
}

TfrmFieldList::TfrmFieldList(ConnectionWindow *AOwner)
    : QDialog(AOwner ? AOwner->connectionWidget() : nullptr)
    , FOwner(AOwner)
{
    setObjectName(QStringLiteral("frmFieldList"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowTitle(QStringLiteral("項目一覧"));
    setWindowIcon(MainImage(12));

    pnlTop = new QWidget(this);
    pnlTop->setObjectName(QStringLiteral("pnlTop"));
    pnlTop->setFixedHeight(20);
    lblSelect = new QLabel(QStringLiteral("表示する項目"), pnlTop);
    lblSelect->setObjectName(QStringLiteral("lblSelect"));
    lblSelect->move(4, 2);
    lblAll = new QLabel(QStringLiteral("選択可能な項目"), pnlTop);
    lblAll->setObjectName(QStringLiteral("lblAll"));

    pnlMiddle = new QWidget(this);
    pnlMiddle->setObjectName(QStringLiteral("pnlMiddle"));
    pnlMiddle->installEventFilter(this);
    lstSelect = new QListWidget(pnlMiddle);
    lstSelect->setObjectName(QStringLiteral("lstSelect"));
    lstSelect->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstSelect->installEventFilter(this);
    lstAll = new QListWidget(pnlMiddle);
    lstAll->setObjectName(QStringLiteral("lstAll"));
    lstAll->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstAll->installEventFilter(this);

    tolInsDel = new QToolBar(pnlMiddle);
    tolInsDel->setObjectName(QStringLiteral("tolInsDel"));
    tolInsDel->setOrientation(Qt::Vertical);
    tolInsDel->setIconSize(QSize(16, 16));
    btnInsAll
        = addFieldButton(tolInsDel, QStringLiteral("btnInsAll"), QStringLiteral("全て追加"), 31);
    btnIns = addFieldButton(tolInsDel, QStringLiteral("btnIns"), QStringLiteral("追加"), 32);
    btnDel = addFieldButton(tolInsDel, QStringLiteral("btnDel"), QStringLiteral("削除"), 33);
    btnDelAll
        = addFieldButton(tolInsDel, QStringLiteral("btnDelAll"), QStringLiteral("全て削除"), 34);
    tolInsDel->adjustSize();

    auto *pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    btnSelect = new QPushButton(QStringLiteral("選択(&S)"), pnlBottom);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnExit = new QPushButton(QStringLiteral("閉じる(&X)"), pnlBottom);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    auto *bottom = new QHBoxLayout(pnlBottom);
    bottom->addStretch(1);
    bottom->addWidget(btnSelect);
    bottom->addWidget(btnExit);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pnlTop);
    layout->addWidget(pnlMiddle, 1);
    layout->addWidget(pnlBottom);

    btnSelect->setDefault(false);
    btnSelect->setAutoDefault(false);
    btnExit->setAutoDefault(false);
    connect(btnSelect, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnIns, &QToolButton::clicked, this, &TfrmFieldList::btnInsClick);
    connect(btnDel, &QToolButton::clicked, this, &TfrmFieldList::btnDelClick);
    connect(btnInsAll, &QToolButton::clicked, this, &TfrmFieldList::btnInsAllClick);
    connect(btnDelAll, &QToolButton::clicked, this, &TfrmFieldList::btnDelAllClick);
    connect(lstAll, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
    connect(lstSelect, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
    resize(353, 380);
}

TfrmFieldList::~TfrmFieldList() = default;

void TfrmFieldList::btnInsClick()
{
    moveNames(lstAll, lstSelect, false);
}

void TfrmFieldList::btnDelClick()
{
    moveNames(lstSelect, lstAll, false);
}

void TfrmFieldList::btnInsAllClick()
{
    moveNames(lstAll, lstSelect, true);
}

void TfrmFieldList::btnDelAllClick()
{
    moveNames(lstSelect, lstAll, true);
}

bool TfrmFieldList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pnlMiddle && event->type() == QEvent::Resize) {
        ArrangeMiddle();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == lstAll && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            btnInsClick();
            return true;
        }
        if (watched == lstSelect && key == Qt::Key_Delete) {
            btnDelClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFieldList::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ArrangeMiddle();
}

void TfrmFieldList::ArrangeMiddle()
{
    const int w = pnlMiddle->width();
    const int h = pnlMiddle->height();
    const int listWidth = (w - 40) / 2;
    lstSelect->setGeometry(0, 0, listWidth, h);
    lstAll->setGeometry(w - listWidth, 0, listWidth, h);
    lblAll->move(lstAll->x() + 4, lblSelect->y());
    tolInsDel->move(w / 2 - 12, h / 2 - 48);
}

void TfrmFieldList::LoadFields(const QString &Schema, const QString &TableName,
                               const QStringList &FieldList)
{
    lstAll->clear();
    lstSelect->clear();
    const pg::Result rows
        = FOwner->OpenSQL(FieldSQL(FOwner->DBVer()), QStringList { Schema, TableName });
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QString name = rows.text(row, 0);
        if (FieldList.contains(name) || FieldList.contains(QuoteName(name)))
            lstSelect->addItem(name);
        else
            lstAll->addItem(name);
    }
    // Every column chosen already: start with nothing chosen.
    if (lstAll->count() == 0)
        btnDelAllClick();
}

QStringList TfrmFieldList::SelectedNames() const
{
    QStringList names;
    for (int i = 0; i < lstSelect->count(); ++i)
        names << lstSelect->item(i)->text();
    return names;
}

void TfrmFieldList::LoadWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(FieldListKey, true))
        return;
    const int state = AppRegistry->GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        resize(AppRegistry->GetInteger(QStringLiteral("Width"), width()),
               AppRegistry->GetInteger(QStringLiteral("Height"), height()));
    }
    AppRegistry->CloseKey();
}

void TfrmFieldList::SaveWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(FieldListKey, true))
        return;
    const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    AppRegistry->WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        AppRegistry->WriteInteger(QStringLiteral("Width"), width());
        AppRegistry->WriteInteger(QStringLiteral("Height"), height());
    }
    AppRegistry->CloseKey();
}

void TfrmFieldList::ShowWindow(ConnectionWindow *AOwner, const QString &Schema,
                               const QString &TableName, QStringList &FieldList)
{
    std::unique_ptr<TfrmFieldList> form(new TfrmFieldList(AOwner));
    TConnParams conn = ConnectionParams(*AOwner);
    conn.MetaDefSchema = Schema;
    form->setWindowTitle(QStringLiteral("項目一覧 - ")
                         + GetRecParamCaption(MakeRecParam(conn, TableName), 4, false));
    if (QWidget *owner = AOwner->connectionWidget()) {
        const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const QPoint origin = owner->mapToGlobal(QPoint(0, 0));
        form->move(origin.x() + caption, origin.y());
    }
    try {
        form->LoadFields(Schema, TableName, FieldList);
        form->LoadWindowState();
        const bool ok = form->exec() == QDialog::Accepted;
        if (ok && form->lstSelect->count() > 0)
            FieldList = form->SelectedNames();
    } catch (...) {
        form->SaveWindowState();
        form.reset();
        throw;
    }
    form->SaveWindowState();
}
