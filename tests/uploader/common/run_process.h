/* Runs a program as a child process with extra environment entries, collects
 * its standard output and error, and kills it when it overruns its time. */
#ifndef VORNE_TESTS_RUN_PROCESS_H
#define VORNE_TESTS_RUN_PROCESS_H

#include <string>
#include <vector>

struct RunResult {
    int exitCode = -1; /* -1 when the process did not exit normally */
    bool timedOut = false;
    std::string out;
    std::string err;
    double seconds = 0;
    double cpuSeconds = 0; /* user + system time of the child */
};

RunResult runProcess(const std::vector<std::string> &argv, const std::vector<std::string> &env, int timeoutMs,
                     const std::string &workDir = std::string());

/* Writes text to a fresh file in a temporary folder and returns its path. */
std::string writeTempFile(const std::string &name, const std::string &bytes);
std::string readWholeFile(const std::string &path);

#endif
