// A small plot of pull and stretch over the whole run for each tether that was ever connected,
// with a cursor at the current time. The curves are drawn once; each frame adds only the cursor.

const pullColour = '#ffb454', stretchColour = '#59c2ff';

function niceMax(value) {
  if (!(value > 0)) return 1;
  const power = 10 ** Math.floor(Math.log10(value));
  for (const m of [1, 2, 5, 10]) if (value <= m * power) return m * power;
  return 10 * power;
}

function formatForce(newtons) {
  return newtons >= 1000 ? `${(newtons / 1000).toPrecision(3)} kN` : `${newtons.toPrecision(3)} N`;
}

class TetherPlot {
  constructor(parent, replay, link) {
    this.replay = replay;
    this.link = link;
    const box = document.createElement('div');
    box.className = 'plot';
    this.legend = document.createElement('div');
    this.legend.className = 'legend';
    box.appendChild(this.legend);
    this.canvas = document.createElement('canvas');
    this.width = 400;
    this.height = 96;
    this.canvas.width = this.width * 2;
    this.canvas.height = this.height * 2;
    const frame = document.createElement('div');
    frame.className = 'frame';
    frame.appendChild(this.canvas);
    this.cursor = document.createElement('div');
    this.cursor.className = 'cursor';
    frame.appendChild(this.cursor);
    box.appendChild(frame);
    parent.appendChild(box);
    // Drawn once, in the page's own layer (software), not a layer of its own for the compositor.
    this.canvas.getContext('2d', { willReadFrequently: true }).drawImage(this.drawCurves(), 0, 0);
    this.lastSample = -1;
  }

  // Each column of pixels shows the range of the samples it covers.
  drawCurves() {
    const { replay, link, width, height } = this;
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
    const canvas = document.createElement('canvas');
    canvas.width = width * 2;
    canvas.height = height * 2;
    const c = canvas.getContext('2d');
    c.scale(2, 2);
    c.fillStyle = '#000';
    c.fillRect(0, 0, width, height);
    // 100 % stretch: just taut.
    c.strokeStyle = '#1f2a38';
    c.beginPath();
    const stretchY = (v) => height - 2 - ((v - this.lowStretch) / (this.highStretch - this.lowStretch)) * (height - 4);
    const taut = stretchY(100);
    c.moveTo(0, taut);
    c.lineTo(width, taut);
    c.stroke();
    const series = (values, y, colour) => {
      c.fillStyle = colour;
      const span = replay.duration > 0 ? replay.duration : 1;
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
    return canvas;
  }

  // The cursor moves with the time; the legend changes with the sample.
  show(t, at) {
    if (t === this.lastTime) return;
    this.lastTime = t;
    const { replay, link, width } = this;
    const span = replay.duration > 0 ? replay.duration : 1;
    this.cursor.style.transform = `translateX(${(((t - replay.start) / span) * width).toFixed(1)}px)`;
    if (at.i === this.lastSample) return;
    this.lastSample = at.i;
    const k = at.i * replay.header.links + link;
    const connected = replay.tetherConnected[k];
    const now = connected
      ? `pull <b style="color:${pullColour}">${formatForce(replay.tetherPull[k])}</b>, stretch <b style="color:${stretchColour}">${replay.tetherStretch[k].toFixed(2)} %</b>`
      : 'not connected';
    this.legend.innerHTML = `tether ${link}: ${now} <span style="float:right">0–${formatForce(this.maxPull)}, ${this.lowStretch.toFixed(2)}–${this.highStretch.toFixed(2)} %</span>`;
  }
}

export class Plots {
  constructor(parent, replay) {
    this.plots = replay.linksUsed.map((link) => new TetherPlot(parent, replay, link));
  }

  show(t, at) {
    for (const plot of this.plots) plot.show(t, at);
  }
}
