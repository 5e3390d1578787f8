#include "qvoption.h"

#include "qvencoding.h"

#include "qveditorsettings.h"
#include "qvreserve.h"
#include "qvscramble.h"
#include "qvshortcut.h"
#include "qvsub.h"

#include <algorithm>
#include <functional>

TqvOption AppOption;
TqvPrintOption PrintOption;
TScriptOption ScriptOption;
TCompOption CompOption;
TFormatOption FormatOption;
TDBTestOption DBTestOption;
TStatsOption StatsOption;
TTrcOption TrcOption;
TqvDB DBOption;
TExpOption ExpOption;
TImpOption ImpOption;
TExpdpOption ExpdpOption;
TImpdpOption ImpdpOption;
TLoadOption LoadOption;
TDateTime LastAutoSave = 0;

namespace qvoption {

// One stored value: how it is read into its field and written from it. A value without a
// writer is read only; whatever the settings hold for it stays as it is.
struct StoredValue
{
    QString name;
    std::function<void(const TqvRegistry &)> read;
    std::function<void(TqvRegistry &)> write;
};

// One key below the root: its stored values, or a reader and writer of its own for keys whose
// value names are the data.
struct OptionKey
{
    QString name; // empty for the root key
    QList<StoredValue> values;
    std::function<void()> afterRead;
    std::function<void(const TqvRegistry &)> readKey;
    std::function<void(TqvRegistry &)> writeKey;
    bool rewriteWhole = false; // the key is deleted and written afresh
};

StoredValue boolValue(const QString &name, bool &field, bool def)
{
    return { name, [name, &field, def](const TqvRegistry &r) { field = r.GetBool(name, def); },
             [name, &field](TqvRegistry &r) { r.WriteBool(name, field); } };
}

StoredValue intValue(const QString &name, qint32 &field, qint32 def)
{
    return { name, [name, &field, def](const TqvRegistry &r) { field = r.GetInteger(name, def); },
             [name, &field](TqvRegistry &r) { r.WriteInteger(name, field); } };
}

// Enumerations and other 8-bit fields keep the low 8 bits of the stored integer, unchecked:
// the users of the field decide what an unknown value means.
template<typename T> StoredValue byteValue(const QString &name, T &field, T def)
{
    static_assert(sizeof(T) == 1);
    return { name,
             [name, &field, def](const TqvRegistry &r) {
                 field = T(quint8(r.GetInteger(name, qint32(def))));
             },
             [name, &field](TqvRegistry &r) { r.WriteInteger(name, qint32(field)); } };
}

StoredValue stringValue(const QString &name, QString &field, const QString &def)
{
    return { name, [name, &field, def](const TqvRegistry &r) { field = r.GetString(name, def); },
             [name, &field](TqvRegistry &r) { r.WriteString(name, field); } };
}

StoredValue listValue(const QString &name, QStringList &field)
{
    return { name,
             [name, &field](const TqvRegistry &r) {
                 field = textToStringList(r.GetString(name, QString()));
             },
             [name, &field](TqvRegistry &r) { r.WriteString(name, stringListToText(field)); } };
}

StoredValue passwordValue(const QString &name, QString &field)
{
    return { name,
             [name, &field](const TqvRegistry &r) {
                 field = UnscramblePassword(r.GetString(name, QString()));
             },
             [name, &field](TqvRegistry &r) { r.WriteString(name, ScramblePassword(field)); } };
}

StoredValue dateTimeValue(const QString &name, TDateTime &field, TDateTime def)
{
    return { name, [name, &field, def](const TqvRegistry &r) { field = r.GetDateTime(name, def); },
             [name, &field](TqvRegistry &r) { r.WriteDateTime(name, field); } };
}

StoredValue readOnly(StoredValue value)
{
    value.write = nullptr;
    return value;
}

OptionKey rootKey()
{
    TqvOption &o = AppOption;
    const QString fontName = QStringLiteral("ＭＳ ゴシック");
    OptionKey key;
    key.values = {
        intValue("TreeSort", o.TreeSort, 0),
        boolValue("ShowLevel0", o.ShowLevel0, true),
        boolValue("ShowLevel1", o.ShowLevel1, true),
        boolValue("TypeTable", o.ShowTable, true),
        boolValue("TypeIndex", o.ShowIndex, true),
        boolValue("TypeView", o.ShowView, true),
        boolValue("TypeFunc", o.ShowFunc, true),
        boolValue("TypeType", o.ShowType, true),
        boolValue("TypeTrigger", o.ShowTrigger, true),
        boolValue("TypeRule", o.ShowRule, true),
        boolValue("TypeSeq", o.ShowSeq, true),
        boolValue("TypeConst", o.ShowConst, true),
        boolValue("TypeMView", o.ShowMView, true),
        boolValue("TypeAgrg", o.ShowAgrg, true),
        boolValue("TypeProc", o.ShowProc, true),
        boolValue("TypePack", o.ShowPack, true),
        boolValue("TypeSynonym", o.ShowSynonym, true),
        boolValue("TypeDBLink", o.ShowDBLink, true),
        boolValue("UserFirst", o.UserFirst, false),
        boolValue("TreeData", o.TreeData, false),
        boolValue("Progress", o.Progress, true),
        boolValue("RowSelect", o.RowSelect, false),
        boolValue("DelErr", o.DelErr, false),
        boolValue("Find", o.Find, true),
        boolValue("FindAuto", o.FindAuto, true),
        byteValue("OpenMode", o.OpenMode, omDefine),
        boolValue("DefaultAutoQuote", o.DefaultAutoQuote, false),
        boolValue("ShowDDL", o.ShowDDL, false),
        boolValue("CloseDDL", o.CloseDDL, true),
        boolValue("BackupData", o.BackupData, true),
        boolValue("ShowStorageSource", o.ShowStorageSource, true),
        boolValue("ShowColumnSource", o.ShowColumnSource, true),
        boolValue("SaveBeforeSource", o.SaveBeforeSrc, false),
        boolValue("SaveBeforeSrcDialog", o.SaveBeforeSrcDialog, false),
        boolValue("SaveBeforeSrcRenum", o.SaveBeforeSrcRenum, false),
        boolValue("SaveBeforeSrcHead", o.SaveBeforeSrcHead, false),
        stringValue("SaveBeforeSrcDir", o.SaveBeforeSrcDir,
                    DefaultOptionFolder(&o.SaveBeforeSrcDir)),
        boolValue("SaveAfterSource", o.SaveAfterSrc, false),
        boolValue("SaveAfterSrcDialog", o.SaveAfterSrcDialog, false),
        boolValue("SaveAfterSrcRenum", o.SaveAfterSrcRenum, false),
        boolValue("SaveAfterSrcHead", o.SaveAfterSrcHead, false),
        stringValue("SaveAfterSrcDir", o.SaveAfterSrcDir, DefaultOptionFolder(&o.SaveAfterSrcDir)),
        stringValue("DataFontName", o.DataFontName, fontName),
        intValue("DataFontSize", o.DataFontSize, 10),
        intValue("DataShowMode", o.DataShowMode, 0),
        intValue("DataColWidthV", o.DataColWidthV, 30),
        intValue("DataColWidthH", o.DataColWidthH, 20),
        boolValue("ShowWhereGrid", o.ShowWhereGrid, true),
        boolValue("WhereAutoQuote", o.WhereAutoQuote, true),
        intValue("DefTopRecord", o.DefTopRecord, 1000),
        stringValue("DateFormat", o.DateFormat, QStringLiteral("yyyy/MM/dd")),
        stringValue("TimeFormat", o.TimeFormat, QStringLiteral("HH:mm:ss")),
        intValue("SQLBuf", o.SQLBuf, 32),
        boolValue("AddStripe", o.AddStripe, true),
        boolValue("UsePartial", o.UsePartial, true),
        stringValue("DiagramFontName", o.DiagramFontName, fontName),
        intValue("DiagramFontSize", o.DiagramFontSize, 9),
        stringValue("GridFontName", o.GridFontName, fontName),
        intValue("GridFontSize", o.GridFontSize, 9),
        byteValue("PasteTitle", o.PasteTitle, tmColumnName),
        intValue("PasteColumn", o.PasteColumn, 0),
        boolValue("PasteDialog", o.PasteDialog, false),
        stringValue("FileDir", o.FileDir, DefaultOptionFolder(&o.FileDir)),
        stringValue("ExcelDir", o.ExcelDir, DefaultOptionFolder(&o.ExcelDir)),
        stringValue("ScrExecDir", o.ScrExecDir, QString()),
        stringValue("ExcelSheet", o.ExcelSheet, QString()),
        stringValue("ExcelForm", o.ExcelForm, QString()),
        intValue("ExcelTop", o.ExcelTop, 0),
        intValue("ExcelLeft", o.ExcelLeft, 0),
        // The system writes and ships .xlsx workbooks only.
        stringValue("ExcelFormMatrix", o.ExcelFormMatrix,
                    DataDir + QStringLiteral("xlsdef/qvmatrix.xlsx")),
        intValue("ExcelMatrixRow", o.ExcelMatrixRow, 60),
        intValue("ExcelMatrixCol", o.ExcelMatrixCol, 30),
        byteValue("ExcelTitle", o.ExcelTitle, tmColumnName),
        intValue("ExcelMode", o.ExcelMode, 0),
        boolValue("ExcelRefresh", o.ExcelRefresh, false),
        boolValue("ExcelDialog", o.ExcelDialog, false),
        boolValue("UpdateToCommit", o.UpdateToCommit, true),
        boolValue("UpdateMode", o.UpdateMode, true),
        boolValue("ScriptCompDel", o.ScriptCompDel, false),
        boolValue("ScriptErrStop", o.ScriptErrStop, false),
        intValue("CrossLevel", o.CrossLevel, 3),
        intValue("DataGenCommit", o.DataGenCommit, 50),
        boolValue("CodeAssist", o.CodeAssist, true),
        // The value's name is older than the field's meaning; stored files rely on it.
        boolValue("UserUpperName", o.UseLowerName, true),
        stringValue("TempDir", o.TempDir, DefaultOptionFolder(&o.TempDir)),
        // Set by hand or found at start, never written: a value the user put there stays.
        readOnly(stringValue("ExcelExt", o.ExcelExt, QString())),
        readOnly(boolValue("CLOB_TO_CHAR", o.CLOB_TO_CHAR, false)),
        readOnly(stringValue("CharacterSet", o.CharacterSet, QStringLiteral("UTF8"))),
        intValue("Encoding", o.Encoding, 2),
        listValue("AlertLogPas", o.AlertLogPas),
        intValue("IdxRebuild", o.IdxRebuild, 20),
        intValue("SleepTime", o.SleepTime, 70),
        intValue("KeepAliveInterval", o.KeepAliveInterval, 0),
        stringValue("NLS_LANG", o.NLS_LANG, QString()),
    };
    key.afterRead = [] { AppOption.TimeOracle = TimeFormatToOracle(AppOption.TimeFormat); };
    return key;
}

OptionKey printKey()
{
    TqvPrintOption &o = PrintOption;
    return { "PRINTOPTION",
             {
                 byteValue("Orientation", o.Orientation, quint8(0)),
                 intValue("LeftMargin", o.MMLeftMargin, 20),
                 intValue("TopMargin", o.MMTopMargin, 20),
                 intValue("RightMargin", o.MMRightMargin, 20),
                 intValue("BottomMargin", o.MMBottomMargin, 20),
                 stringValue("FontName", o.FontName, QStringLiteral("ＭＳ ゴシック")),
                 intValue("FontSize", o.FontSize, 10),
             },
             {},
             {},
             {} };
}

OptionKey shortcutKey()
{
    OptionKey key { "SHORTCUT", {}, {}, {}, {} };
    for (int i = 0; i < ShortcutActionCount; ++i) {
        const QString name = QString::fromLatin1(ShortcutActions[i].valueName);
        // The default is the action's shortcut at this moment; a value saved empty (the user
        // removed the shortcut) therefore comes back as that default.
        key.values.append({ name,
                            [name, i](const TqvRegistry &r) {
                                const QString current = shortcutToText(ShortcutList[i]);
                                ShortcutList[i] = textToShortcut(r.GetString(name, current));
                            },
                            [name, i](TqvRegistry &r) {
                                r.WriteString(name, shortcutToText(ShortcutList[i]));
                            } });
    }
    return key;
}

OptionKey scriptKey()
{
    TScriptOption &o = ScriptOption;
    return { "TEXTOUT",
             {
                 boolValue("OneScript", o.OneScript, false),
                 boolValue("SubDir", o.Dir, false),
                 boolValue("SameName", o.SameName, true),
                 stringValue("Path", o.Path, DocumentDir),
                 listValue("NameTable", o.NameTable),
                 intValue("Schema", o.Owner, 1),
                 boolValue("Index", o.Index, false),
                 boolValue("Insert", o.Insert, false),
                 intValue("InsertMode", o.InsertMode, 0),
                 boolValue("Storage", o.Storage, true),
                 boolValue("ViewCol", o.ViewCol, true),
                 boolValue("Grant", o.Grant, false),
                 intValue("GrantMode", o.GrantMode, 0),
                 boolValue("NullLine", o.NullLine, false),
             },
             {},
             {},
             {} };
}

OptionKey exportKey()
{
    TExpOption &o = ExpOption;
    return { "EXPORT",
             {
                 stringValue("FileName", o.ExpFile, DocumentDir + QStringLiteral("bkupdat.dmp")),
                 stringValue("UserID", o.UserID, QString()),
                 stringValue("ExpPgm", o.ExpPgm, QString()),
                 boolValue("Background", o.Background, false),
                 stringValue("LogFile", o.LogFile, DocumentDir + QStringLiteral("psql_bkup.log")),
                 intValue("Format", o.Format, 0),
                 stringValue("Compres", o.Compres, QString()),
                 stringValue("Encoding", o.Encoding, QString()),
                 stringValue("RoleName", o.RoleName, QString()),
                 boolValue("PreData", o.PreData, false),
                 boolValue("SecData", o.SecData, false),
                 boolValue("PostData", o.PostData, false),
                 boolValue("Data", o.Data, false),
                 boolValue("Schema", o.Schema, false),
                 boolValue("Blobs", o.Blobs, false),
                 boolValue("Owner", o.Owner, false),
                 boolValue("Grants", o.Grants, false),
                 boolValue("Tablespaces", o.Tablespaces, false),
                 boolValue("UnlogTbl", o.UnlogTbl, false),
                 boolValue("Securitylbl", o.Securitylbl, false),
                 boolValue("CreateDataBase", o.CreateDataBase, false),
                 boolValue("DropDataBase", o.DropDataBase, false),
                 boolValue("ColumnInserts", o.ColumnInserts, false),
                 boolValue("Inserts", o.Inserts, false),
                 boolValue("Trigger", o.Trigger, false),
                 boolValue("DollarQuoting", o.DollarQuoting, false),
                 boolValue("Authorization", o.Authorization, false),
                 boolValue("Oid", o.Oid, false),
                 boolValue("Quote", o.Quote, false),
                 boolValue("Serializable", o.Serializable, false),
                 stringValue("TimeOutMil", o.TimeOutMil, QString()),
                 boolValue("Ifexists", o.Ifexists, false),
             },
             {},
             {},
             {} };
}

OptionKey importKey()
{
    TImpOption &o = ImpOption;
    return { "IMPORT",
             {
                 stringValue("FileName", o.ImpFile, DocumentDir + QStringLiteral("bkupdat.dmp")),
                 stringValue("UserID", o.UserID, QString()),
                 intValue("Format", o.Format, 0),
                 intValue("Mode", o.Mode, 0),
                 stringValue("JobNo", o.JobNo, QString()),
                 stringValue("RoleName", o.RoleName, QString()),
                 boolValue("PreData", o.PreData, false),
                 boolValue("SecData", o.SecData, false),
                 boolValue("PostData", o.PostData, false),
                 boolValue("Data", o.Data, false),
                 boolValue("Schema", o.Schema, false),
                 boolValue("Owner", o.Owner, false),
                 boolValue("Grants", o.Grants, false),
                 boolValue("Tablespaces", o.Tablespaces, false),
                 boolValue("Securitylbl", o.Securitylbl, false),
                 boolValue("CreateDataBase", o.CreateDataBase, false),
                 boolValue("Clean", o.Clean, false),
                 boolValue("Transaction", o.Transaction, false),
                 boolValue("Trigger", o.Trigger, false),
                 boolValue("NoData", o.NoData, false),
                 boolValue("Authorization", o.Authorization, false),
                 boolValue("Error", o.Error, false),
                 stringValue("ImpPgm", o.ImpPgm, QString()),
                 stringValue("LogFile", o.LogFile, DocumentDir + QStringLiteral("psql_res.log")),
                 stringValue("SchemaList", o.SchemaList, QString()),
                 stringValue("TableList", o.TableList, QString()),
                 boolValue("Ifexists", o.Ifexists, false),
             },
             {},
             {},
             {} };
}

OptionKey exportDpKey()
{
    TExpdpOption &o = ExpdpOption;
    return { "EXPORT_DP",
             {
                 stringValue("ExpdpDirObj", o.ExpdpDirObj, QString()),
                 stringValue("FileName", o.ExpdpFile, QStringLiteral("EXPDPDAT.DMP")),
                 stringValue("UserID", o.UserID, QString()),
                 passwordValue("Pass", o.Pass),
                 boolValue("Grants", o.Grants, true),
                 boolValue("Indexes", o.Indexes, true),
                 boolValue("Rows", o.Rows, true),
                 boolValue("Constraints", o.Constraints, true),
                 stringValue("ExpPgm", o.ExpPgm, QString()),
                 boolValue("Background", o.Background, false),
                 stringValue("ExpdpLogDirObj", o.ExpdpLogDirObj, QString()),
                 stringValue("LogFile", o.LogFile, QStringLiteral("EXPDP.LOG")),
             },
             {},
             {},
             {} };
}

OptionKey importDpKey()
{
    TImpdpOption &o = ImpdpOption;
    return { "IMPORT_DP",
             {
                 stringValue("ImpdpDirObj", o.ImpdpDirObj, QString()),
                 stringValue("FileName", o.ImpFile, QStringLiteral("EXPDPDAT.DMP")),
                 stringValue("UserID", o.UserID, QString()),
                 passwordValue("Pass", o.Pass),
                 boolValue("Grants", o.Grants, true),
                 boolValue("Indexes", o.Indexes, true),
                 boolValue("Rows", o.Rows, true),
                 boolValue("Constraints", o.Constraints, true),
                 stringValue("ImpdpInfoDirObj", o.ImpdpInfoDirObj, QString()),
                 stringValue("IndexFile", o.IndexFile, QString()),
                 boolValue("Ignore", o.Ignore, false),
                 intValue("IgnoreItem", o.IgnoreItem, 0),
                 boolValue("Destroy", o.Destroy, false),
                 stringValue("ImpPgm", o.ImpPgm, QString()),
                 boolValue("Background", o.Background, false),
                 stringValue("ImpdpLogDirObj", o.ImpdpLogDirObj, QString()),
                 stringValue("LogFile", o.LogFile, QStringLiteral("IMPDP.LOG")),
                 stringValue("UserList", o.UserList, QString()),
                 stringValue("TableList", o.TableList, QString()),
             },
             {},
             {},
             {} };
}

OptionKey loaderKey()
{
    TLoadOption &o = LoadOption;
    return { "LOADER",
             {
                 stringValue("SaveDir", o.SaveDir, DocumentDir),
                 stringValue("DataFile", o.DataFile, QString()),
                 intValue("Output", o.Output, 0),
                 intValue("FormatTo", o.FormatTo, 0),
                 stringValue("EncodingTo", o.EncodingTo, QString()),
                 stringValue("DelimiterTo", o.DelimiterTo, QString()),
                 stringValue("NullTo", o.NullTo, QString()),
                 boolValue("OidTo", o.OidTo, false),
                 boolValue("HeaderTo", o.HeaderTo, true),
                 boolValue("ForceQuote", o.ForceQuote, true),
                 stringValue("QuoteTo", o.QuoteTo, QString()),
                 stringValue("EscapeTo", o.EscapeTo, QString()),
                 intValue("Input", o.Input, 0),
                 intValue("FormatFrom", o.FormatFrom, 0),
                 stringValue("EncodingFrom", o.EncodingFrom, QString()),
                 stringValue("DelimiterFrom", o.DelimiterFrom, QString()),
                 stringValue("NullFrom", o.NullFrom, QString()),
                 boolValue("OidFrom", o.OidFrom, true),
                 boolValue("HeaderFrom", o.HeaderFrom, true),
                 boolValue("ForceNotNull", o.ForceNotNull, true),
                 stringValue("QuoteFrom", o.QuoteFrom, QString()),
                 stringValue("EscapeFrom", o.EscapeFrom, QString()),
             },
             {},
             {},
             {} };
}

OptionKey statsKey()
{
    TStatsOption &o = StatsOption;
    return { "STATSPACK",
             {
                 stringValue("STATSPACK", o.StatsPack, QString()),
                 stringValue("REPORT", o.Report, DocumentDir + QStringLiteral("REPORT.LST")),
                 stringValue("PURGE", o.Purge, QString()),
                 stringValue("TRUNCATE", o.Truncate, QString()),
             },
             {},
             {},
             {} };
}

OptionKey traceKey()
{
    TTrcOption &o = TrcOption;
    return { "TRACE",
             {
                 listValue("Path", o.Path),
                 boolValue("TKPROF", o.TKProf, false),
                 boolValue("Explan", o.ExplainPlan, true),
                 stringValue("PlanUser", o.PlanUserID, QString()),
                 passwordValue("PlanPass", o.PlanPass),
                 stringValue("PlanTable", o.PlanTable, QString()),
                 boolValue("Aggregate", o.Aggregate, true),
                 boolValue("Sys", o.Sys, false),
                 stringValue("Sort", o.Sort, QString()),
                 stringValue("Print", o.Print, QString()),
                 stringValue("TrcPgm", o.TrcPgm, OracleHomeDir + QStringLiteral("/BIN/TKPROF.EXE")),
             },
             {},
             {},
             {} };
}

OptionKey compKey()
{
    TCompOption &o = CompOption;
    return { "COMP",
             {
                 boolValue("Equrl", o.Equrl, true),
                 boolValue("NotEqurl", o.NotEqurl, true),
                 boolValue("Only1", o.Only1, true),
                 boolValue("Only2", o.Only2, true),
             },
             {},
             {},
             {} };
}

OptionKey performKey()
{
    return { "PERFORM", { dateTimeValue("LastAutoSave", LastAutoSave, 0) }, {}, {}, {} };
}

OptionKey lockKey()
{
    return { "LOCK", { listValue("AlertPath", AlertPathList) }, {}, {}, {} };
}

OptionKey formatKey()
{
    TFormatOption &o = FormatOption;
    return { "FORMAT",
             {
                 intValue("Indent", o.Indent, 4),
                 intValue("ItemReturn", o.ItemReturn, 0),
                 intValue("ReservePos", o.ReservePos, 0),
                 intValue("CommaPos", o.CommaPos, 0),
                 intValue("AndPos", o.AndPos, 0),
                 intValue("ReserveTrans", o.ReserveTrans, 0),
                 intValue("ItemTrans", o.ItemTrans, 2),
             },
             {},
             {},
             {} };
}

OptionKey dbTestKey()
{
    TDBTestOption &o = DBTestOption;
    return { "DBTEST",
             {
                 intValue("Session", o.Session, 10),
                 intValue("SpanTime", o.SpanTime, 0),
                 stringValue("UserId", o.UserId, QString()),
                 // The load test's password has always been kept as plain text.
                 stringValue("Password", o.Password, QString()),
                 boolValue("Error", o.Error, true),
             },
             {},
             {},
             {} };
}

OptionKey dbKey()
{
    return { "DB", { stringValue("AutoConfPath", DBOption.AutoConfPath, QString()) }, {}, {}, {} };
}

// The reserved words are the value names of RESERVE; the data of each value is empty and
// never read.
OptionKey reserveKey()
{
    OptionKey key { "RESERVE", {}, {}, {}, {} };
    key.readKey = [](const TqvRegistry &r) {
        ReserveWordList.clear();
        for (const QString &name : r.GetValueNames()) {
            if (!name.isEmpty())
                ReserveWordList.append(name);
        }
        // The list is never empty after a start: a user who removed every word gets the
        // built-in words back.
        if (ReserveWordList.isEmpty())
            SetDefaultReserveWords(ReserveWordList);
        std::stable_sort(ReserveWordList.begin(), ReserveWordList.end(),
                         [](const QString &a, const QString &b) {
                             return a.compare(b, Qt::CaseInsensitive) < 0;
                         });
    };
    // Value names compare without regard to case, so words that differ only in case become
    // one value.
    key.writeKey = [](TqvRegistry &r) {
        for (const QString &word : std::as_const(ReserveWordList)) {
            if (!word.isEmpty())
                r.WriteString(word, QString());
        }
    };
    key.rewriteWhole = true;
    return key;
}

StoredValue colorValue(const QString &name, TColor &field, TColor def)
{
    return intValue(name, field, def);
}

OptionKey editorKey()
{
    TqvEditorSettings &e = EditorOption;
    OptionKey key;
    key.name = QStringLiteral("EDITOR");
    key.values = {
        stringValue("FontName", e.Font.Name, QStringLiteral("ＭＳ ゴシック")),
        intValue("FontSize", e.Font.Size, 12),
        colorValue("FontColor", e.Font.Color, clWindowText),
        colorValue("Color", e.Color, clWindow),
        boolValue("AutoIndent", e.Caret.AutoIndent, false),
        boolValue("BackSpaceUnIndent", e.Caret.BackSpaceUnIndent, false),
        boolValue("FreeCaret", e.Caret.FreeCaret, false),
        boolValue("InTab", e.Caret.InTab, false),
        boolValue("NextLine", e.Caret.NextLine, true),
        boolValue("TabIndent", e.Caret.TabIndent, false),
        boolValue("SoftTab", e.Caret.SoftTab, false),
        intValue("TabSize", e.Caret.TabSpaceCount, 8),
        boolValue("SelMove", e.Caret.SelMove, true),
        boolValue("ShowRecNo", e.Leftbar.Visible, true),
        boolValue("ShowRuler", e.Ruler.Visible, true),
        intValue("RulerSize", e.Ruler.GaugeRange, 10),
        colorValue("EOFColor", e.Marks.EofMark.Color, clNone),
        colorValue("CRColor", e.Marks.RetMark.Color, 0x00808000),
        colorValue("ULColor", e.Marks.Underline.Color, clNone),
        colorValue("TABColor", e.Marks.TabMark.Color, 0x00C0C0C0),
        colorValue("SemiSpaceColor", e.Marks.SemiSpaceMark.Color, clNone),
        colorValue("SpaceColor", e.Marks.SpaceMark.Color, 0x00C0C0C0),
        colorValue("CommentColor", e.View.Colors.Comment.Color, 0x00008000),
        colorValue("CommentBkColor", e.View.Colors.Comment.BkColor, clNone),
        colorValue("ConstColor", e.View.Colors.Str.Color, clNone),
        colorValue("ConstBkColor", e.View.Colors.Str.BkColor, clNone),
        colorValue("ReserveColor", e.View.Colors.Reserve.Color, 0x00FF0000),
        colorValue("ReserveBkColor", e.View.Colors.Reserve.BkColor, clNone),
        colorValue("SearchColor", e.View.Colors.Hit.Color, clNone),
        colorValue("SearchBkColor", e.View.Colors.Hit.BkColor, 0x00C0C0C0),
    };
    key.afterRead = [] {
        EditorOption.applyFixedSettings();
        EditorOption.ReserveWordList = ReserveWordList;
    };
    return key;
}

// In the order LoadOptions reads them; SaveOptions writes EDITOR before RESERVE.
QList<OptionKey> optionKeys()
{
    return { rootKey(),   printKey(),    shortcutKey(), scriptKey(), exportKey(),
             importKey(), exportDpKey(), importDpKey(), loaderKey(), statsKey(),
             traceKey(),  compKey(),     performKey(),  lockKey(),   formatKey(),
             dbTestKey(), dbKey(),       reserveKey(),  editorKey() };
}

QString keyPath(const OptionKey &key)
{
    const QString root = QString::fromLatin1(QvRegistryRoot);
    return key.name.isEmpty() ? root : root + QLatin1Char('\\') + key.name;
}

void readKey(TqvRegistry &registry, const OptionKey &key)
{
    // Without the key every reader gives its default.
    registry.CloseKey();
    registry.OpenKey(keyPath(key), true);
    if (key.readKey)
        key.readKey(registry);
    for (const StoredValue &value : key.values)
        value.read(registry);
    if (key.afterRead)
        key.afterRead();
    registry.CloseKey();
}

void writeKey(TqvRegistry &registry, const OptionKey &key)
{
    const QString path = keyPath(key);
    registry.CloseKey();
    if (key.rewriteWhole && registry.KeyExists(path))
        registry.DeleteKey(path);
    if (!registry.OpenKey(path, true))
        throw reg::RegistryError(
            QStringLiteral("キー \"%1\" を作成できません。").arg(path).toStdString());
    if (key.writeKey)
        key.writeKey(registry);
    for (const StoredValue &value : key.values) {
        if (value.write)
            value.write(registry);
    }
    registry.CloseKey();
}

} // namespace qvoption

