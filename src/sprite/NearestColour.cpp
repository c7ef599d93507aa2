#include "NearestColour.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QUILLET_NEAREST_SSE2 1
#endif

namespace quillet {

namespace {

using Planes = NearestColour::Planes;
using Pair = NearestColour::Pair;

// Far enough outside 0..255 that an excluded entry never wins, yet sums of
// three differences still fit the signed 16-bit lanes.
constexpr std::uint16_t kExcluded = 1000;

// The colour cube is cut into cells of 8 x 8 x 8 colours. A cell lists the
// entries that can be nearest to some colour in it: those whose least
// possible distance to the cell is at most the smallest greatest distance of
// any entry, less those that another candidate beats everywhere in the cell.
constexpr int kCellShift = 3;
constexpr int kCellBits = 8 - kCellShift;
constexpr std::uint32_t kCellMask = (1u << kCellBits) - 1;
constexpr std::uint32_t kCells = 1u << (3 * kCellBits);
constexpr std::uint16_t kCellSide = 1u << kCellShift;
// A cell's candidates take at least this many pairs, so the common cells
// take the same path. A free place's distance byte puts it behind every
// candidate, whose sum stays below (3 + 3) * (kCellSide - 1), while the sum
// shifted above the index still fits 15 bits.
constexpr std::uint32_t kLeastPairs = 2;
constexpr std::uint8_t kFreePlace = 100;

std::uint32_t cellOf(std::uint32_t colour) {
    return (colour >> (16 + kCellShift) & kCellMask) << (2 * kCellBits) |
           (colour >> (8 + kCellShift) & kCellMask) << kCellBits |
           (colour >> kCellShift & kCellMask);
}

std::uint32_t absDiff(std::uint32_t x, std::uint32_t y) {
    return x > y ? x - y : y - x;
}

#ifdef QUILLET_NEAREST_SSE2

// |x - y| of unsigned lanes: one of the two saturated differences is 0.
__m128i absDiff(__m128i x, __m128i y) {
    return _mm_or_si128(_mm_subs_epu16(x, y), _mm_subs_epu16(y, x));
}

// The smallest lane, in every lane.
__m128i spreadMinimum(__m128i v) {
    v = _mm_min_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_min_epi16(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_min_epi16(v, _mm_shufflelo_epi16(_mm_shufflehi_epi16(v, 0xB1), 0xB1));
}

std::uint8_t nearest(const Planes& dest, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    const __m128i sr = _mm_set1_epi16(static_cast<short>(r));
    const __m128i sg = _mm_set1_epi16(static_cast<short>(g));
    const __m128i sb = _mm_set1_epi16(static_cast<short>(b));
    __m128i distance[32];
    __m128i best = _mm_set1_epi16(kExcluded); // above the largest possible distance, 765
    for (int k = 0; k < 32; ++k) {
        const auto* red = reinterpret_cast<const __m128i*>(dest.red) + k;
        const auto* green = reinterpret_cast<const __m128i*>(dest.green) + k;
        const auto* blue = reinterpret_cast<const __m128i*>(dest.blue) + k;
        distance[k] = _mm_add_epi16(
            _mm_add_epi16(absDiff(_mm_load_si128(red), sr), absDiff(_mm_load_si128(green), sg)),
            absDiff(_mm_load_si128(blue), sb));
        best = _mm_min_epi16(best, distance[k]); // distances stay far below 2^15
    }
    // The first entry holding the smallest distance.
    best = spreadMinimum(best);
    for (int k = 0; k < 32; ++k) {
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(distance[k], best));
        if (mask != 0) {
            int lane = 0;
            while ((mask & (1 << (2 * lane))) == 0)
                ++lane;
            return static_cast<std::uint8_t>(8 * k + lane);
        }
    }
    return 0; // not reached: some lane holds the minimum
}

// The cell's candidate with the least sum, the lowest index among equals:
// each sum shifted above its index, the smallest word wins.
std::uint8_t nearestInCell(const Pair* pair, std::uint32_t pairs, std::uint32_t colour) {
    const __m128i both = _mm_shuffle_epi32(_mm_cvtsi32_si128(static_cast<int>(colour)), 0x44);
    const auto word = [&](const Pair& p) {
        const __m128i sums =
            _mm_sad_epu8(_mm_load_si128(reinterpret_cast<const __m128i*>(p.colours)), both);
        return _mm_or_si128(_mm_slli_epi64(sums, 8),
                            _mm_load_si128(reinterpret_cast<const __m128i*>(p.index)));
    };
    __m128i best = _mm_min_epi16(word(pair[0]), word(pair[1]));
    for (std::uint32_t k = kLeastPairs; k < pairs; ++k)
        best = _mm_min_epi16(best, word(pair[k]));
    best = _mm_min_epi16(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
    return static_cast<std::uint8_t>(_mm_cvtsi128_si32(best));
}

// Per entry: its least and greatest distance to any colour of the box
// lo..hi. Returns the smallest greatest distance.
std::uint16_t distancesToBox(const Planes& dest, const std::uint16_t lo[3],
                             const std::uint16_t hi[3], std::uint16_t* least, std::uint16_t* most) {
    const std::uint16_t* planes[3] = {dest.red, dest.green, dest.blue};
    __m128i bound = _mm_set1_epi16(0x7FFF);
    for (int k = 0; k < 32; ++k) {
        __m128i near = _mm_setzero_si128();
        __m128i far = _mm_setzero_si128();
        for (int a = 0; a < 3; ++a) {
            const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(planes[a]) + k);
            const __m128i l = _mm_set1_epi16(static_cast<short>(lo[a]));
            const __m128i h = _mm_set1_epi16(static_cast<short>(hi[a]));
            near = _mm_add_epi16(near, _mm_or_si128(_mm_subs_epu16(l, v), _mm_subs_epu16(v, h)));
            far = _mm_add_epi16(far, _mm_max_epi16(_mm_subs_epu16(v, l), _mm_subs_epu16(h, v)));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(least) + k, near);
        _mm_store_si128(reinterpret_cast<__m128i*>(most) + k, far);
        bound = _mm_min_epi16(bound, far);
    }
    return static_cast<std::uint16_t>(_mm_cvtsi128_si32(spreadMinimum(bound)));
}

// The entries whose least distance is at most `bound`, in index order.
int entriesWithin(const std::uint16_t* least, std::uint16_t bound, std::uint8_t* entries) {
    const __m128i limit = _mm_set1_epi16(static_cast<short>(bound));
    int count = 0;
    for (int k = 0; k < 32; ++k) {
        const __m128i lanes = _mm_load_si128(reinterpret_cast<const __m128i*>(least) + k);
        const auto beyond = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi16(lanes, limit)));
        for (unsigned within = ~beyond & 0x5555u; within != 0; within &= within - 1)
            entries[count++] = static_cast<std::uint8_t>(8 * k + std::countr_zero(within) / 2);
    }
    return count;
}

