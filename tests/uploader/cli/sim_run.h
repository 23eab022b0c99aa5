/* Runs vorne_uploader_sim on a scenario written for the test. */
#ifndef VORNE_TESTS_SIM_RUN_H
#define VORNE_TESTS_SIM_RUN_H

#include "run_process.h"

#include <string>
#include <vector>

/* A bridge section with line pacing off; extra holds further "key = value" lines. */
std::string bridge(const std::string &serial, const std::string &extra = std::string());

/* Runs the uploader with args; scenario is the file's text (one default
 * converter when empty is not wanted, pass at least a comment). */
RunResult runSim(const std::vector<std::string> &args, const std::string &scenario, int timeoutMs = 60000);

/* "Found ..." line of the default converter's identification. */
extern const char DEFAULT_FOUND[];

#endif
