#include "editor/frmQuillet2.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillet"));
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    // Lets the desktop match the window with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillet.Quillet"));

    // The editor takes no command line; "Diablo2.pal" is read from the
    // directory it was started in.
    quillet::editor::frmQuillet2 window;
    window.show();
    return app.exec();
}
