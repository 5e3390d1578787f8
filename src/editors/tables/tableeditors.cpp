#include "tableeditors.h"

#include "findex.h"

#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"

void RegisterTableEditors()
{
    RegisterObjectEditor(ObjType::Index,
                         { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                              return TfrmIndex::Open(owner, call.Schema, call.ObjectName,
                                                     call.OpenMode);
                          },
                           [](ConnectionWindow *owner, const TObjectCall &call) {
                               return TfrmIndex::GetScript(owner, call.Schema, call.ObjectName);
                           } });
}
