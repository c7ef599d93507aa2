#pragma once

#include "imaging/view/FrameView.h"
#include "imaging/view/ViewOptions.h"
#include "sprite/DC6Frame.h"
#include "tools/Tool.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace quillet::display {

class ImageArea;

// The drawing tools at work on the preview's picture. A press starts a
// stroke on a private copy of the shown frame's indices as they are saved;
// each move draws into it and shows the pixels it changed on the picture at
// once, repainting only them. The release hands the stroke over whole; one
// dropped on the way (Escape, the focus leaving, the window closing, another
// frame shown) leaves the picture as it was.
class PictureDrawing : public QObject {
    Q_OBJECT
public:
    struct Finished {
        int frame = 0;              // 0-based, as shown
        FramePtr target;            // the frame drawn on
        std::uint64_t pixelsId = 0; // its pixels when the stroke began
        pixels::Rect changed;
        Bytes pixels; // the whole matrix after the stroke
        QString toolName;
    };
    // Takes a finished stroke; false when it was not taken, and the picture
    // goes back to the frame as it is.
    using Sink = std::function<bool(Finished)>;

    // `shown`: the view the picture shows, kept up to date by its owner.
    PictureDrawing(ImageArea& area, const imaging::ViewImage& shown, QObject* parent = nullptr);
    ~PictureDrawing() override;

    void setTool(tools::ToolKind kind) { m_kind = kind; }
    tools::ToolKind tool() const { return m_kind; }
    void setDrawingIndex(std::uint8_t index) { m_index = index; }
    void setLockedEntries(const pixels::IndexSet& locked) { m_locked = locked; }
    // Asked at every press; a refusal starts nothing.
    void setGate(std::function<bool()> mayBegin) { m_mayBegin = std::move(mayBegin); }
    void setSink(Sink sink) { m_sink = std::move(sink); }

    // Called before the picture shows `frames[index]` anew; a stroke under
    // way is dropped.
    void frameShown(const FrameList& frames, int index, std::int16_t palTransform,
                    const imaging::ViewOptions& options);
    bool isDrawing() const { return m_stroke.has_value(); }
    void cancel();

signals:
    // The eyedropper (or Alt with any tool) found this index under the mouse.
    void indexPicked(int index);
    // A press that could not draw, and why.
    void refused(const QString& reason);

private:
    void press(QPoint point, Qt::KeyboardModifiers keys);
    void drag(QPoint point, Qt::KeyboardModifiers keys);
    void release(QPoint point, Qt::KeyboardModifiers keys);
    pixels::Point at(QPoint point) const;
    // Draws what changed since the last time onto the picture.
    void showChanges();
    void redraw(ByteView indices, const pixels::Rect& box);

    ImageArea& m_area;
    const imaging::ViewImage& m_shown;
    std::array<std::unique_ptr<tools::Tool>, 6> m_tools;
    tools::ToolKind m_kind = tools::ToolKind::Pencil;
    std::uint8_t m_index = 1;
    pixels::IndexSet m_locked;
    std::function<bool()> m_mayBegin;
    Sink m_sink;

    // What is shown, to draw on and to draw the picture's underlay from.
    FrameList m_frames;
    int m_frame = -1;
    std::int16_t m_palTransform = 0;
    imaging::ViewOptions m_options;
    QImage m_underlay; // made at the first change a stroke shows

    std::optional<tools::Stroke> m_stroke;
    tools::Tool* m_active = nullptr;
    std::uint64_t m_startId = 0;
    std::weak_ptr<DC6Frame> m_lastTarget; // of the previous stroke
};

} // namespace quillet::display
