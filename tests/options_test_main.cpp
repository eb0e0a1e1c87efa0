// Entry of the options suites: the test executable links the library's resources, so attaching
// its own module lets the dialogs find their templates, the icon and the class name.
#include "platform/platform.h"
#include "item/module.h"
#include "tests/support/options.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ModuleAttach(GetModuleHandleW(NULL));
    if (argc > 1 && strcmp(argv[1], ProbeSettingsArgument) == 0)
        return PrintLoadedSettings();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
