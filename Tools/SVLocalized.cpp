#include "Tools/SVLocalized.h"

namespace {
SVLocalized::Lookup& installedLookup()
{
    static SVLocalized::Lookup lookup;
    return lookup;
}
}  // namespace

void SVLocalized::setLookup(Lookup lookup)
{
    installedLookup() = std::move(lookup);
}

QString SVLocalized::text(const QString& key)
{
    const Lookup& lookup = installedLookup();
    return lookup ? lookup(key) : key;
}
