#include "common/DeviceReader.h"

#include <cstring>

namespace {

// Large enough that box and tag parsing costs a handful of reads, small enough to waste little
// when a decoder jumps about.
constexpr qint64 ReadAhead = 64 * 1024;

} // namespace

DeviceReader::DeviceReader(QIODevice *device) : m_device(device)
{
    if (!device || !device->isReadable() || device->isSequential())
        return;
    m_start = device->pos();
    m_size = qMax<qint64>(0, device->size() - m_start);
}

bool DeviceReader::seek(qint64 position)
{
    if (position < 0 || position > m_size)
        return false;
    m_position = position;
    return true;
}

bool DeviceReader::fill(qint64 position)
{
    const qint64 count = qMin(ReadAhead, m_size - position);
    m_buffer.resize(count);
    if (!m_device->seek(m_start + position) || m_device->read(m_buffer.data(), count) != count) {
        m_failed = true;
        m_buffer.clear();
        return false;
    }
    m_bufferStart = position;
    return true;
}

qint64 DeviceReader::read(char *data, qint64 count)
{
    if (m_failed || !isUsable())
        return -1;
    count = qBound<qint64>(0, count, m_size - m_position);
    qint64 done = 0;
    while (done < count) {
        const qint64 at = m_position + done;
        const qint64 inBuffer = m_bufferStart + m_buffer.size() - at;
        if (at >= m_bufferStart && inBuffer > 0) {
            const qint64 part = qMin(inBuffer, count - done);
            std::memcpy(data + done, m_buffer.constData() + (at - m_bufferStart), size_t(part));
            done += part;
        } else if (count - done >= ReadAhead) {
            // A large block goes straight to the caller rather than through the buffer.
            const qint64 part = count - done;
            if (!m_device->seek(m_start + at) || m_device->read(data + done, part) != part) {
                m_failed = true;
                return -1;
            }
            done += part;
        } else if (!fill(at)) {
            return -1;
        }
    }
    m_position += done;
    return done;
}
