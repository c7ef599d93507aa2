#pragma once

#include <QString>
#include <QStringList>

namespace quillet::platform {

// The program and its arguments that open `path` with `command`: %f is put in
// for the file wherever it appears (also inside an argument such as
// "--open=%f"), and the file is added at the end when %f appears nowhere.
// No shell is involved, so a file name cannot turn into commands. Empty when
// the command is blank.
QStringList externalEditorCommandLine(const QString& command, const QString& path);

// Starts `command` (detached) on `path`, or, for a blank command, the
// desktop's default application for the file. False with `error` set when
// nothing could be started.
bool openInExternalEditor(const QString& command, const QString& path, QString* error);

} // namespace quillet::platform
