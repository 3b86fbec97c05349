#include "Api/Source/ORSSerialLine.h"

#include <cerrno>

namespace ORSSerialLine {

static tcflag_t characterSize(uint numberOfDataBits)
{
    switch (numberOfDataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default: return 0;  // bits left cleared: 5-bit characters
    }
}

void configure(termios& attributes, const Settings& settings)
{
    cfmakeraw(&attributes);
    attributes.c_cc[VMIN] = 1;
    attributes.c_cc[VTIME] = 2;

    attributes.c_cflag &= ~CSIZE;
    attributes.c_cflag |= characterSize(settings.numberOfDataBits);

    if (settings.parity == 1) {
        attributes.c_cflag |= PARENB | PARODD;
    } else if (settings.parity == 2) {
        attributes.c_cflag |= PARENB;
        attributes.c_cflag &= ~PARODD;
    } else {
        attributes.c_cflag &= ~PARENB;
    }

    if (settings.numberOfStopBits > 1)
        attributes.c_cflag |= CSTOPB;
    else
        attributes.c_cflag &= ~CSTOPB;

    if (settings.shouldEchoReceivedData)
        attributes.c_lflag |= ECHO;
    else
        attributes.c_lflag &= ~ECHO;

    if (settings.usesRTSCTSFlowControl)
        attributes.c_cflag |= CRTSCTS;
    else
        attributes.c_cflag &= ~CRTSCTS;

    attributes.c_cflag |= HUPCL | CLOCAL | CREAD;
    attributes.c_lflag &= ~(ICANON | ISIG);
}

bool setSpeed(termios& attributes, int baudRate)
{
    if (baudRate < 0) {
        errno = EINVAL;
        return false;
    }
    return cfsetspeed(&attributes, static_cast<speed_t>(baudRate)) == 0;
}

void clearFlowControl(termios& attributes)
{
    attributes.c_cflag &= ~CRTSCTS;
}

bool isDeviceGone(int errorCode)
{
    return errorCode == EIO || errorCode == ENXIO || errorCode == ENODEV;
}

bool hasNoModemLines(int errorCode)
{
    return errorCode == ENOTTY || errorCode == EINVAL;
}

} // namespace ORSSerialLine
