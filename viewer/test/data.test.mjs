// The page's reading of a run (src/data.js) in node, on pages that kestrane-sim writes: between two
// samples the state moves on linearly, a vessel deleted mid-run is held until its last sample, each
// stream moves on with the same tether's stream, and the display shows its last redraw.
//
// Needs KESTRANE_SIM, KESTRANE_MODULE, KESTRANE_SCENARIOS, KESTRANE_TEST_SCENARIOS, KESTRANE_HOST_SAMPLE and
// KESTRANE_OUT; ctest sets them.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { before, describe, test } from 'node:test';
import { decodeReplay, rotate } from '../src/data.js';

const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set`);
  return value;
};
const out = env('KESTRANE_OUT');
fs.mkdirSync(out, { recursive: true });

async function replayOf(name, ...args) {
  const file = path.join(out, `${name}.html`);
  execFileSync(env('KESTRANE_SIM'), ['run', ...args, '--replay', file, '--plugin', env('KESTRANE_MODULE'), '--quiet'],
    { stdio: ['ignore', 'ignore', 'inherit'] });
  const page = fs.readFileSync(file, 'utf8');
  const data = page.match(/<script id="replay-data" type="application\/octet-stream">([^<]*)<\/script>/);
  assert.ok(data, 'the page holds its data');
  return decodeReplay(data[1]);
}

const pose = (replay, vessel, at) => replay.pose(vessel, at, { position: [0, 0, 0], quaternion: [0, 0, 0, 1] });
// Linear interpolation of doubles and a normalised quaternion: a few ulps of metres.
const tolerance = 1e-9;

describe('reading a replay', () => {
  let replay, deleted;
  before(async () => {
    // A tug reeling in a pod in free space: the display changes every second.
    const keys = '0:MINUS,0.02:A,0.04:J,3:I,6:I,9:I';
    const scenario = path.join(env('KESTRANE_TEST_SCENARIOS'), 'reel-in.scn');
    replay = await replayOf('data-tug', scenario, '--duration', '30', '--keys', keys,
      '--replay-every', '0.5');
    deleted = await replayOf('data-deleted', scenario, '--duration', '10', '--keys',
      keys, '--delete', '5.01:Pod', '--replay-every', '1');
  });

  test('samples at 0, every interval and the end, on the run\'s clock', () => {
    assert.equal(replay.sampleCount, 61);
    assert.equal(replay.times[0], 0);
    assert.equal(replay.times[60], 30);
    assert.equal(replay.duration, 30);
    assert.deepEqual(replay.locate(-1), { i: 0, w: 0 });
    assert.deepEqual(replay.locate(31), { i: 60, w: 0 });
    const at = replay.locate(10.25);
    assert.equal(at.i, 20);
    assert.ok(Math.abs(at.w - 0.5) < 1e-9);
  });

  test('between two samples the vessels and the streams move on linearly', () => {
    const [tug, pod] = replay.vessels;
    const a = replay.locate(12), b = replay.locate(12.5), mid = replay.locate(12.25);
    for (const v of [tug, pod]) {
      const pa = pose(replay, v, a).position, pb = pose(replay, v, b).position, pm = pose(replay, v, mid).position;
      for (let k = 0; k < 3; ++k) assert.ok(Math.abs(pm[k] - (pa[k] + pb[k]) / 2) <= tolerance * Math.max(1, Math.abs(pm[k])));
      const q = pose(replay, v, mid).quaternion;
      assert.ok(Math.abs(Math.hypot(...q) - 1) < 1e-6);
    }
    const [sa] = replay.streamsAt(a), [sb] = replay.streamsAt(b), [sm] = replay.streamsAt(mid);
    assert.equal(sm.link, 0);
    assert.equal(sm.vessel, tug);
    assert.ok(Math.abs(sm.length - (sa.length + sb.length) / 2) <= tolerance * sm.length);
    // The stream's far end stays at the pod between samples, within the step's lag.
    const from = pose(replay, tug, mid).position.map((p, k) => p + rotate(pose(replay, tug, mid).quaternion, sm.pos)[k]);
    const axis = rotate(pose(replay, tug, mid).quaternion, sm.dir);
    const to = from.map((p, k) => p + (axis[k] / Math.hypot(...axis)) * sm.length);
    const podAt = pose(replay, pod, mid).position;
    assert.ok(Math.hypot(to[0] - podAt[0], to[1] - podAt[1], to[2] - podAt[2]) < 0.2, `${to} against ${podAt}`);
  });

  test('a deleted vessel is held until its last sample, and its tether\'s stream with it', () => {
    const pod = deleted.vessels.find((v) => v.name === 'Pod');
    assert.equal(pod.firstSample, 0);
    assert.equal(pod.sampleCount, 6);  // 0 .. 5 s
    const last = deleted.locate(5), after = deleted.locate(5.5), gone = deleted.locate(6);
    assert.ok(deleted.holds(pod, after.i));
    assert.deepEqual(pose(deleted, pod, after).position, pose(deleted, pod, last).position);
    assert.ok(!deleted.holds(pod, gone.i));
    assert.equal(deleted.vesselsAt(gone).length, 1);
    assert.equal(deleted.streamsAt(gone).length, 0);
    assert.equal(deleted.streamsAt(after).length, 1);
  });

  test('a vessel\'s mesh comes back as the host\'s file has it', async () => {
    const sample = env('KESTRANE_HOST_SAMPLE');
    const worn = await replayOf('data-meshes', path.join(env('KESTRANE_SCENARIOS'), 'tug.scn'), '--duration', '1',
      '--host-dir', sample);
    assert.deepEqual(worn.vessels.map((v) => v.mesh), [0, 0]);
    assert.equal(worn.meshes.length, 1);
    const mesh = worn.meshData(0);
    assert.equal(mesh.name, 'ShuttlePB');
    // The file's GEOM lines: 140 vertices and 160 triangles in seven groups.
    assert.equal(mesh.positions.length, 140 * 3);
    assert.equal(mesh.indices.length, 160 * 3);
    assert.ok(mesh.indices.every((i) => i < 140));
    assert.equal(mesh.parts.reduce((sum, p) => sum + p.count, 0), 160 * 3);
    assert.deepEqual(mesh.materials.map((m) => m.name), ['Fuselage', 'Engine']);
    // The vertices in the file's order: its first vertex line first.
    const text = fs.readFileSync(path.join(sample, 'Meshes', 'ShuttlePB.msh'), 'utf8').split(/\r?\n/);
    const first = text[text.findIndex((line) => line.startsWith('GEOM')) + 1].trim().split(/\s+/).map(Number);
    assert.deepEqual([...mesh.positions.subarray(0, 3)], first.slice(0, 3).map(Math.fround));
    // Unit normals in a byte per axis.
    for (let v = 0; v < 140; ++v) {
      const n = Math.hypot(mesh.normals[3 * v], mesh.normals[3 * v + 1], mesh.normals[3 * v + 2]) / 127;
      assert.ok(Math.abs(n - 1) < 0.02, `normal ${v}: ${n}`);
    }
  });

  test('the display shows the last redraw at or before the time', () => {
    const redraws = replay.redraws;
    assert.ok(redraws.length >= 30, `${redraws.length} redraws`);
    assert.equal(replay.redrawAt(0), redraws[0]);
    for (let k = 1; k < redraws.length; ++k) {
      assert.ok(redraws[k][0] > redraws[k - 1][0], 'one redraw per instant, in order');
      assert.equal(replay.redrawAt(redraws[k][0]), redraws[k]);
      assert.equal(replay.redrawAt((redraws[k - 1][0] + redraws[k][0]) / 2), redraws[k - 1]);
    }
  });
});
