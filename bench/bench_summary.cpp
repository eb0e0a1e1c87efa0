#include "platform/platform.h"
#include "bench/bench_summary.h"

#include <stdio.h>
#include <string.h>

// Targets for every pair: Morvane at least this many times faster than each peer.
static const double StrftimeTarget = 3.0;
static const double IcuTarget = 30.0;
// Target for the long formats: CPU ns per UTF-16 unit of Morvane's text.
static const double NanosPerUnitTarget = 2.0;

static const char* const PeerNames[PeerCount] = {"morvane", "strftime", "icu"};

const char FastestStatistic[] = "min";

std::string BenchName(int caseIndex, BenchPeer peer) {
    const BenchCase& c = BenchCases[caseIndex];
    std::string name = c.Kind == KindTime ? "time[" : "date[";
    // The 63-character formats would widen every line of the report; they go by their length.
    name += c.Preset >= 0 ? c.Format : "long " + std::to_string(strlen(c.Format));
    name += "]/";
    name += PeerNames[peer];
    return name;
}

SummaryReporter::SummaryReporter(benchmark::BenchmarkReporter* display)
    : Display(display), Cells(BenchCaseCount * PeerCount) {}

bool SummaryReporter::ReportContext(const Context& context) {
    return Display->ReportContext(context);
}

void SummaryReporter::Finalize() {
    Display->Finalize();
}

// Files each run under its benchmark and figure; other aggregates are left to the display.
void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    Display->ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred)
            continue;
        Figure figure = FigureSingle;
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name == FastestStatistic)
                figure = FigureFastest;
            else if (run.aggregate_name == "median")
                figure = FigureMedian;
            else
                continue;
            Repetitions = (int)run.repetitions;
        }
        double scale = 1.0; // to nanoseconds
        switch (run.time_unit) {
        case benchmark::kNanosecond: scale = 1.0; break;
        case benchmark::kMicrosecond: scale = 1e3; break;
        case benchmark::kMillisecond: scale = 1e6; break;
        case benchmark::kSecond: scale = 1e9; break;
        }
        for (int i = 0; i < BenchCaseCount; ++i) {
            for (int peer = 0; peer < PeerCount; ++peer) {
                if (run.run_name.function_name != BenchName(i, (BenchPeer)peer))
                    continue;
                Cell& cell = Cells[i * PeerCount + peer];
                cell.Nanos[figure] = run.GetAdjustedCPUTime() * scale;
                auto units = run.counters.find("units");
                if (units != run.counters.end())
                    cell.Units = units->second.value;
            }
        }
    }
}

static std::string Number(double value) {
    char text[32];
    snprintf(text, sizeof text, value < 10 ? "%.2f" : value < 1000 ? "%.1f" : "%.0f", value);
    return text;
}

static std::string Column(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

SummaryReporter::Tally SummaryReporter::Check(Figure figure, std::ostream* table) const {
    Tally tally;
    for (int i = 0; i < BenchCaseCount; ++i) {
        const BenchCase& c = BenchCases[i];
        const Cell* cells = &Cells[i * PeerCount];
        const double morvane = cells[PeerMorvane].Nanos[figure];
        const double strftimeNanos = cells[PeerStrftime].Nanos[figure];
        const double icuNanos = cells[PeerIcu].Nanos[figure];
        if (morvane <= 0 || strftimeNanos <= 0 || icuNanos <= 0)
            continue; // filtered out or failed: nothing to compare
        const double strftimeRatio = strftimeNanos / morvane;
        const double icuRatio = icuNanos / morvane;
        bool held = strftimeRatio >= StrftimeTarget && icuRatio >= IcuTarget;
        ++tally.Pairs;
        tally.StrftimeHeld += strftimeRatio >= StrftimeTarget;
        tally.IcuHeld += icuRatio >= IcuTarget;

        std::string units = "-", perUnit = "-";
        if (c.Long && cells[PeerMorvane].Units > 0) {
            const double nanosPerUnit = morvane / cells[PeerMorvane].Units;
            units = Number(cells[PeerMorvane].Units);
            perUnit = Number(nanosPerUnit);
            ++tally.Longs;
            tally.UnitsHeld += nanosPerUnit <= NanosPerUnitTarget;
            held = held && nanosPerUnit <= NanosPerUnitTarget;
        }
        if (table) {
            *table << (c.Kind == KindTime ? "time " : "date ") << Column(Number(morvane), 9)
                   << Column(Number(strftimeNanos), 10) << Column(Number(icuNanos), 10)
                   << Column(Number(strftimeRatio), 12) << Column(Number(icuRatio), 9)
                   << Column(units, 8) << Column(perUnit, 9) << (held ? "  ok      " : "  MISSED  ")
                   << c.Format << "\n";
        }
    }
    return tally;
}

static void PrintTally(std::ostream& out, const char* prefix, int held, int of, const char* what) {
    out << prefix << held << " of " << of << what;
}

bool SummaryReporter::Print(std::ostream& out) const {
    // The fastest repetition when there are repetitions, else the lone runs.
    Figure figure = FigureSingle;
    for (const Cell& cell : Cells) {
        if (cell.Nanos[FigureFastest] > 0)
            figure = FigureFastest;
        else if (cell.Nanos[FigureMedian] > 0 && figure == FigureSingle)
            figure = FigureMedian;
    }
    std::string source = "one run each";
    if (figure != FigureSingle) {
        source = (figure == FigureFastest ? "fastest of " : "median of ") +
                 std::to_string(Repetitions) + " repetitions each";
    }
    out << "\nSummary: CPU ns per call (" << source << "); ratio = peer's time / Morvane's time.\n"
        << "Targets: ratio >= " << StrftimeTarget << " against strftime, >= " << IcuTarget
        << " against ICU; <= " << NanosPerUnitTarget
        << " ns per output unit (UTF-16) on the long formats.\n\n";
    out << "kind " << Column("Morvane", 9) << Column("strftime", 10) << Column("ICU", 10)
        << Column("x strftime", 12) << Column("x ICU", 9) << Column("units", 8)
        << Column("ns/unit", 9) << "  result  format\n";

    const Tally tally = Check(figure, &out);
    out << "\n";
    PrintTally(out, "strftime target held on ", tally.StrftimeHeld, tally.Pairs, " pairs; ");
    PrintTally(out, "ICU target on ", tally.IcuHeld, tally.Pairs, "; ");
    PrintTally(out, "per-unit target on ", tally.UnitsHeld, tally.Longs, " long formats.\n");
    if (figure == FigureFastest) {
        const Tally medians = Check(FigureMedian, nullptr);
        PrintTally(out, "By the medians instead: strftime target held on ", medians.StrftimeHeld,
                   medians.Pairs, " pairs; ");
        PrintTally(out, "ICU target on ", medians.IcuHeld, medians.Pairs, "; ");
        PrintTally(out, "per-unit target on ", medians.UnitsHeld, medians.Longs, ".\n");
    }
    if (tally.Pairs == 0)
        out << "No pair was measured in full.\n";
    else
        out << (tally.All() ? "All targets hold.\n" : "Some targets are MISSED.\n");
    return tally.All();
}
