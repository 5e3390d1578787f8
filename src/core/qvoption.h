#pragma once

#include "core/qvreg.h"

#include <QString>
#include <QStringList>

// The option records of the whole program. They hold their zero state from start-up, are
// filled once by LoadOptions while the main window is created and written back once by
// SaveOptions when it closes; in between the options dialogs and a few windows change the
// fields in memory and every window reads them directly. User-interface thread only.
//
// Besides the records below, LoadOptions and SaveOptions move the shortcuts (ShortcutList,
// qvshortcut.h), the editor settings (EditorOption, qveditorsettings.h), the reserved words
// (ReserveWordList) and the alert paths (AlertPathList, both qvsub.h).

// The tab a definition window shows first.
enum TOpenMode : quint8 { omDefine, omSource, omData, omCross, omGrant };
// The title row of clipboard and workbook output.
enum TTitleMode : quint8 { tmColumnName, tmComment, tmNone };

// The general options: the values of the root key itself. Folder values end in "/".
struct TqvOption
{
    qint32 TreeSort = 0;
    bool ShowLevel0 = false;
    bool ShowLevel1 = false;
    bool ShowTable = false;
    bool ShowIndex = false;
    bool ShowView = false;
    bool ShowFunc = false;
    bool ShowType = false;
    bool ShowTrigger = false;
    bool ShowRule = false;
    bool ShowSeq = false;
    bool ShowConst = false;
    bool ShowMView = false;
    bool ShowAgrg = false;
    bool ShowProc = false;
    bool ShowPack = false;
    bool ShowSynonym = false;
    bool ShowDBLink = false;
    TOpenMode OpenMode = omDefine;
    bool UserFirst = false;
    bool TreeData = false;
    bool Progress = false;
    bool RowSelect = false;
    bool DelErr = false;
    bool Find = false;
    bool FindAuto = false;
    bool DefaultAutoQuote = false;
    bool ShowDDL = false;
    bool CloseDDL = false;
    bool BackupData = false;
    bool ShowStorageSource = false;
    bool ShowColumnSource = false;
    bool SaveBeforeSrc = false;
    bool SaveBeforeSrcDialog = false;
    bool SaveBeforeSrcRenum = false;
    bool SaveBeforeSrcHead = false;
    QString SaveBeforeSrcDir;
    bool SaveAfterSrc = false;
    bool SaveAfterSrcDialog = false;
    bool SaveAfterSrcRenum = false;
    bool SaveAfterSrcHead = false;
    QString SaveAfterSrcDir;
    qint32 DataFontSize = 0;
    QString DataFontName;
    qint32 DataShowMode = 0;
    qint32 DataColWidthV = 0;
    qint32 DataColWidthH = 0;
    bool ShowWhereGrid = false;
    bool WhereAutoQuote = false;
    qint32 DefTopRecord = 0;
    QString DateFormat;
    QString TimeFormat;
    QString TimeOracle; // not stored: derived from TimeFormat (TimeFormatToOracle)
    bool AddStripe = false;
    qint32 SQLBuf = 0;
    bool UsePartial = false;
    qint32 DiagramFontSize = 0;
    QString DiagramFontName;
    qint32 GridFontSize = 0;
    QString GridFontName;
    TTitleMode PasteTitle = tmColumnName;
    qint32 PasteColumn = 0;
    bool PasteDialog = false;
    QString FileDir;
    QString ExcelDir;
    QString ScrExecDir;
    QString ExcelSheet;
    QString ExcelForm;
    qint32 ExcelTop = 0;
    qint32 ExcelLeft = 0;
    QString ExcelFormMatrix;
    qint32 ExcelMatrixRow = 0;
    qint32 ExcelMatrixCol = 0;
    TTitleMode ExcelTitle = tmColumnName;
    qint32 ExcelMode = 0;
    bool ExcelRefresh = false;
    bool ExcelDialog = false;
    qint32 CrossLevel = 0;
    qint32 DataGenCommit = 0;
    bool UpdateToCommit = false;
    bool UpdateMode = false;
    bool ScriptErrStop = false;
    bool ScriptCompDel = false;
    bool UseLowerName = false; // stored as "UserUpperName"
    bool CodeAssist = false;
    QString TempDir;
    QString ExcelExt; // read, never written
    bool CLOB_TO_CHAR = false; // read, never written
    QString CharacterSet; // read, never written
    qint32 Encoding = 0;
    bool flgCallFromTbl = false; // not stored: set while the table editors build DDL
    QString NLS_LANG;
    QStringList AlertLogPas;
    qint32 IdxRebuild = 0;
    qint32 SleepTime = 0;
    qint32 KeepAliveInterval = 0;
};

