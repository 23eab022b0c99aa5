/* See sim_run.h. */
#include "sim_run.h"

const char DEFAULT_FOUND[] = "Found \nVORNE DMX512-RS232 Converter v2.11\n\n";

std::string bridge(const std::string &serial, const std::string &extra) {
    return "[bridge]\nserial = " + serial + "\npacing = off\n" + extra;
}

RunResult runSim(const std::vector<std::string> &args, const std::string &scenario, int timeoutMs) {
    static int count = 0;
    std::string path = writeTempFile("scenario" + std::to_string(++count) + ".txt", scenario);
    std::vector<std::string> argv = {VORNE_UPLOADER_SIM};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, {"VORNE_SIM_SCENARIO=" + path}, timeoutMs);
}
