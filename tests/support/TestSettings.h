#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QString>

namespace quillet::testing {

// The editor keeps settings (recent files, the external editor, the view);
// a test keeps them in its own folder, never in the user's.
inline void keepSettingsIn(const QString& folder) {
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

} // namespace quillet::testing
