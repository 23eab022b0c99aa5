#include "projectstate.h"

#include "connflags.h"

bool libraryHasChanges(const MyLibrary &library, bool globalAddDeleteItem) {
    if (globalAddDeleteItem)
        return true;
    for (const MyPreset &preset : library)
        for (const MyDevice &device : preset.listMyDevices)
            if (device.isChanges || device.changesInTable || device.changesInConn)
                return true;
    return false;
}

void markLibrarySaved(MyLibrary *library) {
    for (MyPreset &preset : *library) {
        for (MyDevice &device : preset.listMyDevices) {
            setConnSaved2(&device.connParam);
            for (MyChanel &row : device.listChanel)
                if (row.status == kStatusChanged)
                    row.status = kStatusSaved;
            device.isChanges = false;
            device.changesInConn = false;
            device.changesInTable = false;
        }
    }
}

QString saveQuestionText(const QString &projectName) {
    return QStringLiteral("Save changes in project \"") + projectName + QStringLiteral("\"?");
}

QString withProjectSuffix(const QString &name) {
    if (name.contains(QLatin1String(".prj"), Qt::CaseInsensitive))
        return name;
    return name + QStringLiteral(".prj");
}
