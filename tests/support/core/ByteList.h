// Byte strings written as lists of numbers, as frames are written in the protocol's tables.
#pragma once

#include <QByteArray>

#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray data;
    for (int value : values)
        data.append(char(value));
    return data;
}
