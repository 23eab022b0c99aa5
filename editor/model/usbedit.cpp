#include "usbedit.h"

#include "connflags.h"

int findUsbPreset(const MyLibrary &library, const QString &name) {
    for (int i = int(library.size()) - 1; i >= 0; --i)
        if (library[i].deviceParent == name)
            return i;
    return -1;
}

bool applyUsbEdit(MyDevice *device, const QString &name, const QString &desc, const QString &time,
                  const MyConnParam &popup) {
    device->deviceType = name;
    device->deviceDesc = desc;
    for (MyConnParam::Field field : kUsbEditFields)
        device->connParam[field] = popup[field];
    device->connParam.flags = 0;
    device->changesInConn = setConnChanged(&device->connParam, &device->connParamSaved);
    device->isChanges = device->changesInConn || name != device->deviceTypeSaved || desc != device->deviceDescSaved;
    const bool changed = device->isChanges;
    if (changed)
        device->deviceTime = time;
    device->isChanges = false;
    device->changesInConn = false;
    return changed;
}

MyDevice makeUsbClone(const MyDevice &usb, const QString &name, const QString &desc, const QString &time,
                      const MyConnParam &popup) {
    MyDevice clone;
    clone.isChanges = true;
    clone.changesInConn = true;
    clone.deviceType = name;
    clone.deviceTypeSaved = name;
    clone.deviceDesc = desc;
    clone.deviceDescSaved = desc;
    clone.deviceTime = time;
    for (MyChanel row : usb.listChanel) {
        row.status = kStatusChanged;
        clone.listChanel.append(row);
        row.status.clear();
        clone.listChanelShadow.append(row);
    }
    for (MyConnParam::Field field : kUsbEditFields) {
        clone.connParam[field] = popup[field];
        clone.connParamSaved[field] = popup[field];
    }
    clone.connParam.flags = MyConnParam::AllChanged;
    return clone;
}
