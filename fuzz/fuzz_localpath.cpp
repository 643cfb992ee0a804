// libFuzzer target for file-name bytes: any bytes read from a folder or a command line must
// decode to a text that encodes back to exactly those bytes, or the program would open, show
// or hand to the desktop another file than the one listed. The file: URL made for the desktop
// must carry the same bytes, and the text shown to people must hold no kept byte.

#include "platform/LocalPath.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what, const QByteArray &input, const QByteArray &got)
{
    std::fprintf(stderr, "fuzz_localpath: %s\n--- input (hex)\n%s\n--- got (hex)\n%s\n", what,
                 input.toHex(' ').constData(), got.toHex(' ').constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = LocalPath::decode(input);
    const QByteArray encoded = LocalPath::encode(text);
    if (encoded != input)
        fault("encode(decode(bytes)) differs from the bytes", input, encoded);
    if (LocalPath::decode(encoded) != text)
        fault("decoding is not the same twice", input, LocalPath::decode(encoded).toUtf8());
    // Valid UTF-8 is decoded as Qt decodes it: ordinary names are untouched.
    const QString qtText = QString::fromUtf8(input);
    if (qtText.toUtf8() == input && qtText != text)
        fault("valid UTF-8 decoded unlike Qt", input, text.toUtf8());

    const QString shown = LocalPath::displayText(text);
    for (const QChar c : shown) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            fault("a kept byte shows in the display text", input, shown.toUtf8());
    }

    // A path holds no NUL; every other byte travels in the URL.
    if (input.contains('\0'))
        return 0;
    const QByteArray path = "/" + input;
    const QUrl url = LocalPath::fileUrl(LocalPath::decode(path));
    if (!url.isValid() || !url.isLocalFile())
        fault("no valid file: URL", path, url.toEncoded());
    const QByteArray back = LocalPath::encode(LocalPath::fromFileUrl(QUrl::fromEncoded(url.toEncoded())));
    if (back != path)
        fault("the URL names another path", path, back);
    return 0;
}
