#pragma once

#include "ui/qvforms.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QToolButton;

namespace pg {
class DataSet;
}

// The value of a binary field: its bytes, or none for NULL. NULL and an empty value are
// different values and stay so through the long-value editor.
using TLobValue = std::optional<QByteArray>;

// How the text page read a value, so that an edited text goes back in the same form.
enum class TLobTextEncoding {
    Utf8,
    ShiftJis, // code page 932, the text files' own Japanese encoding
    Utf16BE,
    Ascii, // bytes above 127 read as "?"
    Utf16LE,
};

struct TLobText
{
    QString text;
    TLobTextEncoding encoding = TLobTextEncoding::Utf8;
    bool byteOrderMark = false; // the value began with a UTF-8 byte-order mark
};

// The text of a value: the decodings UTF-8 (a byte-order mark skipped), code page 932,
// UTF-16 BE, ASCII and UTF-16 LE are tried in turn, and the first that reads the bytes as
// text that is not only blanks and control characters wins. A decoding that cannot read the
// bytes (an invalid sequence, an odd number of bytes for UTF-16) is passed over. When none
// gives such a text, the first that could read the bytes stands (a value of blanks shows its
// blanks), else the text is empty.
TLobText DecodeLobText(const QByteArray &bytes);
// The bytes of an edited text: in the form it was read in (with its byte-order mark), or as
// UTF-8 without byte-order mark where that form cannot hold every character (or was ASCII).
QByteArray EncodeLobText(const QString &text, const TLobText &readAs);

// The hexadecimal dump: one line per 16 bytes, each byte as two upper-case hexadecimal
// digits, separated by single blanks. A value whose length is a multiple of 16 ends with an
// empty line; an empty value has no line.
QStringList LobHexLines(const QByteArray &bytes);

// The picture format of a value that decodes as a picture: "BMP", "PNG", "JPG", "GIF", "TIF",
// "WMPHOTO" or "OTHER" (WebP), known by the format's signature; "UNKNOWN" for anything else,
// also for a value with a signature that does not decode. Text is never taken for a picture.
QString GetImageFormat(const QByteArray &bytes, QImage *image = nullptr);

// The name a value is saved under: a chosen name without extension gets "." and the lower-
// cased picture format, unless the format is "UNKNOWN".
QString LobSaveFileName(const QString &chosen, const QString &format);

// The modal window in which the user looks at and replaces the value of one binary field:
// as text, as a picture, as a hexadecimal dump, or through a file. It never writes to the
// field or the database: the caller stores what the window hands back.
class TfrmLob : public TqvForm
{
    Q_OBJECT
public:
    // Shows the field of the data set's current record (read-only when ReadOnly is set or the
    // field cannot be written). True when the user closed the window with OK or confirmed the
    // deletion; AStream then holds the value to store (none: NULL), which is the value read
    // unless the user changed it. False on cancel. A value that cannot be read is told and
    // ends in the silent abort.
    static bool ShowWindow(QObject *AOwner, pg::DataSet *dataSet, int AField, TLobValue &AStream,
                           bool ReadOnly);
    // The same for a value at hand: AStream in is the value shown.
    static bool ShowValue(QObject *AOwner, TLobValue &AStream, bool ReadOnly);

    explicit TfrmLob(QObject *AOwner);
    ~TfrmLob() override;

    // The value as the window holds it now.
    TLobValue Value() const { return FStream; }

    QTabWidget *pagData = nullptr;
    QWidget *tabText = nullptr;
    QWidget *tabImage = nullptr;
    QWidget *tabBinary = nullptr;
    QWidget *tabOther = nullptr;
    QPlainTextEdit *txtData = nullptr;
    QPlainTextEdit *txtBinary = nullptr;
    QToolButton *btnClipCopy = nullptr;
    QToolButton *btnImageOpen = nullptr;
    QToolButton *btnImageSave = nullptr;
    QScrollArea *scrImage = nullptr;
    QLabel *ImgBytes = nullptr;
    QPushButton *btnSaveToFile = nullptr;
    QPushButton *btnLoadFromFile = nullptr;
    QPushButton *btnDataDelete = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    void SelectDataPage();
    void ShowDataPage();
    // Reads the file into the value; false when the user chose none.
    bool LoadValueFromFile();
    void SaveValueToFile();
    void LoadFile(const QString &path);
    // Files dropped on the window: one is read like a file chosen; more are refused. Only
    // while the picture page shows and the value may change.
    void WMDropFiles(const QStringList &paths);
    void btnDataDeleteClick();
    void btnClipCopyClick();
    void btnOkClick();

    void LoadWindowState() override;
    void SaveWindowState() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setupUi();
    void setValue(const TLobValue &value);
    void WriteBackText();
    void setReadOnly(bool readOnly);
    void centreOnMainWindow();

    TLobValue FStream;
    // Bumped with every new value, so that the text page reloads only what it has not shown.
    int m_generation = 0;
    int m_textGeneration = -1;
    TLobText m_readAs;
    QString m_shownText;
    QImage L_wImage;
};
