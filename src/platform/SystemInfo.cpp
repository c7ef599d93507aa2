#include "SystemInfo.h"

#include <algorithm>
#include <array>

namespace quillet::platform {

namespace {

// The value's bytes from the last to the first, two hex digits each: the
// number as it reads, "&h0000001A" for 26.
std::string hexText(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "&h";
    for (std::size_t i = count; i-- > 0;) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace

bool GetKeyValue(SystemServices& system, std::uint32_t KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
    SystemServices::Key key = 0;
    if (system.openKey(KeyRoot, KeyName, SystemServices::kKeyRead, key) != 0) {
        KeyVal.clear();
        return false;
    }

    std::array<std::uint8_t, 1024> buffer{};
    std::uint32_t size = buffer.size();
    std::uint32_t type = 0;
    if (system.queryValue(key, SubKeyRef, type, buffer.data(), size) != 0) {
        system.closeKey(key);
        KeyVal.clear();
        return false;
    }
    // Never trust a reported size beyond the buffer we handed over.
    const std::size_t stored = std::min<std::size_t>(size, buffer.size());

    if (type == SystemServices::kRegSz) {
        std::string text(buffer.begin(), buffer.begin() + stored);
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        KeyVal = std::move(text);
    } else if (type == SystemServices::kRegDword) {
        // All stored bytes: a trailing zero byte is part of the number here.
        KeyVal = hexText(buffer.data(), stored);
    }
    system.closeKey(key);
    return true;
}

bool StartSysInfo(SystemServices& system) {
    static const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

    std::string program;
    if (!GetKeyValue(system, SystemServices::kHKeyLocalMachine, kMsinfoKey, "PATH", program)) {
        std::string folder;
        if (GetKeyValue(system, SystemServices::kHKeyLocalMachine, kLocationKey, "MSINFO",
                        folder) &&
            system.fileExists(folder + "\\MSINFO32.EXE"))
            program = folder + "\\MSINFO32.EXE";
    }
    // A value of another type leaves the path empty, which no start can use.
    return !program.empty() && system.startProgram(program);
}

} // namespace quillet::platform
