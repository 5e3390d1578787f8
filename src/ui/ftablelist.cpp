#include "ftablelist.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "qvimages.h"

#include "platform/pg/connection.h"
#include "platform/pg/result.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <memory>

namespace {

const QString TableListKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\TABLELIST");

QToolButton *addTableButton(QToolBar *bar, const QString &name, const QString &caption,
                            const QString &hint, int image, bool checkable)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(MainImage(image));
    button->setCheckable(checkable);
    button->setChecked(checkable);
    bar->addWidget(button);
    return button;
}

// Names typed in lower case while the program folds names.
class LowerCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toLower();
        return Acceptable;
    }
};

// Each row: its kind's icon 2 pixels in, the name 20 pixels in and 2 pixels down.
class TableItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &palette = option.palette;
        painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
        const int code = index.data(Qt::UserRole).toInt();
        const QIcon icon = MainImage(code);
        icon.paint(painter, QRect(option.rect.left() + 2, option.rect.top(), 16, 16));
        painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
        painter->drawText(option.rect.adjusted(20, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data(Qt::DisplayRole).toString());
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(qMax(size.height(), 18));
        return size;
    }
};

} // namespace

QString TfrmTableList::TableSQL(const QString &Kinds, bool Synonym)
{
    const QString blank = QStringLiteral(" ");
    const QString comma = QStringLiteral(",");
    QList<QPair<QString, QString>> lines = {
        { blank, QStringLiteral("SELECT  Cls.relname") },
        { comma, QStringLiteral("        CASE") },
        { blank, QStringLiteral("          WHEN Cls.relkind = 'r' THEN 'TABLE'") },
        { blank, QStringLiteral("          WHEN Cls.relkind = 't' THEN 'TABLE'") },
        { blank, QStringLiteral("          WHEN Cls.relkind = 'f' THEN 'TABLE'") },
        { blank, QStringLiteral("          WHEN Cls.relkind = 'p' THEN 'TABLE'") },
        { blank, QStringLiteral("          WHEN Cls.relkind = 'v' THEN 'VIEW'") },
        { blank, QStringLiteral("          WHEN Cls.relkind = 'm' THEN 'MATERIALIZED VIEW'") },
        { blank, QStringLiteral("        END               AS ObjType") },
        { blank, QStringLiteral("FROM    pg_class          AS Cls") },
        { blank, QStringLiteral("LEFT JOIN pg_namespace    AS Nms") },
        { blank, QStringLiteral("  ON  Cls.relnamespace    =   Nms.oid") },
        { blank, QStringLiteral("WHERE   Cls.relkind       IN  (") + Kinds + QStringLiteral(")") },
        { blank, QStringLiteral("AND     Nms.nspname       =   :OWNER") },
    };
    if (Synonym) {
        lines << qMakePair(blank, QStringLiteral("UNION"))
              << qMakePair(blank, QStringLiteral("SELECT  Syn.synname"))
              << qMakePair(comma, QStringLiteral("'SYNONYM'"))
              << qMakePair(blank, QStringLiteral("FROM    pg_synonym     AS Syn"))
              << qMakePair(blank, QStringLiteral("LEFT JOIN pg_namespace AS Nms"))
              << qMakePair(blank, QStringLiteral("  ON  Syn.synnamespace =  Nms.oid"))
              << qMakePair(blank, QStringLiteral("WHERE   Nms.nspname    =  :OWNER"));
    }
    lines << qMakePair(blank, QStringLiteral("ORDER BY 1"));
    QString sql;
    for (const auto &line : lines)
        sql += line.first + line.second + QLatin1Char('\n');
    return sql;
}

