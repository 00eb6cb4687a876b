#include "ui/widgets/myComboBox.h"

#include "link/SerialPortList.h"

#include <QMouseEvent>

myComboBox::myComboBox(QWidget *parent) : QComboBox(parent)
{}

void myComboBox::refreshPortNames()
{
    clear();
    const auto ports = SerialPortList::availablePorts();
    for (const SerialPortEntry &port : ports)
        addItem(port.portName);
}

void myComboBox::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::RightButton)
        refreshPortNames();
    else if (e->button() == Qt::LeftButton)
        showPopup();
}
