// The figures a benchmark program hands to the table that closes ./run bench: one line per
// figure, appended to the file TWINLINK_BENCH_SUMMARY names (nothing when it is unset):
//   figure <TAB> measured <TAB> target <TAB> met | not met
// bench_support.rb writes the same lines for the Ruby benchmarks; summary_table.rb prints them.
//
// A program's main runs its benchmarks through KeptRuns, which prints them as the console
// reporter does and keeps each run, so that the figures can be read from their counters and
// times once every benchmark has run.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace bench {

// printf into a string. Here, ahead of Ruby's headers, which take vsnprintf over.
[[gnu::format(printf, 1, 2)]] inline std::string Format(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

inline void AppendFigure(const std::string& figure, const std::string& measured,
                         const std::string& target, bool met) {
    const char* path = std::getenv("TWINLINK_BENCH_SUMMARY");
    if (path == nullptr || *path == '\0') return;
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\t%s\t%s\t%s\n", figure.c_str(), measured.c_str(), target.c_str(),
                     met ? "met" : "not met");
        std::fclose(file);
    }
}

// A figure whose benchmark did not run (filtered out) or failed: never met.
inline void AppendUnmeasured(const std::string& figure, const std::string& target) {
    AppendFigure(figure, "not measured", target, false);
}

class KeptRuns : public benchmark::ConsoleReporter {
  public:
    // Colours only on a terminal, as Google Benchmark's own reporter does by default.
    KeptRuns()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string key = run.run_name.function_name + "/" + run.run_name.args;
            // With repetitions, the median stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                kept_.insert_or_assign(key, Kept{run, true});
            else if (run.run_type == Run::RT_Iteration && !kept_[key].median)
                kept_[key] = Kept{run, false};
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The run of `function` with `args` ("2" for Arg(2), "" for none); null when it did not run
    // or failed.
    const Run* Find(const std::string& function, const std::string& args = "") const {
        const auto it = kept_.find(function + "/" + args);
        if (it == kept_.end() || it->second.run.error_occurred || it->second.run.iterations == 0)
            return nullptr;
        return &it->second.run;
    }

    // Seconds of real time per iteration.
    static double SecondsPerIteration(const Run& run) {
        return run.real_accumulated_time / static_cast<double>(run.iterations);
    }

  private:
    struct Kept {
        Run run;
        bool median = false;
    };
    std::map<std::string, Kept> kept_;
};

// Runs the benchmarks the command line selects, as BENCHMARK_MAIN does, and hands what ran to
// `summarize`. Returns main's result.
template <typename Summarize>
int RunAndSummarize(int argc, char** argv, Summarize summarize) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    KeptRuns runs;
    benchmark::RunSpecifiedBenchmarks(&runs);
    benchmark::Shutdown();
    summarize(static_cast<const KeptRuns&>(runs));
    return 0;
}

}  // namespace bench
