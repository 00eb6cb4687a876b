#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// One FlyLink frame: "K" "W", sender id, sequence, message id, payload length n, n payload bytes and
// the 8-bit sum of everything before it. A frame is n + 7 bytes long.
struct FlyFrame
{
    static constexpr quint8 Header0 = 0x4B; // "K"
    static constexpr quint8 Header1 = 0x57; // "W"
    static constexpr int Overhead = 7;
    static constexpr int MaxPayload = 255;
    static constexpr int MaxFrame = MaxPayload + Overhead;

    quint8 sender = 0;
    quint8 sequence = 0;
    quint8 id = 0;
    QByteArray payload;

    // The 8-bit sum (mod 256) of len bytes.
    static quint8 checksum(const char *data, int len);
    // The whole frame; an empty array when the payload is longer than 255 bytes.
    static QByteArray build(quint8 sender, quint8 sequence, quint8 id, const QByteArray &payload);
    QByteArray toBytes() const { return build(sender, sequence, id, payload); }
};

// The byte parser of FlyLink, one byte at a time, with the state table of the link:
//   0 wait for "K"; 1 expect "W" (anything else, even a second "K", goes back to 0 unexamined);
//   2 sender; 3 sequence; 4 message id; 5 length; 6 payload; 7 checksum, then check and back to 0.
// A frame whose checksum does not match is dropped silently (counted).
class FlyParser
{
public:
    // Feeds one byte; true when it completed a frame with a good checksum (then frame() holds it).
    bool push(quint8 c);
    // Feeds a block; returns the good frames it completed, in order.
    QList<FlyFrame> feed(const QByteArray &bytes);
    const FlyFrame &frame() const { return m_frame; }
    int state() const { return m_state; }
    void reset();

    quint32 framesOk() const { return m_framesOk; }
    quint32 checksumErrors() const { return m_checksumErrors; }

private:
    int m_state = 0;
    quint8 m_count = 0;
    quint8 m_length = 0;
    quint8 m_buffer[FlyFrame::MaxFrame] = {};
    FlyFrame m_frame;
    quint32 m_framesOk = 0;
    quint32 m_checksumErrors = 0;
};
