#pragma once

// Scripted stand-ins for the platform services, so every command can run
// headless: each dialog or question pops the next scripted answer and is
// recorded for the test to inspect.

#include "platform/Services.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillet::testing {

class ScriptedFileDialog : public platform::FileDialog {
public:
    struct Shown {
        bool save;
        QString filter;
        int filterIndex;
        bool cancelError;
        QString defaultExt;
        QString fileNameBefore;
    };
    // A null QString scripts a cancel; several files come from `severalAnswers` first.
    std::deque<QString> answers;
    std::deque<QStringList> severalAnswers;
    std::vector<Shown> shown;

protected:
    QString run(bool save) override {
        shown.push_back({save, Filter, FilterIndex, CancelError, DefaultExt, FileName});
        if (answers.empty())
            throw std::logic_error("file dialog shown but no answer scripted");
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    QStringList runSeveral() override {
        if (severalAnswers.empty()) {
            const QString one = run(false);
            return one.isNull() ? QStringList() : QStringList{one};
        }
        shown.push_back({false, Filter, FilterIndex, CancelError, DefaultExt, FileName});
        QStringList a = severalAnswers.front();
        severalAnswers.pop_front();
        return a;
    }
};

class ScriptedMessageBox : public platform::MessageBox {
public:
    struct Shown {
        QString text;
        QString title;
        platform::Buttons buttons;
        platform::Icon icon;
    };
    std::deque<platform::Answer> answers; // empty: Ok for Ok boxes, else a logic error
    std::vector<Shown> shown;

    platform::Answer show(const QString& text, const QString& title, platform::Buttons buttons,
                          platform::Icon icon) override {
        shown.push_back({text, title, buttons, icon});
        if (answers.empty()) {
            if (buttons == platform::Buttons::Ok)
                return platform::Answer::Ok;
            throw std::logic_error("question asked but no answer scripted: " + text.toStdString());
        }
        platform::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingBusyPointer : public platform::BusyPointer {
public:
    std::vector<bool> calls;
    bool busy = false;
    void setBusy(bool b) override {
        calls.push_back(b);
        busy = b;
    }
};

// An in-memory registry and file system for the About dialog's lookups.
class FakeSystemServices : public platform::SystemServices {
public:
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    };
    std::map<std::string, std::map<std::string, Value>> keys; // key name -> value name -> value
    std::vector<std::string> existingFiles;
    std::vector<std::string> started;
    bool startSucceeds = true;
    // Every key asked for (found or not), the access asked with, and how many
    // opened keys are still open.
    std::vector<std::string> opened;
    std::vector<std::uint32_t> accessAsked;
    int openKeys = 0;

    long openKey(std::uint32_t, const std::string& keyName, std::uint32_t access,
                 Key& key) override {
        opened.push_back(keyName);
        accessAsked.push_back(access);
        auto it = keys.find(keyName);
        if (it == keys.end())
            return 2; // file not found
        key = reinterpret_cast<Key>(&it->second);
        ++openKeys;
        return 0;
    }
    long queryValue(Key key, const std::string& valueName, std::uint32_t& type,
                    std::uint8_t* buffer, std::uint32_t& size) override {
        auto& values = *reinterpret_cast<std::map<std::string, Value>*>(key);
        auto it = values.find(valueName);
        if (it == values.end())
            return 2;
        if (it->second.bytes.size() > size) {
            size = static_cast<std::uint32_t>(it->second.bytes.size());
            return 234; // more data
        }
        type = it->second.type;
        size = static_cast<std::uint32_t>(it->second.bytes.size());
        std::copy(it->second.bytes.begin(), it->second.bytes.end(), buffer);
        return 0;
    }
    void closeKey(Key) override { --openKeys; }
    bool fileExists(const std::string& path) override {
        return std::find(existingFiles.begin(), existingFiles.end(), path) != existingFiles.end();
    }
    bool startProgram(const std::string& path) override {
        started.push_back(path);
        return startSucceeds;
    }
};

// Answers for the number, text and sheet questions, in the order asked;
// nothing scripted is a cancel.
class ScriptedPrompt : public platform::Prompt {
public:
    std::deque<std::optional<int>> numbers;
    std::deque<std::optional<QString>> texts;
    std::deque<std::optional<platform::SheetRequest>> sheets;
    std::deque<std::optional<platform::OffsetRequest>> offsetRequests;
    std::deque<std::optional<platform::IndexSwap>> indexSwaps;
    std::deque<std::optional<platform::CanvasRequest>> canvases;
    // What the canvas question showed for each answer given.
    std::vector<platform::CanvasOutcome> canvasOutcomes;
    std::deque<std::optional<platform::SheetExportRequest>> sheetExports;
    std::deque<std::optional<QPoint>> anchors;
    std::vector<QString> asked;
    std::vector<QString> labels;      // of the offsets questions
    std::vector<QList<QRgb>> colours; // of the index questions

