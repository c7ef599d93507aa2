#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillet::platform {

// The few operating-system services behind the About dialog's system
// information button, shaped after the Windows registry calls so that the
// value rules can be tested against an in-memory registry.
class SystemServices {
public:
    virtual ~SystemServices() = default;

    using Key = std::uintptr_t;
    static constexpr std::uint32_t kHKeyLocalMachine = 0x80000002u;
    // KEY_READ. The lookups only read; asking for full access would be refused
    // to every user without administrator rights on HKEY_LOCAL_MACHINE.
    static constexpr std::uint32_t kKeyRead = 0x20019u;
    static constexpr std::uint32_t kRegSz = 1;
    static constexpr std::uint32_t kRegDword = 4;

    // 0 on success, a non-zero error code otherwise (as the registry calls return).
    virtual long openKey(std::uint32_t root, const std::string& keyName, std::uint32_t access,
                         Key& key) = 0;
    // `size` in: buffer capacity; out: bytes stored. A value longer than the
    // buffer fails (non-zero) and stores nothing.
    virtual long queryValue(Key key, const std::string& valueName, std::uint32_t& type,
                            std::uint8_t* buffer, std::uint32_t& size) = 0;
    virtual void closeKey(Key key) = 0;

    // A plain file (not hidden, not a system file) of exactly this name exists.
    virtual bool fileExists(const std::string& path) = 0;
    // Starts the program detached with a normal, focused window.
    virtual bool startProgram(const std::string& path) = 0;
};

// The real services: the registry on Windows; elsewhere there is none, so
// every lookup fails and the About dialog says so at once.
std::unique_ptr<SystemServices> makeSystemServices();

} // namespace quillet::platform
