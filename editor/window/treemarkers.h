// Markers kept on tree items (column tool tips) that tell manufacturers,
// the USB entry and its device apart; they are never shown.
#pragma once

#include <QString>

// Column-1 tool tip of a manufacturer item and of the USB manufacturer item.
inline const QString kParentMarker = QStringLiteral("parent");
inline const QString kUsbParentMarker = QStringLiteral("USB:parent");
// Column-3 tool tip of the USB device item.
inline const QString kUsbDeviceMarker = QStringLiteral("USB");
