// Gathering bootloader replies across reads: every reply form of every upgrade step, split at every point.
#include "core/bootloader/ReplyCollector.h"

#include <QtTest>

Q_DECLARE_METATYPE(ReplyCollector::Form)
Q_DECLARE_METATYPE(ReplyCollector::Result)

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
using Form = ReplyCollector::Form;
using Result = ReplyCollector::Result;
} // namespace

class TestReplyCollector : public QObject
{
    Q_OBJECT
private slots:
    void wholeReplySplitAtEveryPoint_data();
    void wholeReplySplitAtEveryPoint();
    void byteByByte_data() { wholeReplySplitAtEveryPoint_data(); }
    void byteByByte();
    void refusedBytes_data();
    void refusedBytes();
    void expectDropsWhatWasGathered();
};

// One row per upgrade step and the reply form it awaits (the engine's states 2 to 7).
void TestReplyCollector::wholeReplySplitAtEveryPoint_data()
{
    QTest::addColumn<Form>("form");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected"); // what reply() holds once complete
    QTest::newRow("2 probe") << Form::Sync << hex("12 10") << hex("12 10");
    QTest::newRow("2 probe after line noise") << Form::Sync << hex("00 ff 12 10") << hex("12 10");
    QTest::newRow("3 device value") << Form::Word << hex("1d 27 00 00 12 10") << hex("1d 27 00 00 12 10");
    QTest::newRow("3 device value holding 12 10") << Form::Word << hex("12 10 12 10 12 10") << hex("12 10 12 10 12 10");
    const QByteArray area = hex("a0a1a2a3a4a5a6a7a8a9aaabacadaeaf1210");
    QTest::newRow("3 vector area") << Form::VecArea << area << area;
    QTest::newRow("4 erase") << Form::Status << hex("12 10") << hex("12 10");
    QTest::newRow("5 chunk ok") << Form::Status << hex("12 10") << hex("12 10");
    QTest::newRow("5 chunk failed") << Form::Status << hex("12 11") << hex("12 11");
    QTest::newRow("5 chunk invalid") << Form::Status << hex("12 13") << hex("12 13");
    QTest::newRow("6 crc") << Form::Word << hex("88 2d fd 2d 12 10") << hex("88 2d fd 2d 12 10");
    QTest::newRow("7 boot refused") << Form::Status << hex("12 13") << hex("12 13");
    const QByteArray des = hex("05 00 00 00") + QByteArray("F7\x12\x10x") + hex("12 10");
    QTest::newRow("3 chip description holding 12 10") << Form::Text << des << des;
    QTest::newRow("3 empty chip description") << Form::Text << hex("00 00 00 00 12 10") << hex("00 00 00 00 12 10");
}

void TestReplyCollector::wholeReplySplitAtEveryPoint()
{
    QFETCH(Form, form);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    for (int split = 0; split <= reply.size(); ++split) {
        ReplyCollector c;
        c.expect(form);
        const QByteArray first = reply.left(split);
        const QByteArray second = reply.mid(split);
        if (split < reply.size()) {
            QVERIFY2(c.add(first) == Result::Incomplete, qPrintable(QString("split at %1").arg(split)));
            QCOMPARE(c.add(second), Result::Complete);
        } else {
            QCOMPARE(c.add(first), Result::Complete);
        }
        QCOMPARE(c.reply(), expected);
        QCOMPARE(c.gathered(), 0);
    }
}

void TestReplyCollector::byteByByte()
{
    QFETCH(Form, form);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    ReplyCollector c;
    c.expect(form);
    for (int i = 0; i < reply.size() - 1; ++i)
        QCOMPARE(c.add(reply.mid(i, 1)), Result::Incomplete);
    QCOMPARE(c.add(reply.right(1)), Result::Complete);
    QCOMPARE(c.reply(), expected);
}

void TestReplyCollector::refusedBytes_data()
{
    QTest::addColumn<Form>("form");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<Result>("result"); // of the second read
    QTest::newRow("probe: first 12 not followed by 10") << Form::Sync << hex("12") << hex("00 10") << Result::Rejected;
    QTest::newRow("probe: 12 12 10") << Form::Sync << hex("12") << hex("12 10") << Result::Rejected;
    QTest::newRow("probe: noise only") << Form::Sync << hex("00") << hex("10 55") << Result::Incomplete;
    QTest::newRow("value: failed instead of ok")
        << Form::Word << hex("05 00 00 00") << hex("12 11") << Result::Rejected;
    QTest::newRow("value: one byte too many")
        << Form::Word << hex("05 00 00 00 12") << hex("10 55") << Result::Rejected;
    QTest::newRow("value: a status pair is not a value") << Form::Word << hex("12") << hex("13") << Result::Incomplete;
    QTest::newRow("vector area: 6 bytes only")
        << Form::VecArea << hex("01 00 00") << hex("00 12 10") << Result::Incomplete;
    QTest::newRow("status: two acknowledgements in one read")
        << Form::Status << QByteArray() << hex("12 10 12 10") << Result::Rejected;
    QTest::newRow("status: not starting with 12") << Form::Status << QByteArray() << hex("10") << Result::Rejected;
    QTest::newRow("status: 12, then 10 12") << Form::Status << hex("12") << hex("10 12") << Result::Rejected;
    QTest::newRow("chip description: longer than its length")
        << Form::Text << hex("02 00 00 00 41 42") << hex("43 12 10") << Result::Rejected;
    QTest::newRow("chip description: failed instead of ok")
        << Form::Text << hex("01 00 00 00 41") << hex("12 11") << Result::Rejected;
    QTest::newRow("chip description: length beyond 256")
        << Form::Text << hex("01 01 00") << hex("00 41") << Result::Rejected;
    QTest::newRow("nothing awaited") << Form::None << QByteArray() << hex("12 10") << Result::Rejected;
}

void TestReplyCollector::refusedBytes()
{
    QFETCH(Form, form);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(Result, result);
    ReplyCollector c;
    c.expect(form);
    if (!first.isEmpty())
        QCOMPARE(c.add(first), Result::Incomplete);
    QCOMPARE(c.add(second), result);
    if (result == Result::Rejected) {
        QCOMPARE(c.gathered(), 0); // dropped: the next reply starts clean
        if (form != Form::None) {
            const QByteArray good = form == Form::Word      ? hex("05 00 00 00 12 10")
                                    : form == Form::VecArea ? QByteArray(16, '\1') + hex("12 10")
                                    : form == Form::Text    ? hex("01 00 00 00 41 12 10")
                                                            : hex("12 10");
            QCOMPARE(c.add(good), Result::Complete);
        }
    }
}

void TestReplyCollector::expectDropsWhatWasGathered()
{
    ReplyCollector c;
    c.expect(Form::Word);
    QCOMPARE(c.add(hex("05 00 00")), Result::Incomplete);
    c.expect(Form::Word); // a new request: the half reply of the old one must not complete the new one
    QCOMPARE(c.add(hex("00 12 10")), Result::Incomplete);
    QCOMPARE(c.add(hex("07")), Result::Incomplete);
    c.clear();
    QCOMPARE(c.gathered(), 0);
    QCOMPARE(c.form(), Form::Word);
}

QTEST_APPLESS_MAIN(TestReplyCollector)
#include "tst_replycollector.moc"
