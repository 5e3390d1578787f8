#include "flob.h"

#include "qvctlopt.h"
#include "qvhhelp.h"
#include "qvimages.h"

#include "core/qvappwindows.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/dataset.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace flob {

// The hexadecimal page asks before it dumps a value this long or longer.
constexpr int askHexBytes = 5000;
constexpr int hexBlock = 16;
constexpr int helpContext = 10200;

const QString fileFilter = QStringLiteral("すべてのファイル(*.*)|*.*");

// Nothing but blanks and control characters.
bool blank(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x20)
            return false;
    }
    return true;
}

TqvEncoding encodingOf(TLobTextEncoding e)
{
    switch (e) {
    case TLobTextEncoding::ShiftJis:
        return TqvEncoding(TqvEncoding::ShiftJis);
    case TLobTextEncoding::Utf16BE:
        return TqvEncoding(TqvEncoding::Utf16BE);
    case TLobTextEncoding::Utf16LE:
        return TqvEncoding(TqvEncoding::Utf16LE);
    default:
        return TqvEncoding(TqvEncoding::Utf8);
    }
}

QString asciiText(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes.at(i));
        out[i] = b < 0x80 ? QChar(b) : QChar(u'?');
    }
    return out;
}

struct Signature
{
    const char *name;
    const char *qtFormat; // nullptr: no decoder here
    QByteArray prefix;
};

const Signature *signatureOf(const QByteArray &bytes)
{
    static const Signature signatures[] = {
        { "PNG", "png", QByteArray("\x89PNG\r\n\x1a\n", 8) },
        { "JPG", "jpeg", QByteArray("\xFF\xD8\xFF", 3) },
        { "GIF", "gif", QByteArray("GIF87a", 6) },
        { "GIF", "gif", QByteArray("GIF89a", 6) },
        { "BMP", "bmp", QByteArray("BM", 2) },
        { "TIF", "tiff", QByteArray("II*\0", 4) },
        { "TIF", "tiff", QByteArray("MM\0*", 4) },
        { "WMPHOTO", nullptr, QByteArray("II\xBC", 3) },
    };
    for (const Signature &s : signatures) {
        if (bytes.startsWith(s.prefix))
            return &s;
    }
    static const Signature webp { "OTHER", "webp", QByteArray() };
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return &webp;
    return nullptr;
}

} // namespace flob

TLobText DecodeLobText(const QByteArray &bytes)
{
    TLobText result;
    if (bytes.isEmpty())
        return result;
    std::optional<TLobText> firstRead;
    auto tryOne = [&](TLobTextEncoding encoding, bool *found) {
        TLobText candidate;
        candidate.encoding = encoding;
        bool read = false;
        if (encoding == TLobTextEncoding::Ascii) {
            candidate.text = flob::asciiText(bytes);
            read = true;
        } else if (encoding == TLobTextEncoding::Utf8) {
            const bool bom = bytes.startsWith("\xEF\xBB\xBF");
            candidate.byteOrderMark = bom;
            read
                = flob::encodingOf(encoding).tryDecode(bom ? bytes.mid(3) : bytes, &candidate.text);
        } else {
            read = flob::encodingOf(encoding).tryDecode(bytes, &candidate.text);
        }
        if (!read)
            return;
        if (!firstRead)
            firstRead = candidate;
        if (!flob::blank(candidate.text)) {
            result = candidate;
            *found = true;
        }
    };
    bool found = false;
    for (const TLobTextEncoding e :
         { TLobTextEncoding::Utf8, TLobTextEncoding::ShiftJis, TLobTextEncoding::Utf16BE,
           TLobTextEncoding::Ascii, TLobTextEncoding::Utf16LE }) {
        tryOne(e, &found);
        if (found)
            return result;
    }
    return firstRead ? *firstRead : TLobText();
}

QByteArray EncodeLobText(const QString &text, const TLobText &readAs)
{
    if (readAs.encoding != TLobTextEncoding::Ascii) {
        const TqvEncoding encoding = flob::encodingOf(readAs.encoding);
        if (encoding.canEncode(text)) {
            QByteArray out = encoding.encode(text);
            if (readAs.byteOrderMark)
                out.prepend("\xEF\xBB\xBF");
            return out;
        }
    }
    return text.toUtf8();
}

QStringList LobHexLines(const QByteArray &bytes)
{
    QStringList lines;
    if (bytes.isEmpty())
        return lines;
    qsizetype pos = 0;
    qsizetype read = 0;
    do {
        const QByteArray block = bytes.mid(pos, flob::hexBlock);
        read = block.size();
        pos += read;
        lines << QString::fromLatin1(block.toHex(' ').toUpper());
    } while (read == flob::hexBlock);
    return lines;
}

