#pragma once

#include <QString>

class BootloaderRun;

// What zorvan-cli flash prints for its units. Text: every report line on stdout as the upgrade window's
// log shows it ("[time]:text"; "[time]: [PORT] text" when several units run), progress on stderr.
// Json: one JSON object per line on stdout for line controllers (port, serial, state, percent, bytes,
// result, message), the log lines on stderr.
class FlashOutput
{
public:
    enum Format { Text, Json };

    explicit FlashOutput(Format format) : m_format(format) {}
    Format format() const { return m_format; }
    // Each line names its unit's port (several units at once).
    void setPortPrefix(bool on) { m_portPrefix = on; }

    void report(const BootloaderRun &unit, const QString &text);
    void progress(const BootloaderRun &unit, int percent);
    void stateChanged(const BootloaderRun &unit);
    void ended(const BootloaderRun &unit);
    // One summary line per unit that was flashed: port, serial, result, time.
    void summary(const QString &port, const QString &serial, const QString &result, const QString &message,
                 double seconds);

private:
    void json(const BootloaderRun &unit, const QString &message, bool withResult);
    QString prefixed(const BootloaderRun &unit, const QString &text) const;

    Format m_format;
    bool m_portPrefix = false;
};
