// Runs shared as links. A link is a page's address, then "#run=1." and the
// input script's text, raw-deflated (RFC 1951) and base64url-encoded
// without padding; "1." is the form's version. The page and the board
// write them here, and every reader (the page, murlo-replay, murlo --play,
// the board) takes exactly this form, or the "#run=..." part alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace murlo::runs {

constexpr std::string_view link_mark = "#run=";
constexpr std::string_view link_version = "1.";

// The most script text a link may inflate to; a link whose text is longer
// is refused as damaged, so a small link cannot make a reader fill memory.
constexpr std::size_t max_link_text = std::size_t{16} << 20;

// Whether a name given where a script file goes is a link: it starts with
// "#run=", or has "#run=" after a "scheme://".
bool is_run_link(std::string_view name);

// The deflated bytes a link carries, from its "#run=" on. False, with the
// reason in `problem`, when the rest is not "1." and base64url (no padding,
// no bits left over).
bool link_payload(std::string_view link, std::string& deflated, std::string& problem);

// The script text a link carries: its payload inflated, stopping at
// max_link_text. False, with the reason in `problem` ("not base64url",
// "not raw deflate", "its script is over 16 MiB", ...), otherwise.
bool link_text(std::string_view link, std::string& text, std::string& problem);

// A link's payload ("1." and base64url without padding, what follows
// "#run=") for deflated bytes: the page deflates a script with the
// browser's own and has the link made here.
std::string payload_of_deflated(std::string_view deflated);

// Bytes in base64 as a browser's btoa writes them (the standard digits,
// padded with '='), and back: false for anything but such digits, the
// padding optional, as atob reads them.
std::string base64_of(std::string_view bytes);
bool bytes_of_base64(std::string_view text, std::string& bytes);

// The payload of a link to the script `text`, deflated with zlib at its
// best compression. False where the build has no zlib of its own (the
// page, the Windows cross build).
bool link_payload_of(std::string_view text, std::string& payload);

}  // namespace murlo::runs
