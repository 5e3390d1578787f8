// The option records against the settings file: every value's name, kind and default as the
// file keeps them, the round trip of every field, the values that are read but never written,
// the reserved words, the shortcuts and a save that cannot reach the file.
#include "core/qveditorsettings.h"
#include "core/qvoption.h"
#include "core/qvreserve.h"
#include "core/qvscramble.h"
#include "core/qvshortcut.h"
#include "core/qvsub.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace test_options {

const QString root = QStringLiteral("\\Software\\Quorlane\\QVR22");
const QString gothic = QStringLiteral("ＭＳ ゴシック");

// What the test expects of one stored value: B Boolean, I integer (also 8-bit enumerations and
// colours), S string, L string list, D date-time, P scrambled password, K shortcut text.
struct Row
{
    QString key; // empty: the root key
    QString name;
    char type;
    QVariant def; // the field after loading from an empty file
    QVariant other; // a value that is not the default
    std::function<QVariant()> get;
    std::function<void(const QVariant &)> set;
};

Row B(const QString &key, const char *name, bool def, bool &f)
{
    return { key,
             name,
             'B',
             def,
             !def,
             [&f] { return QVariant(f); },
             [&f](const QVariant &v) { f = v.toBool(); } };
}

Row I(const QString &key, const char *name, qint32 def, qint32 &f)
{
    return { key,
             name,
             'I',
             def,
             def + 7,
             [&f] { return QVariant(f); },
             [&f](const QVariant &v) { f = v.toInt(); } };
}

template<typename T> Row E(const QString &key, const char *name, qint32 def, T &f)
{
    return { key,
             name,
             'I',
             def,
             def + 2,
             [&f] { return QVariant(int(f)); },
             [&f](const QVariant &v) { f = T(v.toInt()); } };
}

Row S(const QString &key, const char *name, const QString &def, QString &f)
{
    return { key,
             name,
             'S',
             def,
             QString(QStringLiteral("値 ") + name + QStringLiteral(" x")),
             [&f] { return QVariant(f); },
             [&f](const QVariant &v) { f = v.toString(); } };
}

Row L(const QString &key, const char *name, QStringList &f)
{
    return { key,
             name,
             'L',
             QStringList(),
             QStringList { "one", "", "DB=public.names" },
             [&f] { return QVariant(f); },
             [&f](const QVariant &v) { f = v.toStringList(); } };
}

Row P(const QString &key, const char *name, QString &f)
{
    return { key,
             name,
             'P',
             QString(),
             QStringLiteral("  pässwörd "),
             [&f] { return QVariant(f); },
             [&f](const QVariant &v) { f = v.toString(); } };
}

Row K(int index, const char *def)
{
    return { "SHORTCUT",
             ShortcutActions[index].valueName,
             'K',
             QString::fromLatin1(def),
             QStringLiteral("Shift+Ctrl+Alt+F9"),
             [index] { return QVariant(shortcutToText(ShortcutList[index])); },
             [index](const QVariant &v) { ShortcutList[index] = textToShortcut(v.toString()); } };
}

