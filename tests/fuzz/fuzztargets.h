// Entry points of the fuzz targets. Each takes one input and returns 0; a
// fault shows as a sanitizer report or as an abort from fuzzCheck. The same
// functions run under libFuzzer (fuzz build) and in the replay driver that
// CTest runs over the stored corpora.
#pragma once

#include <cstddef>
#include <cstdint>

int fuzzProjectReader(const uint8_t *data, size_t size);
int fuzzConfigReader(const uint8_t *data, size_t size);
int fuzzImageReader(const uint8_t *data, size_t size);
int fuzzProjectRoundTrip(const uint8_t *data, size_t size);
int fuzzUploaderReplies(const uint8_t *data, size_t size);

// Aborts with `what` when `ok` is false, so the fuzzer keeps the input.
void fuzzCheck(bool ok, const char *what);
