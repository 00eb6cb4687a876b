// The parameter engines of a FlyLink link, without threads or I/O: a FlyParamFetch fetching every
// parameter by index and the FlyCommonParams table reading names one by one, as the link feeds every
// parameter value to both, against a fake clock that may start just before the quint32 wrap.
//
// The unit holds a number of parameters and answers honestly (the value of the index asked for, with
// its own count), late, twice or not at all; a hostile unit also answers with any index and count.
// Pages get, re-read and set names at any time. The model beside the engines holds what their
// headers promise, and any break of it aborts.
#include "core/flylink/FlyCommonParams.h"
#include "core/flylink/FlyParamFetch.h"
#include "FuzzReader.h"

#include <QMap>
#include <QString>

#include <cstdint>
#include <cstring>

namespace {
bool sameValue(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What the table promises about one name.
struct Known
{
    bool received = false;
    float value = 0;
    int reads = 0; // times step() returned the name since it was last received or marked for re-reading
};

struct Run
{
    explicit Run(const FuzzReader &input) : in(input) {}

    FuzzReader in;
    bool honest = false;
    qint16 unitCount = 0;
    quint32 clockBase = 0;
    quint64 t = 0; // time since the run began; the engines see quint32(clockBase + t)

    FlyParamFetch fetch;
    bool fetching = false;
    bool askedOnce = false; // a request went out since start()
    quint64 lastAsk = 0;
    int lastIndex = 0;

    FlyCommonParams common;
    QMap<QString, Known> names;

    quint32 now() const { return quint32(clockBase + t); }

    // ---- the fetch ----

    void checkFetch() const
    {
        fuzzExpect(fetch.isFetching() == fetching);
        if (fetching)
            fuzzExpect(fetch.index() >= 0 &&
                       (fetch.index() < fetch.count() || (fetch.index() == 0 && fetch.count() == 0)));
    }

    void startFetch()
    {
        fetch.start();
        fetching = true;
        askedOnce = false;
        lastIndex = 0;
        fuzzExpect(fetch.index() == 0 && fetch.count() == 0);
        checkFetch();
    }

    void feedFetch(qint16 index, qint16 count)
    {
        const int indexBefore = fetch.index();
        const int countBefore = fetch.count();
        const FlyParamFetch::FeedResult r = fetch.feed(index, count, now());
        if (!fetching) {
            // Nothing happens outside a fetch.
            fuzzExpect(!r.request && !r.done && fetch.index() == indexBefore && fetch.count() == countBefore);
            return;
        }
        // The index only moves on by the value of the index asked for, by one.
        fuzzExpect(fetch.index() == (index == indexBefore ? indexBefore + 1 : indexBefore));
        fuzzExpect(fetch.count() == count);
        if (r.request) {
            fuzzExpect(!r.done && r.index == fetch.index() && r.index < fetch.count());
            askedOnce = true;
            lastAsk = t;
        }
        if (r.done) {
            fuzzExpect(!fetch.isFetching() && fetch.index() >= fetch.count());
            // An honest unit's fetch ends with every index in.
            if (honest)
                fuzzExpect(fetch.index() == unitCount);
            fetching = false;
        } else {
            fuzzExpect(fetch.index() < fetch.count());
        }
        fuzzExpect(fetch.index() >= lastIndex);
        lastIndex = fetch.index();
        checkFetch();
    }

    void tickFetch()
    {
        const bool ask = fetch.tick(now());
        if (!fetching) {
            fuzzExpect(!ask);
            return;
        }
        // The first tick asks at once; later ones when RetryMs passed since the last request.
        fuzzExpect(ask == (!askedOnce || t - lastAsk > FlyParamFetch::RetryMs));
        if (ask) {
            askedOnce = true;
            lastAsk = t;
        }
        checkFetch();
    }

    // ---- the common-parameter table ----

    static bool neverGivenUp(const QString &name)
    {
        return name.contains(QLatin1String(FlyCommonParams::SystemIdName));
    }

    void checkCommon() const
    {
        const QMap<QString, FlyCommonParams::State> &table = common.table();
        fuzzExpect(table.size() == names.size());
        bool open = false;
        for (auto it = names.cbegin(); it != names.cend(); ++it) {
            const auto s = table.find(it.key());
            fuzzExpect(s != table.end() && s->received == it->received);
            if (it->received)
                fuzzExpect(sameValue(s->value, it->value) && s->kind == FlyCommonParams::ReceivedKind);
            if (!it->received && (neverGivenUp(it.key()) || it->reads < FlyCommonParams::MaxReads))
                open = true;
        }
        // Complete means every name was received or given up.
        if (common.allReceived())
            fuzzExpect(!open);
    }

    QString pickName()
    {
        static const char *const pool[] = {"SYSID_THISMAV", "AHRS_ORIENTATION", "BATT_CAPACITY", "A", "SYSID_THISMAVX"};
        const uint8_t b = in.byte();
        if (b < 200)
            return QLatin1String(pool[b % 5]);
        // Any name of up to 16 characters, as a unit's value record may carry it.
        QString name;
        const int n = 1 + b % 16;
        for (int i = 0; i < n; ++i)
            name += QChar(uchar(0x20 + in.byte() % 0x5F));
        return name;
    }

    void receive(const QString &name, float value)
    {
        common.received(name, value);
        Known &k = names[name];
        k.received = true;
        k.value = value;
        k.reads = 0;
        checkCommon();
    }

    void get(const QString &name, bool reread)
    {
        float value = -1;
        const bool known = names.contains(name);
        const Known before = names.value(name);
        const quint8 r = common.get(name, &value, reread);
        if (!known) {
            fuzzExpect(r == 0 && !common.allReceived());
            names.insert(name, Known());
        } else if (reread) {
            fuzzExpect(r == 0 && !common.allReceived());
            names[name].received = false;
            names[name].reads = 0;
        } else {
            // get() agrees with what was received.
            fuzzExpect(r == (before.received ? 1 : 0));
            if (r)
                fuzzExpect(sameValue(value, before.value));
        }
        checkCommon();
    }

    void markForReread(const QString &name)
    {
        const bool known = names.contains(name);
        fuzzExpect(common.markForReread(name) == known);
        if (known) {
            fuzzExpect(!common.allReceived());
            names[name].received = false;
            names[name].reads = 0;
        }
        checkCommon();
    }

    void stepCommon()
    {
        const QString name = common.step();
        if (name.isEmpty()) {
            fuzzExpect(common.allReceived() || names.isEmpty());
        } else {
            // Only a name still wanted is read, and no name but the unit's id more than MaxReads times.
            fuzzExpect(names.contains(name) && !names[name].received && !common.allReceived());
            Known &k = names[name];
            fuzzExpect(neverGivenUp(name) || k.reads < FlyCommonParams::MaxReads);
            ++k.reads;
        }
        checkCommon();
    }

    // ---- the unit ----

    float unitValue(qint16 index) const { return float(index) * 0.5f - 3.0f; }

    // A value record as the link hands it to both engines.
    void valueRecord(qint16 index, qint16 count, const QString &name, float value)
    {
        receive(name, value);
        feedFetch(index, count);
    }

    void step(uint8_t op)
    {
        switch (op & 7) {
        case 0: // time passes; the link ticks both
            t += (op & 0x80) ? quint64(in.byte()) * 1000 : quint64(in.byte()) * 10;
            tickFetch();
            stepCommon();
            break;
        case 1:
            if (op & 0x80)
                startFetch();
            else if ((op & 0x40) && fetching) {
                fetch.stop();
                fetching = false;
                checkFetch();
            } else {
                tickFetch();
            }
            break;
        case 2: { // the unit answers the index asked for (or an earlier, or a later one)
            const int asked = fetch.index();
            const int index = (op & 0x80) ? asked - 1 - in.byte() % 4 : (op & 0x40) ? asked + 1 + in.byte() % 4 : asked;
            if (index >= 0 && index < unitCount)
                valueRecord(qint16(index), unitCount, QStringLiteral("P%1").arg(index), unitValue(qint16(index)));
            break;
        }
        case 3: // the unit answers a read by name with its index and count
            if (unitCount > 0) {
                const qint16 index = qint16(in.byte() % unitCount);
                const QString name = pickName();
                valueRecord(index, unitCount, name, float(in.byte()) / 4);
            }
            break;
        case 4: // a hostile unit: any index, any count, any name and value
            if (!honest) {
                const qint16 index = qint16(in.u16());
                const qint16 count = qint16(in.u16());
                quint32 bits = in.u32();
                float value;
                std::memcpy(&value, &bits, sizeof value);
                valueRecord(index, count, pickName(), value);
            }
            break;
        case 5:
            get(pickName(), (op & 0x80) != 0);
            break;
        case 6:
            markForReread(pickName());
            break;
        case 7:
            stepCommon();
            break;
        }
    }

    // The fetch of an honest unit ends once it answers every request; the table completes once the
    // link keeps stepping and nothing answers (the unit's own id aside).
    void finish()
    {
        if (honest && fetching && unitCount > 0) {
            for (int i = 0; i <= unitCount && fetching; ++i)
                feedFetch(qint16(fetch.index()), unitCount);
            fuzzExpect(!fetching);
        }
        receive(QLatin1String(FlyCommonParams::SystemIdName), 1);
        for (auto it = names.begin(); it != names.end(); ++it) {
            if (neverGivenUp(it.key()) && !it->received)
                receive(it.key(), 2);
        }
        for (int i = 0; i <= names.size() * FlyCommonParams::MaxReads && !common.allReceived(); ++i)
            stepCommon();
        fuzzExpect(common.allReceived());
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Run run(FuzzReader{data, size});
    const uint8_t mode = run.in.byte();
    run.honest = (mode & 1) != 0;
    run.clockBase = run.in.clockStart((mode & 2) != 0);
    // A unit without parameters, with a few, or with many.
    run.unitCount = (mode & 4) ? qint16(run.in.u16() & 0x7FFF) : qint16(run.in.byte() % 12);
    run.names.insert(QLatin1String(FlyCommonParams::SystemIdName), Known());
    run.checkCommon();
    int steps = 0;
    while (!run.in.empty() && ++steps < 3000)
        run.step(run.in.byte());
    run.finish();
    return 0;
}
