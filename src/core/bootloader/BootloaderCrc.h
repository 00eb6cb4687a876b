#pragma once

#include <QByteArray>

#include <QtGlobal>

// The image checksum of the serial bootloader: reflected CRC-32 (polynomial 0xEDB88320), start value 0,
// no final inversion.
namespace BootloaderCrc {
// The 256-entry table, computed once per process.
const quint32 *table();
// One byte into the running value: crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8).
inline quint32 update(quint32 crc, quint8 byte)
{
    return table()[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}
quint32 update(quint32 crc, const char *data, int size);
// CRC of the first imageLength bytes of image taken in 4-byte words: the covered length is rounded up
// to a multiple of 4 and bytes beyond the end of the image count as 0xFF.
quint32 imageCrc(const QByteArray &image, int imageLength);
// CRC of a whole flash area of areaLength bytes that holds the image from its start and is erased
// (0xFF) beyond it: what a bootloader reports when it checks its whole flash rather than the image.
quint32 flashAreaCrc(const QByteArray &image, int imageLength, quint32 areaLength);
} // namespace BootloaderCrc
