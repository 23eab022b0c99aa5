#include "deviceedit.h"

#include "connflags.h"
#include "library.h"

namespace {

int numberOf(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

} // namespace

MyDevice makeNewDevice(const DeviceEntry &entry) {
    MyDevice device;
    device.deviceType = entry.name;
    device.deviceTypeSaved = entry.name;
    device.deviceDesc = entry.description;
    device.deviceDescSaved = entry.description;
    device.deviceTime = entry.time;
    device.connParam = entry.conn;
    device.connParam.flags = MyConnParam::AllChanged;
    device.connParamSaved = entry.conn;
    device.connParamSaved.flags = 0;
    device.changesInConn = true;
    device.isChanges = true;
    return device;
}

MyDevice makeClonedDevice(const DeviceEntry &entry, const MyDevice &source) {
    MyDevice device = makeNewDevice(entry);
    device.listChanel = source.listChanel;
    for (MyChanel &row : device.listChanel)
        row.status = kStatusChanged;
    device.changesInTable = !device.listChanel.isEmpty();
    return device;
}

void applyDeviceEdit(MyDevice *device, const DeviceEntry &entry) {
    device->deviceType = entry.name;
    device->deviceDesc = entry.description;
    device->deviceTime = entry.time;
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        device->connParam[field] = entry.conn[field];
    device->connParam.flags = 0;
    device->changesInConn = setConnChanged(&device->connParam, &device->connParamSaved);
    device->isChanges = device->deviceType != device->deviceTypeSaved ||
                        device->deviceDesc != device->deviceDescSaved || device->changesInConn;
}

bool isTimeValueValid(const QString &text) {
    const int value = numberOf(text);
    return value >= 1 && value <= 10000;
}

bool isRetryCountValid(const QString &text) {
    const int value = numberOf(text);
    return value >= 0 && value <= 10;
}

bool removeFirstDeviceNamed(MyLibrary *library, const QString &name) {
    for (MyPreset &preset : *library) {
        QList<MyDevice> &devices = preset.listMyDevices;
        for (int d = 0; d < devices.size(); ++d) {
            if (devices[d].deviceType == name) {
                devices.removeAt(d);
                return true;
            }
        }
    }
    return false;
}

bool removeDeviceOf(MyLibrary *library, const QString &manufacturer, const QString &name) {
    const int p = findPreset(*library, manufacturer);
    const int d = findDevice(*library, p, name);
    if (d < 0)
        return false;
    (*library)[p].listMyDevices.removeAt(d);
    return true;
}

bool removeManufacturerNamed(MyLibrary *library, const QString &name) {
    const int p = findPreset(*library, name);
    if (p < 0)
        return false;
    library->removeAt(p);
    return true;
}
