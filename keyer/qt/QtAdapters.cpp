#include "keyer/qt/QtAdapters.h"

#include "keyer/PortProblems.h"

#include <QSerialPortInfo>

AdapterDescriptions SystemAdapters()
{
    AdapterDescriptions adapters;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string device = ResolveDevice(info.systemLocation().toStdString());
        QString description = info.description();
        if (description.isEmpty())
            description = info.manufacturer();
        adapters[device] = description.toStdString();
    }
    return adapters;
}
