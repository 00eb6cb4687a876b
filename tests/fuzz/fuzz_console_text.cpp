// Console text cleaning over arbitrary bytes cut into arbitrary chunks: the first byte sets the chunk
// length, the rest is what the unit sends. Text never grows, never holds a NUL, and the part held back
// for a split escape sequence stays bounded.
#include "core/console/ConsoleText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int step = 1 + data[0] % 64;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));

    const QString whole = ConsoleText::clean(bytes);
    if (whole.size() > bytes.size() || whole.contains(QChar(0)))
        std::abort();

    ConsoleTextCleaner cleaner;
    int shown = 0;
    for (int i = 0; i < bytes.size(); i += step) {
        const QByteArray chunk = bytes.mid(i, step);
        const QString text = cleaner.feed(chunk);
        if (text.contains(QChar(0)))
            std::abort();
        shown += text.size();
    }
    const QString rest = cleaner.flush();
    if (rest.size() > ConsoleTextCleaner::MaxHeld || shown + rest.size() > bytes.size())
        std::abort();

    const QByteArray hex = ConsoleText::toHex(bytes).toLatin1();
    if (ConsoleText::fromHex(QString::fromLatin1(hex)) != bytes)
        std::abort();
    return 0;
}