QString GetImageFormat(const QByteArray &bytes, QImage *image)
{
    const flob::Signature *signature = flob::signatureOf(bytes);
    if (!signature || !signature->qtFormat)
        return QStringLiteral("UNKNOWN");
    QImage decoded;
    if (!decoded.loadFromData(bytes, signature->qtFormat) || decoded.isNull())
        return QStringLiteral("UNKNOWN");
    if (image)
        *image = decoded;
    return QString::fromLatin1(signature->name);
}

QString LobSaveFileName(const QString &chosen, const QString &format)
{
    if (!QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    const QString ext = QLatin1Char('.') + format.toLower();
    return ext == QLatin1String(".unknown") ? chosen : chosen + ext;
}

// ---------------------------------------------------------------------------------------------
// TfrmLob

bool TfrmLob::ShowWindow(QObject *AOwner, pg::DataSet *dataSet, int AField, TLobValue &AStream,
                         bool ReadOnly)
{
    TLobValue value;
    bool fieldReadOnly = true;
    try {
        if (!dataSet || !dataSet->isActive() || dataSet->currentRow() < 0 || AField < 0
            || AField >= dataSet->fields().count())
            throw std::runtime_error("no field");
        fieldReadOnly = !dataSet->isFieldWritable(AField);
        if (!dataSet->isNull(AField)) {
            auto blob = dataSet->openBlob(AField, QIODevice::ReadOnly);
            value = blob->readAll();
        }
    } catch (...) {
        ShowMessageBox(QStringLiteral("LOB情報を取得出来ませんでした。\r\n"
                                      "データを再取得して下さい。"),
                       MB_OK | MB_ICONWARNING);
        throw SilentAbort();
    }
    const bool accepted = ShowValue(AOwner, value, ReadOnly || fieldReadOnly);
    if (accepted)
        AStream = value;
    return accepted;
}

bool TfrmLob::ShowValue(QObject *AOwner, TLobValue &AStream, bool ReadOnly)
{
    auto window = std::make_unique<TfrmLob>(AOwner);
    window->InitForm();
    window->setReadOnly(ReadOnly);
    window->setValue(AStream);
    {
        const QSignalBlocker quiet(window->pagData);
        window->SelectDataPage();
    }
    window->ShowDataPage();
    window->centreOnMainWindow();
    const int result = window->ShowModal();
    const bool ok = result == IDOK;
    if (ok) {
        window->WriteBackText();
        AStream = window->FStream;
    }
    window->SaveWindowState();
    return ok;
}

TfrmLob::TfrmLob(QObject *AOwner)
    : TqvForm(AOwner, false)
{
    setObjectName(QStringLiteral("frmLob"));
    setupUi();
    SetWindowIcon(86);
    SetHelpContext(this, flob::helpContext);
}

TfrmLob::~TfrmLob() = default;

void TfrmLob::setupUi()
{
    setWindowTitle(QStringLiteral("値の入力"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    resize(560, 420);
    auto *layout = new QVBoxLayout(this);

    pagData = new QTabWidget(this);
    pagData->setObjectName(QStringLiteral("pagData"));
    layout->addWidget(pagData, 1);

    tabText = new QWidget(pagData);
    tabText->setObjectName(QStringLiteral("tabText"));
    auto *textLayout = new QVBoxLayout(tabText);
    txtData = new QPlainTextEdit(tabText);
    txtData->setObjectName(QStringLiteral("txtData"));
    txtData->setLineWrapMode(QPlainTextEdit::NoWrap);
    textLayout->addWidget(txtData);
    pagData->addTab(tabText, QStringLiteral("文字列"));

    tabImage = new QWidget(pagData);
    tabImage->setObjectName(QStringLiteral("tabImage"));
    auto *imageLayout = new QVBoxLayout(tabImage);
    auto *head = new QHBoxLayout;
    auto pictureButton = [this](const char *name, int image, const QString &hint) {
        auto *button = new QToolButton(tabImage);
        button->setObjectName(QLatin1String(name));
        button->setIcon(MainImage(image));
        button->setToolTip(hint);
        button->setAutoRaise(true);
        return button;
    };
    btnClipCopy = pictureButton("btnClipCopy", 21, QStringLiteral("クリップボードに出力する"));
    btnImageOpen = pictureButton("btnImageOpen", 18, QStringLiteral("ファイルから開く"));
    btnImageSave = pictureButton("btnImageSave", 17, QStringLiteral("ファイルに保存"));
    head->addWidget(btnClipCopy);
    head->addWidget(btnImageOpen);
    head->addWidget(btnImageSave);
    head->addStretch(1);
    imageLayout->addLayout(head);
    scrImage = new QScrollArea(tabImage);
    scrImage->setObjectName(QStringLiteral("scrImage"));
    ImgBytes = new QLabel(scrImage);
    ImgBytes->setObjectName(QStringLiteral("ImgBytes"));
    ImgBytes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrImage->setWidget(ImgBytes);
    scrImage->setWidgetResizable(true);
    scrImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imageLayout->addWidget(scrImage, 1);
    pagData->addTab(tabImage, QStringLiteral("画像"));

    tabBinary = new QWidget(pagData);
    tabBinary->setObjectName(QStringLiteral("tabBinary"));
    auto *binaryLayout = new QVBoxLayout(tabBinary);
    txtBinary = new QPlainTextEdit(tabBinary);
    txtBinary->setObjectName(QStringLiteral("txtBinary"));
    txtBinary->setReadOnly(true);
    txtBinary->setLineWrapMode(QPlainTextEdit::NoWrap);
    binaryLayout->addWidget(txtBinary);
    pagData->addTab(tabBinary, QStringLiteral("バイナリ値"));

    tabOther = new QWidget(pagData);
    tabOther->setObjectName(QStringLiteral("tabOther"));
    auto *otherLayout = new QVBoxLayout(tabOther);
    otherLayout->addWidget(new QLabel(
        QStringLiteral("特殊な形式のデータにつきましては、ファイルを中継し、"), tabOther));
    otherLayout->addWidget(new QLabel(
        QStringLiteral("他のアプリケーションにて内容の確認・修正を行ってください。"), tabOther));
    auto otherButton = [this, otherLayout](const char *name, int image, const QString &caption) {
        auto *button = new QPushButton(MainImage(image), caption, tabOther);
        button->setObjectName(QLatin1String(name));
        auto *row = new QHBoxLayout;
        row->addWidget(button);
        row->addStretch(1);
        otherLayout->addLayout(row);
        return button;
    };
    btnSaveToFile = otherButton("btnSaveToFile", 18, QStringLiteral("内容をファイルに保存"));
    btnLoadFromFile = otherButton("btnLoadFromFile", 17, QStringLiteral("ファイルの内容をセット"));
    btnDataDelete = otherButton("btnDataDelete", 41, QStringLiteral("内容を削除"));
    otherLayout->addStretch(1);
    pagData->addTab(tabOther, QStringLiteral("その他"));

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    bottom->addWidget(btnOk);
    bottom->addWidget(btnCancel);
    bottom->addWidget(btnHelp);
    layout->addLayout(bottom);

    ApplyControlOptions(txtData);
    ApplyControlOptions(txtBinary);

    connect(pagData, &QTabWidget::currentChanged, this,
            [this] { RunGuarded([this] { ShowDataPage(); }); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { setModalResult(IDCANCEL); });
    connect(btnHelp, &QPushButton::clicked, this, [] {
        if (!AppHelpContext(flob::helpContext))
            ShowMessageBox(QStringLiteral("ヘルプファイルを読込めませんでした。"),
                           MB_OK | MB_ICONERROR);
    });
    connect(btnDataDelete, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { btnDataDeleteClick(); }); });
    connect(btnLoadFromFile, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { LoadValueFromFile(); }); });
    connect(btnImageOpen, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { LoadValueFromFile(); }); });
    connect(btnSaveToFile, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { SaveValueToFile(); }); });
    connect(btnImageSave, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { SaveValueToFile(); }); });
    connect(btnClipCopy, &QToolButton::clicked, this, [this] { btnClipCopyClick(); });
}

