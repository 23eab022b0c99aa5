#include "ftdi_mapping.h"

#include <cstring>
#include <ftdi.h>

namespace vorne::d2xx {

namespace {

int value(const FtdiEeprom &e, int name) {
    auto it = e.values.find(name);
    return it == e.values.end() ? 0 : it->second;
}

UCHAR flag(const FtdiEeprom &e, int name, int mask = ~0) { return (value(e, name) & mask) ? 1 : 0; }

/* libftdi decodes a channel's driver as 0 or 1 (1: virtual COM port), yet
 * builds any nonzero value as VCP; DRIVER_VCP is what older versions expect. */
UCHAR isVcp(const FtdiEeprom &e, int channelDriver) { return flag(e, channelDriver); }

void copyString(char *to, const std::string &from) {
    if (!to)
        return;
    size_t n = from.size() < kEepromStringSize - 1 ? from.size() : kEepromStringSize - 1;
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

std::string fromBuffer(const char *s) { return s ? std::string(s, strnlen(s, kEepromStringSize - 1)) : std::string(); }

/* libftdi keeps one channel type where D2XX has three flags. */
int channelType(UCHAR fifo, UCHAR fifoTarget, UCHAR fastSerial) {
    if (fifo)
        return CHANNEL_IS_FIFO;
    if (fifoTarget)
        return CHANNEL_IS_CPU;
    if (fastSerial)
        return CHANNEL_IS_OPTO;
    return CHANNEL_IS_UART;
}

struct InvertBit {
    UCHAR FT_PROGRAM_DATA::*field;
    int mask;
};

const InvertBit kInvertBits[] = {
    {&FT_PROGRAM_DATA::InvertTXD, INVERT_TXD}, {&FT_PROGRAM_DATA::InvertRXD, INVERT_RXD},
    {&FT_PROGRAM_DATA::InvertRTS, INVERT_RTS}, {&FT_PROGRAM_DATA::InvertCTS, INVERT_CTS},
    {&FT_PROGRAM_DATA::InvertDTR, INVERT_DTR}, {&FT_PROGRAM_DATA::InvertDSR, INVERT_DSR},
    {&FT_PROGRAM_DATA::InvertDCD, INVERT_DCD}, {&FT_PROGRAM_DATA::InvertRI, INVERT_RI},
};

UCHAR FT_PROGRAM_DATA::*const kCbus[] = {&FT_PROGRAM_DATA::Cbus0, &FT_PROGRAM_DATA::Cbus1, &FT_PROGRAM_DATA::Cbus2,
                                         &FT_PROGRAM_DATA::Cbus3, &FT_PROGRAM_DATA::Cbus4};

DWORD recordVersion(FT_DEVICE chip) {
    switch (chip) {
    case FT_DEVICE_2232C:
        return 1;
    case FT_DEVICE_232R:
        return 2;
    default:
        return 0;
    }
}

} // namespace

FT_DEVICE d2xxChipType(int ftdiChipType) {
    switch (ftdiChipType) {
    case TYPE_AM:
        return FT_DEVICE_AM;
    case TYPE_BM:
        return FT_DEVICE_BM;
    case TYPE_2232C:
        return FT_DEVICE_2232C;
    case TYPE_R:
        return FT_DEVICE_232R;
    case TYPE_2232H:
        return FT_DEVICE_2232H;
    case TYPE_4232H:
        return FT_DEVICE_4232H;
    case TYPE_232H:
        return FT_DEVICE_232H;
    case TYPE_230X:
        return FT_DEVICE_X_SERIES;
    default:
        return FT_DEVICE_UNKNOWN;
    }
}

std::string usbPathName(int bus, const std::vector<int> &ports) {
    std::string name = "usb:" + std::to_string(bus);
    for (size_t i = 0; i < ports.size(); ++i)
        name += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
    return name;
}

void nameBridges(std::vector<ListedDevice> *devices, const std::vector<std::string> &paths) {
    std::map<std::string, int> uses;
    for (const auto &d : *devices)
        ++uses[d.serial];
    for (size_t i = 0; i < devices->size() && i < paths.size(); ++i) {
        auto &serial = (*devices)[i].serial;
        if (serial.empty() || uses[serial] > 1)
            serial = paths[i];
        (*devices)[i].location = paths[i];
    }
}

bool ftdiLineProperties(UCHAR wordLength, UCHAR stopBits, UCHAR parity, int *bits, int *stop, int *par) {
    if (wordLength != FT_BITS_7 && wordLength != FT_BITS_8)
        return false;
    if (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2)
        return false;
    if (parity > FT_PARITY_SPACE)
        return false;
    *bits = wordLength == FT_BITS_7 ? BITS_7 : BITS_8;
    *stop = stopBits == FT_STOP_BITS_1 ? STOP_BIT_1 : STOP_BIT_2;
    static const int kParity[] = {NONE, ODD, EVEN, MARK, SPACE};
    *par = kParity[parity];
    return true;
}

const std::vector<int> &mappedEepromValues() {
    static const std::vector<int> names = {VENDOR_ID,       PRODUCT_ID,         SELF_POWERED,       REMOTE_WAKEUP,
                                           IS_NOT_PNP,      IN_IS_ISOCHRONOUS,  OUT_IS_ISOCHRONOUS, SUSPEND_PULL_DOWNS,
                                           USE_SERIAL,      USB_VERSION,        USE_USB_VERSION,    MAX_POWER,
                                           CHANNEL_A_TYPE,  CHANNEL_B_TYPE,     CHANNEL_A_DRIVER,   CHANNEL_B_DRIVER,
                                           CBUS_FUNCTION_0, CBUS_FUNCTION_1,    CBUS_FUNCTION_2,    CBUS_FUNCTION_3,
                                           CBUS_FUNCTION_4, HIGH_CURRENT,       HIGH_CURRENT_A,     HIGH_CURRENT_B,
                                           INVERT,          EXTERNAL_OSCILLATOR};
    return names;
}

void decodeProgramData(const FtdiEeprom &e, FT_DEVICE chip, FT_PROGRAM_DATA *d) {
    d->Version = recordVersion(chip);
    d->VendorId = static_cast<WORD>(value(e, VENDOR_ID));
    d->ProductId = static_cast<WORD>(value(e, PRODUCT_ID));
    copyString(d->Manufacturer, e.manufacturer);
    copyString(d->ManufacturerId, "FT"); /* libftdi keeps no serial-number prefix */
    copyString(d->Description, e.product);
    copyString(d->SerialNumber, e.serial);
    d->MaxPower = static_cast<WORD>(value(e, MAX_POWER));
    d->PnP = !flag(e, IS_NOT_PNP);
    d->SelfPowered = flag(e, SELF_POWERED);
    d->RemoteWakeup = flag(e, REMOTE_WAKEUP);

    switch (chip) {
    case FT_DEVICE_BM:
        d->Rev4 = 1;
        d->IsoIn = flag(e, IN_IS_ISOCHRONOUS);
        d->IsoOut = flag(e, OUT_IS_ISOCHRONOUS);
        d->PullDownEnable = flag(e, SUSPEND_PULL_DOWNS);
        d->SerNumEnable = flag(e, USE_SERIAL);
        d->USBVersionEnable = flag(e, USE_USB_VERSION);
        d->USBVersion = static_cast<WORD>(value(e, USB_VERSION));
        break;
    case FT_DEVICE_2232C:
        d->Rev5 = 1;
        d->IsoInA = d->IsoInB = flag(e, IN_IS_ISOCHRONOUS);
        d->IsoOutA = d->IsoOutB = flag(e, OUT_IS_ISOCHRONOUS);
        d->PullDownEnable5 = flag(e, SUSPEND_PULL_DOWNS);
        d->SerNumEnable5 = flag(e, USE_SERIAL);
        d->USBVersionEnable5 = flag(e, USE_USB_VERSION);
        d->USBVersion5 = static_cast<WORD>(value(e, USB_VERSION));
        d->AIsHighCurrent = flag(e, HIGH_CURRENT_A);
        d->BIsHighCurrent = flag(e, HIGH_CURRENT_B);
        d->IFAIsFifo = value(e, CHANNEL_A_TYPE) == CHANNEL_IS_FIFO;
        d->IFAIsFifoTar = value(e, CHANNEL_A_TYPE) == CHANNEL_IS_CPU;
        d->IFAIsFastSer = value(e, CHANNEL_A_TYPE) == CHANNEL_IS_OPTO;
        d->AIsVCP = isVcp(e, CHANNEL_A_DRIVER);
        d->IFBIsFifo = value(e, CHANNEL_B_TYPE) == CHANNEL_IS_FIFO;
        d->IFBIsFifoTar = value(e, CHANNEL_B_TYPE) == CHANNEL_IS_CPU;
        d->IFBIsFastSer = value(e, CHANNEL_B_TYPE) == CHANNEL_IS_OPTO;
        d->BIsVCP = isVcp(e, CHANNEL_B_DRIVER);
        break;
    case FT_DEVICE_232R:
        d->UseExtOsc = flag(e, EXTERNAL_OSCILLATOR);
        d->HighDriveIOs = flag(e, HIGH_CURRENT);
        d->EndpointSize = 64;
        d->PullDownEnableR = flag(e, SUSPEND_PULL_DOWNS);
        d->SerNumEnableR = flag(e, USE_SERIAL);
        for (const auto &bit : kInvertBits)
            d->*bit.field = flag(e, INVERT, bit.mask);
        for (int i = 0; i < 5; ++i)
            d->*kCbus[i] = static_cast<UCHAR>(value(e, CBUS_FUNCTION_0 + i));
        d->RIsD2XX = !isVcp(e, CHANNEL_A_DRIVER);
        break;
    default:
        break;
    }
}

void encodeProgramData(const FT_PROGRAM_DATA &d, FT_DEVICE chip, FtdiEeprom *e) {
    auto &v = e->values;
    v[VENDOR_ID] = d.VendorId;
    v[PRODUCT_ID] = d.ProductId;
    e->manufacturer = fromBuffer(d.Manufacturer);
    e->product = fromBuffer(d.Description);
    e->serial = fromBuffer(d.SerialNumber);
    v[MAX_POWER] = d.MaxPower / 2 * 2; /* stored in 2 mA units */
    v[IS_NOT_PNP] = d.PnP ? 0 : 1;
    v[SELF_POWERED] = d.SelfPowered ? 1 : 0;
    v[REMOTE_WAKEUP] = d.RemoteWakeup ? 1 : 0;

    switch (chip) {
    case FT_DEVICE_BM:
        v[IN_IS_ISOCHRONOUS] = d.IsoIn ? 1 : 0;
        v[OUT_IS_ISOCHRONOUS] = d.IsoOut ? 1 : 0;
        v[SUSPEND_PULL_DOWNS] = d.PullDownEnable ? 1 : 0;
        v[USE_SERIAL] = d.SerNumEnable ? 1 : 0;
        v[USE_USB_VERSION] = d.USBVersionEnable ? 1 : 0;
        v[USB_VERSION] = d.USBVersion;
        break;
    case FT_DEVICE_2232C:
        v[IN_IS_ISOCHRONOUS] = (d.IsoInA || d.IsoInB) ? 1 : 0;
        v[OUT_IS_ISOCHRONOUS] = (d.IsoOutA || d.IsoOutB) ? 1 : 0;
        v[SUSPEND_PULL_DOWNS] = d.PullDownEnable5 ? 1 : 0;
        v[USE_SERIAL] = d.SerNumEnable5 ? 1 : 0;
        v[USE_USB_VERSION] = d.USBVersionEnable5 ? 1 : 0;
        v[USB_VERSION] = d.USBVersion5;
        v[HIGH_CURRENT_A] = d.AIsHighCurrent ? HIGH_CURRENT_DRIVE : 0;
        v[HIGH_CURRENT_B] = d.BIsHighCurrent ? HIGH_CURRENT_DRIVE : 0;
        v[CHANNEL_A_TYPE] = channelType(d.IFAIsFifo, d.IFAIsFifoTar, d.IFAIsFastSer);
        v[CHANNEL_B_TYPE] = channelType(d.IFBIsFifo, d.IFBIsFifoTar, d.IFBIsFastSer);
        v[CHANNEL_A_DRIVER] = d.AIsVCP ? DRIVER_VCP : 0;
        v[CHANNEL_B_DRIVER] = d.BIsVCP ? DRIVER_VCP : 0;
        break;
    case FT_DEVICE_232R: {
        v[EXTERNAL_OSCILLATOR] = d.UseExtOsc ? 1 : 0;
        v[HIGH_CURRENT] = d.HighDriveIOs ? HIGH_CURRENT_DRIVE_R : 0;
        v[SUSPEND_PULL_DOWNS] = d.PullDownEnableR ? 1 : 0;
        v[USE_SERIAL] = d.SerNumEnableR ? 1 : 0;
        int invert = 0;
        for (const auto &bit : kInvertBits)
            invert |= d.*bit.field ? bit.mask : 0;
        v[INVERT] = invert;
        for (int i = 0; i < 5; ++i)
            v[CBUS_FUNCTION_0 + i] = d.*kCbus[i];
        v[CHANNEL_A_DRIVER] = d.RIsD2XX ? 0 : DRIVER_VCP;
        break;
    }
    default:
        break;
    }
}

bool sameProgramData(const FT_PROGRAM_DATA &a, const FT_PROGRAM_DATA &b, FT_DEVICE chip) {
    /* Compared through the libftdi form: exactly what the chip family can store. */
    FtdiEeprom ea, eb;
    encodeProgramData(a, chip, &ea);
    encodeProgramData(b, chip, &eb);
    return ea.values == eb.values && ea.manufacturer == eb.manufacturer && ea.product == eb.product &&
           ea.serial == eb.serial;
}

} // namespace vorne::d2xx
