#include "heif/HeifPlugin.h"

#include "heif/HeifHandler.h"

#include <libheif/heif.h>

HeifPlugin::HeifPlugin()
{
    // Registers the library's decoders; paired with the release below.
    heif_init(nullptr);
}

HeifPlugin::~HeifPlugin()
{
    heif_deinit();
}

QImageIOPlugin::Capabilities HeifPlugin::capabilities(QIODevice *device, const QByteArray &format) const
{
    if (format == "heic" || format == "heif" || format == "avif")
        return CanRead;
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return HeifHandler::canRead(device) ? CanRead : Capabilities();
}

QImageIOHandler *HeifPlugin::create(QIODevice *device, const QByteArray &format) const
{
    auto *handler = new HeifHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
}
