#include "tableeditors.h"

#include "fconst.h"
#include "findex.h"
#include "ftable.h"
#include "tbldata.h"
#include "tblscript.h"

#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"

#include <QBuffer>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace tableeditors {

// The lines of a script that a writer put into an in-memory buffer (UTF-16 LE, CR LF).
QStringList bufferLines(const QBuffer &buffer)
{
    const QByteArray &bytes = buffer.data();
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                      bytes.size() / 2);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace tableeditors

void RegisterTableEditors()
{
    RegisterObjectEditor(ObjType::Table,
                         { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                              return OpenTableWindow(owner, call.Schema, call.ObjectName);
                          },
                           [](ConnectionWindow *owner, const TObjectCall &call) {
                               QBuffer buffer;
                               buffer.open(QIODevice::WriteOnly);
                               GetTableScript(owner, call.Schema, call.ObjectName, buffer,
                                              call.NewSchema, call.NewObjectName,
                                              ScriptOption.Index);
                               return tableeditors::bufferLines(buffer);
                           } });
    RegisterObjectEditor(ObjType::Index,
                         { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                              return TfrmIndex::Open(owner, call.Schema, call.ObjectName,
                                                     call.OpenMode);
                          },
                           [](ConnectionWindow *owner, const TObjectCall &call) {
                               return TfrmIndex::GetScript(owner, call.Schema, call.ObjectName);
                           } });
    RegisterObjectEditor(
        ObjType::Constraint,
        { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
             return OpenConstraintWindow(owner, call.Schema, call.ObjectName, call.TableName);
         },
          [](ConnectionWindow *owner, const TObjectCall &call) {
              return TfrmConst::GetScript(owner, call.Schema, call.ObjectName, call.TableName);
          } });
    // Policies have a script but no window of their own.
    RegisterObjectEditor(ObjType::Policy,
                         { {}, [](ConnectionWindow *owner, const TObjectCall &call) {
                              const QStringList lines = GetPolicyScript(
                                  owner, call.Schema, call.ObjectName, call.TableName);
                              if (lines.isEmpty())
                                  throw std::runtime_error("ポリシーが見つかりません。");
                              return lines;
                          } });
}
