#include "fmainimg.h"

#include <QApplication>
#include <QFont>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

namespace fmainimg {

// Every picture is drawn on a 16 × 16 grid and scaled.
enum Shape {
    Badge, // a rounded square with a short label
    Grid, // a table: header row and cells
    Cylinder, // a database
    Person,
    Folder,
    Page, // a sheet with text lines
    Check,
    Cross,
    ArrowLeftCurved,
    ArrowDown,
    ArrowUp,
    Magnifier,
    Scissors,
    Copy,
    Clipboard,
    Cascade,
    TileH,
    TileV,
    Play,
    Plug,
    Unplug,
    Lightning,
    Padlock,
    Key,
    Printer,
    Bars,
    Clock,
    Shield,
    Sigma,
    NavFirst,
    NavPrev,
    NavNext,
    NavLast,
    Plus,
    Minus,
    Bulb,
    Compare,
    Tree, // a root with branches; the label picks the two colours of its levels
    DbWindow, // a connection window: a window holding a database
};

struct Picture
{
    int index;
    Shape shape;
    QRgb colour;
    const char *label; // UTF-8; badges and the overlay of a few shapes
};

constexpr QRgb navy = 0xFF1F4E8C;
constexpr QRgb green = 0xFF2E8B3E;
constexpr QRgb red = 0xFFC0392B;
constexpr QRgb orange = 0xFFD9822B;
constexpr QRgb purple = 0xFF7B4FA0;
constexpr QRgb teal = 0xFF1B8A8A;
constexpr QRgb brown = 0xFF8A6A2E;
constexpr QRgb grey = 0xFF6B7480;
constexpr QRgb blue = 0xFF2F6FD0;

constexpr Picture pictures[] = {
    { 0, Badge, navy, "C" },          { 1, Cylinder, blue, "" },
    { 2, Person, teal, "" },          { 3, Person, teal, "" },
    { 4, Folder, orange, "" },        { 5, Badge, teal, "S" },
    { 6, Padlock, brown, "" },        { 7, ArrowDown, blue, "" },
    { 8, ArrowUp, green, "" },        { 9, Cylinder, green, "" },
    { 10, Badge, blue, "SQL" },       { 11, Page, grey, "" },
    { 12, Grid, teal, "" },           { 13, Plug, green, "" },
    { 14, Unplug, red, "" },          { 15, Check, green, "" },
    { 16, ArrowLeftCurved, red, "" }, { 17, Folder, orange, "" },
    { 18, Page, blue, "" },           { 19, ArrowLeftCurved, navy, "" },
    { 20, Scissors, grey, "" },       { 21, Copy, navy, "" },
    { 22, Clipboard, brown, "" },     { 23, Magnifier, navy, "" },
    { 24, Magnifier, purple, "" },    { 25, Cascade, navy, "" },
    { 26, TileH, navy, "" },          { 27, TileV, navy, "" },
    { 28, Play, green, "" },          { 35, NavPrev, navy, "" },
    { 36, NavNext, navy, "" },        { 37, NavFirst, navy, "" },
    { 38, NavLast, navy, "" },        { 39, Plus, green, "" },
    { 40, Minus, red, "" },           { 41, Cross, red, "" },
    { 42, Badge, grey, "終" },        { 44, Grid, green, "" },
    { 45, Grid, blue, "" },           { 46, Badge, purple, "Ix" },
    { 47, Badge, teal, "V" },         { 51, Badge, brown, "P" },
    { 52, Badge, green, "f" },        { 53, Badge, orange, "Pk" },
    { 54, Badge, orange, "Pb" },      { 55, Badge, purple, "T" },
    { 56, Badge, purple, "Tb" },      { 57, Lightning, orange, "" },
    { 58, Badge, grey, "123" },       { 60, Badge, teal, "Sy" },
    { 61, Badge, navy, "MV" },        { 64, Badge, brown, "DL" },
    { 66, Badge, red, "C" },          { 68, Person, purple, "" },
    { 69, Cylinder, brown, "" },      { 73, Grid, navy, "" },
    { 74, Badge, purple, "Ip" },      { 75, Tree, orange, "so" },
    { 76, Tree, purple, "os" },       { 94, DbWindow, blue, "" },
    { 72, Folder, blue, "" },         { 93, Page, navy, "" },
    { 95, Tree, teal, "sub" },        { 87, Grid, grey, "" },
    { 88, Page, green, "" },          { 91, Key, orange, "" },
    { 92, Compare, teal, "" },        { 98, Printer, grey, "" },
    { 105, Badge, red, "SQL" },       { 106, Badge, teal, "CR" },
    { 107, Bars, green, "" },         { 119, Compare, blue, "" },
    { 120, Bulb, orange, "" },        { 126, Folder, orange, "" },
    { 127, Badge, teal, "Ru" },       { 128, Sigma, navy, "" },
    { 129, Shield, blue, "" },        { 130, Clock, purple, "" },
    // the stored-program runner's debug button and the kinds of its argument nodes
    { 43, Badge, red, "Dbg" },        { 79, Badge, green, "R" },
    { 80, Badge, blue, "In" },        { 81, Badge, orange, "Out" },
    { 82, Badge, purple, "IO" },
};

const Picture *find(int index)
{
    for (const Picture &picture : pictures) {
        if (picture.index == index)
            return &picture;
    }
    return nullptr;
}

QPen outline(const QColor &colour, qreal width = 1.2)
{
    QPen pen(colour.darker(140), width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void badge(QPainter &p, const QColor &colour, const QString &label)
{
    p.setPen(outline(colour, 0.8));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(label.size() <= 1 ? 11 : (label.size() == 2 ? 8 : 6));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, label);
}

void page(QPainter &p, const QRectF &r, const QColor &colour)
{
    p.setPen(outline(colour, 0.9));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(colour, 0.8));
    for (qreal y = r.top() + 2.5; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void grid(QPainter &p, const QColor &colour)
{
    const QRectF r(1.5, 2.5, 13, 11);
    p.setPen(outline(colour, 0.9));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.fillRect(QRectF(1.5, 2.5, 13, 3), colour);
    p.setPen(QPen(colour, 0.7));
    for (qreal y : { 8.5, 11.0 })
        p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
    for (qreal x : { 6.0, 10.5 })
        p.drawLine(QPointF(x, 5.5), QPointF(x, 13.5));
}

void cylinder(QPainter &p, const QColor &colour)
{
    p.setPen(outline(colour, 0.9));
    p.setBrush(colour.lighter(130));
    QPainterPath body;
    body.moveTo(2.5, 4);
    body.lineTo(2.5, 12.5);
    body.arcTo(QRectF(2.5, 10.5, 11, 4), 180, 180);
    body.lineTo(13.5, 4);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(colour.lighter(160));
    p.drawEllipse(QRectF(2.5, 2, 11, 4));
}

void person(QPainter &p, const QColor &colour)
{
    p.setPen(outline(colour, 0.9));
    p.setBrush(colour);
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    QPainterPath body;
    body.moveTo(2, 15);
    body.cubicTo(2, 9, 14, 9, 14, 15);
    body.closeSubpath();
    p.drawPath(body);
}

void folder(QPainter &p, const QColor &colour)
{
    p.setPen(outline(colour, 0.9));
    p.setBrush(colour.lighter(120));
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6, 3.5);
    path.lineTo(7.5, 5);
    path.lineTo(14.5, 5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.drawPath(path);
    p.setBrush(colour.lighter(150));
    p.drawRect(QRectF(1.5, 6.5, 13, 7));
}

void arrow(QPainter &p, const QColor &colour, bool down)
{
    p.save();
    if (!down) {
        p.translate(16, 16);
        p.rotate(180);
    }
    p.setPen(outline(colour, 0.9));
    p.setBrush(colour);
    const QPointF points[]
        = { { 6, 1.5 }, { 10, 1.5 }, { 10, 7 }, { 13.5, 7 }, { 8, 13 }, { 2.5, 7 }, { 6, 7 } };
    p.drawPolygon(points, 7);
    p.restore();
    p.setPen(QPen(colour.darker(130), 1.4));
    p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
}

void curvedArrow(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(5, 6);
    path.cubicTo(10, 3, 15, 6, 13, 11);
    path.cubicTo(12, 13, 10, 14, 8, 14);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF head[] = { { 1.5, 6.5 }, { 7, 2 }, { 7.5, 9.5 } };
    p.drawPolygon(head, 3);
}

void magnifier(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour, 1.6));
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(QRectF(2, 2, 8, 8));
    p.setPen(QPen(colour.darker(130), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
}

void scissors(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4, 1.5), QPointF(11, 10));
    p.drawLine(QPointF(12, 1.5), QPointF(5, 10));
    p.setPen(QPen(QColor(red), 1.4));
    p.drawEllipse(QRectF(2, 10, 4, 4));
    p.drawEllipse(QRectF(10, 10, 4, 4));
}

void windows(QPainter &p, const QColor &colour, const QList<QRectF> &rects)
{
    for (const QRectF &r : rects) {
        p.setPen(outline(colour, 0.8));
        p.setBrush(Qt::white);
        p.drawRect(r);
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 2.5), colour);
    }
}

