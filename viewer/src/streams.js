// The tethers as drawn from the exhaust streams the plug-in asked the host for. A taut tether is
// its stream, drawn as the host draws one: a quad from attach point 1 along the stream's direction,
// as long as asked and as wide as asked to either side of its axis, with the plug-in's texture's
// rows along it and its columns 1 % to 24 % across it (tools/Textures.h). A slack one is the rope it
// is: a thin line as long as the tether, swinging across the straight way as the slack textures
// draw it, instead of a band tens of metres wide of a blurred picture of a rope.
import { AdditiveBlending, BufferAttribute, BufferGeometry, Color, DoubleSide, Mesh, MeshBasicMaterial } from 'three';
import { rotate } from './data.js';
import { ropeAmplitude, ropePoints } from './rope.js';
import { across, add, cross, norm, scale, sub, unit } from './vectors.js';

// A stream's strand is never drawn thinner than this on the screen, pixels.
const minStreamPixels = 3;
// A rope is drawn this thick, and never thinner than minRopePixels on the screen.
const ropeWidth = 0.25;  // m
const minRopePixels = 2;
const ropeSegments = 64;
// The share of a stream's width that its texture's strand covers at nearly full brightness: the
// taut line is a narrow bright core.
const strandShare = { TetherTaut: 0.12 };
// The texture's columns across the stream: its middle and half its width, as shares of the texture.
const streamMiddle = 0.125, streamHalf = 0.115;
// The slack textures and how many times their rope swings across the stream.
const slackSwings = { Tether3: 1, Tether2: 2 };
// A rope is drawn at most this many times as long as the distance it spans.
const longestRope = 50;

// The colour and opacity of a texture's strand: its most opaque pixel.
function strandColour(texture) {
  const image = texture.image;
  const canvas = document.createElement('canvas');
  canvas.width = image.width;
  canvas.height = image.height;
  const c = canvas.getContext('2d', { willReadFrequently: true });
  c.drawImage(image, 0, 0);
  const pixels = c.getImageData(0, 0, image.width, image.height).data;
  let best = 0;
  for (let i = 0; i < pixels.length; i += 4) if (pixels[i + 3] > pixels[best + 3]) best = i;
  return { colour: new Color(`rgb(${pixels[best]}, ${pixels[best + 1]}, ${pixels[best + 2]})`), opacity: pixels[best + 3] / 255 };
}

export class StreamView {
  constructor(parent, textures) {
    this.parent = parent;
    this.materials = new Map();
    this.ropeMaterials = new Map();
    for (const [name, texture] of textures) {
      this.materials.set(name, new MeshBasicMaterial({
        map: texture, transparent: true, depthWrite: false, side: DoubleSide, blending: AdditiveBlending,
      }));
      if (slackSwings[name]) {
        const { colour, opacity } = strandColour(texture);
        this.ropeMaterials.set(name, new MeshBasicMaterial({
          color: colour, transparent: true, opacity: Math.max(opacity, 0.5), depthWrite: false, side: DoubleSide,
        }));
      }
    }
    this.fallback = new MeshBasicMaterial({ color: 0xffffff, side: DoubleSide, transparent: true, opacity: 0.8 });
    this.quads = [];
    this.ropes = [];
    // What the last frame drew, in the host frame relative to its origin.
    this.drawn = [];
  }

  quad(index) {
    while (this.quads.length <= index) {
      const geometry = new BufferGeometry();
      geometry.setAttribute('position', new BufferAttribute(new Float32Array(12), 3));
      geometry.setAttribute('uv', new BufferAttribute(new Float32Array(8), 2));
      geometry.setIndex([0, 2, 1, 1, 2, 3]);
      this.quads.push(this.add(geometry));
    }
    return this.quads[index];
  }

  rope(index) {
    while (this.ropes.length <= index) {
      const geometry = new BufferGeometry();
      geometry.setAttribute('position', new BufferAttribute(new Float32Array((ropeSegments + 1) * 2 * 3), 3));
      const triangles = [];
      for (let i = 0; i < ropeSegments; ++i) triangles.push(2 * i, 2 * i + 2, 2 * i + 1, 2 * i + 1, 2 * i + 2, 2 * i + 3);
      geometry.setIndex(triangles);
      this.ropes.push(this.add(geometry));
    }
    return this.ropes[index];
  }

