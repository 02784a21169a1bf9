// A small plot of pull and stretch over the whole run for each tether that was ever connected, with
// a time axis and a cursor at the current time; a click or a drag on a plot seeks there. Each plot
// folds under its legend, and the list scrolls when more plots are open than fit. The curves are
// drawn again only when a plot's width changes; each frame moves only the cursor.

const pullColour = '#ffb454', stretchColour = '#59c2ff';
const plotHeight = 96;  // CSS pixels
// Tick labels on the time axis are at least this far apart, CSS pixels.
const tickSpacing = 64;

function niceMax(value) {
  if (!(value > 0)) return 1;
  const power = 10 ** Math.floor(Math.log10(value));
  for (const m of [1, 2, 5, 10]) if (value <= m * power) return m * power;
  return 10 * power;
}

function formatForce(newtons) {
  return newtons >= 1000 ? `${(newtons / 1000).toPrecision(3)} kN` : `${newtons.toPrecision(3)} N`;
}

// The times of a time axis from `start` over `span` seconds with at most `count` ticks: whole
// multiples of 1, 2 or 5 times a power of ten seconds (or of minutes or hours, for long runs), and
// their labels in that unit.
export function timeTicks(start, span, count) {
  const units = span >= 3 * 3600 ? [3600, 'h'] : span >= 600 ? [60, 'min'] : [1, 's'];
  const [unit, name] = units;
  const step = niceMax(span / unit / Math.max(1, count)) * unit;
  const ticks = [];
  const end = start + span + 1e-9 * Math.max(1, Math.abs(start) + span);
  for (let k = Math.ceil(start / step - 1e-9); k * step <= end; ++k) {
    const time = k * step + 0;
    ticks.push({ time, label: `${Number((time / unit).toPrecision(12))} ${name}` });
  }
  return ticks;
}

class TetherPlot {
  constructor(parent, replay, link, onSeek) {
    this.replay = replay;
    this.link = link;
    this.box = document.createElement('details');
    this.box.className = 'plot';
    this.box.open = true;
    this.box.dataset.link = String(link);
    this.legend = document.createElement('summary');
    this.legend.className = 'legend';
    this.box.appendChild(this.legend);
    this.frame = document.createElement('div');
    this.frame.className = 'frame';
    this.canvas = document.createElement('canvas');
    this.frame.appendChild(this.canvas);
    this.cursor = document.createElement('div');
    this.cursor.className = 'cursor';
    this.frame.appendChild(this.cursor);
    this.box.appendChild(this.frame);
    this.axis = document.createElement('div');
    this.axis.className = 'axis';
    this.box.appendChild(this.axis);
    parent.appendChild(this.box);
    this.scale();
    this.lastSample = -1;
    this.width = 0;
    // Measured by the observer, so that showing a frame never asks the browser for its layout.
    new ResizeObserver(([entry]) => this.layout(Math.round(entry.contentRect.width))).observe(this.frame);

    const seekAt = (e) => {
      const box = this.frame.getBoundingClientRect();
      const fraction = Math.min(1, Math.max(0, (e.clientX - box.left) / box.width));
      onSeek(replay.start + fraction * replay.duration);
    };
    this.frame.addEventListener('pointerdown', (e) => {
      this.frame.setPointerCapture(e.pointerId);
      seekAt(e);
    });
    this.frame.addEventListener('pointermove', (e) => { if (e.buttons & 1) seekAt(e); });
  }

  // The ranges of pull and stretch the tether went through.
  scale() {
    const { replay, link } = this;
    const links = replay.header.links;
    let maxPull = 0, lowStretch = 100, highStretch = 100;
    for (let i = 0; i < replay.sampleCount; ++i) {
      if (!replay.tetherConnected[i * links + link]) continue;
      maxPull = Math.max(maxPull, replay.tetherPull[i * links + link]);
      lowStretch = Math.min(lowStretch, replay.tetherStretch[i * links + link]);
      highStretch = Math.max(highStretch, replay.tetherStretch[i * links + link]);
    }
    this.maxPull = niceMax(maxPull);
    // The stretch axis spans what the tether went through, with 100 % (just taut) on it.
    const margin = Math.max((highStretch - lowStretch) * 0.08, 0.01);
    this.lowStretch = lowStretch - margin;
    this.highStretch = highStretch + margin;
  }

