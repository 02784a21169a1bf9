// The replay page's size and speed: an hour of the eight-tether example at the default sampling
// (the file's size and its time to ready in headless Chromium), and the frame rate of playback
// with 100 vessels and 8 tethers on software WebGL (SwiftShader). Medians of repeated runs.
//
//   node viewer/bench/replay.mjs KESTRANE_SIM MODULE OUTPUT_DIR
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch, openReplay } from '../test/browser.mjs';

const [sim, module, outArg] = process.argv.slice(2);
if (!sim || !module || !outArg) {
  console.error('usage: node viewer/bench/replay.mjs KESTRANE_SIM MODULE OUTPUT_DIR');
  process.exit(2);
}
const out = path.resolve(outArg);
fs.mkdirSync(out, { recursive: true });
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

function run(...args) {
  const started = performance.now();
  execFileSync(sim, ['run', ...args, '--plugin', module, '--quiet'], { stdio: ['ignore', 'ignore', 'inherit'] });
  return (performance.now() - started) / 1000;
}

// A hub with 99 vessels round it, the first eight tied to it.
function hundredVessels(file) {
  const lines = ['BEGIN_ENVIRONMENT', '  STEP 0.02', 'END_ENVIRONMENT', 'BEGIN_FOCUS', '  Ship Hub', 'END_FOCUS',
    'BEGIN_MFD Left', '  TYPE User', '  MODE Kestrane'];
  for (let i = 0; i < 8; ++i) {
    lines.push(`  TetherData ${i} CONNECT 1`, `  TetherData ${i} Ship1 Hub`, `  TetherData ${i} Ship2 V${i}`,
      `  TetherData ${i} Length 290`, `  TetherData ${i} Force 2000`, `  TetherData ${i} Attach1 0 0 0`,
      `  TetherData ${i} Attach2 0 0 0`, `  TetherData ${i} SpoolMode 0`, `  TetherData ${i} ReelSpeed 0`);
  }
  lines.push('END_MFD', 'BEGIN_SHIPS', 'Hub:Generic', '  MASS 20000', '  PMI 20 20 30', '  RPOS 0 0 0', 'END');
  for (let i = 0; i < 99; ++i) {
    const a = (2 * Math.PI * i) / 99, r = 300 + 40 * (i % 5), v = (2 * Math.PI * r) / 300;
    lines.push(`V${i}:Generic`, '  MASS 500', '  PMI 1 1 1', `  RPOS ${r * Math.cos(a)} ${r * Math.sin(a)} ${(i % 7) * 10}`,
      `  RVEL ${-v * Math.sin(a)} ${v * Math.cos(a)} 0`, 'END');
  }
  lines.push('END_SHIPS');
  fs.writeFileSync(file, `${lines.join('\n')}\n`);
}

const eight = path.join(out, 'eight-hour.html');
const simSeconds = run(path.join(root, 'scenarios/eight.scn'), '--duration', '3600', '--replay', eight);
const size = fs.statSync(eight).size;
console.log(`eight.scn, 3600 s, sampled every 0.1 s: ${(size / 1e6).toFixed(1)} MB (kestrane-sim took ${simSeconds.toFixed(1)} s)`);

const browser = await launch();
try {
  const ready = [];
  for (let k = 0; k < 5; ++k) {
    const { page, readyMs } = await openReplay(browser, eight);
    ready.push(readyMs);
    await page.close();
  }
  console.log(`  ready in headless Chromium: median ${(median(ready) / 1000).toFixed(2)} s of 5 (${ready.map((r) => (r / 1000).toFixed(2)).join(', ')})`);

  const scenario = path.join(out, 'hundred.scn');
  hundredVessels(scenario);
  const hundred = path.join(out, 'hundred.html');
  run(scenario, '--duration', '120', '--replay', hundred);
  const rates = [];
  for (let k = 0; k < 3; ++k) {
    const { page } = await openReplay(browser, hundred);
    const vessels = await page.evaluate(() => window.kestraneReplay.vessels().length);
    const streams = await page.evaluate(async () => {
      await window.kestraneReplay.seek(10);
      return window.kestraneReplay.tethers().length;
    });
    const fps = await page.evaluate(async () => {
      const r = window.kestraneReplay;
      r.setSpeed(1);
      r.play();
      await new Promise((resolve) => setTimeout(resolve, 1000));
      const f0 = r.frames(), t0 = performance.now();
      await new Promise((resolve) => setTimeout(resolve, 5000));
      return ((r.frames() - f0) * 1000) / (performance.now() - t0);
    });
    rates.push(fps);
    if (k === 0) console.log(`${vessels} vessels, ${streams} tethers, 1280 x 720, playing at 1x:`);
    await page.close();
  }
  console.log(`  ${median(rates).toFixed(1)} frames per second, median of 3 (${rates.map((r) => r.toFixed(1)).join(', ')})`);
} finally {
  await browser.close();
}
