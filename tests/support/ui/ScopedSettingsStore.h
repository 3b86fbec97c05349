// Installs an in-memory settings store for the life of a test, so that no test reads or writes the
// user's real settings.
#pragma once

#include "Tools/SettingsStore.h"

class ScopedSettingsStore : public MemorySettingsStore {
public:
    ScopedSettingsStore() { SettingsStore::install(this); }
    ~ScopedSettingsStore() override { SettingsStore::install(nullptr); }
    ScopedSettingsStore(const ScopedSettingsStore&) = delete;
    ScopedSettingsStore& operator=(const ScopedSettingsStore&) = delete;
};
