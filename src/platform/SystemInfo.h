#pragma once

#include "Registry.h"

#include <cstdint>
#include <string>

namespace quillet::platform {

// Reads a registry value as text: a string as stored (without its
// terminating NUL), a 32-bit number as "&h" and hex digits. False, and
// KeyVal empty, when the key or the value is missing or longer than 1024
// bytes; a value of another type is found but leaves KeyVal as it was.
bool GetKeyValue(SystemServices& system, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

// Starts the system information program the registry names. False when
// there is none or it cannot be started; the caller tells the user.
bool StartSysInfo(SystemServices& system);

} // namespace quillet::platform
