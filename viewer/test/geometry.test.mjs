// The page's geometry in node: the Sun's direction and the Earth's turn at known moments, a slack
// tether's curve as long as the tether, the boxes of vessels without a mesh, a plot's time axis.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { ropeAmplitude, ropeLength, ropePoints } from '../src/rope.js';
import { bodyBox } from '../src/bodies.js';
import { timeTicks } from '../src/plots.js';
import { earthAxes, sunDirection } from '../src/sky.js';

const degree = Math.PI / 180;
const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
// The low-precision solar formulae are good to 0.01°; the moments below are given to the minute.
const sunTolerance = 0.02 * degree;
// MJD of a UT date and time.
const mjd = (year, month, day, hours, minutes) =>
  (Date.UTC(year, month - 1, day, hours, minutes) / 86400000) + 40587;

describe('the sky', () => {
  test('the Sun lies along the ecliptic at the longitude of the season, in the frame of J2000', () => {
    // The 2024 March equinox (03:06 UT) and June solstice (20:51 UT): longitude 0° and 90° of the
    // date, 24.2 years of precession (0.338°) short of that in the frame of J2000.
    const precession = 50.29 / 3600 * 24.22 * degree;
    for (const [when, longitude] of [[mjd(2024, 3, 20, 3, 6), 0], [mjd(2024, 6, 20, 20, 51), 90 * degree]]) {
      const s = sunDirection(when);
      assert.ok(Math.abs(Math.hypot(...s) - 1) < 1e-12);
      // The host's y is the ecliptic's north pole: the Sun stays in the plane y = 0.
      assert.equal(s[1], 0);
      const seen = Math.atan2(s[2], s[0]);
      assert.ok(Math.abs(seen - (longitude - precession)) < sunTolerance, `${seen / degree}° at ${when}`);
    }
  });

  test('at the equinox the Sun stands over the equator, above the longitude where it is noon', () => {
    // 2024 March 20, 03:06 UT: mean noon is 8.9 hours east of Greenwich, and the Sun comes to the
    // meridian 7.4 minutes after mean noon that day (the equation of time): it stands over 135.35° E.
    const when = mjd(2024, 3, 20, 3, 6);
    const { greenwich, east, north } = earthAxes(when);
    const s = sunDirection(when);
    assert.ok(Math.abs(dot(greenwich, east)) < 1e-12 && Math.abs(dot(east, north)) < 1e-12);
    // The Earth turns about the pole of J2000, which the pole of 2024 has left by 0.13° across the
    // Sun's path.
    assert.ok(Math.abs(Math.asin(dot(s, north))) < 0.15 * degree, `declination ${Math.asin(dot(s, north)) / degree}°`);
    const longitude = Math.atan2(dot(s, east), dot(s, greenwich));
    assert.ok(Math.abs(longitude - 135.35 * degree) < 0.1 * degree, `${longitude / degree}° E`);
    // The pole leans 23.44° from the ecliptic's, towards 90° of ecliptic longitude (the host's z).
    assert.ok(Math.abs(Math.acos(north[1]) - 23.44 * degree) < 0.01 * degree);
    assert.ok(north[2] > 0 && Math.abs(north[0]) < 1e-12);
  });
});

