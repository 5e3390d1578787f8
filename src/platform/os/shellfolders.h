#pragma once

#include <QString>

// The folders the shell would name on a desktop system. Each ends in "/" and may be overridden
// by environment (tests and portable set-ups): CORVANE_PROGRAM_DIR for the program folder (where
// the files shipped beside the program lie), CORVANE_DOCUMENT_DIR for the documents folder,
// CORVANE_DATA_DIR for the common application-data folder. An empty result means the platform
// has no such folder; callers fall back to the program folder. Without a home folder (HOME
// unset) only those variables and XDG_DOCUMENTS_DIR / XDG_DATA_HOME name the folders.
namespace os {

// $HOME, empty when it is not set.
QString homeFolder();

QString programFolder();
QString documentsFolder();
QString commonDataFolder();

// Creates the folder and its missing parents; the outcome is deliberately not reported, since
// the writers into the folder meet any failure themselves.
void ensureFolder(const QString &path);

} // namespace os
