#include "core/kvf/KvfContainer.h"

#include <QCryptographicHash>

bool Kvf::build(const QByteArray &nameUtf8, quint16 boardId, const QByteArray &image, QByteArray &out)
{
    if (nameUtf8.size() > NameSize)
        return false;
    QByteArray c;
    c.reserve(HeaderSize + image.size());
    c.append(nameUtf8);
    c.append(NameSize - nameUtf8.size(), '\0');
    c.append(char(boardId & 0xFF));
    c.append(char(boardId >> 8));
    const quint32 size = quint32(image.size());
    for (int i = 0; i < 4; ++i)
        c.append(char((size >> (8 * i)) & 0xFF));
    c.append(QCryptographicHash::hash(image, QCryptographicHash::Md5));
    c.append(HeaderSize - c.size(), char(0xFF));
    c.append(image);
    out = c;
    return true;
}

Kvf::Contents Kvf::read(const QByteArray &file)
{
    Contents k;
    k.fileSize = file.size();
    if (file.size() < HeaderSize)
        return k;
    const auto *u = reinterpret_cast<const quint8 *>(file.constData());
    k.boardId = quint16(u[BoardIdOffset] | (u[BoardIdOffset + 1] << 8));
    k.imageSize = quint32(u[ImageSizeOffset]) | (quint32(u[ImageSizeOffset + 1]) << 8) |
                  (quint32(u[ImageSizeOffset + 2]) << 16) | (quint32(u[ImageSizeOffset + 3]) << 24);
    const QByteArray nameField = file.left(NameSize);
    const int end = nameField.indexOf('\0');
    k.boardName = QString::fromUtf8(end < 0 ? nameField : nameField.left(end));
    if (quint64(file.size() - HeaderSize) != quint64(k.imageSize))
        return k;
    k.image = file.mid(HeaderSize);
    k.storedDigest = file.mid(DigestOffset, DigestSize);
    k.computedDigest = QCryptographicHash::hash(k.image, QCryptographicHash::Md5);
    k.status = k.computedDigest == k.storedDigest ? Contents::Valid : Contents::DigestMismatch;
    return k;
}
