// The demo's box of new servos: a bus that starts empty and gets one new servo at the factory ID
// each time connectNext() is called, as a user building a robot plugs in the next one. Each new
// servo stands somewhere of its own and is a little warmer or cooler than the last, as real ones
// are, so that two at one ID give each other away on the line. On request one call connects two.
#pragma once

#include "VirtualServo/VirtualServo.h"

class DemoServoBox {
public:
    // count new servos for bus; the bus's servos are disconnected first.
    DemoServoBox(VirtualServo& bus, int count);

    // Connects the next servo of the box (two when this is the call pairAt names); false when the
    // box is empty.
    bool connectNext();
    int left() const { return m_left; }
    // The call (counted from 1) that connects two servos at once; 0 for none.
    void setPairAt(int call) { m_pairAt = call; }
    // The pair call from the environment variable SERVODESK_DEMO_NEW_PAIR_AT, for tests.
    void setPairAtFromEnvironment();

    // The window's box, when it runs with --demo-new: its ID assignment connects the next servo from
    // it each time it asks. Set and cleared on the main thread.
    static DemoServoBox* shared() { return s_shared; }
    static void setShared(DemoServoBox* box) { s_shared = box; }

private:
    void connectOne();

    VirtualServo& m_bus;
    int m_left = 0;
    int m_calls = 0;
    int m_connected = 0;
    int m_pairAt = 0;
    static inline DemoServoBox* s_shared = nullptr;
};
