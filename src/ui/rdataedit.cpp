#include "rdataedit.h"

#include "flob.h"
#include "qvdbgrid.h"
#include "qvlongtext.h"
#include "rdata.h"
#include "rdatasql.h"

#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/query.h"
#include "platform/pg/transaction.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollArea>
#include <QToolButton>

#include <functional>

namespace rdataedit {

bool textField(pg::FieldClass c)
{
    return c == pg::FieldClass::String || c == pg::FieldClass::FixedChar
        || c == pg::FieldClass::Memo;
}

bool dateField(pg::FieldClass c)
{
    return c == pg::FieldClass::Date || c == pg::FieldClass::Timestamp
        || c == pg::FieldClass::TimestampTz;
}

// Tells the frame when the picker's calendar closes, which ends the picker as well.
class CalendarCloseWatch : public QObject
{
public:
    CalendarCloseWatch(QObject *parent, std::function<void()> closed)
        : QObject(parent)
        , m_closed(std::move(closed))
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_closed();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_closed;
};

} // namespace rdataedit

QString TotalFunction(TDataTotal total)
{
    switch (total) {
    case TDataTotal::Count:
        return QStringLiteral("SELECT COUNT(");
    case TDataTotal::Sum:
        return QStringLiteral("SELECT SUM(");
    case TDataTotal::Average:
        return QStringLiteral("SELECT AVG(");
    case TDataTotal::Max:
        return QStringLiteral("SELECT MAX(");
    case TDataTotal::Min:
        return QStringLiteral("SELECT MIN(");
    }
    return QString();
}

QString TotalLabel(TDataTotal total)
{
    switch (total) {
    case TDataTotal::Count:
        return QStringLiteral("列の件数 = ");
    case TDataTotal::Sum:
        return QStringLiteral("列の合計 = ");
    case TDataTotal::Average:
        return QStringLiteral("列の平均 = ");
    case TDataTotal::Max:
        return QStringLiteral("列の最大 = ");
    case TDataTotal::Min:
        return QStringLiteral("列の最小 = ");
    }
    return QString();
}

QString BuildTotalQuery(TDataTotal total, const QString &column, const QString &sql)
{
    const QString text = RemoveTrailingSemicolon(sql).trimmed();
    if (text.isEmpty() || !IsWrappableQuery(text))
        return QString();
    return TotalFunction(total) + QuoteName(column) + QStringLiteral("), COUNT(*) FROM (\n") + text
        + QStringLiteral("\n) TBL");
}

QString TotalMessage(TDataTotal total, const QString &column, const QString &value, bool isNull)
{
    return QLatin1Char('"') + column + QLatin1Char('"') + TotalLabel(total)
        + (isNull ? QStringLiteral("NULL") : value);
}

// ---------------------------------------------------------------------------------------------
// TfraData: the editing commands

