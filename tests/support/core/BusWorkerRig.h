// The window's bus over a pseudo-terminal to a paced virtual bus of servos, as the window has it: its
// jobs on the encoder's queue, the line's one reply router (the replies nobody awaits go to whatever
// handler a test gives it), the port's removal and errors passed on by a delegate as the window's
// controller does.
#pragma once

#include "Api/Bus/BusWorker.h"
#include "Api/SVSerial.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/EventLoopWait.h"

#include <memory>

class BusWorkerRig : public ORSSerialPortDelegate {
public:
    explicit BusWorkerRig(const QList<VirtualServo::Settings>& servos)
        : bus(servos)
    {
    }
    ~BusWorkerRig() override
    {
        worker.reset();
        if (!port)
            return;
        port->setDelegate(nullptr);
        port->close();
        waitForCondition([&] { return !port->isOpen(); });
    }

    // Opens the port on the paced bus and starts the worker; false when either fails.
    bool open()
    {
        if (!bus.isValid())
            return false;
        bus.setLinePacing(true);
        port = ORSSerialPort::serialPortWithPath(bus.slavePath());
        port->setDelegate(this);
        port->open();
        if (!port->isOpen())
            return false;
        encoder.setSerialPort(port);
        worker = std::make_unique<BusWorker>(port, encoder.queue(), replies);
        return true;
    }

    void serialPortWasRemovedFromSystem(ORSSerialPort*) override
    {
        if (worker)
            worker->deliverRemoval();
    }
    void serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError& error) override
    {
        if (worker)
            worker->deliverError(error);
    }

    VirtualServo bus;
    SVSerial encoder;
    ReplyRouter replies;
    ORSSerialPort::Ptr port;
    std::unique_ptr<BusWorker> worker;
};
