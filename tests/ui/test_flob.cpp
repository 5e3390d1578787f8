// The long-value editor: how it reads a value (text decodings, hexadecimal dump, picture
// formats), and, opened from the data frame over the fixture server, that pictures and
// Shift-JIS text round-trip byte for byte through files, that NULL and empty stay apart, and
// that nothing is written that the user did not change.
#include "appdoubles.h"
#include "framehosts.h"
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvencoding.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "platform/pg/dataset.h"
#include "ui/flob.h"
#include "ui/qvdbgrid.h"
#include "ui/rdata.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace appdoubles;

namespace flobtest {

QByteArray shiftJis(const QString &text)
{
    return TqvEncoding(TqvEncoding::ShiftJis).encode(text);
}

// A picture made here: a gradient with a mark, as PNG (or another format).
QByteArray picture(const char *format = "PNG", int width = 96, int height = 64)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 160));
    }
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawEllipse(QRect(8, 8, width - 16, height - 16));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

TEST(LobText, DecodingsAreTriedInTurnUntilOneReadsText)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString text;
        TLobTextEncoding encoding;
    } cases[] = {
        { "utf-8", QString("日本語").toUtf8(), "日本語", TLobTextEncoding::Utf8 },
        { "utf-8 with mark", QByteArray("\xEF\xBB\xBF") + QString("表").toUtf8(), "表",
          TLobTextEncoding::Utf8 },
        { "shift-jis", shiftJis("日本語のテキスト\r\n二行目"), "日本語のテキスト\r\n二行目",
          TLobTextEncoding::ShiftJis },
        // neither UTF-8 nor code page 932 reads 0xFF
        { "utf-16 be", QByteArray("\x00\xFF\x00\x41", 4), "ÿA", TLobTextEncoding::Utf16BE },
        { "binary", QByteArray("\x80\xFF\x41", 3), "??A", TLobTextEncoding::Ascii },
        { "blanks", QByteArray("   "), "   ", TLobTextEncoding::Utf8 },
        { "empty", QByteArray(), "", TLobTextEncoding::Utf8 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const TLobText read = DecodeLobText(c.bytes);
        EXPECT_EQ(read.text, c.text);
        EXPECT_EQ(int(read.encoding), int(c.encoding));
        // the text unchanged goes back to the same bytes, except what ASCII cannot hold
        if (read.encoding != TLobTextEncoding::Ascii)
            EXPECT_EQ(EncodeLobText(read.text, read), c.bytes);
    }
    // an edited Shift-JIS text stays Shift-JIS; a character it cannot hold makes it UTF-8
    const TLobText sjis = DecodeLobText(shiftJis("明細"));
    EXPECT_EQ(EncodeLobText("明細書", sjis), shiftJis("明細書"));
    EXPECT_EQ(EncodeLobText("明細😀", sjis), QString("明細😀").toUtf8());
}

TEST(LobText, HexadecimalDumpHasSixteenBytesALine)
{
    EXPECT_TRUE(LobHexLines(QByteArray()).isEmpty());
    QByteArray bytes;
    for (int i = 0; i < 32; ++i)
        bytes.append(char(i * 7));
    const QStringList lines = LobHexLines(bytes);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.at(0), "00 07 0E 15 1C 23 2A 31 38 3F 46 4D 54 5B 62 69");
    EXPECT_EQ(lines.at(2), "");
    EXPECT_EQ(LobHexLines(bytes.left(17)), (QStringList { lines.at(0), "70" }));
}

TEST(LobPicture, FormatsAreKnownBySignatureAndDecoding)
{
    EXPECT_EQ(GetImageFormat(picture("PNG")), "PNG");
    EXPECT_EQ(GetImageFormat(picture("JPG")), "JPG");
    EXPECT_EQ(GetImageFormat(picture("BMP")), "BMP");
    EXPECT_EQ(GetImageFormat(picture("PNG").left(40)), "UNKNOWN") << "cut off";
    EXPECT_EQ(GetImageFormat("P1\n2 2\n0 1\n1 0\n"), "UNKNOWN") << "text is no picture";
    EXPECT_EQ(GetImageFormat(QByteArray()), "UNKNOWN");
    QImage image;
    EXPECT_EQ(GetImageFormat(picture("PNG", 30, 20), &image), "PNG");
    EXPECT_EQ(image.size(), QSize(30, 20));

    EXPECT_EQ(LobSaveFileName("/tmp/a", "PNG"), "/tmp/a.png");
    EXPECT_EQ(LobSaveFileName("/tmp/a.bin", "PNG"), "/tmp/a.bin");
    EXPECT_EQ(LobSaveFileName("/tmp/a", "UNKNOWN"), "/tmp/a");
}

class LongValueEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_option = AppOption;
        AppOption.TempDir = m_dir.path() + "/work/";
        AppOption.UpdateMode = true;
        AppOption.UpdateToCommit = true;
        m_connection = std::make_unique<TestConnectionWindow>(m_db.name(), true);
    }
    void TearDown() override
    {
        m_connection.reset();
        AppOption = m_option;
    }

    template<class Host = TfrmTable> Host *table()
    {
        Host *t = CreateForm<Host>(m_connection.get());
        TDataTableSource s;
        s.schema = "edt";
        s.name = "item";
        s.columns = QStringList { "id", "payload" };
        s.orderBy = QStringLiteral("id");
        t->fraData->TableName = "edt.item";
        t->fraData->setTableSource(s);
        t->fraData->Prepare();
        t->fraData->Open();
        return t;
    }

    // Opens the long-value editor on the payload of record row and runs drive in it.
    static void edit(TfraData *frame, int row, const std::function<void(TfrmLob *)> &drive)
    {
        frame->qryData->setCurrentRow(row);
        frame->grdData1->setSelectedField(1);
        bool driven = false;
        whenModal([&](QWidget *modal) {
            auto *window = qobject_cast<TfrmLob *>(modal);
            ASSERT_NE(window, nullptr);
            driven = true;
            drive(window);
            if (window->ModalResult() == 0)
                window->btnCancel->click();
        });
        frame->grdData1EditButtonClick();
        EXPECT_TRUE(driven);
    }

    void store(TfraData *frame)
    {
        TqvGridCommitScope rule(frame->qryData);
        frame->qryData->post();
    }

    QString serverHex(int id) const
    {
        return m_db.query(QStringLiteral("SELECT coalesce(encode(payload, 'hex'), 'NULL') "
                                         "FROM edt.item WHERE id = %1")
                              .arg(id));
    }

    void setPayload(int id, const QByteArray &bytes)
    {
        m_db.exec(QStringLiteral("UPDATE edt.item SET payload = decode('%1', 'hex') WHERE id = %2")
                      .arg(QString::fromLatin1(bytes.toHex()))
                      .arg(id));
    }

    QString file(const QString &name) const { return m_dir.filePath(name); }

    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static bool tabShown(TfrmLob *w, QWidget *tab)
    {
        return w->pagData->isTabVisible(w->pagData->indexOf(tab));
    }

    TqvOption m_option;
    QTemporaryDir m_dir;
    testsupport::TestDatabase m_db;
    std::unique_ptr<TestConnectionWindow> m_connection;
    OwnRegistry m_registry;
};

// A PNG made here goes into the field from a file, is stored, shows as a picture, and comes
// back out into a file (".png" added to a name without extension) byte for byte.
TEST_F(LongValueEditor, PngRoundTripsByteForByte)
{
    const QByteArray png = picture("PNG");
    writeFile(file("in.png"), png);
    QPointer<TfrmTable> t = table();
    TfraData *frame = t->fraData;
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &r) {
        if (r.kind == DialogKind::OpenFile)
            r.value = file("in.png");
        else if (r.kind == DialogKind::SaveFile)
            r.value = file("out");
        else
            messages << r.text;
        return IDOK;
    });
    edit(frame, 0, [&](TfrmLob *w) {
        EXPECT_EQ(w->windowTitle(), "値の入力");
        EXPECT_EQ(w->pagData->currentWidget(), w->tabText) << "a NULL value opens as text";
        w->pagData->setCurrentWidget(w->tabOther);
        w->btnLoadFromFile->click();
        EXPECT_EQ(w->pagData->currentWidget(), w->tabImage);
        EXPECT_FALSE(tabShown(w, w->tabText));
        ASSERT_NE(w->ImgBytes->pixmap().isNull(), true);
        EXPECT_EQ(w->ImgBytes->pixmap().size(), QSize(96, 64));
        w->btnOk->click();
    });
    EXPECT_EQ(messages, QStringList { "ファイルからデータを読込みました。" });
    store(frame);
    EXPECT_EQ(serverHex(1), QString::fromLatin1(png.toHex()));

    frame->qryData->refresh();
    messages.clear();
    edit(frame, 0, [&](TfrmLob *w) {
        EXPECT_EQ(w->pagData->currentWidget(), w->tabImage);
        w->btnClipCopy->click();
        EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(96, 64));
        w->btnImageSave->click();
        w->btnCancel->click();
    });
    EXPECT_EQ(messages, QStringList { "ファイルに出力しました。" });
    EXPECT_EQ(readFile(file("out.png")), png);
    EXPECT_EQ(frame->qryData->state(), pg::DataSetState::Browse);
    delete t.data();
}

