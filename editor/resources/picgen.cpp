// vorne_picgen OUTDIR: draws every picture of the editor into OUTDIR/images
// and writes OUTDIR/images.qrc listing them under ":/new/prefix1/images/".
// vorne_picgen --icons OUTDIR NAME: the window icon as the desktop's theme
// wants it, OUTDIR/<N>x<N>/apps/NAME.png for the usual sizes.
#include "icowriter.h"
#include "pictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        std::fprintf(stderr, "vorne_picgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

int writeThemeIcons(const QDir &out, const QString &name) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!out.mkpath(dir) || !drawWindowIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "vorne_picgen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--icons") == 0)
        return writeThemeIcons(QDir(QString::fromLocal8Bit(argv[2])), QString::fromLocal8Bit(argv[3]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorne_picgen OUTDIR | vorne_picgen --icons OUTDIR NAME\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("images/num256")) || !out.mkpath(QStringLiteral("images/num512"))) {
        std::fprintf(stderr, "vorne_picgen: cannot create folders in %s\n", argv[1]);
        return 1;
    }

    QStringList listed;
    bool ok = true;
    auto png = [&](const QString &name, const QImage &img) {
        const QString path = out.filePath(QStringLiteral("images/") + name);
        if (!img.save(path, "PNG")) {
            std::fprintf(stderr, "vorne_picgen: cannot write %s\n", qPrintable(path));
            ok = false;
        }
        listed << name;
    };
    png(QStringLiteral("DeviceIcon.png"), drawDeviceIcon(32));
    png(QStringLiteral("ManufacturIcon.png"), drawManufacturerIcon(32));
    png(QStringLiteral("USBFlashIcon.png"), drawUsbFlashIcon(32));
    png(QStringLiteral("USBFlashDeviceIcon.png"), drawUsbFlashDeviceIcon(32));
    png(QStringLiteral("logo.png"), drawLogo());
    png(QStringLiteral("1.png"), drawLabelBackground());
    png(QStringLiteral("white.png"), drawWhite());
    for (int n = 0; n <= 255; ++n)
        png(QStringLiteral("num256/%1.png").arg(n), drawNumber(n, NumberKind::Value));
    for (int n = 0; n <= 512; ++n)
        png(QStringLiteral("num512/%1.png").arg(n), drawNumber(n, NumberKind::Channel));

    ok = writeFile(out.filePath(QStringLiteral("images/Vorne.ico")),
                   encodeIco({drawWindowIcon(16), drawWindowIcon(32), drawWindowIcon(48)})) &&
         ok;
    listed << QStringLiteral("Vorne.ico");

    QByteArray qrc;
    QTextStream s(&qrc);
    s << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/new/prefix1\">\n";
    for (const QString &name : listed)
        s << "    <file>images/" << name << "</file>\n";
    s << "</qresource>\n</RCC>\n";
    s.flush();
    ok = writeFile(out.filePath(QStringLiteral("images.qrc")), qrc) && ok;
    return ok ? 0 : 1;
}
