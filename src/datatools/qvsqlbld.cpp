#include "qvsqlbld.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvstr.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"
#include "ui/qvgrid.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace qvsqlbld {

constexpr int keyRole = Qt::UserRole + 1;

bool selectKind(TqvSQLType kind)
{
    return kind == sqltSelect || kind == sqltCreateView;
}

// The background of the surface: paints the join lines under the boxes and lets the mouse
// through to the surface.
class Background : public QWidget
{
public:
    Background(QWidget *parent, std::function<void(QPainter &)> paint)
        : QWidget(parent)
        , m_paint(std::move(paint))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_paint(painter);
    }

private:
    std::function<void(QPainter &)> m_paint;
};

// Clears the busy flag however the work ends.
class BusyScope
{
public:
    explicit BusyScope(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyScope() { m_flag = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool &m_flag;
};

} // namespace qvsqlbld

using namespace qvsqlbld;

// ---- TqvSQLBuildTable -----------------------------------------------------------------------

TqvSQLBuildTable::TqvSQLBuildTable(TqvSQLDesigner *owner)
    : QFrame(owner->Surface())
    , FOwner(owner)
{
    setFrameShape(QFrame::Box);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);

    FHeaderPanel = new QLabel(this);
    FHeaderPanel->setObjectName(QStringLiteral("pnlHeader"));
    FHeaderPanel->setAutoFillBackground(true);
    FHeaderPanel->setFixedHeight(FHeaderPanel->fontMetrics().height() + 4);
    FHeaderPanel->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(FHeaderPanel);

    FAlias = new QLineEdit(this);
    FAlias->setObjectName(QStringLiteral("txtAlias"));
    FAlias->setEnabled(selectKind(owner->SQLType()));
    layout->addWidget(FAlias);

    FItemList = new QListWidget(this);
    FItemList->setObjectName(QStringLiteral("lstItem"));
    FItemList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FItemList->setDragEnabled(true);
    layout->addWidget(FItemList);

    const int itemHeight = FItemList->fontMetrics().height() + 2;
    setGeometry(16, 16, 120,
                5 * itemHeight + FHeaderPanel->height() + FAlias->sizeHint().height() + 8);
    owner->FTables.append(this);
}

TqvSQLBuildTable::~TqvSQLBuildTable()
{
    FOwner->forgetBox(this);
}

void TqvSQLBuildTable::setTableSchema(const QString &value)
{
    FTableSchema = value;
    updateCaption();
}

void TqvSQLBuildTable::setTableName(const QString &value)
{
    FTableName = value;
    updateCaption();
}

void TqvSQLBuildTable::updateCaption()
{
    FHeaderPanel->setText(FTableSchema.isEmpty() ? FTableName : FTableSchema + u'.' + FTableName);
}

QString TqvSQLBuildTable::AliasText() const
{
    return FAlias->text();
}

QString TqvSQLBuildTable::Alias() const
{
    return Design().AliasName();
}

void TqvSQLBuildTable::setAlias(const QString &value)
{
    FPrevAliasName = FAlias->text();
    FAlias->setText(value);
}

QString TqvSQLBuildTable::GetSchema() const
{
    return Design().GetSchema(FOwner->currentSchema());
}

QString TqvSQLBuildTable::GetRefName() const
{
    return Design().GetRefName(FOwner->SQLType());
}

TqvSQLDesignTable TqvSQLBuildTable::Design() const
{
    TqvSQLDesignTable t;
    t.TableSchema = FTableSchema;
    t.TableName = FTableName;
    t.AliasText = FAlias->text();
    for (int i = 0; i < FItemList->count(); ++i) {
        const QListWidgetItem *item = FItemList->item(i);
        t.Columns.append({ item->text(), item->data(keyRole).toBool() });
    }
    return t;
}

