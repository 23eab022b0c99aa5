// Builds the device configuration image of one library device and writes it.
// Pure data in, bytes out: the window and the command-line tool share it so
// both produce exactly the same file.
#pragma once

#include "imageformat.h"
#include "records.h"

#include <QIODevice>
#include <QString>

// The device's creation time "dd.MM.yyyy | hh:mm:ss" (local time) as seconds
// since 1970 UTC; 0xFFFFFFFF when it does not parse or does not fit.
quint32 imageTime(const QString &deviceTime);

MyDeviceUSB deviceRecord(const QString &manufacturer, const MyDevice &device);
MyConnParamUSB connRecord(const MyConnParam &conn);
MyChanelUSB chanelRecord(const MyChanel &row);

// The whole image. False with `error` set when the rows do not fit the
// header's 16-bit count.
bool buildImage(const QString &manufacturer, const MyDevice &device, QByteArray *image, QString *error);

// Builds the image and writes it to an open device.
bool writeImage(QIODevice *out, const QString &manufacturer, const MyDevice &device, QString *error);

// Writes the image to `path` atomically: an existing file stays untouched
// unless the new one is complete (in place where the folder forbids new
// files). The error names the file and the reason.
bool saveImageFile(const QString &path, const QString &manufacturer, const MyDevice &device, QString *error);
