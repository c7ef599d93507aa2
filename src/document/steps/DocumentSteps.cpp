#include "DocumentSteps.h"

#include "palette/PaletteFile.h"

namespace quillet::document::steps {

PaletteSnapshot::PaletteSnapshot(const FrameList& frames, const Palette& documentPalette)
    : m_frames(frames), m_document(store(documentPalette)) {
    m_perFrame.reserve(frames.size());
    for (const FramePtr& frame : frames)
        m_perFrame.push_back({store(frame->getOrigPalette()), store(frame->getNewPalette())});
    m_index.clear();
}

void PaletteSnapshot::restoreFrames() const {
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        m_frames[i]->seOriginalPalette(m_palettes[m_perFrame[i].first]);
        m_frames[i]->setNewPalette(m_palettes[m_perFrame[i].second]);
    }
}

std::uint32_t PaletteSnapshot::store(const Palette& palette) {
    const auto [it, added] =
        m_index.try_emplace(palette, static_cast<std::uint32_t>(m_palettes.size()));
    if (added)
        m_palettes.push_back(palette);
    return it->second;
}

ApplyPalette::ApplyPalette(Document& doc, const Palette& palette)
    : Step(doc, QStringLiteral("Select Palette")), m_before(doc.frames(), doc.palette()),
      m_palette(palette) {}

void ApplyPalette::redo() {
    setPalette(m_palette);
    applyPaletteToFrames(frames(), m_palette);
    finish(doc().curFrame());
}

void ApplyPalette::undo() {
    setPalette(m_before.documentPalette());
    m_before.restoreFrames();
    finish(doc().curFrame());
}

SetDirections::SetDirections(Document& doc, int directions, const QString& name)
    : Step(doc, name), m_other(directions) {}

void SetDirections::swap() {
    const int previous = doc().directions();
    setDirectionCount(m_other);
    m_other = previous;
    finish(doc().curFrame());
}

} // namespace quillet::document::steps
