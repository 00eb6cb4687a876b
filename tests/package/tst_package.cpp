// The Debian package: built from this build tree with CPack (the same configuration as make package,
// gzip instead of xz to keep it quick), unpacked with dpkg-deb into a scratch root, its files checked
// and its programs started from there.
#include "core/util/AppVersion.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestPackage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void control_data();
    void control();
    void files_data();
    void files();
    void desktopEntry();
    void versions_data();
    void versions();
    void desktopStartUsesUserFolder();

private:
    QString inRoot(const QString &path) const { return m_root + path; }
    QTemporaryDir m_dir;
    QString m_deb;
    QString m_root;
};

void TestPackage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps", "desktop-file-validate"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is missing: run scripts/install-deps.sh").arg(QLatin1String(tool))));
    }
    const QString out = m_dir.filePath(QStringLiteral("out"));
    const TestFiles::ProgramRun pack =
        TestFiles::run(QStringLiteral("cpack"),
                       {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                        QStringLiteral(ZT_BINARY_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out,
                        QStringLiteral("-D"), QStringLiteral("CPACK_DEBIAN_COMPRESSION_TYPE=gzip")},
                       QProcessEnvironment::systemEnvironment(), 240000);
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.out + pack.err));
    const QStringList debs = QDir(out).entryList({QStringLiteral("zorvan-tools_*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    m_deb = QDir(out).filePath(debs.first());

    m_root = m_dir.filePath(QStringLiteral("root"));
    const TestFiles::ProgramRun unpack =
        TestFiles::run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root});
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.err));
}

void TestPackage::control_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("contains");
    QTest::newRow("name") << "Package"
                          << "zorvan-tools";
    QTest::newRow("version") << "Version" << QString::fromLatin1(AppVersion::Base);
    // Computed by dpkg-shlibdeps from the programs' libraries.
    QTest::newRow("qt widgets") << "Depends"
                                << "libqt5widgets5";
    QTest::newRow("qt serial port") << "Depends"
                                    << "libqt5serialport5";
    QTest::newRow("quazip") << "Depends"
                            << "libquazip1-qt5";
    QTest::newRow("cjk font") << "Recommends"
                              << "fonts-wqy-microhei";
}

void TestPackage::control()
{
    QFETCH(QString, field);
    QFETCH(QString, contains);
    const TestFiles::ProgramRun run = TestFiles::run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, field});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(contains), qPrintable(field + QStringLiteral(": ") + run.out));
}

void TestPackage::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<int>("iconSize"); // a PNG of that size; 0 for any other file
    QTest::newRow("gui") << "/usr/bin/Zorvan-Tools" << true << 0;
    QTest::newRow("cli") << "/usr/bin/zorvan-cli" << true << 0;
    QTest::newRow("sim") << "/usr/bin/zorvan-sim" << true << 0;
    QTest::newRow("launcher") << "/usr/lib/zorvan-tools/start-in-user-folder" << true << 0;
    QTest::newRow("desktop entry") << "/usr/share/applications/zorvan-tools.desktop" << false << 0;
    QTest::newRow("svg icon") << "/usr/share/icons/hicolor/scalable/apps/zorvan-tools.svg" << false << 0;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QTest::addRow("png %d", size)
            << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/zorvan-tools.png").arg(size) << false << size;
    }
}

void TestPackage::files()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    QFETCH(int, iconSize);
    const QFileInfo info(inRoot(path));
    QVERIFY2(info.isFile(), qPrintable(path));
    QVERIFY(info.size() > 0);
    QCOMPARE(info.isExecutable(), executable);
    if (iconSize > 0) {
        const QImage image(info.filePath());
        QCOMPARE(image.size(), QSize(iconSize, iconSize));
    }
}

void TestPackage::desktopEntry()
{
    const QString path = inRoot(QStringLiteral("/usr/share/applications/zorvan-tools.desktop"));
    const TestFiles::ProgramRun validate = TestFiles::run(QStringLiteral("desktop-file-validate"), {path});
    QVERIFY2(validate.exitCode == 0 && validate.out.trimmed().isEmpty(), qPrintable(validate.out + validate.err));

    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    // The entry starts the launcher of this package, with the icon of this package.
    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    QCOMPARE(exec, QStringLiteral("/usr/lib/zorvan-tools/start-in-user-folder"));
    QVERIFY(QFileInfo(inRoot(exec)).isExecutable());
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), QStringLiteral("zorvan-tools"));
}

void TestPackage::versions_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("cli") << "zorvan-cli";
    QTest::newRow("sim") << "zorvan-sim";
    QTest::newRow("gui") << "Zorvan-Tools";
}

void TestPackage::versions()
{
    QFETCH(QString, program);
    // The window title of this build reads "Zorvan-Tools v" + AppVersion::text() (tst_mainwidget).
    const TestFiles::ProgramRun run =
        TestFiles::run(inRoot(QStringLiteral("/usr/bin/") + program), {QStringLiteral("--version")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(run.out.trimmed(), program + QLatin1Char(' ') + AppVersion::text());
}

void TestPackage::desktopStartUsesUserFolder()
{
    // Started as the menu starts it: from another working directory, with a fresh home.
    const QString home = m_dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const TestFiles::ProgramRun run =
        TestFiles::run(inRoot(QStringLiteral("/usr/lib/zorvan-tools/start-in-user-folder")),
                       {QStringLiteral("--quit-after"), QStringLiteral("1500")}, env, 120000);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err.right(3000)));
    // The theme file is written on every start: it shows where the program kept its files.
    QVERIFY(QFileInfo(home + QStringLiteral("/Zorvan-Tools/cfg/ui.ini")).isFile());
    QVERIFY(!QFileInfo(QStringLiteral("cfg/ui.ini")).exists());
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
