// Draws the editor's artwork: the action and arrow icons, the window icon, the
// desktop icon in the hicolor sizes (plus its scalable SVG twin) and the About
// logo. Every image is painted here from simple shapes on a 48-unit grid, so
// the committed PNG/ICO files can always be made again:
//
//   cmake --build <build> --target artwork
//
// which runs `drawartwork <source>/resources`. Not part of the normal build.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QTextStream>
#include <QTransform>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// One palette for every icon keeps the tool bar calm.
const QColor ink(0x2b, 0x3a, 0x4a);
const QColor paper(0xff, 0xff, 0xff);
const QColor paperShade(0xd5, 0xdd, 0xe6);
const QColor blue(0x3b, 0x82, 0xc4);
const QColor blueDark(0x25, 0x5d, 0x94);
const QColor blueLight(0xdf, 0xe9, 0xf3);
const QColor green(0x3a, 0xa5, 0x5c);
const QColor greenDark(0x26, 0x7a, 0x41);
const QColor red(0xd6, 0x45, 0x45);
const QColor redDark(0xa8, 0x2e, 0x2e);
const QColor folder(0xf2, 0xb8, 0x4b);
const QColor folderDark(0xc8, 0x8a, 0x22);
const QColor gear(0x6b, 0x77, 0x85);
const QColor gearDark(0x46, 0x51, 0x5e);
const QColor navy(0x23, 0x40, 0x6b);
const QColor streamA(0xe7, 0x6f, 0x51);
const QColor streamB(0xf4, 0xa2, 0x61);
const QColor streamC(0x2a, 0x9d, 0x8f);

using Painting = std::function<void(QPainter &)>;

QPen outline(const QColor &c, qreal width = 2.0)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

void page(QPainter &p, const QRectF &r)
{
    const qreal fold = r.width() * 0.3;
    p.setPen(outline(ink));
    p.setBrush(paper);
    p.drawPath(polygonPath({r.topLeft(), {r.right() - fold, r.top()}, {r.right(), r.top() + fold},
                            r.bottomRight(), r.bottomLeft()}));
    p.setBrush(paperShade);
    p.drawPath(polygonPath({{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold},
                            {r.right(), r.top() + fold}}));
    // Text lines: a page with content, not a blank card.
    p.setPen(outline(paperShade, 2.0));
    for (qreal y = r.top() + fold + 5; y < r.bottom() - 4; y += 5)
        p.drawLine(QPointF(r.left() + 5, y), QPointF(r.right() - 5, y));
}

void badge(QPainter &p, const QPointF &centre, const QColor &fill, const QColor &rim)
{
    p.setPen(outline(rim, 1.5));
    p.setBrush(fill);
    p.drawEllipse(centre, 9.5, 9.5);
}

void drawNew(QPainter &p)
{
    page(p, QRectF(8, 3, 28, 40));
    badge(p, QPointF(35, 35), green, greenDark);
    p.setPen(outline(paper, 3.0));
    p.drawLine(QPointF(35, 30), QPointF(35, 40));
    p.drawLine(QPointF(30, 35), QPointF(40, 35));
}

void drawOpen(QPainter &p)
{
    p.setPen(outline(folderDark));
    p.setBrush(folderDark);
    p.drawPath(polygonPath({{4, 9}, {18, 9}, {22, 13}, {42, 13}, {42, 40}, {4, 40}}));
    p.setBrush(paper);
    p.setPen(outline(ink, 1.5));
    p.drawRect(QRectF(10, 16, 28, 16));
    p.setPen(outline(folderDark));
    p.setBrush(folder);
    p.drawPath(polygonPath({{9, 21}, {46, 21}, {41, 40}, {4, 40}}));
}

void floppy(QPainter &p, const QRectF &r)
{
    const qreal u = r.width() / 36.0;
    p.setPen(outline(blueDark));
    p.setBrush(blue);
    p.drawPath(polygonPath({r.topLeft(), {r.right() - 6 * u, r.top()}, {r.right(), r.top() + 6 * u},
                            r.bottomRight(), r.bottomLeft()}));
    p.setPen(Qt::NoPen);
    p.setBrush(blueLight);
    p.drawRect(QRectF(r.left() + 8 * u, r.top() + 1 * u, 18 * u, 11 * u));
    p.setBrush(blueDark);
    p.drawRect(QRectF(r.left() + 20 * u, r.top() + 3 * u, 4 * u, 7 * u));
    p.setBrush(paper);
    p.drawRect(QRectF(r.left() + 6 * u, r.top() + 18 * u, 24 * u, 17 * u));
    p.setPen(outline(paperShade, 2.0 * u));
    for (qreal y = r.top() + 23 * u; y < r.bottom() - 2 * u; y += 5 * u)
        p.drawLine(QPointF(r.left() + 10 * u, y), QPointF(r.left() + 26 * u, y));
}

