// Shared by the options suites: a clean settings key per test, settings loaded as the options
// dialog loads them, and a settings key that refuses every save.
#pragma once

#include "platform/platform.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/support_fonts.h"
#include "tests/support_settings.h"

#include <gtest/gtest.h>

#include <string.h>

bool SameBytes(const void* a, const void* b, size_t size);

// Each test starts with nothing stored and the settings loaded, flags clear.
class OptionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsKey();
        ResetSettingsState(); // the defaults again, also when cases share a process
        EnsureSettingsLoaded();
        SettingsDirty = 0;
        MetricsDirty = 0;
    }
    void TearDown() override { DeleteSettingsKey(); }
};

// Makes the settings key refuse writing for as long as it lives, so every save fails.
class SettingsKeyLocked {
  public:
    SettingsKeyLocked();
    ~SettingsKeyLocked();
};
