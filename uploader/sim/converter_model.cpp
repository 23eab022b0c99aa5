#include "converter_model.h"

#include "crc16.h"

#include <cstdio>
#include <fstream>

namespace vorne::sim {

namespace {
constexpr uint8_t kEsc = 0x1B;
constexpr size_t kMaxLine = 64;
constexpr size_t kMaxConfigBytes = 1u << 20;
constexpr char kCrcOk[] = "CRC: OK\n";
constexpr int64_t kDiscardIdleNs = 100000000; /* quiet line that ends a refused data phase */

bool writeFile(const std::string &path, const std::string &bytes, std::string *error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

/* "CfgFile=" takes a plain decimal count. */
bool parseSize(const std::string &text, size_t *size) {
    if (text.empty() || text.size() > 9)
        return false;
    size_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<size_t>(c - '0');
    }
    *size = value;
    return true;
}
} // namespace

ConverterModel::ConverterModel(Settings settings) : settings_(std::move(settings)) {}

bool ConverterModel::firmwareBroken() const { return settings_.fault == Fault::ProgramError && !repaired_; }

void ConverterModel::say(const std::string &text, bool splittable) {
    if (settings_.fault == Fault::Silent)
        return;
    out_.push_back({text, splittable});
}

std::vector<LineReply> ConverterModel::takeReplies() {
    std::vector<LineReply> replies;
    replies.swap(out_);
    return replies;
}

bool ConverterModel::imageCrcMatches(const std::string &image, uint16_t *computed, uint16_t *stored) {
    *computed = 0;
    *stored = 0;
    if (image.size() < 12)
        return false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(image.data());
    size_t end = image.size() - 2;
    *computed = crc16Xmodem(bytes + 10, end - 10);
    *stored = static_cast<uint16_t>(bytes[end] | (bytes[end + 1] << 8));
    return *computed == *stored;
}

void ConverterModel::receive(uint8_t byte, int64_t atNs) {
    tick(atNs);
    lastByteNs_ = atNs;
    switch (mode_) {
    case Mode::Command:
        commandByte(byte, atNs);
        break;
    case Mode::ConfigData:
    case Mode::FirmwareData:
        dataByte(byte, atNs);
        break;
    case Mode::Bootloader:
        mode_ = Mode::FirmwareData;
        dataByte(byte, atNs);
        break;
    case Mode::Flashing:
    case Mode::Discard:
    case Mode::Gone:
        break;
    }
}

void ConverterModel::commandByte(uint8_t byte, int64_t atNs) {
    if (settings_.fault == Fault::ErrorOnly) {
        if (byte == '\r')
            say("Error\n", false);
        return;
    }
    if (byte == kEsc) {
        line_.clear();
        if (settings_.bootEntry != BootEntry::None)
            enterBootloader();
        return;
    }
    bool echo = settings_.fault != Fault::NoEcho && !firmwareBroken();
    if (byte == '\r') {
        if (echo)
            say("\n", false);
        std::string line;
        line.swap(line_);
        runCommand(line, atNs);
        return;
    }
    if (byte < 0x20 || byte > 0x7E)
        return;
    if (echo)
        say(std::string(1, static_cast<char>(byte)), false);
    if (line_.size() < kMaxLine)
        line_.push_back(static_cast<char>(byte));
}

void ConverterModel::runCommand(const std::string &line, int64_t atNs) {
    if (line == "Bootloader") {
        if (settings_.bootEntry == BootEntry::CommandOrEsc)
            enterBootloader();
        return;
    }
    if (firmwareBroken()) {
        if (line.empty())
            say("Program error\n", false);
        return;
    }
    if (line.empty()) {
        if (settings_.fault == Fault::NoIdent)
            say("?\n", false);
        else
            say((repaired_ && !settings_.firmwareIdent.empty() ? settings_.firmwareIdent : settings_.ident) + "\n",
                false);
        return;
    }
    if (line == "E")
        return;
    const std::string cfg = "CfgFile=";
    if (line.compare(0, cfg.size(), cfg) == 0) {
        size_t size = 0;
        if (!parseSize(line.substr(cfg.size()), &size) || size > kMaxConfigBytes) {
            say("ERROR\n");
            return;
        }
        if (settings_.fault == Fault::NoOk)
            return;
        say("\nOK\n");
        firmware_ = false;
        expected_ = size;
        blockBytes_ = (size + 15) / 16 * 16;
        raw_.clear();
        file_.clear();
        mode_ = Mode::ConfigData;
        if (blockBytes_ == 0)
            finishData(atNs);
        return;
    }
    say("?\n", false);
}

void ConverterModel::enterBootloader() {
    say("BOOTLOADER 1.0\n");
    say("Ready.\n");
    firmware_ = true;
    raw_.clear();
    file_.clear();
    mode_ = Mode::Bootloader;
}

void ConverterModel::dataByte(uint8_t byte, int64_t atNs) {
    raw_.push_back(static_cast<char>(byte));
    if (static_cast<long>(raw_.size()) == settings_.faultAt) {
        switch (settings_.fault) {
        case Fault::ErrorInData:
            say("ERROR\n");
            mode_ = Mode::Discard;
            return;
        case Fault::FileInData:
            say("FILE\n");
            mode_ = Mode::Discard;
            return;
        case Fault::Unplug:
            mode_ = Mode::Gone;
            return;
        default:
            break;
        }
    }
    if (!firmware_ && raw_.size() >= blockBytes_)
        finishData(atNs);
}

void ConverterModel::finishData(int64_t atNs) {
    file_ = firmware_ ? raw_ : raw_.substr(0, expected_);
    saveFiles();
    dueNs_ = atNs + settings_.flashNs;
    mode_ = Mode::Flashing;
}

void ConverterModel::saveFiles() {
    saveError_.clear();
    if (!settings_.saveTo.empty())
        writeFile(settings_.saveTo, file_, &saveError_);
    if (!settings_.saveRawTo.empty())
        writeFile(settings_.saveRawTo, raw_, &saveError_);
}

/* Firmware is taken as it comes; an image must carry its own CRC. */
std::string ConverterModel::checkResult() const {
    uint16_t computed = 0;
    uint16_t stored = 0;
    bool good = firmware_ || imageCrcMatches(file_, &computed, &stored);
    if (settings_.fault == Fault::BadCrc) {
        good = false;
        computed = static_cast<uint16_t>(~stored);
    }
    if (good)
        return kCrcOk;
    char text[64];
    std::snprintf(text, sizeof text, "CRC: BAD (0x%04X, file 0x%04X)\n", computed, stored);
    return text;
}

void ConverterModel::tick(int64_t nowNs) {
    switch (mode_) {
    case Mode::FirmwareData:
        if (nowNs - lastByteNs_ >= settings_.firmwareIdleNs)
            finishData(lastByteNs_ + settings_.firmwareIdleNs);
        break;
    case Mode::Discard:
        if (nowNs - lastByteNs_ >= kDiscardIdleNs)
            mode_ = Mode::Command;
        break;
    default:
        break;
    }
    if (mode_ == Mode::Flashing && nowNs >= dueNs_) {
        mode_ = Mode::Command;
        std::string result = checkResult();
        if (firmware_ && result == kCrcOk)
            repaired_ = true;
        if (settings_.fault != Fault::NoDone)
            say("DONE\n");
        say(result);
    }
    if (mode_ == Mode::Command && (firmwareBroken() || settings_.fault == Fault::ErrorOnly)) {
        if (!haveComplained_ || nowNs - lastComplaintNs_ >= settings_.errorPeriodNs) {
            if (haveComplained_)
                say(firmwareBroken() ? "Program error\n" : "Error\n", false);
            haveComplained_ = true;
            lastComplaintNs_ = nowNs;
        }
    }
}

} // namespace vorne::sim
