#pragma once

#include "common/SizedImageHandler.h"

#include <QByteArray>

#include <memory>

class LibRaw;
class RawStream;

// Reads a camera's raw file upright, as the camera showed it: its embedded preview where that
// is at least as large as a half-size decode of the sensor data, else that half-size decode.
// The size is known from the file's tags and the preview's header, before anything is decoded.
class RawHandler final : public SizedImageHandler
{
public:
    RawHandler();
    ~RawHandler() override;

    bool canRead() const override;
    bool read(QImage *image) override;

    // Whether the device holds a raw file LibRaw reads; `format` is set to a name for its kind.
    static bool canRead(QIODevice *device, QByteArray *format = nullptr);

private:
    bool readHeader() override;
    void choosePreview(const QSize &halfSize);
    QImage readPreview(const QSize &target);
    QImage readHalfSize();

    std::unique_ptr<RawStream> m_stream;
    std::unique_ptr<LibRaw> m_raw;
    QByteArray m_preview;      // the embedded preview's bytes, when it is the one shown
    bool m_previewIsJpeg = false;
    QSize m_previewSize;       // as stored, before the camera's orientation
    int m_flip = 0;            // LibRaw's orientation: 4 transposes, 2 flips rows, 1 mirrors columns
};
