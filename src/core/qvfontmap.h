#pragma once

#include <QFont>
#include <QString>

// The program's forms and options name Windows fonts ("ＭＳ Ｐゴシック", "ＭＳ ゴシック",
// "Courier New" ...). These map them to fonts that a Linux desktop has: proportional Japanese
// fonts to Noto Sans CJK JP, fixed-pitch ones to Noto Sans Mono CJK JP, Mincho faces to Noto
// Serif CJK JP. A family that is none of these is kept as it is.

inline constexpr const char *QvSansFamily = "Noto Sans CJK JP";
inline constexpr const char *QvMonoFamily = "Noto Sans Mono CJK JP";
inline constexpr const char *QvSerifFamily = "Noto Serif CJK JP";

// The Linux family for a Windows family name; fixedPitch asks for a monospace face whatever
// the name says.
QString MapFontFamily(const QString &windowsFamily, bool fixedPitch = false);

// A font of the mapped family at the given point size, with a style hint that lets fontconfig
// pick a close face should the family be missing.
QFont MapFont(const QString &windowsFamily, int pointSize, bool fixedPitch = false);

// The font of the program's forms: "ＭＳ Ｐゴシック", 12 pixels on a 96-dpi screen.
QFont FormFont();
