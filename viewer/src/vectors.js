// Small vector helpers on [x, y, z] arrays, in double precision.

export function sub(a, b) { return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]; }
export function add(a, b) { return [a[0] + b[0], a[1] + b[1], a[2] + b[2]]; }
export function scale(a, s) { return [a[0] * s, a[1] * s, a[2] * s]; }
export function dot(a, b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
export function cross(a, b) { return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]; }
export function norm(a) { return Math.hypot(a[0], a[1], a[2]); }
export function unit(a) { const n = norm(a); return n > 0 ? scale(a, 1 / n) : [0, 0, 0]; }

// The component of `a` across the unit vector `axis`, made unit; null when `a` lies along it.
export function across(a, axis) {
  const v = sub(a, scale(axis, dot(a, axis)));
  const n = norm(v);
  return n > 1e-6 * norm(a) ? scale(v, 1 / n) : null;
}