void TqvSQLBuildTable::setColumns(const QList<TqvSQLBuildColumn> &columns)
{
    FItemList->clear();
    for (const TqvSQLBuildColumn &c : columns) {
        auto *item = new QListWidgetItem(c.Name, FItemList);
        item->setData(keyRole, c.Key);
        if (c.Key) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
}

// ---- TqvSQLBuildConnect ---------------------------------------------------------------------

TqvSQLBuildConnect::TqvSQLBuildConnect(TqvSQLDesigner *owner, TqvSQLBuildTable *table1,
                                       TqvSQLBuildTable *table2, const QString &column1,
                                       const QString &column2)
    : FOwner(owner)
    , FFromTable(table1)
    , FToTable(table2)
    , FFromColumn(column1)
    , FToColumn(column2)
{ }

// ---- TqvSQLDesigner -------------------------------------------------------------------------

TqvSQLDesigner::TqvSQLDesigner(QWidget *parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("sbxDesign"));
    setFocusPolicy(Qt::StrongFocus);
    FPickSortType = { QString(), QStringLiteral("昇順"), QStringLiteral("降順") };
    FPickGroupType = { QString(),
                       QStringLiteral("GROUP BY"),
                       QStringLiteral("HAVING"),
                       QStringLiteral("AVG"),
                       QStringLiteral("COUNT"),
                       QStringLiteral("MAX"),
                       QStringLiteral("MIN"),
                       QStringLiteral("STDDEV"),
                       QStringLiteral("STDDEV_POP"),
                       QStringLiteral("STDDEV_SAMP"),
                       QStringLiteral("SUM"),
                       QStringLiteral("VAR_POP"),
                       QStringLiteral("VAR_SAMP"),
                       QStringLiteral("VARIANCE") };

    // A fixed area of 1024 by 1024 pixels.
    FSurface = new QWidget;
    FSurface->setObjectName(QStringLiteral("pnlSurface"));
    FSurface->setFixedSize(1024, 1024);
    FBackGround = new Background(FSurface, [this](QPainter &p) { PaintConnects(p); });
    FBackGround->setGeometry(0, 0, 1024, 1024);
    setWidget(FSurface);
    setWidgetResizable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(32);
    verticalScrollBar()->setSingleStep(32);
}

TqvSQLDesigner::~TqvSQLDesigner()
{
    m_destroying = true;
    FSQLDesign = true;
    clearBoxes();
}

ConnectionWindow *TqvSQLDesigner::Database() const
{
    return m_databaseWidget ? FDatabase : nullptr;
}

void TqvSQLDesigner::setDatabase(ConnectionWindow *database)
{
    FDatabase = database;
    m_databaseWidget = database ? database->connectionWidget() : nullptr;
}

TqvStringGrid *TqvSQLDesigner::Grid() const
{
    return m_gridAlive ? FGrid : nullptr;
}

TqvMemo *TqvSQLDesigner::SQLText() const
{
    return m_textAlive ? FSQLText : nullptr;
}

void TqvSQLDesigner::setGrid(TqvStringGrid *grid)
{
    if (Grid()) {
        Grid()->removeEventFilter(this);
        disconnect(Grid(), nullptr, this, nullptr);
    }
    FGrid = grid;
    m_gridAlive = grid;
    if (!grid)
        return;
    grid->setColCount(SQLBuildGridCols);
    grid->setRowCount(2);
    grid->setFixedCols(0);
    grid->setFixedRows(1);
    grid->installEventFilter(this);
    connect(grid, &TqvStringGrid::OnDrawCell, this, &TqvSQLDesigner::GridDrawCell);
    connect(grid, &TqvStringGrid::OnSelectCell, this, &TqvSQLDesigner::GridSelectCell);
    connect(grid, &TqvStringGrid::OnSetEditText, this, &TqvSQLDesigner::GridSetEditText);
    connect(grid, &TqvStringGrid::OnGetPickListitems, this, &TqvSQLDesigner::GridGetPickListItems);
    applyGridLabels();
    grid->Save();
}

void TqvSQLDesigner::setSQLText(TqvMemo *editor)
{
    if (SQLText())
        disconnect(SQLText(), nullptr, this, nullptr);
    FSQLText = editor;
    m_textAlive = editor;
    if (editor)
        connect(editor, &QsciScintilla::textChanged, this, &TqvSQLDesigner::updateEnabled);
}

QList<TqvSQLBuildConnect *> TqvSQLDesigner::Connects() const
{
    QList<TqvSQLBuildConnect *> lines;
    for (const auto &line : FConnects)
        lines.append(line.get());
    return lines;
}

void TqvSQLDesigner::setSelected(TqvSQLBuildTable *box)
{
    FSelected = FTables.contains(box) ? box : nullptr;
}

QString TqvSQLDesigner::currentSchema() const
{
    ConnectionWindow *db = Database();
    return db ? db->dbsMain()->param(QStringLiteral("MetaDefSchema")) : QString();
}

