#include "appcommands.h"

#include "browser/flogon.h"
#include "core/qvappwindows.h"
#include "core/qvcmdline.h"
#include "editors/objects/objecteditors.h"
#include "editors/security/securityeditors.h"
#include "editors/tables/tableeditors.h"
#include "monitor/monitorwindows.h"
#include "shell/fmaincmd.h"
#include "sqlwin/sqlwindows.h"

#include <QCoreApplication>
#include <QString>

#include <memory>
#include <optional>

void RegisterAppCommands(const TCommandLine &commandLine)
{
    auto pending = std::make_shared<std::optional<TCommandLine>>(commandLine);
    RegisterMainCommand(QStringLiteral("actDBLogon"),
                        { [pending](ConnectionWindow *) {
                             std::optional<TCommandLine> line;
                             line.swap(*pending);
                             if (line && !line->UserID.isEmpty()) {
                                 // The main window is drawn whole before the connect waits.
                                 QCoreApplication::processEvents();
                                 TfrmLogon::ShowWindow(line->Host, line->Port, line->Database,
                                                       line->Schema, line->UserID, line->Password,
                                                       true);
                                 return;
                             }
                             TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false);
                         },
                          {} });
}

void RegisterObjectEditors()
{
    RegisterTableEditors();
    RegisterObjectKindEditors();
    RegisterSecurityEditors();
}

void RegisterToolWindows()
{
    RegisterSqlWindows();
    RegisterMonitorWindows();
}
