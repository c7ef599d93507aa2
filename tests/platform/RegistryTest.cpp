#include "platform/SystemInfo.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

std::uint32_t rootCode(HKEY root) {
    return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(root));
}

Bytes bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

// Sets or removes one value and puts back what was there before.
class ScopedValue {
public:
    ScopedValue(HKEY root, std::string key, std::string name)
        : m_root(root), m_key(std::move(key)), m_name(std::move(name)) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueA(m_root, m_key.c_str(), m_name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                         nullptr, &size) == ERROR_SUCCESS) {
            Bytes bytes(size);
            RegGetValueA(m_root, m_key.c_str(), m_name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                         bytes.data(), &size);
            bytes.resize(size);
            m_old = {type, bytes};
        }
    }
    ~ScopedValue() {
        if (m_old)
            set(m_old->first, m_old->second);
        else
            remove();
    }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

    void set(DWORD type, const Bytes& bytes) {
        ASSERT_EQ(RegSetKeyValueA(m_root, m_key.c_str(), m_name.c_str(), type, bytes.data(),
                                  static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    void remove() { RegDeleteKeyValueA(m_root, m_key.c_str(), m_name.c_str()); }

private:
    HKEY m_root;
    std::string m_key;
    std::string m_name;
    std::optional<std::pair<DWORD, Bytes>> m_old;
};

// A key of this test run under HKEY_CURRENT_USER, deleted with its values.
struct RegistryTest : ::testing::Test {
    std::string key = "Software\\Quillet tests\\" + std::to_string(GetCurrentProcessId());
    std::unique_ptr<SystemServices> system = makeSystemServices();

    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quillet tests"); // once empty
    }
};

TEST_F(RegistryTest, GetKeyValueReadsWhatTheRegistryHolds) {
    struct Case {
        const char* name;
        DWORD type;
        Bytes bytes;
        bool found;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"NUL dropped", REG_SZ, bytesOf(std::string("C:\\Tools\\x.exe\0", 15)), true,
         "C:\\Tools\\x.exe"},
        {"no NUL", REG_SZ, bytesOf("abc"), true, "abc"},
        {"empty", REG_SZ, {}, true, ""},
        {"number", REG_DWORD, {0x1A, 0, 0, 0}, true, "&h0000001A"},
        {"1024 bytes", REG_SZ, bytesOf(std::string(1023, 'a') + '\0'), true,
         std::string(1023, 'a')},
        {"1025 bytes", REG_SZ, bytesOf(std::string(1024, 'a') + '\0'), false, ""},
        {"binary", REG_BINARY, {1, 2, 3}, true, "previous"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), c.name, c.type, c.bytes.data(),
                                  static_cast<DWORD>(c.bytes.size())),
                  ERROR_SUCCESS);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string value = "previous";
        EXPECT_EQ(GetKeyValue(*system, rootCode(HKEY_CURRENT_USER), key, c.name, value), c.found);
        EXPECT_EQ(value, c.expected);
    }

    for (const auto& [keyName, valueName] : {std::pair{key, std::string("missing value")},
                                             std::pair{key + "\\missing", std::string("x")}}) {
        SCOPED_TRACE(keyName + " / " + valueName);
        std::string value = "previous";
        EXPECT_FALSE(GetKeyValue(*system, rootCode(HKEY_CURRENT_USER), keyName, valueName, value));
        EXPECT_EQ(value, "");
    }
}

// A fresh folder of copies of a program that exits at once.
struct Files {
    fs::path folder =
        fs::temp_directory_path() / ("quillet-platform-" + std::to_string(GetCurrentProcessId()));
    Files() { fs::create_directories(folder); }
    ~Files() {
        // A program just started may hold its file a moment longer.
        std::error_code error;
        for (int attempt = 0; attempt < 50 && (fs::remove_all(folder, error), error); ++attempt)
            Sleep(100);
    }
    std::string make(const std::string& name, DWORD attributes) {
        const fs::path path = folder / name;
        fs::copy_file(noopProgram(), path, fs::copy_options::overwrite_existing);
        SetFileAttributesA(path.string().c_str(), attributes);
        return path.string();
    }
    // Built beside this test.
    static fs::path noopProgram() {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        return fs::path(self).parent_path() / "quillet_noop.exe";
    }
};

TEST_F(RegistryTest, FileExistsFindsOnlyPlainFilesOfThatName) {
    Files files;
    const std::string plain = files.make("plain.exe", FILE_ATTRIBUTE_NORMAL);
    fs::create_directory(files.folder / "folder.exe");
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {plain, true},
        {files.make("hidden.exe", FILE_ATTRIBUTE_HIDDEN), false},
        {files.make("system.exe", FILE_ATTRIBUTE_SYSTEM), false},
        {(files.folder / "folder.exe").string(), false},
        {(files.folder / "pla?n.exe").string(), false},
        {(files.folder / "*.exe").string(), false},
        {(files.folder / "missing.exe").string(), false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(system->fileExists(c.path), c.exists) << c.path;
}

// The program's own lookup in HKEY_LOCAL_MACHINE of the Wine prefix (or the
// machine), with its values put back afterwards.
TEST_F(RegistryTest, StartSysInfoStartsWhatTheRegistryNamesOrFails) {
    Files files;
    const std::string withProgram = (files.folder / "with").string();
    fs::create_directory(withProgram);
    files.make("with\\MSINFO32.EXE", FILE_ATTRIBUTE_NORMAL);
    const std::string hiddenProgram = (files.folder / "hidden").string();
    fs::create_directory(hiddenProgram);
    files.make("hidden\\MSINFO32.EXE", FILE_ATTRIBUTE_HIDDEN);
    // Read as a command line, the missing "with blanks.exe" would start "with.exe".
    files.make("with.exe", FILE_ATTRIBUTE_NORMAL);
    const std::string noop = Files::noopProgram().string();

    ScopedValue path(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH");
    ScopedValue location(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO");
    const struct {
        const char* name;
        std::optional<std::string> path;
        std::optional<std::string> location;
        bool started;
    } cases[] = {
        {"PATH names a program", noop + '\0', std::nullopt, true},
        {"PATH names a missing program", "C:\\no\\such\\MSINFO32.EXE", withProgram, false},
        {"PATH with blanks", files.folder.string() + "\\with blanks.exe", std::nullopt, false},
        {"folder with the program", std::nullopt, withProgram, true},
        {"folder without it", std::nullopt, files.folder.string(), false},
        {"hidden program", std::nullopt, hiddenProgram, false},
        {"nothing in the registry", std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.path)
            path.set(REG_SZ, bytesOf(*c.path));
        else
            path.remove();
        if (c.location)
            location.set(REG_SZ, bytesOf(*c.location + '\0'));
        else
            location.remove();
        EXPECT_EQ(StartSysInfo(*system), c.started);
    }
}

// The program's icon, linked in here as into quillet.exe.
TEST(ProgramResources, IconLoadsAtTheSizesWindowsShows) {
    for (const int size : {16, 32, 48, 128}) {
        const auto icon = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

} // namespace
} // namespace quillet::platform