void triangle(QPainter &p, const QColor &colour, qreal x, bool right)
{
    const QPointF pts[]
        = { { x + (right ? 0 : 5), 3 }, { x + (right ? 5 : 0), 8 }, { x + (right ? 0 : 5), 13 } };
    p.setPen(outline(colour, 0.8));
    p.setBrush(colour);
    p.drawPolygon(pts, 3);
}

// A root node with branches down to its children: the schema-first order draws folders under
// the root and objects under them, the kind-first order the other way round; "sub" draws the
// objects hanging under one node.
void tree(QPainter &p, const QColor &colour, const QString &kind)
{
    const QColor folderColour(orange);
    const QColor objectColour(purple);
    const bool schemaFirst = kind == QLatin1String("so");
    const bool subOnly = kind == QLatin1String("sub");
    p.setPen(QPen(QColor(grey), 0.9));
    p.drawLine(QPointF(3.5, 5), QPointF(3.5, 12.5));
    p.drawLine(QPointF(3.5, 8.5), QPointF(7, 8.5));
    p.drawLine(QPointF(3.5, 12.5), QPointF(7, 12.5));
    auto node = [&p](const QRectF &r, const QColor &c) {
        p.setPen(outline(c, 0.8));
        p.setBrush(c.lighter(115));
        p.drawRect(r);
    };
    node(QRectF(1, 1, 5, 4), subOnly ? QColor(navy) : (schemaFirst ? folderColour : objectColour));
    const QColor child = subOnly ? colour : (schemaFirst ? objectColour : folderColour);
    node(QRectF(7, 6.5, 7.5, 4), child);
    node(QRectF(7, 10.5, 7.5, 4), subOnly ? colour.darker(120) : child);
}