void drawSave(QPainter &p)
{
    floppy(p, QRectF(6, 6, 36, 36));
}

void drawSaveAs(QPainter &p)
{
    floppy(p, QRectF(3, 3, 32, 32));
    // A pencil across the corner: the same disk, under a name still to write.
    p.save();
    p.translate(36, 36);
    p.rotate(-45);
    p.setPen(outline(ink, 1.5));
    p.setBrush(folder);
    p.drawRect(QRectF(-6, -4, 20, 8));
    p.setBrush(redDark);
    p.drawRect(QRectF(14, -4, 4, 8));
    p.setBrush(paperShade);
    p.drawPath(polygonPath({{-6, -4}, {-13, 0}, {-6, 4}}));
    p.restore();
}

void drawExport(QPainter &p)
{
    // The multiplexer: a rack unit with its status lights.
    p.setPen(outline(ink));
    p.setBrush(QColor(0x4a, 0x5a, 0x6b));
    p.drawRoundedRect(QRectF(20, 12, 25, 28), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7c, 0xe0, 0x8f));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(27 + 6 * i, 34), 1.8, 1.8);
    p.setBrush(ink);
    p.drawRect(QRectF(24, 17, 17, 3));
    // The program travelling into it.
    p.setPen(outline(greenDark, 1.5));
    p.setBrush(green);
    p.drawPath(polygonPath({{3, 21}, {17, 21}, {17, 13}, {31, 26}, {17, 39}, {17, 31}, {3, 31}}));
}

void drawCheck(QPainter &p)
{
    // The configuration, looked over: a page with a tick.
    page(p, QRectF(8, 3, 28, 40));
    badge(p, QPointF(35, 35), blue, blueDark);
    p.setPen(outline(paper, 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(30.5, 35.5), QPointF(34, 39), QPointF(40, 31)}));
}

void drawQuit(QPainter &p)
{
    p.setPen(outline(redDark, 1.5));
    p.setBrush(red);
    p.drawEllipse(QPointF(24, 24), 20, 20);
    p.setPen(outline(paper, 4.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(13, 13, 22, 22), 125 * 16, -250 * 16);
    p.drawLine(QPointF(24, 10), QPointF(24, 23));
}

void drawConfigure(QPainter &p)
{
    QPainterPath wheel;
    wheel.addEllipse(QPointF(24, 24), 15, 15);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-4.5, -22, 9, 10), 1.5, 1.5);
        wheel = wheel.united(QTransform().translate(24, 24).rotate(45 * i).map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(24, 24), 6.5, 6.5);
    p.setPen(outline(gearDark, 1.5));
    p.setBrush(gear);
    p.drawPath(wheel.subtracted(hole));
}

