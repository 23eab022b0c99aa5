// Shared fixtures of the image tests: the worked example device and its file.
#pragma once

#include "records.h"

#include <QByteArray>

MyDevice workedExampleDevice();
MyChanel row(const QString &dmx, const QString &from, const QString &to, const QString &cmd, const QString &function);
QByteArray fixture(const char *name);
