#include "core/util/IniText.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

namespace {
bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// The line as QSettings would read its characters, for the search: escapes decoded, quotes and white
// space left out. Where this differs from QSettings (control-character escapes) it keeps more letters,
// never fewer.
QString decodedForSearch(const QByteArray &line)
{
    QString out;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"' || c == ' ' || c == '\t')
            continue;
        if (c != '\\' || i + 1 >= line.size()) {
            out += QChar(uchar(c));
            continue;
        }
        const char e = line.at(++i);
        if (e == 'x') {
            uint code = 0;
            while (i + 1 < line.size() && isHex(line.at(i + 1)))
                code = ((code << 4) | uint(hexValue(line.at(++i)))) & 0x1FFFFF;
            if (code < 0x10000)
                out += QChar(ushort(code));
        } else if (e >= '0' && e <= '7') {
            uint code = uint(e - '0');
            while (i + 1 < line.size() && line.at(i + 1) >= '0' && line.at(i + 1) <= '7')
                code = ((code << 3) | uint(line.at(++i) - '0')) & 0x1FFFFF;
            if (code < 0x10000)
                out += QChar(ushort(code));
        } else if (e == '\n' || e == '\r') {
            // A continuation: the line end (either pair of \r and \n) is not part of the text.
            if (i + 1 < line.size() && (line.at(i + 1) == '\n' || line.at(i + 1) == '\r') && line.at(i + 1) != e)
                ++i;
        } else {
            out += QChar(uchar(e));
        }
    }
    return out;
}
} // namespace

QByteArray IniText::withoutSerializedValues(const QByteArray &text, int *dropped)
{
    QByteArray out;
    out.reserve(text.size());
    int count = 0;
    int pos = 0;
    const int size = text.size();
    while (pos < size) {
        // One logical line: a backslash takes the next byte with it, a line end too (a continuation).
        int end = pos;
        while (end < size && text.at(end) != '\n' && text.at(end) != '\r') {
            if (text.at(end) == '\\' && end + 1 < size) {
                const char next = text.at(end + 1);
                end += 2;
                if (end < size && ((next == '\n' && text.at(end) == '\r') || (next == '\r' && text.at(end) == '\n')))
                    ++end;
                continue;
            }
            ++end;
        }
        int next = end;
        while (next < size && (text.at(next) == '\n' || text.at(next) == '\r'))
            ++next;
        const QString decoded = decodedForSearch(text.mid(pos, end - pos));
        if (decoded.contains(QLatin1String("Variant(")) || decoded.contains(QLatin1String("DateTime(")))
            ++count;
        else
            out += text.mid(pos, next - pos);
        pos = next;
    }
    if (dropped)
        *dropped = count;
    return out;
}

bool IniText::sanitizeFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    file.close();
    int dropped = 0;
    const QByteArray clean = withoutSerializedValues(text, &dropped);
    if (dropped == 0)
        return true;
    const QString kept = path + QStringLiteral(".damaged");
    QFile::remove(kept);
    QSaveFile out(path);
    if (!QFile::copy(path, kept) || !out.open(QIODevice::WriteOnly) || out.write(clean) != clean.size() ||
        !out.commit()) {
        qDebug().noquote() << "ini:" << path << "holds serialized values and cannot be rewritten";
        return false;
    }
    qDebug().noquote() << "ini: took" << dropped << "serialized value line(s) out of" << path
                       << "; the file as it was is" << kept;
    return true;
}
