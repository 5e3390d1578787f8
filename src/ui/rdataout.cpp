#include "rdataout.h"

#include "fxlssql.h"
#include "qvdbgrid.h"
#include "qvdbgridtext.h"
#include "qvforms.h"
#include "qvgrid.h"
#include "qvstdctl.h"
#include "rdata.h"
#include "rdatasql.h"

#include "core/qvappwindows.h"
#include "core/qvcancel.h"
#include "core/qvexcept.h"
#include "core/qvfile.h"
#include "core/qvmsgbox.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/query.h"
#include "platform/workbook/workbook.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>

#include <cmath>

namespace rdataout {

// The status bar's progress is written every this many records (and for the last one).
constexpr int progressStep = 256;
// The width of the title column of the per-column layout, and of fields without a bound.
constexpr double titleColumnWidth = 20;
constexpr int unboundedWidth = 10;

void progress(int now, int total)
{
    if (MainWindowServices *main = mainWindowServices())
        main->SetLoopMessage(now, total);
}

void progressDone()
{
    if (MainWindowServices *main = mainWindowServices())
        main->SetDefMessage();
}

QList<int> visibleFields(const pg::DataSet *set)
{
    QList<int> fields;
    for (int i = 0; i < set->fields().count(); ++i) {
        if (set->fields().at(i).visible)
            fields << i;
    }
    return fields;
}

bool textField(pg::FieldClass c)
{
    return pg::isTextual(c) || c == pg::FieldClass::Blob;
}

// The owner editor's column comments by column name; empty for other owners.
QHash<QString, QString> ownerComments(const TfraData *frame)
{
    QHash<QString, QString> comments;
    QWidget *owner = frame->OwnerWindow();
    if (!owner)
        return comments;
    int nameCol = -1;
    int commentCol = -1;
    if (owner->inherits("TfrmTable")) {
        nameCol = 1;
        commentCol = 6;
    } else if (owner->inherits("TfrmView") || owner->inherits("TfrmMView")) {
        nameCol = 0;
        commentCol = 3;
    } else {
        return comments;
    }
    auto *grid = owner->findChild<TqvStringGrid *>(QStringLiteral("grdColumn"));
    if (!grid || grid->ColCount() <= qMax(nameCol, commentCol))
        return comments;
    for (int row = 1; row < grid->RowCount(); ++row) {
        const QString name = grid->Cells(nameCol, row);
        if (!comments.contains(name)) // the first row of a name counts
            comments.insert(name, grid->Cells(commentCol, row));
    }
    return comments;
}

// The Connection and parameter values of the frame's statement.
QList<QPair<QString, pg::Param>> boundValues(const TfraData *frame)
{
    QList<QPair<QString, pg::Param>> values;
    pg::Query &q = frame->qryData->query();
    for (int i = 0; i < q.paramCount(); ++i) {
        if (q.isBound(i))
            values.append({ q.paramNames().at(i), q.boundValue(i) });
    }
    return values;
}

// Whether a numeric text keeps all its digits as a double.
bool fitsDouble(const QString &text)
{
    int digits = 0;
    bool leading = true;
    for (const QChar c : text) {
        if (!c.isDigit())
            continue;
        if (leading && c == QLatin1Char('0'))
            continue;
        leading = false;
        ++digits;
    }
    return digits <= 15;
}

struct Formats
{
    int text = -1;
    int date = -1;
    int stamp = -1;
    int stampFraction = -1;
};

void writeValue(workbook::Sheet &sheet, int r, int c, const pg::DataSet *set, int row, int field,
                const Formats &formats)
{
    if (set->isNull(row, field))
        return;
    const pg::FieldClass cls = set->fields().at(field).fieldClass;
    const QString text = OutputValueText(set, row, field);
    bool ok = false;
    switch (cls) {
    case pg::FieldClass::SmallInt:
    case pg::FieldClass::Integer:
    case pg::FieldClass::LongWord: {
        const double v = text.toDouble(&ok);
        if (ok) {
            sheet.setNumber(r, c, v);
            return;
        }
        break;
    }
    case pg::FieldClass::LargeInt: {
        const qint64 v = text.toLongLong(&ok);
        if (ok && std::llabs(v) <= (qint64(1) << 53)) {
            sheet.setNumber(r, c, double(v));
            return;
        }
        break;
    }
    case pg::FieldClass::Float:
    case pg::FieldClass::BCD: {
        const double v = text.toDouble(&ok);
        if (ok && std::isfinite(v) && (cls == pg::FieldClass::Float || fitsDouble(text))) {
            sheet.setNumber(r, c, v);
            return;
        }
        break;
    }
    case pg::FieldClass::Date: {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (workbook::DateSerial(d) >= 0) {
            sheet.setDate(r, c, d, formats.date);
            return;
        }
        break;
    }
    case pg::FieldClass::Timestamp: {
        QString iso = text;
        iso.replace(QLatin1Char(' '), QLatin1Char('T'));
        const QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
        if (workbook::DateSerial(t) >= 0) {
            sheet.setDateTime(
                r, c, t, text.contains(QLatin1Char('.')) ? formats.stampFraction : formats.stamp);
            return;
        }
        break;
    }
    default:
        break;
    }
    // a cell keeps its line breaks as LF, as the clipboard text hands them over
    QString cellText = text;
    cellText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cellText.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    sheet.setText(r, c, cellText);
}

} // namespace rdataout

