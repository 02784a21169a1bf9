// The live run in the shape the replay page's scene and plots read a recording: the vessels as the
// session began, the current poses and streams, and, for the plots, the tethers' history as the
// core records it.
import { links } from './core.js';

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
    this.update(state);
  }

  meshData() { return null; }

  // The state now: poses by vessel, and the streams with their tethers' lengths.
  update(state) {
    this.state = state;
    this.poses = new Map();
    for (const [k, v] of state.vessels.entries())
      this.poses.set(this.vessels[k], { position: v.position, quaternion: v.quaternion });
    this.streams = state.streams.map((s) => {
      const stretch = s.link >= 0 ? state.tethers[s.link].stretch : NaN;
      return { ...s, vessel: this.vessels[s.vessel], texture: this.textureNames?.[s.texture] ?? '',
        tetherLength: stretch > 0 ? (s.length * 100) / stretch : NaN };
    });
  }

  // The history (Core.history()) as a recording the plots read: the links ever connected.
  static recording(history) {
    const { times, connected, pull, stretch } = history;
    const linksUsed = [];
    for (let link = 0; link < links; ++link) {
      for (let i = 0; i < times.length; ++i) {
        if (connected[i * links + link]) {
          linksUsed.push(link);
          break;
        }
      }
    }
    const start = times.length ? times[0] : 0, end = times.length ? times[times.length - 1] : 0;
    return { header: { links }, start, end, duration: end - start, sampleCount: times.length, times,
      tetherConnected: connected, tetherPull: pull, tetherStretch: stretch, linksUsed };
  }
}
