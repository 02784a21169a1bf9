// The vessels' bodies: each vessel in its own mesh from the host's mesh files where the recording
// carries one, else a box sized by its mass and inertia; its docking ports as small cones, and a
// dot at its centre. The boxes are two instanced draws (solid, and see-through for a box that
// holds another vessel, such as a station with a glider docked inside its box), so that a hundred
// vessels cost a few draws.
import {
  BoxGeometry, BufferAttribute, BufferGeometry, Color, ConeGeometry, DoubleSide, Group, InstancedMesh, Matrix4, Mesh,
  MeshBasicMaterial, MeshPhongMaterial, MeshStandardMaterial, Points, PointsMaterial, Quaternion, SRGBColorSpace, Vector3,
} from 'three';
import { rotate } from './data.js';
import { add, norm, scale, sub, unit } from './vectors.js';

const markerPixels = 6;
export const palette = [0x6fb7ff, 0xffb454, 0x9be36b, 0xff7a90, 0xc59bff, 0x4fe0d0, 0xf6e05e, 0xff9f5a];

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

// The box drawn for a vessel without a mesh: the box of its inertia, grown to reach its docking
// ports, so that a port sits on the body and not in the air beside it. Centre and sides in the
// vessel's frame, m.
export function bodyBox(vessel) {
  const size = bodySize(vessel);
  const lo = size.map((s) => -s / 2), hi = size.map((s) => s / 2);
  for (const dock of vessel.docks ?? []) {
    for (let k = 0; k < 3; ++k) {
      const p = dock.pos?.[k];
      if (!Number.isFinite(p)) continue;
      lo[k] = Math.min(lo[k], p);
      hi[k] = Math.max(hi[k], p);
    }
  }
  return { centre: lo.map((l, k) => (l + hi[k]) / 2), size: lo.map((l, k) => hi[k] - l) };
}

// A mesh's vertices and triangles as one geometry, one draw per material, and its materials: the
// host's diffuse colour and transparency (there are no textures), its specular colour and power,
// lit as the host lights them (Phong).
function meshObject(data) {
  const geometry = new BufferGeometry();
  geometry.setAttribute('position', new BufferAttribute(data.positions, 3));
  geometry.setAttribute('normal', new BufferAttribute(data.normals, 3, true));
  geometry.setIndex(new BufferAttribute(data.indices, 1));
  const materials = data.materials.map((m) => {
    const [r, g, b, a] = m.diffuse ?? [1, 1, 1, 1];
    const [sr, sg, sb] = m.specular ?? [0, 0, 0];
    const opaque = !(a < 1);
    return new MeshPhongMaterial({
      color: new Color().setRGB(r, g, b, SRGBColorSpace), transparent: !opaque, opacity: opaque ? 1 : Math.max(a, 0),
      depthWrite: opaque, specular: new Color().setRGB(sr, sg, sb, SRGBColorSpace), shininess: Math.max(m.power ?? 0, 1),
    });
  });
  const fallback = materials.length;
  materials.push(new MeshPhongMaterial({ color: 0xd8d8d8, specular: 0x000000 }));
  for (const part of data.parts) geometry.addGroup(part.start, part.count, part.material >= 0 ? part.material : fallback);
  geometry.computeBoundingSphere();
  let radius = 0;
  for (let i = 0; i < data.positions.length; i += 3)
    radius = Math.max(radius, Math.hypot(data.positions[i], data.positions[i + 1], data.positions[i + 2]));
  return { geometry, materials, radius };
}

