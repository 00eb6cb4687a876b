#include "factory/link/Q_DMMM.h"

#include "factory/link/FlyLink.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QTimer>

namespace {
Q_DMMM *s_instance = nullptr;

} // namespace

Q_DMMM::Q_DMMM(int ownId) : m_ownId(ownId)
{
    if (s_instance) {
        qDebug() << "Q_DMMM must be singleton";
        return;
    }
    s_instance = this;
    qRegisterMetaType<TelemetryRecord>("TelemetryRecord");
    m_timer = new QTimer(this);
    m_timer->start(10);
    loadParamCfg();
    connect(this, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
            qOverload<int, int>(&Q_DMMM::handle_DMMM_event));
    connect(this, &Q_DMMM::close, this, &Q_DMMM::handle_close);
    connect(m_timer, &QTimer::timeout, this, &Q_DMMM::Slot_Timer100Hz);
}

Q_DMMM::~Q_DMMM()
{
    if (s_instance == this)
        s_instance = nullptr;
}

Q_DMMM *Q_DMMM::instance()
{
    return s_instance;
}

void Q_DMMM::loadParamCfg()
{
    QDir().mkpath(QStringLiteral("./cfg"));
    QFile file(QStringLiteral("./cfg/paracfg.csv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "ParamCfg Load failed";
        return;
    }
    QTextStream in(&file);
    in.setCodec("utf-8");
    const QString text = in.readAll();
    file.close();
    m_paramCfg = parseParaCfgCsv(text);
    qDebug() << "ParamCfg Load Succeed:" << m_paramCfg.size();
}

void Q_DMMM::openLink(const QVariantMap &params, int linkid)
{
    auto it = m_links.find(linkid);
    if (it == m_links.end()) {
        PoolEntry entry;
        entry.link = new FlyLink(1, true);
        entry.link->setLinkId(linkid);
        relayLink(entry.link);
        entry.ownSystemId = entry.link->ownSystemId();
        emit entry.link->OpenProtocolDevice(params);
        m_links.insert(linkid, entry);
    } else if (it->link) {
        emit it->link->OpenProtocolDevice(params);
    }
    m_currentLinkId = linkid;
}

void Q_DMMM::relayLink(DeviceCommunication *link)
{
    // Once per link and bus: a second call would double every event.
    static const char *const relayedBy = "zt_relayedBy";
    if (!link || link->property(relayedBy).value<QObject *>() == this)
        return;
    link->setProperty(relayedBy, QVariant::fromValue<QObject *>(this));
    // Direct connections: an event reaches the bus's listeners from the link's thread, as it happens.
    connect(link, &DeviceCommunication::linkEvent, this, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event),
            Qt::DirectConnection);
    auto *fly = qobject_cast<FlyLink *>(link);
    if (!fly)
        return;
    connect(
        fly, &FlyLink::linkTextPosted, this, [this](const QString &text) { postText(m_ownId, text); },
        Qt::DirectConnection);
    connect(
        fly, &FlyLink::ownTextPosted, this, [this, fly](const QString &text) { postText(fly->linkId(), text); },
        Qt::DirectConnection);
    connect(this, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), fly,
            qOverload<int, int>(&FlyLink::handle_DMMM_event));
}

FlyLink *Q_DMMM::linkById(int linkid) const
{
    const auto it = m_links.constFind(linkid);
    return it == m_links.constEnd() ? nullptr : it->link;
}

void Q_DMMM::copyFromLink(PoolEntry &entry)
{
    if (!entry.link)
        return;
    entry.data = entry.link->record();
    entry.ownSystemId = entry.link->ownSystemId();
}

TelemetryRecord Q_DMMM::poolSnapshot(int linkid)
{
    auto it = m_links.find(linkid);
    if (it == m_links.end() || !it->link)
        return TelemetryRecord();
    copyFromLink(*it);
    return it->data;
}

void Q_DMMM::update_datapool()
{
    for (auto it = m_links.begin(); it != m_links.end(); ++it)
        copyFromLink(*it);
}

void Q_DMMM::postText(int linkid, const QString &text)
{
    emit DMMM_Event(DMMM_GCSEvent_new_textmsg, linkid, QVariant(text));
    qDebug() << linkid << ":" << text;
}

void Q_DMMM::setParamCfgTexts(const QString &name, const QString &unit, const QString &range,
                              const QString &description)
{
    ParamCfg &row = m_paramCfg[name];
    row.unit = unit;
    row.range = range;
    row.description = description;
}

QString Q_DMMM::paramCfgUnit(const QString &name) const
{
    const auto it = m_paramCfg.constFind(name);
    return it == m_paramCfg.constEnd() ? QStringLiteral("/") : it->unit;
}

QString Q_DMMM::paramCfgRange(const QString &name) const
{
    const auto it = m_paramCfg.constFind(name);
    return it == m_paramCfg.constEnd() ? QStringLiteral("/") : it->range;
}

QString Q_DMMM::paramCfgDescription(const QString &name) const
{
    const auto it = m_paramCfg.constFind(name);
    return it == m_paramCfg.constEnd() ? QStringLiteral("/") : it->description;
}

void Q_DMMM::handle_DMMM_event(int ev, int linkid)
{
    Q_UNUSED(linkid)
    if (DmmmEvents::isLoggedByBus(ev))
        qDebug() << DmmmEvents::name(ev);
}

void Q_DMMM::handle_DMMM_event(int ev)
{
    handle_DMMM_event(ev, 0);
}

void Q_DMMM::handle_close(int linkid)
{
    if (FlyLink *link = linkById(linkid))
        emit link->CloseProtocolDevice();
}

void Q_DMMM::Slot_Timer100Hz()
{
    ++m_tickCount;
    if (m_tickCount % 10 == 0)
        emit DMMM_Event(DMMM_GCSEvent_Timer_10Hz, -1, QVariant(int(0)));
    if (m_tickCount % 100 == 0)
        emit DMMM_Event(DMMM_GCSEvent_Timer_1Hz, -1, QVariant(int(0)));
    emit DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
}

void Q_DMMM::releaseLinks()
{
    for (auto it = m_links.begin(); it != m_links.end(); ++it) {
        if (it->link)
            disconnect(it->link); // no more ticks are queued for it
        delete it->link;
        it->link = nullptr;
    }
}
