// Shared by the options suites: a clean settings key per test, settings loaded as the options
// dialog loads them, and a settings key that refuses every save.
#pragma once

#include "platform/platform.h"
#include "settings/clock_settings.h"
#include "platform/shell_dialog.h"
#include "settings/settings_store.h"
#include "tests/support/fonts.h"
#include "tests/support/settings.h"

#include <gtest/gtest.h>

#include <string.h>

bool SameBytes(const void* a, const void* b, size_t size);

// The shell preparations a dialog asks for, spelled in the shell's own flags: full screen with the
// Done button and the input panel lowered (13), and the same with an empty menu bar (45).
const DWORD FullScreenWithDone = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
const DWORD FullScreenWithDoneAndEmptyMenu = FullScreenWithDone | SHIDIF_EMPTYMENU;

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

// A dialog that ended with Done (result 1), its flag clear, and that many values stored (-1:
// none, nor the key).
inline ::testing::AssertionResult DoneAndStored(INT_PTR result, int values) {
    if (result != 1)
        return ::testing::AssertionFailure() << "the dialog ended with " << result << ", not 1";
    if (SettingsDirty != 0)
        return ::testing::AssertionFailure() << "SettingsDirty is still " << SettingsDirty;
    int stored = CountSettingsValues();
    if (stored != values)
        return ::testing::AssertionFailure() << stored << " values stored, not " << values;
    return ::testing::AssertionSuccess();
}

// Makes the settings key refuse writing for as long as it lives, so every save fails.
class SettingsKeyLocked {
  public:
    SettingsKeyLocked();
    ~SettingsKeyLocked();
};
