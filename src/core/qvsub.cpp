#include "qvsub.h"

#include "platform/os/shellfolders.h"
#include "qvmacro.h"
#include "qvoption.h"
#include "qvreg.h"
#include "qvworkspace.h"

TqvRegistry *AppRegistry = nullptr;
QString ExeDir;
QString DocumentDir;
QString DataDir;
QStringList SQLLogList;
QStringList ReserveWordList;
TqvMacroList *MacroList = nullptr;
QStringList AlertPathList;
QString ExcelFilter;
QString PostgreSQLLocation;
QString OracleHomeDir;
bool IsToastObject = false;

void InitializeQvsub()
{
    SQLLogList.clear();
    ReserveWordList.clear();
    AlertPathList.clear();
    MacroList = new TqvMacroList;
    AppRegistry = new TqvRegistry;
    AppRegistry->setRootKey(reg::RootKey::CurrentUser);

    ExeDir = os::programFolder();

    DocumentDir = os::documentsFolder();
    if (DocumentDir.isEmpty())
        DocumentDir = ExeDir;
    os::ensureFolder(DocumentDir);

    const QString common = os::commonDataFolder();
    DataDir = common.isEmpty() ? ExeDir : common + QStringLiteral("QVR22/");
    os::ensureFolder(DataDir);
}

void FinalizeQvsub()
{
    SQLLogList.clear();
    ReserveWordList.clear();
    AlertPathList.clear();
    delete MacroList;
    MacroList = nullptr;
    ResetOptions();
    WorkSpaces.clear();
    delete AppRegistry;
    AppRegistry = nullptr;
    ExeDir.clear();
    DocumentDir.clear();
    DataDir.clear();
    ExcelFilter.clear();
    PostgreSQLLocation.clear();
    OracleHomeDir.clear();
    IsToastObject = false;
}
