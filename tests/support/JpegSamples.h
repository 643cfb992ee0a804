#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// JPEG files made on the spot with what Qt's writer cannot choose: the sampling, progressive
// scans, CMYK with or without Adobe's marker, a colour profile; and scan bombs.
class JpegSamples
{
public:
    enum class Colour { YCbCr420, YCbCr444, Grey, AdobeCmyk, AdobeYcck, PlainCmyk };

    struct Options
    {
        Colour colour = Colour::YCbCr420;
        bool progressive = false; // libjpeg's own progressive script
        int quality = 90;
        QByteArray iccProfile;
    };

    static QByteArray encode(const QImage &image, const Options &options);
    static QByteArray encode(const QImage &image, Colour colour, bool progressive = false)
    {
        return encode(image, Options{colour, progressive, 90, {}});
    }

    // The CMYK inks (0 none, 255 full) that print `rgb` as a CMYK decoder should show it.
    static void inksOf(QRgb rgb, unsigned char ink[4]);

    // A progressive picture of `size` with `components` components (no subsampling) and
    // `scans` scans, built marker by marker in no time: one DC scan of all components, then
    // AC scans of nothing but end-of-band runs, each a pass over the whole picture for the
    // decoder. Decoded, it is mid-grey all over.
    static QByteArray progressiveScans(QSize size, int components, int scans);
};