void TfraData::connectEditCommands()
{
    dtpInputDate->setCalendarPopup(true);
    // the picker edits the wall-clock value of the cell; no zone of this machine applies
    dtpInputDate->setTimeSpec(Qt::UTC);
    dtpInputDate->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    connect(dtpInputDate, &QDateTimeEdit::dateTimeChanged, this,
            [this] { RunGuarded([this] { dtpInputdateChange(); }); });
    // a click on the day already shown changes nothing, yet picks it (an empty cell)
    connect(dtpInputDate->calendarWidget(), &QCalendarWidget::clicked, this,
            [this](const QDate &date) {
                RunGuarded([this, date] { writePickedDate(date, dtpInputDate->time()); });
            });
    connect(dtpInputDate, &QDateTimeEdit::editingFinished, this, [this] { dtpInputDateCloseUp(); });
    dtpInputDate->calendarWidget()->window()->installEventFilter(
        new rdataedit::CalendarCloseWatch(this, [this] {
            // the calendar is hidden before the picker takes the clicked day
            QMetaObject::invokeMethod(
                this, [this] { dtpInputDateCloseUp(); }, Qt::QueuedConnection);
        }));
    connect(qryData, &pg::DataSet::aboutToBeReset, this, [this] {
        m_dateField = -1;
        dtpInputDate->hide();
    });

    connect(grdData1, &TqvDBGrid::OnKeyDown, this, &TfraData::grdData1KeyDown);
    connect(grdData2, &TqvDBGrid::OnKeyDown, this, &TfraData::grdData2KeyDown);
    for (TqvDBGrid *grid :
         { static_cast<TqvDBGrid *>(grdData1), static_cast<TqvDBGrid *>(grdData2) }) {
        connect(grid, &TqvDBGrid::OnEditButtonClick, this, &TfraData::grdData1EditButtonClick);
        connect(grid, &TqvDBGrid::OnDblClick, this, &TfraData::grdData1EditButtonClick);
    }
    connect(popColumn, &QMenu::aboutToShow, this, &TfraData::popColumnPopup);
    const struct
    {
        const char *name;
        void (TfraData::*handler)();
    } totals[] = {
        { "mnuCount", &TfraData::mnuCountClick },     { "mnuSum", &TfraData::mnuSumClick },
        { "mnuAverage", &TfraData::mnuAverageClick }, { "mnuMax", &TfraData::mnuMaxClick },
        { "mnuMin", &TfraData::mnuMinClick },
    };
    for (const auto &t : totals) {
        if (QAction *a = popColumn->findChild<QAction *>(QLatin1String(t.name)))
            connect(a, &QAction::triggered, this, t.handler);
    }
}

void TfraData::btnDelClick()
{
    if (!qryData->isActive())
        return;
    TqvDBGrid *grid = VisibleGrid();
    if (grid->ReadOnly() || !qryData->canModify() || qryData->currentRow() < 0)
        return;
    if (ShowMessageBox(QStringLiteral("レコードを削除しますか？"), MB_OKCANCEL | MB_ICONQUESTION)
        != IDOK)
        return;
    const bool selected = grid->SelectedRecords()->Count() > 0;
    grid->UpdateData();
    grid->DeleteRecords();
    // after selected records, the result is read again (its text, sort and limit stay): it
    // shows what the session now holds, also when a delete failed part way
    if (selected)
        qryData->refresh();
}

void TfraData::grdData1KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    nullFromKeyboard(grdData1, key, shift);
}

void TfraData::grdData2KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    nullFromKeyboard(grdData2, key, shift);
}

void TfraData::nullFromKeyboard(TqvDBGrid *grid, int &key, Qt::KeyboardModifiers shift)
{
    if (!btnUpdate->isChecked() || key != Qt::Key_0 || !(shift & Qt::ControlModifier)
        || (shift & (Qt::AltModifier | Qt::ShiftModifier)))
        return;
    key = 0;
    RunGuarded([this, grid] {
        const int field = grid->SelectedFieldIndex();
        if (!canEditValue(field) || grid->ReadOnly())
            return;
        // what the cell's editor holds is dropped: the cell is NULL now
        if (grid->DataLink()->IsModified())
            grid->DataLink()->Reset();
        qryData->setNull(field);
    });
}

bool TfraData::canEditValue(int field) const
{
    return btnUpdate->isChecked() && qryData->isActive() && qryData->canModify()
        && qryData->currentRow() >= 0 && field >= 0 && field < qryData->fields().count()
        && qryData->isFieldWritable(field);
}

void TfraData::grdData1EditButtonClick()
{
    if (!qryData->isActive())
        return;
    TqvDBGrid *grid = VisibleGrid();
    const int field = grid->SelectedFieldIndex();
    if (field < 0 || qryData->currentRow() < 0)
        return;
    RunGuarded([this, grid, field] {
        // the cell's editor writes what it holds first, so that the editors see it
        grid->UpdateData();
        EditTextValue(grid, field);
        EditDateValue(grid, field);
        EditLobValue(grid, field);
    });
}