// Every value the options keep, in the order of the keys, with the defaults as the folders of
// the fixture give them. The three values that are read but never written are not here.
QList<Row> optionRows(const QString &dataDir, const QString &docDir, const QString &oracleHome)
{
    TqvOption &o = AppOption;
    const QString r;
    QList<Row> rows = {
        I(r, "TreeSort", 0, o.TreeSort),
        B(r, "ShowLevel0", true, o.ShowLevel0),
        B(r, "ShowLevel1", true, o.ShowLevel1),
        B(r, "TypeTable", true, o.ShowTable),
        B(r, "TypeIndex", true, o.ShowIndex),
        B(r, "TypeView", true, o.ShowView),
        B(r, "TypeFunc", true, o.ShowFunc),
        B(r, "TypeType", true, o.ShowType),
        B(r, "TypeTrigger", true, o.ShowTrigger),
        B(r, "TypeRule", true, o.ShowRule),
        B(r, "TypeSeq", true, o.ShowSeq),
        B(r, "TypeConst", true, o.ShowConst),
        B(r, "TypeMView", true, o.ShowMView),
        B(r, "TypeAgrg", true, o.ShowAgrg),
        B(r, "TypeProc", true, o.ShowProc),
        B(r, "TypePack", true, o.ShowPack),
        B(r, "TypeSynonym", true, o.ShowSynonym),
        B(r, "TypeDBLink", true, o.ShowDBLink),
        B(r, "UserFirst", false, o.UserFirst),
        B(r, "TreeData", false, o.TreeData),
        B(r, "Progress", true, o.Progress),
        B(r, "RowSelect", false, o.RowSelect),
        B(r, "DelErr", false, o.DelErr),
        B(r, "Find", true, o.Find),
        B(r, "FindAuto", true, o.FindAuto),
        E(r, "OpenMode", 0, o.OpenMode),
        B(r, "DefaultAutoQuote", false, o.DefaultAutoQuote),
        B(r, "ShowDDL", false, o.ShowDDL),
        B(r, "CloseDDL", true, o.CloseDDL),
        B(r, "BackupData", true, o.BackupData),
        B(r, "ShowStorageSource", true, o.ShowStorageSource),
        B(r, "ShowColumnSource", true, o.ShowColumnSource),
        B(r, "SaveBeforeSource", false, o.SaveBeforeSrc),
        B(r, "SaveBeforeSrcDialog", false, o.SaveBeforeSrcDialog),
        B(r, "SaveBeforeSrcRenum", false, o.SaveBeforeSrcRenum),
        B(r, "SaveBeforeSrcHead", false, o.SaveBeforeSrcHead),
        S(r, "SaveBeforeSrcDir", dataDir, o.SaveBeforeSrcDir),
        B(r, "SaveAfterSource", false, o.SaveAfterSrc),
        B(r, "SaveAfterSrcDialog", false, o.SaveAfterSrcDialog),
        B(r, "SaveAfterSrcRenum", false, o.SaveAfterSrcRenum),
        B(r, "SaveAfterSrcHead", false, o.SaveAfterSrcHead),
        S(r, "SaveAfterSrcDir", dataDir, o.SaveAfterSrcDir),
        S(r, "DataFontName", gothic, o.DataFontName),
        I(r, "DataFontSize", 10, o.DataFontSize),
        I(r, "DataShowMode", 0, o.DataShowMode),
        I(r, "DataColWidthV", 30, o.DataColWidthV),
        I(r, "DataColWidthH", 20, o.DataColWidthH),
        B(r, "ShowWhereGrid", true, o.ShowWhereGrid),
        B(r, "WhereAutoQuote", true, o.WhereAutoQuote),
        I(r, "DefTopRecord", 1000, o.DefTopRecord),
        S(r, "DateFormat", "yyyy/MM/dd", o.DateFormat),
        S(r, "TimeFormat", "HH:mm:ss", o.TimeFormat),
        I(r, "SQLBuf", 32, o.SQLBuf),
        B(r, "AddStripe", true, o.AddStripe),
        B(r, "UsePartial", true, o.UsePartial),
        S(r, "DiagramFontName", gothic, o.DiagramFontName),
        I(r, "DiagramFontSize", 9, o.DiagramFontSize),
        S(r, "GridFontName", gothic, o.GridFontName),
        I(r, "GridFontSize", 9, o.GridFontSize),
        E(r, "PasteTitle", 0, o.PasteTitle),
        I(r, "PasteColumn", 0, o.PasteColumn),
        B(r, "PasteDialog", false, o.PasteDialog),
        S(r, "FileDir", docDir, o.FileDir),
        S(r, "ExcelDir", docDir, o.ExcelDir),
        S(r, "ScrExecDir", "", o.ScrExecDir),
        S(r, "ExcelSheet", "", o.ExcelSheet),
        S(r, "ExcelForm", "", o.ExcelForm),
        I(r, "ExcelTop", 0, o.ExcelTop),
        I(r, "ExcelLeft", 0, o.ExcelLeft),
        S(r, "ExcelFormMatrix", dataDir + "xlsdef/qvmatrix.xlsx", o.ExcelFormMatrix),
        I(r, "ExcelMatrixRow", 60, o.ExcelMatrixRow),
        I(r, "ExcelMatrixCol", 30, o.ExcelMatrixCol),
        E(r, "ExcelTitle", 0, o.ExcelTitle),
        I(r, "ExcelMode", 0, o.ExcelMode),
        B(r, "ExcelRefresh", false, o.ExcelRefresh),
        B(r, "ExcelDialog", false, o.ExcelDialog),
        B(r, "UpdateToCommit", true, o.UpdateToCommit),
        B(r, "UpdateMode", true, o.UpdateMode),
        B(r, "ScriptCompDel", false, o.ScriptCompDel),
        B(r, "ScriptErrStop", false, o.ScriptErrStop),
        I(r, "CrossLevel", 3, o.CrossLevel),
        I(r, "DataGenCommit", 50, o.DataGenCommit),
        B(r, "CodeAssist", true, o.CodeAssist),
        B(r, "UserUpperName", true, o.UseLowerName),
        S(r, "TempDir", dataDir + "temp/", o.TempDir),
        I(r, "Encoding", 2, o.Encoding),
        L(r, "AlertLogPas", o.AlertLogPas),
        I(r, "IdxRebuild", 20, o.IdxRebuild),
        I(r, "SleepTime", 70, o.SleepTime),
        I(r, "KeepAliveInterval", 0, o.KeepAliveInterval),
        S(r, "NLS_LANG", "", o.NLS_LANG),
    };

    const QString pr = "PRINTOPTION";
    rows += {
        E(pr, "Orientation", 0, PrintOption.Orientation),
        I(pr, "LeftMargin", 20, PrintOption.MMLeftMargin),
        I(pr, "TopMargin", 20, PrintOption.MMTopMargin),
        I(pr, "RightMargin", 20, PrintOption.MMRightMargin),
        I(pr, "BottomMargin", 20, PrintOption.MMBottomMargin),
        S(pr, "FontName", gothic, PrintOption.FontName),
        I(pr, "FontSize", 10, PrintOption.FontSize),
    };

    const char *const shortcutDefaults[ShortcutActionCount]
        = { "", "", "", "", "", "Ctrl+Z", "Ctrl+Y", "Ctrl+X", "Ctrl+C", "Ctrl+V", "", "", "Ctrl+A",
            "", "Ctrl+F", "F3", "Shift+F3", "Ctrl+R", "Ctrl+G", "", "Ctrl+-", "", "", "", "", "",
            "", "",
            // ObjectNew ... ObjectLoad
            "", "", "", "", "", "", "", "", "", "", "", "", "", "Del", "", "", "",
            // ViewSQL ... ToolScriptOption
            "Ctrl+S", "", "Ctrl+T", "Ctrl+J", "", "", "", "", "", "", "", "", "", "", "", "", "",
            "", "", "", "", "" };
    for (int i = 0; i < ShortcutActionCount; ++i)
        rows += K(i, shortcutDefaults[i]);

    TScriptOption &so = ScriptOption;
    const QString t = "TEXTOUT";
    rows += {
        B(t, "OneScript", false, so.OneScript), B(t, "SubDir", false, so.Dir),
        B(t, "SameName", true, so.SameName),    S(t, "Path", docDir, so.Path),
        L(t, "NameTable", so.NameTable),        I(t, "Schema", 1, so.Owner),
        B(t, "Index", false, so.Index),         B(t, "Insert", false, so.Insert),
        I(t, "InsertMode", 0, so.InsertMode),   B(t, "Storage", true, so.Storage),
        B(t, "ViewCol", true, so.ViewCol),      B(t, "Grant", false, so.Grant),
        I(t, "GrantMode", 0, so.GrantMode),     B(t, "NullLine", false, so.NullLine),
    };

    TExpOption &eo = ExpOption;
    const QString ex = "EXPORT";
    rows += {
        S(ex, "FileName", docDir + "bkupdat.dmp", eo.ExpFile),
        S(ex, "UserID", "", eo.UserID),
        S(ex, "ExpPgm", "", eo.ExpPgm),
        B(ex, "Background", false, eo.Background),
        S(ex, "LogFile", docDir + "psql_bkup.log", eo.LogFile),
        I(ex, "Format", 0, eo.Format),
        S(ex, "Compres", "", eo.Compres),
        S(ex, "Encoding", "", eo.Encoding),
        S(ex, "RoleName", "", eo.RoleName),
        B(ex, "PreData", false, eo.PreData),
        B(ex, "SecData", false, eo.SecData),
        B(ex, "PostData", false, eo.PostData),
        B(ex, "Data", false, eo.Data),
        B(ex, "Schema", false, eo.Schema),
        B(ex, "Blobs", false, eo.Blobs),
        B(ex, "Owner", false, eo.Owner),
        B(ex, "Grants", false, eo.Grants),
        B(ex, "Tablespaces", false, eo.Tablespaces),
        B(ex, "UnlogTbl", false, eo.UnlogTbl),
        B(ex, "Securitylbl", false, eo.Securitylbl),
        B(ex, "CreateDataBase", false, eo.CreateDataBase),
        B(ex, "DropDataBase", false, eo.DropDataBase),
        B(ex, "ColumnInserts", false, eo.ColumnInserts),
        B(ex, "Inserts", false, eo.Inserts),
        B(ex, "Trigger", false, eo.Trigger),
        B(ex, "DollarQuoting", false, eo.DollarQuoting),
        B(ex, "Authorization", false, eo.Authorization),
        B(ex, "Oid", false, eo.Oid),
        B(ex, "Quote", false, eo.Quote),
        B(ex, "Serializable", false, eo.Serializable),
        S(ex, "TimeOutMil", "", eo.TimeOutMil),
        B(ex, "Ifexists", false, eo.Ifexists),
    };

    TImpOption &io = ImpOption;
    const QString im = "IMPORT";
    rows += {
        S(im, "FileName", docDir + "bkupdat.dmp", io.ImpFile),
        S(im, "UserID", "", io.UserID),
        I(im, "Format", 0, io.Format),
        I(im, "Mode", 0, io.Mode),
        S(im, "JobNo", "", io.JobNo),
        S(im, "RoleName", "", io.RoleName),
        B(im, "PreData", false, io.PreData),
        B(im, "SecData", false, io.SecData),
        B(im, "PostData", false, io.PostData),
        B(im, "Data", false, io.Data),
        B(im, "Schema", false, io.Schema),
        B(im, "Owner", false, io.Owner),
        B(im, "Grants", false, io.Grants),
        B(im, "Tablespaces", false, io.Tablespaces),
        B(im, "Securitylbl", false, io.Securitylbl),
        B(im, "CreateDataBase", false, io.CreateDataBase),
        B(im, "Clean", false, io.Clean),
        B(im, "Transaction", false, io.Transaction),
        B(im, "Trigger", false, io.Trigger),
        B(im, "NoData", false, io.NoData),
        B(im, "Authorization", false, io.Authorization),
        B(im, "Error", false, io.Error),
        S(im, "ImpPgm", "", io.ImpPgm),
        S(im, "LogFile", docDir + "psql_res.log", io.LogFile),
        S(im, "SchemaList", "", io.SchemaList),
        S(im, "TableList", "", io.TableList),
        B(im, "Ifexists", false, io.Ifexists),
    };

    TExpdpOption &xo = ExpdpOption;
    const QString xd = "EXPORT_DP";
    rows += {
        S(xd, "ExpdpDirObj", "", xo.ExpdpDirObj),
        S(xd, "FileName", "EXPDPDAT.DMP", xo.ExpdpFile),
        S(xd, "UserID", "", xo.UserID),
        P(xd, "Pass", xo.Pass),
        B(xd, "Grants", true, xo.Grants),
        B(xd, "Indexes", true, xo.Indexes),
        B(xd, "Rows", true, xo.Rows),
        B(xd, "Constraints", true, xo.Constraints),
        S(xd, "ExpPgm", "", xo.ExpPgm),
        B(xd, "Background", false, xo.Background),
        S(xd, "ExpdpLogDirObj", "", xo.ExpdpLogDirObj),
        S(xd, "LogFile", "EXPDP.LOG", xo.LogFile),
    };

    TImpdpOption &mo = ImpdpOption;
    const QString md = "IMPORT_DP";
    rows += {
        S(md, "ImpdpDirObj", "", mo.ImpdpDirObj),
        S(md, "FileName", "EXPDPDAT.DMP", mo.ImpFile),
        S(md, "UserID", "", mo.UserID),
        P(md, "Pass", mo.Pass),
        B(md, "Grants", true, mo.Grants),
        B(md, "Indexes", true, mo.Indexes),
        B(md, "Rows", true, mo.Rows),
        B(md, "Constraints", true, mo.Constraints),
        S(md, "ImpdpInfoDirObj", "", mo.ImpdpInfoDirObj),
        S(md, "IndexFile", "", mo.IndexFile),
        B(md, "Ignore", false, mo.Ignore),
        I(md, "IgnoreItem", 0, mo.IgnoreItem),
        B(md, "Destroy", false, mo.Destroy),
        S(md, "ImpPgm", "", mo.ImpPgm),
        B(md, "Background", false, mo.Background),
        S(md, "ImpdpLogDirObj", "", mo.ImpdpLogDirObj),
        S(md, "LogFile", "IMPDP.LOG", mo.LogFile),
        S(md, "UserList", "", mo.UserList),
        S(md, "TableList", "", mo.TableList),
    };

    TLoadOption &lo = LoadOption;
    const QString ld = "LOADER";
    rows += {
        S(ld, "SaveDir", docDir, lo.SaveDir),
        S(ld, "DataFile", "", lo.DataFile),
        I(ld, "Output", 0, lo.Output),
        I(ld, "FormatTo", 0, lo.FormatTo),
        S(ld, "EncodingTo", "", lo.EncodingTo),
        S(ld, "DelimiterTo", "", lo.DelimiterTo),
        S(ld, "NullTo", "", lo.NullTo),
        B(ld, "OidTo", false, lo.OidTo),
        B(ld, "HeaderTo", true, lo.HeaderTo),
        B(ld, "ForceQuote", true, lo.ForceQuote),
        S(ld, "QuoteTo", "", lo.QuoteTo),
        S(ld, "EscapeTo", "", lo.EscapeTo),
        I(ld, "Input", 0, lo.Input),
        I(ld, "FormatFrom", 0, lo.FormatFrom),
        S(ld, "EncodingFrom", "", lo.EncodingFrom),
        S(ld, "DelimiterFrom", "", lo.DelimiterFrom),
        S(ld, "NullFrom", "", lo.NullFrom),
        B(ld, "OidFrom", true, lo.OidFrom),
        B(ld, "HeaderFrom", true, lo.HeaderFrom),
        B(ld, "ForceNotNull", true, lo.ForceNotNull),
        S(ld, "QuoteFrom", "", lo.QuoteFrom),
        S(ld, "EscapeFrom", "", lo.EscapeFrom),
    };

    const QString st = "STATSPACK";
    rows += {
        S(st, "STATSPACK", "", StatsOption.StatsPack),
        S(st, "REPORT", docDir + "REPORT.LST", StatsOption.Report),
        S(st, "PURGE", "", StatsOption.Purge),
        S(st, "TRUNCATE", "", StatsOption.Truncate),
    };

    TTrcOption &tr = TrcOption;
    const QString tc = "TRACE";
    rows += {
        L(tc, "Path", tr.Path),
        B(tc, "TKPROF", false, tr.TKProf),
        B(tc, "Explan", true, tr.ExplainPlan),
        S(tc, "PlanUser", "", tr.PlanUserID),
        P(tc, "PlanPass", tr.PlanPass),
        S(tc, "PlanTable", "", tr.PlanTable),
        B(tc, "Aggregate", true, tr.Aggregate),
        B(tc, "Sys", false, tr.Sys),
        S(tc, "Sort", "", tr.Sort),
        S(tc, "Print", "", tr.Print),
        S(tc, "TrcPgm", oracleHome + "/BIN/TKPROF.EXE", tr.TrcPgm),
    };

    rows += {
        B("COMP", "Equrl", true, CompOption.Equrl),
        B("COMP", "NotEqurl", true, CompOption.NotEqurl),
        B("COMP", "Only1", true, CompOption.Only1),
        B("COMP", "Only2", true, CompOption.Only2),
    };

    rows += Row { "PERFORM",
                  "LastAutoSave",
                  'D',
                  0.0,
                  45678.75,
                  [] { return QVariant(LastAutoSave); },
                  [](const QVariant &v) { LastAutoSave = v.toDouble(); } };

    rows += L("LOCK", "AlertPath", AlertPathList);

    TFormatOption &fo = FormatOption;
    rows += {
        I("FORMAT", "Indent", 4, fo.Indent),
        I("FORMAT", "ItemReturn", 0, fo.ItemReturn),
        I("FORMAT", "ReservePos", 0, fo.ReservePos),
        I("FORMAT", "CommaPos", 0, fo.CommaPos),
        I("FORMAT", "AndPos", 0, fo.AndPos),
        I("FORMAT", "ReserveTrans", 0, fo.ReserveTrans),
        I("FORMAT", "ItemTrans", 2, fo.ItemTrans),
    };

    rows += {
        I("DBTEST", "Session", 10, DBTestOption.Session),
        I("DBTEST", "SpanTime", 0, DBTestOption.SpanTime),
        S("DBTEST", "UserId", "", DBTestOption.UserId),
        S("DBTEST", "Password", "", DBTestOption.Password),
        B("DBTEST", "Error", true, DBTestOption.Error),
    };

    rows += S("DB", "AutoConfPath", "", DBOption.AutoConfPath);

    TqvEditorSettings &ed = EditorOption;
    const QString e = "EDITOR";
    const qint32 none = 0x1FFFFFFF;
    rows += {
        S(e, "FontName", gothic, ed.Font.Name),
        I(e, "FontSize", 12, ed.Font.Size),
        I(e, "FontColor", qint32(0xFF000008), ed.Font.Color),
        I(e, "Color", qint32(0xFF000005), ed.Color),
        B(e, "AutoIndent", false, ed.Caret.AutoIndent),
        B(e, "BackSpaceUnIndent", false, ed.Caret.BackSpaceUnIndent),
        B(e, "FreeCaret", false, ed.Caret.FreeCaret),
        B(e, "InTab", false, ed.Caret.InTab),
        B(e, "NextLine", true, ed.Caret.NextLine),
        B(e, "TabIndent", false, ed.Caret.TabIndent),
        B(e, "SoftTab", false, ed.Caret.SoftTab),
        I(e, "TabSize", 8, ed.Caret.TabSpaceCount),
        B(e, "SelMove", true, ed.Caret.SelMove),
        B(e, "ShowRecNo", true, ed.Leftbar.Visible),
        B(e, "ShowRuler", true, ed.Ruler.Visible),
        I(e, "RulerSize", 10, ed.Ruler.GaugeRange),
        I(e, "EOFColor", none, ed.Marks.EofMark.Color),
        I(e, "CRColor", 0x00808000, ed.Marks.RetMark.Color),
        I(e, "ULColor", none, ed.Marks.Underline.Color),
        I(e, "TABColor", 0x00C0C0C0, ed.Marks.TabMark.Color),
        I(e, "SemiSpaceColor", none, ed.Marks.SemiSpaceMark.Color),
        I(e, "SpaceColor", 0x00C0C0C0, ed.Marks.SpaceMark.Color),
        I(e, "CommentColor", 0x00008000, ed.View.Colors.Comment.Color),
        I(e, "CommentBkColor", none, ed.View.Colors.Comment.BkColor),
        I(e, "ConstColor", none, ed.View.Colors.Str.Color),
        I(e, "ConstBkColor", none, ed.View.Colors.Str.BkColor),
        I(e, "ReserveColor", 0x00FF0000, ed.View.Colors.Reserve.Color),
        I(e, "ReserveBkColor", none, ed.View.Colors.Reserve.BkColor),
        I(e, "SearchColor", none, ed.View.Colors.Hit.Color),
        I(e, "SearchBkColor", 0x00C0C0C0, ed.View.Colors.Hit.BkColor),
    };
    return rows;
}

