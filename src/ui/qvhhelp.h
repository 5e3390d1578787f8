#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// The program's help: short HTML pages in Japanese, shipped inside the program and laid out
// as files at first use (a "help" folder beside the program takes precedence), opened in the
// desktop's browser. Every help request passes through THTMLHelp::OnApplicationHelp with a
// plain command and a context number, as the dialogs' help buttons, F1 and the "?" of a
// dialog's title bar send them:
//
//     AppHelpContext(20400);          // the print dialog's page
//     AppHelpCommand(HELP_CONTENTS);  // the contents
//
// A context number maps to a page (and an anchor in it); a context popup for a number that no
// page maps shows that number's text from the popup texts (cshelp.txt) as a "What's This" tip.

inline constexpr quint16 HELP_CONTEXT = 1;
inline constexpr quint16 HELP_CONTENTS = 3;
inline constexpr quint16 HELP_CONTEXTPOPUP = 8;
inline constexpr quint16 HELP_FINDER = 11;
inline constexpr quint16 HELP_SETPOPUP_POS = 13;

// Opens a URL in the desktop's browser; false when it could not. Tests put their own.
using THelpOpener = std::function<bool(const QUrl &url)>;
// Installs opener (an empty one restores the desktop's) and returns the previous one.
THelpOpener setHelpOpener(THelpOpener opener);

class THTMLHelp : public QObject
{
    Q_OBJECT
public:
    // Becomes the application's help handler (the last one created wins) and watches F1 and
    // "What's This" requests of every window.
    explicit THTMLHelp(QObject *AOwner = nullptr);
    ~THTMLHelp() override;

    // Handles one request. CallHelp is cleared when the request was taken. Always false, as
    // the toolkit's help event answers.
    bool OnApplicationHelp(quint16 Command, qintptr Data, bool &CallHelp);

    // The page (file name, "#" and anchor) of a context number; empty when none maps.
    static QString PageOf(int context);
    // The popup text of an identifier in cshelp.txt; empty when there is none.
    static QString PopupText(int id);
    // The folder of the pages, ending in "/"; empty when they cannot be laid out.
    static QString HelpFolder();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool openPage(const QString &page);

    bool m_initialized = false;
    QPoint FPopupPos;
};

// The application's help handler; created on first use when the main window made none.
THTMLHelp &AppHelp();
// Sends a request to it; false when nothing was opened.
bool AppHelpCommand(quint16 command, qintptr data = 0);
bool AppHelpContext(int context);

// The help context of a window (kept as its "HelpContext" property; setting one makes sure a
// help handler exists); HelpContextOf looks up the parents for the nearest one, 0 when none
// has one.
void SetHelpContext(QWidget *widget, int context);
int HelpContextOf(const QWidget *widget);
