#pragma once

#include <string>

namespace ze6 {

// Shows one desktop notification through org.freedesktop.Notifications on the
// user's session bus: DBUS_SESSION_BUS_ADDRESS, or the user's bus socket
// when that is unset (as under cron). Needs no display. Returns false, within
// two seconds, when there is no bus or no notification service.
bool SendDesktopNotification(const std::string& summary, const std::string& body);

} // namespace ze6
