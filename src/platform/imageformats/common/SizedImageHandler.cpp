#include "common/SizedImageHandler.h"

#include "platform/DecodeBudget.h"

#include <QColorSpace>
#include <QImage>
#include <QVariant>

bool SizedImageHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize;
}

QVariant SizedImageHandler::option(ImageOption option) const
{
    if (option == Size && header())
        return m_size;
    if (option == ScaledSize)
        return m_scaledSize;
    return {};
}

void SizedImageHandler::setOption(ImageOption option, const QVariant &value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
}

bool SizedImageHandler::header() const
{
    if (m_state == State::Unread) {
        // Reading the header only fills in what the file says; it changes nothing a caller sees.
        const bool read = const_cast<SizedImageHandler *>(this)->readHeader() && !m_size.isEmpty();
        m_state = read ? State::Header : State::Failed;
    }
    return m_state == State::Header || m_state == State::Done;
}

bool SizedImageHandler::unread() const
{
    return m_state == State::Unread || m_state == State::Header;
}

bool SizedImageHandler::beginRead()
{
    if (!unread() || !header())
        return false;
    m_state = State::Done;
    return !DecodeBudget::exceeds(m_size);
}

QSize SizedImageHandler::targetSize() const
{
    return m_scaledSize.isValid() && !m_scaledSize.isEmpty() ? m_scaledSize : m_size;
}

QImage SizedImageHandler::atTargetSize(QImage image) const
{
    const QSize target = targetSize();
    if (image.isNull() || image.size() == target)
        return image;
    // A caller may ask for any size; one beyond the budget is refused like a picture that large.
    if (DecodeBudget::exceeds(target))
        return {};
    const QColorSpace space = image.colorSpace();
    image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setColorSpace(space);
    return image;
}
