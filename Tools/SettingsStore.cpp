#include "Tools/SettingsStore.h"

namespace {
SettingsStore* installedStore = nullptr;
}

SettingsStore& SettingsStore::standard()
{
    if (installedStore)
        return *installedStore;
    // Created on first use, after main() has set the organization and application names.
    static QSettingsStore userStore;
    return userStore;
}

void SettingsStore::install(SettingsStore* store)
{
    installedStore = store;
}