// A Shift-JIS text in bytea reads as text, and goes through OK, through files and through an
// edit with its bytes intact.
TEST_F(LongValueEditor, ShiftJisTextRoundTripsByteForByte)
{
    const QString text = QStringLiteral("日本語のテキスト\r\n二行目：ｶﾀｶﾅ");
    const QByteArray sjis = shiftJis(text);
    ASSERT_NE(sjis, text.toUtf8());
    setPayload(3, sjis);
    QPointer<TfrmTable> t = table();
    TfraData *frame = t->fraData;
    ScopedDialogResponder responder([&](DialogRequest &r) {
        if (r.kind == DialogKind::SaveFile)
            r.value = file("sjis.txt");
        return IDOK;
    });
    // OK on the text page, the text unchanged: the bytes stay as they are
    edit(frame, 2, [&](TfrmLob *w) {
        EXPECT_EQ(w->pagData->currentWidget(), w->tabBinary);
        EXPECT_TRUE(w->txtBinary->toPlainText().startsWith("93 FA 96 7B 8C EA"));
        w->pagData->setCurrentWidget(w->tabText);
        EXPECT_EQ(w->txtData->toPlainText(), QString(text).replace("\r\n", "\n"));
        w->btnSaveToFile->click();
        w->btnOk->click();
    });
    EXPECT_EQ(frame->qryData->state(), pg::DataSetState::Browse) << "nothing to write";
    EXPECT_EQ(readFile(file("sjis.txt")), sjis);
    EXPECT_EQ(serverHex(3), QString::fromLatin1(sjis.toHex()));

    // an edit goes back in Shift-JIS
    edit(frame, 2, [&](TfrmLob *w) {
        w->pagData->setCurrentWidget(w->tabText);
        w->txtData->moveCursor(QTextCursor::End);
        typeText(w->txtData, "追加");
        w->btnOk->click();
    });
    store(frame);
    EXPECT_EQ(serverHex(3), QString::fromLatin1(shiftJis(text + "追加").toHex()));

    // and a file loaded into the field is stored as it is
    writeFile(file("in.txt"), sjis);
    ScopedDialogResponder open([&](DialogRequest &r) {
        if (r.kind == DialogKind::OpenFile)
            r.value = file("in.txt");
        return IDOK;
    });
    edit(frame, 2, [&](TfrmLob *w) {
        w->pagData->setCurrentWidget(w->tabOther);
        w->btnLoadFromFile->click();
        EXPECT_EQ(w->pagData->currentWidget(), w->tabBinary);
        w->btnOk->click();
    });
    store(frame);
    EXPECT_EQ(serverHex(3), QString::fromLatin1(sjis.toHex()));
    delete t.data();
}

// NULL opened and confirmed stays NULL, empty stays empty, and the deletion sets NULL.
TEST_F(LongValueEditor, NullAndEmptyStayApart)
{
    QPointer<TfrmTable> t = table();
    TfraData *frame = t->fraData;
    ScopedDialogResponder responder(
        [](DialogRequest &r) { return r.buttons.contains(IDYES) ? IDYES : IDOK; });
    for (const int row : { 0, 1 }) { // NULL, empty
        edit(frame, row, [](TfrmLob *w) {
            EXPECT_EQ(w->pagData->currentWidget(), w->tabText);
            EXPECT_EQ(w->txtData->toPlainText(), "");
            w->btnOk->click();
        });
        EXPECT_EQ(frame->qryData->state(), pg::DataSetState::Browse);
    }
    EXPECT_EQ(serverHex(1), "NULL");
    EXPECT_EQ(serverHex(2), "");

    // typed and taken back: still unchanged
    edit(frame, 0, [](TfrmLob *w) {
        typeText(w->txtData, "x");
        w->txtData->clear();
        w->btnOk->click();
    });
    EXPECT_EQ(frame->qryData->state(), pg::DataSetState::Browse);

    // text typed into an empty value is stored as UTF-8
    edit(frame, 1, [](TfrmLob *w) {
        typeText(w->txtData, "値");
        w->btnOk->click();
    });
    store(frame);
    EXPECT_EQ(serverHex(2), QString::fromLatin1(QString("値").toUtf8().toHex()));

    // the deletion makes the value NULL
    edit(frame, 2, [](TfrmLob *w) {
        w->pagData->setCurrentWidget(w->tabOther);
        w->btnDataDelete->click();
    });
    store(frame);
    EXPECT_EQ(serverHex(3), "NULL");
    delete t.data();
}

