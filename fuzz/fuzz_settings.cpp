// libFuzzer target for the settings file: every input is read as a settings file. Whatever does
// not parse must fail cleanly and say where; whatever parses must survive being written and read
// back with the same keys, value names, types and bytes, and the document must find each of its
// own keys and values again by name. A settings file the program cannot read back after writing
// it would lose the user's settings at the next start.

#include "settings/RegistryDocument.h"
#include "settings/RegistryText.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QByteArray describe(const RegistryDocument &document)
{
    QByteArray out;
    for (const RegistryDocument::Key &key : document.keys()) {
        out += "  [" + key.path.toUtf8() + "]\n";
        for (const RegistryDocument::Value &value : key.values) {
            out += "    \"" + value.name.toUtf8() + "\" type " + QByteArray::number(value.type) + ": "
                   + value.data.toHex(' ') + '\n';
        }
    }
    return out;
}

[[noreturn]] void fault(const char *what, const QByteArray &input, const QByteArray &written,
                        const QByteArray &details)
{
    std::fprintf(stderr, "fuzz_settings: %s\n--- input (hex)\n%s\n--- written\n%s--- details\n%s\n", what,
                 input.toHex(' ').constData(), written.constData(), details.constData());
    std::abort();
}

void requireLookups(const RegistryDocument &document, const QByteArray &input, const QByteArray &written)
{
    for (const RegistryDocument::Key &key : document.keys()) {
        if (!document.keyExists(key.path))
            fault("a key of the document does not exist", input, written, key.path.toUtf8());
        for (const RegistryDocument::Value &value : key.values) {
            const RegistryDocument::Value *found = document.value(key.path, value.name);
            if (!found || !(*found == value))
                fault("a value of the document is not found by its name", input, written,
                      key.path.toUtf8() + " / " + value.name.toUtf8());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    QString failure;
    const std::optional<RegistryDocument> document = RegistryText::parse(input, &failure);
    if (!document) {
        if (failure.isEmpty())
            fault("a file was refused without saying why", input, QByteArray(), QByteArray());
        return 0;
    }
    requireLookups(*document, input, QByteArray());

    const QByteArray written = RegistryText::write(*document);
    QString rereadFailure;
    const std::optional<RegistryDocument> reread = RegistryText::parse(written, &rereadFailure);
    if (!reread)
        fault("the written file does not parse", input, written, rereadFailure.toUtf8());
    if (!(*reread == *document))
        fault("the written file reads back differently", input, written,
              "parsed:\n" + describe(*document) + "read back:\n" + describe(*reread));
    if (RegistryText::write(*reread) != written)
        fault("writing the read-back document gives other text", input, written, RegistryText::write(*reread));
    return 0;
}
