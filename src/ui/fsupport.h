#pragma once

#include <QChar>
#include <QDialog>
#include <QString>
#include <QStringList>

class QAction;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// The facts a user passes on to support: release, program and client library, system, user
// rank and search path. Paths are shown exactly as the system spells them.
struct TqvSupportFacts
{
    QString architecture; // "x64" for x86-64, otherwise the build's own name
    QString programFile;
    QString libpqPath; // empty when the loader cannot tell
    QString libpqVersion;
    QString osName;
    QString osVersion;
    QString userRank; // "Administrator", "Users" or "Unknown"
    QString searchPath;
    QChar pathSeparator = QLatin1Char(':');
};

TqvSupportFacts CollectSupportFacts();
// The lines of the support text; each further folder of the search path stands on a line of
// its own under the first, after as many blanks as the labels are wide.
QStringList SupportLines(const TqvSupportFacts &facts);

class TfrmSupport : public QDialog
{
    Q_OBJECT
public:
    // Builds the text, shows the window modally and returns its result.
    static int ShowWindow();

    explicit TfrmSupport(QWidget *parent = nullptr);

    QToolButton *btnOutput = nullptr;
    QAction *actOutput = nullptr;
    QAction *actCopy = nullptr;
    QAction *actPrint = nullptr;
    QPlainTextEdit *txtSupport = nullptr;
    QPushButton *btnOK = nullptr;

    // The text box's lines with CR LF between them, as the copy command puts them.
    QString SupportText() const;
    void actCopyExecute();
    void actPrintExecute();

private:
    void setupUi();
};

// Shows the operating system's description (name, kernel, bitness) in a message.
void ShowOSDescription();