TEST_F(LongValueEditor, ReadOnlyOwnersAndTheHexadecimalQuestion)
{
    setPayload(1, QByteArray(5000, 'A'));
    setPayload(2, QByteArray(4999, 'B'));
    QPointer<TfrmSQL> w = CreateForm<TfrmSQL>(m_connection.get());
    w->fraData->setSQL("SELECT id, payload FROM edt.item ORDER BY id");
    w->fraData->Prepare();
    w->fraData->Open();
    int questions = 0;
    ScopedDialogResponder responder([&](DialogRequest &r) {
        if (r.text == "5000バイト以上ありますが表示しますか？") {
            ++questions;
            EXPECT_EQ(r.flags, 0x124);
            return IDNO;
        }
        return IDOK;
    });
    edit(w->fraData, 0, [](TfrmLob *lob) {
        EXPECT_FALSE(lob->btnOk->isEnabled()) << "the SQL window shows values read-only";
        EXPECT_FALSE(lob->btnDataDelete->isEnabled());
        EXPECT_FALSE(lob->btnLoadFromFile->isEnabled());
        EXPECT_TRUE(lob->txtData->isReadOnly());
        EXPECT_TRUE(lob->btnSaveToFile->isEnabled());
        EXPECT_EQ(lob->pagData->currentWidget(), lob->tabBinary);
        EXPECT_EQ(lob->txtBinary->toPlainText(), "") << "the user said no";
    });
    EXPECT_EQ(questions, 1);
    edit(w->fraData, 1, [](TfrmLob *lob) {
        EXPECT_EQ(lob->txtBinary->document()->blockCount(), 313);
        // a drop is refused off the picture page, and two files are one too many on it
        EXPECT_FALSE(lob->acceptDrops());
    });
    EXPECT_EQ(questions, 1);
    delete w.data();
}

TEST_F(LongValueEditor, DroppedFilesAndTheWindowSize)
{
    const QByteArray png = picture("PNG", 40, 30);
    writeFile(file("a.png"), png);
    writeFile(file("b.png"), picture("PNG", 50, 30));
    setPayload(1, picture("PNG", 20, 20));
    QPointer<TfrmTable> t = table();
    TfraData *frame = t->fraData;
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    auto drop = [](TfrmLob *w, const QList<QUrl> &urls) {
        QStringList paths;
        for (const QUrl &url : urls)
            paths << url.toLocalFile();
        w->WMDropFiles(paths);
    };
    edit(frame, 0, [&](TfrmLob *w) {
        ASSERT_TRUE(w->acceptDrops());
        drop(w, { QUrl::fromLocalFile(file("a.png")), QUrl::fromLocalFile(file("b.png")) });
        EXPECT_EQ(w->ImgBytes->pixmap().size(), QSize(20, 20)) << "nothing was read";
        drop(w, { QUrl::fromLocalFile(file("a.png")) });
        EXPECT_EQ(w->ImgBytes->pixmap().size(), QSize(40, 30));
        w->resize(610, 455);
        w->btnOk->click();
    });
    EXPECT_EQ(messages,
              (QStringList { "ドロップするファイルは１個にしてください。",
                             "ファイルからデータを読込みました。" }));
    store(frame);
    EXPECT_EQ(serverHex(1), QString::fromLatin1(png.toHex()));
    ASSERT_TRUE(
        AppRegistry->OpenKey(QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\MEMO"), false));
    EXPECT_EQ(AppRegistry->GetInteger("Width", 0), 610);
    EXPECT_EQ(AppRegistry->GetInteger("Height", 0), 455);
    AppRegistry->CloseKey();
    edit(frame, 0, [](TfrmLob *w) { EXPECT_EQ(w->size(), QSize(610, 455)); });
    delete t.data();
}

} // namespace flobtest
