// The termios rules of a serial port: how its settings become terminal attributes, and which
// operating-system errors mean the device is gone or has no modem lines.
#pragma once

#include <sys/types.h>
#include <termios.h>

namespace ORSSerialLine {

struct Settings {
    int baudRate = 115200;
    uint numberOfDataBits = 8;
    uint numberOfStopBits = 1;
    uint parity = 0;  // 0 none, 1 odd, 2 even
    bool shouldEchoReceivedData = false;
    bool usesRTSCTSFlowControl = false;
};

// Raw mode with the framing, echo and flow control of settings; VMIN 1, VTIME 2; the receiver on,
// modem control lines ignored, hang-up on close. Speed is set separately (setSpeed).
void configure(termios& attributes, const Settings& settings);
// Both directions at baudRate; false (errno set) when the system has no such speed.
bool setSpeed(termios& attributes, int baudRate);
// Clears hardware flow control, so that pending output is not held back while closing.
void clearFlowControl(termios& attributes);

// A vanished device: a USB adapter unplugged, a pseudo-terminal whose master closed.
bool isDeviceGone(int errorCode);
// Modem lines that a device cannot read or write at all (a pseudo-terminal, some drivers).
bool hasNoModemLines(int errorCode);

} // namespace ORSSerialLine
