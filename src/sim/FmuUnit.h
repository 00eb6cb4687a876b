#pragma once

#include "sim/FmuParams.h"

#include "core/mavlink/MavlinkFrame.h"
#include "core/mavlink/MavlinkMessages.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QVector>

#include <functional>
#include <random>

class QTimer;
class SimEndpoint;

// The simulated flight-control unit: MAVLink 2 on a SimEndpoint, system 1 component 1, a HEARTBEAT
// every second and the parameter service (PARAM_REQUEST_LIST streams every PARAM_VALUE,
// PARAM_REQUEST_READ answers one, PARAM_SET stores and echoes). Every received frame is dispatched by
// message id to the handler registered for it, so further services (the log service) plug in with
// handle() and answer with send().
class FmuUnit : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        double dropPercent = 0; // replies dropped at random (seeded), heartbeats excepted
        quint32 seed = 1;
        bool v1 = false;    // answer in MAVLink 1 frames
        bool split = false; // every frame goes out in two writes/datagrams
        double rateHz = 0;  // PARAM_VALUE pacing of a list transfer; 0 = unpaced (see streamSome)
    };

    FmuUnit(SimEndpoint *endpoint, const QVector<FmuParam> &params, const Options &options, QObject *parent = nullptr);

    using Handler = std::function<void(const mavlink_message_t &)>;
    // Registers the handler of a message id (replacing an earlier one).
    void handle(uint32_t msgid, const Handler &handler) { m_handlers.insert(msgid, handler); }

    // Frames a record and sends it through the fault knobs; a droppable reply may be dropped.
    template <class Record> void send(const Record &record, bool droppable = true)
    {
        uint8_t payload[Record::LEN] = {};
        record.encode(payload);
        sendPayload(Record::MSG_ID, payload, Record::LEN, droppable);
    }

    const QVector<FmuParam> &params() const { return m_params; }
    const MavlinkLinkCounters &counters() const { return m_parser.counters(); }

private:
    void received(const QByteArray &bytes);
    void dispatch(const mavlink_message_t &msg);
    void sendPayload(uint32_t msgid, const uint8_t *payload, int len, bool droppable);
    void sendHeartbeat();

    // Parameter service.
    void paramRequestList(const mavlink_message_t &msg);
    void paramRequestRead(const mavlink_message_t &msg);
    void paramSet(const mavlink_message_t &msg);
    void sendParam(int index);
    void streamSome();
    int indexOf(const QString &name) const;

    SimEndpoint *m_endpoint;
    QVector<FmuParam> m_params;
    Options m_options;
    MavlinkParser m_parser;
    MavlinkTxChannel m_tx;
    std::mt19937 m_random;
    QHash<uint32_t, Handler> m_handlers;
    QTimer *m_heartbeatTimer;
    QTimer *m_streamTimer;
    int m_streamNext = -1; // next index of the list transfer in progress; -1 none
    int m_streamSent = 0;
    QElapsedTimer m_streamClock;
    quint32 m_splitCounter = 0;
};
