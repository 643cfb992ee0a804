#pragma once

#include <QImageIOPlugin>

// Reads HEIC, HEIF and AVIF pictures through libheif.
class HeifPlugin final : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "heif.json")

public:
    HeifPlugin();
    ~HeifPlugin() override;

    Capabilities capabilities(QIODevice *device, const QByteArray &format) const override;
    QImageIOHandler *create(QIODevice *device, const QByteArray &format = QByteArray()) const override;
};
