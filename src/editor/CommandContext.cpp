#include "CommandContext.h"

#include "ProgressGate.h"
#include "quillet/Version.h"

#include <QFileInfo>
#include <QMainWindow>
#include <QStatusBar>

namespace quillet::editor {

QString appTitle() {
    return QString::fromUtf8(version::appTitle);
}

CommandContext::CommandContext(QWidget& window, document::Document& doc,
                               platform::Services& services)
    : m_window(window), m_doc(doc), m_services(services), m_gates([&window](const QString& label) {
          return std::make_unique<ProgressGate>(&window, label);
      }) {}

CommandContext::~CommandContext() = default;

bool CommandContext::beginCommand() {
    if (!mayRun())
        return false;
    settle();
    if (m_stopPlayback)
        m_stopPlayback();
    return true;
}

bool CommandContext::refuseToggleWhileSaving(QAction& item) {
    if (mayRun())
        return false;
    item.setChecked(!item.isChecked());
    return true;
}

platform::Answer CommandContext::ask(const QString& question, platform::Buttons buttons) {
    return m_services.messageBox->show(question, appTitle(), buttons, platform::Icon::None);
}

void CommandContext::tell(const QString& text) {
    m_services.messageBox->show(text, appTitle(), platform::Buttons::Ok, platform::Icon::None);
}

void CommandContext::warn(const QString& text) {
    m_services.messageBox->show(text, appTitle(), platform::Buttons::Ok, platform::Icon::Warning);
}

void CommandContext::tellFileError(const QString& path, const QString& reason) {
    warn(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reason));
}

platform::FileDialog& CommandContext::fileDialog(const QString& filter) {
    platform::FileDialog& dialog = *m_services.fileDialog;
    dialog.Filter = filter;
    dialog.FilterIndex = 1;
    dialog.CancelError = true;
    return dialog;
}

QString CommandContext::chooseFileToOpen(const QString& filter) {
    platform::FileDialog& dialog = fileDialog(filter);
    if (!dialog.ShowOpen() || dialog.fileTitle().isEmpty())
        return {};
    return dialog.FileName;
}

QString CommandContext::chooseFileToSave(const QString& filter, const QString& extension) {
    platform::FileDialog& dialog = fileDialog(filter);
    dialog.FileName.clear();
    dialog.DefaultExt = extension;
    if (!dialog.ShowSave() || dialog.fileTitle().isEmpty())
        return {};
    return dialog.FileName;
}

QStringList CommandContext::chooseFilesToOpen(const QString& filter) {
    platform::FileDialog& dialog = fileDialog(filter);
    if (!dialog.ShowOpenSeveral())
        return {};
    QStringList chosen = dialog.FileNames;
    chosen.removeAll(QString());
    return chosen;
}

void CommandContext::report(const QString& text) {
    // Long enough to read a short line; the name and the mark stay beside it.
    constexpr int kShownMs = 5000;
    if (auto* main = qobject_cast<QMainWindow*>(&m_window))
        main->statusBar()->showMessage(text, kShownMs);
}

bool CommandContext::readWithProgress(const QString& path, const QString& label,
                                      const std::function<QString(const WorkProgress&)>& work,
                                      QString* failureOut) {
    QString failure;
    {
        BusyScope busy(busyPointer());
        const std::unique_ptr<ProgressGate> gate = progressGate(label);
        try {
            failure = work(gate->callback());
        } catch (const WorkCancelled&) {
            return false;
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    if (failure.isEmpty())
        return true;
    if (failureOut)
        *failureOut = failure;
    else
        tellFileError(path, failure);
    return false;
}

std::unique_ptr<ProgressGate> CommandContext::progressGate(const QString& label) {
    return m_gates(label);
}

} // namespace quillet::editor
