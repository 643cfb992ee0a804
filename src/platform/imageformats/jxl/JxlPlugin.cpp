#include "jxl/JxlPlugin.h"

#include "jxl/JxlHandler.h"

QImageIOPlugin::Capabilities JxlPlugin::capabilities(QIODevice *device, const QByteArray &format) const
{
    if (format == "jxl")
        return CanRead;
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return JxlHandler::canRead(device) ? CanRead : Capabilities();
}

QImageIOHandler *JxlPlugin::create(QIODevice *device, const QByteArray &format) const
{
    auto *handler = new JxlHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
}
