// The live page: the simulated host with the plug-in linked in (WebAssembly) flies a scenario at
// the page's clock; the scene, the display and the tethers' plots are drawn with the replay page's
// modules. The display's keys are typed as in `kestrane-sim play` and its buttons clicked beside
// it; both go to the display at the start of the next frame, as `kestrane-sim run --keys` presses
// them (at once while the clock stands). window.kestraneLive lets programs drive the page.
import { CanvasTexture, SRGBColorSpace } from 'three';
import { DisplayView } from '../src/display.js';
import { Plots } from '../src/plots.js';
import { SceneView } from '../src/scene.js';
import { Core } from './core.js';
import { LiveRecord } from './record.js';

/* global KESTRANE_SCENARIOS, createKestraneCore */
const speeds = [1 / 8, 1 / 4, 1 / 2, 1, 2, 4, 8, 16, 32, 64];
const firstScenario = 'tug.scn';
// Simulated time the page catches up with at most after a stall (a hidden tab), wall seconds.
const longestCatchUp = 0.25;
// How often the plots are drawn anew with the history so far, wall milliseconds.
const plotPeriod = 1000;

const element = (id) => document.getElementById(id);
const speedLabel = (s) => (s < 1 ? `1/${Math.round(1 / s)}` : `${s}`);

function fail(message) {
  element('message').textContent = message;
  document.body.dataset.error = message;
}

// Times, ms: the last few hundred, for kestraneLive.timings().
class Timings {
  constructor() { this.values = []; }
  add(ms) {
    this.values.push(ms);
    if (this.values.length > 600) this.values.shift();
  }
  summary() {
    const sorted = [...this.values].sort((a, b) => a - b);
    const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))] ?? NaN;
    return { count: sorted.length, median: at(0.5), p90: at(0.9), max: sorted[sorted.length - 1] ?? NaN };
  }
}

