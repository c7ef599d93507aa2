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

QString QtFileDialog::run(bool save) {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);

    const QStringList filters = nameFiltersFrom(Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (FilterIndex >= 1 && FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[FilterIndex - 1]);
    }
    dialog.setDefaultSuffix(DefaultExt);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace quillet::platform
