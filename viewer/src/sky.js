// The Sun's direction and the Earth's turn at a date, in the host's global frame: the ecliptic and
// equinox of J2000, left-handed, x towards the vernal equinox, y towards the ecliptic's north pole
// and z along the ecliptic 90° east of x. The Sun by the low-precision formulae of the
// Astronomical Almanac (within 0.01° between 1950 and 2050), the Earth by its mean sidereal time.

const degree = Math.PI / 180;
const j2000 = 51544.5;  // MJD of 2000 January 1, 12:00
// The equinox moves west along the ecliptic by 50.29″ a year: a longitude of the date is that much
// larger than the same direction's longitude in the frame of J2000.
const precessionPerDay = 50.29 / 3600 / 365.25;  // degrees
// The tilt of the Earth's axis to the ecliptic (J2000; it changes by 0.013° a century).
export const obliquity = 23.4393 * degree;

// A direction in the right-handed ecliptic frame (X to the equinox, Y, Z to the north pole) in the
// host's frame, which swaps the last two axes.
const host = ([x, y, z]) => [x, z, y];

// The unit vector from the Earth towards the Sun at a date (MJD).
export function sunDirection(mjd) {
  const n = mjd - j2000;
  const meanLongitude = 280.46 + 0.9856474 * n;
  const meanAnomaly = (357.528 + 0.9856003 * n) * degree;
  const longitude = (meanLongitude + 1.915 * Math.sin(meanAnomaly) + 0.02 * Math.sin(2 * meanAnomaly) -
    precessionPerDay * n) * degree;
  return host([Math.cos(longitude), Math.sin(longitude), 0]);
}

// The Earth's axes at a date (MJD): towards Greenwich's meridian on the equator, towards 90° east
// on the equator, and towards the north pole. Greenwich lies at the mean sidereal time east of
// the equinox of the date, which lies 46.1″ a year further east along the equator than the equinox
// of J2000. (The pole itself, which moves 20″ a year, is taken as the pole of J2000.)
export function earthAxes(mjd) {
  const n = mjd - j2000;
  const turn = (280.46061837 + 360.98564736629 * n - (46.1 / 3600 / 365.25) * n) * degree;
  const c = Math.cos(turn), s = Math.sin(turn), ce = Math.cos(obliquity), se = Math.sin(obliquity);
  // Equatorial to ecliptic: a turn by the obliquity about the equinox's direction.
  const ecliptic = ([x, y, z]) => [x, ce * y + se * z, -se * y + ce * z];
  return {
    greenwich: host(ecliptic([c, s, 0])),
    east: host(ecliptic([-s, c, 0])),
    north: host(ecliptic([0, 0, 1])),
  };
}