bool TqvSQLDesigner::ColumnUsed(int col) const
{
    switch (col) {
    case gcAlias:
        return FSQLType == sqltSelect || FSQLType == sqltCreateView || FSQLType == sqltInsert
            || FSQLType == sqltUpdate;
    case gcShow:
    case gcSort:
    case gcSortOrder:
    case gcGroup:
        return selectKind(FSQLType);
    case gcCondition:
        return FSQLType == sqltSelect || FSQLType == sqltUpdate || FSQLType == sqltDelete
            || FSQLType == sqltCreateView;
    default:
        return true;
    }
}

bool TqvSQLDesigner::mayOverwrite()
{
    if (!m_refused)
        return true;
    if (ShowMessageBox(QStringLiteral("エディタの SQL は SQLビルダ上に表示出来ません。"
                                      "デザインから作成した SQL で置き換えますか？"),
                       MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return false;
    m_refused = false;
    return true;
}

void TqvSQLDesigner::applyGridLabels()
{
    if (!Grid())
        return;
    Grid()->setCells(gcAlias, 0,
                     selectKind(FSQLType) ? QStringLiteral("別名") : QStringLiteral("値"));
    Grid()->SetEditStyles(gcShow, selectKind(FSQLType) ? geCheckBox : geViewCheckBox);
}

void TqvSQLDesigner::setSQLType(TqvSQLType kind)
{
    if (kind == FSQLType)
        return;
    FSQLType = kind;
    if (!FSQLDesign) {
        const bool overwrite = mayOverwrite();
        BusyScope busy(FSQLDesign);
        Clear();
        if (Grid())
            Grid()->Clear();
        if (SQLText() && overwrite) {
            SQLText()->clear();
            FSaveSQL.clear();
        }
    }
    applyGridLabels();
    updateEnabled();
}

void TqvSQLDesigner::forgetBox(TqvSQLBuildTable *box)
{
    if (FSelected == box)
        FSelected = nullptr;
    for (auto it = FConnects.end(); it != FConnects.begin();) {
        --it;
        if ((*it)->FromTable() == box || (*it)->ToTable() == box)
            it = FConnects.erase(it);
    }
    FTables.removeAll(box);
}

void TqvSQLDesigner::clearBoxes()
{
    FSelected = nullptr;
    FConnects.clear();
    while (!FTables.isEmpty())
        delete FTables.last();
    if (FBackGround)
        FBackGround->update();
}

void TqvSQLDesigner::Clear()
{
    clearBoxes();
}

TqvSQLBuildTable *TqvSQLDesigner::newBox(const QString &alias)
{
    auto *box = new TqvSQLBuildTable(this);
    box->setAlias(alias);
    QList<QRect> others;
    for (const TqvSQLBuildTable *t : std::as_const(FTables)) {
        if (t != box)
            others.append(t->geometry());
    }
    const QPoint origin(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QRect start = box->geometry();
    const QRect placed
        = PlaceDesignTable(start.translated(origin), others, viewport()->width() + origin.x());
    box->setGeometry(placed);
    box->setEnabled(InStep());
    box->show();
    return box;
}

TqvSQLBuildTable *TqvSQLDesigner::AddTable(const QString &tableName)
{
    return AddTable(tableName, selectKind(FSQLType) ? NewAliasName() : QString());
}

TqvSQLBuildTable *TqvSQLDesigner::AddTable(const QString &tableName, const QString &alias)
{
    TqvSQLBuildTable *box = newBox(alias);
    ConnectionWindow *db = Database();
    if (!db)
        return box;
    TqvSQLBuildConnCatalog catalog(db);
    const TqvSQLDesignTable t = NewDesignTable(FSQLType, tableName, alias, &catalog);
    box->setTableName(t.TableName);
    box->setTableSchema(t.TableSchema);
    box->setColumns(t.Columns);
    return box;
}

void TqvSQLDesigner::RemoveTable(TqvSQLBuildTable *box)
{
    if (!box || !FTables.contains(box))
        return;
    const QString prefix = box->Alias() + u'.';
    forgetBox(box);
    if (Grid() && !m_destroying) {
        const int last = Grid()->RowCount() - 1;
        for (int row = last; row >= 1; --row) {
            if (selectKind(FSQLType)) {
                if (TrimBlanks(Grid()->Cells(gcExpr, row)).startsWith(prefix))
                    Grid()->DeleteRow(row);
            } else if (row < last) {
                Grid()->DeleteRow(row);
            }
        }
    }
    delete box;
    FBackGround->update();
    DesignToSQL();
}

TqvSQLBuildConnect *TqvSQLDesigner::AddConnect(TqvSQLBuildTable *table1, TqvSQLBuildTable *table2,
                                               const QString &column1, const QString &column2)
{
    FConnects.push_back(
        std::make_unique<TqvSQLBuildConnect>(this, table1, table2, column1, column2));
    return FConnects.back().get();
}

void TqvSQLDesigner::DeleteConnect(TqvSQLBuildConnect *line)
{
    std::erase_if(FConnects, [line](const auto &l) { return l.get() == line; });
}

QString TqvSQLDesigner::NewAliasName() const
{
    return Design().NewAliasName();
}

TqvSQLBuildTable *TqvSQLDesigner::FindTable(const QString &alias, const QString &column) const
{
    const int index = Design().FindTable(alias, column);
    return index >= 0 ? FTables.at(index) : nullptr;
}

TqvSQLDesign TqvSQLDesigner::Design() const
{
    TqvSQLDesign d;
    d.SQLType = FSQLType;
    d.ViewName = FViewName;
    for (const TqvSQLBuildTable *box : FTables)
        d.Tables.append(box->Design());
    for (const auto &line : FConnects) {
        TqvSQLDesignConnect c;
        c.FromTable = int(FTables.indexOf(line->FromTable()));
        c.ToTable = int(FTables.indexOf(line->ToTable()));
        c.FromColumn = line->FromColumn();
        c.ToColumn = line->ToColumn();
        c.ConnectType = line->ConnectType();
        c.JoinType = line->JoinType();
        d.Connects.append(c);
    }
    if (Grid()) {
        for (int row = 1; row < Grid()->RowCount(); ++row) {
            QStringList cells;
            for (int col = 0; col < SQLBuildGridCols; ++col)
                cells.append(Grid()->Cells(col, row));
            d.Rows.append(cells);
        }
    }
    return d;
}

bool TqvSQLDesigner::InStep() const
{
    return !m_refused && SQLText() && SQLText()->text() == FSaveSQL;
}

void TqvSQLDesigner::updateEnabled()
{
    const bool on = InStep();
    for (TqvSQLBuildTable *box : std::as_const(FTables))
        box->setEnabled(on);
}

void TqvSQLDesigner::DesignToSQL()
{
    if (FSQLDesign || !Database() || !Grid() || !SQLText())
        return;
    if (!mayOverwrite())
        return;
    {
        BusyScope busy(FSQLDesign);
        SQLWaitCursor wait;
        TqvSQLDesign d = Design();
        const QStringList lines = DesignToSQLLines(d, currentSchema());
        const QString text = lines.isEmpty() ? QString() : FormatSQL(lines.join(u'\n'));
        SQLText()->BeginUpdate();
        SQLText()->setText(text);
        SQLText()->EndUpdate();
        if (!SQLText()->isModified() && !text.isEmpty())
            SQLText()->setModified(true);
        SQLText()->setCursorPosition(0, 0);
        // the sort columns as written
        for (int i = 0; i < d.Rows.size() && i + 1 < Grid()->RowCount(); ++i) {
            Grid()->setCells(gcSort, i + 1, d.Rows[i][gcSort]);
            Grid()->setCells(gcSortOrder, i + 1, d.Rows[i][gcSortOrder]);
        }
        FSaveSQL = SQLText()->text();
        Grid()->Save();
    }
    updateEnabled();
}

void TqvSQLDesigner::SQLToDesign()
{
    if (FSQLDesign || !Database() || !Grid() || !SQLText())
        return;
    const QString text = SQLText()->text();
    if (text == FSaveSQL)
        return;
    TqvSQLDesign d;
    d.SQLType = FSQLType;
    d.ViewName = FViewName;
    bool refused = false;
    {
        BusyScope busy(FSQLDesign);
        SQLWaitCursor wait;
        Clear();
        Grid()->Clear();
        const auto finish = [&] {
            FSaveSQL = text;
            Grid()->Save();
        };
        try {
            TqvSQLBuildConnCatalog catalog(Database());
            SQLTextToDesign(text, d, &catalog);
        } catch (const ESQLParseError &) {
            refused = true;
        } catch (...) {
            finish();
            throw;
        }
        if (!refused) {
            setSQLType(d.SQLType); // busy: relabels the grid only
            FViewName = d.ViewName;
            for (const TqvSQLDesignTable &t : std::as_const(d.Tables)) {
                TqvSQLBuildTable *box = newBox(t.AliasText);
                box->setTableName(t.TableName);
                box->setTableSchema(t.TableSchema);
                box->setColumns(t.Columns);
            }
            for (const TqvSQLDesignConnect &c : std::as_const(d.Connects)) {
                TqvSQLBuildConnect *line = AddConnect(
                    FTables.at(c.FromTable), FTables.at(c.ToTable), c.FromColumn, c.ToColumn);
                line->setConnectType(c.ConnectType);
                line->setJoinType(c.JoinType);
            }
            Grid()->setRowCount(int(d.Rows.size()) + 1);
            for (int i = 0; i < d.Rows.size(); ++i) {
                for (int col = 0; col < SQLBuildGridCols; ++col)
                    Grid()->setCells(col, i + 1, d.Rows[i][col]);
            }
        }
        m_refused = refused;
        finish();
    }
    FBackGround->update();
    updateEnabled();
    if (refused) {
        // The user's text stays as typed and is not read again until it changes.
        ShowMessageBox(SQLBuildRefusedMessage(), MB_OK | MB_ICONEXCLAMATION);
        throw SilentAbort();
    }
}

void TqvSQLDesigner::focusInEvent(QFocusEvent *event)
{
    QScrollArea::focusInEvent(event);
    RunGuarded([this] { SQLToDesign(); });
}

bool TqvSQLDesigner::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Grid() && Grid() && event->type() == QEvent::FocusIn)
        RunGuarded([this] { SQLToDesign(); });
    return QScrollArea::eventFilter(watched, event);
}

// ---- grid handlers --------------------------------------------------------------------------

void TqvSQLDesigner::GridDrawCell(int col, int row, QPainter *painter, const QRect &rect, int)
{
    if (row < 1 || ColumnUsed(col) || !Grid())
        return;
    painter->fillRect(rect, palette().color(QPalette::Button));
    if (col == gcShow)
        Grid()->DrawCheck(*painter, col, row, rect, false);
    else
        painter->drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          Grid()->Cells(col, row));
}

