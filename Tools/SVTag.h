// The integer tag every control carries, by which the window controller tells senders apart.
#pragma once

#include <QObject>
#include <QVariant>

inline constexpr const char* kSVTagProperty = "tag";

inline void setTag(QObject* object, int tag)
{
    object->setProperty(kSVTagProperty, tag);
}

// 0 for an object that was never tagged, as for an untagged control.
inline int tagOf(const QObject* object)
{
    return object ? object->property(kSVTagProperty).toInt() : 0;
}
