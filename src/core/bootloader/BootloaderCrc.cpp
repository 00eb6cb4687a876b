#include "core/bootloader/BootloaderCrc.h"

namespace {
struct CrcTable
{
    quint32 entries[256];
    CrcTable()
    {
        for (quint32 i = 0; i < 256; ++i) {
            quint32 value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : (value >> 1);
            entries[i] = value;
        }
    }
};
} // namespace

const quint32 *BootloaderCrc::table()
{
    static const CrcTable crcTable; // thread-safe one-time construction
    return crcTable.entries;
}

quint32 BootloaderCrc::update(quint32 crc, const char *data, int size)
{
    for (int i = 0; i < size; ++i)
        crc = update(crc, static_cast<quint8>(data[i]));
    return crc;
}

quint32 BootloaderCrc::imageCrc(const QByteArray &image, int imageLength)
{
    quint32 crc = 0;
    for (int word = 0; word < imageLength; word += 4) {
        for (int i = word; i < word + 4; ++i)
            crc = update(crc, (i < imageLength && i < image.size()) ? static_cast<quint8>(image[i]) : quint8(0xFF));
    }
    return crc;
}

quint32 BootloaderCrc::flashAreaCrc(const QByteArray &image, int imageLength, quint32 areaLength)
{
    const quint32 covered = quint32(qBound<qint64>(0, qMin(imageLength, int(image.size())), qint64(areaLength)));
    quint32 crc = update(0, image.constData(), int(covered));
    for (quint32 i = covered; i < areaLength; ++i)
        crc = update(crc, quint8(0xFF));
    return crc;
}
