// The simulated host with the plug-in linked in, compiled to WebAssembly (sim/live/LiveExports.cpp):
// one scenario at a time, run frame by frame, its state read out as numbers and JSON.

// The numbers of LiveSession::State: a head, then per vessel, per link and per stream.
const head = 6, perVessel = 10, perLink = 3, perStream = 11;
export const links = 8;

export class Core {
  // `module`: what createKestraneCore() resolved to.
  constructor(module) {
    this.m = module;
    const call = (name, result, args) => (...values) => module.ccall(name, result, args, values);
    this.openScenario = call('kestrane_open', 'string', ['string', 'string']);
    this.describeJson = call('kestrane_describe', 'string', []);
    this.typedKey = call('kestrane_typed_key', 'number', ['number']);
    this.keyCode = call('kestrane_key_code', 'number', ['string']);
    this.keysJson = call('kestrane_keys', 'string', []);
    this.queue = call('kestrane_queue', null, ['number']);
    this.pressQueued = call('kestrane_press_queued', null, []);
    this.frames = call('kestrane_frames', 'number', ['number']);
    this.time = call('kestrane_time', 'number', []);
    this.step = call('kestrane_step', 'number', []);
    this.broken = call('kestrane_broken', 'string', []);
    this.statePointer = call('kestrane_state', 'number', []);
    this.stateSize = call('kestrane_state_size', 'number', []);
    this.textureNamesJson = call('kestrane_texture_names', 'string', []);
    this.screenJson = call('kestrane_screen', 'string', []);
    this.redraws = call('kestrane_redraws', 'number', []);
    this.historyCount = call('kestrane_history_count', 'number', []);
    this.historyPointers = ['times', 'connected', 'pull', 'stretch']
      .map((name) => call(`kestrane_history_${name}`, 'number', []));
    this.save = call('kestrane_save', 'string', []);
    this.sampleCsv = call('kestrane_sample_csv', 'string', []);
    this.textureCount = call('kestrane_texture_count', 'number', []);
    this.textureName = call('kestrane_texture_name', 'string', ['number']);
    this.texturePixels = call('kestrane_texture_pixels', 'number', ['number']);
    this.textureWidth = call('kestrane_texture_width', 'number', []);
    this.textureHeight = call('kestrane_texture_height', 'number', []);
  }

  // Starts a scenario from its text; the reason when it cannot run, else ''.
  open(name, text) { return this.openScenario(name, text); }
  describe() { return JSON.parse(this.describeJson()); }
  keys() { return JSON.parse(this.keysJson()); }
  screen() { return JSON.parse(this.screenJson()); }
  textureNames() { return JSON.parse(this.textureNamesJson()); }

  // The state now: time (s), date (MJD), focus vessel; per vessel position (global, m), velocity
  // (m/s) and orientation (quaternion x, y, z, w); per link connected, pull (N) and stretch (%);
  // the exhaust streams in their vessels' frames.
  state() {
    const pointer = this.statePointer();
    const n = this.stateSize();  // of the state just taken
    const v = this.m.HEAPF64.subarray(pointer / 8, pointer / 8 + n);
    const vesselCount = v[3], streamCount = v[4];
    const vessels = [];
    let k = head;
    for (let i = 0; i < vesselCount; ++i, k += perVessel) {
      vessels.push({ position: [v[k], v[k + 1], v[k + 2]], velocity: [v[k + 3], v[k + 4], v[k + 5]],
        quaternion: [v[k + 6], v[k + 7], v[k + 8], v[k + 9]] });
    }
    const tethers = [];
    for (let link = 0; link < links; ++link, k += perLink)
      tethers.push({ connected: v[k] !== 0, pull: v[k + 1], stretch: v[k + 2] });
    const streams = [];
    for (let s = 0; s < streamCount; ++s, k += perStream) {
      streams.push({ vessel: v[k], link: v[k + 1], texture: v[k + 2], pos: [v[k + 3], v[k + 4], v[k + 5]],
        dir: [v[k + 6], v[k + 7], v[k + 8]], length: v[k + 9], width: v[k + 10] });
    }
    return { time: v[0], date: v[1], focus: v[2], textureCount: v[5], vessels, tethers, streams };
  }

  // The tethers' history as the run's replay records it: the samples' times (s), and per sample
  // and link whether it was connected, its pull (N) and its stretch (%). Copies.
  history() {
    const count = this.historyCount();
    const [times, connected, pull, stretch] = this.historyPointers.map((pointer) => pointer());
    const { HEAPF64, HEAPU8, HEAPF32 } = this.m;
    return {
      times: HEAPF64.slice(times / 8, times / 8 + count),
      connected: HEAPU8.slice(connected, connected + count * links),
      pull: HEAPF32.slice(pull / 4, pull / 4 + count * links),
      stretch: HEAPF32.slice(stretch / 4, stretch / 4 + count * links),
    };
  }

  // The tether's textures as canvases (RGBA, the top row first), by name.
  textureImages() {
    const width = this.textureWidth(), height = this.textureHeight();
    const images = new Map();
    for (let i = 0; i < this.textureCount(); ++i) {
      const name = this.textureName(i);
      const pointer = this.texturePixels(i);
      const canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      const pixels = new ImageData(new Uint8ClampedArray(this.m.HEAPU8.subarray(pointer, pointer + width * height * 4)),
        width, height);
      canvas.getContext('2d').putImageData(pixels, 0, 0);
      images.set(name, canvas);
    }
    return images;
  }
}
