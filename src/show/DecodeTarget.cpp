#include "show/DecodeTarget.h"

#include <cmath>

namespace {

constexpr double TwipsPerPixel = 15.0;

} // namespace

DecodeTarget DecodeTarget::slide(PictureSizing sizing, const SlideFrame &frame, double devicePixelRatio)
{
    // At actual size every pixel is shown: nothing to gain from the window's size.
    if (sizing == PictureSizing::ActualSize)
        return fullSize();
    DecodeTarget target;
    target.kind = Kind::Slide;
    target.sizing = sizing;
    target.frame = frame;
    target.devicePixelRatio = devicePixelRatio;
    return target;
}

DecodeTarget DecodeTarget::box(const QSize &size)
{
    DecodeTarget target;
    target.kind = Kind::Box;
    target.boxSize = size;
    return target;
}

QSize DecodeTarget::sizeFor(const QSize &natural) const
{
    switch (kind) {
    case Kind::FullSize:
        return {};
    case Kind::Box:
        return boxSize;
    case Kind::Slide:
        break;
    }
    if (natural.isEmpty())
        return {};
    const PictureGeometry geometry = fnLayoutPicture(sizing, frame, qint32(natural.width() * TwipsPerPixel),
                                                     qint32(natural.height() * TwipsPerPixel));
    const auto devicePixels = [this](double twips) {
        return qMax(1, int(std::ceil(std::abs(twips) / TwipsPerPixel * devicePixelRatio)));
    };
    return {devicePixels(geometry.width), devicePixels(geometry.height)};
}

QSize DecodeTarget::effectiveSizeFor(const QSize &natural) const
{
    const QSize wanted = sizeFor(natural);
    if (!wanted.isValid())
        return natural;
    return wanted.expandedTo(QSize(1, 1)).boundedTo(natural);
}
