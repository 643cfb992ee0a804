#pragma once

#include "common/DeviceReader.h"

#include <libraw.h>

// LibRaw's input, read from a Qt device through a read-ahead buffer. A failed device read
// cancels the decode of the LibRaw it was given, so that a device that went away ends the
// decode at LibRaw's next check rather than after it decoded zeros to the end.
class RawStream final : public LibRaw_abstract_datastream
{
public:
    explicit RawStream(QIODevice *device) : m_reader(device) {}

    void cancelOnFailure(LibRaw *raw) { m_raw = raw; }

    // Bytes asked for from the end of the file on since the last forgetLostBytes(): a decoder
    // reading a picture cut short asks for many, one reading ahead a few.
    qint64 lostBytes() const { return m_lostBytes; }
    void forgetLostBytes() { m_lostBytes = 0; }
    bool failed() const { return m_reader.failed(); }

    int valid() override { return m_reader.isUsable() ? 1 : 0; }
    int read(void *data, size_t size, size_t count) override;
    int seek(INT64 offset, int whence) override;
    INT64 tell() override { return m_reader.position(); }
    INT64 size() override { return m_reader.size(); }
    int get_char() override;
    char *gets(char *line, int capacity) override;
    int scanf_one(const char *format, void *value) override;
    int eof() override { return m_reader.failed() || m_reader.position() >= m_reader.size() ? 1 : 0; }
    void *make_jas_stream() override { return nullptr; }

private:
    qint64 readBytes(char *data, qint64 count);

    DeviceReader m_reader;
    LibRaw *m_raw = nullptr;
    qint64 m_lostBytes = 0;
};
