#include "rdata.h"

#include "qvctlopt.h"
#include "qvdbgrid.h"
#include "qvforms.h"
#include "qvimages.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

namespace rdata {

// Results of this many columns or more keep the widths the grid gives them.
constexpr int maxWidthColumns = 100;
// A bytea cell shows at most this many bytes; a cell is never that wide.
constexpr int maxHexBytes = 1024;

const QColor stripeColour(0xFF, 0xFF, 0xCC);

const TDBGridOptions gridOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator
    | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit
    | dgMultiSelect;

// The statement's ":name" values, kept across a new text of the same statement.
QList<QPair<QString, pg::Param>> boundValues(pg::DataSet *set)
{
    QList<QPair<QString, pg::Param>> values;
    if (!set->connection())
        return values;
    pg::Query &q = set->query();
    for (int i = 0; i < q.paramCount(); ++i) {
        if (q.isBound(i))
            values.append({ q.paramNames().at(i), q.boundValue(i) });
    }
    return values;
}

void rebind(pg::DataSet *set, const QList<QPair<QString, pg::Param>> &values)
{
    pg::Query &q = set->query();
    for (const auto &value : values) {
        if (q.paramNames().contains(value.first))
            q.bind(value.first, value.second);
    }
}

bool lobClass(pg::FieldClass c)
{
    return c == pg::FieldClass::Blob || c == pg::FieldClass::Memo;
}

bool textClass(pg::FieldClass c)
{
    return c == pg::FieldClass::String || c == pg::FieldClass::Memo
        || c == pg::FieldClass::FixedChar;
}

bool dateClass(pg::FieldClass c)
{
    return c == pg::FieldClass::Date || c == pg::FieldClass::Timestamp
        || c == pg::FieldClass::TimestampTz;
}

} // namespace rdata