// PRINTOPTION
struct TqvPrintOption
{
    quint8 Orientation = 0; // 0 portrait, 1 landscape
    qint32 MMLeftMargin = 0;
    qint32 MMTopMargin = 0;
    qint32 MMRightMargin = 0;
    qint32 MMBottomMargin = 0;
    QString FontName;
    qint32 FontSize = 0;
};

// TEXTOUT: script output
struct TScriptOption
{
    bool OneScript = false;
    bool Dir = false; // stored as "SubDir"
    bool SameName = false;
    QString Path;
    QStringList NameTable;
    qint32 Owner = 0; // stored as "Schema"
    bool Index = false;
    bool Insert = false;
    qint32 InsertMode = 0;
    bool Storage = false;
    bool ViewCol = false;
    bool Grant = false;
    qint32 GrantMode = 0;
    bool NullLine = false;
};

// COMP: the filter of the object comparison
struct TCompOption
{
    bool Equrl = false;
    bool NotEqurl = false;
    bool Only1 = false;
    bool Only2 = false;
};

// FORMAT: the SQL formatter
struct TFormatOption
{
    qint32 Indent = 0;
    qint32 ItemReturn = 0;
    qint32 ReservePos = 0;
    qint32 CommaPos = 0;
    qint32 AndPos = 0;
    qint32 ReserveTrans = 0;
    qint32 ItemTrans = 0;
};

// DBTEST: the load test; its password is stored as plain text
struct TDBTestOption
{
    qint32 Session = 0;
    qint32 SpanTime = 0;
    QString UserId;
    QString Password;
    bool Error = false;
};

// STATSPACK: kept and saved, read by no window
struct TStatsOption
{
    QString StatsPack;
    QString Report;
    QString Purge;
    QString Truncate;
};

// TRACE: kept and saved, read by no window; PlanPass is stored scrambled
struct TTrcOption
{
    QStringList Path;
    bool TKProf = false;
    bool ExplainPlan = false; // stored as "Explan"
    QString PlanUserID; // stored as "PlanUser"
    QString PlanPass;
    QString PlanTable;
    bool Aggregate = false;
    bool Sys = false;
    QString Sort;
    QString Print;
    QString TrcPgm;
};

// DB
struct TqvDB
{
    QString AutoConfPath;
};

// EXPORT: the backup window
struct TExpOption
{
    QString ExpFile; // stored as "FileName"
    QString UserID;
    bool Grants = false;
    QString ExpPgm;
    bool Background = false;
    QString LogFile;
    qint32 Format = 0;
    QString Compres;
    QString Encoding;
    QString RoleName;
    bool PreData = false;
    bool SecData = false;
    bool PostData = false;
    bool Data = false;
    bool Schema = false;
    bool Blobs = false;
    bool Owner = false;
    bool Tablespaces = false;
    bool UnlogTbl = false;
    bool Securitylbl = false;
    bool CreateDataBase = false;
    bool DropDataBase = false;
    bool ColumnInserts = false;
    bool Inserts = false;
    bool Trigger = false;
    bool DollarQuoting = false;
    bool Authorization = false;
    bool Oid = false;
    bool Quote = false;
    bool Serializable = false;
    QString TimeOutMil;
    bool Ifexists = false;
};

// IMPORT: the restore window
struct TImpOption
{
    QString ImpFile; // stored as "FileName"
    QString UserID;
    qint32 Format = 0;
    qint32 Mode = 0;
    QString JobNo;
    QString RoleName;
    bool PreData = false;
    bool SecData = false;
    bool PostData = false;
    bool Data = false;
    bool Schema = false;
    bool Owner = false;
    bool Grants = false;
    bool Tablespaces = false;
    bool Securitylbl = false;
    bool CreateDataBase = false;
    bool Clean = false;
    bool Transaction = false;
    bool Trigger = false;
    bool NoData = false;
    bool Authorization = false;
    bool Error = false;
    QString ImpPgm;
    QString LogFile;
    QString SchemaList; // the lines of a list, each followed by CR LF
    QString TableList; // the lines of a list, each followed by CR LF
    bool Ifexists = false;
};

