#include "Registry.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::platform {

namespace {

// File test and program start are the same everywhere; only the registry differs.
class PortableServices : public SystemServices {
public:
    bool fileExists(const std::string& path) override {
        const QFileInfo info(QString::fromLocal8Bit(path));
        if (!info.isFile() || info.isHidden())
            return false;
#ifdef _WIN32
        const DWORD attributes =
            GetFileAttributesW(reinterpret_cast<const wchar_t*>(info.absoluteFilePath().utf16()));
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_SYSTEM))
            return false;
#endif
        return true;
    }

    bool startProgram(const std::string& path) override {
        if (path.empty())
            return false;
        return QProcess::startDetached(QString::fromLocal8Bit(path), {});
    }
};

#ifdef _WIN32

class WindowsServices : public PortableServices {
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

private:
    // The predefined roots are negative 32-bit values that Windows
    // sign-extends to pointer width (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002
    // in a 64-bit process).
    static HKEY rootHandle(std::uint32_t root) {
        return reinterpret_cast<HKEY>(
            static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
    }
};

#else

// Every key is missing, so the About dialog reports at once that there is no
// system information program.
class NoRegistryServices : public PortableServices {
    static constexpr long kNotFound = 2; // ERROR_FILE_NOT_FOUND

public:
    long openKey(std::uint32_t, const std::string&, std::uint32_t, Key&) override {
        return kNotFound;
    }
    long queryValue(Key, const std::string&, std::uint32_t&, std::uint8_t*,
                    std::uint32_t&) override {
        return kNotFound;
    }
    void closeKey(Key) override {}
};

#endif

} // namespace

std::unique_ptr<SystemServices> makeSystemServices() {
#ifdef _WIN32
    return std::make_unique<WindowsServices>();
#else
    return std::make_unique<NoRegistryServices>();
#endif
}

} // namespace quillet::platform
