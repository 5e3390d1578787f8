#include "ftable.h"

#include "rgrant.h"
#include "rstorage.h"
#include "tblalter.h"
#include "tblrecreate.h"
#include "tblscript.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvlist.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjectwindows.h"
#include "core/qvoption.h"
#include "core/qvstr.h"
#include "platform/pg/connection.h"
#include "sqllang/qvmemo.h"
#include "ui/fddlexec.h"
#include "ui/qvgrid.h"
#include "ui/qvstdctl.h"

#include <QDateTime>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include <exception>

namespace {

[[noreturn]] void tcRefuse(const QString &message, QWidget *control)
{
    ShowMessageBox(message, MB_ICONEXCLAMATION);
    if (control)
        control->setFocus();
    throw SilentAbort();
}

bool tcBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// Inserts clauses before the ";" that ends the CREATE TABLE statement of script.
void tcInsertCreateClauses(QStringList &script, const QStringList &clauses)
{
    qsizetype head = -1;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QString &line = script.at(i);
        if (line.startsWith(QLatin1String("CREATE")) && line.contains(QLatin1String(" TABLE "))) {
            head = i;
            break;
        }
    }
    if (head < 0)
        return;
    for (qsizetype i = head; i < script.size(); ++i) {
        if (script.at(i) == QLatin1String(";")) {
            for (qsizetype c = 0; c < clauses.size(); ++c)
                script.insert(i + c, clauses.at(c));
            return;
        }
    }
}

} // namespace

// The CREATE script of a table that does not exist yet: the grid's columns and key, the
// comments, and the storage frame's clauses (temporary or unlogged, parents, WITH, ON COMMIT,
// tablespace).
QStringList NewTableCreateScript(const TfrmTable &window, const QString &prefix)
{
    TTableDefinition def;
    def.Schema = window.cmbSchema->currentText();
    def.Name = window.txtName->text();
    def.Kind = QLatin1Char('r');
    const TfraStorage *storage = window.fraStorage;
    def.Persistence = storage->StorageType() == TfraStorage::ptTemp ? QLatin1Char('t')
        : storage->chkLog && !storage->chkLog->isChecked()          ? QLatin1Char('u')
                                                                    : QLatin1Char('p');
    TTableEdit edit = window.CurrentEdit();
    for (TTableColumnEdit &row : edit.Columns)
        row.DefaultEdited = true;
    def = EditedDefinition(def, edit);
    TTableScriptOptions options;
    options.TablePrefix = prefix;
    options.Storage = false; // the frame writes the placement clauses
    options.Indexes = false;
    options.Grants = false;
    QStringList script = TableCreateScript(def, options);
    QStringList clauses;
    storage->GetSourceCreate(clauses);
    tcInsertCreateClauses(script, clauses);
    return script;
}