// EXPORT_DP: kept and saved, read by no window; Pass is stored scrambled
struct TExpdpOption
{
    QString ExpdpDirObj;
    QString ExpdpFile; // stored as "FileName"
    QString UserID;
    QString Pass;
    bool Grants = false;
    bool Indexes = false;
    bool Rows = false;
    bool Constraints = false;
    QString ExpPgm;
    bool Background = false;
    QString ExpdpLogDirObj;
    QString LogFile;
};

// IMPORT_DP: kept and saved, read by no window; Pass is stored scrambled
struct TImpdpOption
{
    QString ImpdpDirObj;
    QString ImpFile; // stored as "FileName"
    QString UserID;
    QString Pass;
    bool Grants = false;
    bool Indexes = false;
    bool Rows = false;
    bool Constraints = false;
    QString ImpdpInfoDirObj;
    QString IndexFile;
    bool Ignore = false;
    qint32 IgnoreItem = 0;
    bool Destroy = false;
    QString ImpPgm;
    bool Background = false;
    QString ImpdpLogDirObj;
    QString LogFile;
    QString UserList;
    QString TableList;
};

// LOADER: unloading ("...To") and loading ("...From") with COPY
struct TLoadOption
{
    QString SaveDir;
    QString DataFile;
    qint32 Output = 0;
    qint32 FormatTo = 0;
    QString EncodingTo;
    QString DelimiterTo;
    QString NullTo;
    bool OidTo = false;
    bool HeaderTo = false;
    bool ForceQuote = false;
    QString QuoteTo;
    QString EscapeTo;
    qint32 Input = 0;
    qint32 FormatFrom = 0;
    QString EncodingFrom;
    QString DelimiterFrom;
    QString NullFrom;
    bool OidFrom = false;
    bool HeaderFrom = false;
    bool ForceNotNull = false;
    QString QuoteFrom;
    QString EscapeFrom;
};

extern TqvOption AppOption;
extern TqvPrintOption PrintOption;
extern TScriptOption ScriptOption;
extern TCompOption CompOption;
extern TFormatOption FormatOption;
extern TDBTestOption DBTestOption;
extern TStatsOption StatsOption;
extern TTrcOption TrcOption;
extern TqvDB DBOption;
extern TExpOption ExpOption;
extern TImpOption ImpOption;
extern TExpdpOption ExpdpOption;
extern TImpdpOption ImpdpOption;
extern TLoadOption LoadOption;
extern TDateTime LastAutoSave; // PERFORM: the statistics window's last snapshot

// Reads every option from the settings through AppRegistry, creating missing keys; a missing
// or unreadable value takes its default. Never fails.
void LoadOptions();

// Writes every option through AppRegistry as one change of the settings file: either every
// value reaches the file or none does (the file and the settings in memory stay as they
// were). Never throws; false with a message for the user in errorText when the settings could
// not be written.
bool SaveOptions(QString *errorText = nullptr);

// Puts every record, the shortcuts, the editor settings, ReserveWordList and AlertPathList
// back to their state after start-up.
void ResetOptions();

// The folder that LoadOptions gives a folder option of AppOption (&AppOption.TempDir ...) when
// the settings hold none: the data folder for the source backups, the documents folder for
// FileDir and ExcelDir, the data folder's "temp/" for TempDir. Empty for any other field.
QString DefaultOptionFolder(const QString *field);

// The time pattern of the server's to_char and to_timestamp for a display time format: every
// "hh" becomes "hh24", then every "mm" becomes "mi", both without regard to case.
QString TimeFormatToOracle(const QString &timeFormat);

// A string list as the settings store it: each line followed by CR LF.
QString stringListToText(const QStringList &list);
// The lines of a stored list, split at CR LF, CR or LF; a final line break ends the last line.
QStringList textToStringList(const QString &text);
