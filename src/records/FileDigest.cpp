#include "records/FileDigest.h"

#include <QCryptographicHash>
#include <QFile>

namespace FileDigest {

QString sha256(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace FileDigest
