#include "Services.h"

namespace quillet::platform {

Services makeQtServices(QWidget* parent) {
    Services services;
    services.fileDialog = std::make_unique<QtFileDialog>(parent);
    services.messageBox = std::make_unique<QtMessageBox>(parent);
    services.busyPointer = std::make_unique<QtBusyPointer>();
    services.system = makeSystemServices();
    services.prompt = std::make_unique<QtPrompt>(parent);
    return services;
}

} // namespace quillet::platform
