// Shows the long-value editor on a picture made here (or, with "text", on a Shift-JIS text)
// and saves a picture of the window: lobdemo [picture|text] out.png. Run under Xvfb for a real
// window system.
#include "core/qvencoding.h"
#include "ui/flob.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("picture");
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : mode + QStringLiteral(".png");

    QByteArray bytes;
    if (mode == QLatin1String("text")) {
        bytes = TqvEncoding(TqvEncoding::ShiftJis)
                    .encode(QStringLiteral("受注明細の備考\r\n二行目：半角ｶﾀｶﾅと全角"));
    } else {
        QImage image(320, 200, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 255 / image.width(), y * 255 / image.height(), 180));
        }
        QPainter painter(&image);
        painter.setPen(QPen(Qt::white, 4));
        painter.drawEllipse(QRect(40, 30, 240, 140));
        painter.setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 20));
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("PNG 画像"));
        painter.end();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }

    int rc = 1;
    QTimer::singleShot(800, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (auto *lob = qobject_cast<TfrmLob *>(window)) {
            if (mode == QLatin1String("text"))
                lob->pagData->setCurrentWidget(lob->tabText);
            QApplication::processEvents();
            rc = lob->grab().save(out) ? 0 : 1;
            lob->btnCancel->click();
        }
    });
    TLobValue value = bytes;
    TfrmLob::ShowValue(nullptr, value, false);
    return rc;
}