std::string where(const Row &row)
{
    return QString(row.key + "/" + row.name).toStdString();
}

QString keyPath(const QString &key)
{
    return key.isEmpty() ? root : root + "\\" + key;
}

// The stored form the test expects of a field value; passwords are compared unscrambled.
reg::Value storedForm(char type, const QVariant &v)
{
    switch (type) {
    case 'B':
        return reg::Value::fromDWord(v.toBool() ? 1 : 0);
    case 'I':
        return reg::Value::fromDWord(quint32(v.toInt()));
    case 'L': {
        QString text;
        for (const QString &line : v.toStringList())
            text += line + "\r\n";
        return reg::Value::fromString(text);
    }
    case 'D': {
        QByteArray bytes(8, '\0');
        const double d = v.toDouble();
        std::memcpy(bytes.data(), &d, 8);
        return reg::Value::fromBinary(bytes);
    }
    default:
        return reg::Value::fromString(v.toString());
    }
}

class Options : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.path() + "/Quorlane/QVR22.reg";
        m_savedRegistry = AppRegistry;
        m_savedDirs = { DataDir, DocumentDir, OracleHomeDir };
        DataDir = "/srv/common/QVR22/";
        DocumentDir = "/home/user/文書/";
        OracleHomeDir = "/opt/oracle";
        openStore();
        ResetOptions();
    }

    void TearDown() override
    {
        ResetOptions();
        AppRegistry = m_savedRegistry;
        DataDir = m_savedDirs[0];
        DocumentDir = m_savedDirs[1];
        OracleHomeDir = m_savedDirs[2];
    }

    // A fresh store read from the file: what the file holds, not what memory holds.
    void openStore()
    {
        m_registry.reset();
        m_store = std::make_unique<reg::SettingsStore>(m_path);
        m_registry = std::make_unique<TqvRegistry>(m_store.get());
        AppRegistry = m_registry.get();
    }

    std::optional<reg::Value> stored(const QString &key, const QString &name) const
    {
        return m_store->value(keyPath(key), name);
    }

    void put(const QString &key, const QString &name, const reg::Value &value)
    {
        ASSERT_TRUE(m_store->createKey(keyPath(key)));
        ASSERT_TRUE(m_store->setValue(keyPath(key), name, value));
    }

    void saveToFile()
    {
        m_store->save();
        openStore();
    }

    QList<Row> rows() const { return optionRows(DataDir, DocumentDir, OracleHomeDir); }

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<reg::SettingsStore> m_store;
    std::unique_ptr<TqvRegistry> m_registry;
    TqvRegistry *m_savedRegistry = nullptr;
    QStringList m_savedDirs;
};

