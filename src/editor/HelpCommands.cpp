#include "HelpCommands.h"

#include "CommandContext.h"
#include "display/frmAbout.h"

#include <QAction>
#include <QWidget>

namespace quillet::editor {

HelpCommands::HelpCommands(CommandContext& context)
    : QObject(&context.window()), m_context(context),
      m_about(makeAction(this, "About", QStringLiteral("About  Quillet..."),
                         &HelpCommands::showAbout)) {}

void HelpCommands::showAbout() {
    platform::Services& services = m_context.services();
    display::frmAbout about(*services.system, *services.messageBox, &m_context.window());
    about.exec();
}

} // namespace quillet::editor
