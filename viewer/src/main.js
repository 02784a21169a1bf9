// The replay page: reads the recorded run from the page itself, builds the scene, the display and
// the tether plots, plays the run, answers the mouse and the keyboard, and offers
// window.kestraneReplay to programs that drive it.
import { SRGBColorSpace, TextureLoader } from 'three';
import { decodeReplay, rotate } from './data.js';
import { DisplayView, textRows } from './display.js';
import { Plots } from './plots.js';
import { SceneView } from './scene.js';

/* global KESTRANE_TEXTURES */
const speeds = [1 / 8, 1 / 4, 1 / 2, 1, 2, 4, 8, 16, 32, 64];

function speedLabel(s) { return s < 1 ? `1/${Math.round(1 / s)}` : `${s}`; }

function fail(message) {
  document.getElementById('message').textContent = message;
  document.body.dataset.error = message;
}

async function loadTextures() {
  const loader = new TextureLoader();
  const entries = await Promise.all(Object.entries(KESTRANE_TEXTURES).map(async ([name, url]) => {
    const texture = await loader.loadAsync(url);
    texture.colorSpace = SRGBColorSpace;
    return [name, texture];
  }));
  return new Map(entries);
}

async function start() {
  const text = document.getElementById('replay-data').textContent;
  if (text.includes('{{')) {
    fail('This page holds no recorded run: kestrane-sim run SCENARIO --replay FILE.html writes one.');
    return;
  }
  const replay = await decodeReplay(text);
  const textures = await loadTextures();
  document.title = `${replay.header.title} — Kestrane replay`;

  const viewElement = document.getElementById('view');
  const view = new SceneView(viewElement, replay, textures);
  const displayCanvas = document.getElementById('display');
  // A run without a display open has no screens to show.
  if (!(replay.header.display.cellWidth > 0 && replay.header.display.cellHeight > 0)) displayCanvas.hidden = true;
  const display = new DisplayView(displayCanvas, replay.header.display);
  // A click on a plot seeks there.
  const plots = new Plots(document.getElementById('plots'), replay, (t) => setTime(t));
  const playButton = document.getElementById('play');
  const scrub = document.getElementById('scrub');
  const clock = document.getElementById('clock');
  const speedSelect = document.getElementById('speed');
  const followSelect = document.getElementById('follow');
  document.getElementById('notes').textContent = replay.notes.join('\n');

  // A whole run plays in about a minute by default.
  let speedIndex = speeds.indexOf(1);
  while (speedIndex + 1 < speeds.length && replay.duration / speeds[speedIndex] > 90) ++speedIndex;
  for (const [k, s] of speeds.entries()) speedSelect.add(new Option(`× ${speedLabel(s)}`, String(k), false, k === speedIndex));
  followSelect.add(new Option('the focus vessel', ''));
  for (const v of replay.vessels) followSelect.add(new Option(v.name, String(v.id)));

  let time = replay.start;
  let playing = false;
  let chosen = null;  // the vessel the user follows; null: the focus vessel
  let dirty = true;
  let frames = 0;
  let lastPanels = -Infinity;
  let last = null;
  let current = null;

  const poseOf = (at) => {
    const poses = new Map();
    for (const v of replay.vesselsAt(at)) poses.set(v, replay.pose(v, at, { position: [0, 0, 0], quaternion: [0, 0, 0, 1] }));
    return poses;
  };
  const followedAt = (at, poses) => {
    if (chosen && poses.has(chosen)) return chosen;
    const focus = replay.vessels[replay.focus[at.i]];
    if (focus && poses.has(focus)) return focus;
    return poses.keys().next().value ?? null;
  };

  // The state at a time, everything in global metres; each stream knows its tether's length, from
  // the distance it spans and the tether's stretch.
  const stateAt = (t) => {
    const at = replay.locate(t);
    const poses = poseOf(at);
    const streams = replay.streamsAt(at);
    for (const s of streams) {
      const stretch = s.link >= 0 ? replay.stretchAt(s.link, at) : NaN;
      s.tetherLength = stretch > 0 ? (s.length * 100) / stretch : NaN;
    }
    return { t, at, poses, streams };
  };

  const draw = () => {
    const state = stateAt(time);
    const followed = followedAt(state.at, state.poses);
    const origin = followed ? state.poses.get(followed).position : [0, 0, 0];
    // Where the followed vessel is a little later: its direction of flight for the camera.
    let ahead = origin;
    if (followed) {
      const later = replay.locate(Math.min(replay.end, time + replay.header.every * 4));
      const earlier = replay.locate(Math.max(replay.start, time - replay.header.every * 4));
      if (replay.holds(followed, later.i) && replay.holds(followed, earlier.i)) {
        const a = replay.pose(followed, later, { position: [0, 0, 0], quaternion: [0, 0, 0, 1] }).position;
        const b = replay.pose(followed, earlier, { position: [0, 0, 0], quaternion: [0, 0, 0, 1] }).position;
        ahead = [origin[0] + a[0] - b[0], origin[1] + a[1] - b[1], origin[2] + a[2] - b[2]];
      }
    }
    const date = replay.date > 0 ? replay.date + (time - replay.start) / 86400 : 0;
    view.render({ poses: state.poses, streams: state.streams, followed, origin, ahead, date });
    current = { ...state, origin };
    ++frames;
    dirty = false;
    // While playing, the panels beside the scene follow ten times a second: each change of them
    // costs the browser a repaint, which software rendering feels at every frame.
    const now = performance.now();
    if (playing && now - lastPanels < 100) return;
    lastPanels = now;
    const redraw = replay.redrawAt(time);
    display.show(redraw);
    plots.show(time, state.at, replay.sampleShown(state.at, redraw));
    // The controls change only when what they show changes, so that playing costs no layout.
    const fraction = replay.duration > 0 ? (time - replay.start) / replay.duration : 0;
    const position = String(Math.round(fraction * 1e3) * 1e3);
    if (document.activeElement !== scrub && scrub.value !== position) scrub.value = position;
    const shown = `t = ${time.toFixed(1)} s of ${replay.end.toFixed(1)} s`;
    if (clock.textContent !== shown) clock.textContent = shown;
    const button = playing ? '\u275A\u275A' : '\u25B6';
    if (playButton.textContent !== button) playButton.textContent = button;
    const following = chosen ? String(chosen.id) : '';
    if (followSelect.value !== following) followSelect.value = following;
    if (speedSelect.value !== String(speedIndex)) speedSelect.value = String(speedIndex);
  };

  const setTime = (t) => {
    time = Math.min(replay.end, Math.max(replay.start, Number(t)));
    dirty = true;
  };
  const setPlaying = (on) => {
    if (on && time >= replay.end) time = replay.start;
    playing = on;
    last = null;
    dirty = true;
  };
  // Pauses and moves by `count` samples from the time shown.
  const step = (count) => {
    setPlaying(false);
    const at = replay.locate(time);
    const from = count < 0 && at.w > 0 ? at.i + 1 : at.i;
    setTime(replay.times[Math.min(replay.sampleCount - 1, Math.max(0, from + count))]);
  };
  const setSpeed = (k) => {
    speedIndex = Math.min(speeds.length - 1, Math.max(0, k));
    dirty = true;
  };

  view.onChange = () => { dirty = true; };
  playButton.addEventListener('click', () => {
    setPlaying(!playing);
    // The keys stay the page's: a focused button would take Space for itself.
    playButton.blur();
  });
  scrub.addEventListener('input', () => setTime(replay.start + (Number(scrub.value) / 1e6) * replay.duration));
  speedSelect.addEventListener('change', () => {
    setSpeed(Number(speedSelect.value));
    speedSelect.blur();
  });
  followSelect.addEventListener('change', () => {
    chosen = followSelect.value === '' ? null : replay.vessels[Number(followSelect.value)];
    dirty = true;
    followSelect.blur();
  });

  // Space plays and pauses; the arrows step a sample (up and down ten); Home and End go to the
  // start and the end; + and - change the speed; N shows or hides the names. An open list keeps
  // its own keys.
  const keys = {
    ' ': () => setPlaying(!playing),
    ArrowRight: () => step(1),
    ArrowLeft: () => step(-1),
    ArrowUp: () => step(10),
    ArrowDown: () => step(-10),
    Home: () => { setPlaying(false); setTime(replay.start); },
    End: () => { setPlaying(false); setTime(replay.end); },
    '+': () => setSpeed(speedIndex + 1),
    '=': () => setSpeed(speedIndex + 1),
    '-': () => setSpeed(speedIndex - 1),
    _: () => setSpeed(speedIndex - 1),
    n: () => { view.showNames = !view.showNames; dirty = true; },
    N: () => { view.showNames = !view.showNames; dirty = true; },
  };
  window.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    if (e.target.tagName === 'SELECT' && e.key !== ' ') return;
    const action = keys[e.key];
    if (!action) return;
    e.preventDefault();
    action();
  });

  // Drag turns the camera about the followed vessel, the wheel zooms, a click follows a vessel.
  const canvas = view.renderer.domElement;
  let drag = null;
  canvas.addEventListener('pointerdown', (e) => {
    drag = { x: e.clientX, y: e.clientY, moved: 0 };
    canvas.setPointerCapture(e.pointerId);
  });
  canvas.addEventListener('pointermove', (e) => {
    if (!drag) return;
    const dx = e.clientX - drag.x, dy = e.clientY - drag.y;
    drag.moved += Math.abs(dx) + Math.abs(dy);
    drag.x = e.clientX;
    drag.y = e.clientY;
    view.azimuth -= dx * 0.006;
    view.elevation = Math.max(-1.5, Math.min(1.5, view.elevation + dy * 0.006));
    dirty = true;
  });
  canvas.addEventListener('pointerup', (e) => {
    if (drag && drag.moved < 4) {
      const box = canvas.getBoundingClientRect();
      const vessel = view.pick(e.clientX - box.left, e.clientY - box.top);
      if (vessel) { chosen = vessel; dirty = true; }
    }
    drag = null;
  });
  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();
    view.zoomBy(Math.exp(e.deltaY * 0.0015));
    dirty = true;
  }, { passive: false });

  const loop = (now) => {
    if (playing) {
      if (last !== null) {
        // A long gap (a hidden tab) does not jump the run.
        const wall = Math.min(0.25, (now - last) / 1000);
        time = Math.min(replay.end, time + wall * speeds[speedIndex]);
        if (time >= replay.end) playing = false;
      }
      last = now;
      dirty = true;
    }
    if (dirty) draw();
    requestAnimationFrame(loop);
  };
  const drawn = () => new Promise((resolve) => requestAnimationFrame(() => resolve()));
  const toGlobal = (p) => p.map((v, k) => v + current.origin[k]);

  const contract = {
    duration: replay.duration,
    start: replay.start,
    // Moves to time t (s of the run), pausing the playback; resolves once that moment is drawn.
    seek(t) {
      setPlaying(false);
      setTime(t);
      draw();
      return drawn().then(() => time);
    },
    time: () => time,
    playing: () => playing,
    speed: () => speeds[speedIndex],
    play() { setPlaying(true); },
    pause() { setPlaying(false); },
    setSpeed(s) { const k = speeds.indexOf(s); if (k >= 0) setSpeed(k); },
    // The camera about the followed vessel: distance (m), azimuth and elevation (rad).
    setView({ distance, azimuth, elevation }) {
      if (distance > 0) {
        view.distance = distance;
        view.autoFrame = false;
      }
      if (Number.isFinite(azimuth)) view.azimuth = azimuth;
      if (Number.isFinite(elevation)) view.elevation = elevation;
      draw();
      return drawn();
    },
    // Shows or hides the vessels' names; resolves once drawn.
    showNames(on) {
      view.showNames = Boolean(on);
      draw();
      return drawn();
    },
    follow(name) { chosen = replay.vessels.find((v) => v.name === name) ?? null; dirty = true; },
    following: () => (chosen ?? followedAt(current.at, current.poses))?.name ?? null,
    // Frames drawn since the page opened.
    frames: () => frames,
    // The vessels drawn: name, global position (m) and the mesh each wears (null: a box).
    vessels() {
      return [...current.poses].map(([v, pose]) => ({ name: v.name, position: [...pose.position],
        mesh: replay.meshes[v.mesh]?.name ?? null }));
    },
    // The tethers drawn: the stream's vessel and link, from and to (global, m), its texture and
    // width, and the points of the line drawn (two for a straight one).
    tethers() {
      return view.streams.drawn.map(({ stream: s, start, end, points }) => ({
        link: s.link, vessel: s.vessel.name, from: toGlobal(start), to: toGlobal(end), texture: s.texture,
        width: s.width, points: points.map(toGlobal),
      }));
    },
    // Where a vessel is drawn, in pixels of the page; null when it is not in view.
    screenOf(name) {
      const found = view.screenPositions().find((s) => s.vessel.name === name);
      if (!found) return null;
      const box = view.renderer.domElement.getBoundingClientRect();
      return [box.left + found.x, box.top + found.y];
    },
    // Where a point of a vessel's own frame (m) is drawn: pixels of the page and its depth in
    // front of the camera (m); null when the vessel is not there or the point is behind the camera.
    screenOfPoint(name, local) {
      const entry = [...current.poses].find(([v]) => v.name === name);
      if (!entry) return null;
      const [, pose] = entry;
      const at = view.project(rotate(pose.quaternion, local).map((d, k) => pose.position[k] + d - current.origin[k]));
      if (!at) return null;
      const box = view.renderer.domElement.getBoundingClientRect();
      return [box.left + at[0], box.top + at[1], at[2]];
    },
    // Where a global point (m, host frame) is drawn: pixels of the page and its depth in front of
    // the camera (m); null behind the camera.
    project(p) {
      const at = view.project(p.map((v, k) => v - current.origin[k]));
      if (!at) return null;
      const box = view.renderer.domElement.getBoundingClientRect();
      return [box.left + at[0], box.top + at[1], at[2]];
    },
    // The camera's place (global, m), the direction the light comes from (host frame) and the
    // central body's radius (m; null without one).
    eye: () => toGlobal(view.eye),
    sun: () => [...view.toSun],
    bodyRadius: () => view.body?.radius ?? null,
    // The display's text rows at this moment, as kestrane-sim --screen writes them.
    display: () => textRows(replay.redrawAt(time), replay.header.display),
  };
  window.kestraneReplay = contract;

  draw();
  requestAnimationFrame(() => {
    document.body.dataset.ready = '1';
    setPlaying(true);
    requestAnimationFrame(loop);
  });
}

start().catch((error) => fail(`The replay cannot be shown: ${error.message}`));
