#include "resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initImages() { Q_INIT_RESOURCE(vorne_images); }

void vorneInitResources() {
    static const bool done = (initImages(), true);
    (void)done;
}