const QStringList allKeys
    = { "",          "PRINTOPTION", "SHORTCUT",  "TEXTOUT", "EXPORT", "IMPORT",  "EXPORT_DP",
        "IMPORT_DP", "LOADER",      "STATSPACK", "TRACE",   "COMP",   "PERFORM", "LOCK",
        "FORMAT",    "DBTEST",      "DB",        "RESERVE", "EDITOR" };

TEST_F(Options, EmptyFileGivesDefaultsAndEveryKeyAndSavesEveryValueByName)
{
    LoadOptions();
    openStore();
    for (const QString &key : allKeys) {
        EXPECT_TRUE(m_store->keyExists(keyPath(key))) << key.toStdString();
        EXPECT_TRUE(m_store->valueNames(keyPath(key)).isEmpty()) << key.toStdString();
    }

    LoadOptions();
    const QList<Row> table = rows();
    for (const Row &row : table)
        EXPECT_EQ(row.get(), row.def) << where(row);
    EXPECT_EQ(AppOption.TimeOracle, "hh24:mi:ss");
    EXPECT_EQ(AppOption.ExcelExt, "");
    EXPECT_FALSE(AppOption.CLOB_TO_CHAR);
    EXPECT_EQ(AppOption.CharacterSet, "UTF8");
    EXPECT_FALSE(AppOption.flgCallFromTbl);

    QString error;
    ASSERT_TRUE(SaveOptions(&error)) << error.toStdString();
    openStore();
    QHash<QString, QStringList> namesByKey;
    for (const Row &row : table) {
        namesByKey[row.key.toUpper()] << row.name.toUpper();
        const auto value = stored(row.key, row.name);
        ASSERT_TRUE(value) << where(row);
        if (row.type == 'P')
            EXPECT_EQ(*value, reg::Value::fromString("")) << row.name.toStdString();
        else
            EXPECT_EQ(*value, storedForm(row.type, row.def)) << where(row);
    }
    // Nothing else is written: no misspelt names, and never the three read-only values.
    for (const QString &key : allKeys) {
        if (key == "RESERVE")
            continue;
        QStringList names = m_store->valueNames(keyPath(key));
        for (QString &name : names)
            name = name.toUpper();
        names.sort();
        QStringList expected = namesByKey.value(key);
        expected.sort();
        EXPECT_EQ(names, expected) << key.toStdString();
    }
}

