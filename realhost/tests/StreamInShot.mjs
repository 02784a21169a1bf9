// Where the real host drew a tether: the pixels in which a shot with the tether differs from the same
// frame of a run without it, against the tether's attach points projected into the shot and the
// width of the exhaust stream the host was asked to draw (the shot's file, ShotGeometry.h).
//
//   node StreamInShot.mjs WITH.png WITHOUT.png WITH.txt [LINK]
//
// Prints where the changed pixels lie: in the stream's band (within its drawn width, and a margin,
// of the line between the attach points), in the glow the host draws around the stream's start (a
// square as wide as seven times the stream's width to either side), or elsewhere; how much of the
// line between the attach points they cover; and how far across it they reach. Fails (exit 1) when
// the tether was not drawn between its attach points: no changed pixels, more than 2 % of them
// elsewhere, or less than 60 % of the line covered.
import { readFileSync } from 'node:fs';
import { inflateSync } from 'node:zlib';

const [withPath, withoutPath, geometryPath, linkText = '0'] = process.argv.slice(2);
if (!geometryPath) {
  console.error('usage: node StreamInShot.mjs WITH.png WITHOUT.png WITH.txt [LINK]');
  process.exit(2);
}

// An 8-bit, non-interlaced PNG of grey, RGB, grey and alpha, or RGBA pixels, as RGB rows.
function readPng(path) {
  const bytes = readFileSync(path);
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = 8; at < bytes.length;) {
    const length = bytes.readUInt32BE(at), type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = { 0: 1, 2: 3, 4: 2, 6: 4 }[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error(`${path}: not an 8-bit non-interlaced PNG`);
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += a;
      else if (filter === 2) value += b;
      else if (filter === 3) value += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        value += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      rows[y * stride + x] = value & 0xff;
    }
  }
  const rgb = (x, y) => {
    const i = (y * width + x) * channels;
    return channels < 3 ? [rows[i], rows[i], rows[i]] : [rows[i], rows[i + 1], rows[i + 2]];
  };
  return { width, height, rgb };
}

const shot = readPng(withPath), bare = readPng(withoutPath);
if (shot.width !== bare.width || shot.height !== bare.height) {
  console.error('real-host: the two shots differ in size');
  process.exit(1);
}
const lines = readFileSync(geometryPath, 'utf8').split('\n').map((l) => l.trim().split(/\s+/));
const tether = lines.find((w) => w[0] === 'tether' && w[1] === linkText);
if (!tether || tether[4] === '-' || tether[6] === '-') {
  console.error(`real-host: ${geometryPath} puts no attach points of tether ${linkText} in front of the camera`);
  process.exit(1);
}
const [x1, y1, x2, y2] = tether.slice(4, 8).map(Number);
// The stream drawn from attach point 1: the one that starts there.
const stream = lines.find((w) => w[0] === 'stream' && w[1] === tether[2] && w[6] !== '-' &&
  Math.hypot(Number(w[6]) - x1, Number(w[7]) - y1) < 1.5);
if (!stream) {
  console.error(`real-host: ${geometryPath} has no stream of ${tether[2]} from attach point 1 of tether ${linkText}`);
  process.exit(1);
}
const [half1, half2] = stream.slice(10, 12).map(Number);

// A pixel is changed when a colour differs by more than the rounding of blended colours.
const threshold = 6;
const dx = x2 - x1, dy = y2 - y1, span = Math.hypot(dx, dy);
const margin = 2;
const bins = new Array(Math.max(1, Math.round(span))).fill(0);
let changed = 0, inBand = 0, inGlow = 0, elsewhere = 0, reach = 0;
const strays = [];
for (let y = 0; y < shot.height; ++y) {
  for (let x = 0; x < shot.width; ++x) {
    const a = shot.rgb(x, y), b = bare.rgb(x, y);
    if (Math.max(Math.abs(a[0] - b[0]), Math.abs(a[1] - b[1]), Math.abs(a[2] - b[2])) <= threshold) continue;
    ++changed;
    // Pixel centres, along the line (0 at attach point 1, 1 at attach point 2) and across it.
    const px = x + 0.5 - x1, py = y + 0.5 - y1;
    const t = span > 0 ? (px * dx + py * dy) / (span * span) : 0;
    const tc = Math.min(1, Math.max(0, t));
    const across = Math.hypot(px - tc * dx, py - tc * dy);
    if (across <= half1 + (half2 - half1) * tc + margin) {
      ++inBand;
      bins[Math.min(bins.length - 1, Math.floor(tc * bins.length))]++;
      if (t >= 0 && t <= 1) reach = Math.max(reach, across);
    } else if (Math.max(Math.abs(px), Math.abs(py)) <= 7 * half1 + margin) {
      ++inGlow;
    } else {
      ++elsewhere;
      if (strays.length < 5) strays.push(`${x},${y}`);
    }
  }
}
const covered = bins.filter((n) => n > 0).length / bins.length;
const percent = (n) => (changed ? (100 * n / changed).toFixed(1) : '0.0');
console.log(`tether ${linkText} (${tether[2]} to ${tether[3]}): attach points at ${x1} ${y1} and ${x2} ${y2} px, ` +
  `${span.toFixed(1)} px apart; stream ${stream[3]}, ${stream[4]} m long, ${stream[5]} m to either side ` +
  `(${half1} to ${half2} px)`);
console.log(`changed pixels: ${changed}: in the stream's band ${inBand} (${percent(inBand)} %), ` +
  `in the glow at attach point 1 ${inGlow} (${percent(inGlow)} %), elsewhere ${elsewhere} (${percent(elsewhere)} %)` +
  (strays.length ? ` first at ${strays.join(' ')}` : ''));
console.log(`the line between the attach points: ${(100 * covered).toFixed(1)} % covered; ` +
  `changed pixels reach ${reach.toFixed(1)} px across it`);
const faults = [];
if (changed === 0) faults.push('the shots do not differ');
if (elsewhere > 0.02 * changed) faults.push('more than 2 % of the changed pixels lie away from the stream');
if (covered < 0.6) faults.push('less than 60 % of the line between the attach points is drawn');
if (faults.length) {
  console.error(`real-host: the tether is not drawn between its attach points: ${faults.join('; ')}`);
  process.exit(1);
}
