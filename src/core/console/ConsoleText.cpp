#include "core/console/ConsoleText.h"

#include <QRegularExpression>

namespace {
const QRegularExpression &escapeSequence()
{
    static const QRegularExpression re(QStringLiteral("\\x1B\\[[0-9;]*[A-Za-z]"));
    return re;
}

QByteArray upToNul(const QByteArray &bytes, bool *cut = nullptr)
{
    const int nul = bytes.indexOf('\0');
    if (cut)
        *cut = nul >= 0;
    return nul >= 0 ? bytes.left(nul) : bytes;
}

QString cleanText(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.remove(escapeSequence());
    return text;
}

// Length of an unfinished escape sequence at the end of bytes (ESC, or ESC '[' digits/';'), or 0.
int unfinishedEscapeTail(const QByteArray &bytes)
{
    const int esc = bytes.lastIndexOf('\x1b');
    if (esc < 0)
        return 0;
    for (int i = esc + 1; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (i == esc + 1 ? c != '[' : !((c >= '0' && c <= '9') || c == ';'))
            return 0;
    }
    return bytes.size() - esc;
}
} // namespace

QString ConsoleText::clean(const QByteArray &bytes)
{
    return cleanText(upToNul(bytes));
}

QString ConsoleText::toHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QByteArray ConsoleText::fromHex(const QString &text)
{
    return QByteArray::fromHex(text.toLatin1());
}

QByteArray ConsoleText::commandBytes(const QString &text, bool hexMode)
{
    QByteArray bytes = hexMode ? fromHex(text) : text.toUtf8();
    bytes.append('\r');
    return bytes;
}

QString ConsoleText::echoText(const QString &text, bool hexMode)
{
    return hexMode ? text : QString::fromUtf8(upToNul(text.toUtf8()));
}

QString ConsoleTextCleaner::feed(const QByteArray &bytes)
{
    bool cut = false;
    QByteArray data = m_held + upToNul(bytes, &cut);
    m_held.clear();
    // Bytes after a 0x00 are dropped, so what precedes it cannot continue in the next chunk.
    const int tail = cut ? 0 : unfinishedEscapeTail(data);
    if (tail > 0 && tail <= MaxHeld) {
        m_held = data.right(tail);
        data.chop(tail);
    }
    return cleanText(data);
}

QString ConsoleTextCleaner::flush()
{
    const QString text = cleanText(m_held);
    m_held.clear();
    return text;
}
