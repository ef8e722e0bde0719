// Throughput and size of txt2doc against Debian's txt2pdbdoc -b, side by side
// on the same files, and the size of each next to the optimal encoding; then
// txt2doc --decode against txt2pdbdoc -d on the same database.
//
// usage: bench_txt2doc [WORK_DIR [RUNS]]
// Builds a ~10 MB Lua corpus (nmap's scripts and libraries) and a ~10 MB
// English prose corpus (the licence texts in /usr/share/common-licenses) in
// WORK_DIR, runs each converter RUNS times (best run counts) and prints a
// table. MB are 10^6 bytes.

#include "palmdoccodec.h"
#include "palmdocdatabase.h"
#include "palmdocoracle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t CorpusSize = 10 * 1024 * 1024;

Bytes readAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path &path, const Bytes &data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
}

// The files' contents one after another, repeated up to size bytes.
Bytes buildCorpus(const fs::path &folder, const std::vector<std::string> &extensions)
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        const std::string ext = entry.path().extension().string();
        if (extensions.empty() ||
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    Bytes all;
    for (const fs::path &file : files) {
        const Bytes content = readAll(file);
        all.insert(all.end(), content.begin(), content.end());
    }
    Bytes corpus;
    while (!all.empty() && corpus.size() < CorpusSize)
        corpus.insert(corpus.end(), all.begin(), all.end());
    corpus.resize(std::min(corpus.size(), CorpusSize));
    return corpus;
}

struct Timing
{
    double wall = 0; // seconds
    double cpu = 0;  // user + system seconds of the child
    int status = -1;
};

// Runs the command once; its standard output goes to stdoutFile when one is given.
Timing runOnce(const std::vector<std::string> &args, const std::string &stdoutFile)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    Timing t;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!stdoutFile.empty())
        posix_spawn_file_actions_addopen(&actions, 1, stdoutFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return t;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return t;
}

Timing best(const std::vector<std::string> &args, int runs, const std::string &stdoutFile = {})
{
    Timing result;
    for (int i = 0; i < runs; ++i) {
        const Timing t = runOnce(args, stdoutFile);
        if (t.status != 0)
            return t;
        if (i == 0 || t.wall < result.wall)
            result = t;
    }
    return result;
}

std::uint32_t get32(const Bytes &b, std::size_t at)
{
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
           (std::uint32_t(b[at + 2]) << 8) | b[at + 3];
}

// Bytes of the text records: from record 1 to the end of the file.
std::size_t textBytes(const Bytes &doc)
{
    const std::size_t records = (std::size_t(doc[76]) << 8) | doc[77];
    return records < 2 ? 0 : doc.size() - get32(doc, 78 + 8);
}

struct Row
{
    std::string corpus;
    std::string tool;
    Timing timing;
    std::size_t fileBytes = 0;
    std::size_t textBytes = 0;
};

} // namespace

