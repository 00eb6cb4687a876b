#pragma once

#include <QByteArray>
#include <QString>

// What the unit's text console looks like on screen and on the wire, shared by the Shell tab and
// `zorvan-cli console`.
namespace ConsoleText {
// A received chunk as text mode shows it: the bytes up to the first 0x00, decoded as Latin-1, with
// every ANSI escape sequence (ESC '[' digits/';' letter) removed.
QString clean(const QByteArray &bytes);
// Lower-case hexadecimal without separators ("41420d").
QString toHex(const QByteArray &bytes);
// The bytes of a typed hex text; characters that are not hex digits are skipped (pairs are taken
// from the end, so an odd digit count gives a leading single-digit byte).
QByteArray fromHex(const QString &text);
// What a typed command sends: its UTF-8 text (hexMode: the bytes of its hex text) and a carriage return.
QByteArray commandBytes(const QString &text, bool hexMode);
// How a sent command is echoed after "Send: ": the text up to the first 0x00, or the typed hex text.
QString echoText(const QString &text, bool hexMode);
} // namespace ConsoleText

// Text-mode cleaning over a stream of chunks. A serial port hands over bytes in arbitrary pieces, so an
// escape sequence may arrive split in two; its beginning is held back until the rest arrives and the
// whole sequence is removed. A held beginning longer than MaxHeld bytes is given up and shown as is.
class ConsoleTextCleaner
{
public:
    static constexpr int MaxHeld = 32;

    // The text of one chunk (see ConsoleText::clean), minus a trailing unfinished escape sequence.
    QString feed(const QByteArray &bytes);
    // Whatever is held back, cleaned, and forgets it.
    QString flush();

private:
    QByteArray m_held;
};
