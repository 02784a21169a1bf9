// Headless Chromium for the replay page: Debian's chromium with software WebGL 2 (SwiftShader),
// no sandbox (the tests run as root), a fresh profile, and nothing that reaches for the network.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const chromiumPath = process.env.KESTRANE_CHROMIUM || '/usr/bin/chromium';

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kestrane-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-quic',
      '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-features=Translate,MediaRouter,OptimizationHints', '--mute-audio'],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// Opens a replay page from disk with the network off and waits until its scene is built. Every
// request that is not for the file itself or a data: URL is refused and kept in `requests`.
export async function openReplay(browser, file, { width = 1280, height = 720 } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  const requests = [];
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.setRequestInterception(true);
  const url = `file://${path.resolve(file)}`;
  page.on('request', (request) => {
    const u = request.url();
    if (u === url || u.startsWith('data:')) request.continue();
    else { requests.push(u); request.abort(); }
  });
  await page.setOfflineMode(true);
  const started = performance.now();
  await page.goto(url);
  await page.waitForFunction(() => document.body.dataset.ready === '1' || document.body.dataset.error,
    { timeout: 60000 });
  const readyMs = performance.now() - started;
  const error = await page.evaluate(() => document.body.dataset.error);
  if (error) throw new Error(`${file}: ${error}`);
  // For the tests' own use inside the page: a screenshot (base64 PNG) as pixels, at(x, y) giving
  // [r, g, b, a] (black outside it).
  await page.evaluate(() => {
    window.testPixels = async (shot) => {
      const image = new Image();
      image.src = `data:image/png;base64,${shot}`;
      await image.decode();
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const c = canvas.getContext('2d', { willReadFrequently: true });
      c.drawImage(image, 0, 0);
      const data = c.getImageData(0, 0, image.width, image.height).data;
      const { width, height } = image;
      return {
        width, height,
        at: (x, y) => (x < 0 || y < 0 || x >= width || y >= height ? [0, 0, 0, 0]
          : Array.from(data.subarray((y * width + x) * 4, (y * width + x) * 4 + 4))),
      };
    };
  });
  return { page, requests, errors, readyMs };
}
