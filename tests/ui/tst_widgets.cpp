// Styled controls, change-tracking editors, port pickers, the square layout and the timed pop-up.
#include "link/SerialPortList.h"
#include "ui/widgets/TimedPopup.h"
#include "ui/widgets/UiTheme.h"
#include "ui/widgets/LayoutSquare.h"
#include "ui/widgets/OrveMyComboBox.h"
#include "ui/widgets/TCellWidget.h"
#include "ui/widgets/TPushButton.h"
#include "ui/widgets/TSerialCombox.h"
#include "ui/widgets/UCheckBox.h"
#include "ui/widgets/UComboBox.h"
#include "ui/widgets/UDoubleSpinBox.h"
#include "ui/widgets/USpinBox.h"
#include "ui/widgets/myComboBox.h"

#include <QElapsedTimer>
#include <QtTest>

class TestWidgets : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void layoutSquareGeometry_data();
    void layoutSquareGeometry();
    void layoutSquareLaysOutOnceAndHoldsOneItem();
    void changedMarkLifeCycle();
    void serialComboKeepsSelection();
    void portBoxesOfUploaderAndPanel();
    void pushButtonLook_data();
    void pushButtonLook();
    void cellWidgetCheckState();
    void timedPopupClosesItself();

private:
    static QStringList items(const QComboBox &box);
    static QStringList platformEntries(bool withDescription);
};

void TestWidgets::cleanup()
{
    qunsetenv(SerialPortList::ExtraPortsVariable);
    UiTheme::setStyle(1);
}

void TestWidgets::layoutSquareGeometry_data()
{
    QTest::addColumn<QRect>("given");
    QTest::addColumn<int>("margin");
    QTest::addColumn<QRect>("square");
    QTest::newRow("wide") << QRect(0, 0, 300, 200) << 0 << QRect(50, 0, 200, 200);
    QTest::newRow("tall") << QRect(0, 0, 200, 300) << 0 << QRect(0, 50, 200, 200);
    QTest::newRow("square") << QRect(0, 0, 120, 120) << 0 << QRect(0, 0, 120, 120);
    QTest::newRow("with margin") << QRect(0, 0, 300, 200) << 10 << QRect(55, 5, 190, 190);
    QTest::newRow("offset ignored") << QRect(40, 30, 300, 200) << 0 << QRect(50, 0, 200, 200);
    QTest::newRow("odd sizes") << QRect(0, 0, 301, 200) << 0 << QRect(50, 0, 200, 200);
}

void TestWidgets::layoutSquareGeometry()
{
    QFETCH(QRect, given);
    QFETCH(int, margin);
    QFETCH(QRect, square);
    QWidget host;
    auto *layout = new LayoutSquare(&host, 0);
    layout->setContentsMargins(margin, margin, margin, margin);
    auto *child = new QWidget;
    layout->setWidget(child);
    layout->setGeometry(given);
    QCOMPARE(layout->squareGeometry(), square);
    QCOMPARE(child->geometry(), square);
}

void TestWidgets::layoutSquareLaysOutOnceAndHoldsOneItem()
{
    QWidget host;
    auto *layout = new LayoutSquare(&host, 0);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *first = new QWidget;
    QWidget second;
    layout->setWidget(first);
    layout->setWidget(&second);
    QCOMPARE(layout->count(), 1);
    QCOMPARE(layout->itemAt(0)->widget(), first);
    QVERIFY(!layout->itemAt(1));

    layout->setGeometry(QRect(0, 0, 300, 200));
    first->setGeometry(1, 1, 2, 2); // moved behind the layout's back
    layout->setGeometry(QRect(0, 0, 300, 200));
    QCOMPARE(first->geometry(), QRect(1, 1, 2, 2)); // same rectangle: no second layout pass
    layout->setGeometry(QRect(0, 0, 200, 300));
    QCOMPARE(first->geometry(), QRect(0, 50, 200, 200));
}