    std::optional<int> number(const QString& title, const QString&, int, int, int) override {
        return next(numbers, title);
    }
    std::optional<QString> text(const QString& title, const QString&, const QString&) override {
        return next(texts, title);
    }
    std::optional<platform::OffsetRequest> offsets(const QString& title, const QString& label,
                                                   const platform::OffsetRequest&) override {
        labels.push_back(label);
        return next(offsetRequests, title);
    }
    std::optional<platform::IndexSwap> indexSwap(const QString& title, const platform::IndexSwap&,
                                                 const QList<QRgb>& shown) override {
        colours.push_back(shown);
        return next(indexSwaps, title);
    }
    std::optional<platform::SheetRequest> sheet(const QString& title) {
        return next(sheets, title);
    }
    std::deque<std::optional<platform::RemapRequest>> remaps;
    std::optional<platform::RemapRequest> remap(const QString& title) {
        return next(remaps, title);
    }

    template <class T>
    std::optional<T> next(std::deque<std::optional<T>>& answers, const QString& title) {
        asked.push_back(title);
        if (answers.empty())
            return std::nullopt;
        std::optional<T> a = answers.front();
        answers.pop_front();
        return a;
    }
};

// The sheet question, answered and recorded with the prompt's other questions.
class ScriptedSheetQuestion : public platform::SheetQuestion {
public:
    explicit ScriptedSheetQuestion(ScriptedPrompt& prompt) : m_prompt(prompt) {}
    std::optional<platform::SheetRequest> ask(const QString& title, const QImage&,
                                              const platform::SheetRequest&,
                                              const platform::SheetLayoutOf&) override {
        return m_prompt.sheet(title);
    }

private:
    ScriptedPrompt& m_prompt;
};

class ScriptedCanvasQuestion : public platform::CanvasQuestion {
public:
    explicit ScriptedCanvasQuestion(ScriptedPrompt& prompt) : m_prompt(prompt) {}
    // An answer the dialog would refuse is a cancel.
    std::optional<platform::CanvasRequest> ask(const QString& title,
                                               const platform::CanvasOutcomeOf& outcome) override {
        std::optional<platform::CanvasRequest> a = m_prompt.next(m_prompt.canvases, title);
        if (a)
            m_prompt.canvasOutcomes.push_back(outcome(*a));
        return a && m_prompt.canvasOutcomes.back().problem.isEmpty() ? a : std::nullopt;
    }

private:
    ScriptedPrompt& m_prompt;
};

// The remap question, answered like the prompt's; it shows no preview.
class ScriptedRemapQuestion : public platform::RemapQuestion {
public:
    explicit ScriptedRemapQuestion(ScriptedPrompt& prompt) : m_prompt(prompt) {}
    std::optional<platform::RemapRequest> ask(const QString& title, const QList<QRgb>&,
                                              const platform::RemapRequest&,
                                              const platform::RemapPreview&) override {
        return m_prompt.remap(title);
    }

private:
    ScriptedPrompt& m_prompt;
};

// The sheet data questions, answered from the prompt's lists; the last anchor asked is kept.
class ScriptedSheetDataQuestion : public platform::SheetDataQuestion {
public:
    explicit ScriptedSheetDataQuestion(ScriptedPrompt& prompt) : m_prompt(prompt) {}
    std::optional<platform::SheetExportRequest>
    exportSheet(const QString& title, const platform::SheetExportRequest&, int, int) override {
        return m_prompt.next(m_prompt.sheetExports, title);
    }
    std::optional<QPoint> anchor(const QString& title,
                                 const platform::SheetAnchorRequest& request) override {
        lastAnchor = request;
        return m_prompt.next(m_prompt.anchors, title);
    }
    platform::SheetAnchorRequest lastAnchor;

private:
    ScriptedPrompt& m_prompt;
};

// A full bundle (Palette Usage... shows the window's own dialog); the raw pointers stay valid as
// long as the bundle's owner lives.
struct ScriptedServices {
    ScriptedFileDialog* fileDialog;
    ScriptedMessageBox* messageBox;
    RecordingBusyPointer* busy;
    FakeSystemServices* system;
    ScriptedPrompt* prompt;
    ScriptedSheetDataQuestion* sheetData;
    platform::Services bundle;

    ScriptedServices() {
        auto fd = std::make_unique<ScriptedFileDialog>();
        auto mb = std::make_unique<ScriptedMessageBox>();
        auto bp = std::make_unique<RecordingBusyPointer>();
        auto ss = std::make_unique<FakeSystemServices>();
        auto pr = std::make_unique<ScriptedPrompt>();
        fileDialog = fd.get();
        messageBox = mb.get();
        busy = bp.get();
        system = ss.get();
        prompt = pr.get();
        auto sq = std::make_unique<ScriptedSheetQuestion>(*prompt);
        auto sd = std::make_unique<ScriptedSheetDataQuestion>(*prompt);
        sheetData = sd.get();
        auto rq = std::make_unique<ScriptedRemapQuestion>(*prompt);
        auto cq = std::make_unique<ScriptedCanvasQuestion>(*prompt);
        bundle = {std::move(fd), std::move(mb), std::move(bp), std::move(ss), std::move(pr),
                  std::move(sq), std::move(sd), std::move(rq), nullptr,       std::move(cq)};
    }
};

} // namespace quillet::testing
