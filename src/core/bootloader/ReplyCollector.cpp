#include "core/bootloader/ReplyCollector.h"

#include "core/bootloader/BootloaderProtocol.h"

namespace BP = BootloaderProtocol;

int ReplyCollector::replyLength(Form form)
{
    switch (form) {
    case Form::Word:
        return 6;
    case Form::VecArea:
        return BP::VecAreaSize + 2;
    case Form::Status:
        return 2;
    default:
        return 0;
    }
}

void ReplyCollector::expect(Form form)
{
    m_form = form;
    m_bytes.clear();
    m_reply.clear();
}

ReplyCollector::Result ReplyCollector::add(const QByteArray &bytes)
{
    if (m_form == Form::None) {
        m_bytes.clear();
        return Result::Rejected;
    }
    m_bytes.append(bytes);
    if (m_form == Form::Sync)
        return judgeSync();
    if (m_form == Form::Text)
        return judgeText();
    const int length = replyLength(m_form);
    if (m_form == Form::Status && !m_bytes.isEmpty() && quint8(m_bytes[0]) != BP::InSync) {
        m_bytes.clear(); // a status reply starts with the in-sync byte
        return Result::Rejected;
    }
    if (m_bytes.size() < length)
        return Result::Incomplete;
    // More bytes than one reply of this step: not an answer to the one request outstanding.
    const bool whole = m_bytes.size() == length;
    const bool endsOk = quint8(m_bytes[length - 2]) == BP::InSync &&
                        (m_form == Form::Status || quint8(m_bytes[length - 1]) == BP::StatusOk);
    if (!whole || !endsOk) {
        m_bytes.clear();
        return Result::Rejected;
    }
    m_reply = m_bytes;
    m_bytes.clear();
    return Result::Complete;
}

ReplyCollector::Result ReplyCollector::judgeSync()
{
    // Only the first 0x12 counts; what comes before it is line noise.
    const int sync = m_bytes.indexOf(char(BP::InSync));
    if (sync < 0) {
        m_bytes.clear();
        return Result::Incomplete;
    }
    if (sync + 1 >= m_bytes.size()) {
        m_bytes = m_bytes.mid(sync);
        return Result::Incomplete;
    }
    const bool ok = quint8(m_bytes[sync + 1]) == BP::StatusOk;
    m_bytes.clear();
    if (!ok)
        return Result::Rejected;
    m_reply = BP::replyEnd();
    return Result::Complete;
}

ReplyCollector::Result ReplyCollector::judgeText()
{
    if (m_bytes.size() < 4)
        return Result::Incomplete;
    const quint32 textLength = BP::readU32LE(m_bytes.constData());
    if (textLength > quint32(BP::MaxChipDesLength)) {
        m_bytes.clear();
        return Result::Rejected;
    }
    const int length = 4 + int(textLength) + 2;
    if (m_bytes.size() < length)
        return Result::Incomplete;
    const bool ok = m_bytes.size() == length && quint8(m_bytes[length - 2]) == BP::InSync &&
                    quint8(m_bytes[length - 1]) == BP::StatusOk;
    if (!ok) {
        m_bytes.clear();
        return Result::Rejected;
    }
    m_reply = m_bytes;
    m_bytes.clear();
    return Result::Complete;
}
