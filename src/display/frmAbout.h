#pragma once

#include "platform/MessageBox.h"
#include "platform/Registry.h"

#include <QDialog>
#include <string>

namespace quillet::display {

// "About Quillet 2.1": title, version line from the build, description,
// credits, OK and "&System Info...".
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(platform::SystemServices& system, platform::MessageBox& messageBox,
             QWidget* parent = nullptr);

    void StartSysInfo();
    // Reads a registry value as text; false (and KeyVal empty) when missing.
    bool GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName,
                     const std::string& SubKeyRef, std::string& KeyVal);

private:
    platform::SystemServices& m_system;
    platform::MessageBox& m_messageBox;
};

} // namespace quillet::display
