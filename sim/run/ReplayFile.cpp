#include "sim/run/ReplayFile.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "sim/run/ReplayRecorder.h"
#include "sim/scenario/NumberFormat.h"

namespace sim {

namespace {

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// A finite number in JSON; JSON has no infinities or NaN, so those become null.
std::string JsonNumber(double value) { return std::isfinite(value) ? FormatReal(value) : "null"; }

std::string JsonVector(Vec3 v) { return "[" + JsonNumber(v.x) + "," + JsonNumber(v.y) + "," + JsonNumber(v.z) + "]"; }

template <class T>
const char *TypeName() {
  if (std::is_same_v<T, double>) return "f64";
  if (std::is_same_v<T, float>) return "f32";
  if (std::is_same_v<T, uint32_t>) return "u32";
  if (std::is_same_v<T, int8_t>) return "i8";
  return "u8";
}

// The binary columns after the header, and their entries in it.
class Columns {
public:
  template <class T>
  void Add(const std::string &name, const std::vector<T> &values) {
    static_assert(std::is_arithmetic_v<T>, "columns hold numbers");
    constexpr size_t size = sizeof(T);
    const size_t offset = bytes.size();
    const size_t count = values.size();
    std::vector<uint8_t> raw(count * size);
    if (count > 0) std::memcpy(raw.data(), values.data(), raw.size());
    const bool xored = std::is_floating_point_v<T>;
    if (xored) {
      // Neighbouring samples share their sign, exponent and leading digits: after the exclusive
      // or those bytes are zero.
      for (size_t i = count; i-- > 1;)
        for (size_t b = 0; b < size; ++b) raw[i * size + b] ^= raw[(i - 1) * size + b];
    }
    bytes.resize(offset + raw.size());
    for (size_t i = 0; i < count; ++i)
      for (size_t b = 0; b < size; ++b) bytes[offset + b * count + i] = raw[i * size + b];
    bytes.resize((bytes.size() + 7) / 8 * 8, 0);
    if (!index.empty()) index += ",";
    index += JsonString(name) + ":{\"type\":\"" + TypeName<T>() + "\",\"offset\":" + std::to_string(offset) +
             ",\"count\":" + std::to_string(count) + ",\"xor\":" + (xored ? "true" : "false") +
             ",\"shuffle\":" + (size > 1 ? "true" : "false") + "}";
  }

