#pragma once

#include <QByteArray>

#include <QtGlobal>

// Gathers the bytes of one bootloader reply across reads. A USB serial bootloader often writes the data
// of a reply and its in-sync/status pair separately, so one reply may arrive in several reads; the
// collector is told which form of reply the current step awaits and says when a whole one is there.
class ReplyCollector
{
public:
    enum class Form {
        None,    // nothing awaited: bytes are dropped
        Sync,    // probe: the first 0x12 followed by 0x10, anything before it ignored
        Word,    // device value or CRC: a little-endian u32, then 12 10 (6 bytes)
        VecArea, // the vector area: 16 data bytes, then 12 10 (18 bytes)
        Status,  // erase, program chunk, boot: 12 and a status byte (2 bytes)
        Text,    // chip description: a little-endian u32 length L, L bytes of text, then 12 10
    };
    enum class Result {
        Incomplete, // keep gathering
        Complete,   // reply() holds one whole reply of the awaited form
        Rejected,   // the gathered bytes cannot be such a reply; they were dropped
    };

    // Awaits a reply of the given form; drops what was gathered.
    void expect(Form form);
    // Drops what was gathered; the awaited form stays.
    void clear() { m_bytes.clear(); }
    Form form() const { return m_form; }
    // Adds the bytes of one read and judges what is gathered.
    Result add(const QByteArray &bytes);
    // The whole reply after add() returned Complete (the Sync form gives 12 10).
    const QByteArray &reply() const { return m_reply; }
    int gathered() const { return m_bytes.size(); }

    // Length of a whole reply of the form (0 for None and Sync).
    static int replyLength(Form form);

private:
    Result judgeSync();
    Result judgeText();

    Form m_form = Form::None;
    QByteArray m_bytes;
    QByteArray m_reply;
};
