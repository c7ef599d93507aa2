#pragma once

#include "BusyPointer.h"
#include "CanvasQuestion.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PaletteQuestions.h"
#include "Prompt.h"
#include "Registry.h"
#include "SheetDataQuestion.h"
#include "SheetQuestion.h"

#include <memory>

namespace quillet::platform {

// Everything the editor's commands ask of the platform, in one bundle so a
// test can hand in scripted versions.
struct Services {
    std::unique_ptr<FileDialog> fileDialog;
    std::unique_ptr<MessageBox> messageBox;
    std::unique_ptr<BusyPointer> busyPointer;
    std::unique_ptr<SystemServices> system;
    std::unique_ptr<Prompt> prompt;
    std::unique_ptr<SheetQuestion> sheetQuestion;
    std::unique_ptr<SheetDataQuestion> sheetDataQuestion;
    std::unique_ptr<RemapQuestion> remapQuestion;
    std::unique_ptr<UsageQuestion> usageQuestion;
    std::unique_ptr<CanvasQuestion> canvasQuestion;
};

// The real ones, with `parent` as the dialogs' parent window; all but the
// sheet, remap, usage and canvas questions, whose dialogs draw pictures and
// colours or weigh frames, and are made above this layer.
Services makeQtServices(QWidget* parent);

} // namespace quillet::platform
