// The 3D scene: the vessels' bodies, their names, the tethers, the central body under the Sun, and a
// camera that orbits the followed vessel. Everything is placed relative to a moving origin, the
// followed vessel, in double precision before it becomes single precision on the GPU: an orbit at
// 6,700 km does not jitter.
//
// The host's frames are left-handed, and so are the positions, orientations and meshes the page
// is given. The scene holds them as they are, in a group mirrored along z, so that the screen
// shows what the host shows (a vessel's right side on the right as seen from behind it); the
// camera is worked out in the host's frame and mirrored likewise.
import {
  AmbientLight, BufferAttribute, BufferGeometry, DirectionalLight, Group, PerspectiveCamera, Points, PointsMaterial,
  Raycaster, Scene, SRGBColorSpace, Vector2, Vector3, WebGLRenderer,
} from 'three';
import { VesselBodies } from './bodies.js';
import { rotate } from './data.js';
import { CentralBody } from './earth.js';
import { NameLabels } from './labels.js';
import { sunDirection } from './sky.js';
import { StreamView } from './streams.js';
import { add, cross, dot, norm, scale, sub, unit } from './vectors.js';

// A point or direction of the host's frame in the scene's (right-handed) frame.
export const mirrored = (v) => [v[0], v[1], -v[2]];

// The direction light comes from when the recording carries no date.
const fixedLight = [0.6, 0.35, 0.72];

// The basis (e1, e2, up) the camera orbits in, for a run without gravity: the axes of the plane the
// vessels spread in most.
function spreadBasis(replay) {
  const mean = [0, 0, 0], square = [0, 0, 0];
  const n = replay.x.length;
  if (n === 0) return [[1, 0, 0], [0, 1, 0], [0, 0, 1]];
  const columns = [replay.x, replay.y, replay.z];
  for (let k = 0; k < 3; ++k) {
    for (let r = 0; r < n; ++r) mean[k] += columns[k][r];
    mean[k] /= n;
    for (let r = 0; r < n; ++r) square[k] += (columns[k][r] - mean[k]) ** 2;
  }
  let least = 2;
  for (let k = 1; k >= 0; --k) if (square[k] < square[least] * 0.5) least = k;
  const up = [0, 0, 0];
  up[least] = 1;
  const e1 = [0, 0, 0];
  e1[(least + 1) % 3] = 1;
  return [e1, cross(up, e1), up];
}

export class SceneView {
  constructor(container, replay, textures) {
    this.container = container;
    this.replay = replay;
    // Depth across millimetres to thousands of kilometres needs the logarithmic buffer, but only
    // with a central body in the scene; without multisampling, software rendering keeps up.
    this.renderer = new WebGLRenderer({ antialias: false, logarithmicDepthBuffer: replay.gravityGM > 0 });
    this.renderer.setPixelRatio(Math.min(window.devicePixelRatio || 1, 2));
    this.renderer.outputColorSpace = SRGBColorSpace;
    this.renderer.setClearColor(0x05070d);
    container.prepend(this.renderer.domElement);
    this.scene = new Scene();
    this.camera = new PerspectiveCamera(45, 1, 0.05, 1e11);
    this.scene.add(new AmbientLight(0xa0b0c8, 0.7));
    this.sun = new DirectionalLight(0xffffff, 2.4);
    this.scene.add(this.sun);
    this.world = new Group();
    this.world.scale.set(1, 1, -1);
    this.scene.add(this.world);

    this.fixedBasis = spreadBasis(replay);
    this.azimuth = -Math.PI / 2 + 0.5;
    this.elevation = 0.55;
    this.distance = 100;
    // The distance follows the tied vessels (framing) until a program sets one; the wheel scales it.
    this.autoFrame = true;
    this.zoom = 1;
    this.showNames = true;

    this.buildStars();
    this.body = CentralBody.create(replay);
    if (this.body) this.world.add(this.body.group);
    this.bodies = new VesselBodies(this.world, replay);
    this.labels = new NameLabels(this.world, this.bodies.list);
    this.streams = new StreamView(this.world, textures);
    this.raycaster = new Raycaster();
    this.resize();
    new ResizeObserver(() => { this.resize(); this.onChange?.(); }).observe(container);
  }

