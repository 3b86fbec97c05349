// A bounded time series for the live plots: the samples of the last span seconds before the newest one,
// never more than a fixed number of them, in time order.
#pragma once

#include <QVector>

class SampleBuffer {
public:
    // How the series reads between its samples. Points are measurements: none holds beyond itself.
    // Steps are set values: each holds until the next, so the one in force where the span begins is
    // kept there, moved to the span's start.
    enum class Shape { Points, Steps };

    struct Series {
        QVector<double> keys;
        QVector<double> values;
    };

    static constexpr double defaultSpanSeconds = 20;
    static constexpr qsizetype defaultCapacity = 4000;  // 20 s at 200 samples a second

    explicit SampleBuffer(Shape shape = Shape::Points, double spanSeconds = defaultSpanSeconds,
        qsizetype capacity = defaultCapacity);

    // Adds a sample. One older than the newest is dropped, so that the keys stay sorted.
    void append(double timeSeconds, double value);
    void clear();

    qsizetype size() const { return m_keys.size(); }
    bool isEmpty() const { return m_keys.isEmpty(); }
    const QVector<double>& keys() const { return m_keys; }
    const QVector<double>& values() const { return m_values; }

    // What is drawn for the time from..to: the samples in it and, for steps, the value in force at
    // `from` and the last value held until `to`.
    Series window(double from, double to) const;

private:
    void expire();
    void dropFront(qsizetype count);

    Shape m_shape;
    double m_span;
    qsizetype m_capacity;
    QVector<double> m_keys;
    QVector<double> m_values;
};
