// A slack tether drawn as the rope it is: between attach points a distance D apart, a curve as long
// as the tether, D + a sin(2π n s) across, swinging n times to one side and back as the plug-in's
// slack textures draw it (n = 1 for a slack tether, 2 for a very slack one).

// The complete elliptic integral of the second kind, E(m) = ∫ √(1 − m sin²θ) dθ over 0 .. π/2, by
// the arithmetic-geometric mean.
function ellipticE(m) {
  if (m >= 1) return 1;
  let a = 1, b = Math.sqrt(1 - m), c = Math.sqrt(m), weight = 0.5, sum = 0.5 * m;
  while (Math.abs(c) > 1e-15 * a) {
    c = (a - b) / 2;
    [a, b] = [(a + b) / 2, Math.sqrt(a * b)];
    weight *= 2;
    sum += weight * c * c;
  }
  return (Math.PI / (2 * a)) * (1 - sum);
}

// The length of the curve of amplitude a (m) over the distance d (m) with n swings:
// ∫ √(d² + k² cos²(2πu)) du over 0 .. 1 with k = 2π n a, that is (2/π) √(d² + k²) E(k² / (d² + k²)).
export function ropeLength(distance, amplitude, swings) {
  const k = 2 * Math.PI * swings * amplitude, r = Math.hypot(distance, k);
  return r > 0 ? (2 / Math.PI) * r * ellipticE((k / r) ** 2) : 0;
}

// The amplitude (m) that makes the curve `length` long; 0 when the tether is not longer than the
// distance.
export function ropeAmplitude(distance, length, swings) {
  if (!(length > distance) || !(swings > 0)) return 0;
  // Each swing is at least four amplitudes long and at most the distance plus that.
  let lo = Math.max(0, (length - distance) / (4 * swings)), hi = length / (4 * swings);
  for (let i = 0; i < 60 && hi - lo > 1e-9 * length; ++i) {
    const mid = (lo + hi) / 2;
    if (ropeLength(distance, mid, swings) < length) lo = mid; else hi = mid;
  }
  return (lo + hi) / 2;
}

// `segments` + 1 points of the curve from `from` along the unit `axis` for `distance`, swinging
// along the unit `side`.
export function ropePoints(from, axis, side, distance, amplitude, swings, segments) {
  const points = [];
  for (let i = 0; i <= segments; ++i) {
    const s = i / segments, across = amplitude * Math.sin(2 * Math.PI * swings * s);
    points.push([0, 1, 2].map((k) => from[k] + axis[k] * distance * s + side[k] * across));
  }
  return points;
}