  buildStars() {
    // A fixed sky far beyond everything, moved with the camera: it shows the camera's turns.
    const count = 1800, positions = new Float32Array(count * 3);
    let seed = 12345;
    const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
    for (let i = 0; i < count; ++i) {
      const z = 2 * random() - 1, a = 2 * Math.PI * random(), r = Math.sqrt(1 - z * z);
      positions.set([r * Math.cos(a) * 1e10, r * Math.sin(a) * 1e10, z * 1e10], i * 3);
    }
    const geometry = new BufferGeometry();
    geometry.setAttribute('position', new BufferAttribute(positions, 3));
    this.stars = new Points(geometry, new PointsMaterial({ color: 0x8090a8, size: 1.5, sizeAttenuation: false }));
    this.scene.add(this.stars);
  }

  resize() {
    const w = Math.max(1, this.container.clientWidth), h = Math.max(1, this.container.clientHeight);
    this.renderer.setSize(w, h, false);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.viewWidth = w;
    this.viewHeight = h;
    this.labels?.resize(w, h);
  }

  // Metres that one pixel covers at a distance from the camera.
  metresPerPixel(distance) {
    return (2 * distance * Math.tan((this.camera.fov * Math.PI) / 360)) / this.viewHeight;
  }

  // The vessels tied to the followed one at this moment, through any chain of tethers: each
  // stream ties the vessel that carries it to the vessel nearest its far end. Global positions.
  tiedGroup(followed, poses, streams) {
    const ends = [];
    for (const s of streams) {
      const pose = poses.get(s.vessel);
      if (s.link < 0 || !pose) continue;
      const start = add(pose.position, rotate(pose.quaternion, s.pos));
      const end = add(start, scale(rotate(pose.quaternion, s.dir), s.length));
      let other = null, nearest = Infinity;
      for (const [vessel, p] of poses) {
        const d = norm(sub(p.position, end));
        if (vessel !== s.vessel && d < nearest) { nearest = d; other = vessel; }
      }
      if (other) ends.push([s.vessel, other]);
    }
    const group = new Set([followed]);
    for (let grown = true; grown;) {
      grown = false;
      for (const [a, b] of ends) {
        if (group.has(a) !== group.has(b)) { group.add(a); group.add(b); grown = true; }
      }
    }
    return group;
  }

  // The distance that frames the followed vessel with the vessels tied to it at this moment (with
  // every vessel within 20 km when nothing is tied to it), from any side, times the user's zoom:
  // the view follows them as they close or part.
  framing(followed, poses, streams) {
    const origin = poses.get(followed)?.position ?? [0, 0, 0];
    const group = this.tiedGroup(followed, poses, streams);
    let extent = 0;
    for (const [vessel, pose] of poses) {
      if (vessel === followed || (group.size > 1 && !group.has(vessel))) continue;
      const reach = this.bodies.list[vessel.id]?.reach ?? 0;
      extent = Math.max(extent, Math.min(norm(sub(pose.position, origin)), 20000) + reach / 2);
    }
    const reach = this.bodies.list[followed?.id]?.reach ?? 10;
    // The others within the narrower half-angle of the view.
    const halfAngle = Math.atan(Math.tan((this.camera.fov * Math.PI) / 360) * Math.min(1, this.camera.aspect));
    return Math.max(reach * 6, 40, (extent * 1.25) / Math.tan(halfAngle));
  }

  // The wheel: the camera nearer (factor below 1) or farther.
  zoomBy(factor) {
    if (this.autoFrame) this.zoom = Math.min(1e6, Math.max(1e-6, this.zoom * factor));
    else this.distance = Math.max(1, Math.min(5e8, this.distance * factor));
  }

  // With a central body the camera keeps the followed vessel's local vertical up and its direction
  // of flight ahead, so that the body stays below.
  basis(origin, next) {
    if (!this.body) return this.fixedBasis;
    const up = unit(origin);
    let e1 = sub(next, origin);
    e1 = unit(sub(e1, scale(up, dot(e1, up))));
    if (norm(e1) === 0) e1 = unit(cross(Math.abs(up[2]) < 0.9 ? [0, 0, 1] : [1, 0, 0], up));
    return [e1, cross(up, e1), up];
  }

