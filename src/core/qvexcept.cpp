#include "qvexcept.h"

#include "platform/pg/error.h"
#include "qvmsgbox.h"

#include <QString>

void ShowExceptionMessage(const std::exception_ptr &error)
{
    if (!error)
        return;
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort &) {
        return;
    } catch (const pg::Error &e) {
        text = e.text();
    } catch (const std::exception &e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("予期しないエラーが発生しました。");
    }
    if (text.isEmpty())
        text = QStringLiteral("予期しないエラーが発生しました。");
    ShowMessageBox(text, MB_OK | MB_ICONERROR);
}