export class VesselBodies {
  // `parent`: the group the bodies are drawn in (the host's frame).
  constructor(parent, replay) {
    this.replay = replay;
    const vessels = replay.vessels;
    const count = Math.max(1, vessels.length);
    const boxGeometry = new BoxGeometry(1, 1, 1);
    this.solid = new InstancedMesh(boxGeometry, new MeshStandardMaterial({ roughness: 0.6, metalness: 0.2 }), count);
    this.glass = new InstancedMesh(boxGeometry, new MeshStandardMaterial({
      roughness: 0.6, metalness: 0.2, transparent: true, opacity: 0.28, depthWrite: false, side: DoubleSide,
    }), count);
    for (const boxes of [this.solid, this.glass]) {
      boxes.frustumCulled = false;
      parent.add(boxes);
    }
    this.markerPositions = new Float32Array(count * 3);
    const markerColours = new Float32Array(count * 3);
    const markerGeometry = new BufferGeometry();
    markerGeometry.setAttribute('position', new BufferAttribute(this.markerPositions, 3));
    markerGeometry.setAttribute('color', new BufferAttribute(markerColours, 3));
    this.markers = new Points(markerGeometry, new PointsMaterial({ size: markerPixels, sizeAttenuation: false, vertexColors: true }));
    this.markers.frustumCulled = false;
    parent.add(this.markers);

    const meshes = (replay.header.meshes ?? []).map((_, k) => meshObject(replay.meshData(k)));
    this.list = vessels.map((vessel, index) => {
      const colour = new Color(palette[index % palette.length]);
      for (const boxes of [this.solid, this.glass]) boxes.setColorAt(index, colour);
      markerColours.set([colour.r, colour.g, colour.b], index * 3);
      const mesh = meshes[vessel.mesh] ?? null;
      const box = bodyBox(vessel);
      const body = { vessel, index, colour: `#${colour.getHexString()}`, box, mesh: null, ports: null };
      if (mesh) {
        body.mesh = new Mesh(mesh.geometry, mesh.materials);
        body.mesh.userData.body = body;
        body.mesh.visible = false;
        parent.add(body.mesh);
        body.reach = 2 * mesh.radius;
      } else {
        body.reach = Math.max(...box.size);
        // Beyond this distance from the vessel's centre nothing is inside its box, m².
        body.boxReach2 = (norm(box.size) / 2 + norm(box.centre)) ** 2;
      }
      // The ports: a small cone standing on each, pointing out along its direction.
      if (vessel.docks.length > 0) {
        body.ports = new Group();
        const radius = Math.min(0.8, Math.max(0.15, body.reach * 0.012)), height = 2.5 * radius;
        const material = new MeshBasicMaterial({ color: 0xffe08a, transparent: true, opacity: 0.75 });
        for (const dock of vessel.docks) {
          const cone = new Mesh(new ConeGeometry(radius, height, 16), material);
          cone.position.set(...add(dock.pos, scale(unit(dock.dir), height / 2)));
          cone.quaternion.setFromUnitVectors(new Vector3(0, 1, 0), new Vector3(...unit(dock.dir)));
          body.ports.add(cone);
        }
        body.ports.visible = false;
        parent.add(body.ports);
      }
      return body;
    });
    for (const boxes of [this.solid, this.glass]) boxes.instanceColor.needsUpdate = true;
  }

  // Places every body at its pose relative to `origin` (host frame); a vessel that is not there
  // is hidden.
  place(poses, origin) {
    const matrix = new Matrix4(), position = new Vector3(), turn = new Quaternion(), size = new Vector3();
    const hidden = new Matrix4().makeScale(0, 0, 0);
    let solid = false, glass = false;
    for (const b of this.list) {
      const pose = poses.get(b.vessel);
      if (!pose) {
        this.solid.setMatrixAt(b.index, hidden);
        this.glass.setMatrixAt(b.index, hidden);
        this.markerPositions.set([0, 0, 1e12], b.index * 3);
        if (b.mesh) b.mesh.visible = false;
        if (b.ports) b.ports.visible = false;
        continue;
      }
      const p = sub(pose.position, origin);
      position.set(p[0], p[1], p[2]);
      turn.set(...pose.quaternion);
      this.markerPositions.set(p, b.index * 3);
      if (b.mesh) {
        b.mesh.visible = true;
        b.mesh.position.copy(position);
        b.mesh.quaternion.copy(turn);
        this.solid.setMatrixAt(b.index, hidden);
        this.glass.setMatrixAt(b.index, hidden);
      } else {
        const centre = add(p, rotate(pose.quaternion, b.box.centre));
        matrix.compose(new Vector3(...centre), turn, size.set(...b.box.size));
        const see = this.holdsAnother(b, pose, poses);
        this.solid.setMatrixAt(b.index, see ? hidden : matrix);
        this.glass.setMatrixAt(b.index, see ? matrix : hidden);
        glass ||= see;
        solid ||= !see;
      }
      if (b.ports) {
        b.ports.visible = true;
        b.ports.position.copy(position);
        b.ports.quaternion.copy(turn);
      }
    }
    // A set of boxes that draws none is not drawn at all.
    this.solid.visible = solid;
    this.glass.visible = glass;
    this.solid.instanceMatrix.needsUpdate = solid;
    this.glass.instanceMatrix.needsUpdate = glass;
    this.markers.geometry.attributes.position.needsUpdate = true;
  }

  // Whether another vessel's centre lies inside this vessel's box. Called for every box in every
  // frame: most pairs are told apart by their distance alone.
  holdsAnother(b, pose, poses) {
    const [x, y, z] = pose.position;
    for (const [other, at] of poses) {
      if (other === b.vessel) continue;
      const dx = at.position[0] - x, dy = at.position[1] - y, dz = at.position[2] - z;
      if (dx * dx + dy * dy + dz * dz > b.boxReach2) continue;
      const inverse = [-pose.quaternion[0], -pose.quaternion[1], -pose.quaternion[2], pose.quaternion[3]];
      const local = sub(rotate(inverse, [dx, dy, dz]), b.box.centre);
      if (local.every((v, k) => Math.abs(v) < b.box.size[k] / 2)) return true;
    }
    return false;
  }

  // The objects a click can hit, each with its vessel: the meshes and the boxes.
  pickable() {
    return [this.solid, this.glass, ...this.list.filter((b) => b.mesh?.visible).map((b) => b.mesh)];
  }

  // The vessel a ray hit on one of pickable()'s objects.
  vesselOf(hit) {
    if (hit.object === this.solid || hit.object === this.glass) return this.list[hit.instanceId]?.vessel ?? null;
    return hit.object.userData.body?.vessel ?? null;
  }
}