void drawAbout(QPainter &p)
{
    p.setPen(outline(blueDark, 1.5));
    p.setBrush(blue);
    p.drawEllipse(QPointF(24, 24), 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawEllipse(QPointF(24, 14), 3.2, 3.2);
    p.drawRoundedRect(QRectF(21, 20, 6, 17), 2, 2);
}

void drawVersion(QPainter &p)
{
    p.setPen(outline(greenDark, 1.5));
    p.setBrush(green);
    p.drawPath(polygonPath({{3, 24}, {16, 9}, {44, 9}, {44, 39}, {16, 39}}));
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawEllipse(QPointF(15, 24), 3, 3);
    p.drawRoundedRect(QRectF(23, 18, 15, 3.5), 1.5, 1.5);
    p.drawRoundedRect(QRectF(23, 26, 10, 3.5), 1.5, 1.5);
}

// A step back: a bent shaft from the lower right, its head pointing left.
void bentArrow(QPainter &p)
{
    QPainterPath shaft(QPointF(39, 40));
    shaft.cubicTo(QPointF(42, 24), QPointF(32, 15), QPointF(16, 17));
    QPainterPathStroker stroker;
    stroker.setWidth(7);
    stroker.setCapStyle(Qt::RoundCap);
    const QPainterPath head = polygonPath({{3, 17}, {18, 5}, {18, 29}});
    p.setPen(outline(blueDark, 1.5));
    p.setBrush(blue);
    p.drawPath(stroker.createStroke(shaft).united(head).simplified());
}

void drawUndo(QPainter &p)
{
    bentArrow(p);
}

void drawRedo(QPainter &p)
{
    p.setTransform(QTransform(-1, 0, 0, 1, 48, 0), true);
    bentArrow(p);
}

QPainterPath upArrow()
{
    return polygonPath({{24, 5}, {43, 25}, {31, 25}, {31, 43}, {17, 43}, {17, 25}, {5, 25}});
}

void drawUp(QPainter &p)
{
    p.setPen(outline(blueDark, 1.5));
    p.setBrush(blue);
    p.drawPath(upArrow());
}

void drawDown(QPainter &p)
{
    p.setPen(outline(blueDark, 1.5));
    p.setBrush(blue);
    p.drawPath(QTransform(1, 0, 0, -1, 0, 48).map(upArrow()));
}

// The application: three elementary streams merged into one transport stream.
void drawApp(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(navy);
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 9, 9);
    const QColor colours[3] = {streamA, streamB, streamC};
    const qreal ys[3] = {14, 24, 34};
    for (int i = 0; i < 3; ++i) {
        QPainterPath stream(QPointF(9, ys[i]));
        stream.lineTo(14, ys[i]);
        stream.cubicTo(QPointF(21, ys[i]), QPointF(23, 24), QPointF(29, 24));
        p.setPen(QPen(colours[i], 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(stream);
        p.setPen(Qt::NoPen);
        p.setBrush(colours[i]);
        p.drawEllipse(QPointF(9, ys[i]), 3, 3);
    }
    p.setPen(QPen(paper, 4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(28, 24), QPointF(35, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(paper);
    p.drawPath(polygonPath({{33, 17}, {42, 24}, {33, 31}}));
}

// The same picture as drawApp for desktops that prefer a scalable icon.
const char appSvg[] =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" viewBox=\"0 0 48 48\">\n"
    "  <rect x=\"2\" y=\"2\" width=\"44\" height=\"44\" rx=\"9\" fill=\"#23406b\"/>\n"
    "  <g fill=\"none\" stroke-width=\"3.5\" stroke-linecap=\"round\">\n"
    "    <path d=\"M9 14H14C21 14 23 24 29 24\" stroke=\"#e76f51\"/>\n"
    "    <path d=\"M9 24H14C21 24 23 24 29 24\" stroke=\"#f4a261\"/>\n"
    "    <path d=\"M9 34H14C21 34 23 24 29 24\" stroke=\"#2a9d8f\"/>\n"
    "  </g>\n"
    "  <circle cx=\"9\" cy=\"14\" r=\"3\" fill=\"#e76f51\"/>\n"
    "  <circle cx=\"9\" cy=\"24\" r=\"3\" fill=\"#f4a261\"/>\n"
    "  <circle cx=\"9\" cy=\"34\" r=\"3\" fill=\"#2a9d8f\"/>\n"
    "  <path d=\"M28 24H35\" stroke=\"#ffffff\" stroke-width=\"4\"/>\n"
    "  <path d=\"M33 17L42 24L33 31Z\" fill=\"#ffffff\"/>\n"
    "</svg>\n";

QImage render(const Painting &paint, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    paint(p);
    p.end();
    return image;
}

QImage renderLogo()
{
    QImage image(400, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.save();
    p.translate(8, 12);
    p.scale(2.0, 2.0);
    drawApp(p);
    p.restore();

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(navy);
    p.drawText(QPointF(118, 62), QStringLiteral("Velunor"));

    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(15);
    p.setFont(subtitle);
    p.setPen(ink);
    p.drawText(QPointF(120, 88), QStringLiteral("DVB multiplexer configuration"));

    const QColor colours[3] = {streamA, streamB, streamC};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(colours[i], 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(120 + 90 * i, 102), QPointF(200 + 90 * i, 102));
    }
    p.end();
    return image;
}

bool save(const QImage &image, const QString &fileName, const char *format)
{
    QImageWriter writer(fileName, format);
    if (!writer.write(image)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(fileName), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawartwork <resources directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    struct Icon {
        const char *name;
        void (*paint)(QPainter &);
    };
    const Icon icons[] = {
        {"filenew", drawNew},       {"fileopen", drawOpen},   {"filesave", drawSave},
        {"filesaveas", drawSaveAs}, {"export", drawExport},   {"quit", drawQuit},
        {"configure", drawConfigure}, {"about", drawAbout},   {"version", drawVersion},
        {"go-up", drawUp},          {"go-down", drawDown},    {"check", drawCheck},
        {"undo", drawUndo},         {"redo", drawRedo},
    };
    bool ok = true;
    // Drawn at 48 pixels: the tool bar's 24 and the menus' 16 are clean
    // reductions of it.
    for (const Icon &icon : icons)
        ok &= save(render(icon.paint, 48), out.filePath(QLatin1String(icon.name) + ".png"), "png");

    ok &= save(render(drawApp, 48).convertToFormat(QImage::Format_ARGB32), out.filePath("icon.ico"),
               "ico");
    ok &= save(renderLogo(), out.filePath("logo.png"), "png");

    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        ok &= out.mkpath(dir);
        ok &= save(render(drawApp, size), out.filePath(dir + "/velunor.png"), "png");
    }
    ok &= out.mkpath("hicolor/scalable/apps");
    QFile svg(out.filePath("hicolor/scalable/apps/velunor.svg"));
    if (svg.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ok &= svg.write(appSvg) == qint64(sizeof appSvg - 1);
    else
        ok = false;
    return ok ? 0 : 1;
}
