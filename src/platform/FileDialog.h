#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quillet::platform {

// The one open/save dialog every command shares. Like the common dialog it
// stands for, a setting a command does not touch keeps what the previous
// command left (notably FileName).
class FileDialog {
public:
    virtual ~FileDialog() = default;

    QString Filter;      // "desc|pattern|desc|pattern|"
    int FilterIndex = 1; // 1 = first filter
    bool CancelError = false;
    QString DefaultExt; // without the dot, e.g. "DC6"
    QString FileName;   // full path chosen (or preset)
    // Every file chosen by ShowOpenSeveral(), in the order the dialog gave them.
    QStringList FileNames;

    // The chosen file's name without its folder.
    QString fileTitle() const;

    // False when the user cancelled and CancelError is set (the cancel
    // "error"); FileName is then unchanged. True otherwise.
    bool ShowOpen() { return show(false); }
    bool ShowSave() { return show(true); }
    // An open dialog in which several existing files may be chosen at once:
    // FileNames holds them all and FileName the first. As ShowOpen otherwise.
    bool ShowOpenSeveral();

protected:
    // Shows the dialog; returns the chosen path, or a null QString on cancel.
    virtual QString run(bool save) = 0;
    // The open dialog for several files; an empty list on cancel.
    virtual QStringList runSeveral() = 0;

private:
    bool show(bool save);
};

// "desc|pattern|desc|pattern|" as Qt name filters "desc (pattern pattern)".
QStringList nameFiltersFrom(const QString& filter);

class QtFileDialog : public FileDialog {
public:
    explicit QtFileDialog(QWidget* parent) : m_parent(parent) {}

protected:
    QString run(bool save) override;
    QStringList runSeveral() override;

private:
    QWidget* m_parent;
};

} // namespace quillet::platform