void TfrmTable::Compile(QObject *)
{
    // The storage frames write their clauses as on the screen while the compile runs.
    const TStorageAsShown asShown;
    ExitActiveControl();

    if (tcBlank(txtName->text()))
        tcRefuse(QStringLiteral("名前を入力して下さい。"), txtName);
    if (tcBlank(cmbSchema->currentText()))
        tcRefuse(QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);

    QWidget *const page = pagObject->currentWidget();
    const bool onDefine = page == tabDefine;
    const bool onStorage = page == tabStorage;
    const bool onSource = page == tabSource;
    if (onDefine) {
        bool any = false;
        for (int row = 1; row < grdColumn->RowCount(); ++row) {
            const bool named = !tcBlank(grdColumn->Cells(colName, row));
            bool filled = false;
            for (int col = colType; col <= colDefault; ++col)
                filled = filled || !tcBlank(grdColumn->Cells(col, row));
            if (!named && filled) {
                grdColumn->setCurrentCell(colName, row);
                tcRefuse(QStringLiteral("列の名前を指定して下さい。"), grdColumn);
            }
            if (named && tcBlank(grdColumn->Cells(colType, row))) {
                grdColumn->setCurrentCell(colType, row);
                tcRefuse(QStringLiteral("列の型を指定して下さい。"), grdColumn);
            }
            any = any || named;
        }
        if (!any)
            tcRefuse(QStringLiteral("項目列を１つ以上指定して下さい。"), grdColumn);
    }
    if (onStorage)
        fraStorage->Check();

    // Defaults typed for character columns become literals; expressions the load showed, and
    // the defaults of other types, stay as they are.
    if (AppOption.DefaultAutoQuote) {
        TTableEdit edit = CurrentEdit();
        const TTableEdit before = edit;
        ApplyDefaultAutoQuote(edit, m_def);
        for (qsizetype i = 0; i < edit.Columns.size(); ++i) {
            if (edit.Columns.at(i).Default != before.Columns.at(i).Default)
                SetDefaultCell(edit.Columns.at(i).Row, edit.Columns.at(i).Default);
        }
    }
    const TTableEdit edit = CurrentEdit();

    const QString schema = cmbSchema->currentText();
    const QString name = txtName->text();
    const QString prefix = QuoteName(schema) + QLatin1Char('.');
    const QString table = (m_def.IsTemporary() ? QString() : prefix) + QuoteName(m_def.Name);
    const bool temporary = fraStorage->StorageType() == TfraStorage::ptTemp;
    const bool recreate = !IsNew() && IsCreate() && (onDefine || onStorage || onSource);

    QStringList script;
    bool allOrNothing = true;
    if (recreate) {
        const bool backup = AppOption.BackupData;
        if (!backup
            && ShowMessageBox(
                   QStringLiteral("テーブルを再作成する為、既存のデータは全て失われます。\n"
                                  "また、テーブルの作成に失敗しても、テーブルは削除されますのでご"
                                  "注意ください。\n処理を続行しますか？"),
                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)
                != IDYES)
            throw SilentAbort();
        if (backup && onSource
            && ShowMessageBox(QStringLiteral("ソース修正時には、既存のデータは別テーブルに退避"
                                             "され、再作成後のテーブルは空になります。\n処理を"
                                             "続行しますか？"),
                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)
                != IDYES)
            throw SilentAbort();
        TTableRecreateRequest request;
        request.Loaded = m_def;
        request.Edit = onSource ? nullptr : &edit;
        if (onSource)
            request.SourceScript = txtSource->text().split(QLatin1Char('\n'));
        request.Prefix = prefix;
        request.Backup = backup;
        request.Now = QDateTime::currentDateTime();
        try {
            script = TableRecreateScript(*OwnerForm()->dbsMain(), request).Script;
        } catch (const TableRecreateRefused &refused) {
            ShowMessageBox(QStringLiteral("テーブルを再作成できません。\n")
                               + refused.Reasons.join(QLatin1Char('\n')),
                           MB_ICONERROR);
            throw SilentAbort();
        }
        if (!onSource) {
            // The storage changes apply to the new table as they would to the old one.
            TTableAlterStorage storage;
            fraStorage->GetSourceAlterN(storage.AddItems);
            for (const QString &item : std::as_const(storage.AddItems))
                script << QStringLiteral("ALTER TABLE ") + table + QLatin1Char(' ') + item
                       << QStringLiteral(";");
            fraStorage->GetSourceAlterV(script);
            fraStorage->GetSourceAlterT(script);
        }
    } else if (IsNew()) {
        if (onSource)
            script = txtSource->text().split(QLatin1Char('\n'));
        else
            script = NewTableCreateScript(*this, temporary ? QString() : prefix);
    } else if (onDefine || onStorage) {
        TTableAlterStorage storage;
        fraStorage->GetSourceAlterN(storage.AddItems);
        fraStorage->GetSourceAlterV(storage.Statements);
        fraStorage->GetSourceAlterP(storage.Statements);
        fraStorage->GetSourceAlterT(storage.Statements);
        script = TableAlterScript(m_def, edit, m_def.IsTemporary() ? QString() : prefix, storage);
        // Independent ALTER statements may go on after an error; a replaced primary key may not.
        allOrNothing = TableAlterRecreatesKey(m_def, edit);
    } else if (page == tabGrant) {
        fraGrant->GetSource(script);
        allOrNothing = false;
    } else if (page == tabPolicy) {
        script << QStringLiteral("ALTER TABLE ") + table + QLatin1Char(' ')
                + (chkPolicyEnable->isChecked() ? QStringLiteral("ENABLE")
                                                : QStringLiteral("DISABLE"))
                + QStringLiteral(" ROW LEVEL SECURITY")
               << QStringLiteral(";");
        allOrNothing = false;
    }

    // Nothing but statement ends and blanks: no statement to run.
    if (TrimBlanks(script.join(QString()).remove(QLatin1Char(';'))).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), MB_ICONINFORMATION);
        if (!IsNew())
            ShowData();
        return;
    }

    TCompileRequest req;
    req.Schema = schema;
    req.ObjName = name;
    req.ObjType = TableKind.ObjType;
    req.IsNew = IsNew();
    req.AllOrNothing = allOrNothing;
    const bool wasNew = IsNew();
    req.AfterSuccess = [this, wasNew, temporary, schema, name] {
        // The window takes the table's new state first; a failing reload is reported after.
        RefreshObjectWindows();
        if (wasNew && temporary) {
            setModified(false);
            ShowMessageBox(QStringLiteral("一時表は「pg_temp」スキーマから\n画面を呼び出してご確"
                                          "認ください。"),
                           MB_ICONINFORMATION);
            // Closed once the compile has returned: it exists only in this session's
            // temporary schema, where the list opens it.
            QTimer::singleShot(0, this, [this] {
                if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
                    sub->close();
                else
                    close();
            });
            return;
        }
        setIsNew(false);
        try {
            fraStorage->Init(schema, name);
            ShowData();
        } catch (const SilentAbort &) {
        } catch (const std::exception &e) {
            // The change is committed; only the window's reload failed.
            ShowMessageBox(QStringLiteral("変更は確定しましたが、画面を再表示できませんでした。\n")
                               + QString::fromUtf8(e.what()),
                           MB_ICONWARNING);
        }
    };
    RunCompileSequence(OwnerForm(), script, req);
}
