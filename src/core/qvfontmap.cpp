#include "qvfontmap.h"

namespace qvfontmap {

// Windows names compare after folding full-width letters and blanks to their ASCII forms,
// so "ＭＳ Ｐゴシック" and "MS PGothic" meet.
static QString foldName(const QString &name)
{
    QString folded = name.normalized(QString::NormalizationForm_KC).toLower();
    folded.remove(u' ');
    return folded;
}

static bool isMonospaceName(const QString &folded)
{
    static const char *const monospace[]
        = { "msゴシック", "msgothic",      "msmincho", "ms明朝",   "couriernew", "courier",
            "consolas",   "lucidaconsole", "terminal", "fixedsys", "osaka-等幅" };
    for (const char *name : monospace)
        if (folded == QString::fromUtf8(name))
            return true;
    return false;
}

static bool isSerifName(const QString &folded)
{
    return folded.contains(QStringLiteral("明朝")) || folded.contains(QStringLiteral("mincho"))
        || folded == QStringLiteral("timesnewroman");
}

static bool isWindowsName(const QString &folded)
{
    static const char *const windowsNames[]
        = { "mspゴシック", "mspgothic",  "msuigothic", "msuiゴシック", "メイリオ", "meiryo",
            "meiryoui",    "游ゴシック", "yugothic",   "yugothicui",   "tahoma",   "arial",
            "mssansserif", "segoeui",    "verdana",    "mspmincho",    "msp明朝",  "system" };
    for (const char *name : windowsNames)
        if (folded == QString::fromUtf8(name))
            return true;
    return false;
}

} // namespace qvfontmap

QString MapFontFamily(const QString &windowsFamily, bool fixedPitch)
{
    using namespace qvfontmap;
    const QString folded = foldName(windowsFamily);
    if (fixedPitch || isMonospaceName(folded))
        return QString::fromLatin1(QvMonoFamily);
    if (isSerifName(folded))
        return QString::fromLatin1(QvSerifFamily);
    if (folded.isEmpty() || isWindowsName(folded) || folded.contains(QStringLiteral("ゴシック"))
        || folded.contains(QStringLiteral("gothic")))
        return QString::fromLatin1(QvSansFamily);
    return windowsFamily;
}

QFont MapFont(const QString &windowsFamily, int pointSize, bool fixedPitch)
{
    const QString family = MapFontFamily(windowsFamily, fixedPitch);
    QFont font(family);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    if (family == QLatin1String(QvMonoFamily)) {
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
    } else if (family == QLatin1String(QvSerifFamily)) {
        font.setStyleHint(QFont::Serif);
    } else {
        font.setStyleHint(QFont::SansSerif);
    }
    return font;
}

QFont FormFont()
{
    return MapFont(QStringLiteral("ＭＳ Ｐゴシック"), 9);
}
