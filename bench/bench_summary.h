// Collects the runs as the display reporter prints them, then prints one line per pair: ns per call
// of Morvane, strftime and ICU, the two ratios, the cost per output unit of the long formats, and
// whether each target holds.
#pragma once

#include "bench/bench_cases.h"

#include <benchmark/benchmark.h>

#include <ostream>
#include <string>
#include <vector>

// The statistic every benchmark adds to its repetitions, and the one the summary prefers.
extern const char FastestStatistic[];

// The benchmark's name for one formatter of one case, e.g. "date[M/d (w)]/icu".
std::string BenchName(int caseIndex, BenchPeer peer);

class SummaryReporter : public benchmark::BenchmarkReporter {
  public:
    explicit SummaryReporter(benchmark::BenchmarkReporter* display);

    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // Prints the table; returns whether every measured pair met its targets.
    bool Print(std::ostream& out) const;

  private:
    // Which figure of a benchmark's runs a value is: a lone run, or the median or the fastest of
    // its repetitions.
    enum Figure { FigureSingle, FigureMedian, FigureFastest, FigureCount };

    struct Cell {
        double Nanos[FigureCount] = {-1, -1, -1}; // CPU ns per call; negative until measured
        double Units = 0;                         // mean output length over the moments
    };

    // How many pairs met each target by one figure.
    struct Tally {
        int Pairs = 0, StrftimeHeld = 0, IcuHeld = 0, Longs = 0, UnitsHeld = 0;
        bool All() const {
            return Pairs > 0 && StrftimeHeld == Pairs && IcuHeld == Pairs && UnitsHeld == Longs;
        }
    };

    // Checks every pair measured by figure; prints one line per pair when table is given.
    Tally Check(Figure figure, std::ostream* table) const;

    benchmark::BenchmarkReporter* Display;
    std::vector<Cell> Cells; // BenchCaseCount * PeerCount
    int Repetitions = 1;
};
