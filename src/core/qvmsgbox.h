#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariantList>

class QCheckBox;
class QFontMetrics;
class QLabel;
class QLineEdit;
class QPushButton;

// Every message the program shows goes through these routines: ShowMessageBox for plain
// messages and questions, ShowCheckMessage for questions that carry check boxes (delete with
// CASCADE ...), ShowInputQuery for one text or number. They clean the data-access layer's
// prefix from error texts, title every message with the application's title, and put each
// question to the dialog responder when a test has installed one (qvdialoghook.h).
//
// None of them lets pending events run before the dialog shows: a timer or a second click
// must not re-enter the caller while it is about to ask.

// Style bits of a message: the button set, the icon and the default button.
inline constexpr quint16 MB_OK = 0x0;
inline constexpr quint16 MB_OKCANCEL = 0x1;
inline constexpr quint16 MB_ABORTRETRYIGNORE = 0x2;
inline constexpr quint16 MB_YESNOCANCEL = 0x3;
inline constexpr quint16 MB_YESNO = 0x4;
inline constexpr quint16 MB_RETRYCANCEL = 0x5;
inline constexpr quint16 MB_ICONHAND = 0x10;
inline constexpr quint16 MB_ICONERROR = MB_ICONHAND;
inline constexpr quint16 MB_ICONQUESTION = 0x20;
inline constexpr quint16 MB_ICONEXCLAMATION = 0x30;
inline constexpr quint16 MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr quint16 MB_ICONASTERISK = 0x40;
inline constexpr quint16 MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr quint16 MB_DEFBUTTON2 = 0x100;
inline constexpr quint16 MB_DEFBUTTON3 = 0x200;
inline constexpr quint16 MB_DEFBUTTON4 = 0x300;

// The answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
// ShowCheckMessage's answer for a close that is none of the seven.
inline constexpr int IDCHECKOTHER = 8;

// The text shown for an error that is nothing but ": ".
inline constexpr const char16_t *QvSyntaxErrorText = u"ERROR: SQL構文エラー";

// One check box of a question: its caption and the caller's flag, which gives the first state
// and receives the last one.
struct TqvCheckItem
{
    QString caption;
    bool *value = nullptr;
};
using TqvCheckList = QList<TqvCheckItem>;

// The title of every message: the application's display name ("Corvane for Postgres").
QString ApplicationTitle();

// text as it is, except the bare ": " of a failed statement, shown as a readable error.
QString CleanMessageText(const QString &text);

// Shows text with the style bits flags; returns the answer (IDOK ... IDNO).
int ShowMessageBox(const QString &text, quint16 flags);

// ShowMessageBox of FormatText(formatText, args).
int ShowMessageBoxFmt(const QString &formatText, const QVariantList &args, quint16 flags);

// Fills "%s", "%d", "%5.2f", "%x", "%1:s" ... of format from args, in the manner of the
// program's message texts. A missing argument is written as nothing.
QString FormatText(const QString &format, const QVariantList &args);

// A message with one check box per item; every flag receives its box's state whatever the
// answer. Returns IDOK ... IDNO, else IDCHECKOTHER.
int ShowCheckMessage(const QString &text, quint16 flags, const TqvCheckList &checks = {});

// Asks for one value. True on OK, with value and the flags set from the dialog; on any other
// close nothing is written. numeric allows digits and one decimal point, at most 9 characters;
// otherwise at most 255 characters.
bool ShowInputQuery(const QString &caption, const QString &prompt, QString &value,
                    const TqvCheckList &checks = {}, bool numeric = false);

// The average width of a letter and the height of a line in the font: the unit in which
// the input query lays itself out.
QPoint GetAveCharSize(const QFontMetrics &metrics);

// Whether the system is version 6 of the windowing platform the program was first written
// for (orLater: or a later one). This platform counts as a later one.
bool IsWindowsNT6(bool orLater);

// File and folder choosers, answered by the responder as well. filter takes the Qt form
// ("Excel (*.xlsx);;All (*)") or the "description|pattern|..." form of the program's options.
// The result is empty when the user cancelled.
QString ShowOpenFileDialog(const QString &caption, const QString &path, const QString &filter);
// Several files to read; a responder answers with the paths one per line in value.
QStringList ShowOpenFilesDialog(const QString &caption, const QString &path, const QString &filter);
QString ShowSaveFileDialog(const QString &caption, const QString &path, const QString &filter);
QString ShowDirectoryDialog(const QString &caption, const QString &path);

// The dialog of ShowMessageBox and ShowCheckMessage, public so that tests and demos can drive
// it. Its label is named "Message", its buttons "Yes", "No", "OK", "Cancel", "Abort", "Retry"
// and "Ignore" (in that order, those of the button set), its check boxes "Check0", "Check1" ...
class MessageDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Style {
        MessageBox, // no icon without icon bits; the n-th default button, else the first
        CheckMessage, // the information icon without icon bits; OK, Yes or Retry by default,
                      // no default at all when the n-th button does not exist
    };

    MessageDialog(const QString &text, quint16 flags, Style dialogStyle, QWidget *parent = nullptr);

    void addCheck(const QString &caption, bool checked);
    int checkCount() const { return m_checks.size(); }
    QCheckBox *check(int index) const { return m_checks.value(index); }

    QList<int> buttonCodes() const { return m_codes; }
    QPushButton *button(int code) const;
    int defaultCode() const { return m_defaultCode; }
    // The answer of Esc and of the close box; 0 when the dialog cannot be closed that way.
    int escapeCode() const { return m_escapeCode; }

    // Centres the dialog on the screen it will show on.
    void centreOnScreen();

    static QList<int> buttonSet(quint16 flags);

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyTabOrder();

    QLabel *m_message = nullptr;
    QList<QCheckBox *> m_checks;
    QList<QPushButton *> m_buttons; // in the order of m_codes
    QList<int> m_codes;
    int m_defaultCode = 0;
    int m_escapeCode = 0;
    int m_defaultPosition = 1; // 1-based position asked for by the flags
    Style m_style;
    QWidget *m_checkArea = nullptr;
};

// The dialog of ShowInputQuery. Its prompt is named "Prompt", the edit "Edit", the buttons
// "OK" and "Cancel", the check boxes "Check0" ...
class InputQueryDialog : public QDialog
{
    Q_OBJECT
public:
    InputQueryDialog(const QString &caption, const QString &prompt, const QString &value,
                     const QList<QPair<QString, bool>> &checks, bool numeric,
                     QWidget *parent = nullptr);

    QLineEdit *edit() const { return m_edit; }
    QCheckBox *check(int index) const { return m_checks.value(index); }
    int checkCount() const { return m_checks.size(); }

private:
    QLineEdit *m_edit = nullptr;
    QList<QCheckBox *> m_checks;
};
