#include "FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace quillet::platform {

QString FileDialog::fileTitle() const {
    return QFileInfo(FileName).fileName();
}

bool FileDialog::show(bool save) {
    const QString chosen = run(save);
    if (chosen.isNull())
        return !CancelError;
    FileName = chosen;
    return true;
}

bool FileDialog::ShowOpenSeveral() {
    const QStringList chosen = runSeveral();
    if (chosen.isEmpty())
        return !CancelError;
    FileNames = chosen;
    FileName = chosen.front();
    return true;
}

namespace {

// "*.bmp;*.gif" -> "*.bmp *.gif". Filters write "*.*" for every file, which
// Qt would read as names with a dot only.
QString qtPatterns(const QString& patterns) {
    QStringList out;
    for (const QString& part : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty())
            out << (pattern == u"*.*" ? QStringLiteral("*") : pattern);
    }
    return out.join(u' ');
}

} // namespace

QStringList nameFiltersFrom(const QString& filter) {
    // Qt reads the patterns from the last parenthesised group, so a
    // description that already shows its patterns ("BMP (*.bmp)") gets ours
    // in their place rather than a second group.
    static const QRegularExpression shownPatterns(QStringLiteral(R"(\s*\([^()]*\)\s*$)"));

    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = qtPatterns(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        description.remove(shownPatterns);
        filters << (description.isEmpty() ? QStringLiteral("(%1)").arg(patterns)
                                          : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return filters;
}

namespace {

// The dialog in the given modes with the settings every question shares.
void present(QFileDialog& dialog, const FileDialog& settings, QFileDialog::AcceptMode accept,
             QFileDialog::FileMode mode) {
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    const QStringList filters = nameFiltersFrom(settings.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (settings.FilterIndex >= 1 && settings.FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[settings.FilterIndex - 1]);
    }
    dialog.setDefaultSuffix(settings.DefaultExt);
    if (!settings.FileName.isEmpty())
        dialog.selectFile(settings.FileName);
}

} // namespace

QString QtFileDialog::run(bool save) {
    QFileDialog dialog(m_parent);
    present(dialog, *this, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen,
            save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

QStringList QtFileDialog::runSeveral() {
    QFileDialog dialog(m_parent);
    present(dialog, *this, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

} // namespace quillet::platform