QString OutputValueText(const pg::DataSet *set, int row, int field)
{
    if (set->isNull(row, field))
        return QString();
    switch (set->fields().at(field).fieldClass) {
    case pg::FieldClass::Blob:
        return QString::fromLatin1(set->bytes(row, field).toHex().toUpper());
    case pg::FieldClass::Boolean: {
        const QByteArrayView raw = set->raw(row, field);
        return !raw.isEmpty() && raw.at(0) == 't' ? QStringLiteral("true")
                                                  : QStringLiteral("false");
    }
    default:
        return set->text(row, field);
    }
}

QStringList OutputTitles(const TfraData *frame, TTitleMode mode)
{
    const pg::DataSet *set = frame->qryData;
    const QHash<QString, QString> comments
        = mode == tmComment ? rdataout::ownerComments(frame) : QHash<QString, QString>();
    QStringList titles;
    for (int field : rdataout::visibleFields(set)) {
        const QString name = set->fields().at(field).name;
        const QString comment = comments.value(name);
        titles << (comment.isEmpty() ? name : comment);
    }
    return titles;
}

bool BuildClipboardText(const TfraData *frame, bool header, TTitleMode titles, QChar separator,
                        QString *text)
{
    const pg::DataSet *set = frame->qryData;
    const QList<int> fields = rdataout::visibleFields(set);
    QString out;
    if (header) {
        const QStringList names
            = OutputTitles(frame, titles == tmComment ? tmComment : tmColumnName);
        out += names.join(separator) + QStringLiteral("\r\n");
    }
    const int count = set->recordCount();
    rdataout::progress(0, count);
    bool cancelled = false;
    for (int row = 0; row < count; ++row) {
        if (EscapePressed()) {
            cancelled = true;
            break;
        }
        if ((row + 1) % rdataout::progressStep == 0 || row + 1 == count)
            rdataout::progress(row + 1, count);
        for (int i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out += separator;
            out += GridCopyValueText(OutputValueText(set, row, fields[i]));
        }
        out += QStringLiteral("\r\n");
    }
    *text = out;
    return !cancelled;
}

qint64 CountHostRows(const TfraData *frame)
{
    pg::Connection *connection = frame->qryData->connection();
    if (!connection)
        throw pg::Error(QStringLiteral("08003"), QStringLiteral("接続されていません。"));
    // the host's text; for a window that runs qryData itself, the statement qryData runs
    const QString sql = frame->SQL().trimmed().isEmpty() ? frame->qryData->sql() : frame->SQL();
    pg::Query query(*connection, BuildCountQuery(sql));
    for (const auto &value : rdataout::boundValues(frame)) {
        if (query.paramNames().contains(value.first))
            query.bind(value.first, value.second);
    }
    const pg::Result result = query.open();
    if (result.rowCount() < 1)
        throw pg::Error(QStringLiteral("02000"), QStringLiteral("件数を取得できませんでした。"));
    return result.text(0, 0).toLongLong();
}

