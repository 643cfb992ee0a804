#include "platform/JpegStructure.h"

#include <QIODevice>

#include <cstring>

namespace {

// Reads a device in blocks; every byte costs a bounds check and nothing more.
class ByteReader
{
public:
    ByteReader(QIODevice &device, const std::stop_token &stop) : m_device(device), m_stop(stop) {}

    // The next byte, or -1 at the end, on a read error, or once stopped.
    int next()
    {
        if (m_at == m_end && !refill())
            return -1;
        return m_buffer[m_at++];
    }

    bool skip(qint64 count)
    {
        while (count > 0) {
            if (m_at == m_end && !refill())
                return false;
            const qint64 step = qMin<qint64>(count, m_end - m_at);
            m_at += int(step);
            count -= step;
        }
        return true;
    }

    // Moves to the next 0xFF byte and past it; false if there is none.
    bool skipPastNextFF()
    {
        for (;;) {
            if (m_at == m_end && !refill())
                return false;
            const void *found = std::memchr(m_buffer + m_at, 0xff, size_t(m_end - m_at));
            if (found) {
                m_at = int(static_cast<const unsigned char *>(found) - m_buffer) + 1;
                return true;
            }
            m_at = m_end;
        }
    }

    bool stopped() const { return m_stopped; }

private:
    bool refill()
    {
        if (m_stop.stop_requested()) {
            m_stopped = true;
            return false;
        }
        const qint64 count = m_device.read(reinterpret_cast<char *>(m_buffer), sizeof m_buffer);
        if (count <= 0)
            return false;
        m_at = 0;
        m_end = int(count);
        return true;
    }

    QIODevice &m_device;
    const std::stop_token &m_stop;
    unsigned char m_buffer[64 * 1024];
    int m_at = 0;
    int m_end = 0;
    bool m_stopped = false;
};

constexpr int SOI = 0xd8, EOI = 0xd9, SOS = 0xda, APP1 = 0xe1, APP2 = 0xe2, TEM = 0x01;

bool isRestart(int marker)
{
    return marker >= 0xd0 && marker <= 0xd7;
}

// Frame headers: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
bool isFrameHeader(int marker)
{
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

bool isProgressiveFrame(int marker)
{
    return marker == 0xc2 || marker == 0xc6 || marker == 0xca || marker == 0xce;
}

// The marker after some bytes that are not one: fill bytes 0xFF are skipped, as the decoder does.
int nextMarker(ByteReader &reader)
{
    for (;;) {
        if (!reader.skipPastNextFF())
            return -1;
        int byte = reader.next();
        while (byte == 0xff)
            byte = reader.next();
        if (byte != 0) // 0xFF 0x00 is not a marker
            return byte;
    }
}

// Past entropy-coded data, the marker that ends it: stuffed zeros and restart markers belong to
// the data.
int markerAfterEntropyData(ByteReader &reader)
{
    for (;;) {
        const int marker = nextMarker(reader);
        if (marker < 0 || !isRestart(marker))
            return marker;
    }
}

} // namespace

JpegStructure JpegStructure::read(QIODevice &device, const std::stop_token &stop, int maxScans)
{
    JpegStructure structure;
    if (!device.seek(0))
        return structure;
    ByteReader reader(device, stop);
    if (reader.next() != 0xff || reader.next() != SOI)
        return structure;

    bool progressive = false;
    int frameComponents = 0;
    int marker = nextMarker(reader);
    while (marker >= 0 && marker != EOI) {
        if (marker == SOI || marker == TEM || isRestart(marker)) {
            marker = nextMarker(reader);
            continue;
        }
        const int high = reader.next(), low = reader.next();
        if (low < 0)
            break;
        qint64 left = (high << 8 | low) - 2;
        if (left < 0)
            break;
        if (marker == APP1 || marker == APP2)
            structure.keptSegmentBytes += left;
        if (isFrameHeader(marker) && frameComponents == 0 && left >= 6) {
            progressive = isProgressiveFrame(marker);
            if (!reader.skip(5))
                break;
            frameComponents = reader.next();
            left -= 6;
        }
        if (marker != SOS) {
            if (!reader.skip(left))
                break;
            marker = nextMarker(reader);
            continue;
        }
        if (++structure.scans > maxScans)
            break;
        const int scanComponents = left >= 1 ? reader.next() : 0;
        // A single scan of every component is all the decoder reads of such a file.
        if (structure.scans == 1 && !progressive && frameComponents > 0 && scanComponents >= frameComponents)
            break;
        if (!reader.skip(left - 1))
            break;
        marker = markerAfterEntropyData(reader);
    }
    structure.ok = !reader.stopped();
    return structure;
}
