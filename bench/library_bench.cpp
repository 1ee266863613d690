// Loading and saving big libraries, side by side in one run with a peer XML parser and with
// the floor of the machine (reading and decoding, or writing, the same bytes and nothing
// else); the heap peak while loading. Prints the table of figures and ratios on stdout and
// Google Benchmark's own report on stderr.
//
//   library_bench [--data-dir=DIR] [--sizes=1000,10000] [Google Benchmark flags]

#include "base/file_io.h"
#include "base/utf8.h"
#include "bench/corpus.h"
#include "bench/collecting_reporter.h"
#include "bench/counting_allocator.h"
#include "bench/table.h"
#include "browser/chat_script.h"
#include "library/prompt_file.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <limits>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using bench_table::format;

struct Corpus {
    std::size_t count = 0;
    PromptLibrary library;
    std::string document; // the file's bytes, as savePromptFile writes them
    std::string loadPath; // the file the load benchmarks read
    std::string savePath, plainPath, durablePath;
    std::u16string loadPath16, savePath16;
};

// ---- The floor: the bare system calls, nothing of ours but the UTF-8 decoder ----------------

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Reads the whole file into a buffer that is not cleared first.
std::u16string readAndDecode(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat info {};
    ::fstat(fd, &info);
    const auto size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<char[]> buffer(new char[size]);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(fd, buffer.get() + filled, size - filled);
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return fromUtf8(std::string_view(buffer.get(), filled));
}

bool writePlain(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = writeAll(fd, bytes);
    return ::close(fd) == 0 && ok;
}

// The steps that make a replacement survive a crash: a new file, its data on disk, the
// rename over the old one, the folder's entry on disk.
bool writeDurable(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return ok;
}

// ---- The peer: pugixml, then the four fields of every item as the library holds them -----

bool favFromText(std::string_view raw) {
    auto equalsLower = [](std::string_view text, std::string_view lower) {
        return text.size() == lower.size() &&
               std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) {
                   return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
               });
    };
    return !raw.empty() &&
           (raw.find('1') != std::string_view::npos || equalsLower(raw, "true") || equalsLower(raw, "yes"));
}

// Line ends are kept as they are (no parse_eol): the values already hold CR LF, so this is
// the least work that gives the same library.
bool loadWithPugixml(const std::string& path, PromptLibrary& library) {
    pugi::xml_document document;
    if (!document.load_file(path.c_str(), pugi::parse_default & ~pugi::parse_eol)) return false;
    PromptLibrary prompts;
    for (const pugi::xml_node item : document.child("prompts").children("item")) {
        Prompt prompt;
        prompt.name = fromUtf8(item.child_value("name"));
        prompt.text = fromUtf8(item.child_value("text"));
        prompt.fav = favFromText(item.child_value("fav"));
        prompt.lasttext = fromUtf8(item.child_value("lasttext"));
        if (prompt.name.empty() && prompt.text.empty() && prompt.lasttext.empty()) continue;
        prompts.push_back(std::move(prompt));
    }
    library = std::move(prompts);
    return true;
}

// ---- Benchmarks ---------------------------------------------------------------------------

// Work that only computes (the file being in the page cache) is timed in the thread's CPU
// time, which other programs on a shared machine disturb far less than the wall clock; the
// saves wait for the disk, so they are timed by the wall clock.
enum class Clock { cpu, wall };

template <typename Body>
void registerTimed(const std::string& name, Clock clock, std::int64_t bytes, Body body) {
    benchmark::internal::Benchmark* benchmark =
        benchmark::RegisterBenchmark(name.c_str(), [bytes, body](benchmark::State& state) {
            for (auto _ : state) {
                if (!body()) {
                    state.SkipWithError("failed");
                    break;
                }
            }
            state.SetBytesProcessed(state.iterations() * bytes);
        });
    benchmark->Unit(benchmark::kMillisecond);
    if (clock == Clock::wall) benchmark->UseRealTime();
}

