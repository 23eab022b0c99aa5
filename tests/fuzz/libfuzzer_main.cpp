// libFuzzer's entry; VORNE_FUZZ_ENTRY names the target this binary runs.
#include "fuzztargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { return VORNE_FUZZ_ENTRY(data, size); }