void LoadOptions()
{
    TqvRegistry &registry = *AppRegistry;
    // Missing keys are created as they are read; they reach the file in one save.
    reg::SettingsBatch batch(*registry.store());
    for (const qvoption::OptionKey &key : qvoption::optionKeys())
        qvoption::readKey(registry, key);
    try {
        batch.commit();
    } catch (const std::exception &) {
        // Creating the empty keys is not worth a message: SaveOptions creates them again and
        // reports what keeps the settings from being written.
    }
}

bool SaveOptions(QString *errorText)
{
    TqvRegistry &registry = *AppRegistry;
    try {
        // Everything or nothing: a value that cannot be written leaves the file as it was,
        // and a failed commit leaves nothing pending for a later save to write half of.
        reg::SettingsBatch batch(*registry.store());
        QList<qvoption::OptionKey> keys = qvoption::optionKeys();
        std::swap(keys[keys.size() - 2], keys[keys.size() - 1]);
        for (const qvoption::OptionKey &key : std::as_const(keys))
            qvoption::writeKey(registry, key);
        batch.commit();
    } catch (const std::exception &e) {
        registry.CloseKey();
        if (errorText)
            *errorText = QStringLiteral("オプションを保存できませんでした。\n%1")
                             .arg(QString::fromUtf8(e.what()));
        return false;
    } catch (...) {
        registry.CloseKey();
        if (errorText)
            *errorText = QStringLiteral("オプションを保存できませんでした。");
        return false;
    }
    if (errorText)
        errorText->clear();
    return true;
}

