// Written files are handed to the system at least once a second, so a crash
// loses at most the last second; a write that fails is reported once and
// that file is given up, while the game goes on.
#include "host/sdl/run_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "runs/script.h"
#include "runs/trace_lines.h"
#include "murlo/version.h"

namespace murlo::sdl {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto flush_interval = std::chrono::seconds(1);

struct Output {
    std::FILE* file = nullptr;
    const char* path = nullptr;
};

Output record_file, trace_file;
bool writing = false;  // either file is open
Clock::time_point next_flush{};

// The record: runs that have ended go out as they end. In a regular file
// the run still going is written at each flush too, ahead of where the
// next text goes, so that the file always reads as the whole run so far;
// later text overwrites it. Elsewhere (a pipe) that run is cut there and
// goes on as a new one.
runs::ScriptWriter script_writer;
std::string script_text;
bool record_seekable = false;

runs::Script played;
std::size_t played_run = 0;
std::uint64_t played_of_run = 0;
bool playing = false;

void give_up(Output& out) {
    const int error = errno;
    std::fprintf(stderr, "murlo: cannot write %s (%s); the game goes on without it\n", out.path,
                 std::strerror(error));
    std::fclose(out.file);
    out.file = nullptr;
    writing = record_file.file != nullptr || trace_file.file != nullptr;
}

void write(Output& out, const char* text, std::size_t size) {
    if (out.file != nullptr && std::fwrite(text, 1, size, out.file) != size) give_up(out);
}

void write_line(std::string_view line) {
    if (trace_file.file == nullptr) return;
    write(trace_file, line.data(), line.size());
    write(trace_file, "\n", 1);
}

void flush(Output& out) {
    if (out.file != nullptr && std::fflush(out.file) != 0) give_up(out);
}

// The record's text so far, the run still going included.
void flush_record() {
    if (record_file.file == nullptr) return;
    if (!record_seekable) script_writer.end_run(script_text);
    write(record_file, script_text.data(), script_text.size());
    script_text.clear();
    if (record_seekable && record_file.file != nullptr) {
        const long end = std::ftell(record_file.file);
        runs::ScriptWriter so_far = script_writer;
        std::string tail;
        so_far.finish(tail);
        write(record_file, tail.data(), tail.size());
        flush(record_file);
        if (record_file.file != nullptr && std::fseek(record_file.file, end, SEEK_SET) != 0)
            give_up(record_file);
    }
    flush(record_file);
}

void flush_all() {
    flush_record();
    flush(trace_file);
    next_flush = Clock::now() + flush_interval;
}

void flush_when_due() {
    if (writing && Clock::now() >= next_flush) flush_all();
}

// Identity of a file, to tell when two options name the same one.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;
};

FileId id_of(const char* path) {
    struct stat info {};
    if (path == nullptr || std::strcmp(path, "-") == 0 || stat(path, &info) != 0) return {};
    return {info.st_dev, info.st_ino, true};
}

bool same(const FileId& a, const FileId& b) {
    return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

bool open_output(Output& out, const char* option, const char* path, const FileId (&taken)[2],
                 const char* (&taken_by)[2], std::string& problem) {
    const FileId id = id_of(path);
    for (int i = 0; i < 2; ++i)
        if (same(id, taken[i])) {
            problem = std::string(option) + " and " + taken_by[i] + " name the same file, " + path;
            return false;
        }
    out.file = std::fopen(path, "w");
    if (out.file == nullptr) {
        problem = std::string("cannot write ") + path + " (" + std::strerror(errno) + ")";
        return false;
    }
    out.path = path;
    static char buffers[2][1 << 16];
    std::setvbuf(out.file, buffers[&out == &trace_file], _IOFBF, sizeof buffers[0]);
    writing = true;
    return true;
}

}  // namespace

bool open_run_files(const char* play, const char* record, const char* trace,
                         std::string& problem) {
    FileId taken[2];
    const char* taken_by[2] = {"", ""};
    if (play != nullptr) {
        if (!runs::load_script(play, played, problem)) return false;
        playing = true;
        taken[0] = id_of(play);
        taken_by[0] = "--play";
    }
    if (record != nullptr) {
        if (!open_output(record_file, "--record", record, taken, taken_by, problem)) return false;
        taken[1] = id_of(record);
        taken_by[1] = "--record";
        // A comment line first: which game made it, and when.
        char when[64] = "";
        const std::time_t now = std::time(nullptr);
        if (const std::tm* local = std::localtime(&now))
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %z", local);
        std::fprintf(record_file.file, "# murlo %s, run recorded %s\n", version, when);
        // Text is written ahead and over again in files that allow it.
        struct stat info {};
        record_seekable = fstat(fileno(record_file.file), &info) == 0 && S_ISREG(info.st_mode);
        if (std::fflush(record_file.file) != 0) {
            problem = std::string("cannot write ") + record + " (" + std::strerror(errno) + ")";
            return false;
        }
    }
    if (trace != nullptr && !open_output(trace_file, "--trace", trace, taken, taken_by, problem))
        return false;
    next_flush = Clock::now() + flush_interval;
    return true;
}

bool played_keys(InputBits& keys) {
    if (!playing) return false;
    while (played_run < played.size() && played_of_run >= played[played_run].count) {
        ++played_run;
        played_of_run = 0;
    }
    if (played_run >= played.size()) {
        playing = false;  // the keyboard takes over
        return false;
    }
    keys = played[played_run].value;
    ++played_of_run;
    return true;
}

bool script_in_control() { return playing; }

void note_poll(InputBits keys) {
    if (!writing) return;
    if (record_file.file != nullptr) {
        script_writer.add(keys, script_text);
        if (!script_text.empty()) {
            write(record_file, script_text.data(), script_text.size());
            script_text.clear();
        }
    }
    write_line(runs::poll_line(keys).view());
    flush_when_due();
}

void note_call(const Calls& calls, const Call& call) {
    if (!writing) return;
    write_line(runs::call_line(calls, call).view());
    flush_when_due();
}

std::uint32_t ms_until_flush() {
    if (!writing) return 0xFFFFFFFFu;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next_flush - Clock::now());
    return left.count() <= 0 ? 0 : static_cast<std::uint32_t>(left.count());
}

void flush_run_files_when_due() { flush_when_due(); }

void close_run_files() {
    if (!writing) return;
    write_line(runs::quit_line);
    if (record_file.file != nullptr) {
        script_writer.finish(script_text);
        write(record_file, script_text.data(), script_text.size());
        script_text.clear();
    }
    // Cut the file where its text ends: nothing written ahead stays behind.
    if (record_seekable && record_file.file != nullptr &&
        (std::fflush(record_file.file) != 0 ||
         ftruncate(fileno(record_file.file), std::ftell(record_file.file)) != 0))
        give_up(record_file);
    for (Output* out : {&record_file, &trace_file}) {
        if (out->file == nullptr) continue;
        if (std::fflush(out->file) != 0) {
            give_up(*out);
            continue;
        }
        std::fclose(out->file);
        out->file = nullptr;
    }
    writing = false;
}

}  // namespace murlo::sdl
