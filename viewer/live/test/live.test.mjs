// The live page in headless Chromium, opened from disk with the network off: keys typed on the
// keyboard and buttons clicked beside the display fly a scenario to the same tethers, vessels,
// screen and saved scenario as kestrane-sim run with the same keys; the examples are built in,
// a scenario file opened on the page flies, and a malformed one is refused with its line.
//
// Needs KESTRANE_LIVE_PAGE, KESTRANE_SIM (a Linux build's), KESTRANE_SCENARIOS and KESTRANE_OUT (a
// folder for the runs and a picture of the page); ctest sets them.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { launch, openReplay } from '../../test/browser.mjs';

const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set`);
  return value;
};
const pagePath = env('KESTRANE_LIVE_PAGE');
const scenarios = env('KESTRANE_SCENARIOS');
const out = env('KESTRANE_OUT');
fs.mkdirSync(out, { recursive: true });

// The demo's first keys, then the first page's IN button instead of a typed i, the next page of
// buttons and its SF+ (setup force up), and the reel stopped by a typed o.
const keys = [[0, 'MINUS', '-'], [0.02, 'A', 'a'], [0.04, 'J', 'j'], [3, 'I', 'i'], [6, 'I', 'i'], [9, 'BTN3'],
  [12, 'F2'], [12, 'BTN12'], [21.5, 'O', 'o']];
const duration = 30;

// The largest relative difference between the numbers of two CSV texts of the same shape; the
// other fields must be equal.
function largestDifference(actual, expected) {
  const a = actual.trim().split('\n'), e = expected.trim().split('\n');
  assert.equal(a.length, e.length, 'rows');
  let largest = 0;
  for (let r = 0; r < a.length; ++r) {
    const fa = a[r].split(','), fe = e[r].split(',');
    assert.equal(fa.length, fe.length, `fields of row ${r}`);
    for (let k = 0; k < fa.length; ++k) {
      const x = Number(fa[k]), y = Number(fe[k]);
      if (fa[k] === fe[k]) continue;
      assert.ok(Number.isFinite(x) && Number.isFinite(y), `row ${r}: ${a[r]} against ${e[r]}`);
      largest = Math.max(largest, Math.abs(x - y) / Math.max(Math.abs(y), Number.MIN_VALUE));
    }
  }
  return largest;
}

// The largest relative difference between the numbers of two scenario texts, word by word; the
// other words must be equal.
function largestTextDifference(actual, expected) {
  const a = actual.split('\n'), e = expected.split('\n');
  assert.equal(a.length, e.length, 'lines');
  let largest = 0;
  for (let r = 0; r < a.length; ++r) {
    if (a[r] === e[r]) continue;
    const wa = a[r].split(' '), we = e[r].split(' ');
    assert.equal(wa.length, we.length, `line ${r + 1}: ${a[r]} against ${e[r]}`);
    for (let k = 0; k < wa.length; ++k) {
      if (wa[k] === we[k]) continue;
      const x = Number(wa[k]), y = Number(we[k]);
      assert.ok(Number.isFinite(x) && Number.isFinite(y), `line ${r + 1}: ${a[r]} against ${e[r]}`);
      largest = Math.max(largest, Math.abs(x - y) / Math.max(Math.abs(y), Number.MIN_VALUE));
    }
  }
  return largest;
}

let browser, page, errors, requests;
before(async () => {
  browser = await launch();
  ({ page, errors, requests } = await openReplay(browser, pagePath));
});
after(async () => { await browser?.close(); });

test('keys typed and buttons clicked fly the scenario as kestrane-sim run flies it with those keys', async () => {
  const run = path.join(out, 'tug');
  execFileSync(env('KESTRANE_SIM'), ['run', path.join(scenarios, 'tug.scn'), '--duration', String(duration),
    '--keys', keys.map(([t, name]) => `${t}:${name}`).join(','), '--every', String(duration),
    '--tethers', `${run}-tethers.csv`, '--vessels', `${run}-vessels.csv`, '--screen', `${run}-screen.txt`,
    '--save', `${run}-end.scn`, '--quiet'], { stdio: ['ignore', 'ignore', 'inherit'] });

  // The clock stopped first: the page runs no frame of its own between the steps below.
  await page.evaluate(() => kestraneLive.pause());
  assert.equal(await page.evaluate(() => kestraneLive.load('tug.scn')), true);
  const step = await page.evaluate(() => kestraneLive.step());
  let frames = 0;
  for (const [time, name, typed] of keys) {
    const due = Math.round(time / step);
    if (due > frames) await page.evaluate((n) => kestraneLive.frames(n), due - frames);
    frames = Math.max(frames, due);
    if (typed) await page.keyboard.type(typed);
    else if (name === 'F2') await page.click('#page');
    else await page.click(`[data-button="${name.slice(3)}"]`);
  }
  assert.deepEqual(await page.evaluate(() => kestraneLive.screen().labels),
    ['OCG', 'ODK', 'OAP', 'OD+', 'SL-', 'SL+', 'TCG', 'TDK', 'TAP', 'TD+', 'SF-', 'SF+'], 'the second page of buttons');
  await page.evaluate((n) => kestraneLive.frames(n), Math.round(duration / step) - frames);

  const [tethers, vessels] = (await page.evaluate(() => kestraneLive.sampleCsv())).split('\n\n');
  const last = (file, count) => {
    const lines = fs.readFileSync(file, 'utf8').trim().split('\n');
    return [lines[0], ...lines.slice(-count)].join('\n');
  };
  const tetherDifference = largestDifference(tethers, last(`${run}-tethers.csv`, 8));
  const vesselDifference = largestDifference(vessels, last(`${run}-vessels.csv`, 2));
  console.log(`# tug.scn, ${duration} s: largest relative difference from the native run: tethers ` +
    `${tetherDifference}, vessels ${vesselDifference}`);
  assert.ok(tetherDifference <= 1e-12 && vesselDifference <= 1e-12);
  assert.match(tethers, /\n30,0,1,Tug,Pod,/);
  assert.deepEqual(await page.evaluate(() => kestraneLive.screen().rows),
    fs.readFileSync(`${run}-screen.txt`, 'utf8').replace(/\n$/, '').split('\n'));
  if (tetherDifference === 0 && vesselDifference === 0)
    assert.equal(await page.evaluate(() => kestraneLive.save()), fs.readFileSync(`${run}-end.scn`, 'utf8'));
  assert.deepEqual(await page.evaluate(() => kestraneLive.tethers().map((t) => t.link)), [0]);
});

