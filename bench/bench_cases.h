// What the benchmarks compare: each Morvane format beside the nearest strftime pattern and ICU
// SimpleDateFormat pattern, and the varied moments they all format.
#pragma once

#include "platform/platform.h"

#include <time.h>

enum BenchKind { KindTime = 0, KindDate = 1 };

// The three formatters of one pair, in the order the summary prints them.
enum BenchPeer { PeerMorvane = 0, PeerStrftime = 1, PeerIcu = 2, PeerCount = 3 };

struct BenchCase {
    BenchKind Kind;
    int Preset;           // index into TimeFormatPresets / DateFormatPresets, or -1
    const char* Format;   // Morvane's format (ASCII); checked against the preset table
    const char* Strftime; // nearest C-library pattern (glibc, "C" locale)
    const char* Icu;      // nearest ICU pattern
    const char* IcuLocale;
    bool Long; // a long format with names: per-unit cost is reported and held to its target
};

extern const BenchCase BenchCases[];
extern const int BenchCaseCount;

// Moments spread over 1970-2099; the first is the preview's sample, Sunday 5 April 2009 01:02:03.
enum { MomentCount = 256, MomentMask = MomentCount - 1 };

extern SYSTEMTIME Moments[MomentCount];
extern struct tm MomentTms[MomentCount];

void FillMoments();

// Checks that every case naming a preset holds that preset's text, so a changed preset table cannot
// silently pair unrelated patterns. Prints the mismatch and returns false.
bool CheckPresetCases();