TfrmTableList::TfrmTableList(ConnectionWindow *AOwner)
    : QDialog(AOwner ? AOwner->connectionWidget() : nullptr)
    , FOwner(AOwner)
{
    setObjectName(QStringLiteral("frmTableList"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowTitle(QStringLiteral("表の選択"));
    setWindowIcon(MainImage(12));

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tolCmd->setIconSize(QSize(16, 16));
    btnOk = addTableButton(tolCmd, QStringLiteral("btnOk"), QStringLiteral("選択(&O)"),
                           QStringLiteral("選択"), 28, false);
    btnExit = addTableButton(tolCmd, QStringLiteral("btnExit"), QStringLiteral("終了(&X)"),
                             QStringLiteral("終了"), 42, false);

    tolOption = new QToolBar(this);
    tolOption->setObjectName(QStringLiteral("tolOption"));
    tolOption->setIconSize(QSize(16, 16));
    btnTable = addTableButton(tolOption, QStringLiteral("btnTable"), QStringLiteral("テーブル表示"),
                              QStringLiteral("テーブル表示"), 45, true);
    btnView = addTableButton(tolOption, QStringLiteral("btnView"), QStringLiteral("ビュー表示"),
                             QStringLiteral("ビュー表示"), 47, true);
    btnMView = addTableButton(tolOption, QStringLiteral("btnMView"),
                              QStringLiteral("マテリアライズドビュー表示"),
                              QStringLiteral("マテリアライズドビュー表示"), 61, true);
    btnSynonym = addTableButton(tolOption, QStringLiteral("btnSynonym"), QStringLiteral("シノニム"),
                                QStringLiteral("シノニム"), 60, true);

    cmbSchema = new QComboBox(this);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setMaxVisibleItems(20);
    auto *lblFind = new QLabel(QStringLiteral("検　索"), this);
    txtFindTable = new QLineEdit(this);
    txtFindTable->setObjectName(QStringLiteral("txtFindTable"));
    lblFind->setBuddy(txtFindTable);
    lstTable = new QListWidget(this);
    lstTable->setObjectName(QStringLiteral("lstTable"));
    lstTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTable->setSortingEnabled(true);
    lstTable->setItemDelegate(new TableItemDelegate(lstTable));

    auto *find = new QHBoxLayout;
    find->addWidget(lblFind);
    find->addWidget(txtFindTable, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(tolCmd);
    layout->addWidget(tolOption);
    layout->addWidget(cmbSchema);
    layout->addLayout(find);
    layout->addWidget(lstTable, 1);

    connect(btnOk, &QToolButton::clicked, this, &QDialog::accept);
    connect(btnExit, &QToolButton::clicked, this, &QDialog::reject);
    for (QToolButton *button : { btnTable, btnView, btnMView, btnSynonym })
        connect(button, &QToolButton::clicked, this, [this, button] { KindButtonClick(button); });
    connect(cmbSchema, &QComboBox::activated, this, [this] { KindButtonClick(nullptr); });
    connect(txtFindTable, &QLineEdit::returnPressed, this, &TfrmTableList::LoadList);
    connect(lstTable, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(278, 340);
}

TfrmTableList::~TfrmTableList()
{
    SaveWindowState();
}

void TfrmTableList::ShowKindButton(QToolButton *button, bool visible)
{
    // A tool bar shows its widgets through actions; the action decides.
    const QList<QAction *> actions = tolOption->actions();
    for (QAction *action : actions) {
        if (tolOption->widgetForAction(action) == button)
            action->setVisible(visible);
    }
}

QString TfrmTableList::KindList() const
{
    QStringList kinds;
    if (btnTable->isChecked())
        kinds << QStringLiteral("'r'") << QStringLiteral("'t'") << QStringLiteral("'f'")
              << QStringLiteral("'p'");
    if (btnView->isChecked())
        kinds << QStringLiteral("'v'");
    if (btnMView->isChecked())
        kinds << QStringLiteral("'m'");
    return kinds.join(QStringLiteral(", "));
}

void TfrmTableList::KindButtonClick(QToolButton *button)
{
    if (button && !btnTable->isChecked() && !btnView->isChecked())
        button->setChecked(true);
    LoadList();
}

void TfrmTableList::LoadList()
{
    SQLWaitCursor wait;
    lstTable->setUpdatesEnabled(false);
    lstTable->clear();
    struct Resume
    {
        QListWidget *list;
        ~Resume() { list->setUpdatesEnabled(true); }
    } resume { lstTable };
    const QString kinds = KindList();
    if (kinds.isEmpty() && !btnSynonym->isChecked())
        return;
    // With no kind chosen the IN list must still be valid SQL.
    const pg::Result rows = FOwner->OpenSQL(
        TableSQL(kinds.isEmpty() ? QStringLiteral("''") : kinds, btnSynonym->isChecked()),
        QStringList { cmbSchema->currentText() });
    const QString filter = txtFindTable->text();
    const bool filtered = !filter.trimmed().isEmpty();
    for (int row = 0; row < rows.rowCount(); ++row) {
        const QString name = rows.text(row, 0);
        if (filtered && !name.toLower().contains(filter.toLower()))
            continue;
        auto *item = new QListWidgetItem(name);
        item->setData(Qt::UserRole, GetObjectTypeCode(rows.text(row, 1)));
        lstTable->addItem(item);
    }
}

QStringList TfrmTableList::SelectedNames() const
{
    const QString schema = cmbSchema->currentText();
    QStringList names;
    for (int i = 0; i < lstTable->count(); ++i) {
        const QListWidgetItem *item = lstTable->item(i);
        if (!item->isSelected())
            continue;
        names << (schema.isEmpty() ? item->text() : schema + QLatin1Char('.') + item->text());
    }
    return names;
}

bool TfrmTableList::event(QEvent *event)
{
    if (AppMessageEvent::messageOf(event) == QvMsgReload) {
        LoadList();
        return true;
    }
    return QDialog::event(event);
}

void TfrmTableList::LoadWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(TableListKey, true))
        return;
    const int state = AppRegistry->GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
        move(QCursor::pos() - QPoint(caption, caption));
        resize(AppRegistry->GetInteger(QStringLiteral("Width"), width()),
               AppRegistry->GetInteger(QStringLiteral("Height"), height()));
        btnTable->setChecked(AppRegistry->GetBool(QStringLiteral("ShowTable"), true));
        btnView->setChecked(AppRegistry->GetBool(QStringLiteral("ShowView"), true));
    }
    AppRegistry->CloseKey();
}

void TfrmTableList::SaveWindowState()
{
    if (!AppRegistry || !AppRegistry->OpenKey(TableListKey, true))
        return;
    const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    AppRegistry->WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        AppRegistry->WriteInteger(QStringLiteral("Left"), x());
        AppRegistry->WriteInteger(QStringLiteral("Top"), y());
        AppRegistry->WriteInteger(QStringLiteral("Width"), width());
        AppRegistry->WriteInteger(QStringLiteral("Height"), height());
        AppRegistry->WriteInteger(QStringLiteral("TableWidth"), lstTable->width());
        AppRegistry->WriteBool(QStringLiteral("ShowTable"), btnTable->isChecked());
        AppRegistry->WriteBool(QStringLiteral("ShowView"), btnView->isChecked());
    }
    AppRegistry->CloseKey();
}

