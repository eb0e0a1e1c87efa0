#include "platform/platform.h"
#include "faults/fault_runs.h"
#include "faults/import_table.h"
#include "tests/support/text.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <sstream>

namespace {

struct Point {
    std::string Function;
    unsigned At;
    bool From;
};

enum Outcome { Clean, Crashed, Hung, Leaked, Lost, OutcomeCount };

struct RunResult {
    bool Ended = false;
    DWORD ExitCode = 0;
    std::string Output;
};

struct Verdict {
    Outcome What = Clean;
    std::string Detail;
};

struct Running {
    HANDLE Process;
    HANDLE OutputFile;
    std::wstring OutputPath;
    DWORD Started;
    size_t Index;
};

const char* Width() {
    return sizeof(void*) == 8 ? "x86_64" : "i686";
}

const char* PassName(PassKind pass) {
    switch (pass) {
    case PassOnce: return "once";
    case PassFrom: return "from";
    case PassFirst: return "first";
    }
    return "?";
}

std::wstring SessionArguments(const PassOptions& options, const Point* point) {
    std::wstring arguments = L" --session --dll \"" + options.Library + L"\"";
    if (point) {
        arguments +=
            L" --fail " + Utf16(point->Function.c_str()) + L" --at " + std::to_wstring(point->At);
        if (point->From)
            arguments += L" --from";
    }
    return arguments;
}

std::string RepeatCommand(const Point& point) {
    std::ostringstream out;
    out << "fault_injector.exe --session --fail " << point.Function << " --at " << point.At
        << (point.From ? " --from" : "");
    return out.str();
}

bool Start(const PassOptions& options, const Point* point, Running* run) {
    WCHAR folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"flt", 0, path);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE output = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, NULL);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, NULL);
    std::wstring line = L"\"" + options.Injector + L"\"" + SessionArguments(options, point);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION started = {};
    BOOL ok = CreateProcessW(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &started);
    CloseHandle(input);
    if (!ok) {
        CloseHandle(output);
        DeleteFileW(path);
        return false;
    }
    CloseHandle(started.hThread);
    *run = {started.hProcess, output, path, GetTickCount(), 0};
    return true;
}

RunResult Finish(Running& run, bool timedOut) {
    RunResult result;
    if (timedOut) {
        TerminateProcess(run.Process, 4);
        WaitForSingleObject(run.Process, INFINITE);
    } else {
        result.Ended = true;
        GetExitCodeProcess(run.Process, &result.ExitCode);
    }
    CloseHandle(run.Process);
    CloseHandle(run.OutputFile);
    if (FILE* file = _wfopen(run.OutputPath.c_str(), L"rb")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
            result.Output.append(buffer, got);
        fclose(file);
    }
    DeleteFileW(run.OutputPath.c_str());
    return result;
}

// Runs the session for each point, Jobs at a time; a null point list entry is the baseline.
std::vector<RunResult> RunAll(const PassOptions& options, const std::vector<const Point*>& points) {
    std::vector<RunResult> results(points.size());
    std::vector<Running> running;
    size_t next = 0;
    while (next < points.size() || !running.empty()) {
        while (next < points.size() && (int)running.size() < options.Jobs) {
            Running run;
            if (Start(options, points[next], &run)) {
                run.Index = next;
                running.push_back(run);
            } else {
                results[next].Output = "the injector could not start itself";
            }
            ++next;
        }
        if (running.empty())
            continue;
        std::vector<HANDLE> handles;
        for (const Running& run : running)
            handles.push_back(run.Process);
        WaitForMultipleObjects((DWORD)handles.size(), handles.data(), FALSE, 100);
        for (size_t i = running.size(); i-- > 0;) {
            bool ended = WaitForSingleObject(running[i].Process, 0) == WAIT_OBJECT_0;
            bool late = GetTickCount() - running[i].Started > options.LimitMilliseconds;
            if (!ended && !late)
                continue;
            results[running[i].Index] = Finish(running[i], !ended);
            running.erase(running.begin() + i);
        }
    }
    return results;
}

std::vector<std::string> Lines(const std::string& text, const char* prefix) {
    std::vector<std::string> found;
    std::istringstream in(text);
    std::string line;
    size_t length = strlen(prefix);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, length, prefix) == 0)
            found.push_back(line.substr(length));
    }
    return found;
}

std::string LastStep(const std::string& output) {
    std::vector<std::string> steps = Lines(output, "step ");
    return steps.empty() ? std::string("(none)") : steps.back();
}

// The process's windows after detach, as the session counted them.
bool Windows(const std::string& output, int* windows) {
    std::vector<std::string> lines = Lines(output, "windows ");
    return !lines.empty() && sscanf(lines.back().c_str(), "%d", windows) == 1;
}

// Whether the session ran at all: its first line, the first step's, is printed and flushed before
// anything else it does. A process that printed none of its own lines (Wine's own messages may be
// there) was never started by Wine, however long it was given.
bool Started(const RunResult& run) {
    return !Lines(run.Output, "step ").empty();
}

