#include "NativePath.h"

#include <QFile>

namespace quillet {

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString pathFromNative(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace quillet
