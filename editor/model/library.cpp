#include "library.h"

int findPreset(const MyLibrary &library, const QString &name) {
    for (int i = 0; i < library.size(); ++i)
        if (library[i].deviceParent == name)
            return i;
    return -1;
}

int findDevice(const MyLibrary &library, int preset, const QString &name) {
    if (preset < 0 || preset >= library.size())
        return -1;
    const QList<MyDevice> &devices = library[preset].listMyDevices;
    for (int j = 0; j < devices.size(); ++j)
        if (devices[j].deviceType == name)
            return j;
    return -1;
}
