#include "entryrules.h"

#include "filerules.h"

namespace {

const char *const kConnLabels[MyConnParam::FieldCount] = {
    "Speed [baud]",     "Data bits",   "Stop bits",       "Parity",         "Handshake",
    "Delay time [ms]",  "Retry count", "CMD Prefix",      "CMD Prefix HEX", "Normal reply",
    "Normal reply HEX", "Error reply", "Error reply HEX", "Wait time [ms]",
};

QString message(const QString &label, const QString &problem) {
    return problem.isEmpty() ? QString() : keepMessage(label, problem);
}

} // namespace

QString connFieldLabel(int field) {
    if (field < 0 || field >= MyConnParam::FieldCount)
        return QString();
    return QString::fromLatin1(kConnLabels[field]);
}

QString manufacturerEntryMessage(const QString &name) {
    return message(QStringLiteral("Device Manufacturer"), projectTextProblem(ProjectText::ManufacturerName, name));
}

QString deviceEntryMessage(const DeviceEntry &entry) {
    const struct {
        const char *label;
        ProjectText kind;
        const QString &text;
    } texts[] = {
        {"Device Type", ProjectText::DeviceName, entry.name},
        {"Device Description", ProjectText::DeviceDescription, entry.description},
        {"Created Date", ProjectText::DeviceTime, entry.time},
    };
    for (const auto &t : texts) {
        const QString m = message(QLatin1String(t.label), projectTextProblem(t.kind, t.text));
        if (!m.isEmpty())
            return m;
    }
    for (int field = 0; field < MyConnParam::FieldCount; ++field) {
        const QString m = message(connFieldLabel(field), connTextProblem(field, entry.conn[field]));
        if (!m.isEmpty())
            return m;
    }
    return QString();
}
