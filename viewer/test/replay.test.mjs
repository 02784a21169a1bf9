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
fs.mkdirSync(out, { recursive: true });

// The demo's keys: target the pod, length = distance, connect, reel in faster and faster, stop.
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

// The vessels CSV as time → name → [x, y, z], numbers read back exactly.
function vesselTable(file) {
  const table = new Map();
  for (const row of readCsv(file)) {
    const t = Number(row.time);
    if (!table.has(t)) table.set(t, new Map());
    table.get(t).set(row.name, [Number(row.x), Number(row.y), Number(row.z)]);
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

describe('the replay page', () => {
  let browser;
  const tug = path.join(out, 'tug');
  const orbit = path.join(out, 'orbit');

  before(async () => {
    sim(path.join(scenarios, 'tug.scn'), '--duration', '520', '--keys', demoKeys, '--every', '1',
      '--replay-every', '0.5', '--replay', `${tug}.html`, '--vessels', `${tug}-vessels.csv`,
      '--tethers', `${tug}-tethers.csv`, '--screen', `${tug}-screen.txt`);
    sim(path.join(scenarios, 'orbit.scn'), '--duration', '600', '--every', '10', '--replay', `${orbit}.html`,
      '--vessels', `${orbit}-vessels.csv`);
    browser = await launch();
  });
  after(async () => { await browser?.close(); });

  test('opens from disk with the network off and holds the run: vessels, display, duration', async () => {
    const { page, requests, errors } = await openReplay(browser, `${tug}.html`);
    assert.deepEqual(requests, [], 'requests beyond the file');
    assert.deepEqual(errors, []);
    assert.equal(await page.evaluate(() => window.kestraneReplay.duration), 520);
    const table = vesselTable(`${tug}-vessels.csv`);
    for (const t of [0, 1, 17, 200, 398, 519, 520]) {
      const vessels = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return window.kestraneReplay.vessels();
      }, t);
      assertPositions(vessels, table.get(t), t);
    }
    // The display at the end is the screen the run wrote.
    const rows = await page.evaluate(() => window.kestraneReplay.display());
    assert.equal(`${rows.join('\n')}\n`, fs.readFileSync(`${tug}-screen.txt`, 'utf8'));
    await page.close();
  });

  test('draws the tether from attach point to attach point with the texture of its stretch', async () => {
    const { page } = await openReplay(browser, `${tug}.html`);
    const table = vesselTable(`${tug}-vessels.csv`);
    const tethers = new Map(readCsv(`${tug}-tethers.csv`).filter((r) => r.link === '0').map((r) => [Number(r.time), r]));
    // The stream was measured in the frame before the sample, so its far end trails the pod by the
    // two vessels' relative motion over one step (0.02 s) at most.
    const step = 0.02, maxRelativeSpeed = 10;
    let slack = 0, taut = 0;
    for (const t of [1, 30, 120, 300, 398, 420, 450, 500]) {
      const drawn = await page.evaluate(async (t) => {
        await window.kestraneReplay.seek(t);
        return window.kestraneReplay.tethers();
      }, t);
      assert.equal(drawn.length, 1, `streams at ${t} s`);
      const [s] = drawn;
      assert.equal(s.link, 0);
      assert.equal(s.vessel, 'Tug');
      assert.ok(distance(s.from, table.get(t).get('Tug')) <= 1e-6, `start at ${t} s`);
      assert.ok(distance(s.to, table.get(t).get('Pod')) <= maxRelativeSpeed * step, `end at ${t} s: ${s.to}`);
      const stretch = Number(tethers.get(t).stretch);
      // Away from the band's edge the sample's stretch and the frame's agree on the band.
      if (Math.abs(stretch - 100) > 0.05) {
        assert.equal(s.texture, stretch >= 100 ? 'TetherTaut' : stretch >= 50 ? 'Tether3' : 'Tether2', `texture at ${t} s`);
        if (stretch >= 100) ++taut; else ++slack;
      }
    }
    assert.ok(slack > 0 && taut > 0, 'the run has slack and taut moments');
    await page.close();
  });

  test('a screenshot shows the tether between the vessels, slack and then taut', async () => {
    const { page } = await openReplay(browser, `${tug}.html`);
    const look = async (t, distance) => {
      await page.evaluate(async (t, distance) => {
        await window.kestraneReplay.seek(t);
        await window.kestraneReplay.setView({ distance, azimuth: -1.2, elevation: 0.9 });
      }, t, distance);
      const [a, b] = await page.evaluate(() => [window.kestraneReplay.screenOf('Tug'), window.kestraneReplay.screenOf('Pod')]);
      assert.ok(a && b && Math.hypot(b[0] - a[0], b[1] - a[1]) > 150, `both vessels in view, apart: ${a} ${b}`);
      return [a, b];
    };
    // 30 s: reeling in, the tether hangs slack; 450 s: the pod circles on the taut tether.
    const [a1, b1] = await look(30, 3600);
    await page.screenshot({ path: path.join(out, 'replay-tug-slack.png') });
    const slack = await pixelsAlong(page, a1, b1, 10);
    const beside = await pixelsAlong(page, a1, b1, 3, 40);
    const [a2, b2] = await look(450, 420);
    await page.screenshot({ path: path.join(out, 'replay-tug.png') });
    const taut = await pixelsAlong(page, a2, b2, 10);

    const drawn = (points) => points.filter((p) => p.count > 0).length;
    assert.ok(drawn(slack) >= slack.length - 1, `slack tether drawn: ${JSON.stringify(slack)}`);
    assert.ok(drawn(taut) >= taut.length - 1, `taut tether drawn: ${JSON.stringify(taut)}`);
    assert.ok(drawn(beside) <= 2, `nothing warm beside it: ${JSON.stringify(beside)}`);
    // The taut texture is a bright near-white line, the slack one a dimmer sandy rope.
    const mean = (points, key) => points.filter((p) => p.count).reduce((s, p) => s + p[key], 0) / drawn(points);
    assert.ok(mean(taut, 'b') / mean(taut, 'r') > mean(slack, 'b') / mean(slack, 'r') + 0.03,
      `taut ${mean(taut, 'r')},${mean(taut, 'b')} against slack ${mean(slack, 'r')},${mean(slack, 'b')}`);
    await page.close();
  });

  test('a click on a vessel follows it: the camera turns about it instead of the focus vessel', async () => {
    const { page } = await openReplay(browser, `${tug}.html`);
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

  test('an orbit at 7000 km keeps the host positions and draws the central body', async () => {
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
    await page.evaluate(async () => {
      await window.kestraneReplay.seek(300);
      await window.kestraneReplay.setView({ distance: 5200, azimuth: -1.3, elevation: 0.25 });
    });
    await page.screenshot({ path: path.join(out, 'replay-orbit.png') });
    await page.close();
  });

  test('a run without tethers and a run that loses a vessel still open', async () => {
    const untied = path.join(out, 'untied');
    sim(path.join(env('KESTRANE_TEST_SCENARIOS'), 'tug.scn'), '--duration', '20', '--replay', `${untied}.html`);
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
