// Dropping the objects of the object list's selection.
#include "fobject.h"
#include "fobjectcmd.h"

#include "core/qvcancel.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"

#include <QSet>
#include <QTreeWidgetItem>

namespace fobjectdrop {

// The closing word of a run that did not drop every selected row.
QString partialReport(bool cancelled, int dropped, int failed, int notReached,
                      const QString &lastError)
{
    QString text = cancelled ? QStringLiteral("オブジェクトの削除を中断しました。")
                             : QStringLiteral("削除できなかったオブジェクトがあります。");
    text += QStringLiteral("\n\n削除したオブジェクト: %1 個\n削除できなかったオブジェクト: %2 個\n"
                           "処理しなかったオブジェクト: %3 個")
                .arg(dropped)
                .arg(failed)
                .arg(notReached);
    if (failed > 0 && !lastError.isEmpty())
        text += QStringLiteral("\n\n最後のエラー:\n") + lastError;
    return text;
}

} // namespace fobjectdrop

void TfrmObject::actDeleteExecute()
{
    using namespace fobjectdrop;
    const int selected = SelectedObjectCount();
    if (selected == 0)
        return;
    bool offerCascade = false;
    for (int i = 0; i < lstObject->topLevelItemCount() && !offerCascade; ++i) {
        const QTreeWidgetItem *row = lstObject->topLevelItem(i);
        offerCascade = row->isSelected() && DropOffersCascade(ObjectRowCode(row));
    }
    bool ignoreErrors = AppOption.DelErr;
    bool cascade = false;
    TqvCheckList checks;
    if (selected > 1)
        checks << TqvCheckItem { QStringLiteral("削除時のエラーを無視する"), &ignoreErrors };
    if (offerCascade)
        checks << TqvCheckItem { QStringLiteral("CASCADE オプション"), &cascade };
    const int answer = ShowCheckMessage(QStringLiteral("オブジェクトを削除しますか？"),
                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks);
    // the box's state is kept whatever the answer
    if (selected > 1)
        AppOption.DelErr = ignoreErrors;
    if (answer != IDYES)
        return;

    MainWindowServices *main = mainWindowServices();
    struct Restore
    {
        TfrmObject *window;
        MainWindowServices *main;
        ~Restore()
        {
            --window->m_walking;
            if (main)
                main->SetDefMessage();
        }
    } restore { this, main };
    ++m_walking;
    const SQLWaitCursor wait;
    const CancelGuard guard;
    // Inside the user's open transaction each drop has a savepoint of its own: a failed drop
    // is undone alone, the transaction stays usable and a later pass can try again.
    const pg::ContinueOnErrorScope savepoints(*m_dbsMain);

    int dropped = 0;
    QString lastError;
    QSet<const QTreeWidgetItem *> failed; // rows that failed in the pass under way
    bool cancelled = false;
    int total = selected;
    for (;;) {
        failed.clear();
        int step = 0;
        int i = 0;
        while (i < lstObject->topLevelItemCount()) {
            QTreeWidgetItem *row = lstObject->topLevelItem(i);
            if (!row->isSelected()) {
                ++i;
                continue;
            }
            if (EscapePressed()) {
                cancelled = true;
                break;
            }
            lstObject->scrollToItem(row);
            ++step;
            if (main)
                main->SetLoopMessage(step, total);
            const QString sql = DropObjectSQL(ObjectRowOf(row), m_dbVer, cascade);
            try {
                if (!sql.isEmpty())
                    ExecuteSQL(sql);
            } catch (const pg::Error &e) {
                if (SelectedObjectCount() > 1 && AppOption.DelErr) {
                    failed.insert(row);
                    lastError = e.text();
                    ++i;
                    continue;
                }
                // the error box reports it; the rows left stay selected
                throw;
            }
            // the next row moves up into this place
            delete row;
            ++dropped;
        }
        if (cancelled)
            break;
        const int left = SelectedObjectCount();
        if (left == 0 || left == total)
            break;
        total = left;
    }

    const int left = SelectedObjectCount();
    if (left == 0) {
        ShowMessageBox(QStringLiteral("オブジェクトが削除されました。"),
                       MB_OK | MB_ICONINFORMATION);
        return;
    }
    const int failedCount = int(failed.size());
    ShowMessageBox(partialReport(cancelled, dropped, failedCount, left - failedCount, lastError),
                   MB_OK | MB_ICONWARNING);
}
