#include "Registry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quillet::platform {

namespace {

// Plain Win32 in the ANSI code page, the code page the registry values are
// read in; no toolkit, so the cross build can test it without one.
class WindowsServices : public SystemServices {
public:
    long openKey(std::uint32_t root, const std::string& keyName, std::uint32_t access,
                 Key& key) override {
        HKEY handle = nullptr;
        const LONG rc = RegOpenKeyExA(rootHandle(root), keyName.c_str(), 0, access, &handle);
        if (rc == ERROR_SUCCESS)
            key = reinterpret_cast<Key>(handle);
        return rc;
    }

    long queryValue(Key key, const std::string& valueName, std::uint32_t& type,
                    std::uint8_t* buffer, std::uint32_t& size) override {
        DWORD valueType = 0;
        DWORD bytes = size;
        const LONG rc = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.c_str(), nullptr,
                                         &valueType, buffer, &bytes);
        if (rc != ERROR_SUCCESS)
            return rc;
        type = valueType;
        size = bytes;
        return 0;
    }

    void closeKey(Key key) override { RegCloseKey(reinterpret_cast<HKEY>(key)); }

    // A listing of exactly this name: wildcards would let another file answer.
    bool fileExists(const std::string& path) override {
        if (path.empty() || path.find_first_of("*?") != std::string::npos)
            return false;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        constexpr DWORD kExcluded =
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        return (found.dwFileAttributes & kExcluded) == 0;
    }

    // The program is named as the application, not parsed out of a command
    // line, so a path with blanks cannot start some other program.
    bool startProgram(const std::string& path) override {
        if (path.empty())
            return false;
        std::string commandLine = '"' + path + '"';
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

private:
    // The predefined roots are negative 32-bit values that Windows
    // sign-extends to pointer width (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002
    // in a 64-bit process).
    static HKEY rootHandle(std::uint32_t root) {
        return reinterpret_cast<HKEY>(
            static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
    }
};

} // namespace

std::unique_ptr<SystemServices> makeSystemServices() {
    return std::make_unique<WindowsServices>();
}

} // namespace quillet::platform
