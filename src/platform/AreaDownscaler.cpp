#include "platform/AreaDownscaler.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Weights across sum to 256, so that a channel times its weight fits a 16-bit lane; weights
// down sum to 16384, so that a lane times its weight, summed, fits a 32-bit lane.
constexpr int AcrossUnit = 256;
constexpr int DownUnit = 16384;
constexpr int DownShift = 8 + 14;

// The four bytes of a pixel, each in a 16-bit lane of its own: in memory, lanes in the order
// of the bytes, whatever the machine's byte order.
quint64 spread(quint32 pixel)
{
    quint64 lanes = pixel;
    lanes = (lanes | (lanes << 16)) & 0x0000ffff0000ffffull;
    return (lanes | (lanes << 8)) & 0x00ff00ff00ff00ffull;
}

} // namespace

AreaDownscaler::AreaDownscaler(QSize sourceSize, QImage &target)
    : m_target(target),
      m_channels(target.format() == QImage::Format_Grayscale8 ? 1 : 4),
      m_columns(tapsFor(sourceSize.width(), target.width(), AcrossUnit)),
      m_rows(tapsFor(sourceSize.height(), target.height(), DownUnit)),
      m_source(std::size_t(sourceSize.width() + m_columns.perTarget), 0),
      m_line(std::size_t(target.width()) * std::size_t(m_channels))
{
    for (std::vector<quint32> &sums : m_sums)
        sums.assign(m_line.size(), 0);
    // Pairs of target pixels, tap by tap: each weight in the four lanes of its pixel.
    const int perTarget = m_columns.perTarget;
    m_laneWeights.assign(std::size_t(target.width() + 1) * std::size_t(perTarget), 0);
    for (int j = 0; j < target.width(); ++j) {
        for (int t = 0; t < perTarget; ++t) {
            const quint64 weight = m_columns.weights[std::size_t(j) * std::size_t(perTarget) + std::size_t(t)];
            m_laneWeights[std::size_t(j / 2 * 2 * perTarget + 2 * t + j % 2)] = weight * 0x0001000100010001ull;
        }
    }
}

// Source pixel i covers [i * target, (i + 1) * target) and target pixel j covers
// [j * source, (j + 1) * source): the overlaps are whole numbers. Each weight is the rounded
// running total less the one before it, so that a target pixel's weights sum exactly to
// `unit` (flat areas stay exactly as they are) and no source pixel is favoured.
AreaDownscaler::Taps AreaDownscaler::tapsFor(int source, int target, int unit)
{
    Taps taps;
    taps.first.resize(std::size_t(target));
    taps.count.resize(std::size_t(target));
    taps.perTarget = int((qint64(source) + target - 1) / target) + 1;
    taps.weights.assign(std::size_t(target) * std::size_t(taps.perTarget), 0);
    for (int j = 0; j < target; ++j) {
        const qint64 low = qint64(j) * source, high = qint64(j + 1) * source;
        const int first = int(low / target), last = int((high - 1) / target);
        taps.first[std::size_t(j)] = first;
        taps.count[std::size_t(j)] = last - first + 1;
        quint16 *weight = taps.weights.data() + std::size_t(j) * std::size_t(taps.perTarget);
        qint64 covered = 0;
        int given = 0;
        for (int i = first; i <= last; ++i) {
            covered += std::min(high, qint64(i + 1) * target) - std::max(low, qint64(i) * target);
            const int total = int((covered * unit + source / 2) / source);
            weight[i - first] = quint16(total - given);
            given = total;
        }
    }
    return taps;
}

template<int Count, int Channels>
void AreaDownscaler::reduceAcross(int width)
{
    const int perTarget = Count > 0 ? Count : m_columns.perTarget;
    const quint64 *source = m_source.data();
    const quint16 *weight = m_columns.weights.data();
    const int *first = m_columns.first.data();
    quint16 *line = m_line.data();
    int j = 0;
#ifdef __SSE2__
    // Two target pixels at once, their four channels each in 16-bit lanes.
    if constexpr (Count > 0 && Channels == 4) {
        const quint64 *lanes = m_laneWeights.data();
        for (; j + 1 < width; j += 2, lanes += 2 * Count) {
            const quint64 *left = source + first[j], *right = source + first[j + 1];
            __m128i sum = _mm_setzero_si128();
            for (int t = 0; t < Count; ++t) {
                const __m128i pixels = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(left + t)),
                                                          _mm_loadl_epi64(reinterpret_cast<const __m128i *>(right + t)));
                const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i *>(lanes + 2 * t));
                sum = _mm_add_epi16(sum, _mm_mullo_epi16(pixels, weights));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i *>(line + 4 * j), sum);
        }
        weight += std::ptrdiff_t(j) * perTarget;
    }
