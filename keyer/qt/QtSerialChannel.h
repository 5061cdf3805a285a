#pragma once

// The serial channel on Qt SerialPort. Every wait runs a local event loop, so
// the window keeps painting (and "Reading" is seen) while a transfer runs.

#include "keyer/SerialChannel.h"

#include <QSerialPort>
#include <functional>
#include <string>

class QtSerialChannel : public SerialChannel {
  public:
    explicit QtSerialChannel(std::string configFolder, LinkTimings timings = {});
    ~QtSerialChannel() override;

    int OpenPort(int port) override;
    int WritePort(const std::uint8_t* data, int count) override;
    int ReadPort(std::uint8_t* buffer, int count) override;
    void ClosePort() override;
    bool PortOpen() const override { return portOpen; }
    int LastReadCount() const override { return lastReadCount; }
    const LinkTimings& Timings() const override { return timings; }
    std::string FailureReason() const override { return failureReason; }
    bool LineLost() const override { return portOpen && LineBroken(); }

    void SetProgress(std::function<void(int done, int total)> tell) override { progress = std::move(tell); }

  protected:
    // The steps of opening that touch the line; a test may watch them.
    virtual bool ApplyLineSettings();
    virtual void ApplyModemLines(bool dtr, bool rts);

  private:
    int Fail(int status, std::string reason);

    bool LineBroken() const;
    int BytesNotYetSent() const;

    std::string configFolder;
    LinkTimings timings;
    QSerialPort port;
    bool portOpen = false;
    int lastReadCount = 0;
    std::string failureReason;
    std::function<void(int, int)> progress;
};
