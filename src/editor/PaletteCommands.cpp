#include "PaletteCommands.h"

#include "CommandContext.h"
#include "PreviewCommands.h"
#include "imaging/PictureImport.h"
#include "imaging/view/FrameImage.h"
#include "palette/PaletteFile.h"
#include "sprite/IndexUsage.h"

#include <QAction>
#include <QCryptographicHash>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <numeric>

namespace quillet::editor {

namespace {

const QString kPaletteFilter = QStringLiteral(
    "Palette file|*.pal|GIMP palette|*.gpl|Colour table of a picture|*.bmp;*.png;*.gif");

// Each palette keeps its own set, under a key made of its 768 bytes.
QString protectionKey(const Palette& palette) {
    const QByteArray bytes(reinterpret_cast<const char*>(palette.data()),
                           static_cast<qsizetype>(palette.size()));
    return QStringLiteral("protected/") +
           QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

// "240-255,7": the runs of the set, as the command line's --protect takes them.
QString listText(const IndexSet& entries) {
    QStringList runs;
    for (int first = 1; first < 256; ++first) {
        if (!entries[static_cast<std::size_t>(first)])
            continue;
        int last = first;
        while (last < 255 && entries[static_cast<std::size_t>(last) + 1])
            ++last;
        runs << (first == last ? QString::number(first)
                               : QStringLiteral("%1-%2").arg(first).arg(last));
        first = last;
    }
    return runs.join(u',');
}

// Whatever the settings file holds: pieces that are no index or run are left out.
IndexSet listEntries(const QString& text) {
    IndexSet entries;
    for (const QString& run : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList ends = run.split(u'-');
        bool firstOk = false;
        bool lastOk = false;
        const int first = ends.front().toInt(&firstOk);
        const int last = ends.back().toInt(&lastOk);
        if (ends.size() > 2 || !firstOk || !lastOk || first < 1 || last > 255)
            continue;
        for (int index = first; index <= last; ++index)
            entries[static_cast<std::size_t>(index)] = true;
    }
    return entries;
}

IndexSet rememberedProtection(const Palette& palette) {
    return listEntries(QSettings().value(protectionKey(palette)).toString());
}

} // namespace

PaletteCommands::PaletteCommands(CommandContext& context, PreviewCommands& preview)
    : QObject(&context.window()), m_context(context), m_preview(preview),
      m_select(makeAction(this, "Select_palette", QStringLiteral("Select palette..."),
                          &PaletteCommands::selectPalette)),
      // The check mark is the setting itself; Qt inverts it before the handler runs.
      m_transform(makeAction(this, "transform_palette", QStringLiteral("Transform palette"),
                             &PaletteCommands::transformToggled)),
      m_usage(makeAction(this, "PaletteUsage", QStringLiteral("Palette Usage..."),
                         &PaletteCommands::showUsage)) {
    m_transform->setCheckable(true);
    m_transform->setChecked(true);
    document::Document& doc = context.doc();
    doc.setProtectionLookup(rememberedProtection);
    connect(&doc, &document::Document::protectedEntriesChanged, this, [this] {
        if (display::frmShowFrame* window = m_preview.previewWindow())
            window->setProtectedEntries(m_context.doc().protectedEntries());
    });
    connect(&m_preview, &PreviewCommands::previewCreated, this, &PaletteCommands::wirePreview);
}

void PaletteCommands::wirePreview(display::frmShowFrame* window) {
    connect(window, &display::frmShowFrame::protectionRequested, this, &PaletteCommands::protect);
    window->setProtectedEntries(m_context.doc().protectedEntries());
}

void PaletteCommands::protect(int first, int last, bool on) {
    document::Document& doc = m_context.doc();
    if (!m_context.beginCommand())
        return;
    IndexSet entries = doc.protectedEntries();
    for (int index = std::max(first, 1); index <= std::min(last, 255); ++index)
        entries[static_cast<std::size_t>(index)] = on;
    QSettings settings;
    if (entries.none())
        settings.remove(protectionKey(doc.palette()));
    else
        settings.setValue(protectionKey(doc.palette()), listText(entries));
    doc.setProtectedEntries(entries);
}

void PaletteCommands::showUsage() {
    const document::Document& doc = m_context.doc();
    if (!m_context.beginCommand())
        return;
    // The frames of a choice by number, and where each index is used in them:
    // counted once for each choice, every pixel read, and again only when the
    // frames change while the dialog is open.
    struct Counted {
        std::vector<int> numbers;
        IndexUsage usage;
    };
    const std::vector<int> selection = doc.selection();
    std::optional<Counted> counted[2];
    const auto usage = [&](bool selectedOnly) -> const Counted& {
        std::optional<Counted>& known = counted[selectedOnly ? 1 : 0];
        if (known)
            return *known;
        std::vector<int> numbers = selection;
        if (!selectedOnly) {
            numbers.resize(static_cast<std::size_t>(doc.frameCount()));
            std::iota(numbers.begin(), numbers.end(), 1);
        }
        FrameList frames;
        for (int number : numbers)
            frames.push_back(doc.frames()[static_cast<std::size_t>(number) - 1]);
        IndexUsage found = countIndexUsage(frames, doc.palTransform());
        return known.emplace(Counted{std::move(numbers), std::move(found)});
    };
    const QMetaObject::Connection recount =
        connect(&doc, &document::Document::framesChanged, this, [&counted] {
            for (std::optional<Counted>& known : counted)
                known.reset();
        });
    m_context.services().usageQuestion->show(
        QStringLiteral("Palette Usage"), imaging::paletteColourList(doc.palette()),
        static_cast<int>(selection.size()),
        [&](bool selectedOnly) {
            const IndexUsage& found = usage(selectedOnly).usage;
            return platform::IndexCounts{found.pixels, found.frames};
        },
        [&](int index, bool selectedOnly) {
            const Counted& found = usage(selectedOnly);
            std::vector<int> users;
            for (std::size_t i = 0; i < found.numbers.size(); ++i)
                if (found.usage.perFrame[i][static_cast<std::size_t>(index)])
                    users.push_back(found.numbers[i]);
            const bool keeps = std::find(users.begin(), users.end(), doc.curFrame()) != users.end();
            if (!users.empty())
                m_context.doc().select(users, keeps ? doc.curFrame() : users.front());
        });
    disconnect(recount);
}

void PaletteCommands::loadStartupPalette(const QString& folder) {
    try {
        m_context.doc().setPalette(loadDefaultPalette(nativePath(folder)));
    } catch (const std::exception&) {
        m_context.doc().setPalette(builtinPalette());
    }
}

std::optional<Palette> PaletteCommands::readChosenPalette(const QString& path) {
    try {
        return imaging::readPaletteAny(nativePath(path));
    } catch (const PaletteSizeError&) {
        m_context.services().messageBox->show(QString::fromUtf8(kWrongPaletteSize),
                                              QStringLiteral("Filesize error"),
                                              platform::Buttons::Ok, platform::Icon::Warning);
    } catch (const std::exception& e) {
        m_context.warn(QStringLiteral("The palette file \"%1\" could not be read.\n%2")
                           .arg(path, QString::fromUtf8(e.what())));
    }
    return std::nullopt;
}

void PaletteCommands::selectPalette() {
    if (!m_context.beginCommand())
        return;
    const QString path = m_context.chooseFileToOpen(kPaletteFilter);
    if (!path.isEmpty()) {
        if (std::optional<Palette> chosen = readChosenPalette(path)) {
            BusyScope busy(m_context.busyPointer());
            m_context.doc().applyPalette(*chosen);
            return;
        }
    }
    emit nothingChosen();
}

void PaletteCommands::transformPalette() {
    m_transform->trigger();
}

void PaletteCommands::transformToggled() {
    if (m_context.refuseToggleWhileSaving(*m_transform))
        return;
    // Floating pixels were taken from the frame as it was shown.
    m_context.settle();
    m_context.doc().setTransform(m_transform->isChecked());
    emit transformChanged();
}

} // namespace quillet::editor
