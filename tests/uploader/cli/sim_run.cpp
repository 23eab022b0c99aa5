/* See sim_run.h. */
#include "sim_run.h"

const char DEFAULT_FOUND[] = "Found \nVORNE DMX512-RS232 Converter v2.11\n\n";

std::string bridge(const std::string &serial, const std::string &extra) {
    const bool paced = extra.find("pacing =") != std::string::npos;
    return "[bridge]\nserial = " + serial + (paced ? "\n" : "\npacing = off\n") + extra;
}

RunResult runSim(const std::vector<std::string> &args, const std::string &scenario, int timeoutMs) {
    static int count = 0;
    std::string path = writeTempFile("scenario" + std::to_string(++count) + ".txt", scenario);
    std::vector<std::string> argv = {VORNE_UPLOADER_SIM};
    argv.insert(argv.end(), args.begin(), args.end());
    /* The service mode's EEPROM backups stay in the test's own folder. */
    std::string data = path.substr(0, path.rfind('/')) + "/data";
    return runProcess(argv, {"VORNE_SIM_SCENARIO=" + path, "XDG_DATA_HOME=" + data}, timeoutMs);
}
