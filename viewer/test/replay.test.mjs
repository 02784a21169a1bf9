// The replay page in a real browser: kestrane-sim writes pages of runs, headless Chromium opens
// them from disk with the network off, and the page's window.kestraneReplay is compared with the
// same runs' CSV files.
//
// Needs KESTRANE_SIM, KESTRANE_MODULE, KESTRANE_SCENARIOS, KESTRANE_TEST_SCENARIOS and
// KESTRANE_OUT (a folder for the runs and the screenshots); ctest sets them.
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
fs.mkdirSync(out, { recursive: true });

// scripts/demo.sh's keys: target the pod, length = distance, connect, reel in faster and faster,
// stop the reel at 437 s.
const demoKeys = '0:MINUS,0:A,0:J,3:I,6:I,9:I,12:I,15:I,18:I,437:O';

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

describe('the replay page', () => {
  let browser;
  // The demo (scripts/demo.sh): two ShuttlePBs in Earth orbit, the tug reeling the pod in.
  const demo = path.join(out, 'tug');
  // The same keys on a tug and a pod in free space, a story of known moments: slack from 27 s
  // (below 50 % from 323 to 349 s), caught at 397 s, slack again from 401 s, taut from 438 s.
  const free = path.join(out, 'reel-in');
  const orbit = path.join(out, 'orbit');

  before(async () => {
    for (const [scenario, run] of [[path.join(scenarios, 'tug.scn'), demo], [path.join(testScenarios, 'reel-in.scn'), free]]) {
      sim(scenario, '--duration', '520', '--keys', demoKeys, '--every', '1', '--replay-every', '0.5',
        '--replay', `${run}.html`, '--vessels', `${run}-vessels.csv`, '--tethers', `${run}-tethers.csv`,
        '--screen', `${run}-screen.txt`);
    }
    sim(path.join(scenarios, 'orbit.scn'), '--duration', '600', '--every', '10', '--replay', `${orbit}.html`,
      '--vessels', `${orbit}-vessels.csv`, '--tethers', `${orbit}-tethers.csv`);
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

  test('a screenshot shows the tether between the vessels, slack and then taut', async () => {
    const { page } = await openReplay(browser, `${free}.html`);
    // 30 s: reeling in, the tether hangs slack; 450 s: the pod circles on the taut tether.
    const [a1, b1] = await look(page, 30, { distance: 3600, azimuth: -1.2, elevation: 0.9 });
    await page.screenshot({ path: path.join(out, 'reel-in-slack.png') });
    const slack = await expectLineBetween(page, a1, b1, 'the slack tether');
    const [a2, b2] = await look(page, 450, { distance: 420, azimuth: -1.2, elevation: 0.9 });
    await page.screenshot({ path: path.join(out, 'reel-in-taut.png') });
    const taut = await expectLineBetween(page, a2, b2, 'the taut tether');
    // The taut texture is a bright near-white line, the slack one a dimmer sandy rope.
    const mean = (points, key) => points.filter((p) => p.count).reduce((s, p) => s + p[key], 0) / drawnPoints(points);
    assert.ok(mean(taut, 'b') / mean(taut, 'r') > mean(slack, 'b') / mean(slack, 'r') + 0.03,
      `taut ${mean(taut, 'r')},${mean(taut, 'b')} against slack ${mean(slack, 'r')},${mean(slack, 'b')}`);
    await page.close();
  });

  test('the demo\'s picture: the pod on its taut tether below the tug, the Earth beneath', async () => {
    const { page } = await openReplay(browser, `${demo}.html`);
    const [a, b] = await look(page, 450, { distance: 360, azimuth: -1.8, elevation: 0.12 });
    await page.screenshot({ path: path.join(out, 'replay-tug.png') });
    await expectLineBetween(page, a, b, 'the tether');
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
      assert.equal(tethers.length, table.get(t).has('Pod') ? 1 : 0, `streams at ${t} s`);
    }
    // Between the last sample with the pod and the first without it, the page keeps going.
    await page.evaluate(() => window.kestraneReplay.seek(40.05));
    await page.close();
  });
});
