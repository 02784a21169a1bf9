// The recorded run as kestrane-sim writes it into the page: base64 of a zlib stream holding a JSON
// header and binary columns (see sim/run/ReplayFile.h), and the state at any time between samples.

const typeOf = {
  f64: [Float64Array, 8],
  f32: [Float32Array, 4],
  u32: [Uint32Array, 4],
  u8: [Uint8Array, 1],
  i8: [Int8Array, 1],
};

function base64Bytes(text) {
  const clean = text.replace(/\s+/g, '');
  if (typeof Uint8Array.fromBase64 === 'function') return Uint8Array.fromBase64(clean);
  const binary = atob(clean);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

async function inflate(bytes) {
  if (typeof DecompressionStream !== 'function')
    throw new Error('this browser cannot unpack the replay (it has no DecompressionStream)');
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// A column's values: the bytes put back in element order, then the exclusive-or chain undone.
function column(binary, spec) {
  const [Type, size] = typeOf[spec.type];
  const { count } = spec;
  const raw = new Uint8Array(count * size);
  const source = binary.subarray(spec.offset, spec.offset + count * size);
  if (spec.shuffle && size > 1) {
    for (let b = 0; b < size; ++b) {
      const plane = source.subarray(b * count, (b + 1) * count);
      for (let i = 0, j = b; i < count; ++i, j += size) raw[j] = plane[i];
    }
  } else {
    raw.set(source);
  }
  if (spec.xor) {
    const words = new Uint32Array(raw.buffer);
    const step = size / 4;
    for (let i = step; i < words.length; ++i) words[i] ^= words[i - step];
  }
  return new Type(raw.buffer);
}

export async function decodeReplay(text) {
  const bytes = await inflate(base64Bytes(text));
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const headerLength = view.getUint32(0, true);
  const header = JSON.parse(new TextDecoder().decode(bytes.subarray(4, 4 + headerLength)));
  if (header.format !== 1) throw new Error(`replay data of format ${header.format}, this page reads format 1`);
  const binary = bytes.subarray(Math.ceil((4 + headerLength) / 8) * 8);
  const columns = {};
  for (const [name, spec] of Object.entries(header.columns)) columns[name] = column(binary, spec);
  return new Replay(header, columns);
}

// Linear between two samples; exact at a sample (weight 0).
function mix(a, b, w) {
  return w === 0 ? a : a + (b - a) * w;
}

export class Replay {
  constructor(header, columns) {
    this.header = header;
    Object.assign(this, columns);
    this.times = columns.time;
    this.sampleCount = header.samples;
    this.start = this.times[0];
    this.end = this.times[this.sampleCount - 1];
    this.duration = this.end - this.start;
    this.textures = header.textures;
    this.gravityGM = header.gravityGM || 0;
    // The date of the first sample (MJD); 0 when the recording does not know it.
    this.date = header.date || 0;
    this.meshes = header.meshes ?? [];
    this.notes = header.notes ?? [];
    let row = 0;
    this.vessels = header.vessels.map((v, id) => {
      const vessel = { mesh: -1, ...v, id, row };
      row += v.sampleCount;
      return vessel;
    });
    this.redraws = header.display.redraws;
    // The links that were ever connected, for their plots.
    this.linksUsed = [];
    const links = header.links;
    for (let link = 0; link < links; ++link) {
      for (let i = 0; i < this.sampleCount; ++i) {
        if (this.tetherConnected[i * links + link]) {
          this.linksUsed.push(link);
          break;
        }
      }
    }
  }

  // The sample at or before t and the weight of the next one.
  locate(t) {
    const times = this.times;
    if (!(t > times[0])) return { i: 0, w: 0 };
    const last = this.sampleCount - 1;
    if (t >= times[last]) return { i: last, w: 0 };
    let lo = 0, hi = last;
    while (hi - lo > 1) {
      const mid = (lo + hi) >> 1;
      if (times[mid] <= t) lo = mid; else hi = mid;
    }
    return { i: lo, w: (t - times[lo]) / (times[lo + 1] - times[lo]) };
  }

  // Whether the vessel is in sample i.
  holds(vessel, i) {
    return i >= vessel.firstSample && i < vessel.firstSample + vessel.sampleCount;
  }

  // Position (global m) and orientation quaternion (x, y, z, w) of a vessel held in sample i,
  // moved on towards sample i + 1 when it is there too.
  pose(vessel, { i, w }, out) {
    const r = vessel.row + i - vessel.firstSample;
    const next = w > 0 && this.holds(vessel, i + 1) ? r + 1 : r;
    const f = next === r ? 0 : w;
    out.position[0] = mix(this.x[r], this.x[next], f);
    out.position[1] = mix(this.y[r], this.y[next], f);
    out.position[2] = mix(this.z[r], this.z[next], f);
    let qx = this.qx[r], qy = this.qy[r], qz = this.qz[r], qw = this.qw[r];
    if (f > 0) {
      let bx = this.qx[next], by = this.qy[next], bz = this.qz[next], bw = this.qw[next];
      // The shorter way round.
      if (qx * bx + qy * by + qz * bz + qw * bw < 0) { bx = -bx; by = -by; bz = -bz; bw = -bw; }
      qx = mix(qx, bx, f); qy = mix(qy, by, f); qz = mix(qz, bz, f); qw = mix(qw, bw, f);
      const n = Math.hypot(qx, qy, qz, qw);
      qx /= n; qy /= n; qz /= n; qw /= n;
    }
    out.quaternion[0] = qx; out.quaternion[1] = qy; out.quaternion[2] = qz; out.quaternion[3] = qw;
    return out;
  }

  // The vessels held at a located time.
  vesselsAt(at) {
    return this.vessels.filter((v) => this.holds(v, at.i));
  }

  // The streams of sample i, each moved on towards the same tether's stream on the same vessel in
  // sample i + 1: { vessel, link, texture, pos, dir (vessel frame), length, width }.
  streamsAt({ i, w }) {
    const list = [];
    const next = new Map();
    if (w > 0 && i + 1 < this.sampleCount) {
      for (let s = this.streamStart[i + 1]; s < this.streamStart[i + 2]; ++s)
        if (this.streamLink[s] >= 0) next.set(`${this.streamLink[s]}:${this.streamVessel[s]}`, s);
    }
    for (let s = this.streamStart[i]; s < this.streamStart[i + 1]; ++s) {
      const link = this.streamLink[s];
      const n = link >= 0 ? next.get(`${link}:${this.streamVessel[s]}`) : undefined;
      const f = n === undefined ? 0 : w;
      const o = n === undefined ? s : n;
      list.push({
        vessel: this.vessels[this.streamVessel[s]],
        link,
        texture: this.textures[this.streamTexture[s]] ?? '',
        pos: [mix(this.streamPx[s], this.streamPx[o], f), mix(this.streamPy[s], this.streamPy[o], f),
          mix(this.streamPz[s], this.streamPz[o], f)],
        dir: [mix(this.streamDx[s], this.streamDx[o], f), mix(this.streamDy[s], this.streamDy[o], f),
          mix(this.streamDz[s], this.streamDz[o], f)],
        length: mix(this.streamLength[s], this.streamLength[o], f),
        width: mix(this.streamWidth[s], this.streamWidth[o], f),
      });
    }
    return list;
  }

  // A tether's stretch (percent) at a located time, moved on towards the next sample.
  stretchAt(link, { i, w }) {
    const links = this.header.links, k = i * links + link;
    const next = w > 0 && i + 1 < this.sampleCount ? k + links : k;
    return mix(this.tetherStretch[k], this.tetherStretch[next], next === k ? 0 : w);
  }

  // Mesh k of the header's list as arrays for the GPU: positions (x, y, z, m), normals (a byte per
  // axis, 127 for 1), three vertex numbers per triangle, its parts (a material and a range of
  // indices each) and its materials.
  meshData(k) {
    const m = this.header.meshes[k];
    const positions = new Float32Array(m.vertexCount * 3), normals = new Int8Array(m.vertexCount * 3);
    for (let v = 0, j = m.vertexStart; v < m.vertexCount; ++v, ++j) {
      positions[3 * v] = this.meshX[j];
      positions[3 * v + 1] = this.meshY[j];
      positions[3 * v + 2] = this.meshZ[j];
      normals[3 * v] = this.meshNx[j];
      normals[3 * v + 1] = this.meshNy[j];
      normals[3 * v + 2] = this.meshNz[j];
    }
    const indices = this.meshIndex.slice(m.indexStart, m.indexStart + m.indexCount);
    return { name: m.name, positions, normals, indices, parts: m.parts, materials: m.materials };
  }

  // The sample whose tethers agree with the display shown at a located time: the sample at or
  // before it, unless the redraw shown was drawn after that sample (keys between two samples),
  // then the first sample after the redraw. A redraw says how many samples came before it; one
  // that does not is placed by its time.
  sampleShown({ i }, redraw) {
    if (!redraw) return i;
    const before = redraw[2] ?? this.samplesBy(redraw[0]);
    return before > i ? Math.min(before, this.sampleCount - 1) : i;
  }

  // The samples taken at or before t.
  samplesBy(t) {
    let lo = 0, hi = this.sampleCount;
    while (lo < hi) {
      const mid = (lo + hi) >> 1;
      if (this.times[mid] <= t) lo = mid + 1; else hi = mid;
    }
    return lo;
  }

  // The redraw shown at time t: the last one at or before it.
  redrawAt(t) {
    const r = this.redraws;
    if (r.length === 0 || r[0][0] > t) return r.length ? r[0] : null;
    let lo = 0, hi = r.length;
    while (hi - lo > 1) {
      const mid = (lo + hi) >> 1;
      if (r[mid][0] <= t) lo = mid; else hi = mid;
    }
    return r[lo];
  }
}

// Rotates v by the unit quaternion q = [x, y, z, w].
export function rotate(q, v) {
  const [x, y, z, w] = q;
  const tx = 2 * (y * v[2] - z * v[1]), ty = 2 * (z * v[0] - x * v[2]), tz = 2 * (x * v[1] - y * v[0]);
  return [v[0] + w * tx + (y * tz - z * ty), v[1] + w * ty + (z * tx - x * tz), v[2] + w * tz + (x * ty - y * tx)];
}