#endif
    for (; j < width; ++j, weight += perTarget) {
        const quint64 *from = source + first[j];
        quint64 sum = 0;
        for (int t = 0; t < perTarget; ++t)
            sum += from[t] * weight[t];
        if constexpr (Channels == 4)
            std::memcpy(line + 4 * j, &sum, sizeof sum);
        else
            line[j] = quint16(sum);
    }
}

void AreaDownscaler::reduceRow(const uchar *row)
{
    const int sourceWidth = int(m_source.size()) - m_columns.perTarget;
    if (m_channels == 1) {
        for (int i = 0; i < sourceWidth; ++i)
            m_source[std::size_t(i)] = row[i];
    } else {
        int i = 0;
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        for (; i + 4 <= sourceWidth; i += 4) {
            const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + 4 * i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(m_source.data() + i), _mm_unpacklo_epi8(pixels, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(m_source.data() + i + 2), _mm_unpackhi_epi8(pixels, zero));
        }
#endif
        const auto *pixels = reinterpret_cast<const quint32 *>(row);
        for (; i < sourceWidth; ++i)
            m_source[std::size_t(i)] = spread(pixels[i]);
    }
    // Reduced by less than two (the usual case after a decoder's own reduction), a target
    // pixel takes at most three source pixels.
    const int width = m_target.width();
    if (m_channels == 1)
        reduceAcross<0, 1>(width);
    else if (m_columns.perTarget == 2)
        reduceAcross<2, 4>(width);
    else if (m_columns.perTarget == 3)
        reduceAcross<3, 4>(width);
    else
        reduceAcross<0, 4>(width);
}

void AreaDownscaler::addRow(const uchar *row)
{
    if (m_targetRow >= m_target.height())
        return;
    reduceRow(row);
    const int values = int(m_line.size());
    // A source row adds to one target row, or to two where it straddles their boundary.
    for (int targetRow = m_targetRow; targetRow < m_target.height(); ++targetRow) {
        const int first = m_rows.first[std::size_t(targetRow)];
        if (first > m_sourceRow)
            break;
        const quint16 *weights = m_rows.weights.data() + std::size_t(targetRow) * std::size_t(m_rows.perTarget);
        const quint16 weight = weights[m_sourceRow - first];
        std::vector<quint32> &sums = m_sums[targetRow & 1];
        quint32 *sum = sums.data();
        const quint16 *line = m_line.data();
        for (int k = 0; k < values; ++k)
            sum[k] += quint32(line[k]) * weight;
        if (m_sourceRow - first + 1 < m_rows.count[std::size_t(targetRow)])
            break;
        emitRow(targetRow, sums);
        m_targetRow = targetRow + 1;
    }
    ++m_sourceRow;
}

void AreaDownscaler::emitRow(int targetRow, std::vector<quint32> &sums)
{
    constexpr quint32 Half = 1u << (DownShift - 1);
    uchar *out = m_target.scanLine(targetRow);
    quint32 *sum = sums.data();
    const std::size_t count = sums.size();
    std::size_t k = 0;
#ifdef __SSE2__
    const __m128i half = _mm_set1_epi32(int(Half)), zero = _mm_setzero_si128();
    for (; k + 16 <= count; k += 16) {
        __m128i parts[4];
        for (int p = 0; p < 4; ++p) {
            auto *at = reinterpret_cast<__m128i *>(sum + k + 4 * std::size_t(p));
            parts[p] = _mm_srli_epi32(_mm_add_epi32(_mm_loadu_si128(at), half), DownShift);
            _mm_storeu_si128(at, zero);
        }
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(parts[0], parts[1]), _mm_packs_epi32(parts[2], parts[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), bytes);
    }
#endif
    for (; k < count; ++k) {
        out[k] = uchar((sum[k] + Half) >> DownShift);
        sum[k] = 0;
    }
}
