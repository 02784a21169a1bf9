// The 3D scene: the vessels as bodies sized by their mass and inertia, their docking ports, the
// exhaust streams as the host held them, the central body, and a camera that orbits the followed
// vessel. Everything is placed relative to a moving origin, the followed vessel, in double
// precision before it becomes single precision on the GPU: an orbit at 6,700 km does not jitter.
import {
  AdditiveBlending, AmbientLight, BoxGeometry, BufferAttribute, BufferGeometry, Color, ConeGeometry,
  DirectionalLight, DoubleSide, Float32BufferAttribute, Group, InstancedMesh, LineBasicMaterial, LineSegments,
  CanvasTexture, Matrix4, Mesh, Quaternion, ShaderMaterial, Vector2,
  MeshBasicMaterial, MeshLambertMaterial, MeshStandardMaterial, PerspectiveCamera, Points, PointsMaterial, Scene, SphereGeometry, SRGBColorSpace, Vector3, WebGLRenderer,
} from 'three';
import { rotate } from './data.js';

const gravitationalConstant = 6.6743e-11;  // m^3 kg^-1 s^-2
// A central body is drawn with the Earth's mean density, which gives the Earth's radius for the
// Earth's GM; never larger than the lowest point the vessels reach.
const bodyDensity = 5514;  // kg/m^3
// A stream's strand is never drawn thinner than this on the screen, pixels.
const minStreamPixels = 3;
const markerPixels = 6;
// The height of a vessel's name on the screen, pixels.
const labelPixels = 18;
// The share of a texture's height that its strand covers: the taut line is a narrow bright core.
const strandShare = { TetherTaut: 0.25 };
const palette = [0x6fb7ff, 0xffb454, 0x9be36b, 0xff7a90, 0xc59bff, 0x4fe0d0, 0xf6e05e, 0xff9f5a];

function sub(a, b) { return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]; }
function add(a, b) { return [a[0] + b[0], a[1] + b[1], a[2] + b[2]]; }
function scale(a, s) { return [a[0] * s, a[1] * s, a[2] * s]; }
function dot(a, b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
function cross(a, b) { return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]; }
function norm(a) { return Math.hypot(a[0], a[1], a[2]); }
function unit(a) { const n = norm(a); return n > 0 ? scale(a, 1 / n) : [0, 0, 0]; }

// A uniform box with the vessel's principal moments of inertia per unit mass: I_x = (b² + c²) / 12
// and so on, so a² = 6 (I_y + I_z − I_x). Inertia that no box has falls back to a cube of the
// vessel's mass at a tenth of water's density.
export function bodySize(vessel) {
  const [ix, iy, iz] = vessel.pmi ?? [0, 0, 0];
  const sides = [6 * (iy + iz - ix), 6 * (ix + iz - iy), 6 * (ix + iy - iz)].map((s) => (s > 0 ? Math.sqrt(s) : 0));
  const largest = Math.max(...sides);
  if (largest > 0 && Number.isFinite(largest)) return sides.map((s) => Math.max(s, largest * 0.1));
  const side = Math.cbrt(Math.max(vessel.mass, 1) / 100);
  return [side, side, side];
}

// The basis (e1, e2, up) the camera orbits in: for a run without gravity the axes of the plane the
// vessels spread in most; with gravity the followed vessel's local vertical and its direction of
// flight, so that the central body stays below.
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

function lowestRadius(replay) {
  let lowest = Infinity;
  for (let r = 0; r < replay.x.length; ++r) lowest = Math.min(lowest, Math.hypot(replay.x[r], replay.y[r], replay.z[r]));
  return lowest;
}

