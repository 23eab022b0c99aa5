/* The test process runs under umockdev's preload too: the test bed's uevents
 * are built from the bed's sysfs, which only a preloaded process sees. Without
 * it the process starts itself again with the preload in place. */
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv) {
    const char *preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
        /* The sanitizer runtime can't come first in the library list under a preload. */
        setenv("ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0", 1);
        execv("/proc/self/exe", argv);
        return 127;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
