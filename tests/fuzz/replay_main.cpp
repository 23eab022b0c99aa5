// Feeds stored inputs to a fuzz target without libFuzzer:
//   fuzz_replay TARGET FILE_OR_FOLDER...
// Every regular file is one input; a fault aborts like it would under the fuzzer.
#include "fuzztargets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
struct Target {
    const char *name;
    int (*run)(const uint8_t *, size_t);
};
const Target kTargets[] = {
    {"project", fuzzProjectReader},      {"config", fuzzConfigReader},      {"image", fuzzImageReader},
    {"roundtrip", fuzzProjectRoundTrip}, {"uploader", fuzzUploaderReplies},
};

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path &arg) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg)) {
        for (const auto &entry : std::filesystem::recursive_directory_iterator(arg))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    } else {
        files.push_back(arg);
    }
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace

int main(int argc, char **argv) {
    const Target *target = nullptr;
    for (const Target &t : kTargets)
        if (argc > 1 && strcmp(argv[1], t.name) == 0)
            target = &t;
    if (!target || argc < 3) {
        fprintf(stderr, "usage: %s project|config|image|roundtrip|uploader FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    int count = 0;
    for (int i = 2; i < argc; ++i) {
        for (const auto &path : inputsOf(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            fprintf(stderr, "replay %s\n", path.c_str());
            target->run(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
            ++count;
        }
    }
    fprintf(stderr, "%d inputs replayed through %s\n", count, target->name);
    return count > 0 ? 0 : 1;
}