  add(geometry) {
    const mesh = new Mesh(geometry, this.fallback);
    mesh.frustumCulled = false;
    mesh.renderOrder = 1;
    this.parent.add(mesh);
    return mesh;
  }

  // Draws `streams` (as Replay.streamsAt, with `tetherLength`: the tether's length, m, or NaN)
  // relative to `origin`; `eye` is the camera relative to it, `up` the scene's up, and
  // `metresPerPixel(d)` what a pixel covers at a distance d.
  place(streams, poses, origin, eye, up, metresPerPixel) {
    let quads = 0, ropes = 0;
    this.drawn = [];
    for (const s of streams) {
      const pose = poses.get(s.vessel);
      if (!pose) continue;
      const start = sub(add(pose.position, rotate(pose.quaternion, s.pos)), origin);
      const axis = unit(rotate(pose.quaternion, s.dir));
      const end = add(start, scale(axis, s.length));
      const swings = slackSwings[s.texture];
      const length = Math.min(s.tetherLength, longestRope * s.length);
      if (swings && this.ropeMaterials.has(s.texture) && length > s.length) {
        const side = across(up, axis) ?? across([1, 0, 0], axis) ?? [0, 1, 0];
        const amplitude = ropeAmplitude(s.length, length, swings);
        const points = ropePoints(start, axis, side, s.length, amplitude, swings, ropeSegments);
        this.drawRope(this.rope(ropes++), points, eye, metresPerPixel, this.ropeMaterials.get(s.texture));
        this.drawn.push({ stream: s, start, end, points });
        continue;
      }
      const middle = scale(add(start, end), 0.5);
      const toEye = sub(eye, middle);
      let side = unit(cross(axis, toEye));
      if (norm(side) === 0) side = unit(cross(axis, up));
      // A stream too thin to see is widened to the least width that shows, and then shows only the
      // band of its texture that carries the strand, so that the strand stays bright.
      const share = strandShare[s.texture] ?? 1;
      const least = minStreamPixels * metresPerPixel(Math.max(norm(toEye) - s.length / 2, norm(toEye) * 0.05));
      const widened = 2 * s.width * share < least;
      const width = widened ? least : 2 * s.width;
      const shown = streamHalf * (widened ? share : 1);
      const half = scale(side, width / 2);
      const mesh = this.quad(quads++);
      mesh.material = this.materials.get(s.texture) ?? this.fallback;
      const corners = [sub(start, half), add(start, half), sub(end, half), add(end, half)];
      const array = mesh.geometry.attributes.position.array;
      corners.forEach((c, k) => array.set(c, k * 3));
      mesh.geometry.attributes.position.needsUpdate = true;
      const uv = mesh.geometry.attributes.uv;
      // The texture's first row at the stream's start: the page's images keep their top row at v = 1.
      uv.array.set([streamMiddle - shown, 1, streamMiddle + shown, 1, streamMiddle - shown, 0, streamMiddle + shown, 0]);
      uv.needsUpdate = true;
      mesh.visible = true;
      this.drawn.push({ stream: s, start, end, points: [start, end] });
    }
    for (let k = quads; k < this.quads.length; ++k) this.quads[k].visible = false;
    for (let k = ropes; k < this.ropes.length; ++k) this.ropes[k].visible = false;
  }

  // A ribbon along the points, turned towards the eye, ropeWidth wide or minRopePixels on the
  // screen where that is wider.
  drawRope(mesh, points, eye, metresPerPixel, material) {
    mesh.material = material;
    const array = mesh.geometry.attributes.position.array;
    for (let i = 0; i < points.length; ++i) {
      const tangent = sub(points[Math.min(i + 1, points.length - 1)], points[Math.max(i - 1, 0)]);
      const toEye = sub(eye, points[i]);
      const width = Math.max(ropeWidth, minRopePixels * metresPerPixel(norm(toEye)));
      let side = unit(cross(tangent, toEye));
      if (norm(side) === 0) side = [0, 0, 1];
      const half = scale(side, width / 2);
      array.set(sub(points[i], half), 6 * i);
      array.set(add(points[i], half), 6 * i + 3);
    }
    mesh.geometry.attributes.position.needsUpdate = true;
    mesh.visible = true;
  }
}