void TfrmLob::LoadWindowState()
{
    LoadWindowSize(QStringLiteral("MEMO"));
}

void TfrmLob::SaveWindowState()
{
    SaveWindowSize(QStringLiteral("MEMO"));
}

void TfrmLob::centreOnMainWindow()
{
    MainWindowServices *main = mainWindowServices();
    QWidget *centre = main ? main->mainWidget() : nullptr;
    if (centre && centre->isVisible())
        move(centre->geometry().center() - rect().center());
}

void TfrmLob::setReadOnly(bool readOnly)
{
    for (QWidget *w :
         { static_cast<QWidget *>(btnOk), static_cast<QWidget *>(btnDataDelete),
           static_cast<QWidget *>(btnLoadFromFile), static_cast<QWidget *>(btnImageOpen) })
        w->setEnabled(!readOnly);
    txtData->setReadOnly(readOnly);
}

void TfrmLob::setValue(const TLobValue &value)
{
    FStream = value;
    ++m_generation;
}

void TfrmLob::SelectDataPage()
{
    const QByteArray bytes = FStream.value_or(QByteArray());
    const bool picture = GetImageFormat(bytes) != QLatin1String("UNKNOWN");
    const int image = pagData->indexOf(tabImage);
    const int text = pagData->indexOf(tabText);
    pagData->setTabVisible(image, picture);
    pagData->setTabVisible(text, !picture);
    if (picture)
        pagData->setCurrentIndex(image);
    else
        pagData->setCurrentIndex(bytes.isEmpty() ? text : pagData->indexOf(tabBinary));
}

