#include "document/ExternalFileWatch.h"
#include "editor/FileCommands.h"
#include "editor/frmQuillet2.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillet"));
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    // Lets the desktop match the window with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillet.Quillet"));

    // File managers hand the files of "Open With" over here; they are taken
    // as a drop on the window takes them. "default.pal" is read from the
    // directory the editor was started in.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quillet, an editor for DC6 sprites."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("A DC6 file to open and pictures to add as frames, as if dropped on the "
                       "window."),
        QStringLiteral("[FILE...]"));
    parser.process(app);
    QStringList files;
    for (const QString& file : parser.positionalArguments())
        files << QDir::current().absoluteFilePath(file);

    quillet::editor::frmQuillet2 window;
    window.show();
    // Once the window is up: first what a run that did not end cleanly left
    // (its recovery copy offered, its frames out for editing cleaned up),
    // then the files named.
    QTimer::singleShot(0, &window, [&window, files] {
        window.files().keepRecoveryCopies();
        quillet::document::ExternalFileWatch::removeLeftFolders(QDir::tempPath());
        window.openFiles(files);
    });
    return app.exec();
}
