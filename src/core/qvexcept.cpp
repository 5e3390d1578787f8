#include "qvexcept.h"

#include "platform/pg/error.h"
#include "qvmsgbox.h"

#include <QString>

QString ExceptionText(const std::exception_ptr &error)
{
    if (!error)
        return QString();
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort &) {
        return QString();
    } catch (const pg::Error &e) {
        text = e.text();
    } catch (const std::exception &e) {
        text = QString::fromUtf8(e.what());
    } catch (...) { }
    if (text.isEmpty())
        text = QStringLiteral("予期しないエラーが発生しました。");
    return text;
}

void ShowExceptionMessage(const std::exception_ptr &error)
{
    const QString text = ExceptionText(error);
    if (!text.isEmpty())
        ShowMessageBox(text, MB_OK | MB_ICONERROR);
}
