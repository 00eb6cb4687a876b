#include "ui/widgets/OrveMyComboBox.h"

#include "link/SerialPortList.h"

#include <QMouseEvent>

namespace ORVE {

myComboBox::myComboBox(QWidget *parent) : QComboBox(parent)
{
    refreshPorts();
}

void myComboBox::refreshPorts()
{
    clear();
    const auto ports = SerialPortList::availablePorts();
    for (const SerialPortEntry &port : ports)
        addItem(SerialPortList::entryText(port));
}

void myComboBox::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton) {
        refreshPorts();
        showPopup();
    }
}

} // namespace ORVE
