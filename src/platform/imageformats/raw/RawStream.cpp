#include "raw/RawStream.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

qint64 RawStream::readBytes(char *data, qint64 count)
{
    if (count > 0 && m_reader.position() >= m_reader.size())
        m_lostBytes += count;
    const qint64 done = m_reader.read(data, count);
    if (done < 0) {
        if (m_raw)
            m_raw->setCancelFlag();
        return 0;
    }
    return done;
}

int RawStream::read(void *data, size_t size, size_t count)
{
    if (size == 0 || count == 0 || count > size_t(INT32_MAX) / size)
        return 0;
    const qint64 done = readBytes(static_cast<char *>(data), qint64(size * count));
    // As fread counts, but a part of an item counts as an item, as LibRaw's own streams do.
    return int((size_t(done) + size - 1) / size);
}

int RawStream::seek(INT64 offset, int whence)
{
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += m_reader.position();
    else if (whence == SEEK_END)
        target += m_reader.size();
    // Like LibRaw's own streams: a seek outside the file stops at its edge.
    m_reader.seek(qBound<qint64>(0, target, m_reader.size()));
    return 0;
}

int RawStream::get_char()
{
    unsigned char byte = 0;
    return readBytes(reinterpret_cast<char *>(&byte), 1) == 1 ? byte : -1;
}

char *RawStream::gets(char *line, int capacity)
{
    if (capacity <= 0)
        return nullptr;
    int length = 0;
    while (length < capacity - 1) {
        const int c = get_char();
        if (c < 0)
            break;
        line[length++] = char(c);
        if (c == '\n')
            break;
    }
    line[length] = '\0';
    return length > 0 ? line : nullptr;
}

int RawStream::scanf_one(const char *format, void *value)
{
    // One number or word, as LibRaw's parsers ask for: at most a short run of characters.
    char text[32] = {};
    const qint64 start = m_reader.position();
    const qint64 count = m_reader.read(text, sizeof text - 1);
    if (count <= 0)
        return 0;
    text[count] = '\0';
    const int result = std::sscanf(text, format, value);
    qint64 used = 0;
    while (used < count && text[used] != '\0' && std::strchr(" \t\n", text[used]))
        ++used;
    while (used < count && text[used] != '\0' && !std::strchr(" \t\n", text[used]))
        ++used;
    m_reader.seek(start + (result > 0 ? used : 0));
    return result;
}
