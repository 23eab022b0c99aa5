#include "bridgelist.h"

#include <algorithm>

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

QList<ListedBridge> attachedConverters(const QList<ListedBridge> &bridges) {
    QList<ListedBridge> converters;
    for (const ListedBridge &b : bridges) {
        if (!b.isConverter())
            continue;
        const auto sameName = [&b](const ListedBridge &o) { return o.name == b.name; };
        converters.append(b);
        if (std::count_if(bridges.begin(), bridges.end(), sameName) > 1)
            converters.last().name = b.location;
    }
    return converters;
}

QStringList converterChoiceTexts(const QList<ListedBridge> &converters) {
    QStringList texts;
    for (const ListedBridge &c : converters)
        texts.append(c.ident.isEmpty() ? c.name : c.name + QStringLiteral(" (") + c.ident + QLatin1Char(')'));
    return texts;
}

QStringList uploaderArguments(const QString &serial, const QString &path) {
    if (serial.isEmpty())
        return {path};
    return {QStringLiteral("--serial"), serial, path};
}

QString uploaderProgram() { return QStringLiteral("VORNE_uploader"); }
