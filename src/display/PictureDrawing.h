#pragma once

#include "imaging/view/FrameView.h"
#include "imaging/view/ViewOptions.h"
#include "sprite/DC6Frame.h"
#include "tools/SelectTool.h"
#include "tools/Tool.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

namespace quillet::display {

class ImageArea;

// The drawing tools at work on the preview's picture. A press starts a
// stroke on a private copy of the shown frame's indices as they are saved;
// each move draws into it and shows the pixels it changed on the picture at
// once, repainting only them. The release hands the stroke over whole; one
// dropped on the way (Escape, the focus leaving, the window closing, another
// frame shown) leaves the picture as it was.
//
// The Select tool's selection stays while the same frame is shown. Pixels it
// floats (moved or pasted) show on the picture, but reach the sink only when
// they are put down, whole, as one step of their own.
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
    void setDrawingIndex(std::uint8_t index) { m_index = index; }
    void setLockedEntries(const pixels::IndexSet& locked) { m_locked = locked; }
    // What the user is told when the tools refuse a protected index.
    static QString protectedNotice(int index) {
        return QStringLiteral("Index %1 is protected: the tools draw nothing with it.").arg(index);
    }
    // Asked at every press; a refusal starts nothing.
    void setGate(std::function<bool()> mayBegin) { m_mayBegin = std::move(mayBegin); }
    void setSink(Sink sink) { m_sink = std::move(sink); }

    // Called before the picture shows `frames[index]` anew; a stroke under
    // way is dropped.
    void frameShown(const FrameList& frames, int index, std::int16_t palTransform,
                    const imaging::ViewOptions& options);
    void cancel();

    // The Select tool's work on the frame shown; places are a column and a
    // row counted from the top, as picture editors count them.
    bool hasSelection() const { return m_select.hasSelection(); }
    // The palette the frame's indices are drawn in.
    const Palette& shownPalette() const { return m_shown.shown.palette; }
    bool isFloating() const { return m_select.isFloating(); }
    QString floatingStep() const { return QString::fromStdString(m_select.floatingStep()); }
    void selectAll();
    void nudge(int dx, int dy);
    // `block` floats with its top-left pixel at `left`, `top`, or at the
    // frame's top-left corner when that place is not on the frame.
    void paste(pixels::Block block, int left, int top);
    // The selected pixels and the place of their top-left one.
    std::optional<std::tuple<pixels::Block, int, int>> selectedPixels() const;
    // Floating pixels go to the sink; the selection stays where they lie.
    void settle();
    // The selection's pixels become 0, in a step named `name`.
    void clearSelection(const QString& name);
    // Floating pixels go down and the selection goes.
    void dropSelection();
    // A stroke under way is dropped, or else the selection.
    void escape();
    // Called once the picture shows the frame anew: what floats goes on it.
    void pictureShown();

signals:
    // The eyedropper (or Alt with any tool) found this index under the mouse.
    void indexPicked(int index);
    // A press that could not draw, and why.
    void refused(const QString& reason);
    // A selection came or went, or its pixels began or ceased to float.
    void selectionChanged();

private:
    void press(QPoint point, Qt::KeyboardModifiers keys);
    void drag(QPoint point, Qt::KeyboardModifiers keys);
    void release(QPoint point, Qt::KeyboardModifiers keys);
    pixels::Point at(QPoint point) const;
    void selectPress(QPoint point);
    // The shown frame's indices, empty when they do not fit the selection.
    ByteView frameIndices() const;
    FramePtr target() const;
    void handOver(std::optional<tools::PutDown> done, std::uint64_t pixelsId);
    void showSelection();
    // Draws what changed since the last time onto the picture.
    void showChanges();
    void redraw(ByteView indices, const pixels::Rect& box);

    ImageArea& m_area;
    const imaging::ViewImage& m_shown;
    std::array<std::unique_ptr<tools::Tool>, tools::kStrokeTools> m_tools;
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

    tools::SelectTool m_select;
    std::weak_ptr<DC6Frame> m_selectTarget; // the frame the selection is on
    std::uint64_t m_liftId = 0;             // its pixels when they were lifted
    std::pair<bool, bool> m_selectionShown; // whether there is one, whether it floats
};

} // namespace quillet::display
