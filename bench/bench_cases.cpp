#include "platform/platform.h"
#include "bench/bench_cases.h"
#include "settings/clock_settings.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

// Where a token has no equal in the peer, the nearest is used: strftime in the "C" locale has no
// Japanese names and no 0-11 hour ("%I" is 01-12), and neither peer has the traditional month
// names, so "IN" maps to the month name of the locale. ICU's "K" is the 0-11 hour, "EEEEEE" the
// two-letter weekday, and the Japanese locale gives the weekday and day-half names.
const BenchCase BenchCases[] = {
    {KindTime, 0, "HH:mm", "%H:%M", "HH:mm", "en_US", false},
    {KindTime, 1, "H:mm", "%-H:%M", "H:mm", "en_US", false},
    {KindTime, 2, "hh:mm tt", "%I:%M %p", "KK:mm a", "en_US", false},
    {KindTime, 3, "h:mm tt", "%-I:%M %p", "K:mm a", "en_US", false},
    {KindTime, 4, "HH:mm:ss", "%H:%M:%S", "HH:mm:ss", "en_US", false},
    {KindTime, 5, "H:mm:ss", "%-H:%M:%S", "H:mm:ss", "en_US", false},
    {KindTime, 6, "hh:mm:ss TT", "%I:%M:%S %p", "KK:mm:ss a", "ja", false},
    {KindTime, 7, "h:mm:ss TT", "%-I:%M:%S %p", "K:mm:ss a", "ja", false},
    {KindTime, -1, "HH:mm:ss tt TT | hh:mm:ss TT tt | H:mm h:mm tt | HH:mm:ss TT tt",
     "%H:%M:%S %p %p | %I:%M:%S %p %p | %-H:%M %-I:%M %p | %H:%M:%S %p %p",
     "HH:mm:ss a a | KK:mm:ss a a | H:mm K:mm a | HH:mm:ss a a", "en_US", true},
    {KindDate, 0, "M/d", "%-m/%-d", "M/d", "en_US", false},
    {KindDate, 1, "MM/dd", "%m/%d", "MM/dd", "en_US", false},
    {KindDate, 2, "M/d (w)", "%-m/%-d (%a)", "M/d (EEEEEE)", "en_US", false},
    {KindDate, 3, "M/d (ww)", "%-m/%-d (%a)", "M/d (EEE)", "en_US", false},
    {KindDate, 4, "M/d W", "%-m/%-d  %A", "M/d  EEEE", "en_US", false},
    {KindDate, 5, "yy/M/d", "%y/%-m/%-d", "yy/M/d", "en_US", false},
    {KindDate, 6, "yyyy/M/d", "%Y/%-m/%-d", "y/M/d", "en_US", false},
    {KindDate, 7, "yyyy/M/d (Y)", "%Y/%-m/%-d (%a)", "y/M/d (E)", "ja", false},
    {KindDate, 8, "yyyy/M/d YY", "%Y/%-m/%-d  %A", "y/M/d  EEEE", "ja", true},
    {KindDate, 9, "yyyy IN d", "%Y %B %-d", "y MMMM d", "ja", false},
    {KindDate, 10, "dd-MMM-yy", "%d-%b-%y", "dd-MMM-yy", "en_US", false},
    {KindDate, 11, "W, MMMM d, yyyy", " %A, %B %-d, %Y", " EEEE, MMMM d, y", "en_US", true},
    // 63 characters, every name token; the Japanese names map to English ones in both peers.
    {KindDate, -1, "W, MMMM d, yyyy (ww) IN YY | dd-MMM-yy (w) M/d Y MMMM yyyy W ww",
     " %A, %B %-d, %Y (%a) %B  %A | %d-%b-%y (%a) %-m/%-d %a %B %Y  %A %a",
     " EEEE, MMMM d, y (EEE) MMMM  EEEE | dd-MMM-yy (EEEEEE) M/d EEE MMMM y  EEEE EEE", "en_US",
     true},
};

const int BenchCaseCount = (int)(sizeof BenchCases / sizeof BenchCases[0]);

SYSTEMTIME Moments[MomentCount];
struct tm MomentTms[MomentCount];

static const char GmtName[] = "GMT";

// A fixed-seed generator, so every run formats the same moments.
static uint32_t NextRandom(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

static void SetMoment(int index, int year, int month, int day, int hour, int minute, int second) {
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    time_t seconds = timegm(&tm); // normalises and fills tm_wday and tm_yday
    gmtime_r(&seconds, &tm);
    tm.tm_zone = GmtName;
    MomentTms[index] = tm;

    SYSTEMTIME* st = &Moments[index];
    st->wYear = (WORD)(tm.tm_year + 1900);
    st->wMonth = (WORD)(tm.tm_mon + 1);
    st->wDayOfWeek = (WORD)tm.tm_wday;
    st->wDay = (WORD)tm.tm_mday;
    st->wHour = (WORD)tm.tm_hour;
    st->wMinute = (WORD)tm.tm_min;
    st->wSecond = (WORD)tm.tm_sec;
    st->wMilliseconds = 0;
}

void FillMoments() {
    SetMoment(0, 2009, 4, 5, 1, 2, 3);
    uint32_t state = 20090405u;
    for (int i = 1; i < MomentCount; ++i) {
        int year = 1970 + (int)(NextRandom(&state) % 130);
        int month = 1 + (int)(NextRandom(&state) % 12);
        int day = 1 + (int)(NextRandom(&state) % 28);
        int hour = (int)(NextRandom(&state) % 24);
        int minute = (int)(NextRandom(&state) % 60);
        int second = (int)(NextRandom(&state) % 60);
        SetMoment(i, year, month, day, hour, minute, second);
    }
}

// Compares a UTF-16 preset with an ASCII text.
static bool SameText(const WCHAR* preset, const char* ascii) {
    while (*preset != 0 && *ascii != 0 && *preset == (WCHAR)(unsigned char)*ascii) {
        ++preset;
        ++ascii;
    }
    return *preset == 0 && *ascii == 0;
}

bool CheckPresetCases() {
    bool ok = true;
    for (int i = 0; i < BenchCaseCount; ++i) {
        const BenchCase& c = BenchCases[i];
        if (c.Preset < 0)
            continue;
        const WCHAR* preset =
            c.Kind == KindTime ? TimeFormatPresets[c.Preset] : DateFormatPresets[c.Preset];
        if (!SameText(preset, c.Format)) {
            fprintf(stderr, "bench: %s preset %d is no longer \"%s\"; update bench_cases.cpp\n",
                    c.Kind == KindTime ? "time" : "date", c.Preset, c.Format);
            ok = false;
        }
    }
    const int presets[2] = {TimePresetCount, DatePresetCount};
    for (int kind = KindTime; kind <= KindDate; ++kind) {
        int covered = 0;
        for (int i = 0; i < BenchCaseCount; ++i)
            covered += BenchCases[i].Kind == kind && BenchCases[i].Preset >= 0;
        if (covered != presets[kind]) {
            fprintf(stderr, "bench: %d of %d %s presets have a case\n", covered, presets[kind],
                    kind == KindTime ? "time" : "date");
            ok = false;
        }
    }
    return ok;
}