TEST_F(Options, EveryFieldRoundTripsThroughTheFile)
{
    LoadOptions();
    const QList<Row> table = rows();
    for (const Row &row : table)
        row.set(row.other);

    QString error;
    ASSERT_TRUE(SaveOptions(&error)) << error.toStdString();
    openStore();
    for (const Row &row : table) {
        const auto value = stored(row.key, row.name);
        ASSERT_TRUE(value) << where(row);
        if (row.type == 'P') {
            ASSERT_EQ(value->kind, reg::ValueKind::Sz);
            EXPECT_NE(value->text, row.other.toString());
            EXPECT_EQ(UnscramblePassword(value->text), row.other.toString());
        } else {
            EXPECT_EQ(*value, storedForm(row.type, row.other)) << where(row);
        }
    }

    ResetOptions();
    LoadOptions();
    for (const Row &row : table)
        EXPECT_EQ(row.get(), row.other) << where(row);
}

TEST_F(Options, TimeOracleIsDerivedFromTheTimeFormat)
{
    const struct
    {
        const char *timeFormat;
        const char *oracle;
    } cases[] = {
        { "HH:mm:ss", "hh24:mi:ss" },         { "hh:mm", "hh24:mi" }, { "H:mm", "H:mi" },
        { "Hh:MM:ss.zzz", "hh24:mi:ss.zzz" }, { "HHH:m", "hh24H:m" },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TimeFormatToOracle(c.timeFormat), c.oracle) << c.timeFormat;
        put("", "TimeFormat", reg::Value::fromString(c.timeFormat));
        LoadOptions();
        EXPECT_EQ(AppOption.TimeFormat, c.timeFormat);
        EXPECT_EQ(AppOption.TimeOracle, c.oracle) << c.timeFormat;
    }
}

