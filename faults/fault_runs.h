// The passes: the session once with no fault, which counts each import's calls, then one fresh
// process per injection point, so a crash at one point cannot hide another.
//   once   the Nth call of F fails once, for every F and every N the baseline saw
//   from   every call of F fails from the Nth on, for the first, middle and last N
//   first  every call of F fails from the first on (the bounded pass of the suites)
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

enum PassKind { PassOnce, PassFrom, PassFirst };

struct PassOptions {
    std::wstring Injector; // this program
    std::wstring Library;
    std::vector<PassKind> Passes;
    std::string Only; // one function, or all when empty
    int Jobs = 1;
    DWORD LimitMilliseconds = 60000; // a run that takes longer has hung
};

// Prints each pass's figures and every point that failed; returns 0 when all ran clean, 1 when
// any point failed, 2 when the baseline itself did not.
int RunPasses(const PassOptions& options);