  std::vector<uint8_t> bytes;
  std::string index;
};

std::string RedrawsJson(const ReplayRecorder &recording) {
  std::string out = "[";
  for (const ReplayRedraw &redraw : recording.Redraws()) {
    if (out.size() > 1) out += ",";
    out += "[" + JsonNumber(redraw.time) + ",[";
    bool first = true;
    for (const ReplayRedraw::Run &run : redraw.runs) {
      if (!first) out += ",";
      first = false;
      out += "[" + std::to_string(run.x) + "," + std::to_string(run.y) + "," + JsonString(run.text) + "," +
             std::to_string(run.textColour) + "," + std::to_string(run.backColour) + "," + (run.opaque ? "1" : "0") +
             "]";
    }
    out += "]," + std::to_string(redraw.samplesBefore) + "]";
  }
  return out + "]";
}

// A material's value as the file gave it, in at most six digits.
std::string JsonShort(float value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
  return text;
}

std::string JsonColour(const std::array<float, 4> &c, int count) {
  std::string out = "[";
  for (int k = 0; k < count; ++k) out += (k > 0 ? "," : "") + JsonShort(c[k]);
  return out + "]";
}

// The meshes' vertices and triangles as columns, and their entries in the header: each mesh's
// visible groups laid one after the other, its triangles ordered by material so that the page
// draws each material once.
std::string AddMeshes(Columns &columns, const std::vector<ReplayMesh> &meshes) {
  std::vector<float> x, y, z;
  std::vector<int8_t> nx, ny, nz;
  std::vector<uint32_t> indices;
  std::string json = "[";
  for (const ReplayMesh &m : meshes) {
    const size_t vertexStart = x.size(), indexStart = indices.size();
    struct Part {
      int material;
      size_t group;
      uint32_t base;  // the group's first vertex within the mesh
    };
    std::vector<Part> parts;
    for (size_t g = 0; g < m.mesh->groups.size(); ++g) {
      const MeshGroup &group = m.mesh->groups[g];
      // The host does not draw a group flagged hidden.
      if (group.flags & 2) continue;
      parts.push_back({group.material, g, static_cast<uint32_t>(x.size() - vertexStart)});
      for (size_t v = 0; v < group.positions.size(); v += 3) {
        x.push_back(group.positions[v]);
        y.push_back(group.positions[v + 1]);
        z.push_back(group.positions[v + 2]);
        // A normal in a byte per axis is within half a degree, as fine as the eye sees shading.
        nx.push_back(static_cast<int8_t>(std::lround(group.normals[v] * 127.0f)));
        ny.push_back(static_cast<int8_t>(std::lround(group.normals[v + 1] * 127.0f)));
        nz.push_back(static_cast<int8_t>(std::lround(group.normals[v + 2] * 127.0f)));
      }
    }
    std::stable_sort(parts.begin(), parts.end(), [](const Part &a, const Part &b) { return a.material < b.material; });
    std::string drawn = "[";
    for (size_t p = 0; p < parts.size();) {
      const int material = parts[p].material;
      const size_t first = indices.size() - indexStart;
      for (; p < parts.size() && parts[p].material == material; ++p)
        for (uint32_t i : m.mesh->groups[parts[p].group].indices) indices.push_back(parts[p].base + i);
      if (drawn.size() > 1) drawn += ",";
      drawn += "{\"material\":" + std::to_string(material) + ",\"start\":" + std::to_string(first) +
               ",\"count\":" + std::to_string(indices.size() - indexStart - first) + "}";
    }
    drawn += "]";
    std::string materials = "[";
    for (const MeshMaterial &material : m.mesh->materials) {
      if (materials.size() > 1) materials += ",";
      materials += "{\"name\":" + JsonString(material.name) + ",\"diffuse\":" + JsonColour(material.diffuse, 4) +
                   ",\"specular\":" + JsonColour(material.specular, 3) + ",\"power\":" + JsonShort(material.power) +
                   "}";
    }
    materials += "]";
    if (json.size() > 1) json += ",";
    json += "{\"name\":" + JsonString(m.name) + ",\"vertexStart\":" + std::to_string(vertexStart) +
            ",\"vertexCount\":" + std::to_string(x.size() - vertexStart) +
            ",\"indexStart\":" + std::to_string(indexStart) +
            ",\"indexCount\":" + std::to_string(indices.size() - indexStart) + ",\"materials\":" + materials +
            ",\"parts\":" + drawn + "}";
  }
  columns.Add("meshX", x);
  columns.Add("meshY", y);
  columns.Add("meshZ", z);
  columns.Add("meshNx", nx);
  columns.Add("meshNy", ny);
  columns.Add("meshNz", nz);
  columns.Add("meshIndex", indices);
  return json + "]";
}

}  // namespace

std::vector<uint8_t> EncodeReplay(const ReplayRecorder &recording, const std::string &title) {
  Columns columns;
  columns.Add("time", recording.Times());
  columns.Add("focus", recording.Focus());

  // The vessels' samples one vessel after the other, in the order the vessels first appeared.
  std::vector<double> x, y, z;
  std::vector<float> qx, qy, qz, qw;
  for (const ReplayVessel &v : recording.Vessels()) {
    x.insert(x.end(), v.x.begin(), v.x.end());
    y.insert(y.end(), v.y.begin(), v.y.end());
    z.insert(z.end(), v.z.begin(), v.z.end());
    qx.insert(qx.end(), v.qx.begin(), v.qx.end());
    qy.insert(qy.end(), v.qy.begin(), v.qy.end());
    qz.insert(qz.end(), v.qz.begin(), v.qz.end());
    qw.insert(qw.end(), v.qw.begin(), v.qw.end());
  }
  columns.Add("x", x);
  columns.Add("y", y);
  columns.Add("z", z);
  columns.Add("qx", qx);
  columns.Add("qy", qy);
  columns.Add("qz", qz);
  columns.Add("qw", qw);

  const std::vector<ReplayStream> &streams = recording.Streams();
  auto field = [&streams](auto member) {
    std::vector<std::remove_cv_t<std::remove_reference_t<decltype(streams[0].*member)>>> values;
    values.reserve(streams.size());
    for (const ReplayStream &s : streams) values.push_back(s.*member);
    return values;
  };
  columns.Add("streamStart", recording.StreamStart());
  columns.Add("streamVessel", field(&ReplayStream::vessel));
  columns.Add("streamLink", field(&ReplayStream::link));
  columns.Add("streamTexture", field(&ReplayStream::texture));
  columns.Add("streamPx", field(&ReplayStream::px));
  columns.Add("streamPy", field(&ReplayStream::py));
  columns.Add("streamPz", field(&ReplayStream::pz));
  columns.Add("streamDx", field(&ReplayStream::dx));
  columns.Add("streamDy", field(&ReplayStream::dy));
  columns.Add("streamDz", field(&ReplayStream::dz));
  columns.Add("streamLength", field(&ReplayStream::length));
  columns.Add("streamWidth", field(&ReplayStream::width));

  columns.Add("tetherConnected", recording.TetherConnected());
  columns.Add("tetherPull", recording.TetherPull());
  columns.Add("tetherStretch", recording.TetherStretch());
  const std::string meshes = AddMeshes(columns, recording.Meshes());

  std::string vessels = "[";
  for (const ReplayVessel &v : recording.Vessels()) {
    if (vessels.size() > 1) vessels += ",";
    std::string docks = "[";
    for (const DockingPort &d : v.docks) {
      if (docks.size() > 1) docks += ",";
      docks +=
          "{\"pos\":" + JsonVector(d.pos) + ",\"dir\":" + JsonVector(d.dir) + ",\"rot\":" + JsonVector(d.rot) + "}";
    }
    docks += "]";
    vessels += "{\"name\":" + JsonString(v.name) + ",\"className\":" + JsonString(v.className) +
               ",\"mass\":" + JsonNumber(v.mass) + ",\"pmi\":" + JsonVector(v.pmi) + ",\"docks\":" + docks +
               ",\"mesh\":" + std::to_string(v.mesh) + ",\"firstSample\":" + std::to_string(v.firstSample) +
               ",\"sampleCount\":" + std::to_string(v.SampleCount()) + "}";
  }
  vessels += "]";

  std::string notes = "[";
  for (const std::string &note : recording.Notes()) notes += (notes.size() > 1 ? "," : "") + JsonString(note);
  notes += "]";

  std::string textures = "[";
  for (const std::string &name : recording.TextureNames())
    textures += (textures.size() > 1 ? "," : "") + JsonString(name);
  textures += "]";

  const std::string header =
      "{\"format\":1,\"title\":" + JsonString(title) + ",\"step\":" + JsonNumber(recording.Step()) +
      ",\"every\":" + JsonNumber(recording.Every()) + ",\"gravityGM\":" + JsonNumber(recording.GravityGM()) +
      ",\"date\":" + JsonNumber(recording.StartDate()) + ",\"meshes\":" + meshes + ",\"notes\":" + notes +
      ",\"samples\":" + std::to_string(recording.SampleCount()) +
      ",\"links\":" + std::to_string(ReplayRecorder::linkCount) + ",\"vessels\":" + vessels +
      ",\"textures\":" + textures + ",\"display\":{\"width\":" + std::to_string(recording.DisplayWidth()) +
      ",\"height\":" + std::to_string(recording.DisplayHeight()) +
      ",\"cellWidth\":" + std::to_string(recording.CellWidth()) +
      ",\"cellHeight\":" + std::to_string(recording.CellHeight()) + ",\"redraws\":" + RedrawsJson(recording) +
      "},\"columns\":{" + columns.index + "}}";

  std::vector<uint8_t> out;
  const auto length = static_cast<uint32_t>(header.size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(length >> shift));
  out.insert(out.end(), header.begin(), header.end());
  out.resize((out.size() + 7) / 8 * 8, 0);
  out.insert(out.end(), columns.bytes.begin(), columns.bytes.end());
  return out;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t> &bytes) {
  z_stream stream{};
  deflateInit(&stream, Z_DEFAULT_COMPRESSION);
  std::vector<uint8_t> out;
  std::vector<uint8_t> chunk(1 << 20);
  // In pieces that zlib's 32-bit counters hold, however large the recording.
  constexpr size_t piece = 1u << 30;
  size_t fed = 0;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (stream.avail_in == 0 && fed < bytes.size()) {
      const size_t n = std::min(piece, bytes.size() - fed);
      stream.next_in = const_cast<Bytef *>(bytes.data() + fed);
      stream.avail_in = static_cast<uInt>(n);
      fed += n;
    }
    stream.next_out = chunk.data();
    stream.avail_out = static_cast<uInt>(chunk.size());
    status = deflate(&stream, fed == bytes.size() ? Z_FINISH : Z_NO_FLUSH);
    out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
    if (status == Z_STREAM_ERROR) break;
  }
  deflateEnd(&stream);
  return out;
}

