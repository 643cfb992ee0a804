#include "jxl/JxlHandler.h"

#include "platform/DecodeBudget.h"

#include <QColorSpace>
#include <QIODevice>
#include <QImage>

#include <jxl/resizable_parallel_runner.h>

namespace {

constexpr qint64 ChunkBytes = 256 * 1024;

} // namespace

void JxlHandler::RunnerFree::operator()(void *runner) const
{
    JxlResizableParallelRunnerDestroy(runner);
}

JxlHandler::JxlHandler() = default;
JxlHandler::~JxlHandler() = default;

bool JxlHandler::canRead(QIODevice *device)
{
    if (!device)
        return false;
    const QByteArray head = device->peek(12);
    const JxlSignature signature =
        JxlSignatureCheck(reinterpret_cast<const uint8_t *>(head.constData()), size_t(head.size()));
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

bool JxlHandler::canRead() const
{
    if (!unread() || !canRead(device()))
        return false;
    setFormat("jxl");
    return true;
}

// Runs the decoder to its next event, feeding it the file's next chunk whenever it needs more.
JxlDecoderStatus JxlHandler::nextEvent()
{
    JxlDecoder *decoder = m_decoder.get();
    for (;;) {
        if (m_inputSet) {
            const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
            if (status != JXL_DEC_NEED_MORE_INPUT)
                return status;
            m_input.remove(0, m_input.size() - qsizetype(JxlDecoderReleaseInput(decoder)));
            m_inputSet = false;
        }
        const qsizetype kept = m_input.size();
        m_input.resize(kept + ChunkBytes);
        const qint64 count = device()->read(m_input.data() + kept, ChunkBytes);
        m_input.resize(kept + qMax<qint64>(0, count));
        // A failed read, or a file that ends while the decoder still wants more: cut short.
        if (count <= 0)
            return JXL_DEC_ERROR;
        if (JxlDecoderSetInput(decoder, reinterpret_cast<const uint8_t *>(m_input.constData()), size_t(m_input.size()))
            != JXL_DEC_SUCCESS) {
            return JXL_DEC_ERROR;
        }
        m_inputSet = true;
    }
}

bool JxlHandler::readHeader()
{
    if (!device())
        return false;
    m_decoder.reset(JxlDecoderCreate(nullptr));
    m_runner.reset(JxlResizableParallelRunnerCreate(nullptr));
    if (!m_decoder || !m_runner
        || JxlDecoderSubscribeEvents(m_decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE)
               != JXL_DEC_SUCCESS
        || JxlDecoderSetParallelRunner(m_decoder.get(), JxlResizableParallelRunner, m_runner.get()) != JXL_DEC_SUCCESS
        || JxlDecoderSetUnpremultiplyAlpha(m_decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS) {
        return false;
    }
    if (nextEvent() != JXL_DEC_BASIC_INFO || JxlDecoderGetBasicInfo(m_decoder.get(), &m_info) != JXL_DEC_SUCCESS)
        return false;
    if (m_info.xsize == 0 || m_info.ysize == 0 || m_info.xsize > 0x7fffffffu || m_info.ysize > 0x7fffffffu)
        return false;
    // The decoder turns the picture as its orientation says; the last four turn it a quarter.
    const bool quarterTurn = m_info.orientation >= JXL_ORIENT_TRANSPOSE;
    setSize(QSize(int(quarterTurn ? m_info.ysize : m_info.xsize), int(quarterTurn ? m_info.xsize : m_info.ysize)));
    JxlResizableParallelRunnerSetThreads(m_runner.get(),
                                         JxlResizableParallelRunnerSuggestThreads(m_info.xsize, m_info.ysize));
    return true;
}

QImage JxlHandler::decodeFrame()
{
    JxlDecoder *decoder = m_decoder.get();
    const bool grey = m_info.num_color_channels == 1;
    const bool alpha = m_info.alpha_bits > 0;
    QColorSpace space;
    QImage result;
    JxlPixelFormat format {};
    for (;;) {
        switch (nextEvent()) {
        case JXL_DEC_COLOR_ENCODING: {
            size_t iccSize = 0;
            if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &iccSize) == JXL_DEC_SUCCESS
                && iccSize > 0 && iccSize < 64 * 1024 * 1024) {
                QByteArray icc(qsizetype(iccSize), '\0');
                if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   reinterpret_cast<uint8_t *>(icc.data()), iccSize)
                    == JXL_DEC_SUCCESS) {
                    space = QColorSpace::fromIccProfile(icc);
                }
            }
            // Linear light needs more than 8 bits a sample not to band in the shadows.
            JxlColorEncoding encoding {};
            const bool linear = JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                                                   &encoding) == JXL_DEC_SUCCESS
                                && encoding.transfer_function == JXL_TRANSFER_FUNCTION_LINEAR;
            const bool deep = m_info.bits_per_sample > 8 || linear;
            QImage::Format imageFormat;
            if (grey && !alpha) {
                format.num_channels = 1;
                imageFormat = deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8;
            } else if (deep) {
                format.num_channels = 4;
                imageFormat = alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
            } else {
                format.num_channels = alpha || grey ? 4 : 3;
                imageFormat = format.num_channels == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
            }
            format.data_type = deep ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8;
            format.endianness = JXL_NATIVE_ENDIAN;
            format.align = 4; // QImage's lines are padded to four bytes
            if (!QImageIOHandler::allocateImage(size(), imageFormat, &result))
                return {};
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t needed = 0;
            if (result.isNull() || JxlDecoderImageOutBufferSize(decoder, &format, &needed) != JXL_DEC_SUCCESS
                || needed > size_t(result.sizeInBytes())
                || JxlDecoderSetImageOutBuffer(decoder, &format, result.bits(), size_t(result.sizeInBytes()))
                       != JXL_DEC_SUCCESS) {
                return {};
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            if (space.isValid())
                result.setColorSpace(space);
            return result;
        default: // an error, or the end of a file without a frame
            return {};
        }
    }
}

bool JxlHandler::read(QImage *image)
{
    if (!beginRead())
        return false;
    QImage result = decodeFrame();
    m_decoder.reset();
    m_input.clear();
    if (result.isNull())
        return false;
    *image = atTargetSize(std::move(result));
    return true;
}