void TqvSQLDesigner::GridSelectCell(int col, int, bool &canSelect)
{
    if (!Grid())
        return;
    if (ColumnUsed(col) && col != gcShow) {
        Grid()->setOptions(Grid()->Options() | goEditing);
    } else {
        Grid()->setEditorMode(false);
        Grid()->setOptions(Grid()->Options() & ~TGridOptions(goEditing));
        Grid()->setEditorMode(false);
    }
    canSelect = true;
}

void TqvSQLDesigner::GridSetEditText(int col, int row, const QString &value)
{
    if (!Grid() || !Grid()->IsChanged())
        return;
    const auto isBlank = [](const QString &s) { return TrimBlanks(s).isEmpty(); };
    if (col == gcSort && isBlank(value))
        Grid()->setCells(gcSortOrder, row, QString());
    if (col == gcSortOrder && isBlank(value))
        Grid()->setCells(gcSort, row, QString());
    if (row == Grid()->RowCount() - 1
        && (!isBlank(Grid()->Cells(gcExpr, row)) || !isBlank(Grid()->Cells(gcAlias, row)))) {
        Grid()->setRowCount(Grid()->RowCount() + 1);
        if (col != gcShow && selectKind(FSQLType))
            Grid()->SetChecked(gcShow, row, true);
    }
    DesignToSQL();
    Grid()->Save();
}

void TqvSQLDesigner::GridGetPickListItems(int col, int, QStringList &items)
{
    if (col == gcExpr) {
        FPickColumns.clear();
        for (const TqvSQLBuildTable *box : std::as_const(FTables)) {
            const TqvSQLDesignTable t = box->Design();
            const QString prefix = t.GetRefName(FSQLType);
            for (const TqvSQLBuildColumn &c : t.Columns)
                FPickColumns.append(prefix + (c.Name == u"*" ? c.Name : QuoteName(c.Name)));
        }
        items = FPickColumns;
    } else if (col == gcSort) {
        items = FPickSortType;
    } else if (col == gcGroup) {
        items = FPickGroupType;
    }
}

void TqvSQLDesigner::PaintConnects(QPainter &painter)
{
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    for (const auto &line : FConnects) {
        const QRect a = line->FromTable()->geometry();
        const QRect b = line->ToTable()->geometry();
        const bool leftToRight = a.center().x() <= b.center().x();
        const QPoint from(leftToRight ? a.right() : a.left(), a.center().y());
        const QPoint to(leftToRight ? b.left() : b.right(), b.center().y());
        painter.drawLine(from, to);
    }
}
