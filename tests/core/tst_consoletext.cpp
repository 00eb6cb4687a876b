// Text-mode cleaning and hex conversion of the unit's console, as the Shell tab and the CLI use them.
#include "core/console/ConsoleText.h"

#include <QtTest>

class TestConsoleText : public QObject
{
    Q_OBJECT
private slots:
    void clean_data();
    void clean();
    void splitEscapeSequences_data();
    void splitEscapeSequences();
    void hexRoundTrip_data();
    void hexRoundTrip();
    void commandBytes_data();
    void commandBytes();
};

void TestConsoleText::clean_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain line") << QByteArray("nsh> help\r\n") << QString("nsh> help\r\n");
    QTest::newRow("colour on and off") << QByteArray("\x1b[32mOK\x1b[0m done") << QString("OK done");
    QTest::newRow("several parameters") << QByteArray("\x1b[1;31;40mFAIL\x1b[m") << QString("FAIL");
    QTest::newRow("cursor and erase") << QByteArray("\x1b[2K\x1b[Hx\x1b[10;20Hy") << QString("xy");
    QTest::newRow("cut at NUL") << QByteArray("before\0after", 12) << QString("before");
    QTest::newRow("NUL first") << QByteArray("\0text", 5) << QString();
    QTest::newRow("escape after NUL not reached") << QByteArray("a\0\x1b[0m", 6) << QString("a");
    QTest::newRow("Latin-1 bytes") << QByteArray("caf\xe9 \xb0"
                                                 "C")
                                   << QString::fromUtf8("café °C");
    QTest::newRow("ESC without [ kept") << QByteArray("\x1bx") << QString("\x1bx");
    QTest::newRow("unfinished sequence kept") << QByteArray("ab\x1b[12") << QString("ab\x1b[12");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestConsoleText::clean()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(ConsoleText::clean(bytes), text);
    // A stream cleaner fed the whole chunk shows the same, apart from an unfinished tail it holds.
    ConsoleTextCleaner cleaner;
    const QString shown = cleaner.feed(bytes);
    QCOMPARE(shown + cleaner.flush(), text);
}

void TestConsoleText::splitEscapeSequences_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("texts"); // what each feed returns

    QTest::newRow("split inside parameters")
        << QList<QByteArray>{"ok \x1b[3", "2mgreen"} << QStringList{"ok ", "green"};
    QTest::newRow("split after ESC") << QList<QByteArray>{"abc\x1b", "[0mdef"} << QStringList{"abc", "def"};
    QTest::newRow("split after [") << QList<QByteArray>{"\x1b[", "1;31mred\x1b[", "m"} << QStringList{"", "red", ""};
    QTest::newRow("ESC not followed by [") << QList<QByteArray>{"a\x1b", "xy"} << QStringList{"a", "\x1bxy"};
    QTest::newRow("NUL ends the chunk") << QList<QByteArray>{QByteArray("a\x1b[3\0z", 6), "2mb"}
                                        << QStringList{"a\x1b[3", "2mb"};
    QTest::newRow("over-long tail given up")
        << QList<QByteArray>{"x\x1b[" + QByteArray(40, '1'), "m"} << QStringList{"x\x1b[" + QString(40, '1'), "m"};
}

void TestConsoleText::splitEscapeSequences()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, texts);
    ConsoleTextCleaner cleaner;
    QStringList got;
    for (const QByteArray &chunk : chunks)
        got << cleaner.feed(chunk);
    QCOMPARE(got, texts);
    QCOMPARE(cleaner.flush(), QString());
}

void TestConsoleText::hexRoundTrip_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown"); // toHex(bytes)

    QTest::newRow("spaced") << "41 42 0d" << QByteArray("AB\r") << "41420d";
    QTest::newRow("upper case, no blanks") << "7E0aFF" << QByteArray("\x7e\x0a\xff") << "7e0aff";
    QTest::newRow("invalid characters skipped") << "zz41,42-g" << QByteArray("AB") << "4142";
    QTest::newRow("odd digit count") << "abc" << QByteArray("\x0a\xbc") << "0abc";
    QTest::newRow("nothing valid") << "hello" << QByteArray("\x0e", 1) << "0e";
    QTest::newRow("empty") << "" << QByteArray() << "";
    QTest::newRow("zero byte") << "00 01" << QByteArray("\0\x01", 2) << "0001";
}

void TestConsoleText::hexRoundTrip()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(ConsoleText::fromHex(typed), bytes);
    QCOMPARE(ConsoleText::toHex(bytes), shown);
    QCOMPARE(ConsoleText::fromHex(shown), bytes);
}

void TestConsoleText::commandBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("hexMode");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("echo");

    QTest::newRow("text") << "airspeed" << false << QByteArray("airspeed\r") << "airspeed";
    QTest::newRow("text with blank") << "Fatfs format" << false << QByteArray("Fatfs format\r") << "Fatfs format";
    QTest::newRow("UTF-8 text") << QString::fromUtf8("温度") << false << QByteArray("\xe6\xb8\xa9\xe5\xba\xa6\r")
                                << QString::fromUtf8("温度");
    QTest::newRow("empty text") << "" << false << QByteArray("\r") << "";
    QTest::newRow("hex") << "41 42 0d" << true << QByteArray("AB\r\r") << "41 42 0d";
    QTest::newRow("text echo cut at NUL")
        << QString::fromLatin1("ab\0cd", 5) << false << QByteArray("ab\0cd\r", 6) << "ab";
}

void TestConsoleText::commandBytes()
{
    QFETCH(QString, typed);
    QFETCH(bool, hexMode);
    QFETCH(QByteArray, sent);
    QFETCH(QString, echo);
    QCOMPARE(ConsoleText::commandBytes(typed, hexMode), sent);
    QCOMPARE(ConsoleText::echoText(typed, hexMode), echo);
}

QTEST_GUILESS_MAIN(TestConsoleText)
#include "tst_consoletext.moc"