TOutputEnd WriteFrameWorkbook(TfraData *frame, const TWorkbookRequest &request)
{
    using namespace workbook;
    const pg::DataSet *set = frame->qryData;
    std::unique_ptr<Workbook> book = request.Template.isEmpty()
        ? std::make_unique<Workbook>()
        : std::make_unique<Workbook>(request.Template);
    int target = 0;
    if (request.Template.isEmpty()) {
        book->addSheet(request.Sheet.isEmpty() ? QStringLiteral("Sheet1") : request.Sheet);
    } else if (request.Sheet.isEmpty()) {
        target = book->activeSheet();
    } else {
        target = book->indexOf(request.Sheet);
        if (target < 0) {
            book->addSheet(request.Sheet);
            target = book->sheetCount() - 1;
        }
    }
    book->setActiveSheet(target);
    Sheet &sheet = book->sheet(target);

    rdataout::Formats formats;
    Format f;
    f.numberFormat = TextFormat;
    formats.text = book->addFormat(f);
    f.numberFormat = QStringLiteral("yyyy/mm/dd");
    formats.date = book->addFormat(f);
    f.numberFormat = QStringLiteral("yyyy/mm/dd hh:mm:ss");
    formats.stamp = book->addFormat(f);
    f.numberFormat = QStringLiteral("yyyy/mm/dd hh:mm:ss.000");
    formats.stampFraction = book->addFormat(f);

    const QList<int> fields = rdataout::visibleFields(set);
    const int count = set->recordCount();
    const bool titled = request.Title != tmNone;
    const int r0 = request.StartRow;
    const int c0 = request.StartCol;
    const bool perRow = request.Mode == 0;
    // what the sheet must hold, checked before anything is written
    const qint64 lastRow
        = perRow ? qint64(r0) + (titled ? 1 : 0) + count - 1 : qint64(r0) + fields.size() - 1;
    const qint64 lastColumn
        = perRow ? qint64(c0) + fields.size() - 1 : qint64(c0) + (titled ? 1 : 0) + count - 1;
    if (lastColumn >= MaxColumns)
        throw Error(QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
    if (lastRow >= MaxRows)
        throw Error(QStringLiteral("Excelの最大行数を超えているため、出力できません。"));

    const QStringList titles = titled ? OutputTitles(frame, request.Title) : QStringList();
    for (int i = 0; i < fields.size(); ++i) {
        const pg::Field &field = set->fields().at(fields[i]);
        const bool text = rdataout::textField(field.fieldClass);
        if (perRow) {
            if (titled)
                sheet.setText(r0, c0 + i, titles[i]);
            const int width
                = field.displayWidth > 0 ? field.displayWidth : rdataout::unboundedWidth;
            sheet.setColumnWidth(c0 + i, c0 + i, qBound(1, width, 255));
            if (text)
                sheet.setColumnFormat(c0 + i, c0 + i, formats.text);
        } else {
            if (titled)
                sheet.setText(r0 + i, c0, titles[i]);
            if (text)
                sheet.setRowFormat(r0 + i, formats.text);
        }
    }
    if (!perRow)
        sheet.setColumnWidth(c0, c0, rdataout::titleColumnWidth);

    const int first = titled ? 1 : 0;
    rdataout::progress(0, count);
    for (int row = 0; row < count; ++row) {
        if (EscapePressed())
            return TOutputEnd::Cancelled;
        if ((row + 1) % rdataout::progressStep == 0 || row + 1 == count)
            rdataout::progress(row + 1, count);
        for (int i = 0; i < fields.size(); ++i) {
            if (perRow)
                rdataout::writeValue(sheet, r0 + first + row, c0 + i, set, row, fields[i], formats);
            else
                rdataout::writeValue(sheet, r0 + i, c0 + first + row, set, row, fields[i], formats);
        }
    }
    // the last look for Esc: a key pressed during the last records stops the output too
    if (EscapePressed())
        return TOutputEnd::Cancelled;
    book->save(request.FileName);
    return TOutputEnd::Done;
}

QString ClipboardDoneMessage()
{
    return QStringLiteral("クリップボードに出力しました。");
}

QString ClipboardCancelledMessage()
{
    return QStringLiteral(
        "クリップボードへの出力を中止しました。クリップボードは変更されていません。");
}

QString WorkbookDoneMessage()
{
    return QStringLiteral("ファイルに出力しました。");
}

QString WorkbookCancelledMessage()
{
    return QStringLiteral("ファイルへの出力を中止しました。ファイルは保存されていません。");
}

// --- the frame's two commands ---

void TfraData::btnCopyClick()
{
    if (!qryData->isActive())
        return;
    bool header = AppOption.PasteTitle == tmColumnName || AppOption.PasteTitle == tmComment;
    bool comma = AppOption.PasteColumn == 1;
    if (AppOption.PasteDialog) {
        const TqvCheckList checks {
            { QStringLiteral("見出しを出力する"), &header },
            { QStringLiteral("カンマ区切りにする(非チェック時はタブ区切り)"), &comma },
        };
        if (ShowCheckMessage(QStringLiteral("結果をクリップボードにコピーしますか？"),
                             MB_YESNO | MB_ICONQUESTION, checks)
            != IDYES)
            return;
    }
    bool done = false;
    QString text;
    {
        const SQLWaitCursor wait;
        const QChar separator = comma ? QLatin1Char(',') : QLatin1Char('\t');
        AppOption.PasteColumn = comma ? 1 : 0;
        CancelGuard guard;
        struct Restore
        {
            ~Restore() { rdataout::progressDone(); }
        } restore;
        done = BuildClipboardText(this, header, AppOption.PasteTitle, separator, &text);
    }
    if (!done) {
        ShowMessageBox(ClipboardCancelledMessage(), MB_ICONINFORMATION);
        return;
    }
    QGuiApplication::clipboard()->setText(text);
    ShowMessageBox(ClipboardDoneMessage(), MB_ICONINFORMATION);
}

void TfraData::btnExcelClick()
{
    const QString ext = AppOption.ExcelExt.isEmpty() ? QStringLiteral(".XLSX") : AppOption.ExcelExt;
    QString folder = AppOption.ExcelDir.isEmpty() ? DocumentDir : AppOption.ExcelDir;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString baseName = RemoveInvalidFileChars(TableName).isEmpty()
        ? QStringLiteral("SQL")
        : RemoveInvalidFileChars(TableName);
    // the proposed name is reserved (an empty file) so that no other output takes it; the
    // reservation goes again unless this output writes that very file
    QString reserved;
    try {
        ForceFolder(folder);
        reserved = GetUniqueFileName(folder + baseName + ext);
    } catch (const std::exception &) {
        reserved.clear();
    }
    struct Reservation
    {
        QString path;
        ~Reservation()
        {
            const QFileInfo info(path);
            if (!path.isEmpty() && info.exists() && info.size() == 0)
                QFile::remove(path);
        }
    } reservation { reserved };

    TWorkbookRequest request;
    request.FileName = reserved.isEmpty() ? folder + baseName + ext : reserved;
    if (AppOption.ExcelDialog) {
        request.FileName
            = ShowSaveFileDialog(QStringLiteral("EXCEL出力"), request.FileName,
                                 ExcelFilter + QStringLiteral("|すべてのファイル(*.*)|*.*"));
        if (request.FileName.isEmpty())
            return;
    } else {
        TfrmXlsSQL dialog(this);
        dialog.chkRefresh->setEnabled(qryData->isActive());
        dialog.txtSaveFile->setText(request.FileName);
        dialog.ReservedFileName = reserved;
        if (dialog.exec() != QDialog::Accepted)
            return;
        request.FileName = dialog.txtSaveFile->text();
        request.Sheet = dialog.txtSheet->text();
        request.Template = dialog.txtFormFile->text();
        request.StartCol = dialog.cmbColumn->currentIndex();
        request.StartRow = dialog.txtRow->ValueInt() - 1;
    }
    if (request.FileName.isEmpty())
        return;
    request.Mode = AppOption.ExcelMode == 1 ? 1 : 0;
    request.Title = AppOption.ExcelTitle;

    // read the result again when asked (or when there is none)
    if (!qryData->isActive() || AppOption.ExcelRefresh) {
        QPointer<TfraData> self(this);
        QWidget *owner = OwnerWindow();
        QAction *exec = owner && owner->objectName().startsWith(QLatin1String("frmSQL"))
            ? owner->findChild<QAction *>(QStringLiteral("actExec"))
            : nullptr;
        if (exec)
            exec->trigger();
        else if (owner)
            SendAppMessage(owner, QvMsgReload);
        if (!self) // the window replaced this frame with its new results
            return;
        if (!qryData->isActive()) {
            ShowMessageBox(QStringLiteral("SQL が結果を返しませんでした。"), MB_ICONWARNING);
            return;
        }
    }

    // the cursor and the status bar are back before any message shows
    TOutputEnd end = TOutputEnd::Done;
    bool fits = true;
    {
        const SQLWaitCursor wait;
        struct Restore
        {
            ~Restore() { rdataout::progressDone(); }
        } restore;
        // the per-column layout needs a column per record: the server's count of the
        // statement's rows tells whether they fit before anything is written
        if (request.Mode == 1) {
            const qint64 count = CountHostRows(this);
            fits = count + request.StartCol + (request.Title != tmNone ? 1 : 0)
                <= workbook::MaxColumns;
        }
        if (fits) {
            CancelGuard guard;
            end = WriteFrameWorkbook(this, request);
        }
    }
    if (!fits)
        ShowMessageBox(QStringLiteral("Excelの最大列数を超えているため、出力できません。"),
                       MB_ICONWARNING);
    else if (end == TOutputEnd::Cancelled)
        ShowMessageBox(WorkbookCancelledMessage(), MB_ICONINFORMATION);
    else
        ShowMessageBox(WorkbookDoneMessage(), MB_ICONINFORMATION);
}