TfraData::TfraData(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("fraData"));

    qryData = new pg::DataSet(nullptr, this);
    qryData->setObjectName(QStringLiteral("qryData"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    scrButton = new QScrollArea(this);
    scrButton->setObjectName(QStringLiteral("scrButton"));
    scrButton->setFrameShape(QFrame::NoFrame);
    scrButton->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrButton->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrButton->setFixedWidth(24);
    tolLeft = new QToolBar(scrButton);
    tolLeft->setObjectName(QStringLiteral("tolLeft"));
    tolLeft->setOrientation(Qt::Vertical);
    tolLeft->setIconSize(QSize(16, 16));
    tolLeft->setContentsMargins(0, 0, 0, 0);
    tolLeft->layout()->setContentsMargins(0, 0, 0, 0);
    tolLeft->layout()->setSpacing(0);
    scrButton->setWidget(tolLeft);
    scrButton->setWidgetResizable(true);
    layout->addWidget(scrButton);

    btnUpdate = addButton("btnUpdate", 88, QStringLiteral("結果を編集可能にする"), true);
    btnGridType = addButton("btnGridType", 87, QStringLiteral("出力方向変更"));
    btnExcel = addButton("btnExcel", 44, QStringLiteral("結果をExcelファイルに出力する"));
    btnCopy = addButton("btnCopy", 21, QStringLiteral("結果をクリップボードに出力する"));
    tolLeft->addSeparator();
    btnIns = addButton("btnIns", 39, QStringLiteral("レコードの挿入"));
    btnDel = addButton("btnDel", 40, QStringLiteral("レコードの削除"));
    tolLeft->addSeparator();
    btnFirst = addButton("btnFirst", 37, QStringLiteral("先頭のレコード"));
    btnPrev = addButton("btnPrev", 35, QStringLiteral("前のレコード"));
    btnNext = addButton("btnNext", 36, QStringLiteral("次のレコード"));
    btnLast = addButton("btnLast", 38, QStringLiteral("最後のレコード"));

    auto *gridArea = new QWidget(this);
    auto *stack = new QGridLayout(gridArea);
    stack->setContentsMargins(0, 0, 0, 0);
    grdData1 = new TqvDBGridV(gridArea);
    grdData1->setObjectName(QStringLiteral("grdData1"));
    grdData2 = new TqvDBGridH(gridArea);
    grdData2->setObjectName(QStringLiteral("grdData2"));
    stack->addWidget(grdData1, 0, 0);
    stack->addWidget(grdData2, 0, 0);
    layout->addWidget(gridArea, 1);
    for (TqvDBGrid *grid :
         { static_cast<TqvDBGrid *>(grdData1), static_cast<TqvDBGrid *>(grdData2) })
        grid->setOptions(rdata::gridOptions);

    dtpInputDate = new QDateTimeEdit(this);
    dtpInputDate->setObjectName(QStringLiteral("dtpInputDate"));
    dtpInputDate->hide();

    popRecord = new QMenu(this);
    popRecord->setObjectName(QStringLiteral("popRecord"));
    auto addItem = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    QAction *mnuIns = addItem(popRecord, "mnuIns", QStringLiteral("レコードの挿入(&I)"));
    QAction *mnuCopy = addItem(popRecord, "mnuCopy", QStringLiteral("レコードのコピー(&C)"));
    QAction *mnuPaste = addItem(popRecord, "mnuPaste", QStringLiteral("レコードの貼り付け(&V)"));
    QAction *mnuDel = addItem(popRecord, "mnuDel", QStringLiteral("レコードの削除(&D)"));
    popColumn = new QMenu(this);
    popColumn->setObjectName(QStringLiteral("popColumn"));
    QAction *mnuSort = addItem(popColumn, "mnuSort", QStringLiteral("並び替え(&S)"));
    auto *group = popColumn->addMenu(QStringLiteral("集計情報を表示(&T)"));
    group->setObjectName(QStringLiteral("mnugroup"));
    group->menuAction()->setObjectName(QStringLiteral("mnugroup"));
    addItem(group, "mnuCount", QStringLiteral("件数(&C)"));
    addItem(group, "mnuSum", QStringLiteral("合計(&S)"));
    addItem(group, "mnuAverage", QStringLiteral("平均(&A)"));
    addItem(group, "mnuMax", QStringLiteral("最大(&M)"));
    addItem(group, "mnuMin", QStringLiteral("最小(&N)"));

    // Creation: the grids' look from the options, the edit mode of the options, grdData1
    // shown, both grids on the data set, every button that needs a result disabled.
    ApplyControlOptions(grdData1);
    ApplyControlOptions(grdData2);
    btnUpdate->setChecked(AppOption.UpdateMode);
    btnUpdate->setEnabled(true);
    btnGridTypeClick();

    // Connected after the grids' own links, so that the grids have laid out the new result
    // when the frame adjusts their columns.
    connect(qryData, &pg::DataSet::aboutToBeReset, this, [this] {
        if (qryData->isActive())
            RunGuarded([this] { qryDataBeforeClose_(); });
    });
    connect(qryData, &pg::DataSet::wasReset, this,
            [this] { RunGuarded([this] { qryDataAfterOpenClose(); }); });
    qryDataAfterOpenClose();

    connect(btnUpdate, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnUpdateClick(); }); });
    connect(btnGridType, &QToolButton::clicked, this, &TfraData::btnGridTypeClick);
    connect(btnCopy, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnCopyClick(); }); });
    connect(btnExcel, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnExcelClick(); }); });
    connect(btnIns, &QToolButton::clicked, this, [this] { RunGuarded([this] { btnInsClick(); }); });
    connect(btnDel, &QToolButton::clicked, this, [this] { RunGuarded([this] { btnDelClick(); }); });
    connect(mnuIns, &QAction::triggered, this, [this] { RunGuarded([this] { btnInsClick(); }); });
    connect(mnuDel, &QAction::triggered, this, [this] { RunGuarded([this] { btnDelClick(); }); });
    connect(mnuCopy, &QAction::triggered, this, [this] { VisibleGrid()->copy(); });
    connect(mnuPaste, &QAction::triggered, this, [this] { VisibleGrid()->paste(); });
    connect(btnFirst, &QToolButton::clicked, this, &TfraData::btnFirstClick);
    connect(btnPrev, &QToolButton::clicked, this, &TfraData::btnPrevClick);
    connect(btnNext, &QToolButton::clicked, this, &TfraData::btnNextClick);
    connect(btnLast, &QToolButton::clicked, this, &TfraData::btnLastClick);
    connect(mnuSort, &QAction::triggered, this, [this] {
        if (m_gridType && SelectedColumn)
            grdData1TitleClick(SelectedColumn);
        else if (!m_gridType && SelectedRow)
            grdData2TitleClick(SelectedRow);
    });

    connect(grdData1, &TqvDBGridV::OnTitleClick, this, &TfraData::grdData1TitleClick);
    connect(grdData2, &TqvDBGridH::OnTitleClick, this, &TfraData::grdData2TitleClick);
    connect(grdData1, &TqvDBGridV::OnDrawColumnCell, this, &TfraData::grdData1DrawColumnCell);
    connect(grdData2, &TqvDBGridH::OnDrawRowCell, this, &TfraData::grdData2DrawRowCell);
    // The pop-up menu follows the mouse: the column menu over the titles, else the record menu.
    auto followMouse = [this](TqvDBGrid *grid, int x, int y) {
        const QPoint cell = grid->MouseCoord(QPoint(x, y));
        const bool inTitles = grid->RecordsInRows()
            ? cell.y() >= 0 && cell.y() < grid->TitleOffset()
            : cell.x() >= 0 && cell.x() < grid->TitleOffset();
        const int field = (grid->RecordsInRows() ? cell.x() : cell.y()) - grid->IndicatorOffset();
        if (inTitles && field >= 0 && field < grid->Items()->Count()) {
            if (grid == grdData1)
                SelectedColumn = grdData1->Columns()->Items(field);
            else
                SelectedRow = grdData2->Rows()->Items(field);
            grid->setPopupMenu(popColumn);
        } else {
            grid->setPopupMenu(popRecord);
        }
    };
    connect(grdData1, &TqvDBGrid::OnMouseMove, this,
            [this, followMouse](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
                followMouse(grdData1, x, y);
            });
    connect(grdData2, &TqvDBGrid::OnMouseMove, this,
            [this, followMouse](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
                followMouse(grdData2, x, y);
            });
    grdData1->setPopupMenu(popRecord);
    grdData2->setPopupMenu(popRecord);
    connectEditCommands();
}

