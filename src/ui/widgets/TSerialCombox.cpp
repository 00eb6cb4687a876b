#include "ui/widgets/TSerialCombox.h"

#include "link/SerialPortList.h"

#include <QMouseEvent>

TSerialCombox::TSerialCombox(QWidget *parent) : TComboBox(parent)
{
    refreshPorts();
}

void TSerialCombox::refreshPorts()
{
    const QString remembered = currentText();
    clear();
    const auto ports = SerialPortList::availablePorts();
    for (const SerialPortEntry &port : ports)
        addItem(SerialPortList::entryText(port));
    const int index = findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        setCurrentIndex(index);
}

void TSerialCombox::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        refreshPorts();
        showPopup();
    }
    TComboBox::mousePressEvent(e);
}
