#pragma once

#include "common/SizedImageHandler.h"

#include <QByteArray>

#include <jxl/decode.h>

#include <memory>

// Reads the first frame of a JPEG XL picture, oriented as the file says, with the colour
// profile of the decoded pixels attached. The file is fed to the decoder in chunks as it asks
// for them, so the size costs only the header, and a device whose reads fail ends the decode
// at its next chunk. libjxl decodes only whole: a reduced size is scaled once from it.
class JxlHandler final : public SizedImageHandler
{
public:
    JxlHandler();
    ~JxlHandler() override;

    bool canRead() const override;
    bool read(QImage *image) override;

    static bool canRead(QIODevice *device);

private:
    bool readHeader() override;
    JxlDecoderStatus nextEvent();
    QImage decodeFrame();

    struct DecoderFree
    {
        void operator()(JxlDecoder *decoder) const { JxlDecoderDestroy(decoder); }
    };
    struct RunnerFree
    {
        void operator()(void *runner) const;
    };

    std::unique_ptr<void, RunnerFree> m_runner; // outlives the decoder that uses it
    std::unique_ptr<JxlDecoder, DecoderFree> m_decoder;
    QByteArray m_input;
    bool m_inputSet = false;
    JxlBasicInfo m_info {};
};
