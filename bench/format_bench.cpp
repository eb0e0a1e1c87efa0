// FormatTime and FormatDate against the C library's strftime and ICU's SimpleDateFormat, each on
// the nearest equivalent pattern, in one run; a summary of the ratios follows the usual report.
//
// Every formatter writes into a buffer made before its timed loop, and each iteration formats the
// next of 256 moments through a laundered pointer, so nothing is constant-folded. strftime and ICU
// get the broken-down time as Morvane does: a struct tm, and an ICU calendar whose fields are
// already computed.
#include "platform/platform.h"
#include "bench/bench_cases.h"
#include "bench/bench_summary.h"
#include "format/date_format.h"
#include "format/time_format.h"
#include "settings/clock_settings.h"

#include <benchmark/benchmark.h>
#include <unicode/fieldpos.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <locale.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

enum { PaintCapacity = 256 }; // the item's paint buffer, in units

typedef int (*Formatter)(WCHAR* out, int capacity, const SYSTEMTIME* time);

static std::vector<std::unique_ptr<icu::SimpleDateFormat>> IcuFormats; // one per case
static std::vector<std::unique_ptr<icu::Calendar>> IcuCalendars;       // one per moment

static std::string Utf8(const WCHAR* text, int length) {
    std::string out;
    icu::UnicodeString(text, length).toUTF8String(out);
    return out;
}

// Stores a case's format where the formatter reads it, and returns that formatter.
static Formatter PrepareMorvane(const BenchCase& c) {
    WCHAR format[FormatCapacity];
    int i = 0;
    for (; c.Format[i] != 0 && i < FormatCapacity - 1; ++i)
        format[i] = (WCHAR)(unsigned char)c.Format[i];
    format[i] = 0;
    if (c.Kind == KindTime) {
        CopyFormat(ClockSettings.TimeFormat, FormatCapacity, format);
        return FormatTime;
    }
    CopyFormat(ClockSettings.DateFormat, FormatCapacity, format);
    return FormatDate;
}

static void BenchMorvane(benchmark::State& state, int caseIndex) {
    const Formatter format = PrepareMorvane(BenchCases[caseIndex]);
    WCHAR out[PaintCapacity];
    double units = 0;
    for (int i = 0; i < MomentCount; ++i)
        units += format(out, PaintCapacity, &Moments[i]);
    state.SetLabel(Utf8(out, format(out, PaintCapacity, &Moments[0])));

    unsigned next = 0;
    for (auto _ : state) {
        const SYSTEMTIME* time = &Moments[next++ & MomentMask];
        benchmark::DoNotOptimize(time);
        int length = format(out, PaintCapacity, time);
        benchmark::DoNotOptimize(length);
        benchmark::ClobberMemory();
    }
    state.counters["units"] = units / MomentCount;
}

static void BenchStrftime(benchmark::State& state, int caseIndex) {
    const char* pattern = BenchCases[caseIndex].Strftime;
    char out[PaintCapacity];
    double units = 0;
    for (int i = 0; i < MomentCount; ++i)
        units += (double)strftime(out, sizeof out, pattern, &MomentTms[i]);
    state.SetLabel(std::string(out, strftime(out, sizeof out, pattern, &MomentTms[0])));

    unsigned next = 0;
    for (auto _ : state) {
        const struct tm* tm = &MomentTms[next++ & MomentMask];
        benchmark::DoNotOptimize(tm);
        size_t length = strftime(out, sizeof out, pattern, tm);
        benchmark::DoNotOptimize(length);
        benchmark::ClobberMemory();
    }
    state.counters["units"] = units / MomentCount;
}

static void BenchIcu(benchmark::State& state, int caseIndex) {
    const icu::SimpleDateFormat& format = *IcuFormats[caseIndex];
    icu::UnicodeString out(PaintCapacity, 0, 0); // room made once, kept by remove()
    icu::FieldPosition position(icu::FieldPosition::DONT_CARE);
    double units = 0;
    for (int i = 0; i < MomentCount; ++i) {
        out.remove();
        units += format.format(*IcuCalendars[i], out, position).length();
    }
    out.remove();
    std::string label;
    format.format(*IcuCalendars[0], out, position).toUTF8String(label);
    state.SetLabel(label);

    unsigned next = 0;
    for (auto _ : state) {
        icu::Calendar* calendar = IcuCalendars[next++ & MomentMask].get();
        benchmark::DoNotOptimize(calendar);
        out.remove();
        format.format(*calendar, out, position);
        benchmark::DoNotOptimize(out.length());
        benchmark::ClobberMemory();
    }
    state.counters["units"] = units / MomentCount;
}

// The fastest of the repetitions: other work on the machine only ever adds time.
static double Fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// Builds the formatters and the calendars outside any timed loop; false (after a message) when ICU
// cannot.
static bool PrepareIcu() {
    UErrorCode status = U_ZERO_ERROR;
    for (int i = 0; i < MomentCount; ++i) {
        const SYSTEMTIME& time = Moments[i];
        std::unique_ptr<icu::Calendar> calendar(new icu::GregorianCalendar(
            icu::TimeZone::createTimeZone("GMT"), icu::Locale("en_US"), status));
        if (U_FAILURE(status))
            break;
        calendar->set(time.wYear, time.wMonth - 1, time.wDay, time.wHour, time.wMinute,
                      time.wSecond);
        // Reading a field completes the calendar, so formatting only reads fields.
        if (calendar->get(UCAL_DAY_OF_WEEK, status) != time.wDayOfWeek + 1 && U_SUCCESS(status)) {
            fprintf(stderr, "bench: ICU disagrees on the weekday of moment %d\n", i);
            return false;
        }
        IcuCalendars.push_back(std::move(calendar));
    }
    for (int i = 0; i < BenchCaseCount && U_SUCCESS(status); ++i) {
        std::unique_ptr<icu::SimpleDateFormat> format(
            new icu::SimpleDateFormat(icu::UnicodeString::fromUTF8(BenchCases[i].Icu),
                                      icu::Locale(BenchCases[i].IcuLocale), status));
        if (U_SUCCESS(status))
            format->adoptTimeZone(icu::TimeZone::createTimeZone("GMT"));
        IcuFormats.push_back(std::move(format));
    }
    if (U_FAILURE(status)) {
        fprintf(stderr, "bench: ICU failed: %s\n", u_errorName(status));
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    setlocale(LC_ALL, "C");
    FillMoments();
    if (!CheckPresetCases() || !PrepareIcu())
        return 1;

    for (int i = 0; i < BenchCaseCount; ++i) {
        benchmark::RegisterBenchmark(BenchName(i, PeerMorvane).c_str(), BenchMorvane, i)
            ->ComputeStatistics(FastestStatistic, Fastest);
        benchmark::RegisterBenchmark(BenchName(i, PeerStrftime).c_str(), BenchStrftime, i)
            ->ComputeStatistics(FastestStatistic, Fastest);
        benchmark::RegisterBenchmark(BenchName(i, PeerIcu).c_str(), BenchIcu, i)
            ->ComputeStatistics(FastestStatistic, Fastest);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The default display reporter is owned by the library.
    SummaryReporter summary(benchmark::CreateDefaultDisplayReporter());
    const size_t ran = benchmark::RunSpecifiedBenchmarks(&summary);
    std::cout.flush();
    if (ran == 0) {
        fprintf(stderr, "bench: no benchmark matched the filter\n");
        return 1;
    }
    summary.Print(std::cout);
    benchmark::Shutdown();
    return 0;
}