TfraData::~TfraData()
{
    disconnect(qryData, nullptr, this, nullptr);
    if (qryData->isActive())
        RunGuarded([this] { qryDataBeforeClose_(); });
    grdData1->setDataSet(nullptr);
    grdData2->setDataSet(nullptr);
}

QToolButton *TfraData::addButton(const char *name, int image, const QString &hint, bool check)
{
    auto *button = new QToolButton(tolLeft);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(24, 25);
    button->setAutoRaise(true);
    button->setIcon(MainImage(image));
    button->setToolTip(hint);
    button->setCheckable(check);
    tolLeft->addWidget(button);
    return button;
}

QWidget *TfraData::OwnerWindow() const
{
    if (m_owner)
        return m_owner;
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<TqvForm *>(w))
            return w;
    }
    return window();
}

void TfraData::setOwnerWindow(QWidget *owner)
{
    m_owner = owner;
}

ConnectionWindow *TfraData::OwnerConnection() const
{
    auto *form = qobject_cast<TqvForm *>(OwnerWindow());
    return form ? form->OwnerForm() : nullptr;
}

QString TfraData::SQL() const
{
    return m_tableSource.isEmpty() ? m_sql : BuildTableQuery(m_tableSource, 0, false, 0);
}

void TfraData::setSQL(const QString &sql)
{
    m_sql = sql;
    m_tableSource = TDataTableSource();
    m_sort.clear();
    m_desc = false;
}

void TfraData::setTableSource(const TDataTableSource &source)
{
    m_tableSource = source;
    m_sql.clear();
    m_sort.clear();
    m_desc = false;
}

TqvDBGrid *TfraData::VisibleGrid() const
{
    return m_gridType ? static_cast<TqvDBGrid *>(grdData1) : static_cast<TqvDBGrid *>(grdData2);
}

bool TfraData::ownerIs(const char *className) const
{
    QWidget *owner = OwnerWindow();
    return owner && owner->inherits(className);
}

bool TfraData::ownerIsLimited() const
{
    QWidget *owner = OwnerWindow();
    return owner && IsRowLimitedOwnerName(owner->objectName());
}

bool TfraData::keepsWidths() const
{
    return ownerIs("TfrmTable") && !TableName.isEmpty() && grdData1->DataSet()
        && grdData1->Columns()->Count() < rdata::maxWidthColumns;
}

qint64 TfraData::ownerRowLimit() const
{
    if (!ownerIsLimited())
        return 0;
    auto *box = OwnerWindow()->findChild<QLineEdit *>(QStringLiteral("txtRecord"));
    if (!box)
        return 0;
    qint64 limit = 0;
    if (!ParseRowLimit(box->text(), &limit)) {
        ShowMessageBox(RowLimitMessage(), MB_OK | MB_ICONWARNING);
        box->setFocus();
        throw SilentAbort();
    }
    return limit;
}

