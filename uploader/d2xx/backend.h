/* What a backend supplies to the shared D2XX front (d2xx_front.cpp): the
 * bridges it sees, opening and closing handles, and the port behind a live
 * handle. Exactly one backend is linked into a program. */
#ifndef VORNE_D2XX_BACKEND_H
#define VORNE_D2XX_BACKEND_H

#include "device_list.h"
#include "ftd2xx.h"
#include "port.h"

#include <memory>
#include <string>
#include <vector>

namespace vorne::d2xx::backend {

/* Fills devices even when it fails, with what it could see. */
FT_STATUS list(std::vector<ListedDevice> *devices);
/* name, handle and why are not null, *handle and *why are already cleared;
 * on failure why may say what went wrong beyond the status. */
FT_STATUS open(const char *name, DWORD flags, FT_HANDLE *handle, std::string *why);
/* FT_INVALID_HANDLE for a handle that is not open. */
FT_STATUS close(FT_HANDLE handle);
/* The port behind a live handle, or null. The caller's reference keeps the
 * port alive through a call that races with FT_Close. */
std::shared_ptr<Port> portOf(FT_HANDLE handle);

} // namespace vorne::d2xx::backend

#endif