  // Draws the curves and the axis for the plot's width (CSS pixels), when it changed. Each column
  // of pixels shows the range of the samples it covers.
  layout(width) {
    if (width === this.width || width === 0) return;
    this.width = width;
    const { replay, link } = this;
    const ratio = Math.min(window.devicePixelRatio || 1, 2) * 2;
    const height = plotHeight;
    this.canvas.width = Math.round(width * ratio);
    this.canvas.height = Math.round(height * ratio);
    // Drawn in the page's own layer (software), not a layer of its own for the compositor.
    const c = this.canvas.getContext('2d', { willReadFrequently: true });
    c.setTransform(this.canvas.width / width, 0, 0, this.canvas.height / height, 0, 0);
    c.fillStyle = '#000';
    c.fillRect(0, 0, width, height);
    const span = replay.duration > 0 ? replay.duration : 1;
    const ticks = timeTicks(replay.start, span, Math.floor(width / tickSpacing));
    c.strokeStyle = '#141c27';
    c.beginPath();
    for (const tick of ticks) {
      const x = Math.round(((tick.time - replay.start) / span) * width) + 0.5;
      c.moveTo(x, 0);
      c.lineTo(x, height);
    }
    c.stroke();
    // 100 % stretch: just taut.
    const stretchY = (v) => height - 2 - ((v - this.lowStretch) / (this.highStretch - this.lowStretch)) * (height - 4);
    c.strokeStyle = '#1f2a38';
    c.beginPath();
    c.moveTo(0, stretchY(100));
    c.lineTo(width, stretchY(100));
    c.stroke();
    const links = replay.header.links;
    const series = (values, y, colour) => {
      c.fillStyle = colour;
      let column = -1, lo = 0, hi = 0;
      const flush = () => {
        if (column < 0) return;
        const y1 = y(hi), y2 = y(lo);
        c.fillRect(column, y1, 1, Math.max(1, y2 - y1));
      };
      for (let i = 0; i < replay.sampleCount; ++i) {
        if (!replay.tetherConnected[i * links + link]) continue;
        const x = Math.min(width - 1, Math.floor(((replay.times[i] - replay.start) / span) * width));
        const v = values[i * links + link];
        if (x !== column) {
          flush();
          column = x;
          lo = hi = v;
        } else {
          lo = Math.min(lo, v);
          hi = Math.max(hi, v);
        }
      }
      flush();
    };
    series(replay.tetherStretch, stretchY, stretchColour);
    series(replay.tetherPull, (v) => height - 2 - (v / this.maxPull) * (height - 4), pullColour);
    // The scales: pull from 0 on the left, stretch on the right.
    c.font = '10px system-ui, sans-serif';
    c.textBaseline = 'top';
    c.fillStyle = pullColour;
    c.fillText(formatForce(this.maxPull), 3, 2);
    c.textBaseline = 'bottom';
    c.fillText('0', 3, height - 1);
    c.textAlign = 'right';
    c.fillStyle = stretchColour;
    c.fillText(`${this.lowStretch.toFixed(2)} %`, width - 3, height - 1);
    c.textBaseline = 'top';
    c.fillText(`${this.highStretch.toFixed(2)} %`, width - 3, 2);

    this.axis.replaceChildren(...ticks.map((tick) => {
      const label = document.createElement('span');
      label.textContent = tick.label;
      label.dataset.time = String(tick.time);
      const x = ((tick.time - replay.start) / span) * width;
      label.style.left = `${x.toFixed(1)}px`;
      // Labels at the ends stay inside the plot.
      if (x < 24) label.className = 'first';
      else if (x > width - 24) label.className = 'last';
      return label;
    }));
    this.lastTime = undefined;
    if (this.lastAt) this.show(this.lastAt.t, this.lastAt.at, this.lastAt.shown);
  }

  // The cursor moves with the time; the legend shows sample `shown`, the one that agrees with the
  // display.
  show(t, at, shown = at.i) {
    this.lastAt = { t, at, shown };
    if (t === this.lastTime) return;
    this.lastTime = t;
    const { replay, link } = this;
    const span = replay.duration > 0 ? replay.duration : 1;
    this.cursor.style.transform = `translateX(${(((t - replay.start) / span) * this.width).toFixed(1)}px)`;
    if (shown === this.lastSample) return;
    this.lastSample = shown;
    const k = shown * replay.header.links + link;
    const now = replay.tetherConnected[k]
      ? `pull <b style="color:${pullColour}">${formatForce(replay.tetherPull[k])}</b>, stretch <b style="color:${stretchColour}">${replay.tetherStretch[k].toFixed(2)} %</b>`
      : 'not connected';
    this.legend.innerHTML = `tether ${link}: ${now}`;
  }
}

export class Plots {
  // `onSeek(t)`: a click or drag on a plot at time t (s).
  constructor(parent, replay, onSeek) {
    this.plots = replay.linksUsed.map((link) => new TetherPlot(parent, replay, link, onSeek));
  }

  show(t, at, shown) {
    for (const plot of this.plots) plot.show(t, at, shown);
  }
}