TEST_F(Options, ValuesReadButNeverWrittenKeepWhatTheFileHolds)
{
    put("", "ExcelExt", reg::Value::fromString(".XLS"));
    put("", "CLOB_TO_CHAR", reg::Value::fromDWord(1));
    put("", "CharacterSet", reg::Value::fromString("SJIS"));
    saveToFile();

    LoadOptions();
    EXPECT_EQ(AppOption.ExcelExt, ".XLS");
    EXPECT_TRUE(AppOption.CLOB_TO_CHAR);
    EXPECT_EQ(AppOption.CharacterSet, "SJIS");

    // The main window fills an empty ExcelExt at start; such changes stay in memory.
    AppOption.ExcelExt = ".XLSX";
    AppOption.CLOB_TO_CHAR = false;
    AppOption.CharacterSet = "EUC_JP";
    ASSERT_TRUE(SaveOptions());
    openStore();
    EXPECT_EQ(*stored("", "ExcelExt"), reg::Value::fromString(".XLS"));
    EXPECT_EQ(*stored("", "CLOB_TO_CHAR"), reg::Value::fromDWord(1));
    EXPECT_EQ(*stored("", "CharacterSet"), reg::Value::fromString("SJIS"));
}

TEST_F(Options, StoredValuesOfTheWrongKindOrEmptyGiveDefaultsAndEnumerationsKeepEightBits)
{
    put("", "TempDir", reg::Value::fromString(""));
    put("", "DataFontSize", reg::Value::fromString("12"));
    put("", "OpenMode", reg::Value::fromDWord(0x105));
    put("", "PasteTitle", reg::Value::fromDWord(7));
    put("", "Encoding", reg::Value::fromDWord(9));
    put("TEXTOUT", "Schema", reg::Value::fromDWord(3));
    put("EXPORT", "LogFile", reg::Value::fromString(""));
    put("EXPORT", "Compres", reg::Value::fromString("best"));
    put("FORMAT", "ReserveTrans", reg::Value::fromDWord(1));
    LoadOptions();
    EXPECT_EQ(AppOption.TempDir, DataDir + "temp/");
    EXPECT_EQ(AppOption.DataFontSize, 10);
    EXPECT_EQ(int(AppOption.OpenMode), 5);
    EXPECT_EQ(int(AppOption.PasteTitle), 7);
    EXPECT_EQ(AppOption.Encoding, 9);
    EXPECT_EQ(ScriptOption.Owner, 3);
    EXPECT_EQ(ExpOption.LogFile, DocumentDir + "psql_bkup.log");
    EXPECT_EQ(ExpOption.Compres, "best");
    EXPECT_EQ(FormatOption.ReserveTrans, 1);
    EXPECT_EQ(FormatOption.ItemTrans, 2);
}

