#include "link/BootloaderRun.h"

#include "link/BootloaderPort.h"

#include <QFileInfo>
#include <QTextStream>

namespace {
QTextStream &err()
{
    static QTextStream stream(stderr);
    stream.flush();
    return stream;
}
} // namespace

BootloaderRun::BootloaderRun(const QString &port, QObject *parent) : QObject(parent), m_engine(*this)
{
    BootloaderPort::configure(m_port);
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &BootloaderRun::tick);
    connect(&m_port, &QSerialPort::readyRead, this, &BootloaderRun::readReplies);
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (BootloaderPort::isPortLost(e))
            m_engine.portError();
    });
    if (port.isEmpty()) {
        m_engine.setScanMode(0);
    } else {
        const QFileInfo info(port);
        const QString device =
            info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : port;
        if (device != port)
            m_label = port;
        m_engine.setScanMode(1);
        m_engine.setInitialPortName(device);
        m_portBox = device;
        m_port.setPortName(device);
    }
}

BootloaderRun::~BootloaderRun()
{
    BootloaderPort::close(m_port);
}

bool BootloaderRun::load(const QString &path, bool opened, const QByteArray &content)
{
    return m_engine.loadFirmware(path, opened, content);
}

void BootloaderRun::setKeywords(const QStringList &include, const QStringList &exclude)
{
    m_engine.setKeywords(include, exclude);
}

bool BootloaderRun::start()
{
    // The first tick arms, then the start button is pressed as a user would.
    tick();
    if (m_engine.state() != UpgradeEngine::StateReady)
        return false;
    m_clock.start();
    m_engine.startButton();
    m_timer.start();
    tick();
    return true;
}

void BootloaderRun::abort(const QString &result, const QString &message)
{
    if (m_finished)
        return;
    m_engine.setUpgradeState(UpgradeEngine::StateWaitStart);
    finish(false, result, message);
}

void BootloaderRun::finish(bool success, const QString &result, const QString &text)
{
    m_timer.stop();
    m_finished = true;
    m_succeeded = success;
    m_result = result;
    m_resultText = text;
    emit ended();
}

void BootloaderRun::report(const QString &text, int)
{
    emit reported(text);
}

void BootloaderRun::setProgress(int percent)
{
    // The engine resets the bar when a run ends; what a unit reached stays its figure.
    if (m_engine.state() == UpgradeEngine::StateWaitStart && m_clock.isValid())
        return;
    if (m_engine.state() == UpgradeEngine::StateProgram)
        m_bytes = m_engine.writeOffset();
    else if (m_engine.state() > UpgradeEngine::StateProgram && !m_engine.wasUpToDate())
        m_bytes = m_engine.paddedLength();
    if (percent == m_progress)
        return;
    m_progress = percent;
    emit progressChanged(percent);
}

void BootloaderRun::stateEntered(quint8 state)
{
    if (state > UpgradeEngine::StateProbe)
        m_answered = true;
    // The engine clears its device values when the run ends: keep them while they are whole.
    if (m_engine.deviceInfo().infoFlags == UpgradeEngine::AllInfoFlags)
        m_device = m_engine.deviceInfo();
    if (!m_finished && m_clock.isValid())
        emit stateChanged();
}

QStringList BootloaderRun::portTexts()
{
    return BootloaderPort::portTexts();
}

void BootloaderRun::setPortName(const QString &name)
{
    BootloaderPort::close(m_port);
    m_port.setPortName(name);
}

bool BootloaderRun::openPort()
{
    const bool opened = BootloaderPort::open(m_port);
    if (!opened) {
        // The engine keeps trying a port given by name; say once why it is still waiting, and name the fix
        // when the port refuses this user (once per port).
        if (m_reportWait) {
            m_reportWait = false;
            err() << "flash: waiting for port " << m_portBox << " (cannot open it: " << m_port.errorString() << ")\n";
        }
        if (const QString hint = BootloaderPort::permissionHint(m_port); !hint.isEmpty())
            err() << "flash: " << hint << "\n";
    }
    return opened;
}

void BootloaderRun::closePort()
{
    BootloaderPort::close(m_port);
}

void BootloaderRun::write(const QByteArray &bytes)
{
    BootloaderPort::write(m_port, bytes);
}

void BootloaderRun::upgradeEnded(bool success, const QString &text)
{
    const QString result = !success                 ? QStringLiteral("failed")
                           : m_engine.wasUpToDate() ? QStringLiteral("up to date")
                                                    : QStringLiteral("ok");
    finish(success, result, text);
}

void BootloaderRun::tick()
{
    m_engine.tick(BootloaderPort::nowMs());
    err().flush();
}

void BootloaderRun::readReplies()
{
    if (!m_engine.readsReplies())
        return; // left in the port's buffer, dropped when the port closes
    // A reply that moves the run on is followed by the next step at once, not on the next tick.
    if (m_engine.feed(m_port.readAll(), BootloaderPort::nowMs()))
        tick();
}