void registerBenchmarks(const std::vector<std::unique_ptr<Corpus>>& corpora) {
    for (const auto& owned : corpora) {
        const Corpus& c = *owned;
        const std::string n = "/" + std::to_string(c.count);
        const auto bytes = static_cast<std::int64_t>(c.document.size());
        registerTimed("load" + n, Clock::cpu, bytes, [&c] {
            PromptLibrary library;
            const bool ok = loadPromptFile(library, c.loadPath16);
            benchmark::DoNotOptimize(library.data());
            return ok;
        });
        registerTimed("load_peer" + n, Clock::cpu, bytes, [&c] {
            PromptLibrary library;
            const bool ok = loadWithPugixml(c.loadPath, library);
            benchmark::DoNotOptimize(library.data());
            return ok;
        });
        registerTimed("load_floor" + n, Clock::cpu, bytes, [&c] {
            const std::u16string text = readAndDecode(c.loadPath);
            benchmark::DoNotOptimize(text.data());
            return !text.empty();
        });
        registerTimed("parse" + n, Clock::cpu, bytes, [&c] {
            PromptLibrary library;
            const bool ok = parsePromptLibrary(c.document, library);
            benchmark::DoNotOptimize(library.data());
            return ok;
        });
        registerTimed("save" + n, Clock::wall, bytes,
                      [&c] { return savePromptFile(c.library, c.savePath16); });
        registerTimed("save_floor_durable" + n, Clock::wall, bytes,
                      [&c] { return writeDurable(c.durablePath, c.document); });
        registerTimed("save_floor_plain" + n, Clock::wall, bytes,
                      [&c] { return writePlain(c.plainPath, c.document); });
    }
}

// The script that sends a message of 1 MiB (as held in memory) against a plain copy of it.
const std::u16string& scriptMessage() {
    static const std::u16string message = makeBenchText(std::size_t{1} << 19, 42);
    return message;
}

void registerScriptBenchmarks() {
    const auto bytes = static_cast<std::int64_t>(scriptMessage().size() * sizeof(char16_t));
    registerTimed("script", Clock::cpu, bytes, [] {
        const std::u16string script = chatScriptFor(scriptMessage(), {});
        benchmark::DoNotOptimize(script.data());
        return !script.empty();
    });
    registerTimed("script_copy", Clock::cpu, bytes, [] {
        const std::u16string copy = scriptMessage();
        benchmark::DoNotOptimize(copy.data());
        return !copy.empty();
    });
}

// ---- The table -----------------------------------------------------------------------------

