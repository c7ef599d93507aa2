#pragma once

#include "DecodeTools.h"

#include <functional>
#include <memory>

namespace quillet::imaging::detail {

class ColourReducer;

// Where decoders deliver their pictures: paletted ones as they are, true
// colour reduced into the document palette first. A sheet wants only the first.
class PictureSink {
public:
    using Receiver = std::function<void(IndexedPicture&&)>;
    PictureSink(const ImportOptions& options, Receiver receiver, bool firstOnly);
    ~PictureSink();

    void indexed(IndexedPicture&& pic);
    void colour(const TrueColourPicture& picture);
    void colour(const QImage& argb, bool alpha) { colour(trueColourOf(argb, alpha)); }
    bool done() const { return m_firstOnly && m_count > 0; }
    const ImportLimits& limits() const { return m_options.limits; }
    const Palette& documentPalette() const { return m_options.documentPalette; }

private:
    const ImportOptions& m_options;
    Receiver m_receiver;
    bool m_firstOnly;
    int m_count = 0;
    std::unique_ptr<ColourReducer> m_reducer;
};

} // namespace quillet::imaging::detail