std::string Base64(const std::vector<uint8_t> &bytes) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    out += digits[n >> 18];
    out += digits[(n >> 12) & 63];
    out += digits[(n >> 6) & 63];
    out += digits[n & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const uint32_t n = (uint32_t{bytes[i]} << 16) | (two ? uint32_t{bytes[i + 1]} << 8 : 0);
    out += digits[n >> 18];
    out += digits[(n >> 12) & 63];
    out += two ? digits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool WriteReplayPage(const std::string &path, const ReplayRecorder &recording, const std::string &title,
                     std::string &error) {
  const std::string_view page = ReplayPageTemplate();
  const size_t slot = page.find(replayDataSlot);
  if (slot == std::string_view::npos) {
    error = "this kestrane-sim was built without the replay page (node and npm were missing when it was configured)";
    return false;
  }
  const std::string data = Base64(Deflate(EncodeReplay(recording, title)));

  const std::string temporary = path + ".writing";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = "cannot write '" + path + "': " + std::strerror(errno);
      return false;
    }
    out.write(page.data(), static_cast<std::streamsize>(slot));
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    const std::string_view rest = page.substr(slot + replayDataSlot.size());
    out.write(rest.data(), static_cast<std::streamsize>(rest.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      error = "writing '" + path + "' failed";
      return false;
    }
  }
  std::error_code failed;
  std::filesystem::rename(temporary, path, failed);
  if (failed) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    error = "cannot replace '" + path + "': " + failed.message();
    return false;
  }
  return true;
}

}  // namespace sim
