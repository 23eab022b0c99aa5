#include "keptlibrary.h"

#include "filerules.h"

#include <QSet>

namespace {
using Key = QPair<int, int>;

QString quoted(const QString &text) {
    QString out;
    for (const QChar c : text)
        out += c.unicode() < 0x20 || c.unicode() > 0x7E
                   ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'))
                   : QString(c);
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString differs(const QString &where, const QString &expected, const QString &actual) {
    return QStringLiteral("%1: expected %2, got %3").arg(where, quoted(expected), quoted(actual));
}

QString rowText(const MyChanel &row) {
    return QStringList{row.status, row.dmx_chanel, row.dmx_valueFrom, row.dmx_valueTo, row.rs_c, row.function}.join(
        QLatin1Char('|'));
}

QString deviceDifference(const QString &where, const MyDevice &e, const MyDevice &a) {
    const QPair<QString, QString> texts[] = {{e.deviceType, a.deviceType},
                                             {e.deviceTypeSaved, a.deviceTypeSaved},
                                             {e.deviceDesc, a.deviceDesc},
                                             {e.deviceDescSaved, a.deviceDescSaved},
                                             {e.deviceTime, a.deviceTime}};
    const char *names[] = {"name", "saved name", "description", "saved description", "date"};
    for (int i = 0; i < 5; ++i)
        if (texts[i].first != texts[i].second)
            return differs(where + QLatin1Char(' ') + QLatin1String(names[i]), texts[i].first, texts[i].second);
    for (int f = 0; f < MyConnParam::FieldCount; ++f) {
        if (e.connParam[f] != a.connParam[f])
            return differs(where + QStringLiteral(" setting %1").arg(f), e.connParam[f], a.connParam[f]);
        if (e.connParamSaved[f] != a.connParamSaved[f])
            return differs(where + QStringLiteral(" saved setting %1").arg(f), e.connParamSaved[f],
                           a.connParamSaved[f]);
    }
    if (e.connParam.flags != a.connParam.flags || e.connParamSaved.flags != a.connParamSaved.flags)
        return where + QStringLiteral(": setting flags differ");
    if (e.listChanel.size() != a.listChanel.size())
        return where + QStringLiteral(": %1 rows expected, %2 read").arg(e.listChanel.size()).arg(a.listChanel.size());
    for (int r = 0; r < e.listChanel.size(); ++r)
        if (e.listChanel[r] != a.listChanel[r])
            return differs(where + QStringLiteral(" row %1").arg(r + 1), rowText(e.listChanel[r]),
                           rowText(a.listChanel[r]));
    return QString();
}
} // namespace

MyLibrary keptLibrary(const MyLibrary &library) {
    MyLibrary kept = library;
    // Leaving an entry out can only remove problems; look again until none is
    // left, or nothing more could be left out.
    for (bool removed = true; removed;) {
        const QList<KeepProblem> problems = libraryKeepProblems(kept, -1); // read from a file: no USB entry
        removed = false;
        QSet<int> presets;
        QSet<Key> devices;
        QHash<Key, QSet<int>> rowsOf;
        for (const KeepProblem &p : problems) {
            if (p.device < 0)
                presets.insert(p.preset);
            else if (p.row < 0)
                devices.insert({p.preset, p.device});
            else
                rowsOf[{p.preset, p.device}].insert(p.row);
        }
        for (int p = int(kept.size()) - 1; p >= 0; --p) {
            if (presets.contains(p)) {
                kept.removeAt(p);
                removed = true;
                continue;
            }
            QList<MyDevice> &list = kept[p].listMyDevices;
            for (int d = int(list.size()) - 1; d >= 0; --d) {
                if (devices.contains({p, d})) {
                    list.removeAt(d);
                    removed = true;
                    continue;
                }
                const QSet<int> bad = rowsOf.value({p, d});
                for (int r = int(list[d].listChanel.size()) - 1; r >= 0; --r)
                    if (bad.contains(r)) {
                        list[d].listChanel.removeAt(r);
                        removed = true;
                    }
            }
        }
    }
    return kept;
}

QString libraryDifference(const MyLibrary &expected, const MyLibrary &actual) {
    if (expected.size() != actual.size())
        return QStringLiteral("%1 manufacturers expected, %2 read").arg(expected.size()).arg(actual.size());
    for (int p = 0; p < expected.size(); ++p) {
        const MyPreset &e = expected[p];
        const MyPreset &a = actual[p];
        const QString where = QStringLiteral("manufacturer %1").arg(p + 1);
        if (e.deviceParent != a.deviceParent)
            return differs(where, e.deviceParent, a.deviceParent);
        if (e.listMyDevices.size() != a.listMyDevices.size())
            return where + QStringLiteral(": %1 devices expected, %2 read")
                               .arg(e.listMyDevices.size())
                               .arg(a.listMyDevices.size());
        for (int d = 0; d < e.listMyDevices.size(); ++d) {
            const QString diff = deviceDifference(where + QStringLiteral(" device %1").arg(d + 1), e.listMyDevices[d],
                                                  a.listMyDevices[d]);
            if (!diff.isEmpty())
                return diff;
        }
    }
    return QString();
}
