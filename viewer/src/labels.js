// The names beside the bodies, all in one mesh over one picture of every name: a hundred moving
// page elements, a second full-size canvas or a hundred sprites would each cost the browser more
// than the scene. Each name is a quad placed at its vessel and spread out in screen pixels.
import { BufferAttribute, BufferGeometry, CanvasTexture, DoubleSide, Mesh, ShaderMaterial, SRGBColorSpace, Vector2 } from 'three';

// The height of a vessel's name on the screen, pixels, and its gap from the vessel's centre.
export const labelPixels = 18;
const labelGap = 6;

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

export class NameLabels {
  // `bodies`: VesselBodies' list (vessel, index, colour).
  constructor(parent, bodies) {
    this.bodies = bodies;
    const atlas = nameAtlas(bodies.map((b) => [b.vessel.name, b.colour]));
    const count = bodies.length;
    const at = new Float32Array(count * 4 * 3), corner = new Float32Array(count * 4 * 2);
    const uv = new Float32Array(count * 4 * 2), tint = new Float32Array(count * 4 * 3).fill(1);
    const index = [];
    // Each name's extent in pixels from its vessel's point on the screen: left, top, right, bottom.
    this.extents = bodies.map((b, k) => {
      const [u0, v0, u1, v1, width] = atlas.boxes[k];
      const w = (width / atlas.rowHeight) * labelPixels;
      corner.set([labelGap, -labelPixels / 2, labelGap + w, -labelPixels / 2, labelGap, labelPixels / 2, labelGap + w,
        labelPixels / 2], k * 8);
      uv.set([u0, v0, u1, v0, u0, v1, u1, v1], k * 8);
      index.push(k * 4, k * 4 + 1, k * 4 + 2, k * 4 + 2, k * 4 + 1, k * 4 + 3);
      return [labelGap, -labelPixels / 2, labelGap + w, labelPixels / 2];
    });
    const geometry = new BufferGeometry();
    geometry.setAttribute('position', new BufferAttribute(at, 3));
    geometry.setAttribute('corner', new BufferAttribute(corner, 2));
    geometry.setAttribute('uv', new BufferAttribute(uv, 2));
    geometry.setAttribute('tint', new BufferAttribute(tint, 3));
    geometry.setIndex(index);
    this.uniforms = { atlas: { value: atlas.texture }, viewport: { value: new Vector2(1, 1) }, scale: { value: 1 } };
    // The corner's pixels are added after the projection: the name stays upright and of one size
    // on the screen whichever way the scene is turned or mirrored.
    this.mesh = new Mesh(geometry, new ShaderMaterial({
      uniforms: this.uniforms,
      vertexShader: `
        attribute vec2 corner;
        attribute vec3 tint;
        uniform vec2 viewport;
        uniform float scale;
        varying vec2 vUv;
        varying vec3 vTint;
        void main() {
          vUv = uv;
          vTint = tint;
          gl_Position = projectionMatrix * modelViewMatrix * vec4(position, 1.0);
          gl_Position.xy += corner * scale * 2.0 / viewport * gl_Position.w;
        }`,
      fragmentShader: `
        uniform sampler2D atlas;
        varying vec2 vUv;
        varying vec3 vTint;
        void main() {
          vec4 c = texture2D(atlas, vUv);
          gl_FragColor = vec4(c.rgb * vTint, c.a);
        }`,
      // Drawn whatever the winding: the scene's mirrored frame turns the quads' corners round.
      transparent: true, depthTest: false, depthWrite: false, side: DoubleSide,
    }));
    this.mesh.frustumCulled = false;
    this.mesh.renderOrder = 2;
    parent.add(this.mesh);
  }

  // The view's size, pixels; the names grow a little with the page's type, as on a large screen.
  resize(width, height) {
    this.uniforms.viewport.value.set(width, height);
    const type = parseFloat(getComputedStyle(document.documentElement).fontSize) || 13;
    this.uniforms.scale.value = Math.min(1.5, Math.max(0.9, type / 13));
  }

  // A name's extent in pixels from its vessel's point on the screen: left, top, right, bottom.
  extent(index) { return this.extents[index].map((v) => v * this.uniforms.scale.value); }

  // Each name at its vessel's place in the frame about to be drawn (relative to `origin`, host
  // frame); the followed one in gold. A vessel that is not there has its name behind the camera's
  // far plane.
  place(poses, followed, origin) {
    const at = this.mesh.geometry.attributes.position, tint = this.mesh.geometry.attributes.tint;
    for (const b of this.bodies) {
      const pose = poses.get(b.vessel);
      const p = pose ? [pose.position[0] - origin[0], pose.position[1] - origin[1], pose.position[2] - origin[2]]
        : [0, 0, 1e13];
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
}