void TfraData::loadStatement(qint64 limit)
{
    if (!qryData->connection()) {
        if (ConnectionWindow *connection = OwnerConnection())
            qryData->setConnection(connection->dbsMain());
    }
    const int sort = m_sort.toInt();
    m_statement = m_tableSource.isEmpty() ? BuildDataQuery(m_sql, sort, m_desc, limit)
                                          : BuildTableQuery(m_tableSource, sort, m_desc, limit);
    const auto values = rdata::boundValues(qryData);
    qryData->setSql(m_statement);
    rdata::rebind(qryData, values);
}

void TfraData::Prepare()
{
    SQLWaitCursor wait;
    if (qryData->isActive() && !VisibleGrid()->ConfirmPendingRecord())
        throw SilentAbort();
    qryData->close();
    loadStatement(0);
    const bool readOnly = !btnUpdate->isChecked();
    qryData->setReadOnly(readOnly);
    for (TqvDBGrid *grid :
         { static_cast<TqvDBGrid *>(grdData1), static_cast<TqvDBGrid *>(grdData2) }) {
        if (readOnly) {
            grid->setOptions(grid->Options() & ~TDBGridOptions(dgEditing | dgAlwaysShowEditor));
            grid->setEditorMode(false);
        } else {
            grid->setOptions(grid->Options() | dgEditing | dgAlwaysShowEditor);
        }
    }
}

void TfraData::Open()
{
    SQLWaitCursor wait;
    const qint64 limit = ownerRowLimit();
    if (!m_sql.isEmpty() || !m_tableSource.isEmpty())
        loadStatement(limit);
    if (ownerIsLimited())
        setClientEncoding();
    qryData->open();
    if (ownerIsLimited())
        checkHiddenColumns();
}

void TfraData::setClientEncoding()
{
    pg::Connection *connection = qryData->connection();
    const QString encoding = AppOption.CharacterSet.trimmed();
    if (!connection || encoding.isEmpty())
        return;
    // The option's value travels as a parameter; it is never part of the statement's text.
    connection->exec(QStringLiteral("SELECT pg_catalog.set_config('client_encoding', $1, false)"),
                     { pg::Param(encoding, pg::type::Text) });
}

void TfraData::checkHiddenColumns()
{
    const int asked
        = m_tableSource.isEmpty() ? SelectListCount(m_sql) : int(m_tableSource.columns.size());
    const int shown = m_gridType ? grdData1->Columns()->Count() : grdData2->Rows()->Count();
    if (asked > shown) {
        ShowMessageBox(QStringLiteral("表示できないデータ型を持つ列が存在するため、\n"
                                      "対象列は表示されません。"),
                       MB_OK | MB_ICONINFORMATION);
    }
}

void TfraData::qryDataAfterOpenClose()
{
    const bool active = qryData->isActive();
    const bool writable = active && !qryData->isReadOnly();
    // the workbook output reads the result again itself when there is none
    btnExcel->setEnabled(true);
    btnCopy->setEnabled(active);
    btnIns->setEnabled(writable);
    btnDel->setEnabled(writable);
    for (QToolButton *b : { btnFirst, btnPrev, btnNext, btnLast })
        b->setEnabled(active);
    const QList<QAction *> columnItems = popColumn->actions();
    for (QAction *a : columnItems)
        a->setEnabled(active);
    // the mark in the sorted field's title, for the statement now open
    const int sorted = active && !m_sort.isEmpty() ? m_sort.toInt() - 1 : -1;
    grdData1->setSortMark(sorted, m_desc);
    grdData2->setSortMark(sorted, m_desc);
    for (QAction *a : popRecord->actions()) {
        if (a->objectName() == QLatin1String("mnuCopy"))
            a->setEnabled(active);
        else if (a->objectName() == QLatin1String("mnuIns"))
            a->setEnabled(btnIns->isEnabled());
        else
            a->setEnabled(btnDel->isEnabled()); // mnuDel, mnuPaste
    }
    if (!active)
        return;
    applyColumnWidths();
    // The value editors open from a "..." button on long, text and date fields.
    for (TqvDBGrid *grid :
         { static_cast<TqvDBGrid *>(grdData1), static_cast<TqvDBGrid *>(grdData2) }) {
        if (!grid->DataSet())
            continue;
        TDBGridItems *items = grid->Items();
        for (int i = 0; i < items->Count(); ++i) {
            const pg::Field *field = items->Item(i)->Field();
            if (field
                && (rdata::lobClass(field->fieldClass) || rdata::textClass(field->fieldClass)
                    || rdata::dateClass(field->fieldClass)))
                items->Item(i)->setButtonStyle(cbsEllipsis);
        }
    }
    Q_EMIT qryDataAfterOpen();
}