#else

std::uint8_t nearest(const Planes& dest, std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    // Distance above index in one word: the smallest word is the nearest
    // colour, and among equal distances the lowest index.
    std::uint32_t best = UINT32_MAX;
    for (std::uint32_t j = 0; j < 256; ++j)
        best = std::min(
            best, (absDiff(dest.red[j], r) + absDiff(dest.green[j], g) + absDiff(dest.blue[j], b))
                          << 8 |
                      j);
    return static_cast<std::uint8_t>(best & 0xFF);
}

std::uint8_t nearestInCell(const Pair* pair, std::uint32_t pairs, std::uint32_t colour) {
    // The bytes past blue, green, red and the distance are zero on both sides.
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(colour),
                                   static_cast<std::uint8_t>(colour >> 8),
                                   static_cast<std::uint8_t>(colour >> 16), 0};
    std::uint32_t best = UINT32_MAX;
    for (const Pair* end = pair + pairs; pair != end; ++pair)
        for (int half = 0; half < 16; half += 8) {
            std::uint32_t sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += absDiff(pair->colours[half + k], bytes[k]);
            best = std::min(best, sum << 8 | pair->index[half]);
        }
    return static_cast<std::uint8_t>(best & 0xFF);
}

std::uint16_t distancesToBox(const Planes& dest, const std::uint16_t lo[3],
                             const std::uint16_t hi[3], std::uint16_t* least, std::uint16_t* most) {
    const std::uint16_t* planes[3] = {dest.red, dest.green, dest.blue};
    std::uint16_t bound = UINT16_MAX;
    for (int j = 0; j < 256; ++j) {
        std::uint32_t near = 0, far = 0;
        for (int a = 0; a < 3; ++a) {
            const std::uint32_t v = planes[a][j];
            near += v < lo[a] ? lo[a] - v : v > hi[a] ? v - hi[a] : 0;
            far += std::max(absDiff(v, lo[a]), absDiff(v, hi[a]));
        }
        least[j] = static_cast<std::uint16_t>(near);
        most[j] = static_cast<std::uint16_t>(far);
        bound = std::min(bound, most[j]);
    }
    return bound;
}

