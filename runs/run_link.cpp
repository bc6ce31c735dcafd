// Links read and written. A link's text is deflated and inflated by zlib:
// natively the system's, in the replay tool for node the one node carries.
// The page deflates with the browser's own and has its bytes made into a
// link here. A build with neither (the Windows cross build, whose libretro
// core reads scripts) refuses links.
#include "runs/run_link.h"

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#elif defined(MURLO_ZLIB)
#include <zlib.h>
#endif

namespace murlo::runs {

namespace {

// Base64's digits (RFC 4648): base64url's last two in links, the
// standard's where a browser's btoa wrote them.
constexpr char base64url_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr char base64_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int digit_of(char c, const char* digits) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == digits[62]) return 62;
    if (c == digits[63]) return 63;
    return -1;
}

// The bytes of base64 digits with no padding: false unless every one is
// a digit and the bits left over are the zeros that fill out the last.
bool decode(std::string_view text, const char* digits, std::string& bytes) {
    bytes.clear();
    unsigned bits = 0;
    int held = 0;  // bits in `bits` not yet written
    for (const char c : text) {
        const int digit = digit_of(c, digits);
        if (digit < 0) return false;
        bits = (bits << 6) | static_cast<unsigned>(digit);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(static_cast<char>((bits >> held) & 0xFF));
        }
    }
    return held < 6 && (bits & ((1u << held) - 1)) == 0;
}

void encode(std::string_view bytes, const char* digits, std::string& text) {
    unsigned bits = 0;
    int held = 0;  // bits in `bits` not yet written
    for (const char c : bytes) {
        bits = (bits << 8) | static_cast<unsigned char>(c);
        held += 8;
        while (held >= 6) {
            held -= 6;
            text.push_back(digits[(bits >> held) & 63]);
        }
    }
    // The last digit's bits that are left over are zero.
    if (held > 0) text.push_back(digits[(bits << (6 - held)) & 63]);
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


#if defined(MURLO_ZLIB) && !defined(__EMSCRIPTEN__)
bool deflate_text(std::string_view text, std::string& deflated) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    deflated.assign(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(deflated.data());
    z.avail_out = static_cast<uInt>(deflated.size());
    const bool done = ::deflate(&z, Z_FINISH) == Z_STREAM_END;
    deflated.resize(z.total_out);
    deflateEnd(&z);
    return done;
}
#else
bool deflate_text(std::string_view, std::string&) { return false; }
#endif

}  // namespace

bool is_run_link(std::string_view name) {
    const std::size_t mark = name.find(link_mark);
    if (mark == std::string_view::npos) return false;
    return mark == 0 || name.substr(0, mark).find("://") != std::string_view::npos;
}

bool link_payload(std::string_view link, std::string& deflated, std::string& problem) {
    const std::size_t mark = link.find(link_mark);
    std::string_view rest = mark == std::string_view::npos ? std::string_view{} : link.substr(mark + link_mark.size());
    if (!rest.starts_with(link_version)) {
        problem = "not a run of this form (#run=1.)";
        return false;
    }
    rest.remove_prefix(link_version.size());
    if (!decode(rest, base64url_digits, deflated)) {
        problem = "not base64url";
        return false;
    }
    return true;
}

bool link_text(std::string_view link, std::string& text, std::string& problem) {
    std::string deflated;
    return link_payload(link, deflated, problem) && inflate(deflated, text, problem);
}

std::string payload_of_deflated(std::string_view deflated) {
    std::string payload(link_version);
    encode(deflated, base64url_digits, payload);
    return payload;
}

std::string base64_of(std::string_view bytes) {
    std::string text;
    encode(bytes, base64_digits, text);
    text.append((4 - text.size() % 4) % 4, '=');
    return text;
}

bool bytes_of_base64(std::string_view text, std::string& bytes) {
    std::size_t digits = text.size();
    while (digits > 0 && text.size() - digits < 2 && text[digits - 1] == '=') --digits;
    if (digits < text.size() && text.size() % 4 != 0) return false;
    return decode(text.substr(0, digits), base64_digits, bytes);
}

bool link_payload_of(std::string_view text, std::string& payload) {
    std::string deflated;
    if (!deflate_text(text, deflated)) return false;
    payload = payload_of_deflated(deflated);
    return true;
}

}  // namespace murlo::runs