void draw(QPainter &p, int index)
{
    const Picture *picture = find(index);
    if (!picture) {
        badge(p, QColor(grey), QString::number(index));
        return;
    }
    const QColor c(picture->colour);
    switch (picture->shape) {
    case Badge:
        badge(p, c, QString::fromUtf8(picture->label));
        break;
    case Grid:
        grid(p, c);
        if (index == 73) {
            p.setPen(QPen(QColor(red), 1.2, Qt::DashLine));
            p.drawLine(QPointF(8.2, 3), QPointF(8.2, 13.5));
        }
        break;
    case Cylinder:
        cylinder(p, c);
        if (index == 9)
            arrow(p, QColor(navy), true);
        break;
    case Person:
        person(p, c);
        break;
    case Folder:
        folder(p, c);
        break;
    case Page:
        page(p, QRectF(3, 1.5, 10, 13), c);
        if (index == 18) {
            p.setPen(QPen(QColor(green), 1.8, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, 10), QPointF(15, 10));
            p.drawLine(QPointF(12, 7), QPointF(15, 10));
            p.drawLine(QPointF(12, 13), QPointF(15, 10));
        }
        break;
    case Check:
        p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({ { 2.5, 8.5 }, { 6.5, 12.5 }, { 13.5, 3.5 } }));
        break;
    case Cross:
        p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case ArrowLeftCurved:
        curvedArrow(p, c);
        break;
    case ArrowDown:
        arrow(p, c, true);
        break;
    case ArrowUp:
        arrow(p, c, false);
        break;
    case Magnifier:
        if (index == 24)
            page(p, QRectF(6, 1, 9, 11), QColor(grey));
        magnifier(p, c);
        break;
    case Scissors:
        scissors(p, c);
        break;
    case Copy:
        page(p, QRectF(1.5, 1.5, 8.5, 10), c);
        page(p, QRectF(6, 4.5, 8.5, 10), c);
        break;
    case Clipboard:
        p.setPen(outline(c, 0.9));
        p.setBrush(c.lighter(140));
        p.drawRoundedRect(QRectF(2, 2.5, 11, 12.5), 1.5, 1.5);
        p.setBrush(QColor(grey));
        p.drawRect(QRectF(5, 1, 5, 3));
        page(p, QRectF(6.5, 6, 8, 9), QColor(navy));
        break;
    case Cascade:
        windows(p, c, { QRectF(1, 1, 9, 7), QRectF(3.5, 4, 9, 7), QRectF(6, 7, 9, 7.5) });
        break;
    case TileH:
        windows(p, c, { QRectF(1.5, 1.5, 13, 6), QRectF(1.5, 8.5, 13, 6) });
        break;
    case TileV:
        windows(p, c, { QRectF(1.5, 1.5, 6, 13), QRectF(8.5, 1.5, 6, 13) });
        break;
    case Play:
        p.setPen(outline(c, 0.9));
        p.setBrush(c);
        p.drawPolygon(QPolygonF({ { 4, 2 }, { 14, 8 }, { 4, 14 } }));
        break;
    case Plug:
    case Unplug: {
        cylinder(p, QColor(blue));
        p.setPen(QPen(c, 2.4, Qt::SolidLine, Qt::RoundCap));
        if (picture->shape == Plug) {
            p.drawLine(QPointF(10, 12), QPointF(13, 9));
            p.drawLine(QPointF(10, 12), QPointF(15, 12));
        } else {
            p.drawLine(QPointF(10, 9), QPointF(15, 14));
            p.drawLine(QPointF(15, 9), QPointF(10, 14));
        }
        break;
    }
    case Lightning:
        p.setPen(outline(c, 0.8));
        p.setBrush(c);
        p.drawPolygon(
            QPolygonF({ { 9, 1 }, { 3, 9 }, { 7.5, 9 }, { 6, 15 }, { 13, 6 }, { 8.5, 6 } }));
        break;
    case Padlock:
        p.setPen(QPen(QColor(grey), 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
        p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
        p.setPen(outline(c, 0.9));
        p.setBrush(c.lighter(130));
        p.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.5, 1.5);
        break;
    case Key:
        p.setPen(QPen(c.darker(130), 1.2));
        p.setBrush(c);
        p.drawEllipse(QRectF(1.5, 4, 7, 7));
        p.setPen(QPen(c.darker(130), 2.2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(8, 7.5), QPointF(15, 7.5));
        p.drawLine(QPointF(13, 7.5), QPointF(13, 11));
        p.drawLine(QPointF(10.5, 7.5), QPointF(10.5, 10));
        break;
    case Printer:
        page(p, QRectF(4, 1, 8, 6), QColor(navy));
        p.setPen(outline(c, 0.9));
        p.setBrush(c.lighter(140));
        p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 10, 8, 5));
        break;
    case Bars:
        p.setPen(Qt::NoPen);
        p.fillRect(QRectF(2, 9, 3, 5.5), c);
        p.fillRect(QRectF(6.5, 5, 3, 9.5), QColor(blue));
        p.fillRect(QRectF(11, 2, 3, 12.5), QColor(orange));
        p.setPen(QPen(QColor(grey), 1));
        p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
        break;
    case Clock:
        p.setPen(outline(c, 1.2));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 10));
        break;
    case Shield:
        p.setPen(outline(c, 0.9));
        p.setBrush(c);
        p.drawPath([] {
            QPainterPath path;
            path.moveTo(8, 1);
            path.lineTo(14, 3);
            path.cubicTo(14, 10, 11, 13, 8, 15);
            path.cubicTo(5, 13, 2, 10, 2, 3);
            path.closeSubpath();
            return path;
        }());
        p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(QPolygonF({ { 5, 8 }, { 7.5, 10.5 }, { 11, 5.5 } }));
        break;
    case Sigma:
        p.setPen(QPen(c, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawPolyline(QPolygonF({ { 13, 3 }, { 3.5, 3 }, { 8.5, 8 }, { 3.5, 13 }, { 13, 13 } }));
        break;
    case NavFirst:
        p.fillRect(QRectF(3, 3, 1.8, 10), c);
        triangle(p, c, 6, false);
        break;
    case NavPrev:
        triangle(p, c, 5, false);
        break;
    case NavNext:
        triangle(p, c, 6, true);
        break;
    case NavLast:
        triangle(p, c, 5, true);
        p.fillRect(QRectF(11.2, 3, 1.8, 10), c);
        break;
    case Plus:
        p.fillRect(QRectF(6.75, 2.5, 2.5, 11), c);
        p.fillRect(QRectF(2.5, 6.75, 11, 2.5), c);
        break;
    case Minus:
        p.fillRect(QRectF(2.5, 6.75, 11, 2.5), c);
        break;
    case Bulb:
        p.setPen(outline(c, 0.9));
        p.setBrush(QColor(255, 220, 90));
        p.drawEllipse(QRectF(3, 1, 10, 10));
        p.setBrush(QColor(grey));
        p.drawRect(QRectF(5.5, 10.5, 5, 4));
        break;
    case Compare:
        page(p, QRectF(1, 2, 6, 11), c);
        page(p, QRectF(9, 2, 6, 11), QColor(orange));
        p.setPen(QPen(QColor(navy), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 14.5), QPointF(11, 14.5));
        break;
    case Tree:
        tree(p, c, QString::fromUtf8(picture->label));
        break;
    case DbWindow:
        windows(p, QColor(navy), { QRectF(0.5, 0.5, 15, 15) });
        p.save();
        p.translate(3, 4.5);
        p.scale(0.62, 0.62);
        cylinder(p, c);
        p.restore();
        break;
    }
}

} // namespace fmainimg

