// The cheapest Qt program doing the window's state poll, the yardstick of the window's idle cost: a
// QSerialPort, a one-second timer that sends the four read requests the state poll sends (temperature,
// voltage, position, motor load of one servo, as one write), and three labels showing the decoded
// temperature, voltage and position. Started by `window_bench idle-cpu` (bench/MeasuredChild.h):
//
//   plain_poll PORT [servo-id [paced]]   (servo 1 by default)
//
// "paced" writes the four requests 30 ms apart, each with a single-shot timer, as the window's encoder
// paces its logged frames: the same traffic on the line as the window's poll, at the least cost a Qt
// program pays for it.
//
// It warms up for 3.5 s, says "ready", polls until its input ends, then reports the replies it decoded
// meanwhile and the labels' texts before and after.
#include "Api/Bus/Protocol.h"
#include "bench/MeasuredChild.h"

#include <QApplication>
#include <QLabel>
#include <QSerialPort>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class PlainPoll : public QWidget {
public:
    PlainPoll(const QString& portPath, uint8_t servoId, bool paced) : m_port(portPath), m_paced(paced)
    {
        for (uint8_t command : {SVProtocol::ReadTemperature, SVProtocol::ReadVoltage, SVProtocol::ReadPosition,
                                SVProtocol::ReadMotorLoad})
            m_requests.append(SVProtocol::frame(servoId, command));
        auto* layout = new QVBoxLayout(this);
        for (QLabel* label : {&m_temperature, &m_voltage, &m_position})
            layout->addWidget(label);
        connect(&m_port, &QSerialPort::readyRead, this, [this] { take(m_port.readAll()); });
        connect(&m_poll, &QTimer::timeout, this, &PlainPoll::poll);
    }

    bool start()
    {
        m_port.setBaudRate(115200);
        if (!m_port.open(QIODevice::ReadWrite)) {
            std::fprintf(stderr, "plain_poll: %s\n", qPrintable(m_port.errorString()));
            return false;
        }
        poll();
        m_poll.start(1000);
        return true;
    }

    void poll()
    {
        if (!m_paced) {
            m_port.write(m_requests.join());
            return;
        }
        for (qsizetype k = 0; k < m_requests.size(); ++k)
            QTimer::singleShot(int(30 * k), Qt::PreciseTimer, this, [this, k] { m_port.write(m_requests[k]); });
    }

    int repliesDecoded() const { return m_replies; }
    void resetCount() { m_replies = 0; }
    QString texts() const
    {
        return m_temperature.text() + QStringLiteral(", ") + m_voltage.text() + QStringLiteral(", ") + m_position.text();
    }

private:
    // Cuts whole frames with a valid checksum from the bytes read so far and shows their values.
    void take(const QByteArray& bytes)
    {
        m_pending += bytes;
        while (m_pending.size() >= SVProtocol::frameOverhead) {
            const qsizetype header = m_pending.indexOf(QByteArrayLiteral("\x55\x55"));
            if (header != 0) {
                m_pending.remove(0, header < 0 ? m_pending.size() - 1 : header);
                continue;
            }
            const qsizetype size = uint8_t(m_pending[SVProtocol::lengthOffset]) + 3;
            if (size < SVProtocol::frameOverhead) {
                m_pending.remove(0, 1);
                continue;
            }
            if (m_pending.size() < size)
                return;
            const QByteArray frame = m_pending.first(size);
            if (SVProtocol::checksum(QByteArrayView(frame).first(size - 1)) != uint8_t(frame.back())) {
                m_pending.remove(0, 1);
                continue;
            }
            showValues(frame);
            m_pending.remove(0, size);
        }
    }

    void showValues(const QByteArray& frame)
    {
        const auto parameter = [&](int index) { return uint8_t(frame[SVProtocol::firstParameterOffset + index]); };
        const int parameters = int(frame.size()) - SVProtocol::frameOverhead;
        const uint8_t command = uint8_t(frame[SVProtocol::commandOffset]);
        ++m_replies;
        if (command == SVProtocol::ReadTemperature && parameters >= 1)
            m_temperature.setText(QStringLiteral("%1 °C").arg(parameter(0)));
        else if (command == SVProtocol::ReadVoltage && parameters >= 2)
            m_voltage.setText(QStringLiteral("%1 mV").arg(SVProtocol::wordFrom(parameter(0), parameter(1))));
        else if (command == SVProtocol::ReadPosition && parameters >= 2)
            m_position.setText(QString::number(SVProtocol::signedWordFrom(parameter(0), parameter(1))));
    }

    QSerialPort m_port;
    QTimer m_poll;
    const bool m_paced;
    QList<QByteArray> m_requests;
    QByteArray m_pending;
    QLabel m_temperature, m_voltage, m_position;
    int m_replies = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int servoId = argc > 2 ? std::atoi(argv[2]) : 1;
    const bool paced = argc > 3 && std::strcmp(argv[3], "paced") == 0;
    if (argc < 2 || servoId < 0 || servoId > 253 || (argc > 3 && !paced)) {
        std::fprintf(stderr, "usage: %s PORT [servo-id 0-253 [paced]]\n", argv[0]);
        return 2;
    }
    PlainPoll window(QString::fromLocal8Bit(argv[1]), uint8_t(servoId), paced);
    window.show();
    if (!window.start())
        return 1;
    // The first replies fill every label once; the measured time then starts half-way between two
    // polls, as the window's does.
    QEventLoop warmUp;
    QTimer::singleShot(3500, &warmUp, &QEventLoop::quit);
    warmUp.exec();
    const QString before = window.texts();
    window.resetCount();
    MeasuredChild::announceReady();
    MeasuredChild::serveUntilReleased();
    std::fprintf(MeasuredChild::report(), "replies decoded %d; labels %s -> %s\n", window.repliesDecoded(), qPrintable(before),
                qPrintable(window.texts()));
    return window.repliesDecoded() > 0 ? 0 : 1;
}
