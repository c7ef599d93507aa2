// JPEG through Qt's reader: always true colour, so it goes the way of
// colour reduction, and it has no colour table to give.

#include "PictureFormat.h"
#include "imaging/import/QtPictureReader.h"

namespace quillet::imaging::detail {

namespace {

class JpegFormat : public PictureFormat {
public:
    void decode(ByteView data, PictureSink& sink) const override {
        sink.colour(toArgb32(readWithQt(data, "jpeg", sink.limits(), true)), false);
    }
    std::optional<Palette> colourTable(ByteView) const override { return std::nullopt; }
};

} // namespace

const PictureFormat& jpegFormat() {
    static const JpegFormat format;
    return format;
}

} // namespace quillet::imaging::detail
