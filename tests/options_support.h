// Shared by the options suites: a clean settings key per test, settings loaded as the options
// dialog loads them, records and fonts to compare, and the settings a fresh process loads.
#pragma once

#include "platform/platform.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/library_state.h"
#include "tests/win_support.h"

#include <gtest/gtest.h>

#include <string.h>

// The child side of LoadInFreshProcess: load the settings and print the record and flags.
extern const char ProbeSettingsArgument[];
int PrintLoadedSettings();

struct LoadedSettings {
    ClockSettingsRecord Record;
    int Metrics;
    int Seconds;
};

// The settings another process starts with, as read from the registry.
LoadedSettings LoadInFreshProcess();

// The system font's description, as the default font mode holds it.
LOGFONTW SystemFontRecord();

LOGFONTW MakeFont(const WCHAR* face, LONG height, LONG weight, BYTE italic = 0);

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