QPixmap PaintMainImage(int index, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(size / 16.0, size / 16.0);
    fmainimg::draw(painter, index);
    return pixmap;
}

namespace fmainimg {

// A picture painted at the size a menu, button or window asks for, when it first asks, and
// kept for the next time; the other modes are the style's renderings of the normal one.
class PaintedIconEngine : public QIconEngine
{
public:
    explicit PaintedIconEngine(int index)
        : m_index(index)
    { }

    QIconEngine *clone() const override { return new PaintedIconEngine(*this); }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return { QSize(16, 16), QSize(20, 20), QSize(24, 24), QSize(32, 32) };
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const int side = qRound(qMin(size.width(), size.height()) * scale);
        if (side <= 0)
            return QPixmap();
        const quint64 key = (quint64(side) << 8) | quint64(mode);
        auto found = m_pixmaps.constFind(key);
        if (found != m_pixmaps.cend())
            return found.value();
        QPixmap pixmap;
        if (mode == QIcon::Normal) {
            pixmap = PaintMainImage(m_index, side);
        } else {
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(
                mode, scaledPixmap(size, QIcon::Normal, QIcon::Off, scale), &option);
        }
        pixmap.setDevicePixelRatio(scale);
        m_pixmaps.insert(key, pixmap);
        return pixmap;
    }

private:
    int m_index;
    QHash<quint64, QPixmap> m_pixmaps;
};

} // namespace fmainimg

QIcon MainImageIcon(int index)
{
    return QIcon(new fmainimg::PaintedIconEngine(index));
}

QList<int> MainImageIndexes()
{
    QList<int> indexes;
    for (const fmainimg::Picture &picture : fmainimg::pictures)
        indexes.append(picture.index);
    return indexes;
}
