// The replay page of a run: the page built from viewer/ (embedded in kestrane-sim at build time)
// with the run's samples written into it as compressed data. The page needs no server and no
// network: it unpacks the data with the browser's own DecompressionStream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class ReplayRecorder;

// The data as the page reads it, before compression: a little-endian u32 byte count of a JSON
// header, the header (UTF-8), zero bytes up to a multiple of 8, then the columns the header lists
// by name, type ("f64", "f32", "u32", "u8", "i8"), byte offset from there and element count, each
// starting at a multiple of 8. A float column marked "xor" holds each value's bits exclusive-or'd
// with the previous value's (the first as it is); a column marked "shuffle" holds its elements'
// first bytes, then their second bytes, and so on. Both make slowly changing numbers compress
// well and lose nothing. The meshes the vessels wear are written once each: the header's "meshes"
// gives each one's range of vertices (columns meshX, meshY, meshZ, and meshNx, meshNy, meshNz, a
// normal's axes as bytes with 127 for 1) and of triangles (meshIndex, three per triangle, numbered
// within the mesh), and its materials; a vessel's "mesh" is its index there, −1 for none.
std::vector<uint8_t> EncodeReplay(const ReplayRecorder &recording, const std::string &title);

// A zlib stream (RFC 1950) of the bytes, as DecompressionStream("deflate") reads it.
std::vector<uint8_t> Deflate(const std::vector<uint8_t> &bytes);
// Standard base64 with padding.
std::string Base64(const std::vector<uint8_t> &bytes);

// The page template of this build; empty when the build had no node and npm to make it.
std::string_view ReplayPageTemplate();
// Where the template takes the data; it appears exactly once.
constexpr std::string_view replayDataSlot = "{{replay-data}}";

// Writes the page for the recording, titled `title` (the scenario's name), through a temporary
// file that replaces `path` only when complete. False with a one-line reason in `error`.
bool WriteReplayPage(const std::string &path, const ReplayRecorder &recording, const std::string &title,
                     std::string &error);

}  // namespace sim
