#include "qvsub.h"

#include "platform/os/shellfolders.h"
#include "platform/registry/settingsstore.h"
#include "qvmacro.h"
#include "qvmsgbox.h"
#include "qvoption.h"
#include "qvreg.h"
#include "qvworkspace.h"

#include <QStringList>

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
    // A window that closes while the settings cannot be written says so.
    reg::RegistryAccess::setSaveErrorReporter([](const QString &message) {
        ShowMessageBox(QStringLiteral("設定を保存できませんでした。\n%1").arg(message),
                       MB_OK | MB_ICONERROR);
    });

    ExeDir = os::programFolder();

    // The documents folder is made by the first document saved there, not by starting.
    DocumentDir = os::documentsFolder();
    if (DocumentDir.isEmpty())
        DocumentDir = ExeDir;

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
    reg::RegistryAccess::setSaveErrorReporter({});
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

QString StartupWarning()
{
    if (!AppRegistry)
        return QString();
    const reg::SettingsStore *store = AppRegistry->store();
    QStringList parts;
    if (store->keepsNothing())
        parts << QStringLiteral(
            "ホームフォルダ (環境変数 HOME) も XDG_CONFIG_HOME も設定されていない"
            "ため、設定を保存しません。この実行で変えた設定は終了すると失われます。");
    if (!store->loadError().isEmpty())
        parts << store->loadError();
    return parts.join(QStringLiteral("\n\n"));
}
