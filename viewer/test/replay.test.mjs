// The replay page in a real browser: kestrane-sim writes pages of runs, headless Chromium opens
// them from disk with the network off, and the page's window.kestraneReplay is compared with the
// same runs' CSV files.
//
// Needs KESTRANE_SIM, KESTRANE_MODULE, KESTRANE_SCENARIOS, KESTRANE_TEST_SCENARIOS, KESTRANE_OUT (a
// folder for the runs and the screenshots) and KESTRANE_HOST_SAMPLE (a host installation's sample
// tree, for its meshes); ctest sets them.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { launch, openReplay } from './browser.mjs';

const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set`);
  return value;
};
const out = env('KESTRANE_OUT');
const scenarios = env('KESTRANE_SCENARIOS');
const testScenarios = env('KESTRANE_TEST_SCENARIOS');
const hostSample = env('KESTRANE_HOST_SAMPLE');
fs.mkdirSync(out, { recursive: true });

// A host folder of the sample tree's meshes and the station's class file, linked; the glider and
// the Shuttle-A are the classes built in.
function hostFolder() {
  const host = path.join(out, 'host');
  fs.rmSync(host, { recursive: true, force: true });
  fs.mkdirSync(path.join(host, 'Config', 'Vessels'), { recursive: true });
  fs.symlinkSync(path.join(hostSample, 'Meshes'), path.join(host, 'Meshes'));
  fs.symlinkSync(path.join(hostSample, 'Config', 'Vessels', 'ProjectAlpha_ISS.cfg'),
    path.join(host, 'Config', 'Vessels', 'ProjectAlpha_ISS.cfg'));
  return host;
}

// scripts/demo.sh's keys: target the pod, length = distance, connect, reel in faster and faster,
// stop the reel at 437 s.
const demoKeys = '0:MINUS,0.02:A,0.04:J,3:I,6:I,9:I,12:I,15:I,18:I,437:O';

function sim(...args) {
  execFileSync(env('KESTRANE_SIM'), ['run', ...args, '--plugin', env('KESTRANE_MODULE'), '--quiet'],
    { stdio: ['ignore', 'ignore', 'inherit'] });
}

function readCsv(file) {
  const [header, ...lines] = fs.readFileSync(file, 'utf8').trim().split('\n');
  const names = header.split(',');
  return lines.map((line) => Object.fromEntries(line.split(',').map((v, k) => [names[k], v])));
}

// The vessels CSV as time → name → [x, y, z] (or other columns), numbers read back exactly.
function vesselTable(file, columns = ['x', 'y', 'z']) {
  const table = new Map();
  for (const row of readCsv(file)) {
    const t = Number(row.time);
    if (!table.has(t)) table.set(t, new Map());
    table.get(t).set(row.name, columns.map((c) => Number(row[c])));
  }
  return table;
}

const distance = (a, b) => Math.hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
// The page holds the host's positions in double precision: only the last bits may differ.
const positionTolerance = 1e-9;

function assertPositions(actual, expected, t) {
  assert.deepEqual(actual.map((v) => v.name).sort(), [...expected.keys()].sort(), `vessels at ${t} s`);
  for (const v of actual) {
    const want = expected.get(v.name);
    assert.ok(distance(v.position, want) <= positionTolerance * Math.max(1, Math.hypot(...want)),
      `${v.name} at ${t} s: ${v.position} against ${want}`);
  }
}

// Warm pixels (the tether textures are white to sandy; the sky's stars are blue-grey) around points
// of the screenshot: for each point, how many lie within ±`reach` pixels across the line and their
// mean colour.
async function pixelsAlong(page, a, b, reach, offset = 0) {
  const shot = await page.screenshot({ encoding: 'base64' });
  return page.evaluate(async (shot, a, b, reach, offset) => {
    const image = new Image();
    image.src = `data:image/png;base64,${shot}`;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const c = canvas.getContext('2d');
    c.drawImage(image, 0, 0);
    const pixels = c.getImageData(0, 0, image.width, image.height).data;
    const length = Math.hypot(b[0] - a[0], b[1] - a[1]);
    const across = [-(b[1] - a[1]) / length, (b[0] - a[0]) / length];
    const points = [];
    for (let f = 0.25; f <= 0.751; f += 0.05) {
      let count = 0, r = 0, g = 0, bl = 0;
      for (let k = -reach; k <= reach; ++k) {
        const x = Math.round(a[0] + (b[0] - a[0]) * f + across[0] * (k + offset));
        const y = Math.round(a[1] + (b[1] - a[1]) * f + across[1] * (k + offset));
        const i = (y * image.width + x) * 4;
        const [pr, pg, pb] = [pixels[i], pixels[i + 1], pixels[i + 2]];
        if (pr > 40 && pr >= pb) { ++count; r += pr; g += pg; bl += pb; }
      }
      points.push({ count, r: count ? r / count : 0, g: count ? g / count : 0, b: count ? bl / count : 0 });
    }
    return points;
  }, shot, a, b, reach, offset);
}

// The texture the plug-in draws a tether with at a stretch (percent).
const textureOf = (stretch) => (stretch >= 100 ? 'TetherTaut' : stretch >= 50 ? 'Tether3' : 'Tether2');

// The streams drawn at each time: one, tether 0's, on the tug, from the tug's centre to the pod's
// within the step's lag, with the texture of the stretch in the tethers CSV. Returns the textures
// seen, each sampled time's once.
async function expectTetherBetweenTugAndPod(page, run, times) {
  const table = vesselTable(`${run}-vessels.csv`);
  const velocities = vesselTable(`${run}-vessels.csv`, ['vx', 'vy', 'vz']);
  const stretches = new Map(readCsv(`${run}-tethers.csv`).filter((r) => r.link === '0')
    .map((r) => [Number(r.time), Number(r.stretch)]));
  // The stream was measured in the frame before the sample, so its far end trails the pod by the
  // two vessels' relative motion over that step; its direction is held in single precision.
  const step = 0.02, directionSlack = 0.01;  // s, m
  const seen = [];
  for (const t of times) {
    const drawn = await page.evaluate(async (t) => {
      await window.kestraneReplay.seek(t);
      return window.kestraneReplay.tethers();
    }, t);
    assert.equal(drawn.length, 1, `streams at ${t} s`);
    const [s] = drawn;
    assert.equal(s.link, 0);
    assert.equal(s.vessel, 'Tug');
    assert.ok(distance(s.from, table.get(t).get('Tug')) <= 1e-6, `start at ${t} s`);
    const lag = distance(velocities.get(t).get('Pod'), velocities.get(t).get('Tug')) * step;
    assert.ok(distance(s.to, table.get(t).get('Pod')) <= lag + directionSlack, `end at ${t} s: ${s.to}`);
    // Away from a band's edge the sample's stretch and the frame's agree on the band.
    const stretch = stretches.get(t);
    if (Math.abs(stretch - 100) > 0.05 && Math.abs(stretch - 50) > 0.05) {
      assert.equal(s.texture, textureOf(stretch), `texture at ${t} s, stretch ${stretch} %`);
      seen.push(s.texture);
    }
  }
  return seen;
}

// Turns the camera to a view of the moment and finds the two vessels on the screen, well apart.
async function look(page, t, view) {
  await page.evaluate(async (t, view) => {
    await window.kestraneReplay.seek(t);
    await window.kestraneReplay.setView(view);
  }, t, view);
  const [a, b] = await page.evaluate(() => [window.kestraneReplay.screenOf('Tug'), window.kestraneReplay.screenOf('Pod')]);
  assert.ok(a && b && Math.hypot(b[0] - a[0], b[1] - a[1]) > 150, `both vessels in view, apart: ${a} ${b}`);
  return [a, b];
}

const drawnPoints = (points) => points.filter((p) => p.count > 0).length;

// Warm pixels all along the line between the two vessels and none just beside it.
async function expectLineBetween(page, a, b, what) {
  const along = await pixelsAlong(page, a, b, 10);
  const beside = await pixelsAlong(page, a, b, 3, 40);
  assert.ok(drawnPoints(along) >= along.length - 1, `${what} drawn: ${JSON.stringify(along)}`);
  assert.ok(drawnPoints(beside) <= 2, `nothing warm beside ${what}: ${JSON.stringify(beside)}`);
  return along;
}

// Warm pixels within ±`reach` pixels of each screen point: how many, and their mean colour.
async function warmNear(page, points, reach) {
  const shot = await page.screenshot({ encoding: 'base64' });
  return page.evaluate(async (shot, points, reach) => {
    const pixels = await window.testPixels(shot);
    return points.map(([px, py]) => {
      let count = 0, r = 0, g = 0, b = 0;
      for (let dy = -reach; dy <= reach; ++dy) {
        for (let dx = -reach; dx <= reach; ++dx) {
          const [pr, pg, pb] = pixels.at(Math.round(px) + dx, Math.round(py) + dy);
          if (pr > 40 && pr >= pb) { ++count; r += pr; g += pg; b += pb; }
        }
      }
      return { count, r: count ? r / count : 0, g: count ? g / count : 0, b: count ? b / count : 0 };
    });
  }, shot, points, reach);
}

// How many pixels across a drawn line is warm, at each inner point of a projected polyline.
async function crossWidths(page, points) {
  const shot = await page.screenshot({ encoding: 'base64' });
  return page.evaluate(async (shot, points) => {
    const pixels = await window.testPixels(shot);
    const widths = [];
    for (let i = 1; i + 1 < points.length; ++i) {
      const dx = points[i + 1][0] - points[i - 1][0], dy = points[i + 1][1] - points[i - 1][1];
      const n = Math.hypot(dx, dy);
      if (n < 4) continue;
      let warm = 0;
      for (let k = -15; k <= 15; ++k) {
        const [r, , b] = pixels.at(Math.round(points[i][0] - (dy / n) * k), Math.round(points[i][1] + (dx / n) * k));
        if (r > 40 && r >= b) ++warm;
      }
      widths.push(warm);
    }
    return widths;
  }, shot, points);
}

// The names on the screen as the page shows them now, found as what changes when they are hidden:
// each name's box (pixels of the page, its glyphs and colour bar joined by a few pixels).
async function nameBoxes(page) {
  const shown = await page.screenshot({ encoding: 'base64' });
  await page.evaluate(() => window.kestraneReplay.showNames(false));
  const hidden = await page.screenshot({ encoding: 'base64' });
  await page.evaluate(() => window.kestraneReplay.showNames(true));
  return page.evaluate(async (shown, hidden) => {
    const a = await window.testPixels(shown), b = await window.testPixels(hidden);
    const view = document.getElementById('view').getBoundingClientRect();
    const { width, height } = a;
    const join = 3;
    const mask = new Uint8Array(width * height);
    for (let y = Math.ceil(view.top); y < Math.min(height, view.bottom); ++y) {
      for (let x = Math.ceil(view.left); x < Math.min(width, view.right); ++x) {
        const p = a.at(x, y), q = b.at(x, y);
        if (Math.max(Math.abs(p[0] - q[0]), Math.abs(p[1] - q[1]), Math.abs(p[2] - q[2])) <= 40) continue;
        for (let dy = -join; dy <= join; ++dy)
          for (let dx = -join; dx <= join; ++dx)
            if (x + dx >= 0 && x + dx < width && y + dy >= 0 && y + dy < height) mask[(y + dy) * width + x + dx] = 1;
      }
    }
    const boxes = [];
    for (let start = 0; start < mask.length; ++start) {
      if (mask[start] !== 1) continue;
      const box = { left: Infinity, top: Infinity, right: -Infinity, bottom: -Infinity, pixels: 0 };
      const stack = [start];
      mask[start] = 2;
      while (stack.length) {
        const i = stack.pop(), x = i % width, y = (i - x) / width;
        box.left = Math.min(box.left, x); box.right = Math.max(box.right, x);
        box.top = Math.min(box.top, y); box.bottom = Math.max(box.bottom, y);
        ++box.pixels;
        for (const j of [i - 1, i + 1, i - width, i + width])
          if (j >= 0 && j < mask.length && mask[j] === 1 && Math.abs((j % width) - x) <= 1) { mask[j] = 2; stack.push(j); }
      }
      // The joining border off again.
      boxes.push({ left: box.left + join, top: box.top + join, right: box.right - join, bottom: box.bottom - join });
    }
    return boxes.filter((b) => b.right - b.left > 10);
  }, shown, hidden);
}

// Every visible vessel's name starts just right of the vessel's point on the screen, level with it.
// Returns the boxes by vessel.
async function expectNamesAtVessels(page, names, when) {
  const boxes = await nameBoxes(page);
  const found = new Map();
  for (const name of names) {
    const at = await page.evaluate((name) => window.kestraneReplay.screenOf(name), name);
    if (!at) continue;
    const near = boxes.map((b) => ({ b, d: Math.hypot(b.left - at[0], (b.top + b.bottom) / 2 - at[1]) }))
      .sort((p, q) => p.d - q.d)[0];
    assert.ok(near && near.d < nameTolerance, `${when}: ${name} at ${at}, nearest name ${JSON.stringify(near)}`);
    found.set(name, near.b);
  }
  return found;
}

// A name is drawn within this many pixels of its vessel's point.
const nameTolerance = 30;

describe('the replay page', () => {
  let browser;
  // The demo (scripts/demo.sh): two ShuttlePBs in Earth orbit, the tug reeling the pod in.
  const demo = path.join(out, 'tug');
  // The same keys on a tug and a pod in free space, a story of known moments: slack from 27 s
  // (below 50 % from 323 to 349 s), caught at 397 s, slack again from 401 s, taut from 438 s.
  const free = path.join(out, 'reel-in');
  const orbit = path.join(out, 'orbit');
  // Nine vessels on eight tethers; the station with a docked glider, with the host's meshes and
  // without.
  const eight = path.join(out, 'eight');
  const iss = path.join(out, 'iss');
  const issBoxes = path.join(out, 'iss-boxes');

  before(async () => {
    for (const [scenario, run] of [[path.join(scenarios, 'tug.scn'), demo], [path.join(testScenarios, 'reel-in.scn'), free]]) {
      sim(scenario, '--duration', '520', '--keys', demoKeys, '--every', '1', '--replay-every', '0.5',
        '--replay', `${run}.html`, '--vessels', `${run}-vessels.csv`, '--tethers', `${run}-tethers.csv`,
        '--screen', `${run}-screen.txt`);
    }
    sim(path.join(scenarios, 'orbit.scn'), '--duration', '600', '--every', '10', '--replay', `${orbit}.html`,
      '--vessels', `${orbit}-vessels.csv`, '--tethers', `${orbit}-tethers.csv`);
    sim(path.join(scenarios, 'eight.scn'), '--duration', '300', '--replay-every', '0.5', '--replay', `${eight}.html`);
    sim(path.join(scenarios, 'iss.scn'), '--duration', '300', '--host-dir', hostFolder(), '--replay', `${iss}.html`);
    sim(path.join(scenarios, 'iss.scn'), '--duration', '60', '--replay', `${issBoxes}.html`);
    browser = await launch();
  });
  after(async () => { await browser?.close(); });

  test('the demo opens from disk with the network off and holds the run: vessels, tether, display', async () => {
    const { page, requests, errors } = await openReplay(browser, `${demo}.html`);
    assert.deepEqual(requests, [], 'requests beyond the file');
    assert.deepEqual(errors, []);
    assert.equal(await page.evaluate(() => window.kestraneReplay.duration), 520);
    const table = vesselTable(`${demo}-vessels.csv`);
    for (const t of [0, 1, 17, 316, 450, 519, 520]) {
      const vessels = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return window.kestraneReplay.vessels();
      }, t);
      assertPositions(vessels, table.get(t), t);
    }
    // Slack on the coast, taut once caught and reeled in.
    const seen = await expectTetherBetweenTugAndPod(page, demo, [1, 30, 200, 317, 450, 520]);
    assert.deepEqual([...new Set(seen)].sort(), ['Tether3', 'TetherTaut']);
    // The display at the end is the screen the run wrote.
    await page.evaluate(() => window.kestraneReplay.seek(520));
    const rows = await page.evaluate(() => window.kestraneReplay.display());
    assert.equal(`${rows.join('\n')}\n`, fs.readFileSync(`${demo}-screen.txt`, 'utf8'));
    await page.close();
  });

  test('draws the tether from attach point to attach point with the texture of each band of stretch', async () => {
    const { page } = await openReplay(browser, `${free}.html`);
    const seen = await expectTetherBetweenTugAndPod(page, free, [1, 20, 30, 120, 300, 340, 398, 420, 450, 500]);
    assert.deepEqual(seen, ['TetherTaut', 'Tether3', 'Tether3', 'Tether3', 'Tether2', 'TetherTaut', 'Tether3',
      'TetherTaut', 'TetherTaut']);
    await page.close();
  });

  test('a slack tether is a thin rope as long as the tether, a taut one a bright straight line', async () => {
    const { page } = await openReplay(browser, `${free}.html`);
    const lengths = new Map(readCsv(`${free}-tethers.csv`).filter((r) => r.link === '0')
      .map((r) => [Number(r.time), Number(r.length)]));
    // Slack (stretch 99 %, then below 50 % at 340 s): a curve that swings once, or twice when very
    // slack, as long as the tether; its 64 straight pieces cut the curve's corners by less than this.
    const polylineShortfall = 0.01;
    for (const [t, swings] of [[30, 1], [120, 1], [340, 2]]) {
      const [s] = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return window.kestraneReplay.tethers();
      }, t);
      assert.equal(s.texture, swings === 1 ? 'Tether3' : 'Tether2', `texture at ${t} s`);
      assert.ok(distance(s.points[0], s.from) < 1e-6 && distance(s.points.at(-1), s.to) < 1e-6, `ends at ${t} s`);
      const drawn = s.points.slice(1).reduce((sum, p, i) => sum + distance(p, s.points[i]), 0);
      const length = lengths.get(t);
      assert.ok(drawn <= length * 1.001 && drawn >= length * (1 - polylineShortfall),
        `at ${t} s the rope drawn is ${drawn} m, the tether ${length} m`);
      // It swings across the straight way: an eighth of the way along, it is off the line between
      // the attach points.
      const onChord = s.from.map((v, k) => v + (s.to[k] - v) / 8);
      assert.ok(distance(s.points[8], onChord) > 1, `at ${t} s the rope swings ${distance(s.points[8], onChord)} m`);
    }

    // 30 s: reeling in, the tether hangs slack; 450 s: the pod circles on the taut tether.
    const [a1, b1] = await look(page, 30, { distance: 3600, azimuth: -1.2, elevation: 0.9 });
    await page.screenshot({ path: path.join(out, 'reel-in-slack.png') });
    const rope = await page.evaluate(() => window.kestraneReplay.tethers()[0].points.map((p) => window.kestraneReplay.project(p)));
    const along = await warmNear(page, rope.slice(6, -6).map(([x, y]) => [x, y]), 3);
    assert.ok(along.filter((p) => p.count > 0).length >= along.length * 0.9, `the slack rope drawn: ${JSON.stringify(along)}`);
    // Thin: a few pixels across, where the slack stream's texture stretched over its width was
    // tens of metres of haze.
    const widths = await crossWidths(page, rope.slice(16, 48));
    assert.ok(Math.max(...widths) <= 6, `the rope is ${Math.max(...widths)} pixels wide`);
    assert.ok(Math.hypot(b1[0] - a1[0], b1[1] - a1[1]) > 150);
    const [a2, b2] = await look(page, 450, { distance: 420, azimuth: -1.2, elevation: 0.9 });
    await page.screenshot({ path: path.join(out, 'reel-in-taut.png') });
    const taut = await expectLineBetween(page, a2, b2, 'the taut tether');
    // The taut texture is a bright near-white line, the slack one a dimmer sandy rope.
    const mean = (points, key) => points.filter((p) => p.count).reduce((sum, p) => sum + p[key], 0) / drawnPoints(points);
    assert.ok(mean(taut, 'b') / mean(taut, 'r') > mean(along, 'b') / mean(along, 'r') + 0.03,
      `taut ${mean(taut, 'r')},${mean(taut, 'b')} against slack ${mean(along, 'r')},${mean(along, 'b')}`);
    await page.close();
  });

  test('the demo\'s pictures as the page opens: the camera frames the tied vessels, on a desk and on a phone', async () => {
    // The default camera, untouched: at 450 s the pod circles the tug on 150 m of tether.
    for (const [width, height, name, apart] of [[1280, 800, 'replay-tug.png', 150], [400, 700, 'replay-tug-narrow.png', 80]]) {
      const { page } = await openReplay(browser, `${demo}.html`, { width, height });
      const [a, b] = await page.evaluate(async () => {
        await window.kestraneReplay.seek(450);
        return [window.kestraneReplay.screenOf('Tug'), window.kestraneReplay.screenOf('Pod')];
      });
      assert.ok(a && b && Math.hypot(b[0] - a[0], b[1] - a[1]) > apart, `${width}x${height}: both in view, apart: ${a} ${b}`);
      await page.screenshot({ path: path.join(out, name) });
      await expectLineBetween(page, a, b, 'the tether');
      // Narrow, the panels stack: the scene spans the page, the display below it.
      const [view, display] = await page.evaluate(() => ['view', 'display'].map((id) => {
        const box = document.getElementById(id).getBoundingClientRect();
        return [box.left, box.top, box.width, box.height];
      }));
      if (width < 700) assert.ok(view[2] >= width - 1 && display[1] >= view[1] + view[3], `stacked: ${view} ${display}`);
      await page.close();
    }
  });

  test('the plot\'s legend and the display agree at every time, keys in the first frames and between samples', async () => {
    const untie = path.join(out, 'untie');
    sim(path.join(scenarios, 'tug.scn'), '--duration', '8', '--keys', '0:MINUS,0.02:A,0.04:J,5.03:U', '--replay', `${untie}.html`);
    const { page } = await openReplay(browser, `${untie}.html`);
    for (const t of [0, 0.01, 0.04, 0.05, 0.1, 5, 5.03, 5.05, 5.1, 8]) {
      const [legend, status] = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return [document.querySelector('.plot summary').textContent,
          window.kestraneReplay.display().find((row) => row.startsWith('Status'))];
      }, t);
      // The display is first drawn at the end of the first frame; until then it shows nothing.
      if (status == null && t < 0.1) continue;
      assert.equal(legend.includes('not connected'), status.includes('Not connected'), `at ${t} s: ${legend} | ${status}`);
    }
    await page.close();
  });

  test('a click on a vessel follows it: the camera turns about it instead of the focus vessel', async () => {
    const { page } = await openReplay(browser, `${free}.html`);
    await page.evaluate(async () => {
      await window.kestraneReplay.seek(450);
      await window.kestraneReplay.setView({ distance: 420, azimuth: -1.2, elevation: 0.9 });
    });
    const centre = await page.evaluate(() => window.kestraneReplay.screenOf('Tug'));
    const pod = await page.evaluate(() => window.kestraneReplay.screenOf('Pod'));
    await page.mouse.click(pod[0], pod[1]);
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    assert.equal(await page.evaluate(() => document.getElementById('follow').selectedOptions[0].text), 'Pod');
    const moved = await page.evaluate(() => window.kestraneReplay.screenOf('Pod'));
    assert.ok(Math.hypot(moved[0] - centre[0], moved[1] - centre[1]) < 1.5, `the pod now in the middle: ${moved} ${centre}`);
    await page.close();
  });

  test('an orbit at 7000 km keeps the host positions and draws the tether above the central body', async () => {
    const { page, errors } = await openReplay(browser, `${orbit}.html`);
    assert.deepEqual(errors, []);
    const table = vesselTable(`${orbit}-vessels.csv`);
    for (const t of [0, 10, 300, 590, 600]) {
      const vessels = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return window.kestraneReplay.vessels();
      }, t);
      assertPositions(vessels, table.get(t), t);
    }
    const [a, b] = await look(page, 300, { distance: 5200, azimuth: -1.3, elevation: 0.25 });
    await page.screenshot({ path: path.join(out, 'replay-orbit.png') });
    await expectLineBetween(page, a, b, 'the tether');
    await page.close();
  });

  test('a run without tethers and a run that loses a vessel still open', async () => {
    const untied = path.join(out, 'untied');
    sim(path.join(testScenarios, 'tug.scn'), '--duration', '20', '--replay', `${untied}.html`);
    let { page, errors } = await openReplay(browser, `${untied}.html`);
    assert.deepEqual(errors, []);
    assert.deepEqual(await page.evaluate(async () => {
      await window.kestraneReplay.seek(10);
      return window.kestraneReplay.tethers();
    }), []);
    assert.equal(await page.evaluate(() => document.querySelectorAll('.plot').length), 0);
    await page.close();

    const deleted = path.join(out, 'deleted');
    sim(path.join(scenarios, 'tug.scn'), '--duration', '80', '--keys', demoKeys, '--delete', '40:Pod',
      '--every', '1', '--replay', `${deleted}.html`, '--vessels', `${deleted}-vessels.csv`);
    ({ page, errors } = await openReplay(browser, `${deleted}.html`));
    assert.deepEqual(errors, []);
    const table = vesselTable(`${deleted}-vessels.csv`);
    for (const t of [39, 40, 41, 80]) {
      const [vessels, tethers] = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return [window.kestraneReplay.vessels(), window.kestraneReplay.tethers()];
      }, t);
      assertPositions(vessels, table.get(t), t);
      // The pod goes at the end of the frame that reaches 40 s; the stream drawn in that frame stays
      // until the next frame's step finds the pod gone and lets the tether go.
      assert.equal(table.get(t).has('Pod'), t < 40, `the pod at ${t} s`);
      assert.equal(tethers.length, t <= 40 ? 1 : 0, `streams at ${t} s`);
    }
    // Between the last sample with the pod and the first without it, the page keeps going.
    await page.evaluate(() => window.kestraneReplay.seek(40.05));
    await page.close();
  });
  test('names are drawn at their vessels in the frame shown after each seek, and a click on a name follows it', async () => {
    const { page } = await openReplay(browser, `${eight}.html`);
    const names = ['Hub', ...Array.from({ length: 8 }, (_, k) => `Sat${k}`)];
    // Seeks while paused, far each way: the wheel turns through most of a turn between them.
    for (const t of [150, 30, 290, 150]) {
      await page.evaluate((t) => window.kestraneReplay.seek(t), t);
      await expectNamesAtVessels(page, names, `at ${t} s`);
    }
    // Following another vessel moves every vessel on the screen; the names go with them.
    for (const name of ['Sat2', 'Sat5', 'Hub']) {
      const box = (await expectNamesAtVessels(page, names, 'before the click')).get(name);
      assert.ok(box, `${name}'s name on the screen`);
      await page.mouse.click(box.right - 6, (box.top + box.bottom) / 2);
      await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
      assert.equal(await page.evaluate(() => document.getElementById('follow').selectedOptions[0].text), name);
      assert.equal(await page.evaluate(() => window.kestraneReplay.following()), name);
      await expectNamesAtVessels(page, names, `following ${name}`);
    }
    await page.close();
  });

  test('from 800 × 600 to 4K every control is in view, the display whole, and eight plots scroll and fold', async () => {
    for (const [width, height] of [[800, 600], [1280, 720], [1920, 1080], [3840, 2160]]) {
      const { page } = await openReplay(browser, `${eight}.html`, { width, height });
      await page.evaluate(() => window.kestraneReplay.seek(100));
      const controls = await page.evaluate(() => Object.fromEntries(['play', 'scrub', 'clock', 'speed', 'follow', 'display']
        .map((id) => {
          const e = document.getElementById(id);
          const r = e.getBoundingClientRect();
          const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
          return [id, { inside: r.width > 0 && r.height > 0 && r.left >= 0 && r.top >= 0 && r.right <= innerWidth &&
            r.bottom <= innerHeight, onTop: e.contains(hit), width: r.width, height: r.height }];
        })));
      for (const [id, c] of Object.entries(controls))
        assert.ok(c.inside && c.onTop, `${width} × ${height}: #${id} ${JSON.stringify(c)}`);
      assert.ok(controls.scrub.width >= 100, `${width} × ${height}: the bar is ${controls.scrub.width} pixels long`);
      // Forty columns of at least seven pixels.
      assert.ok(controls.display.width >= 280 && controls.display.height === controls.display.width,
        `${width} × ${height}: display ${controls.display.width} × ${controls.display.height}`);
      const plots = await page.evaluate(() => {
        const list = document.getElementById('plots');
        const scrolls = list.scrollHeight > list.clientHeight + 1;
        const reached = [...list.querySelectorAll('.plot')].map((plot) => {
          plot.scrollIntoView({ block: 'nearest' });
          const r = plot.getBoundingClientRect(), box = list.getBoundingClientRect();
          return r.top >= box.top - 1 && r.bottom <= box.bottom + 1;
        });
        return { scrolls, reached };
      });
      assert.equal(plots.reached.length, 8);
      assert.ok(plots.reached.every(Boolean), `${width} × ${height}: each plot scrolls into view ${plots.reached}`);
      if (width === 800) {
        assert.ok(plots.scrolls);
        // Folded under their legends, all eight fit.
        await page.evaluate(() => { for (const legend of document.querySelectorAll('.plot summary')) legend.click(); });
        assert.ok(await page.evaluate(() => {
          const list = document.getElementById('plots');
          return [...list.querySelectorAll('.plot')].every((p) => !p.open) && list.scrollHeight <= list.clientHeight + 1;
        }));
      }
      if (width === 3840) assert.ok(!plots.scrolls, 'at 4K all eight plots fit');
      await page.screenshot({ path: path.join(out, `layout-${width}x${height}.png`) });
      await page.close();
    }
  });

  test('the keyboard: space plays and pauses, the arrows step, Home and End, + and - change the speed', async () => {
    const { page } = await openReplay(browser, `${demo}.html`);
    const state = () => page.evaluate(() => ({ t: window.kestraneReplay.time(), playing: window.kestraneReplay.playing(),
      speed: window.kestraneReplay.speed() }));
    const press = async (key) => {
      await page.keyboard.press(key);
      return state();
    };
    await page.evaluate(() => window.kestraneReplay.seek(100));
    // The samples are 0.5 s apart: an arrow steps one, up and down ten.
    assert.equal((await press('ArrowRight')).t, 100.5);
    assert.equal((await press('ArrowRight')).t, 101);
    assert.equal((await press('ArrowLeft')).t, 100.5);
    assert.equal((await press('ArrowUp')).t, 105.5);
    assert.equal((await press('ArrowDown')).t, 100.5);
    // Between samples, a step goes to the neighbouring sample on either side.
    await page.evaluate(() => window.kestraneReplay.seek(100.2));
    assert.equal((await press('ArrowLeft')).t, 100);
    await page.evaluate(() => window.kestraneReplay.seek(100.2));
    assert.equal((await press('ArrowRight')).t, 100.5);
    assert.equal((await press('End')).t, 520);
    assert.equal((await press('Home')).t, 0);
    assert.equal((await press('Space')).playing, true);
    const stepped = await press('ArrowRight');
    assert.equal(stepped.playing, false, 'a step pauses');
    const speed = stepped.speed;
    await page.keyboard.type('+');
    assert.equal((await state()).speed, speed * 2);
    await page.keyboard.type('--');
    assert.equal((await state()).speed, speed / 2);
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    assert.equal(await page.evaluate(() => document.getElementById('speed').selectedOptions[0].text), `× ${speed / 2}`);
    // After the play button or a list is used with the mouse, Space is the page's again: one toggle.
    await page.click('#play');
    assert.equal((await state()).playing, true);
    assert.equal((await press('Space')).playing, false);
    await page.select('#follow', '1');
    assert.equal((await press('Space')).playing, true);
    assert.equal((await press('Space')).playing, false);
    await page.close();
  });

  test('a plot has a time axis and a click or a drag on it seeks there', async () => {
    const { page } = await openReplay(browser, `${demo}.html`);
    await page.evaluate(() => window.kestraneReplay.seek(0));
    const axis = await page.evaluate(() => {
      const plot = document.querySelector('.plot');
      const frame = plot.querySelector('.frame').getBoundingClientRect();
      return { frame: { left: frame.left, top: frame.top, width: frame.width, height: frame.height },
        ticks: [...plot.querySelectorAll('.axis span')].map((s) => ({ text: s.textContent, x: parseFloat(s.style.left) })) };
    });
    assert.deepEqual(axis.ticks.map((t) => t.text), ['0 s', '100 s', '200 s', '300 s', '400 s', '500 s']);
    for (const [k, tick] of axis.ticks.entries())
      assert.ok(Math.abs(tick.x - (k * 100 / 520) * axis.frame.width) < 0.5, `${tick.text} at ${tick.x} px`);
    // One pixel of the plot is this much of the run.
    const pixel = 520 / axis.frame.width;
    const y = axis.frame.top + axis.frame.height / 2;
    await page.mouse.click(axis.frame.left + 0.25 * axis.frame.width, y);
    assert.ok(Math.abs(await page.evaluate(() => window.kestraneReplay.time()) - 130) <= pixel, 'a click seeks');
    await page.mouse.move(axis.frame.left + 0.25 * axis.frame.width, y);
    await page.mouse.down();
    await page.mouse.move(axis.frame.left + 0.75 * axis.frame.width, y, { steps: 5 });
    await page.mouse.up();
    assert.ok(Math.abs(await page.evaluate(() => window.kestraneReplay.time()) - 390) <= pixel, 'a drag seeks');
    await page.close();
  });

  test('with the host\'s meshes each vessel wears its own, turned as the host turns it, in a page of a few MB', async () => {
    const bytes = fs.statSync(`${iss}.html`).size;
    assert.ok(bytes < 10e6, `the page is ${bytes} bytes`);
    const { page, errors } = await openReplay(browser, `${iss}.html`);
    assert.deepEqual(errors, []);
    await page.evaluate(() => window.kestraneReplay.seek(100));
    const worn = Object.fromEntries((await page.evaluate(() => window.kestraneReplay.vessels())).map((v) => [v.name, v.mesh]));
    assert.deepEqual(worn, { 'GL-01': 'DG/deltaglider', ISS: 'ISS\\ProjectAlpha_ISS', 'SH-01': 'ShuttleA/ShuttleA' });
    // The host's vessel frame is left-handed: seen from anywhere, right, up and forward on the
    // screen (across, up and into it) keep that hand.
    for (const view of [{ azimuth: -1.2, elevation: 0.4 }, { azimuth: 2.0, elevation: -0.7 }]) {
      await page.evaluate((view) => window.kestraneReplay.setView({ distance: 200, ...view }), view);
      for (const name of Object.keys(worn)) {
        const [o, r, u, f] = await page.evaluate((name) => [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]]
          .map((p) => window.kestraneReplay.screenOfPoint(name, p)), name);
        const axis = (p) => [p[0] - o[0], o[1] - p[1], p[2] - o[2]];
        const [a, b, c] = [axis(r), axis(u), axis(f)];
        const hand = a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
        assert.ok(hand > 0, `${name} seen from ${JSON.stringify(view)}: ${hand}`);
      }
    }
    await page.evaluate(async () => {
      await window.kestraneReplay.seek(100);
      await window.kestraneReplay.setView({ distance: 220, azimuth: -1.15, elevation: 0.45 });
    });
    await page.screenshot({ path: path.join(out, 'replay-iss.png') });
    await page.close();
  });

  test('without meshes, a box that holds a docked vessel is seen through', async () => {
    const { page } = await openReplay(browser, `${issBoxes}.html`);
    await page.evaluate(async () => {
      await window.kestraneReplay.seek(10);
      await window.kestraneReplay.showNames(false);
    });
    // The glider (the focus, drawn blue) sits inside the station's box (orange), at the middle.
    const glider = await page.evaluate(() => window.kestraneReplay.screenOf('GL-01'));
    const [seen] = await warmNear(page, [glider.map(Math.round)], 0);
    const shot = await page.screenshot({ encoding: 'base64' });
    const [r, , b] = await page.evaluate(async (shot, [x, y]) => (await window.testPixels(shot)).at(Math.round(x), Math.round(y)), shot, glider);
    assert.ok(b > r, `the glider's blue shows through the station's box: ${r}, ${b} (${JSON.stringify(seen)})`);
    await page.close();
  });

  test('the Earth is lit from the Sun of the run\'s date: day on one side, night on the other', async () => {
    const { page } = await openReplay(browser, `${orbit}.html`);
    let sides = null;
    for (const azimuth of [0.3, 1.9, 3.5, 5.1]) {
      sides = await page.evaluate(async (azimuth) => {
        const r = window.kestraneReplay;
        await r.seek(300);
        await r.setView({ distance: 6e7, azimuth, elevation: 0.2 });
        const eye = r.eye(), sun = r.sun(), radius = r.bodyRadius();
        const n = Math.hypot(...eye);
        const v = eye.map((e) => e / n);
        const facing = v[0] * sun[0] + v[1] * sun[1] + v[2] * sun[2];
        const point = (sign) => {
          const d = v.map((e, k) => e + sign * 0.8 * sun[k]);
          const m = Math.hypot(...d);
          return r.project(d.map((e) => (e / m) * radius));
        };
        return { facing, day: point(1), night: point(-1) };
      }, azimuth);
      if (Math.abs(sides.facing) < 0.6) break;
    }
    assert.ok(Math.abs(sides.facing) < 0.6, `a view across the Sun's direction: ${sides.facing}`);
    const shot = await page.screenshot({ encoding: 'base64' });
    const [day, night] = await page.evaluate(async (shot, points) => {
      const pixels = await window.testPixels(shot);
      return points.map(([x, y]) => {
        const sum = [0, 0, 0];
        for (let dy = -3; dy <= 3; ++dy)
          for (let dx = -3; dx <= 3; ++dx) pixels.at(Math.round(x) + dx, Math.round(y) + dy).slice(0, 3).forEach((c, k) => { sum[k] += c / 49; });
        return sum;
      });
    }, shot, [sides.day, sides.night]);
    await page.screenshot({ path: path.join(out, 'earth-day-night.png') });
    const light = (c) => c[0] + c[1] + c[2];
    assert.ok(light(day) > 3 * light(night), `day ${day} against night ${night}`);
    assert.ok(day[2] > day[0], `the day side is blue: ${day}`);
    await page.close();
  });
});
