/* A D2XX status by its name, for messages a technician can look up. */
#ifndef VORNE_D2XX_STATUS_NAME_H
#define VORNE_D2XX_STATUS_NAME_H

#include "ftd2xx.h"

#include <string>

namespace vorne::d2xx {

/* "FT_DEVICE_NOT_OPENED"; a value outside the interface as "status 42". */
std::string statusName(FT_STATUS status);

} // namespace vorne::d2xx

#endif
