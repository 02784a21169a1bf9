// The live page's cost from the browser's own timers, in headless Chromium on software WebGL: the
// file's size, the time from navigation to the first scenario drawn with its keys taken (median of
// five openings), and the time each animation frame takes while eight.scn flies at 1× (the frames
// the clock owes run, the state read, the scene and panels drawn), and the part of it the frames
// themselves take.
//
//   node viewer/live/measure.mjs PAGE [SECONDS]
import fs from 'node:fs';
import { launch, openReplay } from '../test/browser.mjs';

const [page, secondsArg] = process.argv.slice(2);
if (!page) {
  console.error('usage: node viewer/live/measure.mjs PAGE [SECONDS]');
  process.exit(2);
}
const seconds = Number(secondsArg ?? 10);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const browser = await launch();
try {
  const ready = [], start = [];
  for (let i = 0; i < 5; ++i) {
    const { page: p } = await openReplay(browser, page);
    ready.push(await p.evaluate(() => kestraneLive.readyMs));
    start.push(await p.evaluate(() => kestraneLive.startMs));
    await p.close();
  }
  const { page: p } = await openReplay(browser, page);
  await p.evaluate(() => { kestraneLive.load('eight.scn'); kestraneLive.setSpeed(1); });
  await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  const [timings, simulated] = await p.evaluate(() => [kestraneLive.timings(), kestraneLive.time()]);
  const f = (v) => v.toFixed(2);
  console.log(`size: ${(fs.statSync(page).size / 1048576).toFixed(2)} MiB`);
  console.log(`ready after navigation: ${median(ready).toFixed(0)} ms (median of 5; core and first scenario ` +
    `${median(start).toFixed(0)} ms)`);
  console.log(`eight.scn at 1x, ${simulated.toFixed(1)} s simulated in ${seconds} s, ${timings.frame.count} frames ` +
    'drawn; ms median / p90 / max:');
  for (const [part, t] of Object.entries(timings))
    console.log(`  ${part.padEnd(10)} ${f(t.median)} / ${f(t.p90)} / ${f(t.max)}`);
} finally {
  await browser.close();
}
