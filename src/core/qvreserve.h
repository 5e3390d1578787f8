#pragma once

#include <QStringList>

// The built-in reserved words: the default of the user's highlighting list (ReserveWordList),
// the list the editor options dialog restores on request, and the fixed keyword list of the
// SQL formatter.

inline constexpr int DefaultReserveWordCount = 403;

// Appends the built-in words to list: the alphabetical run, then MATERIALIZED. The list is
// neither cleared nor sorted, so a caller that wants the words in order sorts afterwards.
void SetDefaultReserveWords(QStringList &list);