void TfraData::applyColumnWidths()
{
    if (!grdData1->DataSet() || grdData1->Columns()->Count() >= rdata::maxWidthColumns)
        return;
    TDBGridColumns *columns = grdData1->Columns();
    columns->BeginUpdate();
    try {
        const int maxWidth
            = QFontMetrics(grdData1->font())
                  .horizontalAdvance(QString(qMax(0, AppOption.DataColWidthV), QLatin1Char('A')));
        if (ownerIs("TfrmTable") && !TableName.isEmpty()) {
            QStringList titles;
            for (int i = 0; i < columns->Count(); ++i)
                titles << columns->Items(i)->TitleCaption();
            const TColumnWidths kept = LoadColumnWidths(TableName, titles);
            for (int i = columns->Count() - 1; i >= 0; --i) {
                TColumn *column = columns->Items(i);
                const int w = kept.vertical.value(i);
                column->setWidth(w >= 1 ? w : qMin(column->Width(), maxWidth));
            }
            if (grdData2->DataSet() && kept.horizontal > 0)
                grdData2->setDefaultColWidth(kept.horizontal);
        } else {
            for (int i = 0; i < columns->Count(); ++i) {
                TColumn *column = columns->Items(i);
                column->setWidth(qMin(column->Width(), maxWidth));
            }
        }
    } catch (...) {
        columns->EndUpdate();
        throw;
    }
    columns->EndUpdate();
}

void TfraData::qryDataBeforeClose_()
{
    Q_EMIT qryDataBeforeClose();
    saveColumnWidths();
}

void TfraData::saveColumnWidths()
{
    if (!qryData->isActive() || !keepsWidths())
        return;
    TDBGridColumns *columns = grdData1->Columns();
    QStringList titles;
    QList<int> widths;
    for (int i = 0; i < columns->Count(); ++i) {
        titles << columns->Items(i)->TitleCaption();
        widths << columns->Items(i)->Width();
    }
    SaveColumnWidths(TableName, titles, widths, grdData2->DefaultColWidth());
}

void TfraData::sortBy(int fieldIndex)
{
    if (!qryData->isActive() || fieldIndex < 0)
        return;
    const QString key = QString::number(fieldIndex + 1);
    if (m_sort == key) {
        m_desc = !m_desc;
    } else {
        m_sort = key;
        m_desc = false;
    }
    Prepare();
    Open();
}

void TfraData::grdData1TitleClick(TColumn *column)
{
    if (column)
        RunGuarded([this, column] { sortBy(column->FieldIndex()); });
}

void TfraData::grdData2TitleClick(TRow *row)
{
    if (row)
        RunGuarded([this, row] { sortBy(row->FieldIndex()); });
}

void TfraData::setGridType(bool recordsInRows)
{
    m_gridType = recordsInRows;
    grdData1->setVisible(m_gridType);
    grdData2->setVisible(!m_gridType);
    grdData1->setDataSet(qryData);
    grdData2->setDataSet(qryData);
}

void TfraData::btnGridTypeClick()
{
    setGridType(!m_gridType);
}

void TfraData::btnUpdateClick()
{
    if (qryData->isActive()) {
        Prepare();
        Open();
        if (btnUpdate->isChecked() && qryData->isReadOnly()) {
            ShowMessageBox(QStringLiteral("この結果セットには書き込み出来ません。"),
                           MB_OK | MB_ICONWARNING);
            btnUpdate->setChecked(false);
        }
    }
}

void TfraData::btnInsClick()
{
    if (!qryData->isActive())
        return;
    VisibleGrid()->SelectedRecords()->Clear();
    VisibleGrid()->UpdateData();
    qryData->insert();
}

void TfraData::navigate(void (*move)(pg::DataSet *))
{
    if (!qryData->isActive())
        return;
    RunGuarded([this, move] {
        TqvDBGrid *grid = VisibleGrid();
        grid->SelectedRecords()->Clear();
        grid->viewport()->update();
        grid->UpdateData();
        move(qryData);
    });
}

void TfraData::btnFirstClick()
{
    navigate([](pg::DataSet *set) { set->first(); });
}

void TfraData::btnPrevClick()
{
    navigate([](pg::DataSet *set) { set->prior(); });
}

void TfraData::btnNextClick()
{
    navigate([](pg::DataSet *set) { set->next(); });
}

void TfraData::btnLastClick()
{
    navigate([](pg::DataSet *set) { set->last(); });
}

