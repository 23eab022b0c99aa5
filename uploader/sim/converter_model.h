/* A converter box as the uploader sees it over the serial line: the running
 * firmware's command interpreter (echo, identification, "CfgFile=" with
 * 16-byte data blocks and a CRC check), the bootloader that takes firmware,
 * and the ways a faulty box misbehaves. Time only moves through the
 * timestamps it is given, so its behaviour is deterministic.
 *
 * Conversation of a healthy box (the box writes "\n" line ends):
 *   "E\r"            -> echo "E\n"           (every command byte is echoed, CR as LF)
 *   "\r"             -> echo "\n", then the identification and "\n"
 *   "CfgFile=N\r"    -> echo, "\nOK\n"; then ceil(N/16) blocks of 16 bytes, no echo;
 *                       after the last block and the flash time: "DONE\n" "CRC: OK\n",
 *                       or "DONE\n" "CRC: BAD ..." when the image's CRC-16/XMODEM
 *                       over bytes 10 to N-2 differs from the little-endian word at N-2
 *   "Bootloader\r" or ESC -> "BOOTLOADER 1.0\n" "Ready.\n"; every following byte is
 *                       firmware until the line has been idle for the firmware idle
 *                       time; then "DONE\n" "CRC: OK\n" (any non-empty firmware is
 *                       accepted) and the new firmware runs
 *   other lines      -> echo, "?\n"
 */
#ifndef VORNE_SIM_CONVERTER_MODEL_H
#define VORNE_SIM_CONVERTER_MODEL_H

#include "line_endpoint.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorne::sim {

enum class Fault {
    None,
    NoEcho,       /* commands are carried out but nothing is echoed */
    ProgramError, /* broken firmware: no echo, prints "Program error" now and then; the bootloader still works */
    ErrorOnly,    /* prints "Error" now and then and on every CR, nothing else, no bootloader */
    NoIdent,      /* echoes, but answers the empty line with "?" */
    NoOk,         /* "CfgFile=" is echoed but never acknowledged */
    ErrorInData,  /* "ERROR" after faultAt data bytes */
    FileInData,   /* "FILE" after faultAt data bytes */
    BadCrc,       /* reports a CRC mismatch whatever was received */
    NoDone,       /* reports the CRC but never "DONE" */
    Silent,       /* never sends anything */
    Unplug,       /* vanishes after faultAt data bytes */
    Split         /* replies reach the PC in two pieces */
};

/* How the running firmware lets itself be switched into the bootloader. */
enum class BootEntry { CommandOrEsc, EscOnly, None };

class ConverterModel : public LineEndpoint {
public:
    struct Settings {
        std::string ident = "VORNE DMX512-RS232 Converter v2.11";
        std::string firmwareIdent; /* identification after a firmware upload; empty: unchanged */
        Fault fault = Fault::None;
        long faultAt = 32; /* data-phase byte count at which ErrorInData, FileInData, Unplug strike */
        BootEntry bootEntry = BootEntry::CommandOrEsc;
        int64_t flashNs = 50000000;         /* from the last block to the CRC reply */
        int64_t firmwareIdleNs = 300000000; /* idle line that ends a firmware upload */
        int64_t errorPeriodNs = 1000000000; /* ProgramError and ErrorOnly complaints */
        std::string saveTo;                 /* file that receives the received file */
        std::string saveRawTo;              /* file that receives every data-phase byte, padding included */
    };

    enum class Mode { Command, ConfigData, Bootloader, FirmwareData, Flashing, Discard, Gone };

    explicit ConverterModel(Settings settings);

    void receive(uint8_t byte, int64_t atNs) override;
    void tick(int64_t nowNs) override;
    std::vector<LineReply> takeReplies() override;
    bool unplugged() const override { return mode_ == Mode::Gone; }

    Mode mode() const { return mode_; }
    /* The last file received (configuration image without padding, or firmware). */
    const std::string &receivedFile() const { return file_; }
    /* Every byte of the last data phase, padding included. */
    const std::string &receivedRaw() const { return raw_; }
    /* Why saving a received file failed; empty when it did not. */
    const std::string &saveError() const { return saveError_; }

    static bool imageCrcMatches(const std::string &image, uint16_t *computed, uint16_t *stored);

private:
    bool firmwareBroken() const;
    void say(const std::string &text, bool splittable = true);
    void commandByte(uint8_t byte, int64_t atNs);
    void runCommand(const std::string &line, int64_t atNs);
    void enterBootloader();
    void dataByte(uint8_t byte, int64_t atNs);
    void finishData(int64_t atNs);
    void saveFiles();
    std::string checkResult() const;

    Settings settings_;
    Mode mode_ = Mode::Command;
    bool repaired_ = false; /* a firmware upload cured ProgramError */
    bool firmware_ = false; /* the data phase carries firmware */
    std::string line_;
    size_t expected_ = 0;   /* configuration bytes announced */
    size_t blockBytes_ = 0; /* data-phase bytes expected, whole blocks */
    std::string raw_;
    std::string file_;
    int64_t lastByteNs_ = 0;
    int64_t dueNs_ = 0; /* when the flashing ends */
    bool haveComplained_ = false;
    int64_t lastComplaintNs_ = 0;
    std::vector<LineReply> out_;
    std::string saveError_;
};

} // namespace vorne::sim

#endif
