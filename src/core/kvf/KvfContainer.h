#pragma once

#include <QByteArray>
#include <QString>

#include <QtGlobal>

// KVF firmware container: a 256-byte header followed by the raw image.
//   0   128  board name, UTF-8, padded with 0x00 (a 128-byte name has no terminator)
//   128 2    board id, u16 little-endian
//   130 4    image size N, u32 little-endian
//   134 16   MD5 of the N image bytes
//   150 106  0xFF filler
//   256 N    the image
// A valid file is exactly 256 + N bytes long.
namespace Kvf {
constexpr int HeaderSize = 256;
// The largest file taken for a container: well above any unit's flash, far below what would hurt to read.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
constexpr int NameSize = 128;
constexpr int BoardIdOffset = 128;
constexpr int ImageSizeOffset = 130;
constexpr int DigestOffset = 134;
constexpr int DigestSize = 16;

// Builds a container. False (and out untouched) when the UTF-8 name is longer than 128 bytes.
bool build(const QByteArray &nameUtf8, quint16 boardId, const QByteArray &image, QByteArray &out);

struct Contents
{
    enum Status { Valid, SizeError, DigestMismatch } status = SizeError;
    QString boardName; // name field up to its first 0x00
    quint16 boardId = 0;
    quint32 imageSize = 0; // N from the header
    qint64 fileSize = 0;
    QByteArray image; // the last N bytes (set for Valid and DigestMismatch)
    QByteArray storedDigest;
    QByteArray computedDigest;

    bool isValid() const { return status == Valid; }
};

// Reads a container from the whole file's bytes.
Contents read(const QByteArray &file);
} // namespace Kvf
