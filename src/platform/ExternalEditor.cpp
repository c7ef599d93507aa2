#include "ExternalEditor.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>

namespace quillet::platform {

namespace {

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

} // namespace

QStringList externalEditorCommandLine(const QString& command, const QString& path) {
    QStringList line = QProcess::splitCommand(command);
    if (line.isEmpty())
        return {};
    const QString file = QDir::toNativeSeparators(path);
    bool placed = false;
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (line[i].contains(QLatin1String("%f"))) {
            line[i].replace(QLatin1String("%f"), file);
            placed = true;
        }
    }
    if (!placed)
        line.append(file);
    return line;
}

bool openInExternalEditor(const QString& command, const QString& path, QString* error) {
    const QStringList line = externalEditorCommandLine(command, path);
    if (line.isEmpty()) {
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return true;
        setError(error, QStringLiteral("No application is set up to open PNG pictures. Choose "
                                       "one in Settings > External Editor..."));
        return false;
    }
    if (QProcess::startDetached(line.first(), line.mid(1)))
        return true;
    setError(error,
             QStringLiteral("The external editor \"%1\" could not be started.").arg(line.first()));
    return false;
}

} // namespace quillet::platform
