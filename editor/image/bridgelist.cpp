#include "bridgelist.h"

QList<ListedBridge> parseBridgeList(const QByteArray &output) {
    QList<ListedBridge> bridges;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> f = line.chopped(line.endsWith('\r') ? 1 : 0).split('\t');
        if (f.size() != 5)
            continue;
        bridges.append({QString::fromUtf8(f[0]), QString::fromUtf8(f[1]), QString::fromUtf8(f[2]),
                        QString::fromUtf8(f[3]), QString::fromUtf8(f[4])});
    }
    return bridges;
}

QString uploaderProgram() { return QStringLiteral("VORNE_uploader"); }
