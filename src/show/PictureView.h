#pragma once

#include "platform/PictureLoader.h"
#include "show/PictureLayout.h"

#include <QWidget>

// `Image1`: the picture of a slide window. It covers the window's client area, takes no mouse
// input of its own, and draws only the visible part of the picture at its laid-out (possibly
// zoomed) geometry, so a zoomed picture costs no memory.
class PictureView : public QWidget
{
    Q_OBJECT
public:
    explicit PictureView(PictureLoader &loader, QWidget *parent = nullptr);
    ~PictureView() override;

    void setPicture(const DecodedPicture &picture);
    const DecodedPicture &picture() const;
    void clearPicture();

    // Placement of the picture in the parent's client area, twips.
    void setPictureGeometry(const PictureGeometry &geometry);
    PictureGeometry pictureGeometry() const;
    // The picture's on-screen rectangle in logical pixels (may lie partly outside).
    QRectF pictureRect() const;

    // A sharper decode of the visible part is due or under way (see sharpened()).
    bool isSharpening() const;

Q_SIGNALS:
    // A sharper decode of the visible part of a picture drawn larger than it was decoded has
    // arrived and is drawn from now on.
    void sharpened();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A picture drawn larger than it was decoded gets the visible part decoded again, sharply,
    // in the background, once the geometry stays still.
    bool needsSharperPart() const;
    void scheduleSharpening();
    void requestSharperPart();
    void acceptSharperPart(quint64 ticket, const QRect &source, const QImage &part);
    void dropSharpPart();

    struct Private;
    Private *d;
};