TEST_F(Options, PasswordsOfTraceAreScrambledWhileTheLoadTestPasswordIsPlain)
{
    LoadOptions();
    TrcOption.PlanPass = " plan pass ";
    DBTestOption.Password = " test pass ";
    ExpdpOption.Pass = "";
    ASSERT_TRUE(SaveOptions());
    openStore();

    const QString plan = stored("TRACE", "PlanPass")->text;
    EXPECT_EQ(plan.size(), 132);
    EXPECT_FALSE(plan.contains("plan"));
    EXPECT_EQ(*stored("DBTEST", "Password"), reg::Value::fromString(" test pass "));
    EXPECT_EQ(*stored("EXPORT_DP", "Pass"), reg::Value::fromString(""));

    ResetOptions();
    LoadOptions();
    EXPECT_EQ(TrcOption.PlanPass, " plan pass ");
    EXPECT_EQ(DBTestOption.Password, " test pass ");

    // A value edited by hand is no password.
    put("TRACE", "PlanPass", reg::Value::fromString("not scrambled"));
    LoadOptions();
    EXPECT_EQ(TrcOption.PlanPass, "");
}

TEST_F(Options, StringListsAreLinesEachEndedByCrLf)
{
    LoadOptions();
    ScriptOption.NameTable = { "sales=public.script_names", "hr=admin.names" };
    TrcOption.Path.clear();
    ASSERT_TRUE(SaveOptions());
    openStore();
    EXPECT_EQ(stored("TEXTOUT", "NameTable")->text,
              "sales=public.script_names\r\nhr=admin.names\r\n");
    EXPECT_EQ(*stored("TRACE", "Path"), reg::Value::fromString(""));

    ResetOptions();
    LoadOptions();
    EXPECT_EQ(ScriptOption.NameTable,
              QStringList({ "sales=public.script_names", "hr=admin.names" }));
    EXPECT_TRUE(TrcOption.Path.isEmpty());

    // Lines written elsewhere may end in CR or LF alone.
    put("LOCK", "AlertPath", reg::Value::fromString("a\nb\r\rc\r\nd"));
    LoadOptions();
    EXPECT_EQ(AlertPathList, QStringList({ "a", "b", "", "c", "d" }));

    const QList<QStringList> lists
        = { {}, { "" }, { "", "" }, { "x", "" }, { "only" }, { "a b ", " c" } };
    for (const QStringList &list : lists)
        EXPECT_EQ(textToStringList(stringListToText(list)), list) << list.join('|').toStdString();
}

TEST_F(Options, EmptyReserveKeyGivesTheBuiltInWordsSorted)
{
    LoadOptions();
    ASSERT_EQ(ReserveWordList.size(), DefaultReserveWordCount);
    const qsizetype materialized = ReserveWordList.indexOf("MATERIALIZED");
    ASSERT_GT(materialized, 0);
    EXPECT_EQ(ReserveWordList.at(materialized - 1), "MATCH");
    EXPECT_EQ(ReserveWordList.at(materialized + 1), "MAXVALUE");
    EXPECT_EQ(EditorOption.ReserveWordList, ReserveWordList);

    // Edited down to nothing: saved as an empty key, back as the built-in words.
    ReserveWordList.clear();
    ASSERT_TRUE(SaveOptions());
    openStore();
    EXPECT_TRUE(m_store->keyExists(keyPath("RESERVE")));
    EXPECT_TRUE(m_store->valueNames(keyPath("RESERVE")).isEmpty());
    LoadOptions();
    EXPECT_EQ(ReserveWordList.size(), DefaultReserveWordCount);
}

TEST_F(Options, ReserveKeyIsRewrittenWholeAndWordsDifferingInCaseAreOne)
{
    put("RESERVE", "STALE", reg::Value::fromString(""));
    saveToFile();
    LoadOptions();
    EXPECT_EQ(ReserveWordList, QStringList { "STALE" });

    ReserveWordList = { "zeta", "select", "Alpha", "SELECT", "beta" };
    ASSERT_TRUE(SaveOptions());
    openStore();
    QStringList names = m_store->valueNames(keyPath("RESERVE"));
    for (const QString &name : names)
        EXPECT_EQ(*stored("RESERVE", name), reg::Value::fromString(""));
    for (QString &name : names)
        name = name.toLower();
    names.sort();
    EXPECT_EQ(names, QStringList({ "alpha", "beta", "select", "zeta" }));

    LoadOptions();
    ASSERT_EQ(ReserveWordList.size(), 4);
    EXPECT_EQ(ReserveWordList.at(0), "Alpha");
    EXPECT_EQ(ReserveWordList.at(1), "beta");
    EXPECT_EQ(ReserveWordList.at(2).toLower(), "select");
    EXPECT_EQ(ReserveWordList.at(3), "zeta");
}

