// How closely the servos follow the path their set-points command: each position read is compared
// with the commanded path at the time of the read (a straight line from one set-point to the
// next), and each servo's largest difference is kept per loop of the play.
#pragma once

#include <QList>
#include <QMap>
#include <QPair>

class CommandTracking {
public:
    // A set-point: the servo is to be at position at seconds.
    void addSetPoint(int servoId, double seconds, int position);
    // A position read at seconds; compared when the set-points around that time are known.
    void addRead(int servoId, double seconds, int position);
    // The loop's largest differences become the last loop's; the next loop starts with none.
    void endLoop();
    // Servo ID to its largest difference over the last loop ended.
    const QMap<int, int>& lastLoop() const { return m_lastLoop; }
    void clear();

private:
    static constexpr qsizetype kept = 16;  // set-points kept per servo: more than a batch of reads spans
    QMap<int, QList<QPair<double, int>>> m_recent;
    QMap<int, int> m_thisLoop;
    QMap<int, int> m_lastLoop;
};
