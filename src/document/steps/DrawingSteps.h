#pragma once

// The step of a drawing tool: pixels of one frame changed inside a rectangle.

#include "Step.h"
#include "sprite/PixelOps.h"

#include <memory>

namespace quillet::document::steps {

// Keeps the changed rectangle before and after, not the frame, and puts a
// new matrix into the frame each way: readers on other threads may still
// hold the one it replaces. The first drawing on a frame that Transform
// palette shows converted also converts the whole frame, as a save would
// write it, and makes the palette it is shown in its original one; that
// step keeps the whole matrix and palette it replaced.
class PaintPixels : public Step {
public:
    // `pixels`: the frame's whole matrix after the drawing, taken over by the
    // first redo.
    PaintPixels(Document& doc, int number, const pixels::Rect& changed, Bytes pixels, bool converts,
                const QString& name);
    void redo() override;
    void undo() override;

private:
    int width() const { return m_frame->get_X_size(); }

    // What a conversion replaced; kept apart, so that a plain step stays small.
    struct Replaced {
        std::shared_ptr<const Bytes> matrix;
        Palette original;
    };

    int m_number;
    FramePtr m_frame;
    pixels::Rect m_rect;
    Bytes m_before; // the rectangle, where the frame is not converted
    Bytes m_after;
    Bytes m_drawn;
    std::unique_ptr<const Replaced> m_replaced;
};

} // namespace quillet::document::steps
