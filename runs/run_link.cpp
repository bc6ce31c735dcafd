#include "runs/run_link.h"

namespace murlo::runs {

namespace {

int base64url_digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

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
    deflated.clear();
    unsigned bits = 0;
    int held = 0;  // bits in `bits` not yet written
    for (const char c : rest) {
        const int digit = base64url_digit(c);
        if (digit < 0) {
            problem = "not base64url";
            return false;
        }
        bits = (bits << 6) | static_cast<unsigned>(digit);
        held += 6;
        if (held >= 8) {
            held -= 8;
            deflated.push_back(static_cast<char>((bits >> held) & 0xFF));
        }
    }
    // What is left must be the zero bits that fill out the last digit.
    if (held >= 6 || (bits & ((1u << held) - 1)) != 0) {
        problem = "not base64url";
        return false;
    }
    return true;
}

}  // namespace murlo::runs
