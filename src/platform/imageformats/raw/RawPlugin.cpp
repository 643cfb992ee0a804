#include "raw/RawPlugin.h"

#include "raw/RawHandler.h"

namespace {

// The names of raw.json: the file-name extensions of cameras' raw files.
bool isRawFormat(const QByteArray &format)
{
    static const QList<QByteArray> names = {"dng", "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2",
                                            "orf", "rw2", "raf", "pef", "srw", "x3f", "mrw", "3fr", "erf",
                                            "kdc", "k25", "dcr", "mos", "iiq", "rwl", "raw"};
    return names.contains(format);
}

} // namespace

QImageIOPlugin::Capabilities RawPlugin::capabilities(QIODevice *device, const QByteArray &format) const
{
    if (isRawFormat(format))
        return CanRead;
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return RawHandler::canRead(device) ? CanRead : Capabilities();
}

QImageIOHandler *RawPlugin::create(QIODevice *device, const QByteArray &format) const
{
    auto *handler = new RawHandler;
    handler->setDevice(device);
    handler->setFormat(format);
    return handler;
}
