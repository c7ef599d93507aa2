#include "FramePlacement.h"

#include <algorithm>

namespace quillet::imaging {

PlacedBox placedBox(const DC6Frame& frame) {
    const std::int64_t height = frame.get_Y_size();
    return {frame.get_X_offset(), std::int64_t{frame.get_Y_offset()} - height, frame.get_X_size(),
            height};
}

PlacedBox unionBox(const FrameList& frames, bool withAnchor) {
    bool any = withAnchor;
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    for (const FramePtr& frame : frames) {
        if (!frame)
            continue;
        const PlacedBox box = placedBox(*frame);
        if (box.empty())
            continue;
        if (!any) {
            left = box.left, top = box.top, right = box.right(), bottom = box.bottom();
            any = true;
            continue;
        }
        left = std::min(left, box.left);
        top = std::min(top, box.top);
        right = std::max(right, box.right());
        bottom = std::max(bottom, box.bottom());
    }
    return {left, top, right - left, bottom - top};
}

} // namespace quillet::imaging
