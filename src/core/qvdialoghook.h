#pragma once

#include <QList>
#include <QString>

#include <functional>

// Every modal question of the program (message boxes, check-box messages, input queries, file
// and folder choosers) is put as a DialogRequest. Normally the real dialog answers it; a test
// installs a responder instead and answers as a user would, so that modal flows run without a
// dialog on the screen.

enum class DialogKind {
    MessageBox, // ShowMessageBox: text, flags, buttons
    CheckMessage, // ShowCheckMessage: as MessageBox, plus check boxes
    InputQuery, // ShowInputQuery: caption, prompt in text, value, check boxes
    OpenFile, // a file to read: caption, value = folder or file proposed, filter
    SaveFile, // a file to write: as OpenFile
    SelectDirectory, // a folder: caption, value = folder proposed
};

struct DialogCheck
{
    QString caption;
    bool checked = false;
};

struct DialogRequest
{
    DialogKind kind = DialogKind::MessageBox;
    QString caption; // the window title
    QString text; // the message (cleaned), or the prompt of an input query
    int flags = 0; // message-box style bits of the messages
    QList<int> buttons; // result codes (IDOK ...) of the buttons offered, in order
    int defaultButton = 0; // result code of the default button, 0 when none is
    QList<DialogCheck> checks; // the check boxes; a responder may change `checked`
    QString value; // input text or proposed path; a responder sets the answer
    bool numeric = false; // input query: digits and one decimal point only
    QString filter; // file choosers: "Text (*.txt);;All (*)"
    bool multiple = false; // open chooser: several files, answered one path per line in value
};

// The answer is a result code: one of `buttons` for the messages, IDOK or IDCANCEL for the
// others (with `value` and `checks` read back on IDOK).
using DialogResponder = std::function<int(DialogRequest &request)>;

// Installs responder for every later question (an empty one restores the real dialogs) and
// returns the one it replaces.
DialogResponder setDialogResponder(DialogResponder responder);
bool hasDialogResponder();
// Hands request to the installed responder; only valid while hasDialogResponder().
int answerByResponder(DialogRequest &request);

// Installs a responder for the lifetime of the object and puts the previous one back after.
class ScopedDialogResponder
{
public:
    explicit ScopedDialogResponder(DialogResponder responder);
    ~ScopedDialogResponder();
    ScopedDialogResponder(const ScopedDialogResponder &) = delete;
    ScopedDialogResponder &operator=(const ScopedDialogResponder &) = delete;

private:
    DialogResponder m_previous;
};