  // Draws the scene at one moment: `poses` vessel → {position, quaternion} (global, host frame);
  // `streams` as Replay.streamsAt with each tether's length; `origin` the followed vessel's
  // position and `ahead` where it is a little later; `date` the moment's MJD (0: none known).
  render({ poses, streams, followed, origin, ahead, date }) {
    if (this.autoFrame) this.distance = Math.max(1, Math.min(5e8, this.framing(followed, poses, streams) * this.zoom));
    const [e1, e2, up] = this.basis(origin, ahead);
    const ce = Math.cos(this.elevation);
    const eye = add(add(scale(e1, ce * Math.cos(this.azimuth) * this.distance), scale(e2, ce * Math.sin(this.azimuth) * this.distance)),
      scale(up, Math.sin(this.elevation) * this.distance));
    const camera = this.camera;
    camera.position.set(...mirrored(eye));
    camera.up.set(...mirrored(up));
    camera.lookAt(0, 0, 0);
    camera.near = Math.max(0.01, this.distance * 1e-3);
    camera.updateProjectionMatrix();
    camera.updateMatrixWorld();
    this.stars.position.copy(camera.position);

    const toSun = date > 0 ? sunDirection(date) : fixedLight;
    this.toSun = toSun;
    this.eye = eye;
    this.sun.position.set(...mirrored(toSun));
    if (this.body) {
      const sunInView = new Vector3(...mirrored(toSun)).transformDirection(camera.matrixWorldInverse);
      this.body.place(scale(origin, -1), date > 0 ? date : 51544.5, sunInView);
    }
    this.bodies.place(poses, origin);
    this.streams.place(streams, poses, origin, eye, up, (d) => this.metresPerPixel(d));
    this.labels.mesh.visible = this.showNames;
    this.labels.place(poses, followed, origin);
    this.lastPoses = poses;
    this.lastOrigin = origin;
    this.renderer.render(this.scene, camera);
  }

  // A point relative to the origin (host frame) on the view, pixels, and its depth in front of the
  // camera (m); null behind it.
  project(p) {
    const v = new Vector3(...mirrored(p));
    const depth = -v.clone().applyMatrix4(this.camera.matrixWorldInverse).z;
    if (!(depth > 0)) return null;
    v.project(this.camera);
    return [((v.x + 1) / 2) * this.viewWidth, ((1 - v.y) / 2) * this.viewHeight, depth];
  }

  // Where each vessel and its name are on the view, pixels, as last drawn.
  screenPositions() {
    const list = [];
    if (!this.lastPoses) return list;
    for (const b of this.bodies.list) {
      const pose = this.lastPoses.get(b.vessel);
      if (!pose) continue;
      const at = this.project(sub(pose.position, this.lastOrigin));
      if (!at || at[0] < 0 || at[1] < 0 || at[0] > this.viewWidth || at[1] > this.viewHeight) continue;
      const [x, y] = at;
      const [left, top, right, bottom] = this.labels.extent(b.index);
      list.push({ vessel: b.vessel, x, y, label: [x + left, y + top, x + right, y + bottom] });
    }
    return list;
  }

  // The vessel whose name is under a point of the view (the name drawn last, on top, first), else
  // the body under it, else the one whose centre is drawn nearest it within a few pixels.
  pick(x, y) {
    const shown = this.screenPositions();
    if (this.showNames) {
      for (let k = shown.length - 1; k >= 0; --k) {
        const [left, top, right, bottom] = shown[k].label;
        if (x >= left && x <= right && y >= top && y <= bottom) return shown[k].vessel;
      }
    }
    this.raycaster.setFromCamera(new Vector2((x / this.viewWidth) * 2 - 1, 1 - (y / this.viewHeight) * 2), this.camera);
    // A body seen through a see-through box comes before the box.
    let behindGlass = null;
    for (const hit of this.raycaster.intersectObjects(this.bodies.pickable(), false)) {
      const vessel = this.bodies.vesselOf(hit);
      if (vessel && hit.object !== this.bodies.glass) return vessel;
      behindGlass ??= vessel;
    }
    if (behindGlass) return behindGlass;
    let best = null, bestDistance = 14;
    for (const s of shown) {
      const d = Math.hypot(s.x - x, s.y - y);
      if (d < bestDistance) { best = s.vessel; bestDistance = d; }
    }
    return best;
  }
}
