#pragma once

#include <QString>

#include <QtGlobal>

// Helpers for tests that need real serial and UDP endpoints.
namespace TestPorts {
// A loopback UDP port that was free a moment ago (bound and released), so parallel tests do not clash.
quint16 freeUdpPort();
} // namespace TestPorts

// A pseudo-terminal pair: the slave path is what the code under test opens; the test reads and
// writes the master side. Raw mode, non-blocking master.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes all of data to the master side.
    bool write(const QByteArray &data);
    // Reads from the master side until at least minBytes arrived or timeoutMs passed.
    QByteArray read(int minBytes, int timeoutMs);
    // Closes the master side (the other end "goes away"); also closes the held slave descriptor.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1; // held open so the pseudo-terminal survives the code under test closing it
    QString m_slavePath;
};
