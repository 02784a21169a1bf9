// The central body: a sphere lit from the Sun's direction, day on one side and night on the other,
// and lines of latitude and longitude every 15° that turn with the Earth.
import { BufferGeometry, Float32BufferAttribute, Group, LineBasicMaterial, LineSegments, Matrix4, Mesh, ShaderMaterial,
  SphereGeometry, Vector3 } from 'three';
import { earthAxes } from './sky.js';

const gravitationalConstant = 6.6743e-11;  // m^3 kg^-1 s^-2
// A central body is drawn with the Earth's mean density, which gives the Earth's radius for the
// Earth's GM; never larger than the lowest point the vessels reach.
const bodyDensity = 5514;  // kg/m^3

function lowestRadius(replay) {
  let lowest = Infinity;
  for (let r = 0; r < replay.x.length; ++r) lowest = Math.min(lowest, Math.hypot(replay.x[r], replay.y[r], replay.z[r]));
  return lowest;
}

// Ocean by day, a little light of the sky near the terminator, and a faint night side; written out
// in the page's colours, as the names are. The logarithmic depth buffer, which the scene uses with a
// central body, needs its shader chunks here too.
const vertexShader = `
  #include <common>
  #include <logdepthbuf_pars_vertex>
  varying vec3 vNormal;
  void main() {
    vNormal = normalize(normalMatrix * normal);
    gl_Position = projectionMatrix * modelViewMatrix * vec4(position, 1.0);
    #include <logdepthbuf_vertex>
  }`;
const fragmentShader = `
  #include <logdepthbuf_pars_fragment>
  uniform vec3 sun;
  varying vec3 vNormal;
  void main() {
    #include <logdepthbuf_fragment>
    float light = dot(normalize(vNormal), sun);
    vec3 day = vec3(0.16, 0.36, 0.62) * (0.35 + 0.65 * max(light, 0.0));
    vec3 night = vec3(0.015, 0.03, 0.06);
    vec3 dusk = vec3(0.35, 0.22, 0.18) * (1.0 - smoothstep(0.0, 0.12, abs(light)));
    gl_FragColor = vec4(mix(night, day, smoothstep(-0.06, 0.06, light)) + dusk * 0.5, 1.0);
  }`;

export class CentralBody {
  // Null when the run has no central body.
  static create(replay) {
    const gm = replay.gravityGM;
    if (!(gm > 0)) return null;
    const natural = Math.cbrt((3 * (gm / gravitationalConstant)) / (4 * Math.PI * bodyDensity));
    return new CentralBody(Math.min(natural, 0.98 * lowestRadius(replay)));
  }

  constructor(radius) {
    this.radius = radius;
    this.group = new Group();
    this.sunUniform = { value: new Vector3(1, 0, 0) };
    this.sphere = new Mesh(new SphereGeometry(radius, 160, 80),
      new ShaderMaterial({ uniforms: { sun: this.sunUniform }, vertexShader, fragmentShader }));
    this.group.add(this.sphere);
    // Lines of latitude and longitude every 15°, so that its turning past is seen: built about the
    // z axis and turned onto the Earth's own axes.
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
    this.grid = new LineSegments(grid, new LineBasicMaterial({ color: 0x7fa6d6, transparent: true, opacity: 0.22 }));
    this.grid.matrixAutoUpdate = false;
    this.group.add(this.grid);
  }

  // The body at `position` (relative to the scene's origin, host frame) on the date `mjd`, lit from
  // the unit `sunInView` (the Sun's direction in the camera's frame).
  place(position, mjd, sunInView) {
    this.group.position.set(position[0], position[1], position[2]);
    this.sunUniform.value.copy(sunInView);
    const { greenwich, east, north } = earthAxes(mjd);
    this.grid.matrix.copy(new Matrix4().makeBasis(new Vector3(...greenwich), new Vector3(...east), new Vector3(...north)));
    this.grid.matrixWorldNeedsUpdate = true;
  }
}