int main(int argc, char **argv)
{
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::path("txt2doc-bench");
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    fs::create_directories(work);

    struct Corpus
    {
        std::string name;
        Bytes text;
    };
    const std::vector<Corpus> corpora = {
        {"Lua", buildCorpus("/usr/share/nmap", {".lua", ".nse"})},
        {"prose", buildCorpus("/usr/share/common-licenses", {})},
    };

    std::vector<Row> rows;
    std::printf("txt2doc benchmark: best of %d runs, MB = 10^6 bytes\n\n", runs);
    for (const Corpus &corpus : corpora) {
        if (corpus.text.empty()) {
            std::fprintf(stderr, "bench: no input files for the %s corpus\n", corpus.name.c_str());
            return 1;
        }
        const fs::path in = work / (corpus.name + ".txt");
        writeAll(in, corpus.text);
        const fs::path ours = work / (corpus.name + ".prc");
        const fs::path peers = work / (corpus.name + "-txt2pdbdoc.pdb");

        const Timing t1 =
            best({TXT2DOC_PATH, in.string(), ours.string(), corpus.name + ".lua"}, runs);
        const Timing t2 =
            best({"txt2pdbdoc", "-b", corpus.name + ".lua", in.string(), peers.string()}, runs);
        if (t1.status != 0 || t2.status != 0) {
            std::fprintf(stderr, "bench: a converter failed (txt2doc %d, txt2pdbdoc %d)\n",
                         t1.status, t2.status);
            return 1;
        }
        const Bytes ourDoc = readAll(ours);
        const Bytes peerDoc = readAll(peers);

        // Both decoders on the same database, writing to standard output
        // redirected into a file (neither flushes to disk), alternating.
        const fs::path ourText = work / (corpus.name + "-decoded.txt");
        const fs::path peerText = work / (corpus.name + "-txt2pdbdoc-decoded.txt");
        Timing d1, d2;
        for (int i = 0; i < runs; ++i) {
            const Timing a = best({TXT2DOC_PATH, "--decode", ours.string()}, 1, ourText.string());
            const Timing b = best({"txt2pdbdoc", "-d", ours.string()}, 1, peerText.string());
            if (a.status != 0 || b.status != 0) {
                d1 = a, d2 = b;
                break;
            }
            if (i == 0 || a.wall < d1.wall)
                d1 = a;
            if (i == 0 || b.wall < d2.wall)
                d2 = b;
        }
        if (d1.status != 0 || d2.status != 0 || readAll(ourText) != readAll(peerText)) {
            std::fprintf(stderr,
                         "bench: the decoders failed or disagree (txt2doc %d, txt2pdbdoc %d)\n",
                         d1.status, d2.status);
            return 1;
        }
        // txt2doc writing the file itself: replaced atomically, flushed to disk.
        const Timing d3 = best({TXT2DOC_PATH, "--decode", ours.string(), ourText.string()}, runs);

        // The optimal size, in-process, and the codec's own speed.
        Bytes text = corpus.text;
        palmdoc::toHandheldLineEnds(text);
        palmdoc::Encoder encoder;
        std::vector<Bytes> records;
        std::size_t optimal = 0;
        const auto e0 = std::chrono::steady_clock::now();
        for (std::size_t at = 0; at < text.size(); at += palmdoc::RecordSize) {
            Bytes record;
            const std::size_t n = std::min(palmdoc::RecordSize, text.size() - at);
            encoder.compressRecord(std::span(text).subspan(at, n), record);
            optimal += record.size();
            records.push_back(std::move(record));
        }
        const double encodeSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - e0).count();
        Bytes decoded;
        decoded.reserve(text.size());
        const auto d0 = std::chrono::steady_clock::now();
        for (const Bytes &record : records)
            palmdoc::decompressRecord(record, decoded);
        const double decodeSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - d0).count();
        if (decoded != text) {
            std::fprintf(stderr, "bench: the %s corpus does not decode back\n",
                         corpus.name.c_str());
            return 1;
        }

        // Independent check of optimality on every 64th record.
        std::size_t checked = 0;
        std::size_t matched = 0;
        for (std::size_t r = 0; r < records.size(); r += 64) {
            const std::size_t at = r * palmdoc::RecordSize;
            const Bytes record(text.begin() + std::ptrdiff_t(at),
                               text.begin() +
                                   std::ptrdiff_t(std::min(text.size(), at + palmdoc::RecordSize)));
            ++checked;
            matched += palmdoc_oracle::minimumEncodedSize(record) == records[r].size();
        }

        const double mb = double(corpus.text.size()) / 1e6;
        std::printf("%s corpus: %zu bytes (%zu records)\n", corpus.name.c_str(), corpus.text.size(),
                    records.size());
        std::printf("  %-16s %9s %9s %11s %11s %12s %12s %10s\n", "", "wall s", "cpu s",
                    "MB/s wall", "MB/s cpu", "file bytes", "text bytes", "/ optimal");
        auto line = [&](const char *tool, const Timing &t, std::size_t file, std::size_t bytes) {
            std::printf("  %-16s %9.3f %9.3f %11.2f %11.2f %12zu %12zu %10.4f\n", tool, t.wall,
                        t.cpu, mb / t.wall, t.cpu > 0 ? mb / t.cpu : 0.0, file, bytes,
                        double(bytes) / double(optimal));
        };
        line("txt2doc", t1, ourDoc.size(), textBytes(ourDoc));
        line("txt2pdbdoc -b", t2, peerDoc.size(), textBytes(peerDoc));
        std::printf("  %-16s %9s %9s %11s %11s %12s %12zu %10.4f\n", "optimal", "", "", "", "", "",
                    optimal, 1.0);
        std::printf("  speed-up of txt2doc over txt2pdbdoc -b: %.1fx wall, %.1fx cpu\n",
                    t2.wall / t1.wall, t1.cpu > 0 ? t2.cpu / t1.cpu : 0.0);
        std::printf("  decode to stdout: txt2doc --decode %.3f s wall %.3f s cpu, txt2pdbdoc -d "
                    "%.3f s wall %.3f s cpu; speed-up %.2fx wall, %.2fx cpu\n",
                    d1.wall, d1.cpu, d2.wall, d2.cpu, d2.wall / d1.wall,
                    d1.cpu > 0 ? d2.cpu / d1.cpu : 0.0);
        std::printf("  decode to a file, atomic and flushed to disk: txt2doc %.3f s wall\n",
                    d3.wall);
        std::printf("  codec in-process: encode %.1f MB/s, decode %.1f MB/s\n", mb / encodeSeconds,
                    mb / decodeSeconds);
        std::printf("  exhaustive check: %zu of %zu sampled records at the true minimum\n\n",
                    matched, checked);
        if (matched != checked)
            return 1;
    }
    return 0;
}