int entriesWithin(const std::uint16_t* least, std::uint16_t bound, std::uint8_t* entries) {
    int count = 0;
    for (int j = 0; j < 256; ++j)
        if (least[j] <= bound)
            entries[count++] = static_cast<std::uint8_t>(j);
    return count;
}

#endif

} // namespace

NearestColour::NearestColour(const Palette& dest, int firstEntry)
    : NearestColour(dest, IndexSet().set() >> (256 - std::clamp(firstEntry, 0, 255))) {}

NearestColour::NearestColour(const Palette& dest, const IndexSet& excluded) {
    for (std::size_t j = 0; j < 256; ++j) {
        const bool allowed = !excluded[j];
        m_planes.red[j] = allowed ? dest[3 * j] : kExcluded;
        m_planes.green[j] = allowed ? dest[3 * j + 1] : kExcluded;
        m_planes.blue[j] = allowed ? dest[3 * j + 2] : kExcluded;
    }
}

std::uint8_t NearestColour::scan(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
    return nearest(m_planes, r, g, b);
}

std::uint32_t NearestColour::buildCell(std::uint32_t cell) {
    std::uint16_t lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] =
            static_cast<std::uint16_t>((cell >> ((2 - a) * kCellBits) & kCellMask) << kCellShift);
        hi[a] = static_cast<std::uint16_t>(lo[a] + kCellSide - 1);
    }
    alignas(16) std::uint16_t least[256];
    alignas(16) std::uint16_t most[256];
    // Entries that may not be chosen lie beyond every bound.
    const std::uint16_t bound = distancesToBox(m_planes, lo, hi, least, most);
    std::uint8_t within[256];
    const int count = entriesWithin(least, bound, within);

    // Per candidate and axis, its distance to both ends of the cell's range.
    struct Candidate {
        std::uint8_t index;
        std::uint16_t toLow[3];
        std::uint16_t toHigh[3];
    };
    std::array<Candidate, 256> candidates;
    const std::uint16_t* planes[3] = {m_planes.red, m_planes.green, m_planes.blue};
    for (int i = 0; i < count; ++i) {
        Candidate& c = candidates[static_cast<std::size_t>(i)];
        c.index = within[i];
        for (int a = 0; a < 3; ++a) {
            c.toLow[a] = static_cast<std::uint16_t>(absDiff(planes[a][c.index], lo[a]));
            c.toHigh[a] = static_cast<std::uint16_t>(absDiff(planes[a][c.index], hi[a]));
        }
    }
    // k beats j everywhere in the cell when the greatest of d(k) - d(j) over
    // the cell is below 0, or 0 with k the lower index. Per axis that
    // difference is monotonic, so its greatest value lies at one end.
    const auto beats = [](const Candidate& k, const Candidate& j) {
        int diff = 0;
        for (int a = 0; a < 3; ++a)
            diff += std::max(int{k.toLow[a]} - j.toLow[a], int{k.toHigh[a]} - j.toHigh[a]);
        return diff < 0 || (diff == 0 && k.index < j.index);
    };
    // A candidate's greatest distance to the cell is at most that of any
    // candidate beating it, so those with the least greatest distance are
    // tried first; trying only the first few bounds the time a cell takes,
    // and a candidate kept for nothing only costs a measurement.
    constexpr int kChallengers = 32;
    std::array<std::uint32_t, 256> order;
    for (int j = 0; j < count; ++j)
        order[static_cast<std::size_t>(j)] =
            std::uint32_t{most[candidates[static_cast<std::size_t>(j)].index]} << 8 |
            static_cast<std::uint32_t>(j);
    const int challengers = std::min(count, kChallengers);
    std::partial_sort(order.begin(), order.begin() + challengers, order.begin() + count);
    std::array<bool, 256> beaten{};
    for (int j = 0; j < count && count > 1; ++j)
        for (int c = 0; c < challengers; ++c) {
            const int k = order[static_cast<std::size_t>(c)] & 0xFF;
            if (k != j && beats(candidates[static_cast<std::size_t>(k)],
                                candidates[static_cast<std::size_t>(j)])) {
                beaten[static_cast<std::size_t>(j)] = true;
                break;
            }
        }

    std::uint16_t base = UINT16_MAX;
    int kept = 0;
    for (int j = 0; j < count; ++j)
        if (!beaten[static_cast<std::size_t>(j)]) {
            base = std::min(base, least[candidates[static_cast<std::size_t>(j)].index]);
            ++kept;
        }
    const std::size_t first = m_pairs.size();
    const std::size_t pairs = std::max<std::size_t>(kLeastPairs, (kept + 1) / 2);
    m_pairs.resize(first + pairs);
    std::size_t place = 2 * first;
    const auto put = [&](std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t distance,
                         std::uint8_t index) {
        Pair& pair = m_pairs[place / 2];
        const std::size_t half = 8 * (place % 2);
        const std::uint8_t bytes[8] = {b, g, r, distance};
        std::copy(std::begin(bytes), std::end(bytes), pair.colours + half);
        std::fill_n(pair.index + half, 8, 0);
        pair.index[half] = index;
        ++place;
    };
    const auto inCell = [&](int axis, std::uint8_t index) {
        return static_cast<std::uint8_t>(std::clamp(planes[axis][index], lo[axis], hi[axis]));
    };
    for (int j = 0; j < count; ++j) {
        if (beaten[static_cast<std::size_t>(j)])
            continue;
        const std::uint8_t index = candidates[static_cast<std::size_t>(j)].index;
        put(inCell(2, index), inCell(1, index), inCell(0, index),
            static_cast<std::uint8_t>(least[index] - base), index);
    }
    while (place < 2 * m_pairs.size())
        put(static_cast<std::uint8_t>(lo[2]), static_cast<std::uint8_t>(lo[1]),
            static_cast<std::uint8_t>(lo[0]), kFreePlace, 0xFF);
    const auto record = static_cast<std::uint32_t>(first << 8 | pairs);
    m_cells[cell] = record;
    return record;
}

