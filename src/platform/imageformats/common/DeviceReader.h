#pragma once

#include <QByteArray>
#include <QIODevice>

// Random-access reads of a picture from its device, through a read-ahead buffer, for decoders
// that ask for a few bytes at a time. The picture starts where the device stood when the reader
// was made. Once the device fails a read, every later read and seek fails too, without asking
// the device again, so that a decoder whose input went away stops at its next read. Seeks only
// move the position, failure or not.
class DeviceReader
{
public:
    explicit DeviceReader(QIODevice *device);

    // False for a device that cannot seek or tell its size: the readers here need both.
    bool isUsable() const { return m_size >= 0; }

    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }
    // False beyond the end.
    bool seek(qint64 position);
    // Up to `count` bytes from the position on: fewer only at the end of the picture, -1 once
    // the device failed.
    qint64 read(char *data, qint64 count);

    bool failed() const { return m_failed; }

private:
    bool fill(qint64 position);

    QIODevice *m_device;
    qint64 m_start = 0;
    qint64 m_size = -1;
    qint64 m_position = 0;
    QByteArray m_buffer;
    qint64 m_bufferStart = 0;
    bool m_failed = false;
};