QString TfraData::CellText(int row, int fieldIndex) const
{
    if (!qryData->isActive() || row < 0 || row >= qryData->recordCount() || fieldIndex < 0
        || fieldIndex >= qryData->fields().count())
        return QString();
    if (qryData->isNull(row, fieldIndex))
        return GridNullText();
    const pg::FieldClass c = qryData->fields().at(fieldIndex).fieldClass;
    if (c == pg::FieldClass::Blob) {
        const QByteArray bytes = qryData->bytes(row, fieldIndex);
        QString hex = QString::fromLatin1(bytes.left(rdata::maxHexBytes).toHex().toUpper());
        if (bytes.size() > rdata::maxHexBytes)
            hex += QChar(0x2026);
        return hex;
    }
    const QString text = qryData->text(row, fieldIndex);
    if (pg::isNumeric(c) && text.startsWith(QLatin1Char('.')))
        return QLatin1Char('0') + text;
    return QString();
}

bool TfraData::stripe(TqvDBGrid *grid) const
{
    const int row = grid->PaintingRecord();
    return AppOption.AddStripe && row >= 0 && (row + 1) % 2 == 1
        && grid->SelectedRecords()->IndexOf(qryData->bookmarkAt(row)) < 0;
}

void TfraData::grdData1DrawColumnCell(QPainter *painter, const QRect &rect, int dataCol,
                                      TColumn *column, int state)
{
    if (grdData1->FieldCount() == 0 || !column)
        return;
    if (stripe(grdData1)) {
        painter->setBrush(rdata::stripeColour);
        painter->setPen(Qt::black);
        grdData1->DefaultDrawColumnCell(*painter, rect, dataCol, column, state);
    }
    const int row = grdData1->PaintingRecord();
    const int field = column->FieldIndex();
    if (field < 0)
        return;
    if (qryData->isNull(row, field)) {
        painter->setPen(GridNullColour(painter->brush().color()));
        DrawGridCellText(*painter, rect, 2, 2, GridNullText(), Qt::AlignLeft);
        return;
    }
    const pg::FieldClass c = qryData->fields().at(field).fieldClass;
    if (pg::isNumeric(c)) {
        const QString text = CellText(row, field);
        if (!text.isEmpty())
            DrawGridCellText(*painter, rect, 2, 2, text, Qt::AlignRight);
    } else if (c == pg::FieldClass::Blob) {
        DrawGridCellText(*painter, rect, 2, 2, CellText(row, field), Qt::AlignLeft);
    }
}

void TfraData::grdData2DrawRowCell(QPainter *painter, const QRect &rect, int dataRow, TRow *rowItem,
                                   int state)
{
    if (grdData2->FieldCount() == 0 || !rowItem)
        return;
    if (stripe(grdData2)) {
        painter->setBrush(rdata::stripeColour);
        painter->setPen(Qt::black);
        grdData2->DefaultDrawRowCell(*painter, rect, dataRow, rowItem, state);
    }
    const int mode = AppOption.DataShowMode;
    const int row = grdData2->PaintingRecord();
    const int field = rowItem->FieldIndex();
    if (field < 0 || mode < 0 || mode > 2)
        return;
    const pg::FieldClass c = qryData->fields().at(field).fieldClass;
    // bytea follows the mode's alignment like every other value: the cell shows "…" where
    // its hexadecimal text is cut
    if (c == pg::FieldClass::Blob && !qryData->isNull(row, field)) {
        DrawGridCellText(*painter, rect, 2, 2, CellText(row, field),
                         mode == 2 ? Qt::AlignRight : Qt::AlignLeft);
        return;
    }
    if (qryData->isNull(row, field)) {
        painter->setPen(GridNullColour(painter->brush().color()));
        DrawGridCellText(*painter, rect, 2, 2, GridNullText(),
                         mode == 2 ? Qt::AlignRight : Qt::AlignLeft);
        return;
    }
    switch (mode) {
    case 0:
        if (pg::isNumeric(c)) {
            const QString text = CellText(row, field);
            if (!text.isEmpty())
                DrawGridCellText(*painter, rect, 2, 2, text, Qt::AlignRight);
        }
        break;
    case 1:
    case 2: {
        QString text = CellText(row, field);
        if (text.isEmpty())
            text = grdData2->DisplayText(row, field);
        DrawGridCellText(*painter, rect, 2, 2, text, mode == 2 ? Qt::AlignRight : Qt::AlignLeft);
        break;
    }
    default:
        break;
    }
}
