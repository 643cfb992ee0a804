#pragma once

#include "common/SizedImageHandler.h"

#include <memory>

class DeviceReader;
struct heif_context;
struct heif_image_handle;

// Reads the primary picture of a HEIF file (HEIC, AVIF), turned, mirrored and cropped as the
// file says, with its colour profile attached. Its size is known from the container alone; a
// reduced size is decoded from a thumbnail the file carries when one is large enough, else the
// whole picture is decoded and scaled once.
class HeifHandler final : public SizedImageHandler
{
public:
    HeifHandler();
    ~HeifHandler() override;

    bool canRead() const override;
    bool read(QImage *image) override;

    // Whether the device's next bytes start a HEIF file of a kind read here; `format` is set to
    // "avif", "heic" or "heif".
    static bool canRead(QIODevice *device, QByteArray *format = nullptr);

private:
    bool readHeader() override;
    heif_image_handle *thumbnailFor(const QSize &target) const;

    std::unique_ptr<DeviceReader> m_reader;
    heif_context *m_context = nullptr;
    heif_image_handle *m_primary = nullptr;
};
