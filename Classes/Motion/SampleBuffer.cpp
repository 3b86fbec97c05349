// The bounded time series of the live plots.
#include "Classes/Motion/SampleBuffer.h"

#include <algorithm>

SampleBuffer::SampleBuffer(Shape shape, double spanSeconds, qsizetype capacity)
    : m_shape(shape)
    , m_span(spanSeconds)
    , m_capacity(std::max<qsizetype>(capacity, 1))
{
}

void SampleBuffer::append(double timeSeconds, double value)
{
    if (!m_keys.isEmpty() && timeSeconds < m_keys.last())
        return;
    m_keys.append(timeSeconds);
    m_values.append(value);
    expire();
}

void SampleBuffer::clear()
{
    m_keys.clear();
    m_values.clear();
}

void SampleBuffer::expire()
{
    const double start = m_keys.last() - m_span;
    const qsizetype firstInSpan = std::lower_bound(m_keys.cbegin(), m_keys.cend(), start) - m_keys.cbegin();
    const bool holdsIntoSpan = m_shape == Shape::Steps && firstInSpan > 0 && m_keys.at(firstInSpan) > start;
    if (holdsIntoSpan) {
        dropFront(firstInSpan - 1);
        m_keys.first() = start;
    } else {
        dropFront(firstInSpan);
    }
    dropFront(m_keys.size() - m_capacity);
}

void SampleBuffer::dropFront(qsizetype count)
{
    // Removing from the front only moves the start of the array: no copy per sample.
    if (count <= 0)
        return;
    m_keys.remove(0, count);
    m_values.remove(0, count);
}

SampleBuffer::Series SampleBuffer::window(double from, double to) const
{
    const auto keyAt = [this](double time) { return std::upper_bound(m_keys.cbegin(), m_keys.cend(), time) - m_keys.cbegin(); };
    const qsizetype first = m_shape == Shape::Steps
        ? keyAt(from)
        : std::lower_bound(m_keys.cbegin(), m_keys.cend(), from) - m_keys.cbegin();
    const qsizetype end = std::max(first, keyAt(to));
    Series series { m_keys.mid(first, end - first), m_values.mid(first, end - first) };
    if (m_shape != Shape::Steps)
        return series;
    if (first > 0) {
        series.keys.prepend(from);
        series.values.prepend(m_values.at(first - 1));
    }
    if (!series.keys.isEmpty() && series.keys.last() < to) {
        series.keys.append(to);
        series.values.append(series.values.last());
    }
    return series;
}
