// kitbox-render-icon: draws the program's SVG logo as the PNG icons desktops
// look for, at build time.
//
//   kitbox-render-icon INPUT.svg SIZE OUTPUT.png
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool sizeOk = false;
    const int size = args.value(2).toInt(&sizeOk);
    if (args.size() != 4 || !sizeOk || size <= 0 || size > 4096) {
        std::fputs("usage: kitbox-render-icon INPUT.svg SIZE OUTPUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "kitbox-render-icon: %s: not a readable SVG file\n", qPrintable(args[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    QDir().mkpath(QFileInfo(args[3]).absolutePath());
    if (!image.save(args[3], "PNG")) {
        std::fprintf(stderr, "kitbox-render-icon: %s: cannot be written\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
