#pragma once

// Steps that change the document as a whole: its palette (Select palette...)
// and its direction count (Directions..., and the count a save has to write).

#include "Step.h"

#include <cstdint>
#include <map>
#include <utility>

namespace quillet::document::steps {

// Every frame's two palettes and the document palette, with each distinct
// palette stored once: on a document of thousands of frames that share one
// palette the snapshot costs a few bytes per frame.
class PaletteSnapshot {
public:
    PaletteSnapshot(const FrameList& frames, const Palette& documentPalette);
    const Palette& documentPalette() const { return m_palettes[m_document]; }
    void restoreFrames() const;

private:
    std::uint32_t store(const Palette& palette);

    FrameList m_frames;
    std::vector<Palette> m_palettes;
    std::map<Palette, std::uint32_t> m_index;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_perFrame;
    std::uint32_t m_document;
};

class ApplyPalette : public Step {
public:
    ApplyPalette(Document& doc, const Palette& palette);
    void redo() override;
    void undo() override;

private:
    PaletteSnapshot m_before;
    Palette m_palette;
};

class SetDirections : public Step {
public:
    SetDirections(Document& doc, int directions, const QString& name);
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();

    int m_other;
};

} // namespace quillet::document::steps
