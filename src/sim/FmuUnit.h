#pragma once

#include "sim/FmuParams.h"
#include "sim/FmuPersonality.h"

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
//
// Options.personality makes it answer like ArduPilot or PX4 (FmuPersonality); requests it does not
// accept, or addressed to another component, are not answered. Options.components adds further
// components of the same system (a gimbal 154, a camera 100, ...) with heartbeats that name no
// autopilot and parameter lists of their own, which they send at once on a list request to them or
// to every component. Options.tunnel sends, before every 50th PARAM_VALUE, a frame of an id unknown
// to the common dialect carrying a complete phantom PARAM_VALUE (index 0, "PHANTOM_PARAM").
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
        FmuPersonality personality;
        int components = 0; // further components answering parameter lists (at most 4)
        bool tunnel = false;
    };
    // The compids of the further components, in order.
    static constexpr quint8 ComponentIds[] = {154, 100, 101, 102};
    // The frame id that carries phantom frames (not in the common dialect).
    static constexpr uint32_t TunnelMsgId = 3;

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

    // A record framed from the unit (or from component compid of its system), spending a sequence
    // number; empty when the drop knob drops a droppable frame.
    template <class Record> QByteArray pack(const Record &record, bool droppable = true, quint8 compid = 1)
    {
        uint8_t payload[Record::LEN] = {};
        record.encode(payload);
        return packPayload(Record::MSG_ID, payload, Record::LEN, droppable, compid);
    }
    // Writes framed bytes through the split knob (nothing for empty bytes). A frame written twice or
    // late keeps its sequence number, as on a real link.
    void write(const QByteArray &frame);
    // Sends a frame of an unknown id whose payload is inner (a phantom frame for the tunnel knob).
    void sendTunnelled(const QByteArray &inner);

    const QVector<FmuParam> &params() const { return m_params; }
    const Options &options() const { return m_options; }
    const MavlinkLinkCounters &counters() const { return m_parser.counters(); }

private:
    void received(const QByteArray &bytes);
    void dispatch(const mavlink_message_t &msg);
    void sendPayload(uint32_t msgid, const uint8_t *payload, int len, bool droppable);
    QByteArray packPayload(uint32_t msgid, const uint8_t *payload, int len, bool droppable, quint8 compid);
    void sendHeartbeat();
    void commandLong(const mavlink_message_t &msg);
    // Whether a request is for the autopilot: accepted by the personality and addressed to it.
    bool forAutopilot(const mavlink_message_t &msg) const;
    void componentsAnswerList(const mavlink_message_t &msg);

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
    // The further components: their parameters and their own transmit sequences.
    QVector<QVector<FmuParam>> m_componentParams;
    QVector<MavlinkTxChannel> m_componentTx;
    int m_paramsSent = 0; // for the tunnel knob
    std::mt19937 m_random;
    QHash<uint32_t, Handler> m_handlers;
    QTimer *m_heartbeatTimer;
    QTimer *m_streamTimer;
    int m_streamNext = -1; // next index of the list transfer in progress; -1 none
    int m_streamSent = 0;
    QElapsedTimer m_streamClock;
    quint32 m_splitCounter = 0;
};