test('every example flies two minutes as kestrane-sim run flies it', async () => {
  const minutes = 120;
  await page.evaluate(() => kestraneLive.pause());
  for (const name of fs.readdirSync(scenarios).filter((f) => f.endsWith('.scn')).sort()) {
    const run = path.join(out, name.replace(/\.scn$/, ''));
    execFileSync(env('KESTRANE_SIM'), ['run', path.join(scenarios, name), '--duration', String(minutes), '--every',
      String(minutes), '--tethers', `${run}-tethers.csv`, '--vessels', `${run}-vessels.csv`, '--save', `${run}-end.scn`,
      '--quiet'], { stdio: ['ignore', 'ignore', 'inherit'] });
    assert.equal(await page.evaluate((n) => kestraneLive.load(n), name), true);
    const step = await page.evaluate(() => kestraneLive.step());
    await page.evaluate((n) => kestraneLive.frames(n), Math.round(minutes / step));
    const [tethers, vessels] = (await page.evaluate(() => kestraneLive.sampleCsv())).split('\n\n');
    // The native file's last sample: as many rows as the page's sample has.
    const rows = (file, text) => fs.readFileSync(file, 'utf8').trim().split('\n')
      .slice(-(text.trim().split('\n').length - 1));
    // The state the frames leave is the same to the bit; the orientation angles a save writes come
    // from the C library's inverse trigonometry, whose last bit may differ.
    assert.deepEqual(tethers.trim().split('\n').slice(1), rows(`${run}-tethers.csv`, tethers), `${name}: tethers`);
    assert.deepEqual(vessels.trim().split('\n').slice(1), rows(`${run}-vessels.csv`, vessels), `${name}: vessels`);
    const saved = largestTextDifference(await page.evaluate(() => kestraneLive.save()),
      fs.readFileSync(`${run}-end.scn`, 'utf8'));
    console.log(`# ${name}, ${minutes} s: tethers and vessels the same; the saved scenario's largest relative ` +
      `difference ${saved}`);
    assert.ok(saved <= 1e-14, `${name}: ${saved}`);
  }
});

test('the examples are built in; a file opened on the page flies, a malformed one is refused', async () => {
  // The legend: the display's 25 keys, each with the character play types it with.
  assert.equal(await page.evaluate(() => document.querySelectorAll('#legend-keys kbd').length), 25);
  assert.deepEqual(await page.evaluate(() => kestraneLive.scenarios()),
    fs.readdirSync(scenarios).filter((f) => f.endsWith('.scn')).sort());
  await page.evaluate(() => kestraneLive.pause());
  assert.equal(await page.evaluate(() => kestraneLive.load('eight.scn')), true);
  await page.evaluate(() => kestraneLive.frames(50));
  assert.deepEqual(await page.evaluate(() => kestraneLive.tethers().map((t) => t.link).sort()),
    [0, 1, 2, 3, 4, 5, 6, 7]);
  await page.waitForFunction(() => kestraneLive.plots().length === 8, { timeout: 10000 });
  // Mid-flight, for the README: the eight tethers taut round the spinning hub, the display beside.
  await page.evaluate(() => kestraneLive.run());
  await page.setViewport({ width: 1280, height: 800 });
  await page.waitForFunction(() => kestraneLive.time() > 4, { timeout: 20000 });
  await page.screenshot({ path: path.join(out, 'live-eight.png') });
  await page.evaluate(() => kestraneLive.pause());
  await page.setViewport({ width: 1280, height: 720 });

  const saved = path.join(out, 'eight-saved.scn');
  fs.writeFileSync(saved, await page.evaluate(() => kestraneLive.save()));
  const input = await page.$('#file');
  await input.uploadFile(saved);
  await page.waitForFunction(() => document.title.startsWith('eight-saved.scn'), { timeout: 10000 });
  // It goes on from the clock it was saved at.
  assert.equal(await page.evaluate(() => kestraneLive.time()),
    Number(/SIMTIME (\S+)/.exec(fs.readFileSync(saved, 'utf8'))[1]));

  const broken = path.join(out, 'broken.scn');
  fs.writeFileSync(broken, 'BEGIN_SHIPS\nPod:ShuttlePB\n  RPOS 1 2\nEND\nEND_SHIPS\n');
  await input.uploadFile(broken);
  await page.waitForFunction(() => document.body.dataset.error, { timeout: 10000 });
  assert.match(await page.evaluate(() => document.body.dataset.error), /broken\.scn:3/);

  // One file that opens from the disk: everything is in it, and it stays small.
  assert.ok(fs.statSync(pagePath).size < 3 * 1024 * 1024, 'the page is under 3 MB');
  assert.deepEqual(requests, [], 'requests that left the page');
  assert.deepEqual(errors, [], 'errors in the page');
});