// Every vessel's name in one picture, one row each: its colour as a bar at the left, white text
// on dark glass. Returns the texture, the height of a row (pixels) and, for each name, its box in
// the picture (u0, v0, u1, v1) and its width (pixels).
function nameAtlas(names) {
  const rowHeight = 34, font = '24px system-ui, sans-serif';
  const canvas = document.createElement('canvas');
  const c = canvas.getContext('2d');
  c.font = font;
  const widths = names.map(([name]) => Math.ceil(c.measureText(name).width) + 22);
  canvas.width = Math.max(1, ...widths);
  canvas.height = Math.max(1, rowHeight * names.length);
  c.font = font;
  c.textBaseline = 'middle';
  const boxes = names.map(([name, colour], k) => {
    const top = k * rowHeight;
    c.fillStyle = 'rgba(10, 16, 28, 0.72)';
    c.fillRect(0, top, widths[k], rowHeight);
    c.fillStyle = colour;
    c.fillRect(0, top, 6, rowHeight);
    c.fillStyle = '#ffffff';
    c.fillText(name, 14, top + rowHeight / 2 + 1);
    // Texture coordinates count from the bottom of the picture.
    return [0, 1 - (top + rowHeight) / canvas.height, widths[k] / canvas.width, 1 - top / canvas.height, widths[k]];
  });
  const texture = new CanvasTexture(canvas);
  texture.colorSpace = SRGBColorSpace;
  return { texture, rowHeight, boxes };
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
    this.scene.add(new AmbientLight(0xa0b0c8, 0.9));
    const sun = new DirectionalLight(0xffffff, 2.2);
    sun.position.set(0.6, 0.35, 0.72);
    this.scene.add(sun);

    this.fixedBasis = spreadBasis(replay);
    this.azimuth = -Math.PI / 2 + 0.5;
    this.elevation = 0.55;
    this.distance = 100;

    this.buildStars();
    this.buildCentralBody();
    this.buildVessels();
    this.buildStreams(textures);
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

  buildCentralBody() {
    const gm = this.replay.gravityGM;
    this.body = null;
    if (!(gm > 0)) return;
    const natural = Math.cbrt((3 * (gm / gravitationalConstant)) / (4 * Math.PI * bodyDensity));
    const radius = Math.min(natural, 0.98 * lowestRadius(this.replay));
    this.bodyRadius = radius;
    const group = new Group();
    group.add(new Mesh(new SphereGeometry(radius, 160, 80),
      new MeshLambertMaterial({ color: 0x2d5f9a, emissive: 0x061426 })));
    // Lines of latitude and longitude every 15°, so that its turning past is seen.
    const lines = [];
    const r = radius * 1.0004;
    const point = (lat, lon) => [r * Math.cos(lat) * Math.cos(lon), r * Math.cos(lat) * Math.sin(lon), r * Math.sin(lat)];
    const steps = 96;
    for (let lat = -75; lat <= 75; lat += 15)
      for (let k = 0; k < steps; ++k)
        lines.push(...point(lat * Math.PI / 180, (2 * Math.PI * k) / steps), ...point(lat * Math.PI / 180, (2 * Math.PI * (k + 1)) / steps));
    for (let lon = 0; lon < 360; lon += 15)
      for (let k = 0; k < steps / 2; ++k)
        lines.push(...point(-Math.PI / 2 + (Math.PI * k) / (steps / 2), lon * Math.PI / 180),
          ...point(-Math.PI / 2 + (Math.PI * (k + 1)) / (steps / 2), lon * Math.PI / 180));
    const grid = new BufferGeometry();
    grid.setAttribute('position', new Float32BufferAttribute(lines, 3));
    group.add(new LineSegments(grid, new LineBasicMaterial({ color: 0x5d8fc8, transparent: true, opacity: 0.35 })));
    this.body = group;
    this.scene.add(group);
  }

  // One instanced box for all the bodies and one set of points for their markers, so that a
  // hundred vessels cost two draws; docking ports as cones on the few vessels that have them.
  buildVessels() {
    const vessels = this.replay.vessels;
    const count = Math.max(1, vessels.length);
    this.boxes = new InstancedMesh(new BoxGeometry(1, 1, 1),
      new MeshStandardMaterial({ roughness: 0.6, metalness: 0.2 }), count);
    this.boxes.frustumCulled = false;
    this.scene.add(this.boxes);
    this.markerPositions = new Float32Array(count * 3);
    const markerColours = new Float32Array(count * 3);
    const markerGeometry = new BufferGeometry();
    markerGeometry.setAttribute('position', new BufferAttribute(this.markerPositions, 3));
    markerGeometry.setAttribute('color', new BufferAttribute(markerColours, 3));
    this.markers = new Points(markerGeometry, new PointsMaterial({ size: markerPixels, sizeAttenuation: false, vertexColors: true }));
    this.markers.frustumCulled = false;
    this.scene.add(this.markers);
    this.bodies = vessels.map((vessel, index) => {
      const colour = new Color(palette[index % palette.length]);
      this.boxes.setColorAt(index, colour);
      markerColours.set([colour.r, colour.g, colour.b], index * 3);
      const size = bodySize(vessel);
      const reach = Math.max(...size);
      let ports = null;
      if (vessel.docks.length > 0) {
        // Docking ports: a cone at the port, pointing out along its direction.
        ports = new Group();
        for (const dock of vessel.docks) {
          const cone = new Mesh(new ConeGeometry(reach * 0.12, reach * 0.3, 16), new MeshBasicMaterial({ color: 0xffe08a }));
          cone.position.set(...add(dock.pos, scale(unit(dock.dir), reach * 0.15)));
          cone.quaternion.setFromUnitVectors(new Vector3(0, 1, 0), new Vector3(...unit(dock.dir)));
          ports.add(cone);
        }
        ports.visible = false;
        this.scene.add(ports);
      }
      return { vessel, index, size: new Vector3(...size), ports, colour: `#${colour.getHexString()}`, reach };
    });
    this.boxes.instanceColor.needsUpdate = true;
    this.buildLabels();
  }

  // The names beside the bodies, all in one mesh over one picture of every name: a hundred moving
  // page elements, a second full-size canvas or a hundred sprites would each cost the browser more
  // than the scene. Each name is a quad placed at its vessel and spread out in screen pixels.
  buildLabels() {
    const atlas = nameAtlas(this.bodies.map((b) => [b.vessel.name, b.colour]));
    const count = this.bodies.length;
    const at = new Float32Array(count * 4 * 3), corner = new Float32Array(count * 4 * 2);
    const uv = new Float32Array(count * 4 * 2), tint = new Float32Array(count * 4 * 3).fill(1);
    const index = [];
    this.bodies.forEach((b, k) => {
      const [u0, v0, u1, v1, width] = atlas.boxes[k];
      const w = (width / atlas.rowHeight) * labelPixels;
      corner.set([6, -labelPixels / 2, 6 + w, -labelPixels / 2, 6, labelPixels / 2, 6 + w, labelPixels / 2], k * 8);
      uv.set([u0, v0, u1, v0, u0, v1, u1, v1], k * 8);
      index.push(k * 4, k * 4 + 1, k * 4 + 2, k * 4 + 2, k * 4 + 1, k * 4 + 3);
      b.labelPixelWidth = 6 + w;
    });
    const geometry = new BufferGeometry();
    geometry.setAttribute('position', new BufferAttribute(at, 3));
    geometry.setAttribute('corner', new BufferAttribute(corner, 2));
    geometry.setAttribute('uv', new BufferAttribute(uv, 2));
    geometry.setAttribute('tint', new BufferAttribute(tint, 3));
    geometry.setIndex(index);
    this.labelUniforms = { atlas: { value: atlas.texture }, viewport: { value: new Vector2(1, 1) } };
    this.labels = new Mesh(geometry, new ShaderMaterial({
      uniforms: this.labelUniforms,
      vertexShader: `
        attribute vec2 corner;
        attribute vec3 tint;
        uniform vec2 viewport;
        varying vec2 vUv;
        varying vec3 vTint;
        void main() {
          vUv = uv;
          vTint = tint;
          gl_Position = projectionMatrix * modelViewMatrix * vec4(position, 1.0);
          gl_Position.xy += corner * 2.0 / viewport * gl_Position.w;
        }`,
      fragmentShader: `
        uniform sampler2D atlas;
        varying vec2 vUv;
        varying vec3 vTint;
        void main() {
          vec4 c = texture2D(atlas, vUv);
          gl_FragColor = vec4(c.rgb * vTint, c.a);
        }`,
      transparent: true, depthTest: false, depthWrite: false,
    }));
    this.labels.frustumCulled = false;
    this.labels.renderOrder = 2;
    this.scene.add(this.labels);
  }

  buildStreams(textures) {
    this.streamMaterials = new Map();
    for (const [name, texture] of textures) {
      this.streamMaterials.set(name, new MeshBasicMaterial({
        map: texture, transparent: true, depthWrite: false, side: DoubleSide, blending: AdditiveBlending,
      }));
    }
    this.fallbackMaterial = new MeshBasicMaterial({ color: 0xffffff, side: DoubleSide, transparent: true, opacity: 0.8 });
    this.streamMeshes = [];
  }

  streamMesh(index) {
    while (this.streamMeshes.length <= index) {
      const geometry = new BufferGeometry();
      geometry.setAttribute('position', new BufferAttribute(new Float32Array(12), 3));
      // Along the stream the texture's columns, across it its rows.
      geometry.setAttribute('uv', new BufferAttribute(new Float32Array([0, 0, 0, 1, 1, 0, 1, 1]), 2));
      geometry.setIndex([0, 2, 1, 1, 2, 3]);
      const mesh = new Mesh(geometry, this.fallbackMaterial);
      mesh.frustumCulled = false;
      mesh.renderOrder = 1;
      this.scene.add(mesh);
      this.streamMeshes.push(mesh);
    }
    return this.streamMeshes[index];
  }

  resize() {
    const w = Math.max(1, this.container.clientWidth), h = Math.max(1, this.container.clientHeight);
    this.renderer.setSize(w, h, false);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.viewWidth = w;
    this.viewHeight = h;
    this.labelUniforms?.viewport.value.set(w, h);
  }

  // Metres that one pixel covers at a distance from the camera.
  metresPerPixel(distance) {
    return (2 * distance * Math.tan((this.camera.fov * Math.PI) / 360)) / this.viewHeight;
  }

  // A distance that shows the followed vessel with the others near it at the start.
  frame(followed, poses) {
    const origin = poses.get(followed)?.position ?? [0, 0, 0];
    let extent = 0;
    for (const [vessel, pose] of poses) if (vessel !== followed) extent = Math.max(extent, norm(sub(pose.position, origin)));
    const reach = this.bodies[followed?.id]?.reach ?? 10;
    // The others within the narrower half-angle of the view, from any side.
    const halfAngle = Math.atan(Math.tan((this.camera.fov * Math.PI) / 360) * Math.min(1, this.camera.aspect));
    const capped = Math.min(extent, 20000);
    this.distance = Math.max(reach * 6, 40, (capped * 1.25) / Math.tan(halfAngle));
  }

  basis(origin, next) {
    if (!this.body) return this.fixedBasis;
    const up = unit(origin);
    let e1 = sub(next, origin);
    e1 = unit(sub(e1, scale(up, dot(e1, up))));
    if (norm(e1) === 0) e1 = unit(cross(Math.abs(up[2]) < 0.9 ? [0, 0, 1] : [1, 0, 0], up));
    return [e1, cross(up, e1), up];
  }

  // Draws the scene at one moment. `poses`: vessel → {position, quaternion} (global); `streams` as
  // Replay.streamsAt; `origin` the followed vessel's position and `ahead` where it is a little later.
  render(poses, streams, followed, origin, ahead) {
    const [e1, e2, up] = this.basis(origin, ahead);
    const ce = Math.cos(this.elevation);
    const eye = add(add(scale(e1, ce * Math.cos(this.azimuth) * this.distance), scale(e2, ce * Math.sin(this.azimuth) * this.distance)),
      scale(up, Math.sin(this.elevation) * this.distance));
    const camera = this.camera;
    camera.position.set(...eye);
    camera.up.set(...up);
    camera.lookAt(0, 0, 0);
    camera.near = Math.max(0.01, this.distance * 1e-3);
    camera.updateProjectionMatrix();
    camera.updateMatrixWorld();
    this.stars.position.copy(camera.position);

    if (this.body) this.body.position.set(-origin[0], -origin[1], -origin[2]);

    const matrix = new Matrix4(), position = new Vector3(), turn = new Quaternion(), hidden = new Vector3(0, 0, 0);
    for (const b of this.bodies) {
      const pose = poses.get(b.vessel);
      if (!pose) {
        matrix.compose(position.set(0, 0, 0), turn.identity(), hidden);
        this.boxes.setMatrixAt(b.index, matrix);
        this.markerPositions.set([0, 0, 1e12], b.index * 3);
        if (b.ports) b.ports.visible = false;
        continue;
      }
      const p = sub(pose.position, origin);
      position.set(p[0], p[1], p[2]);
      turn.set(...pose.quaternion);
      matrix.compose(position, turn, b.size);
      this.boxes.setMatrixAt(b.index, matrix);
      this.markerPositions.set(p, b.index * 3);
      if (b.ports) {
        b.ports.visible = true;
        b.ports.position.copy(position);
        b.ports.quaternion.copy(turn);
      }
    }
    this.boxes.instanceMatrix.needsUpdate = true;
    this.markers.geometry.attributes.position.needsUpdate = true;

    let used = 0;
    for (const s of streams) {
      const pose = poses.get(s.vessel);
      if (!pose) continue;
      const start = sub(add(pose.position, rotate(pose.quaternion, s.pos)), origin);
      const axis = unit(rotate(pose.quaternion, s.dir));
      const end = add(start, scale(axis, s.length));
      const middle = scale(add(start, end), 0.5);
      const toEye = sub(eye, middle);
      let side = unit(cross(axis, toEye));
      if (norm(side) === 0) side = unit(cross(axis, up));
      // A stream too thin to see is widened to the least width that shows, and then shows only the
      // band of its texture that carries the strand, so that the strand stays bright.
      const share = strandShare[s.texture] ?? 1;
      const least = minStreamPixels * this.metresPerPixel(Math.max(norm(toEye) - s.length / 2, norm(toEye) * 0.05));
      const widened = s.width * share < least;
      const width = widened ? least : s.width;
      const shown = widened ? share / 2 : 0.5;
      const half = scale(side, width / 2);
      const mesh = this.streamMesh(used++);
      mesh.material = this.streamMaterials.get(s.texture) ?? this.fallbackMaterial;
      const corners = [sub(start, half), add(start, half), sub(end, half), add(end, half)];
      const array = mesh.geometry.attributes.position.array;
      corners.forEach((c, k) => array.set(c, k * 3));
      mesh.geometry.attributes.position.needsUpdate = true;
      const uv = mesh.geometry.attributes.uv;
      uv.array.set([0, 0.5 - shown, 0, 0.5 + shown, 1, 0.5 - shown, 1, 0.5 + shown]);
      uv.needsUpdate = true;
      mesh.visible = true;
    }
    for (let k = used; k < this.streamMeshes.length; ++k) this.streamMeshes[k].visible = false;

    this.renderer.render(this.scene, camera);
    this.placeLabels(poses, followed, origin);
  }

  // Each name a fixed number of pixels high wherever its vessel is; the followed one in gold.
  placeLabels(poses, followed, origin) {
    this.lastPoses = poses;
    this.lastOrigin = origin;
    const at = this.labels.geometry.attributes.position, tint = this.labels.geometry.attributes.tint;
    for (const b of this.bodies) {
      const pose = poses.get(b.vessel);
      // A vessel that is not there has its name behind the camera's far plane.
      const p = pose ? sub(pose.position, origin) : [0, 0, 1e13];
      for (let k = 0; k < 4; ++k) at.array.set(p, (b.index * 4 + k) * 3);
      const gold = b.vessel === followed;
      if (gold !== b.gold) {
        b.gold = gold;
        for (let k = 0; k < 4; ++k) tint.array.set(gold ? [1, 0.83, 0.47] : [1, 1, 1], (b.index * 4 + k) * 3);
        tint.needsUpdate = true;
      }
    }
    at.needsUpdate = true;
  }

  // Where each vessel and its name are on the view, pixels, as last drawn.
  screenPositions() {
    const v = new Vector3();
    const list = [];
    if (!this.lastPoses) return list;
    for (const b of this.bodies) {
      const pose = this.lastPoses.get(b.vessel);
      if (!pose) continue;
      const p = sub(pose.position, this.lastOrigin);
      v.set(p[0], p[1], p[2]).project(this.camera);
      if (!(v.z < 1 && Math.abs(v.x) <= 1 && Math.abs(v.y) <= 1)) continue;
      const x = ((v.x + 1) / 2) * this.viewWidth, y = ((1 - v.y) / 2) * this.viewHeight;
      list.push({ vessel: b.vessel, x, y, label: [x, y - labelPixels / 2, x + b.labelPixelWidth, y + labelPixels / 2] });
    }
    return list;
  }

  // The vessel whose name is under a point of the view, or else the one drawn nearest it, within a
  // few pixels.
  pick(x, y) {
    let best = null, bestDistance = 14;
    for (const s of this.screenPositions()) {
      const [left, top, right, bottom] = s.label;
      if (x >= left && x <= right && y >= top && y <= bottom) return s.vessel;
      const d = Math.hypot(s.x - x, s.y - y);
      if (d < bestDistance) { best = s.vessel; bestDistance = d; }
    }
    return best;
  }
}