Verdict Judge(const RunResult& run, int baselineWindows) {
    Verdict verdict;
    std::vector<std::string> crash = Lines(run.Output, "crash ");
    if (!crash.empty())
        return {Crashed, crash[0]};
    if (!Started(run))
        return {Hung, "Wine did not start it, twice"};
    if (!run.Ended)
        return {Hung, "no end within the time limit, in step " + LastStep(run.Output)};
    if (Lines(run.Output, "done").empty())
        return {Crashed,
                "exit code " + std::to_string(run.ExitCode) + " in step " + LastStep(run.Output)};
    std::vector<std::string> stuck = Lines(run.Output, "stuck ");
    if (!stuck.empty())
        return {Hung, "a dialog no way out could close"};
    std::vector<std::string> leaks = Lines(run.Output, "leak ");
    if (!leaks.empty())
        return {Leaked, "an object from " + leaks[0] + " outlived detach"};
    int windows = 0;
    if (Windows(run.Output, &windows) && windows > baselineWindows)
        return {Leaked, std::to_string(windows) + " windows after detach, the baseline " +
                            std::to_string(baselineWindows)};
    std::vector<std::string> lost = Lines(run.Output, "lost ");
    std::vector<std::string> garbage = Lines(run.Output, "garbage ");
    if (!lost.empty())
        return {Lost, "the store differs from the settings in " + lost[0]};
    if (!garbage.empty())
        return {Lost, "a stored value no setting has: " + garbage[0]};
    return verdict;
}

std::vector<Point> PointsOf(PassKind pass, const std::map<std::string, unsigned>& calls,
                            const std::string& only) {
    std::vector<Point> points;
    for (const auto& [name, count] : calls) {
        const ImportFault* row = FindImportFault(name.c_str());
        if (!row || row->Kind == CannotFail || count == 0 || (!only.empty() && name != only))
            continue;
        if (pass == PassOnce) {
            for (unsigned n = 1; n <= count; ++n)
                points.push_back({name, n, false});
        } else if (pass == PassFirst) {
            points.push_back({name, 1, true});
        } else {
            unsigned middle = (count + 1) / 2;
            points.push_back({name, 1, true});
            if (middle != 1)
                points.push_back({name, middle, true});
            if (count != middle && count != 1)
                points.push_back({name, count, true});
        }
    }
    return points;
}

size_t FunctionsOf(const std::vector<Point>& points) {
    std::map<std::string, int> functions;
    for (const Point& point : points)
        ++functions[point.Function];
    return functions.size();
}

} // namespace

int RunPasses(const PassOptions& options) {
    DWORD began = GetTickCount();
    std::vector<RunResult> baseline = RunAll(options, {nullptr});
    const RunResult& clean = baseline[0];
    int windows = 0;
    if (!clean.Ended || clean.ExitCode != 0 || !Windows(clean.Output, &windows)) {
        printf("fault_injector: the session without a fault did not run clean (exit code %lu):\n%s",
               clean.ExitCode, clean.Output.c_str());
        return 2;
    }
    std::map<std::string, unsigned> calls;
    for (const std::string& line : Lines(clean.Output, "calls ")) {
        char name[64];
        unsigned count;
        if (sscanf(line.c_str(), "%63s %u", name, &count) == 2)
            calls[name] = count;
    }
    printf("baseline (%s): %zu functions counted, session %.1f s, %d windows after detach\n",
           Width(), calls.size(), (GetTickCount() - began) / 1000.0, windows);
    fflush(stdout);

    int failedPoints = 0;
    for (PassKind pass : options.Passes) {
        DWORD start = GetTickCount();
        std::vector<Point> points = PointsOf(pass, calls, options.Only);
        std::vector<const Point*> order;
        for (const Point& point : points)
            order.push_back(&point);
        std::vector<RunResult> results = RunAll(options, order);
        // A process Wine never started printed none of its lines, not even the first step's, so
        // the library was never loaded in it and no fault was injected: it is started once more,
        // and said so, whether it ended or ran into the time limit (on a loaded machine Wine can
        // sit on a start that long). One that started is judged as it ran: a run that began and
        // then stopped printing stays a hang.
        std::vector<const Point*> again;
        std::vector<size_t> againIndex;
        for (size_t i = 0; i < points.size(); ++i) {
            if (!Started(results[i])) {
                again.push_back(&points[i]);
                againIndex.push_back(i);
            }
        }
        std::vector<RunResult> second = RunAll(options, again);
        for (size_t i = 0; i < again.size(); ++i) {
            results[againIndex[i]] = second[i];
            printf("  %s call %u%s: did not start; started once more\n", again[i]->Function.c_str(),
                   again[i]->At, again[i]->From ? " on" : "");
        }
        int counts[OutcomeCount] = {};
        std::vector<std::string> failures;
        for (size_t i = 0; i < points.size(); ++i) {
            Verdict verdict = Judge(results[i], windows);
            ++counts[verdict.What];
            if (verdict.What == Clean)
                continue;
            failures.push_back("  " + points[i].Function + " call " + std::to_string(points[i].At) +
                               (points[i].From ? " on" : "") + ": " + verdict.Detail +
                               "\n    repeat: " + RepeatCommand(points[i]));
        }
        printf("pass %s (%s): %zu functions, %zu points, %zu runs in %.0f s: %d crashes, %d hangs, "
               "%d leaks, %d lost changes\n",
               PassName(pass), Width(), FunctionsOf(points), points.size(), points.size(),
               (GetTickCount() - start) / 1000.0, counts[Crashed], counts[Hung], counts[Leaked],
               counts[Lost]);
        for (const std::string& failure : failures)
            printf("%s\n", failure.c_str());
        fflush(stdout);
        failedPoints += (int)failures.size();
    }
    return failedPoints ? 1 : 0;
}
