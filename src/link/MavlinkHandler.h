#pragma once

#include "IOHandler.h"

#include "mavlink/MavlinkLinkEngine.h"

#include <QByteArray>
#include <QString>

#include <mutex>

// The maintenance side's MAVLink link (link id 6, shared by the Param and Log pages): an IOHandler
// whose received bytes are parsed as MAVLink (channel 0) and dispatched by message id, with the
// parameter service (PARAM_REQUEST_LIST, PARAM_SET; every PARAM_VALUE forwarded as recParamInfo).
// Framing and decoding are done by a MavlinkLinkEngine owned by the link and used on its thread only.
//
// Callers on other threads emit the request signals (requestParamListSignal, setParamValueSignal,
// sendMavlinkMsgSignal, and the log requests) and receive recParamInfo and the log signals queued.
class MavlinkHandler : public IOHandler
{
    Q_OBJECT
public:
    MavlinkHandler(int id, bool ownThread, QObject *parent = nullptr);
    ~MavlinkHandler() override;

    // A consistent copy of the receive counters (frames ok, checksum errors, sequence gaps); any thread.
    MavlinkLinkCounters counters() const;

signals:
    // Log service requests and results.
    void log_list_start_signal();
    void recLogInfo(ushort id, uint size, uint timeUtc, ushort nums);
    void recLogData(mavlink_log_data_t data);
    void clearLogSignal();
    void logDownloadProgress(int id, uint currentSize, uint totalSize);
    // Request: read the whole parameter list.
    void requestParamListSignal();
    // Request: write one parameter; name is the parameter id's bytes (at most 16 are sent).
    void setParamValueSignal(QByteArray name, float value, ushort type);
    // A PARAM_VALUE arrived.
    void recParamInfo(float value, ushort count, ushort index, QString name, uchar type);
    // Request: send a prepared (finalised) message.
    void sendMavlinkMsgSignal(mavlink_message_t msg);

public slots:
    // Parses received bytes and dispatches every complete frame.
    void decodeMavlinkData(QByteArray data);
    // The log service's slots (list, download queue, window requests, erase, timer) go here, between
    // decodeMavlinkData and requestParamList.

    // Sends PARAM_REQUEST_LIST.
    void requestParamList();
    // Sends PARAM_SET for name (its bytes, at most 16; the rest of the id zero).
    void setParamValue(QByteArray name, float value, ushort type);
    // Serialises msg and sends it on the link's own device.
    void sendMavlinkMsg(mavlink_message_t msg);

protected:
    // Dispatch of one parsed frame by message id; runs on the link's thread.
    virtual void handleMessage(const mavlink_message_t &msg);
    // Sends already framed bytes on the link's own device, on the link's thread.
    void sendFrame(const QByteArray &frame);

    MavlinkLinkEngine m_engine;

private:
    mutable std::mutex m_countersMutex; // a standard mutex, so ThreadSanitizer sees the ordering
    MavlinkLinkCounters m_counters;     // copy of the engine's counters, published after every chunk
};
