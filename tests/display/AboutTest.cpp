#include "display/frmAbout.h"
#include "support/ScriptedServices.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillet::display {
namespace {

using platform::SystemServices;
using testing::FakeSystemServices;
using testing::ScriptedMessageBox;

const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

struct AboutFixture : ::testing::Test {
    FakeSystemServices system;
    ScriptedMessageBox messages;
    frmAbout about{system, messages};
};

using GetKeyValue = AboutFixture;

TEST_F(GetKeyValue, ReadsStringsAndNumbersWithinTheBuffer) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        bool found;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"terminating NUL dropped", SystemServices::kRegSz, bytesOf(std::string("C:\\x\0", 5)),
         true, "C:\\x"},
        {"no NUL keeps the last character", SystemServices::kRegSz, bytesOf("C:\\xy"), true,
         "C:\\xy"},
        {"0 bytes found and empty", SystemServices::kRegSz, {}, true, ""},
        {"1024 bytes fit", SystemServices::kRegSz, bytesOf(std::string(1024, 'a')), true,
         std::string(1024, 'a')},
        {"1025 bytes count as missing", SystemServices::kRegSz, bytesOf(std::string(1025, 'a')),
         false, ""},
        {"DWORD read last byte first",
         SystemServices::kRegDword,
         {0x1A, 0x00, 0x00, 0x00},
         true,
         "&h0000001A"},
        {"DWORD of all bytes",
         SystemServices::kRegDword,
         {0x78, 0x56, 0x34, 0x12},
         true,
         "&h12345678"},
        {"other types leave the text", 3, {1, 2, 3}, true, "previous"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.keys[kMsinfoKey]["PATH"] = {c.type, c.bytes};
        std::string value = "previous";
        EXPECT_EQ(about.GetKeyValue(SystemServices::kHKeyLocalMachine, kMsinfoKey, "PATH", value),
                  c.found);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(system.openKeys, 0);
        EXPECT_EQ(system.accessAsked.back(), 0x20019u); // read access only
    }
}

TEST_F(GetKeyValue, MissingKeyOrValueEmptiesTheText) {
    system.keys[kMsinfoKey] = {};
    for (const std::string& key : {kMsinfoKey, kLocationKey}) {
        std::string value = "previous";
        EXPECT_FALSE(about.GetKeyValue(SystemServices::kHKeyLocalMachine, key, "PATH", value));
        EXPECT_EQ(value, "");
        EXPECT_EQ(system.openKeys, 0);
    }
}

using StartSysInfo = AboutFixture;

TEST_F(StartSysInfo, StartsTheProgramTheRegistryNamesOrSaysItIsUnavailable) {
    struct Case {
        const char* name;
        bool hasPath;
        bool hasLocation;
        bool exeInLocation;
        bool startSucceeds;
        std::vector<std::string> started;
        std::vector<std::string> keysRead;
    };
    const std::string exe = "C:\\Tools\\msinfo32.exe";
    const std::string inFolder = "C:\\MSInfo\\MSINFO32.EXE";
    const std::vector<Case> cases = {
        {"PATH present", true, true, true, true, {exe}, {kMsinfoKey}},
        {"PATH present, start fails", true, false, false, false, {exe}, {kMsinfoKey}},
        {"folder holds the program",
         false,
         true,
         true,
         true,
         {inFolder},
         {kMsinfoKey, kLocationKey}},
        {"folder without the program", false, true, false, true, {}, {kMsinfoKey, kLocationKey}},
        {"no registry values", false, false, false, true, {}, {kMsinfoKey, kLocationKey}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystemServices fake;
        ScriptedMessageBox box;
        frmAbout dialog(fake, box);
        if (c.hasPath)
            fake.keys[kMsinfoKey]["PATH"] = {SystemServices::kRegSz, bytesOf(exe + '\0')};
        if (c.hasLocation)
            fake.keys[kLocationKey]["MSINFO"] = {SystemServices::kRegSz, bytesOf("C:\\MSInfo")};
        if (c.exeInLocation)
            fake.existingFiles.push_back(inFolder);
        fake.startSucceeds = c.startSucceeds;

        dialog.StartSysInfo();
        EXPECT_EQ(fake.started, c.started);
        EXPECT_EQ(fake.opened, c.keysRead);
        const bool started = !c.started.empty() && c.startSucceeds;
        ASSERT_EQ(box.shown.size(), started ? 0u : 1u);
        if (!started) {
            EXPECT_EQ(box.shown[0].text, "System Information Is Unavailable At This Time");
            EXPECT_EQ(box.shown[0].title, "Quillet 2.1");
            EXPECT_EQ(box.shown[0].buttons, platform::Buttons::Ok);
            EXPECT_EQ(box.shown[0].icon, platform::Icon::None);
        }
    }
}

TEST_F(AboutFixture, ShowsTitleVersionAndEmblemAndClosesWithEscape) {
    EXPECT_EQ(about.windowTitle(), "About Quillet 2.1");
    EXPECT_EQ(about.findChild<QLabel*>("lblTitle")->text(), "Quillet 2.1");
    EXPECT_EQ(about.findChild<QLabel*>("lblVersion")->text(), "Version 2.1.0");
    EXPECT_EQ(about.findChild<QLabel*>("lblDescription")->text(),
              "A utility for making DC6-images and editing DC6 animations.");
    EXPECT_EQ(about.size(), QSize(382, 237));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(about.findChild<QLabel*>("picIcon")->pixmap().size(), QSize(46, 41));

    auto* ok = about.findChild<QPushButton*>("cmdOK");
    auto* sysInfo = about.findChild<QPushButton*>("cmdSysInfo");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(sysInfo->text(), "&System Info...");

    // The button runs the lookup; with no registry it reports at once.
    sysInfo->click();
    EXPECT_EQ(messages.shown.size(), 1u);

    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
} // namespace quillet::display
