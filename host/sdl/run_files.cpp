// Written files are handed to the system at least once a second, so a crash
// loses at most the last second; a write that fails is reported once and
// that file is given up, while the game goes on.
#include "host/sdl/run_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "murlo/version.h"

namespace murlo::sdl {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto flush_interval = std::chrono::seconds(1);

void give_up(OutputFile& out) {
    const int error = errno;
    std::fprintf(stderr, "murlo: cannot write %s (%s); the game goes on without it\n", out.path,
                 std::strerror(error));
    std::fclose(out.file);
    out.file = nullptr;
}

void write(OutputFile& out, const char* text, std::size_t size) {
    if (out.file != nullptr && size > 0 && std::fwrite(text, 1, size, out.file) != size) give_up(out);
}

void flush(OutputFile& out) {
    if (out.file != nullptr && std::fflush(out.file) != 0) give_up(out);
}

// The trace lines and the record's ended runs written so far.
void write_new(RunFiles& files, Runner& r) {
    if (r.tracing) {
        const std::string lines = take_trace(r);
        write(files.trace, lines.data(), lines.size());
        files.unflushed = files.unflushed || !lines.empty();
        r.tracing = files.trace.file != nullptr;
    }
    if (files.record.file == nullptr) return;
    if (r.record.size() == files.record_written) return;
    write(files.record, r.record.data() + files.record_written, r.record.size() - files.record_written);
    files.record_written = r.record.size();
    files.unflushed = true;
}

// Everything so far to the system. In a regular file the record's run still
// going is written too, ahead of where the next text goes, so that the file
// always reads as the whole run so far; later text overwrites it. Elsewhere
// (a pipe) that run is cut there and goes on as a new one.
void flush_all(RunFiles& files, Runner& r) {
    if (files.record.file != nullptr && !files.record_seekable) r.writer.end_run(r.record);
    write_new(files, r);
    OutputFile& record = files.record;
    if (record.file != nullptr && files.record_seekable) {
        const long end = std::ftell(record.file);
        runs::ScriptWriter so_far = r.writer;
        std::string tail;
        so_far.finish(tail);
        write(record, tail.data(), tail.size());
        flush(record);
        if (record.file != nullptr && std::fseek(record.file, end, SEEK_SET) != 0) give_up(record);
    }
    flush(record);
    flush(files.trace);
    files.unflushed = false;
    files.next_flush = Clock::now() + flush_interval;
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

bool open_output(OutputFile& out, const char* option, const char* path, const FileId (&taken)[2],
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
    std::setvbuf(out.file, nullptr, _IOFBF, 1 << 16);
    return true;
}

}  // namespace

bool open_run_files(RunFiles& files, const char* play, const char* record, const char* trace,
                    runs::Script& played, std::string& problem) {
    FileId taken[2];
    const char* taken_by[2] = {"", ""};
    if (play != nullptr) {
        if (!runs::load_script(play, played, problem)) return false;
        taken[0] = id_of(play);
        taken_by[0] = "--play";
    }
    if (record != nullptr) {
        if (!open_output(files.record, "--record", record, taken, taken_by, problem)) return false;
        taken[1] = id_of(record);
        taken_by[1] = "--record";
        // A comment line first: which game made it, and when.
        char when[64] = "";
        const std::time_t now = std::time(nullptr);
        if (const std::tm* local = std::localtime(&now))
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %z", local);
        std::fprintf(files.record.file, "# murlo %s, run recorded %s\n", version, when);
        // Text is written ahead and over again in files that allow it.
        struct stat info {};
        files.record_seekable = fstat(fileno(files.record.file), &info) == 0 && S_ISREG(info.st_mode);
        if (std::fflush(files.record.file) != 0) {
            problem = std::string("cannot write ") + record + " (" + std::strerror(errno) + ")";
            return false;
        }
    }
    if (trace != nullptr && !open_output(files.trace, "--trace", trace, taken, taken_by, problem))
        return false;
    files.next_flush = Clock::now() + flush_interval;
    return true;
}

void write_run_files(RunFiles& files, Runner& r) {
    if (files.record.file == nullptr && files.trace.file == nullptr) return;
    write_new(files, r);
    files.unflushed = files.unflushed || !paused(r);
    if (files.unflushed && Clock::now() >= files.next_flush) flush_all(files, r);
}

std::uint32_t ms_until_flush(const RunFiles& files) {
    if (!files.unflushed || (files.record.file == nullptr && files.trace.file == nullptr)) return 0xFFFFFFFFu;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(files.next_flush - Clock::now());
    return left.count() <= 0 ? 0 : static_cast<std::uint32_t>(left.count());
}

void close_run_files(RunFiles& files, Runner& r) {
    close_trace(r);
    write_new(files, r);
    OutputFile& record = files.record;
    if (record.file != nullptr) {
        const std::string text = recorded_script(r);
        write(record, text.data() + files.record_written, text.size() - files.record_written);
        files.record_written = text.size();
    }
    // Cut the file where its text ends: nothing written ahead stays behind.
    if (files.record_seekable && record.file != nullptr &&
        (std::fflush(record.file) != 0 || ftruncate(fileno(record.file), std::ftell(record.file)) != 0))
        give_up(record);
    for (OutputFile* out : {&record, &files.trace}) {
        if (out->file == nullptr) continue;
        if (std::fflush(out->file) != 0) {
            give_up(*out);
            continue;
        }
        std::fclose(out->file);
        out->file = nullptr;
    }
    r.tracing = false;
}

}  // namespace murlo::sdl