void TfrmTableList::ShowWindow(ConnectionWindow *AOwner, QStringList &TableList)
{
    std::unique_ptr<TfrmTableList> form(new TfrmTableList(AOwner));
    form->setWindowTitle(QStringLiteral("表の選択 - ")
                         + GetRecParamCaption(MakeRecParam(ConnectionParams(*AOwner)), 0, false));
    const bool mview = AOwner->DBVer() >= 90300;
    if (!mview)
        form->btnMView->setChecked(false);
    form->ShowKindButton(form->btnMView, mview);
    form->ShowKindButton(form->btnSynonym, AOwner->g_bPostgresPlus());
    form->btnSynonym->setChecked(AOwner->g_bPostgresPlus());
    form->LoadWindowState();
    if (!AppOption.UseLowerName)
        form->txtFindTable->setValidator(new LowerCaseValidator(form->txtFindTable));
    form->cmbSchema->addItems(AOwner->GetSchemaInfo(false));
    form->cmbSchema->model()->sort(0);
    form->cmbSchema->setCurrentIndex(
        form->cmbSchema->findText(AOwner->dbsMain()->param(QStringLiteral("MetaDefSchema")),
                                  Qt::MatchExactly | Qt::MatchCaseSensitive));
    form->LoadList();
    if (form->exec() == QDialog::Accepted)
        TableList << form->SelectedNames();
}