void ResetOptions()
{
    AppOption = TqvOption();
    PrintOption = TqvPrintOption();
    ScriptOption = TScriptOption();
    CompOption = TCompOption();
    FormatOption = TFormatOption();
    DBTestOption = TDBTestOption();
    StatsOption = TStatsOption();
    TrcOption = TTrcOption();
    DBOption = TqvDB();
    ExpOption = TExpOption();
    ImpOption = TImpOption();
    ExpdpOption = TExpdpOption();
    ImpdpOption = TImpdpOption();
    LoadOption = TLoadOption();
    LastAutoSave = 0;
    ResetShortcuts();
    EditorOption = DefaultEditorSettings();
    ReserveWordList.clear();
    AlertPathList.clear();
}

QString DefaultOptionFolder(const QString *field)
{
    const TqvOption &o = AppOption;
    if (field == &o.SaveBeforeSrcDir || field == &o.SaveAfterSrcDir)
        return DataDir;
    if (field == &o.FileDir || field == &o.ExcelDir)
        return DocumentDir;
    if (field == &o.TempDir)
        return DataDir + QStringLiteral("temp/");
    return QString();
}

QString TimeFormatToOracle(const QString &timeFormat)
{
    QString result = timeFormat;
    result.replace(QLatin1String("hh"), QLatin1String("hh24"), Qt::CaseInsensitive);
    result.replace(QLatin1String("mm"), QLatin1String("mi"), Qt::CaseInsensitive);
    return result;
}

QString stringListToText(const QStringList &list)
{
    return JoinLines(list);
}

QStringList textToStringList(const QString &text)
{
    return SplitLines(text);
}
