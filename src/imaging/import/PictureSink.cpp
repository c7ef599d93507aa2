#include "PictureSink.h"

#include "ColourReducer.h"

namespace quillet::imaging::detail {

PictureSink::PictureSink(const ImportOptions& options, Receiver receiver, bool firstOnly)
    : m_options(options), m_receiver(std::move(receiver)), m_firstOnly(firstOnly) {}

PictureSink::~PictureSink() = default;

void PictureSink::indexed(IndexedPicture&& pic) {
    m_receiver(std::move(pic));
    ++m_count;
}

void PictureSink::colour(const TrueColourPicture& picture) {
    if (!m_reducer)
        m_reducer = std::make_unique<ColourReducer>(m_options);
    indexed(m_reducer->reduce(picture));
}

} // namespace quillet::imaging::detail
