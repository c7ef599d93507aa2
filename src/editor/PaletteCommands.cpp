#include "PaletteCommands.h"

#include "CommandContext.h"
#include "imaging/PictureImport.h"
#include "palette/PaletteFile.h"

#include <QAction>
#include <QWidget>

namespace quillet::editor {

namespace {

const QString kPaletteFilter = QStringLiteral(
    "Palette file|*.pal|GIMP palette|*.gpl|Colour table of a picture|*.bmp;*.png;*.gif");

} // namespace

PaletteCommands::PaletteCommands(CommandContext& context)
    : QObject(&context.window()), m_context(context),
      m_select(makeAction(this, "Select_palette", QStringLiteral("Select palette..."),
                          &PaletteCommands::selectPalette)),
      // The check mark is the setting itself; Qt inverts it before the handler runs.
      m_transform(makeAction(this, "transform_palette", QStringLiteral("Transform palette"),
                             &PaletteCommands::transformToggled)) {
    m_transform->setCheckable(true);
    m_transform->setChecked(true);
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
