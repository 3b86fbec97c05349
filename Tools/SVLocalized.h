// The one place the widgets look up user-visible texts by key. The application installs the real
// language lookup at start; until then (and in tests that install nothing) a key shows as itself.
#pragma once

#include <QString>

#include <functional>

namespace SVLocalized {

using Lookup = std::function<QString(const QString& key)>;

void setLookup(Lookup lookup);  // an empty function restores the key-as-text lookup
QString text(const QString& key);

}  // namespace SVLocalized
