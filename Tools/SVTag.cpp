#include "Tools/SVTag.h"

#include <QObject>
#include <QVariant>

namespace {
constexpr const char* tagProperty = "tag";
}

void setTag(QObject* object, int tag)
{
    object->setProperty(tagProperty, tag);
}

int tagOf(const QObject* object)
{
    return object ? object->property(tagProperty).toInt() : 0;
}
