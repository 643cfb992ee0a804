#pragma once

#include <QImageIOHandler>
#include <QSize>

// The common part of the readers here: each reads one picture, knows its upright size from the
// file's header before decoding anything, refuses a size beyond the decoding budget, and gives
// the picture at a reduced size when asked.
class SizedImageHandler : public QImageIOHandler
{
public:
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;
    void setOption(ImageOption option, const QVariant &value) override;

protected:
    // Reads the header, once, on the first need; false when there is no picture to read.
    bool header() const;
    // Whether there is still a picture to read: its header has not failed, it was not read yet.
    bool unread() const;
    // Starts the one read: true when the header was read and its size is within the budget.
    bool beginRead();

    void setSize(QSize size) { m_size = size; }
    QSize size() const { return m_size; }
    // The size read() gives: the scaled size asked for, else the picture's.
    QSize targetSize() const;
    // `image` at the target size, scaled once and smoothly where needed, its colour space kept.
    QImage atTargetSize(QImage image) const;

private:
    // Reads the header and sets the upright size; false when there is no picture to read.
    virtual bool readHeader() = 0;

    enum class State { Unread, Header, Failed, Done };
    mutable State m_state = State::Unread;
    QSize m_size;
    QSize m_scaledSize;
};
