#include "appcommands.h"

#include "browser/flogon.h"
#include "core/qvappwindows.h"
#include "core/qvcmdline.h"
#include "editors/tables/tableeditors.h"
#include "shell/fmaincmd.h"
#include "sqlwin/fsql.h"

#include <QCoreApplication>
#include <QString>

#include <memory>
#include <optional>

void RegisterAppCommands(const TCommandLine &commandLine)
{
    auto pending = std::make_shared<std::optional<TCommandLine>>(commandLine);
    RegisterMainCommand(QStringLiteral("actDBLogon"), { [pending](ConnectionWindow *) {
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
                        } });

    RegisterMainCommand(QStringLiteral("actViewSQL"),
                        { [](ConnectionWindow *current) {
                             if (current)
                                 TfrmSQL::Open(current->connectionWidget());
                         },
                          [](ConnectionWindow *current) { return current != nullptr; } });
}

void RegisterObjectEditors()
{
    RegisterTableEditors();
}
