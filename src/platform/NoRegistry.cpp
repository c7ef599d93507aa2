#include "Registry.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>

namespace quillet::platform {

namespace {

// Every key is missing, so the About dialog reports at once that there is no
// system information program.
class NoRegistryServices : public SystemServices {
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

    bool fileExists(const std::string& path) override {
        const QFileInfo info(QString::fromLocal8Bit(path));
        return info.isFile() && !info.isHidden();
    }

    bool startProgram(const std::string& path) override {
        if (path.empty())
            return false;
        return QProcess::startDetached(QString::fromLocal8Bit(path), {});
    }
};

} // namespace

std::unique_ptr<SystemServices> makeSystemServices() {
    return std::make_unique<NoRegistryServices>();
}

} // namespace quillet::platform