describe('a slack rope', () => {
  const polylineLength = (points) =>
    points.slice(1).reduce((sum, p, i) => sum + Math.hypot(...p.map((v, k) => v - points[i][k])), 0);

  test('is as long as the tether, from just slack to many times the distance', () => {
    for (const swings of [1, 2]) {
      for (const ratio of [1.0001, 1.01, 1.3, 3, 25]) {
        const distance = 1400, length = distance * ratio;
        const a = ropeAmplitude(distance, length, swings);
        const points = ropePoints([5, 6, 7], [0, 1, 0], [0, 0, 1], distance, a, swings, 2000);
        assert.deepEqual(points[0], [5, 6, 7]);
        assert.ok(Math.hypot(points[2000][0] - 5, points[2000][1] - 1406, points[2000][2] - 7) < 1e-9);
        // The polyline of 2000 segments is within 1e-5 of the curve's length.
        assert.ok(Math.abs(polylineLength(points) / length - 1) < 1e-5, `${swings} swings, ${ratio}`);
        assert.ok(Math.abs(ropeLength(distance, a, swings) / length - 1) < 1e-8);
      }
    }
  });

  test('swings little when just slack, as the small-amplitude closed form says, and not at all when taut', () => {
    // Length ≈ D (1 + (π n a / D)²) for a ≪ D.
    const distance = 1000, length = 1000.1;
    for (const swings of [1, 2]) {
      const expected = (distance / (Math.PI * swings)) * Math.sqrt(length / distance - 1);
      assert.ok(Math.abs(ropeAmplitude(distance, length, swings) / expected - 1) < 1e-3);
    }
    assert.equal(ropeAmplitude(1000, 1000, 1), 0);
    assert.equal(ropeAmplitude(1000, 990, 1), 0);
    assert.equal(ropeAmplitude(1000, NaN, 1), 0);
  });
});

describe('a plot\'s time axis', () => {
  test('ticks at whole steps of 1, 2 or 5 in seconds, minutes or hours, within the run', () => {
    const labels = (start, span, count) => timeTicks(start, span, count).map((t) => t.label);
    assert.deepEqual(labels(0, 520, 6), ['0 s', '100 s', '200 s', '300 s', '400 s', '500 s']);
    assert.deepEqual(labels(0, 520, 12), ['0 s', '50 s', '100 s', '150 s', '200 s', '250 s', '300 s', '350 s', '400 s',
      '450 s', '500 s']);
    // A run resumed at 1234.5 s, for 20 s.
    assert.deepEqual(labels(1234.5, 20, 4), ['1235 s', '1240 s', '1245 s', '1250 s']);
    assert.deepEqual(labels(0, 3600, 6), ['0 min', '10 min', '20 min', '30 min', '40 min', '50 min', '60 min']);
    assert.deepEqual(labels(0, 36000, 5), ['0 h', '2 h', '4 h', '6 h', '8 h', '10 h']);
    assert.deepEqual(labels(0, 0.3, 3), ['0 s', '0.1 s', '0.2 s', '0.3 s']);
  });
});

describe('a vessel drawn as a box', () => {
  test('reaches its docking ports, so that their cones stand on it', () => {
    // The stock classes' inertia per unit mass and ports (position, direction), as the host's.
    const classes = {
      ShuttlePB: { pmi: [2.28, 2.31, 0.79], docks: [{ pos: [0, 1.3, -1], dir: [0, 1, 0] }] },
      DeltaGlider: { pmi: [15.5, 22.1, 7.7], docks: [{ pos: [0, -0.49, 10.076], dir: [0, 0, 1] }] },
      ShuttleA: { pmi: [86.6, 89.8, 5.5], docks: [{ pos: [0, 0, 18.677], dir: [0, 0, 1] }] },
      Station: { pmi: [385, 719, 508], docks: [{ pos: [0.05, -18.3, -23.7], dir: [0, -1, 0] }, { pos: [0.05, -4.3, -36.3], dir: [0, 0, -1] }] },
    };
    for (const [name, vessel] of Object.entries(classes)) {
      const { centre, size } = bodyBox({ mass: 1000, ...vessel });
      for (const dock of vessel.docks)
        for (let k = 0; k < 3; ++k)
          assert.ok(Math.abs(dock.pos[k] - centre[k]) <= size[k] / 2 + 1e-9, `${name}: its port within the box, axis ${k}`);
    }
    // The glider's box of inertia is 13.4 m long, its nose port 10.1 m ahead: the box reaches it.
    const glider = bodyBox({ mass: 1000, ...classes.DeltaGlider });
    assert.ok(Math.abs(glider.centre[2] + glider.size[2] / 2 - 10.076) < 1e-9);
  });
});
