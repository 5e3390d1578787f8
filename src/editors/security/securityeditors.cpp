#include "securityeditors.h"

#include "frole.h"
#include "fuser.h"

#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"

void RegisterSecurityEditors()
{
    RegisterObjectEditor(ObjType::Role,
                         { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                              return TfrmRole::Open(owner, call.ObjectName, call.OpenMode);
                          },
                           [](ConnectionWindow *owner, const TObjectCall &call) {
                               return TfrmRole::GetScript(owner, call.ObjectName);
                           } });
    // Codes 2 and 3 (a user, and the login user) share the one editor.
    RegisterObjectEditor(ObjType::User,
                         { [](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                              return TfrmUser::Open(owner, call.ObjectName, call.OpenMode);
                          },
                           [](ConnectionWindow *owner, const TObjectCall &call) {
                               return TfrmUser::GetScript(owner, call.ObjectName);
                           } });
}