TEST_F(Options, RemovedShortcutComesBackAsDefaultAndChangedOneStays)
{
    const int undo = ShortcutIndex("EditUndo");
    const int logon = ShortcutIndex("actDBLogon");
    const int comment = ShortcutIndex("EditComment");
    ASSERT_GE(undo, 0);
    ASSERT_GE(logon, 0);
    EXPECT_EQ(ShortcutIndex("ObjectDelete"), ShortcutIndex("actDelete"));
    EXPECT_EQ(ShortcutIndex("Nothing"), -1);

    LoadOptions();
    EXPECT_EQ(ShortcutList[comment], QKeySequence(Qt::CTRL | Qt::Key_Minus));
    ShortcutList[undo] = QKeySequence();
    ShortcutList[logon] = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L);
    ASSERT_TRUE(SaveOptions());
    openStore();
    EXPECT_EQ(*stored("SHORTCUT", "EditUndo"), reg::Value::fromString(""));
    EXPECT_EQ(*stored("SHORTCUT", "DBLogon"), reg::Value::fromString("Shift+Ctrl+L"));
    EXPECT_EQ(*stored("SHORTCUT", "EditComment"), reg::Value::fromString("Ctrl+-"));

    ResetOptions();
    LoadOptions();
    EXPECT_EQ(ShortcutList[undo], QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(ShortcutList[logon], QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));

    // A text that names no key leaves the action without a shortcut.
    put("SHORTCUT", "EditCopy", reg::Value::fromString("Ctrl+NoSuchKey"));
    LoadOptions();
    EXPECT_TRUE(ShortcutList[ShortcutIndex("EditCopy")].isEmpty());
}

TEST_F(Options, EditorKeyWithoutValuesGivesTheFixedEditorSettings)
{
    put("EDITOR", "EOFColor", reg::Value::fromDWord(0x000000FF));
    put("EDITOR", "SpaceColor", reg::Value::fromDWord(0x1FFFFFFF));
    LoadOptions();
    const TqvEditorSettings &e = EditorOption;
    EXPECT_EQ(e.Font.Name, gothic);
    EXPECT_EQ(e.Font.Size, 12);
    EXPECT_TRUE(e.Font.FixedPitch);
    EXPECT_TRUE(e.Leftbar.Visible);
    EXPECT_TRUE(e.Ruler.Visible);
    EXPECT_EQ(e.Caret.TabSpaceCount, 8);
    EXPECT_TRUE(e.Caret.AutoCursor);
    EXPECT_TRUE(e.Caret.KeepCaret);
    EXPECT_FALSE(e.Caret.LockScroll);
    EXPECT_FALSE(e.Imagebar.Visible);
    EXPECT_EQ(e.Leftbar.LeftMargin, 2);
    EXPECT_EQ(e.Leftbar.RightMargin, 2);
    EXPECT_EQ(e.Leftbar.Column, 5);
    EXPECT_EQ(e.Leftbar.BkColor, clBtnFace);
    EXPECT_EQ(e.ScrollBars, TqvScrollStyle::Both);
    EXPECT_EQ(e.Margin.Left, 2);
    EXPECT_EQ(e.View.Commenter, "--");
    EXPECT_EQ(e.View.Quotation, "'");
    EXPECT_EQ(e.View.DoubleQuotation, "\"");
    ASSERT_EQ(e.View.Brackets.size(), 1);
    EXPECT_EQ(e.View.Brackets[0].LeftBracket, "/*");
    EXPECT_EQ(e.View.Brackets[0].RightBracket, "*/");
    EXPECT_EQ(e.View.Brackets[0].ItemColor.Color, 0x00008000);
    EXPECT_EQ(e.View.Brackets[0].ItemColor.BkColor, clNone);
    // A mark shows exactly when it has a colour.
    EXPECT_TRUE(e.Marks.EofMark.Visible);
    EXPECT_EQ(e.Marks.EofMark.Color, 0x000000FF);
    EXPECT_FALSE(e.Marks.SpaceMark.Visible);
    EXPECT_TRUE(e.Marks.RetMark.Visible);
    EXPECT_FALSE(e.Marks.Underline.Visible);

    // An invisible mark's colour is written all the same.
    ASSERT_TRUE(SaveOptions());
    openStore();
    EXPECT_EQ(*stored("EDITOR", "SpaceColor"), reg::Value::fromDWord(0x1FFFFFFF));

    EXPECT_FALSE(EditorColorToQColor(clNone).isValid());
    EXPECT_EQ(EditorColorToQColor(0x00804020), QColor(0x20, 0x40, 0x80));
    EXPECT_EQ(QColorToEditorColor(QColor(0x20, 0x40, 0x80)), 0x00804020);
    EXPECT_TRUE(EditorColorToQColor(clWindow).isValid());
}

// A save that cannot reach the file reports it, leaves the file as it was and leaves nothing
// pending that a later save could write half of.
TEST_F(Options, FailedSaveChangesNothingAndReports)
{
    LoadOptions();
    AppOption.DefTopRecord = 555;
    ASSERT_TRUE(SaveOptions());

    // A file damaged after this process read it is not overwritten before the user was told.
    QFile file(m_path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("this line is no part of a settings file\r\n");
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    AppOption.DefTopRecord = 777;
    ShortcutList[0] = QKeySequence(Qt::Key_F5);
    ReserveWordList = { "ONLYWORD" };
    QString error;
    EXPECT_FALSE(SaveOptions(&error));
    EXPECT_TRUE(error.startsWith("オプションを保存できませんでした。")) << error.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_FALSE(m_store->hasPendingChanges());
    EXPECT_EQ(*stored("", "DefTopRecord"), reg::Value::fromDWord(555));
    EXPECT_GT(m_store->valueNames(keyPath("RESERVE")).size(), 1);
    EXPECT_FALSE(AppRegistry->hasCurrentKey());
}

TEST_F(Options, SaveIntoAFolderThatIsAFileReports)
{
    QFile blocker(m_dir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_path = m_dir.path() + "/blocker/QVR22.reg";
    openStore();
    LoadOptions();
    QString error;
    EXPECT_FALSE(SaveOptions(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(m_store->hasPendingChanges());
    EXPECT_FALSE(QFile::exists(m_path));
}

} // namespace test_options
