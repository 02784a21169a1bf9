// The live run in the shape the replay page's scene and plots read a recording: the vessels as the
// session began, the current poses and streams, and a history of the tethers' pull and stretch for
// the plots, sampled every tenth of a second of simulated time and thinned as it grows.
import { links } from './core.js';

// Samples kept at most: past this every other one goes and the interval doubles.
const mostSamples = 4000;

export class LiveRecord {
  // `info`: Core.describe(); `state`: Core.state() at the start.
  constructor(info, state) {
    this.info = info;
    this.header = { links, meshes: [], display: info.display };
    this.gravityGM = info.gravityGM || 0;
    this.vessels = info.vessels.map((v, id) => ({ ...v, id, mesh: -1, firstSample: 0 }));
    // Where the vessels are at the start: the scene sizes its central body and its view by them.
    this.x = Float64Array.from(state.vessels, (v) => v.position[0]);
    this.y = Float64Array.from(state.vessels, (v) => v.position[1]);
    this.z = Float64Array.from(state.vessels, (v) => v.position[2]);
    this.every = 0.1;
    this.times = [];
    this.tetherConnected = [];
    this.tetherPull = [];
    this.tetherStretch = [];
    this.linksUsed = [];
    this.start = state.time;
    this.nextSample = state.time;
    this.update(state);
  }

  meshData() { return null; }

  get sampleCount() { return this.times.length; }
  get end() { return this.times.length ? this.times[this.times.length - 1] : this.start; }
  get duration() { return this.end - this.start; }

  // The state now: poses by vessel, the streams with their tethers' lengths, and a sample of the
  // tethers when one is due.
  update(state) {
    this.state = state;
    this.poses = new Map();
    for (const [k, v] of state.vessels.entries()) this.poses.set(this.vessels[k], { position: v.position, quaternion: v.quaternion });
    this.streams = state.streams.map((s) => {
      const stretch = s.link >= 0 ? state.tethers[s.link].stretch : NaN;
      return { ...s, vessel: this.vessels[s.vessel], texture: this.textureNames?.[s.texture] ?? '',
        tetherLength: stretch > 0 ? (s.length * 100) / stretch : NaN };
    });
    if (state.time + 1e-9 >= this.nextSample) {
      this.times.push(state.time);
      for (const [link, t] of state.tethers.entries()) {
        this.tetherConnected.push(t.connected ? 1 : 0);
        this.tetherPull.push(t.pull);
        this.tetherStretch.push(t.stretch);
        if (t.connected && !this.linksUsed.includes(link)) {
          this.linksUsed.push(link);
          this.linksUsed.sort((a, b) => a - b);
        }
      }
      while (this.nextSample <= state.time + 1e-9) this.nextSample += this.every;
      if (this.times.length > mostSamples) this.thin();
    }
  }

  // Every other sample goes, the newest stays.
  thin() {
    const keep = (i) => (this.times.length - 1 - i) % 2 === 0;
    const kept = { times: [], tetherConnected: [], tetherPull: [], tetherStretch: [] };
    for (let i = 0; i < this.times.length; ++i) {
      if (!keep(i)) continue;
      kept.times.push(this.times[i]);
      for (let link = 0; link < links; ++link) {
        kept.tetherConnected.push(this.tetherConnected[i * links + link]);
        kept.tetherPull.push(this.tetherPull[i * links + link]);
        kept.tetherStretch.push(this.tetherStretch[i * links + link]);
      }
    }
    Object.assign(this, kept);
    this.every *= 2;
  }

  // The history as a recording of fixed length, for plots made now.
  snapshot() {
    return {
      header: this.header, start: this.start, duration: this.duration, sampleCount: this.sampleCount,
      times: Float64Array.from(this.times), tetherConnected: Uint8Array.from(this.tetherConnected),
      tetherPull: Float32Array.from(this.tetherPull), tetherStretch: Float32Array.from(this.tetherStretch),
      linksUsed: [...this.linksUsed],
    };
  }
}
