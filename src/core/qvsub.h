#pragma once

#include <QString>
#include <QStringList>

class TqvRegistry;
class TqvMacroList;

// The state the whole program shares from start-up to shut-down. Used from the user-interface
// thread only.

// The root of every setting of the program, below the user's root.
inline constexpr const char *QvRegistryRoot = "\\Software\\Quorlane\\QVR22";

extern TqvRegistry *AppRegistry; // the one registry object; no key open between routines
extern QString ExeDir; // the program folder, ending in "/"
extern QString DocumentDir; // the user's documents folder, else ExeDir
extern QString DataDir; // the common data folder + "QVR22/", else ExeDir
extern QStringList SQLLogList; // the SQL-history index
extern QStringList ReserveWordList;
extern TqvMacroList *MacroList;
extern QStringList AlertPathList;
extern QString ExcelFilter;
extern QString PostgreSQLLocation;
extern QString OracleHomeDir;
extern bool IsToastObject;

// Run once before the main window exists and once after it is gone. Start-up reads nothing
// from the registry; shut-down writes nothing to it. From start-up on, a failed save of the
// settings when a key is closed is shown to the user.
void InitializeQvsub();
void FinalizeQvsub();

// What the user must hear before the main window opens: settings that are not kept (no home
// folder), or a settings file that could not be read cleanly. Empty when all is well.
QString StartupWarning();
