// Serialized values in the program's ini files: the lines QSettings would decode with its binary stream
// reader are found however they are written, and taken out of the file before it is read.
#include "core/util/IniText.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestIniText : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void damagedFileReadsSafely();
};

void TestIniText::lines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<int>("dropped");
    const QByteArray plain = "[General]\nConnectType=1\nLastFilePath=/home/me/fw.bin\n";
    QTest::newRow("plain file") << plain << plain << 0;
    QTest::newRow("texts QSettings writes")
        << QByteArray("a=@ByteArray(xyz)\nb=\"quoted, list\", x\nc=\\x84dd\nd=@@at\n")
        << QByteArray("a=@ByteArray(xyz)\nb=\"quoted, list\", x\nc=\\x84dd\nd=@@at\n") << 0;
    QTest::newRow("UTF-8 text") << QByteArray("n=\xE8\x93\x9D\xE7\x89\x99\n")
                                << QByteArray("n=\xE8\x93\x9D\xE7\x89\x99\n") << 0;
    QTest::newRow("variant") << QByteArray("a=1\nb=@Variant(\\0\\0\\0\\x7f)\nc=2\n") << QByteArray("a=1\nc=2\n") << 1;
    QTest::newRow("date and time") << QByteArray("b=@DateTime(\\0)\r\nc=2\r\n") << QByteArray("c=2\r\n") << 1;
    QTest::newRow("quoted") << QByteArray("b=\"@Variant(\\0)\"\n") << QByteArray() << 1;
    QTest::newRow("in a list") << QByteArray("b=x, @Variant(\\0)\nc=3") << QByteArray("c=3") << 1;
    QTest::newRow("hex escapes") << QByteArray("b=\\x40\\x56\\x0061riant(\\0)\n") << QByteArray() << 1;
    QTest::newRow("octal escapes") << QByteArray("b=\\100\\126ariant(\\0)\n") << QByteArray() << 1;
    QTest::newRow("continued line") << QByteArray("b=@Vari\\\nant(\\0)\nc=4\n") << QByteArray("c=4\n") << 1;
    QTest::newRow("continued over CRLF") << QByteArray("b=@Vari\\\r\nant(\\0)\r\nc=4\r\n") << QByteArray("c=4\r\n")
                                         << 1;
    QTest::newRow("no line end") << QByteArray("b=@Variant(") << QByteArray() << 1;
    QTest::newRow("trailing backslash") << QByteArray("a=1\\") << QByteArray("a=1\\") << 0;
}

void TestIniText::lines()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, kept);
    QFETCH(int, dropped);
    int n = -1;
    QCOMPARE(IniText::withoutSerializedValues(text, &n), kept);
    QCOMPARE(n, dropped);
}

void TestIniText::damagedFileReadsSafely()
{
    // A list whose count asks for 2^31 entries: QSettings reading this file tried to reserve them.
    QTemporaryDir dir;
    const QString path = dir.filePath("uploader.ini");
    const QByteArray damaged =
        "[UploadPort]\n1=@Variant(\\0\\0\\0\\x0b\\x7f\\0\\0\\0\\x1)\n2=\"quoted, list\", x\nConnectType=zz\n";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
    }
    QVERIFY(IniText::sanitizeFile(path));
    QSettings ini(path, QSettings::IniFormat);
    QCOMPARE(ini.allKeys(), (QStringList{"UploadPort/2", "UploadPort/ConnectType"}));
    QCOMPARE(ini.value("UploadPort/2").toStringList(), (QStringList{"quoted, list", "x"}));
    QFile kept(path + ".damaged");
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    // A clean file is left as it is.
    const QDateTime modified = QFileInfo(path).lastModified();
    QVERIFY(IniText::sanitizeFile(path));
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QVERIFY(IniText::sanitizeFile(dir.filePath("absent.ini")));
    QVERIFY(!QFileInfo::exists(dir.filePath("absent.ini")));
}

QTEST_APPLESS_MAIN(TestIniText)
#include "tst_initext.moc"
