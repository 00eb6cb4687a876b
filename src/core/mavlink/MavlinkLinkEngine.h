#pragma once

#include "core/mavlink/MavlinkFrame.h"
#include "core/mavlink/MavlinkMessages.h"

#include <QByteArray>
#include <QString>

// The sans-IO half of the program's MAVLink link: the channel states, the frames the program sends
// and the decoding of the messages it handles. MavlinkHandler owns one and feeds it the received
// bytes; it is used on one thread only.
//
// Channel 0 parses every received byte and numbers every sent frame except LOG_REQUEST_DATA, which
// carries the sequence of channel 1. Sent frames come from system 0, component 0, with every
// target field 0.
class MavlinkLinkEngine
{
public:
    enum Channel { MainChannel = 0, LogDataChannel = 1, ChannelCount = 2 };

    // A received PARAM_VALUE as the pages see it.
    struct ParamValue
    {
        float value = 0;
        quint16 count = 0;
        quint16 index = 0;
        QString name;
        quint8 type = 0;
    };

    // Parses received bytes on channel 0; onFrame runs for every complete frame, in order.
    void feed(const QByteArray &bytes, const MavlinkParser::Sink &onFrame) { m_parser.feed(bytes, onFrame); }

    QByteArray paramRequestList();
    // name: the parameter id's bytes, at most 16 used; type: the MAV_PARAM_TYPE code.
    QByteArray paramSet(const QByteArray &name, float value, quint8 type);
    QByteArray logRequestList(quint16 start = 0, quint16 end = 0xFFFF);
    QByteArray logRequestData(quint32 ofs, quint32 count, quint16 id);
    QByteArray logErase();

    // Finalises a record on a channel and returns the frame's bytes.
    template <class Record> QByteArray frame(const Record &record, Channel channel = MainChannel)
    {
        return MavlinkMessages::frame(record, m_tx[channel]);
    }

    static ParamValue decodeParamValue(const mavlink_message_t &msg);

    MavlinkTxChannel &txChannel(Channel channel) { return m_tx[channel]; }
    const MavlinkLinkCounters &counters() const { return m_parser.counters(); }

private:
    MavlinkParser m_parser; // channel 0
    MavlinkTxChannel m_tx[ChannelCount];
};
