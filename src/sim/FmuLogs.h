#pragma once

#include "core/mavlink/MavlinkFrame.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <random>

class FmuUnit;
class QTimer;
class SimEndpoint;

// One log stored on the simulated unit; its bytes are LogPattern::byteAt(id, offset).
struct FmuLog
{
    quint16 id = 0;
    quint32 size = 0;
    quint32 timeUtc = 0;
};

// The log service of the simulated flight-control unit: LOG_REQUEST_LIST answers one LOG_ENTRY per
// log, LOG_REQUEST_DATA streams the requested range as LOG_DATA chunks of up to 90 bytes (a new
// request replaces the range still being sent; a request at or past the end of a log answers one
// empty chunk), LOG_ERASE removes every log, LOG_REQUEST_END stops the stream and prints "log
// request end" on stdout. Chunks go through the unit's drop knob and, when asked for, are
// duplicated, swapped with their successor, or held back and sent late, as whole frames with their
// original sequence numbers. With the unit's tunnel knob every 50th chunk is preceded by a phantom of
// it (other bytes) inside a frame of an unknown id.
class FmuLogService : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        double dupPercent = 0; // chunks sent twice
        bool reorder = false;  // about 5% of chunks swapped with the next one
        int lateMs = 0;        // > 0: about 2% of chunks held back this long
        quint32 seed = 1;
    };

    FmuLogService(FmuUnit *unit, SimEndpoint *endpoint, const QVector<FmuLog> &logs, const Options &options,
                  QObject *parent = nullptr);

    // The default set: a few logs of assorted sizes, one of them empty.
    static QVector<FmuLog> defaultLogs();
    // Parses "ID:SIZE[,ID:SIZE...]"; false with error set on a bad list (ids 0..65534, no repeats).
    static bool parseLogList(const QString &list, QVector<FmuLog> &out, QString &error);

private:
    void requestList(const mavlink_message_t &msg);
    void requestData(const mavlink_message_t &msg);
    void erase();
    void streamSome();
    void requestEnd();
    void sendChunk(quint16 id, quint32 ofs, quint32 count);
    QByteArray chunkFrame(quint16 id, quint32 ofs, quint32 count);
    void emitFrame(const QByteArray &frame);
    const FmuLog *find(quint16 id) const;

    FmuUnit *m_unit;
    SimEndpoint *m_endpoint;
    QVector<FmuLog> m_logs;
    Options m_options;
    std::mt19937 m_random;
    QTimer *m_streamTimer;
    // The range being streamed.
    quint16 m_id = 0;
    quint32 m_next = 0;
    quint32 m_end = 0;
    bool m_streaming = false;
    // A chunk held back to be sent after the next one (reordering).
    bool m_held = false;
    QByteArray m_heldFrame;
    int m_chunksSent = 0; // for the tunnel knob
};
