#include "keyer/qt/QtSerialChannel.h"

#include "keyer/PortNames.h"
#include "keyer/PortProblems.h"
#include "keyer/PortWords.h"
#include "keyer/qt/QtWaiter.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace {

// Runs the event loop until `done` holds or the deadline passes; wakes on the
// port's signals and every 10 ms, so no signal can be missed.
template <typename Done> void WaitUntil(QSerialPort& port, const QDeadlineTimer& deadline, Done done)
{
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer tick;
        tick.setSingleShot(true);
        QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&port, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&port, &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
        QObject::connect(&port, &QSerialPort::errorOccurred, &loop, &QEventLoop::quit);
        tick.start(static_cast<int>(std::min<qint64>(10, std::max<qint64>(1, deadline.remainingTime()))));
        loop.exec();
    }
}

} // namespace

QtSerialChannel::QtSerialChannel(std::string configFolder, LinkTimings timings)
    : configFolder(std::move(configFolder)), timings(timings)
{
}

QtSerialChannel::~QtSerialChannel()
{
    ClosePort();
}

int QtSerialChannel::Fail(int status, std::string reason)
{
    failureReason = std::move(reason);
    return status;
}

int QtSerialChannel::OpenPort(int number)
{
    failureReason.clear();
    const std::string named = PortDevice(number, configFolder);
    if (named.empty())
        return Fail(LinkStatus::CommOpen, NoDeviceForPort(number));
    // The lock must name the device itself, not the link that leads to it,
    // or a second program reaching it under another name would get in.
    const std::string device = ResolveDevice(named);
    port.setPortName(QString::fromStdString(device));
    ClearStaleLock(device);
    // Qt takes the port for itself alone (a lock file and TIOCEXCL), so a
    // port another program holds fails here, as it should.
    if (!port.open(QIODevice::ReadWrite))
        return Fail(LinkStatus::CommOpen, ExplainOpenFailure(device, port.errorString().toStdString()));
    portOpen = true;

    if (!ApplyLineSettings())
        return Fail(LinkStatus::SetCommState, SettingsRefused(device, port.errorString().toStdString()));
    ApplyModemLines(timings.dtr, timings.rts);
    port.clearError();

    WaitWithEvents(timings.settleMs);
    if (!port.clear(QSerialPort::Input))
        return Fail(LinkStatus::CommPurge, PurgeFailed(device, port.errorString().toStdString()));
    return LinkStatus::Ok;
}

bool QtSerialChannel::ApplyLineSettings()
{
    // Qt read the port's settings when it opened it; a refusal of the speed
    // or frame is a refused setting. Flow control is none: the keyer uses
    // none, and it is the setting under which a write cannot wait forever
    // for a CTS that never comes.
    return port.setBaudRate(timings.baudRate) &&
           port.setDataBits(static_cast<QSerialPort::DataBits>(timings.dataBits)) &&
           port.setParity(QSerialPort::NoParity) &&
           port.setStopBits(static_cast<QSerialPort::StopBits>(timings.stopBits)) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialChannel::ApplyModemLines(bool dtr, bool rts)
{
    // Pseudo-terminals and some adapters have no modem lines; their refusal
    // of DTR and RTS does not make the port unusable, so it is not a failure.
    port.setDataTerminalReady(dtr);
    port.setRequestToSend(rts);
}

bool QtSerialChannel::LineBroken() const
{
    const auto error = port.error();
    return !port.isOpen() || error == QSerialPort::ResourceError || error == QSerialPort::PermissionError ||
           error == QSerialPort::DeviceNotFoundError || error == QSerialPort::ReadError;
}

int QtSerialChannel::BytesNotYetSent() const
{
    int pending = static_cast<int>(port.bytesToWrite());
#ifdef Q_OS_UNIX
    // Bytes the driver still holds have not reached the keyer either; closing
    // the port before they leave could cut them off.
    int queued = 0;
    if (port.isOpen() && ::ioctl(static_cast<int>(port.handle()), TIOCOUTQ, &queued) == 0)
        pending += queued;
#endif
    return pending;
}

int QtSerialChannel::WritePort(const std::uint8_t* data, int count)
{
    if (!portOpen || LineBroken() || count < 0)
        return 0;
    if (port.write(reinterpret_cast<const char*>(data), count) != count)
        return 0;
    // Writes get a bound too: the line time of the bytes plus a margin.
    const QDeadlineTimer deadline(static_cast<qint64>(count * timings.lineMsPerByte) + timings.writeMarginMs);
    WaitUntil(port, deadline, [this, count] {
        const int left = BytesNotYetSent();
        if (progress)
            progress(count - std::min(left, count), count);
        return LineBroken() || left == 0;
    });
    if (LineBroken() || BytesNotYetSent() != 0) {
        // Whatever is left must not go out later, in the middle of another command.
        if (port.isOpen())
            port.clear(QSerialPort::Output);
        return 0;
    }
    return 1;
}

int QtSerialChannel::ReadPort(std::uint8_t* buffer, int count)
{
    lastReadCount = 0;
    if (!portOpen || count < 0)
        return 0;
    const QDeadlineTimer deadline(timings.readTimeoutMs);
    int got = 0;
    const auto take = [&] {
        if (port.isOpen() && got < count) {
            const qint64 n = port.read(reinterpret_cast<char*>(buffer) + got, count - got);
            if (n > 0)
                got += static_cast<int>(n);
            if (n > 0 && progress)
                progress(got, count);
        }
        return got == count || LineBroken();
    };
    WaitUntil(port, deadline, take);
    take();
    lastReadCount = got;
    return got == count ? 1 : 0;
}

void QtSerialChannel::ClosePort()
{
    if (port.isOpen())
        port.close();
    portOpen = false;
}