void TfraData::EditTextValue(TqvDBGrid *grid, int field)
{
    if (!rdataedit::textField(qryData->fields().at(field).fieldClass))
        return;
    const int index = grid->SelectedIndex();
    if (index < 0 || index >= grid->Items()->Count()
        || grid->Items()->Item(index)->ButtonStyle() != cbsEllipsis)
        return;
    const bool readOnly = ownerIs("TfrmMView") || !canEditValue(field);
    const bool wasNull = qryData->isNull(field);
    const QString old = wasNull ? QString() : qryData->text(field);
    QString text = old;
    bool isNull = wasNull;
    const int result = ShowLongTextEditor(text, isNull, true, readOnly);
    if (result == IDOK && !readOnly && canEditValue(field)
        && (isNull != wasNull || (!isNull && text != old))) {
        if (isNull)
            qryData->setNull(field);
        else
            qryData->setText(field, text);
    }
    grid->setFocus();
}

void TfraData::EditDateValue(TqvDBGrid *grid, int field)
{
    const pg::FieldClass c = qryData->fields().at(field).fieldClass;
    if (!rdataedit::dateField(c) || ownerIs("TfrmMView") || !canEditValue(field))
        return;
    const TDateCellText cell
        = ParseDateCellText(qryData->isNull(field) ? QString() : qryData->text(field));
    if (!DatePickerCanEdit(cell)) {
        ShowMessageBox(QStringLiteral("この値は日付の選択では編集できません。"
                                      "セルに直接入力してください。"),
                       MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_dateCell = cell;
    m_dateField = field;
    m_dateRecord = qryData->bookmark();
    m_dateWithTime = c != pg::FieldClass::Date;

    // over the current cell
    QRect cellRect = grid->GetCellRect(grid->Col(), grid->Row());
    if (cellRect.isEmpty())
        cellRect = QRect(0, 0, 160, grid->DefaultRowHeight());
    const QPoint topLeft = grid->viewport()->mapTo(this, cellRect.topLeft());
    {
        const QSignalBlocker quiet(dtpInputDate);
        dtpInputDate->setDisplayFormat(m_dateWithTime ? AppOption.DateFormat + QLatin1Char(' ')
                                               + AppOption.TimeFormat
                                                      : AppOption.DateFormat);
        const bool finite = cell.kind == TDateCellText::Finite;
        dtpInputDate->setDateTime(QDateTime(finite ? cell.date : QDate::currentDate(),
                                            finite && cell.hasTime ? cell.time : QTime(0, 0),
                                            Qt::UTC));
    }
    dtpInputDate->setGeometry(topLeft.x(), topLeft.y(), qMax(cellRect.width() + 1, 150),
                              cellRect.height() + 2);
    dtpInputDate->show();
    dtpInputDate->raise();
    dtpInputDate->setFocus();
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QCoreApplication::sendEvent(dtpInputDate, &f4);
}

void TfraData::EditLobValue(TqvDBGrid *grid, int field)
{
    if (qryData->fields().at(field).fieldClass != pg::FieldClass::Blob)
        return;
    const bool readOnly
        = ownerIs("TfrmSQL") || ownerIs("TfrmView") || ownerIs("TfrmMView") || !canEditValue(field);
    const TLobValue old = qryData->isNull(field) ? TLobValue() : TLobValue(qryData->bytes(field));
    TLobValue value;
    const bool accepted = TfrmLob::ShowWindow(OwnerWindow(), qryData, field, value, readOnly);
    // nothing is written that the user did not change
    if (accepted && !readOnly && value != old && canEditValue(field)) {
        if (value)
            qryData->setBytes(field, *value);
        else
            qryData->setNull(field);
    }
    grid->setFocus();
}

void TfraData::dtpInputdateChange()
{
    if (!dtpInputDate->isVisible())
        return;
    const QDateTime value = dtpInputDate->dateTime();
    writePickedDate(value.date(), value.time());
}

void TfraData::writePickedDate(const QDate &date, const QTime &time)
{
    // only the record and the field the picker was opened on
    if (m_dateField < 0 || !qryData->isActive() || qryData->bookmark() != m_dateRecord
        || !canEditValue(m_dateField))
        return;
    const QString text = DateCellText(m_dateCell, date, time, m_dateWithTime);
    const QString now = qryData->isNull(m_dateField) ? QString() : qryData->text(m_dateField);
    if (text != now)
        qryData->setText(m_dateField, text);
}

void TfraData::dtpInputDateCloseUp()
{
    if (!dtpInputDate->isVisible())
        return;
    m_dateField = -1;
    dtpInputDate->hide();
    QWidget *calendar = dtpInputDate->calendarWidget()->window();
    if (calendar->isVisible())
        calendar->hide();
    VisibleGrid()->setFocus();
}

void TfraData::popColumnPopup()
{
    const int field = VisibleGrid()->SelectedIndex();
    if (m_gridType && !SelectedColumn && field >= 0 && field < grdData1->Columns()->Count())
        SelectedColumn = grdData1->Columns()->Items(field);
    if (!m_gridType && !SelectedRow && field >= 0 && field < grdData2->Rows()->Count())
        SelectedRow = grdData2->Rows()->Items(field);
}

void TfraData::mnuCountClick()
{
    showTotal(int(TDataTotal::Count));
}

void TfraData::mnuSumClick()
{
    showTotal(int(TDataTotal::Sum));
}

void TfraData::mnuAverageClick()
{
    showTotal(int(TDataTotal::Average));
}

void TfraData::mnuMaxClick()
{
    showTotal(int(TDataTotal::Max));
}

void TfraData::mnuMinClick()
{
    showTotal(int(TDataTotal::Min));
}

void TfraData::showTotal(int which)
{
    const auto total = TDataTotal(which);
    pg::Connection *connection = qryData->connection();
    if (!qryData->isActive() || !connection)
        return;
    popColumnPopup();
    const int field = m_gridType ? (SelectedColumn ? SelectedColumn->FieldIndex() : -1)
                                 : (SelectedRow ? SelectedRow->FieldIndex() : -1);
    if (field < 0 || field >= qryData->fields().count())
        return;
    const QString name = qryData->fields().at(field).name;
    const QString host = SQL().trimmed().isEmpty() ? qryData->sql() : SQL();
    QString value;
    bool isNull = false;
    qint64 rows = 0;
    bool ok = false;
    QString failure;
    {
        const SQLWaitCursor wait;
        try {
            const QString sql = BuildTotalQuery(total, name, host);
            if (sql.isEmpty())
                throw std::runtime_error("not a query");
            // the host's parameters, by name, with the values it was opened with
            pg::Query &source = qryData->query();
            pg::Query query(*connection);
            query.setParamScanning(source.paramScanning());
            query.setSql(sql);
            for (int i = 0; i < source.paramCount(); ++i) {
                if (source.isBound(i) && query.paramNames().contains(source.paramNames().at(i)))
                    query.bind(source.paramNames().at(i), source.boundValue(i));
            }
            // a total that fails must not break the transaction the user's changes are in
            pg::Transaction unit(*connection);
            const pg::Result result = query.open();
            unit.rollback();
            isNull = result.isNull(0, 0);
            value = result.text(0, 0);
            rows = result.text(0, 1).toLongLong();
            ok = true;
        } catch (const pg::Error &e) {
            failure = e.text();
        } catch (const std::exception &) { }
    }
    if (!ok) {
        ShowMessageBox(QStringLiteral("集計情報を求めることができません。")
                           + (failure.isEmpty() ? QString() : QStringLiteral("\n\n") + failure),
                       MB_OK | MB_ICONWARNING);
        return;
    }
    if (rows == 0 && total != TDataTotal::Count) {
        ShowMessageBox(QStringLiteral("レコードがありません"), MB_OK | MB_ICONWARNING);
        return;
    }
    ShowMessageBox(TotalMessage(total, name, value, isNull), MB_OK);
}
