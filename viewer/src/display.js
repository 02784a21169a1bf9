// The display as one redraw left it: the drawn runs laid into character cells by the host's rule
// (column (x − cell width / 2) / cell width and row y / cell height, truncated towards zero; later
// runs over earlier ones; only cells on the display), then painted in their colours.

// A colour 0x00BBGGRR as CSS.
function css(colour) {
  const r = colour & 0xff, g = (colour >> 8) & 0xff, b = (colour >> 16) & 0xff;
  return `rgb(${r},${g},${b})`;
}

export function cellsOf(redraw, geometry) {
  const { width, height, cellWidth, cellHeight } = geometry;
  if (!(cellWidth > 0 && cellHeight > 0)) return { cells: new Map(), columns: 0, rows: 0 };
  const columns = Math.floor(width / cellWidth) + 1, rows = Math.floor(height / cellHeight) + 1;
  const cells = new Map();
  if (!redraw) return { cells, columns, rows };
  for (const [x, y, text, fg, bg, opaque] of redraw[1]) {
    const row = Math.trunc(y / cellHeight);
    const first = Math.trunc((x - cellWidth / 2) / cellWidth);
    for (let k = 0; k < text.length; ++k) {
      const col = first + k;
      if (col < 0 || row < 0 || col * cellWidth >= width || row * cellHeight >= height) continue;
      cells.set(row * columns + col, { glyph: text[k], fg, bg, opaque });
    }
  }
  return { cells, columns, rows };
}

// The screen as text rows, trailing blanks trimmed, up to the last row with text.
export function textRows(redraw, geometry) {
  const { cells, columns, rows } = cellsOf(redraw, geometry);
  const lines = [];
  for (let row = 0; row < rows; ++row) {
    let line = '';
    for (let col = 0; col < columns; ++col) line += cells.get(row * columns + col)?.glyph ?? ' ';
    lines.push(line.replace(/ +$/, ''));
  }
  while (lines.length && lines[lines.length - 1] === '') lines.pop();
  return lines;
}

export class DisplayView {
  constructor(canvas, geometry) {
    this.canvas = canvas;
    this.geometry = geometry;
    this.shown = undefined;
    // Drawn in the page's own layer (software), not a layer of its own for the compositor.
    this.context = canvas.getContext('2d', { willReadFrequently: true });
    this.resize(Math.max(1, geometry.width));
    // Drawn again at the size it is shown at, so that its text stays sharp from 800 × 600 to 4K.
    new ResizeObserver(([entry]) => this.resize(entry.contentRect.width)).observe(canvas);
  }

  // `width`: the width it is shown at, CSS pixels.
  resize(width) {
    const { width: w, height: h } = this.geometry;
    if (!(width > 0) || !(w > 0)) return;
    const scale = Math.max(1, (width * (window.devicePixelRatio || 1)) / w);
    const pixels = Math.round(w * scale);
    if (pixels === this.canvas.width) return;
    this.canvas.width = pixels;
    this.canvas.height = Math.round(Math.max(1, h) * scale);
    this.context.setTransform(scale, 0, 0, scale, 0, 0);
    const shown = this.shown;
    this.shown = undefined;
    this.show(shown ?? null);
  }

  show(redraw) {
    if (redraw === this.shown) return;
    this.shown = redraw;
    const { cellWidth, cellHeight, width, height } = this.geometry;
    const c = this.context;
    c.fillStyle = '#000';
    c.fillRect(0, 0, width, height);
    const { cells, columns } = cellsOf(redraw, this.geometry);
    c.font = `${Math.round(cellHeight * 0.85)}px "DejaVu Sans Mono", Menlo, Consolas, monospace`;
    c.textBaseline = 'middle';
    c.textAlign = 'center';
    for (const [key, cell] of cells) {
      const x = (key % columns) * cellWidth, y = Math.floor(key / columns) * cellHeight;
      if (cell.opaque) {
        c.fillStyle = css(cell.bg);
        c.fillRect(x, y, cellWidth, cellHeight);
      }
      if (cell.glyph !== ' ') {
        c.fillStyle = css(cell.fg);
        c.fillText(cell.glyph, x + cellWidth / 2, y + cellHeight / 2 + 1);
      }
    }
  }
}