void TestWidgets::changedMarkLifeCycle()
{
    UComboBox combo;
    combo.addItems({"a", "b", "c"});
    QVERIFY(combo.property("changed").toBool()); // built and filled by the program: still marked
    combo.setCurrentIndexUnchanged(1);
    QVERIFY(!combo.property("changed").toBool());
    combo.setCurrentIndex(2); // as a user selection does
    QVERIFY(combo.property("changed").toBool());

    UCheckBox check;
    QVERIFY(check.isChanged());
    check.setCheckedUnchanged(true);
    QVERIFY(!check.isChanged());
    check.click();
    QVERIFY(check.isChanged());

    UDoubleSpinBox dspin;
    dspin.setValueUnchanged(1.5);
    QVERIFY(!dspin.isChanged());
    dspin.stepUp();
    QVERIFY(dspin.isChanged());

    USpinBox spin;
    QVERIFY(spin.isChanged());
    spin.setProperty("changed", false);
    QVERIFY(!spin.isChanged());
    spin.setValue(3);
    QVERIFY(spin.isChanged());

    // The mark is what style sheets select on.
    combo.setStyleSheet("UComboBox[changed=\"true\"] { color: rgb(255, 0, 0); }");
    combo.setCurrentIndexUnchanged(0);
    QVERIFY(combo.palette().color(QPalette::Text) != QColor(255, 0, 0));
    combo.setCurrentIndex(1);
    QCOMPARE(combo.palette().color(QPalette::Text), QColor(255, 0, 0));
}

QStringList TestWidgets::items(const QComboBox &box)
{
    QStringList list;
    for (int i = 0; i < box.count(); ++i)
        list << box.itemText(i);
    return list;
}

QStringList TestWidgets::platformEntries(bool withDescription)
{
    QStringList list;
    for (const auto &port : SerialPortList::availablePorts())
        list << (withDescription ? SerialPortList::entryText(port) : port.portName);
    return list;
}

void TestWidgets::serialComboKeepsSelection()
{
    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/71=USB Serial Device;/dev/pts/72=Second");
    TSerialCombox box;
    QCOMPARE(items(box), platformEntries(true));
    box.setCurrentText("/dev/pts/72: Second");
    box.refreshPorts();
    QCOMPARE(box.currentText(), QString("/dev/pts/72: Second"));

    // Same name, other description: no longer the same entry.
    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/71=USB Serial Device;/dev/pts/72=Other");
    box.refreshPorts();
    QCOMPARE(box.currentIndex(), 0);

    // A left press refreshes the list before it opens.
    box.setCurrentText("/dev/pts/71: USB Serial Device");
    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/71=USB Serial Device;/dev/pts/73=Third");
    box.show();
    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(items(box).contains("/dev/pts/73: Third"));
    QCOMPARE(box.currentText(), QString("/dev/pts/71: USB Serial Device"));
    box.hidePopup();
}

void TestWidgets::portBoxesOfUploaderAndPanel()
{
    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/81=FMU;/dev/pts/82");
    myComboBox uploaderBox(nullptr);
    QVERIFY(items(uploaderBox).isEmpty()); // starts empty
    uploaderBox.show();
    QTest::mouseClick(&uploaderBox, Qt::RightButton);
    QCOMPARE(items(uploaderBox), platformEntries(false));
    QVERIFY(items(uploaderBox).contains("/dev/pts/82"));

    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/83");
    QTest::mouseClick(&uploaderBox, Qt::LeftButton); // opens the list unchanged
    QVERIFY(items(uploaderBox).contains("/dev/pts/82"));
    uploaderBox.hidePopup();

    ORVE::myComboBox panelBox(nullptr);
    QCOMPARE(items(panelBox), platformEntries(true));
    QVERIFY(items(panelBox).contains("/dev/pts/83: Simulated port"));
    qputenv(SerialPortList::ExtraPortsVariable, "/dev/pts/84=INS");
    panelBox.show();
    QTest::mouseClick(&panelBox, Qt::RightButton); // other buttons do nothing
    QVERIFY(!items(panelBox).contains("/dev/pts/84: INS"));
    QTest::mouseClick(&panelBox, Qt::LeftButton);
    QVERIFY(items(panelBox).contains("/dev/pts/84: INS"));
    panelBox.hidePopup();
}

void TestWidgets::pushButtonLook_data()
{
    QTest::addColumn<uint>("style");
    QTest::newRow("dark") << 1u;
    QTest::newRow("platform") << 0u;
}

void TestWidgets::pushButtonLook()
{
    QFETCH(uint, style);
    UiTheme::setStyle(style);
    TPushButton button("Connect", nullptr);
    QCOMPARE(button.height(), 40);
    QCOMPARE(button.minimumWidth(), 120);
    QCOMPARE(button.styleSheet().contains("#62627d"), style != 0);
}

void TestWidgets::cellWidgetCheckState()
{
    TCellWidget cell(nullptr);
    QVERIFY(!cell.isChecked());
    cell.setCheckState(Qt::Checked);
    QVERIFY(cell.isChecked());
}

void TestWidgets::timedPopupClosesItself()
{
    QElapsedTimer timer;
    timer.start();
    TimedPopup::exec(QMessageBox::Warning, "WARN ", "closes by itself", 50);
    QVERIFY(timer.elapsed() < 5000);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
