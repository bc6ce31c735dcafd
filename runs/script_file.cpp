// Scripts from files, standard input and links. A link's deflated text is
// inflated by zlib: natively the system's, in the replay tool for node the
// one node carries. A build with neither (the Windows cross build, whose
// libretro core reads scripts) refuses links.
#include <cstdio>
#include <cstring>
#include <string>

#include "runs/run_link.h"
#include "runs/script.h"

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#elif defined(MURLO_ZLIB)
#include <zlib.h>
#endif

namespace murlo::runs {

namespace {

bool read_all(std::FILE* in, std::string& text) {
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    return !std::ferror(in);
}

#if defined(__EMSCRIPTEN__)
// node's zlib, which stops at the end of the deflate stream: the bytes it
// took must be all there are. Returns the text's length; -1 when the data
// is not one whole deflate stream, -2 when it inflates to more than `most`.
EM_JS(double, murlo_inflate_raw, (const char* data, double size, double most), {
    Module.murloInflated = null;
    try {
        const zlib = require('zlib');
        const input = HEAPU8.slice(data, data + size);
        const result = zlib.inflateRawSync(input, {info: true, maxOutputLength: most + 1});
        if (result.engine.bytesWritten !== size) return -1;
        if (result.buffer.length > most) return -2;
        Module.murloInflated = result.buffer;
        return result.buffer.length;
    } catch (error) {
        return error.code === 'ERR_BUFFER_TOO_LARGE' ? -2 : -1;
    }
});
EM_JS(void, murlo_take_inflated, (char* out), {
    HEAPU8.set(Module.murloInflated, out);
    Module.murloInflated = null;
});

bool inflate(const std::string& deflated, std::string& text, std::string& problem) {
    const double size = murlo_inflate_raw(deflated.data(), static_cast<double>(deflated.size()),
                                          static_cast<double>(max_link_text));
    if (size < 0) {
        problem = size == -2 ? "its script is over 16 MiB" : "not raw deflate";
        return false;
    }
    text.resize(static_cast<std::size_t>(size));
    murlo_take_inflated(text.data());
    return true;
}
#elif defined(MURLO_ZLIB)
bool inflate(const std::string& deflated, std::string& text, std::string& problem) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        problem = "cannot inflate";
        return false;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    z.avail_in = static_cast<uInt>(deflated.size());
    text.clear();
    int status = Z_OK;
    char chunk[1 << 16];
    while (status == Z_OK && text.size() <= max_link_text) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        status = ::inflate(&z, Z_NO_FLUSH);
        text.append(chunk, sizeof chunk - z.avail_out);
    }
    const bool whole = status == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    if (text.size() > max_link_text) {
        problem = "its script is over 16 MiB";
        return false;
    }
    if (!whole) {
        problem = "not raw deflate";
        return false;
    }
    return true;
}
#else
bool inflate(const std::string&, std::string&, std::string& problem) {
    problem = "this build reads no links";
    return false;
}
#endif

}  // namespace

bool link_text(std::string_view link, std::string& text, std::string& problem) {
    std::string deflated;
    return link_payload(link, deflated, problem) && inflate(deflated, text, problem);
}

bool load_script(const char* path, Script& script, std::string& problem) {
    std::string text;
    const bool link = is_run_link(path);
    if (link) {
        if (!link_text(path, text, problem)) {
            problem = "the link is damaged: " + problem;
            return false;
        }
    } else {
        const bool from_stdin = std::strcmp(path, "-") == 0;
        std::FILE* in = from_stdin ? stdin : std::fopen(path, "rb");
        if (in == nullptr) {
            problem = std::string("cannot open ") + path;
            return false;
        }
        const bool read_ok = read_all(in, text);
        if (!from_stdin) std::fclose(in);
        if (!read_ok) {
            problem = std::string("cannot read ") + path;
            return false;
        }
    }
    ScriptError error;
    if (!parse_script(text, script, error)) {
        problem = (link ? std::string("the link is damaged") : std::string(path)) + ": line " +
                  std::to_string(error.line) + ": bad token '" + error.token + "': " + error.message;
        return false;
    }
    return true;
}

}  // namespace murlo::runs
