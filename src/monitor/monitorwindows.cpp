#include "monitorwindows.h"

#include "core/qvtoolwindows.h"
#include "monitor/fdb.h"
#include "monitor/flock.h"
#include "monitor/fsession.h"

namespace monitorwindows {

template<class T> QWidget *openOn(ConnectionWindow *current, const TToolWindowArgs &)
{
    return TfrmConnTool::Open<T>(current);
}

} // namespace monitorwindows

void RegisterMonitorWindows()
{
    RegisterToolWindow(QString::fromLatin1(ToolWindowSession), monitorwindows::openOn<TfrmSession>);
    RegisterToolWindow(QString::fromLatin1(ToolWindowLock), monitorwindows::openOn<TfrmLock>);
    RegisterToolWindow(QString::fromLatin1(ToolWindowDatabase), monitorwindows::openOn<TfrmDB>);
}
