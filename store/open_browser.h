// Starting the default web browser on an address.
#pragma once

#include <optional>
#include <string>

#include "platform/launcher.h"
#include "platform/registry.h"

namespace qm {

// Longest command line read for the browser (a 260-byte buffer).
constexpr std::size_t kBrowserCommandLimit = 259;

// The command line that starts the browser's open command on url. The command
// is cut where "\"%1\"" begins, or else where "%1" begins (left whole when it
// has neither); then a blank and the address in double quotes follow. A quote
// inside the address is written %22 and backslashes before the closing quote
// are doubled, so the address stays one argument. Nothing for an address that
// would read as an option (starting with '-' or '/').
std::optional<std::string> BuildBrowserCommandLine(const std::string& command,
                                                   const std::string& url);

// Reads the open command of the ".htm" file type under the classes root and
// starts it on url through launcher without waiting. False when no browser is
// registered, the address is refused, or the start failed.
bool OpenInDefaultBrowser(const std::string& url, ShowState show, Registry& registry,
                          Launcher& launcher);

}  // namespace qm
