#pragma once

#include "document/Document.h"
#include "paths/NativePath.h"
#include "platform/Services.h"
#include "sprite/Progress.h"

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class QWidget;

namespace quillet::editor {

class ProgressGate;

// "Quillet 2.1": the title of every message box and question.
QString appTitle();
// A menu item owned by `owner`, named `name` (tests and the window find it by
// that name), that runs `handler` (a member function of `owner`, or any
// function) while `owner` lives; the window places it in its menu.
template <class Owner, class Handler>
QAction* makeAction(Owner* owner, const char* name, const QString& caption, Handler handler,
                    const QList<QKeySequence>& keys = {}) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    QObject::connect(action, &QAction::triggered, owner, std::move(handler));
    return action;
}

// What every command of the window shares: the document, the platform
// services, and the one answer to whether a command may run now.
class CommandContext {
public:
    using GateMaker = std::function<std::unique_ptr<ProgressGate>(const QString& label)>;

    CommandContext(QWidget& window, document::Document& doc, platform::Services& services);
    ~CommandContext();

    QWidget& window() const { return m_window; }
    document::Document& doc() const { return m_doc; }
    platform::Services& services() const { return m_services; }

    // Nothing runs while a save is writing the document.
    bool mayRun() const { return m_doc.mayChange(); }
    // mayRun() for a command that goes on to change, save or replace the
    // document: pixels floating on the picture go down as a step of their
    // own (settle), and playback stops, so no frame it shows can go away.
    bool beginCommand();
    void setStopPlayback(std::function<void()> stop) { m_stopPlayback = std::move(stop); }
    // Also for the few changes that are no command: another frame shown, the
    // preview closed, the end of a session.
    void settle() const {
        if (m_settle && mayRun())
            m_settle();
    }
    void setSettle(std::function<void()> settle) { m_settle = std::move(settle); }
    // A check mark is part of what a running save reads: one clicked then is
    // taken back. True when it was.
    bool refuseToggleWhileSaving(QAction& item);

    // Message boxes titled with the application's title.
    platform::Answer ask(const QString& question, platform::Buttons buttons);
    void tell(const QString& text);
    void warn(const QString& text);
    // A file that could not be read or written: its name in front of the
    // reason, once.
    void tellFileError(const QString& path, const QString& reason);

    // The shared dialog with the given filter, its first entry selected, and
    // a cancel reported as a cancel. Other settings keep what the previous
    // command left, as the name field must.
    platform::FileDialog& fileDialog(const QString& filter);
    // The path chosen in an open dialog, or in a save dialog whose name field
    // starts empty; empty when cancelled or when no file was named.
    QString chooseFileToOpen(const QString& filter);
    QString chooseFileToSave(const QString& filter, const QString& extension);
    // The paths chosen in an open dialog that takes several files; empty
    // when cancelled.
    QStringList chooseFilesToOpen(const QString& filter);

    // A line in the main window's status line for a few seconds: what a
    // command did that needs no answer.
    void report(const QString& text);

    platform::BusyPointer& busyPointer() { return *m_services.busyPointer; }

    // Reads the file at `path` with `work` under the busy pointer and a
    // progress window labelled `label` that has Cancel. `work` reports its
    // progress to the callback it is given and returns an empty text, or the
    // reason the file cannot be taken (it may also throw). False when the
    // work failed (the reason is shown with the file's name, or given to
    // `failure` to be told by the caller) or the user cancelled (nothing is
    // said; `failure` stays empty).
    bool readWithProgress(const QString& path, const QString& label,
                          const std::function<QString(const WorkProgress&)>& work,
                          QString* failure = nullptr);

    // The progress window of long work that may be cancelled; tests hand in
    // gates that cancel by themselves.
    std::unique_ptr<ProgressGate> progressGate(const QString& label);
    void setProgressGates(GateMaker maker) { m_gates = std::move(maker); }

private:
    QWidget& m_window;
    document::Document& m_doc;
    platform::Services& m_services;
    std::function<void()> m_stopPlayback;
    std::function<void()> m_settle;
    GateMaker m_gates;
};

// Keeps the pointer busy for a scope; release() ends it early where the
// pointer must be normal again before the scope ends (before a message box).
class BusyScope {
public:
    explicit BusyScope(platform::BusyPointer& pointer) : m_pointer(pointer) {
        m_pointer.setBusy(true);
    }
    ~BusyScope() { release(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    void release() {
        if (m_on) {
            m_on = false;
            m_pointer.setBusy(false);
        }
    }

private:
    platform::BusyPointer& m_pointer;
    bool m_on = true;
};

} // namespace quillet::editor
