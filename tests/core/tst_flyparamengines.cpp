// The FlyLink all-parameter fetch and common-parameter table driven by scripts against a test clock:
// order, retries of lost and wrong answers, the end of the fetch; reads per name, skips, the unit's
// own id asked without limit, completion and re-reads.
#include "core/flylink/FlyCommonParams.h"
#include "core/flylink/FlyParamFetch.h"

#include <QtTest>

namespace {
QStringList words(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Steps: "start", "stop", "v INDEX COUNT" (a value at the current time), "t MS" (clock and tick).
// Answers: "ask INDEX", "done".
QStringList runFetch(FlyParamFetch &fetch, const QStringList &script)
{
    QStringList out;
    quint32 now = 0;
    for (const QString &line : script) {
        const QStringList w = words(line);
        if (w[0] == QLatin1String("start")) {
            fetch.start();
        } else if (w[0] == QLatin1String("stop")) {
            fetch.stop();
        } else if (w[0] == QLatin1String("v")) {
            const FlyParamFetch::FeedResult r = fetch.feed(qint16(w[1].toInt()), qint16(w[2].toInt()), now);
            if (r.request)
                out << QStringLiteral("ask %1").arg(r.index);
            if (r.done)
                out << QStringLiteral("done");
        } else if (w[0] == QLatin1String("t")) {
            now = w[1].toUInt();
            if (fetch.tick(now))
                out << QStringLiteral("ask %1").arg(fetch.index());
        }
    }
    return out;
}

// Steps: "get NAME", "reread NAME", "recv NAME", "step" or "step N". Answers: "read NAME" for each
// step that asks, and "complete" when the table became complete.
QStringList runCommon(FlyCommonParams &table, const QStringList &script)
{
    QStringList out;
    for (const QString &line : script) {
        const QStringList w = words(line);
        if (w[0] == QLatin1String("get")) {
            table.get(w[1], nullptr, false);
        } else if (w[0] == QLatin1String("reread")) {
            table.get(w[1], nullptr, true);
        } else if (w[0] == QLatin1String("recv")) {
            table.received(w[1], 1.0f);
        } else if (w[0] == QLatin1String("step")) {
            const int n = w.size() > 1 ? w[1].toInt() : 1;
            for (int i = 0; i < n; ++i) {
                const bool before = table.allReceived();
                const QString name = table.step();
                if (!name.isEmpty())
                    out << QStringLiteral("read ") + name;
                if (!before && table.allReceived())
                    out << QStringLiteral("complete");
            }
        }
    }
    return out;
}
} // namespace

class TestFlyParamEngines : public QObject
{
    Q_OBJECT
private slots:
    void fetch_data();
    void fetch();
    void common_data();
    void common();
    void commonValues();
};

void TestFlyParamEngines::fetch_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("three in order") << QStringList{"start", "t 0", "v 0 3", "v 1 3", "v 2 3", "t 5000"}
                                    << QStringList{"ask 0", "ask 1", "ask 2", "done"};
    QTest::newRow("wrong index: asked again after a second")
        << QStringList{"start", "t 0", "v 1 3", "t 1000", "t 1001", "t 1500", "t 2002"}
        << QStringList{"ask 0", "ask 0", "ask 0"};
    QTest::newRow("lost value: asked again after a second")
        << QStringList{"start", "t 0", "t 500", "v 0 3", "t 1500", "t 1501", "v 1 3", "v 2 3"}
        << QStringList{"ask 0", "ask 1", "ask 1", "ask 2", "done"};
    QTest::newRow("values outside a fetch change nothing") << QStringList{"v 0 3", "t 0", "t 5000"} << QStringList{};
    QTest::newRow("a unit without parameters ends the fetch") << QStringList{"start", "v 5 0"} << QStringList{"done"};
    QTest::newRow("a count that falls below the index ends the fetch")
        << QStringList{"start", "t 0", "v 0 5", "v 1 5", "v 2 5", "v 7 2", "t 1001", "t 3000"}
        << QStringList{"ask 0", "ask 1", "ask 2", "ask 3", "done"};
    QTest::newRow("a negative count ends the fetch")
        << QStringList{"start", "t 0", "v 0 -1", "t 1001"} << QStringList{"ask 0", "done"};
    QTest::newRow("stop ends the asking")
        << QStringList{"start", "t 0", "stop", "t 2000", "v 0 3"} << QStringList{"ask 0"};
    QTest::newRow("restart asks from 0 again")
        << QStringList{"start", "t 0", "v 0 3", "start", "t 100"} << QStringList{"ask 0", "ask 1", "ask 0"};
}

void TestFlyParamEngines::fetch()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    FlyParamFetch fetch;
    QCOMPARE(runFetch(fetch, script), expected);
}

void TestFlyParamEngines::common_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
    QStringList sysid;
    for (int i = 0; i < 7; ++i)
        sysid << "read SYSID_THISMAV";
    QTest::newRow("a name asked three times, the unit's id without limit")
        << QStringList{"get INS_X", "step 10"} << (QStringList{"read INS_X", "read INS_X", "read INS_X"} + sysid);
    QTest::newRow("received names are not asked; complete with the last")
        << QStringList{"recv SYSID_THISMAV", "get A_1", "step", "recv A_1", "step", "step"}
        << QStringList{"read A_1", "complete"};
    QTest::newRow("complete when the last name gave up")
        << QStringList{"recv SYSID_THISMAV", "get ZZZ", "step 4", "step"}
        << QStringList{"read ZZZ", "read ZZZ", "read ZZZ", "complete"};
    QTest::newRow("a re-read asks again")
        << QStringList{"recv SYSID_THISMAV", "step", "reread SYSID_THISMAV", "step", "recv SYSID_THISMAV", "step"}
        << QStringList{"complete", "read SYSID_THISMAV", "complete"};
    QTest::newRow("a new name reopens the table")
        << QStringList{"recv SYSID_THISMAV", "step", "get B", "step"} << QStringList{"complete", "read B"};
    QTest::newRow("names in name order") << QStringList{"recv SYSID_THISMAV", "get C", "get A", "get B", "step 3"}
                                         << QStringList{"read A", "read A", "read A"};
}

void TestFlyParamEngines::common()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    FlyCommonParams table;
    QCOMPARE(runCommon(table, script), expected);
}

void TestFlyParamEngines::commonValues()
{
    FlyCommonParams table;
    float v = 0;
    QCOMPARE(table.get(QStringLiteral("BRD_HEAT_TARG"), &v, false), quint8(0)); // added, unknown
    QVERIFY(table.table().contains(QStringLiteral("BRD_HEAT_TARG")));
    table.received(QStringLiteral("BRD_HEAT_TARG"), 45.0f);
    QCOMPARE(table.get(QStringLiteral("BRD_HEAT_TARG"), &v, false), quint8(1));
    QCOMPARE(v, 45.0f);
    QCOMPARE(table.table().value(QStringLiteral("BRD_HEAT_TARG")).kind, FlyCommonParams::ReceivedKind);
    QVERIFY(!table.markForReread(QStringLiteral("NOT_IN_TABLE")));
    QVERIFY(table.markForReread(QStringLiteral("BRD_HEAT_TARG")));
    QCOMPARE(table.get(QStringLiteral("BRD_HEAT_TARG"), &v, false), quint8(0));
}

QTEST_APPLESS_MAIN(TestFlyParamEngines)
#include "tst_flyparamengines.moc"