void TfrmLob::ShowDataPage()
{
    QWidget *page = pagData->currentWidget();
    setAcceptDrops(page == tabImage && btnLoadFromFile->isEnabled());
    const SQLWaitCursor wait;
    const QByteArray bytes = FStream.value_or(QByteArray());
    if (page == tabText) {
        // what the user typed stays until the value itself changes
        if (m_textGeneration == m_generation)
            return;
        m_readAs = DecodeLobText(bytes);
        txtData->setPlainText(m_readAs.text);
        // the editor keeps its own line breaks: an unchanged text is the one it showed
        m_shownText = txtData->toPlainText();
        m_textGeneration = m_generation;
    } else if (page == tabBinary) {
        if (txtBinary->property("generation").toInt() == m_generation)
            return;
        if (bytes.size() >= flob::askHexBytes
            && ShowMessageBox(QStringLiteral("5000バイト以上ありますが表示しますか？"),
                              MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
                != IDYES)
            return;
        txtBinary->clear();
        txtBinary->setUpdatesEnabled(false);
        txtBinary->setPlainText(LobHexLines(bytes).join(QLatin1Char('\n')));
        txtBinary->setUpdatesEnabled(true);
        txtBinary->setProperty("generation", m_generation);
    } else if (page == tabImage) {
        L_wImage = QImage();
        if (!bytes.isEmpty() && GetImageFormat(bytes, &L_wImage) != QLatin1String("UNKNOWN"))
            ImgBytes->setPixmap(QPixmap::fromImage(L_wImage));
        else
            ImgBytes->clear();
    }
}

void TfrmLob::WriteBackText()
{
    if (pagData->currentWidget() != tabText || m_textGeneration != m_generation)
        return;
    QString text = txtData->toPlainText();
    // the bytes stay exactly as they were unless the user changed the text
    if (text == m_shownText)
        return;
    // and an edited text keeps the line breaks it was read with
    const QString lineBreak = m_readAs.text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n")
        : m_readAs.text.contains(QLatin1Char('\r'))                         ? QStringLiteral("\r")
                                                                            : QString();
    if (!lineBreak.isEmpty())
        text.replace(QLatin1Char('\n'), lineBreak);
    FStream = EncodeLobText(text, m_readAs);
}

void TfrmLob::btnOkClick()
{
    setModalResult(IDOK);
}

void TfrmLob::btnDataDeleteClick()
{
    if (ShowMessageBox(QStringLiteral("列値に null をセットしますか？"), MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    setValue(std::nullopt);
    // the text page must not write its text over the NULL
    m_textGeneration = -1;
    setModalResult(IDOK);
}

bool TfrmLob::LoadValueFromFile()
{
    const QString path = ShowOpenFileDialog(QString(), QString(), flob::fileFilter);
    if (path.isEmpty())
        return false;
    LoadFile(path);
    return true;
}

void TfrmLob::LoadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextFileError(QStringLiteral("ファイル「%1」を開けません: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString())
                                .toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TextFileError(QStringLiteral("ファイル「%1」を読めません: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString())
                                .toStdString());
    setValue(bytes);
    ShowMessageBox(QStringLiteral("ファイルからデータを読込みました。"),
                   MB_OK | MB_ICONINFORMATION);
    {
        const QSignalBlocker quiet(pagData);
        SelectDataPage();
    }
    ShowDataPage();
}

void TfrmLob::SaveValueToFile()
{
    const QString chosen = ShowSaveFileDialog(QString(), QString(), flob::fileFilter);
    if (chosen.isEmpty())
        return;
    const QByteArray bytes = FStream.value_or(QByteArray());
    const QString path = LobSaveFileName(chosen, GetImageFormat(bytes));
    QSaveFile file(path);
    // Unbuffered, so that a short write shows in the count and never commits a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size() || !file.commit())
        throw TextFileError(QStringLiteral("ファイル「%1」に書き込めません: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString())
                                .toStdString());
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), MB_OK | MB_ICONINFORMATION);
}

void TfrmLob::btnClipCopyClick()
{
    if (!L_wImage.isNull())
        QGuiApplication::clipboard()->setImage(L_wImage);
}

void TfrmLob::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        setModalResult(IDCANCEL);
        return;
    }
    TqvForm::keyPressEvent(event);
}

void TfrmLob::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmLob::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        paths << url.toLocalFile();
    event->acceptProposedAction();
    WMDropFiles(paths);
}

void TfrmLob::WMDropFiles(const QStringList &paths)
{
    if (!acceptDrops())
        return;
    if (paths.size() != 1) {
        ShowMessageBox(QStringLiteral("ドロップするファイルは１個にしてください。"),
                       MB_OK | MB_ICONERROR);
        return;
    }
    const QString path = paths.first();
    if (!path.isEmpty())
        RunGuarded([this, &path] { LoadFile(path); });
}
