#include "fuzztargets.h"

#include <cstdio>
#include <cstdlib>

void fuzzCheck(bool ok, const char *what) {
    if (ok)
        return;
    fprintf(stderr, "fuzz property broken: %s\n", what);
    abort();
}
