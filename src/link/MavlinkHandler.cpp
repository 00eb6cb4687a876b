#include "MavlinkHandler.h"

#include <QDebug>

MavlinkHandler::MavlinkHandler(int id, bool ownThread, QObject *parent)
    : IOHandler(id, ownThread, parent, DeferredStart())
{
    qDebug() << "mavlink creat";
    qRegisterMetaType<mavlink_log_data_t>("mavlink_log_data_t");
    qRegisterMetaType<mavlink_message_t>("mavlink_message_t");

    // Automatic connections to itself: a request emitted on another thread runs queued on the link's.
    connect(this, &MavlinkHandler::requestParamListSignal, this, &MavlinkHandler::requestParamList);
    connect(this, &MavlinkHandler::setParamValueSignal, this, &MavlinkHandler::setParamValue);
    connect(this, &MavlinkHandler::sendMavlinkMsgSignal, this, &MavlinkHandler::sendMavlinkMsg);
    connect(this, &IOHandler::recIoBuff, this,
            [this](const QByteArray &bytes, const QVariant &) { decodeMavlinkData(bytes); });
    // Last: the link's thread starts (and init() runs there) only now that the handler is whole.
    startLink();
}

MavlinkHandler::~MavlinkHandler() = default;

MavlinkLinkCounters MavlinkHandler::counters() const
{
    std::lock_guard<std::mutex> lock(m_countersMutex);
    return m_counters;
}

void MavlinkHandler::decodeMavlinkData(QByteArray data)
{
    m_engine.feed(data, [this](const mavlink_message_t &msg) { handleMessage(msg); });
    std::lock_guard<std::mutex> lock(m_countersMutex);
    m_counters = m_engine.counters();
}

void MavlinkHandler::handleMessage(const mavlink_message_t &msg)
{
    switch (msg.msgid) {
    case mavlink_param_value_t::MSG_ID: {
        const MavlinkLinkEngine::ParamValue p = MavlinkLinkEngine::decodeParamValue(msg);
        emit recParamInfo(p.value, p.count, p.index, p.name, p.type);
        break;
    }
    case mavlink_heartbeat_t::MSG_ID:
    case mavlink_param_set_t::MSG_ID:
    case mavlink_attitude_t::MSG_ID:
        // Decoded and discarded: the link does not supervise the unit's heartbeat.
        break;
    // The log service handles LOG_ENTRY (118), LOG_DATA (120) and LOG_ERASE (121) here.
    default:
        break;
    }
}

void MavlinkHandler::requestParamList()
{
    sendFrame(m_engine.paramRequestList());
}

void MavlinkHandler::setParamValue(QByteArray name, float value, ushort type)
{
    qDebug() << "set param value:" << name << value << type;
    sendFrame(m_engine.paramSet(name, value, quint8(type)));
}

void MavlinkHandler::sendMavlinkMsg(mavlink_message_t msg)
{
    sendFrame(MavlinkFrame::serialize(msg));
}

void MavlinkHandler::sendFrame(const QByteArray &frame)
{
    sendData(frame, QVariant(0));
}