std::string withSeparators(std::size_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

double megabytes(std::size_t bytes) {
    return static_cast<double>(bytes) / 1e6;
}

std::string throughput(std::size_t bytes, double seconds) {
    return format("%.0f MB/s", megabytes(bytes) / seconds) + format(" (%.3g ms)", seconds * 1e3);
}

void printThroughputRows(const CollectingReporter& results, const Corpus& c) {
    using namespace bench_table;
    const std::string n = "/" + std::to_string(c.count);
    const std::size_t bytes = c.document.size();
    const std::string size = withSeparators(c.count) + " prompts, " + format("%.1f MB", megabytes(bytes));
    // A benchmark left out by a filter leaves out its rows.
    auto time = [&](const char* name) { return results.best(name + n); };
    auto ratio = [&](const char* top, const char* bottom) {
        return results.pairedRatio(top + n, bottom + n);
    };

    if (const double load = time("load"); load > 0) {
        row("Load " + size, throughput(bytes, load));
        if (const double peer = time("load_peer"); peer > 0) {
            const double faster = ratio("load_peer", "load");
            row("  peer: pugixml, 4 fields to UTF-16 (ours/peer MB/s)", throughput(bytes, peer),
                format("%.2f", faster), ">= 1", atLeast(faster, 1));
        }
        if (const double floor = time("load_floor"); floor > 0) {
            const double slower = ratio("load", "load_floor");
            row("  floor: read + UTF-8 to UTF-16 (time ours/floor)", throughput(bytes, floor),
                format("%.2f", slower), "<= 2", atMost(slower, 2));
        }
    }
    if (const double parse = time("parse"); parse > 0)
        row("  parse alone, bytes in memory", throughput(bytes, parse));
    if (const double save = time("save"); save > 0) {
        row("Save " + size, throughput(bytes, save));
        if (const double durable = time("save_floor_durable"); durable > 0) {
            const double slower = ratio("save", "save_floor_durable");
            row("  floor: write+fsync+rename (time ours/floor)", throughput(bytes, durable),
                format("%.2f", slower), "<= 1.5", atMost(slower, 1.5));
        }
        if (const double plain = time("save_floor_plain"); plain > 0) {
            row("  plain write, no fsync (time ours/plain)", throughput(bytes, plain),
                format("%.2f", ratio("save", "save_floor_plain")), "(info)");
        }
    }
}

// Time per byte at the larger size over time per byte at the smaller one.
void printGrowthRows(const CollectingReporter& results, const std::vector<std::unique_ptr<Corpus>>& corpora) {
    using namespace bench_table;
    for (const char* what : {"load", "save"}) {
        for (std::size_t i = 1; i < corpora.size(); ++i) {
            const Corpus& small = *corpora[i - 1];
            const Corpus& big = *corpora[i];
            const double smallTime = results.best(std::string(what) + "/" + std::to_string(small.count));
            const double bigTime = results.best(std::string(what) + "/" + std::to_string(big.count));
            if (smallTime <= 0 || bigTime <= 0) continue;
            const double timeGrowth = bigTime / smallTime;
            const double byteGrowth =
                static_cast<double>(big.document.size()) / static_cast<double>(small.document.size());
            row(std::string(what == std::string("load") ? "Load" : "Save") + " growth " +
                    withSeparators(small.count) + " -> " + withSeparators(big.count) + " (time/bytes factor)",
                format("x%.1f time, ", timeGrowth) + format("x%.1f bytes", byteGrowth),
                format("%.2f", timeGrowth / byteGrowth), "<= 1.25", atMost(timeGrowth / byteGrowth, 1.25));
        }
    }
}

void printScriptRows(const CollectingReporter& results) {
    using namespace bench_table;
    const double script = results.best("script"), copy = results.best("script_copy");
    if (script <= 0 || copy <= 0) return;
    const std::size_t bytes = scriptMessage().size() * sizeof(char16_t);
    row("Chat script for a 1 MiB message (UTF-16 in memory)", throughput(bytes, script));
    row("  plain copy of the message (time script/copy)", throughput(bytes, copy),
        format("%.1f", results.pairedRatio("script", "script_copy")), "(info)");
}

void printMemoryRows(const Corpus& c) {
    using namespace bench_table;
    const double fileSize = static_cast<double>(c.document.size());
    {
        PromptLibrary library;
        startHeapCounting();
        (void)loadPromptFile(library, c.loadPath16);
        const HeapFigures heap = stopHeapCounting();
        const double ratio = static_cast<double>(heap.peak) / fileSize;
        row("Heap peak loading " + withSeparators(c.count) + " prompts (peak/file)",
            format("%.1f MB", megabytes(heap.peak)), format("%.2f", ratio), "<= 4", atMost(ratio, 4));
        row("  of which the loaded library (held/file)", format("%.1f MB", megabytes(heap.inUse)),
            format("%.2f", static_cast<double>(heap.inUse) / fileSize), "(info)");
    }
    {
        PromptLibrary library;
        startHeapCounting();
        loadWithPugixml(c.loadPath, library);
        const HeapFigures heap = stopHeapCounting();
        row("  peer: pugixml + UTF-16 (peak/file)", format("%.1f MB", megabytes(heap.peak)),
            format("%.2f", static_cast<double>(heap.peak) / fileSize), "(info)");
    }
}

// ---- Set-up ---------------------------------------------------------------------------------

std::unique_ptr<Corpus> makeCorpus(std::size_t count, const std::string& folder) {
    auto c = std::make_unique<Corpus>();
    c->count = count;
    c->library = makeBenchLibrary(count);
    const std::string stem = folder + "/prompts-" + std::to_string(count);
    c->loadPath = stem + ".xml";
    c->savePath = stem + "-saved.xml";
    c->plainPath = stem + "-plain.xml";
    c->durablePath = stem + "-durable.xml";
    c->loadPath16 = fromUtf8(c->loadPath);
    c->savePath16 = fromUtf8(c->savePath);
    if (!savePromptFile(c->library, c->loadPath16)) {
        std::fprintf(stderr, "cannot write %s\n", c->loadPath.c_str());
        return nullptr;
    }
    c->document = readWholeFile(c->loadPath16).value_or("");
    // Ours and the peer must read the same library, or the comparison means nothing.
    PromptLibrary ours, peer;
    if (!loadPromptFile(ours, c->loadPath16) || ours != c->library) {
        std::fprintf(stderr, "loadPromptFile does not give back the saved library (%zu prompts)\n", count);
        return nullptr;
    }
    if (!loadWithPugixml(c->loadPath, peer) || peer != c->library) {
        std::fprintf(stderr, "pugixml does not read the same library (%zu prompts)\n", count);
        return nullptr;
    }
    // The saves write the library as the program holds it: loaded from its file, each value
    // allocated once and in file order (the generator's strings grew piece by piece).
    c->library = std::move(ours);
    return c;
}

// Our own flags are taken out; Google Benchmark gets the rest after our defaults, so that
// flags given on the command line win.
struct Options {
    std::string dataDir = "bench-data";
    std::vector<std::size_t> sizes = {1000, 10000, 100000};
    std::vector<std::string> benchmarkArgs = {"--benchmark_repetitions=5",
                                              "--benchmark_enable_random_interleaving=true",
                                              "--benchmark_min_time=0.2"};
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--data-dir=")) {
            options.dataDir = std::string(arg.substr(11));
        } else if (arg.starts_with("--sizes=")) {
            options.sizes.clear();
            std::string list(arg.substr(8));
            for (std::size_t at = 0; at < list.size();) {
                const std::size_t comma = std::min(list.find(',', at), list.size());
                options.sizes.push_back(std::stoul(list.substr(at, comma - at)));
                at = comma + 1;
            }
        } else {
            options.benchmarkArgs.emplace_back(arg);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    // Freed memory stays with the process and big blocks come from the same heap, so that every
    // size is measured with a warm heap: otherwise glibc returns big blocks to the system after
    // each iteration and only the big sizes pay for fresh pages, which would hide the code's
    // own scaling behind the allocator's thresholds.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    Options options = parseOptions(argc, argv);
    pugi::set_memory_management_functions(countedMalloc, countedFree);

    std::filesystem::create_directories(options.dataDir);
    std::vector<std::unique_ptr<Corpus>> corpora;
    for (const std::size_t count : options.sizes) {
        std::fprintf(stderr, "preparing %zu prompts\n", count);
        corpora.push_back(makeCorpus(count, options.dataDir));
        if (!corpora.back()) return 1;
    }

    std::vector<char*> args = {argv[0]};
    for (std::string& arg : options.benchmarkArgs)
        args.push_back(arg.data());
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    if (benchmark::ReportUnrecognizedArguments(argCount, args.data())) return 1;

    registerBenchmarks(corpora);
    registerScriptBenchmarks();
    CollectingReporter results;
    benchmark::RunSpecifiedBenchmarks(&results);
    benchmark::Shutdown();

    using namespace bench_table;
    header();
    for (const auto& c : corpora)
        printThroughputRows(results, *c);
    printGrowthRows(results, corpora);
    printScriptRows(results);
    printMemoryRows(*corpora.back());
    note("MB = 10^6 bytes of the file; figures are the best of the repetitions, which run interleaved in one "
         "run. "
         "Loading, parsing and serializing are timed in thread CPU time (the file is in the page cache), "
         "saving and its floors by the wall clock (they wait for the disk).");
    note("Load floor: read the file and decode its UTF-8 to UTF-16, nothing else. Peer: pugixml parses the "
         "same file (line ends kept) and every item's four fields are converted to UTF-16.");
    note("Save target is against the write+fsync+rename floor: savePromptFile is crash-safe (temporary file, "
         "fsync, rename, folder fsync), so the like-for-like floor does the same system calls with the "
         "finished bytes. The plain write (truncate, write, close; no fsync) is shown for comparison.");
    note("Growth: time factor over byte factor between two sizes; 1 is linear, below 1 means fixed costs "
         "(fsync) weigh more at the small size.");
    note("The heap is kept warm (glibc: no mmap for big blocks, no trimming), the same for every size.");
    note("Heap peak: bytes in use at once (malloc_usable_size, counted by a replaced operator new), from an "
         "empty library to the loaded one, with what the loader holds of the file (ours a piece of 256 KB, "
         "pugixml "
         "the whole file).");
    return 0;
}