std::uint8_t NearestColour::operator()(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const std::uint32_t colour = std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
    std::uint8_t index = 0;
    match(&colour, 1, &index);
    return index;
}

void NearestColour::match(const std::uint32_t* colours, std::size_t count, std::uint8_t* indices) {
    if (m_cells.empty())
        m_cells.assign(kCells, 0);
    // Neighbouring pixels often share a colour: one lookup per change.
    std::uint32_t last = UINT32_MAX;
    std::uint8_t lastIndex = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t colour = colours[i] & 0xFFFFFF;
        if (colour != last) {
            last = colour;
            const std::uint32_t cell = cellOf(colour);
            std::uint32_t record = m_cells[cell];
            if (record == 0)
                record = buildCell(cell);
            lastIndex = nearestInCell(m_pairs.data() + (record >> 8), record & 0xFF, colour);
        }
        indices[i] = lastIndex;
    }
}

void matchColours(NearestColour& matcher, const ColourRows& rows, int width, int height,
                  std::uint8_t* indices, std::size_t indexStride, const WorkProgress& progress) {
    constexpr int kBandRows = 64;
    // Below this a helper thread costs more than it saves.
    constexpr std::int64_t kPixelsPerHelper = std::int64_t{1} << 16;
    const int bands = (std::max(height, 0) + kBandRows - 1) / kBandRows;
    std::atomic<int> nextBand{0};
    std::atomic<int> rowsDone{0};
    std::atomic<bool> stop{false};
    const auto matchBands = [&](NearestColour& own, bool reports) {
        std::vector<std::uint32_t> scratch(static_cast<std::size_t>(std::max(width, 0)));
        for (int band = nextBand++; band < bands && !stop; band = nextBand++) {
            const int top = band * kBandRows;
            const int bottom = std::min(height, top + kBandRows);
            for (int y = top; y < bottom; ++y)
                own.match(rows(y, scratch.data()), static_cast<std::size_t>(width),
                          indices + static_cast<std::size_t>(y) * indexStride);
            rowsDone += bottom - top;
            if (reports)
                reportProgress(progress, rowsDone, height);
        }
    };

    const std::int64_t pixels = std::int64_t{std::max(width, 0)} * std::max(height, 0);
    const auto wanted = static_cast<int>(
        std::min<std::int64_t>({std::int64_t{std::thread::hardware_concurrency()} - 1, bands - 1,
                                pixels / kPixelsPerHelper}));
    // Copied before any thread starts: the cells built so far come along.
    std::vector<NearestColour> copies(static_cast<std::size_t>(std::max(wanted, 0)), matcher);
    std::vector<std::thread> helpers;
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto joinHelpers = [&] {
        for (std::thread& helper : helpers)
            helper.join();
    };
    for (int i = 0; i < wanted; ++i) {
        try {
            helpers.emplace_back([&, i] {
                try {
                    matchBands(copies[static_cast<std::size_t>(i)], false);
                } catch (...) {
                    const std::lock_guard<std::mutex> lock(failureLock);
                    failure = std::current_exception();
                    stop = true;
                }
            });
        } catch (const std::system_error&) {
            break; // fewer helpers: the bands get done all the same
        }
    }
    try {
        matchBands(matcher, true);
    } catch (...) {
        stop = true;
        joinHelpers();
        throw;
    }
    joinHelpers();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace quillet