async function start() {
  const started = performance.now();
  const core = new Core(await createKestraneCore());
  const textures = new Map();
  for (const [name, canvas] of core.textureImages()) {
    const texture = new CanvasTexture(canvas);
    texture.colorSpace = SRGBColorSpace;
    textures.set(name, texture);
  }
  const keyHelp = core.keys();
  element('legend-keys').replaceChildren(...keyHelp.map(([name, typed, command]) => {
    const line = document.createElement('div');
    const key = document.createElement('kbd');
    key.textContent = typed;
    line.append(key, command);
    line.title = `${command} (${name})`;
    return line;
  }));

  const scenarioSelect = element('scenario');
  for (const name of Object.keys(KESTRANE_SCENARIOS)) scenarioSelect.add(new Option(name, name));
  const speedSelect = element('speed');
  for (const [k, s] of speeds.entries()) speedSelect.add(new Option(`× ${speedLabel(s)}`, String(k), false, s === 1));

  const displayCanvas = element('display');
  const buttons = [];
  for (const side of ['left', 'right']) {
    for (let row = 0; row < 6; ++row) {
      const button = document.createElement('button');
      button.type = 'button';
      const number = buttons.length + 1;
      button.dataset.button = String(number);
      button.addEventListener('click', () => {
        type(core.keyCode(`BTN${number}`));
        button.blur();
      });
      element(side).append(button);
      buttons.push(button);
    }
  }

  let session = null;  // what belongs to the scenario flown: its scene, display, record and plots
  let speedIndex = speeds.indexOf(1);
  let paused = false;
  let owed = 0;  // simulated seconds the clock is behind the wall
  let last = null;
  let chosen = null;  // the vessel the user follows; null: the focus vessel
  let lastPlots = -Infinity;
  // Where an animation frame's time goes: the frames the clock owes, the state read out of the
  // core, the scene drawn (its commands to the GPU) and the panels beside it; and the whole.
  const timings = { simulation: new Timings(), read: new Timings(), scene: new Timings(), panels: new Timings(),
    frame: new Timings() };
  let framesDrawn = 0;

  // A key for the display: with the next frame, or now while the clock stands.
  function type(code) {
    if (!code || !session) return;
    core.queue(code);
    // The page of buttons may turn without a redraw: the panel is read again.
    session.redraws = -1;
    if (paused || session.broken) core.pressQueued();
  }

  function load(name, text) {
    const error = core.open(name, text);
    // The scenario flown before is gone either way: the plug-in is one module, and one session
    // has it at a time.
    session?.view.renderer.domElement.remove();
    session?.view.renderer.dispose();
    if (error) {
      session?.display.show(null);
      session = null;
      element('plots').replaceChildren();
      for (const button of buttons) button.textContent = '';
      fail(error);
      return false;
    }
    delete document.body.dataset.error;
    element('message').textContent = '';
    const info = core.describe();
    const state = core.state();
    const record = new LiveRecord(info, state);
    record.textureNames = core.textureNames();
    const view = new SceneView(element('view'), record, textures);
    chosen = null;
    const display = new DisplayView(displayCanvas, info.display);
    session = { name, info, record, view, display, step: core.step(), redraws: -1, broken: '', plotted: new Set() };
    const carried = info.carried
      ? [`${info.carried} vessel(s) landed, attached or orbiting another body: carried as read, not simulated`] : [];
    element('notes').textContent = [...info.warnings, ...carried].join('\n');
    document.title = `${name} — Kestrane live`;
    if (KESTRANE_SCENARIOS[name] !== undefined) scenarioSelect.value = name;
    owed = 0;
    last = null;
    lastPlots = -Infinity;
    draw();
    return true;
  }

  function showScreen() {
    if (core.redraws() === session.redraws) return;
    const screen = core.screen();
    if (!screen) return;
    session.redraws = screen.redraws;
    session.display.show([core.time(), screen.runs]);
    for (const [k, button] of buttons.entries()) {
      button.textContent = screen.labels[k];
      button.disabled = screen.labels[k] === '';
    }
    element('page-shown').textContent = screen.menu ? 'menu' : `page ${screen.page + 1}`;
  }

  // The plots are made anew beside the old ones and shown once drawn, so that nothing flickers:
  // once a second, and at once when a tether is tied for the first time.
  function showPlots(now) {
    const connected = session.record.state.tethers.map((t) => t.connected);
    const fresh = connected.some((on, link) => on && !session.plotted.has(link));
    if (now - lastPlots < plotPeriod && !fresh) return;
    lastPlots = now;
    const recording = LiveRecord.recording(core.history());
    session.plotted = new Set([...recording.linksUsed, ...connected.flatMap((on, link) => (on ? [link] : []))]);
    const layer = document.createElement('div');
    layer.className = 'layer pending';
    element('plots').append(layer);
    const plots = new Plots(layer, recording, () => {});
    plots.show(recording.end, { i: recording.sampleCount - 1, w: 0 });
    requestAnimationFrame(() => requestAnimationFrame(() => {
      for (const old of [...element('plots').children])
        if (old !== layer && !old.classList.contains('pending')) old.remove();
      layer.classList.remove('pending');
    }));
  }

  function draw() {
    const { record, view } = session;
    const begun = performance.now();
    record.update(core.state());
    if (record.state.textureCount !== record.textureNames.length) record.textureNames = core.textureNames();
    const poses = record.poses;
    const focus = record.vessels[record.state.focus];
    const followed = chosen && poses.has(chosen) ? chosen : focus ?? record.vessels[0];
    const index = followed ? followed.id : -1;
    const origin = followed ? poses.get(followed).position : [0, 0, 0];
    const velocity = index >= 0 ? record.state.vessels[index].velocity : [0, 0, 0];
    const ahead = origin.map((p, k) => p + velocity[k]);
    const read = performance.now();
    view.render({ poses, streams: record.streams, followed, origin, ahead, date: record.state.date });
    const rendered = performance.now();
    showScreen();
    showPlots(rendered);
    const shown = `t = ${record.state.time.toFixed(1)} s${paused ? ' · paused' : ''}`;
    if (element('clock').textContent !== shown) element('clock').textContent = shown;
    const button = paused ? '\u25B6' : '\u275A\u275A';
    if (element('play').textContent !== button) element('play').textContent = button;
    if (speedSelect.value !== String(speedIndex)) speedSelect.value = String(speedIndex);
    ++framesDrawn;
    timings.read.add(read - begun);
    timings.scene.add(rendered - read);
    timings.panels.add(performance.now() - rendered);
  }

  // Runs the frames the clock owes and draws; the time it took is the page's frame time.
  function tick(now) {
    const begun = performance.now();
    if (session && !paused && !session.broken) {
      const speed = speeds[speedIndex];
      if (last !== null) owed = Math.min(owed + ((now - last) / 1000) * speed, longestCatchUp * speed);
      const count = Math.floor(owed / session.step + 1e-9);
      if (count > 0) {
        const stepped = performance.now();
        core.frames(count);
        timings.simulation.add(performance.now() - stepped);
        owed -= count * session.step;
        session.broken = core.broken();
        if (session.broken) fail(session.broken);
      }
    }
    last = now;
    if (session) draw();
    timings.frame.add(performance.now() - begun);
    requestAnimationFrame(tick);
  }

  const setPaused = (on) => {
    paused = on;
    if (paused) core.pressQueued();
    last = null;
    owed = 0;
  };
  const setSpeed = (k) => { speedIndex = Math.min(speeds.length - 1, Math.max(0, k)); };

  element('play').addEventListener('click', () => { setPaused(!paused); element('play').blur(); });
  speedSelect.addEventListener('change', () => { setSpeed(Number(speedSelect.value)); speedSelect.blur(); });
  scenarioSelect.addEventListener('change', () => {
    load(scenarioSelect.value, KESTRANE_SCENARIOS[scenarioSelect.value]);
    scenarioSelect.blur();
  });
  element('page').addEventListener('click', () => { type(core.keyCode('F2')); element('page').blur(); });
  element('menu').addEventListener('click', () => { type(core.keyCode('GRAVE')); element('menu').blur(); });
  element('save').addEventListener('click', () => {
    if (!session) return;
    const text = core.save();
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
    link.download = `${session.name.replace(/\.scn$/i, '')}-saved.scn`;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    element('save').blur();
  });
  const openFile = async (file) => { if (file) load(file.name, await file.text()); };
  element('open').addEventListener('click', () => element('file').click());
  element('file').addEventListener('change', () => openFile(element('file').files[0]));
  const viewElement = element('view');
  window.addEventListener('dragover', (e) => { e.preventDefault(); viewElement.classList.add('dropping'); });
  window.addEventListener('dragleave', () => viewElement.classList.remove('dropping'));
  window.addEventListener('drop', (e) => {
    e.preventDefault();
    viewElement.classList.remove('dropping');
    openFile(e.dataTransfer.files[0]);
  });

  // Space stops and starts the clock, ← and → halve and double the time acceleration, ? and h
  // show or hide the keys, as in play; every other character goes to the display as play maps it.
  window.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey || e.target.tagName === 'SELECT' || e.target.tagName === 'INPUT') return;
    if (e.key === ' ') setPaused(!paused);
    else if (e.key === 'ArrowLeft') setSpeed(speedIndex - 1);
    else if (e.key === 'ArrowRight') setSpeed(speedIndex + 1);
    else if (e.key === '?' || e.key === 'h' || e.key === 'H') element('legend').open = !element('legend').open;
    else if (e.key.length === 1 && core.typedKey(e.key.charCodeAt(0))) type(core.typedKey(e.key.charCodeAt(0)));
    else return;
    e.preventDefault();
  });

  // Drag turns the camera about the followed vessel, the wheel zooms, a click follows a vessel.
  let drag = null;
  viewElement.addEventListener('pointerdown', (e) => {
    drag = { x: e.clientX, y: e.clientY, moved: 0 };
    viewElement.setPointerCapture(e.pointerId);
  });
  viewElement.addEventListener('pointermove', (e) => {
    if (!drag || !session) return;
    const dx = e.clientX - drag.x, dy = e.clientY - drag.y;
    drag.moved += Math.abs(dx) + Math.abs(dy);
    drag.x = e.clientX;
    drag.y = e.clientY;
    session.view.azimuth -= dx * 0.006;
    session.view.elevation = Math.max(-1.5, Math.min(1.5, session.view.elevation + dy * 0.006));
  });
  viewElement.addEventListener('pointerup', (e) => {
    if (drag && drag.moved < 4 && session) {
      const box = viewElement.getBoundingClientRect();
      chosen = session.view.pick(e.clientX - box.left, e.clientY - box.top) ?? chosen;
    }
    drag = null;
  });
  viewElement.addEventListener('wheel', (e) => {
    e.preventDefault();
    if (!session) return;
    session.view.zoomBy(Math.exp(e.deltaY * 0.0015));
  }, { passive: false });

  const drawn = () => new Promise((resolve) => requestAnimationFrame(() => resolve()));
  window.kestraneLive = {
    scenarios: () => Object.keys(KESTRANE_SCENARIOS),
    // Flies a built-in scenario, or the text given under that name; false when it cannot run.
    load(name, text = KESTRANE_SCENARIOS[name]) { return load(name, text); },
    time: () => core.time(),
    step: () => session.step,
    paused: () => paused,
    pause() { setPaused(true); },
    run() { setPaused(false); },
    speed: () => speeds[speedIndex],
    setSpeed(s) { const k = speeds.indexOf(s); if (k >= 0) setSpeed(k); },
    // With the clock stopped: `count` frames now, as the clock would run them; resolves once drawn.
    frames(count) {
      core.frames(count);
      session.broken = core.broken();
      draw();
      return drawn().then(() => core.time());
    },
    // The display: its rows as `run --screen` writes them, the labels of the page of buttons shown,
    // the page and whether the menu is shown.
    screen: () => { const s = core.screen(); return { rows: s.rows, labels: s.labels, page: s.page, menu: s.menu }; },
    // One sample of the tethers and the vessels as `run --tethers` and `--vessels` write it.
    sampleCsv: () => core.sampleCsv(),
    save: () => core.save(),
    // The vessels and tethers drawn: names and global positions, and each stream's link.
    vessels: () => [...session.record.poses].map(([v, pose]) => ({ name: v.name, position: [...pose.position] })),
    tethers: () => session.view.streams.drawn.map(({ stream }) => ({ link: stream.link, vessel: stream.vessel.name,
      texture: stream.texture })),
    plots: () => [...element('plots').querySelectorAll('.layer:not(.pending) .plot')]
      .map((p) => Number(p.dataset.link)),
    // Where the page's time goes, ms (median, 90th percentile and largest of the last 600
    // animation frames): each frame's whole work, and its parts.
    timings: () => Object.fromEntries(Object.entries(timings).map(([part, t]) => [part, t.summary()])),
    framesDrawn: () => framesDrawn,
    // From the page's navigation to its first scenario drawn and its keys taken, and the part of
    // it the core and the first scenario took.
    readyMs: 0,
    startMs: 0,
  };

  if (!load(firstScenario, KESTRANE_SCENARIOS[firstScenario])) return;
  window.kestraneLive.startMs = performance.now() - started;
  requestAnimationFrame(() => {
    window.kestraneLive.readyMs = performance.now();
    document.body.dataset.ready = '1';
    requestAnimationFrame(tick);
  });
}

start().catch((error) => fail(`The page cannot fly: ${error.message ?? error}`));
