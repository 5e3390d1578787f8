#include "objecteditors.h"

#include "fseq.h"

#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"

void RegisterObjectKindEditors()
{
    RegisterObjectEditor(ObjType::Sequence,
                         { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                              return TfrmSeq::Open(owner, call.Schema, call.ObjectName,
                                                   call.OpenMode);
                          },
                           [](ConnectionWindow *owner, const TObjectCall &call) {
                               return TfrmSeq::GetScript(owner, call.Schema, call.ObjectName);
                           } });
}
