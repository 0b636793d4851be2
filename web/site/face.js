// The calculator face on a canvas: the skin pictures drawn by the desktop's own drawing code,
// the display and the three indicators painted over them exactly as the desktop window paints
// them, and hit-testing of the key grid. The face is first composed at one of the exported
// scales, in that scale's own pixels (so every glyph lands on the pixel the desktop puts it
// on), then shown at the size the page gives the canvas.

const GRID_COLUMNS = 5;
const GRID_ROWS = 9;

function loadImage(url) {
  const image = new Image();
  image.decoding = 'async';
  image.src = url;
  return image.decode().then(() => image);
}

function makeCanvas(width, height) {
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  return canvas;
}

// The key under a point of the skin, in the pixels of the layout given; null when none.
export function hitTest(layout, x, y) {
  let column = -1;
  let row = -1;
  for (let c = 0; c < GRID_COLUMNS; ++c) {
    const left = layout.keyColumns[c];
    if (x >= left && x < left + layout.keyWidth) {
      column = c;
      break;
    }
  }
  for (let r = 0; r < GRID_ROWS; ++r) {
    const top = layout.keyRows[r];
    if (y >= top && y < top + layout.keyHeight) {
      row = r;
      break;
    }
  }
  return column < 0 || row < 0 ? null : { column, row };
}

// One exported scale: its layout and, once loaded, its pictures.
class ScaleArt {
  constructor(entry, base) {
    this.scale = entry.scale;
    this.layout = entry.layout;
    this.names = entry;
    this.base = base;
    this.images = null;
    this.loading = null;
  }

  load() {
    if (!this.loading) {
      const names = ['skin', 'pressed', 'glyphs', 'indicators'];
      this.loading = Promise.all(names.map((n) => loadImage(this.base + this.names[n]))).then(
        (pictures) => {
          this.images = Object.fromEntries(names.map((n, i) => [n, pictures[i]]));
          return this;
        },
      );
    }
    return this.loading;
  }
}

export class FaceView {
  // data: the parsed face.json; base: the folder of its pictures.
  constructor(canvas, data, base) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d', { alpha: false });
    this.data = data;
    this.scales = data.scales
      .map((entry) => new ScaleArt(entry, base))
      .sort((a, b) => a.scale - b.scale);
    this.base = data.layout; // scale 1: the size every other scale multiplies
    this.art = null; // the scale shown
    this.composite = null;
    this.displayBuffer = null;
    this.displayKey = '';
    this.placement = null; // where the skin lies on the canvas, in device pixels
    this.resizeToken = 0;
    this.hints = null; // the PC keys shown over the face, or null
  }

  // The smallest exported scale whose skin has at least as many pixels as shown, else the
  // largest: a picture is only ever scaled down, which keeps it sharp.
  scaleFor(devicePixelsPerBasePixel) {
    for (const art of this.scales) if (art.scale >= devicePixelsPerBasePixel - 1e-6) return art;
    return this.scales[this.scales.length - 1];
  }

  // Sizes the canvas backing store to width x height device pixels, with cssWidth x cssHeight
  // CSS pixels on screen. Resolves to true once the pictures of the scale needed are loaded,
  // to false when a later resize came first.
  async resize(width, height, cssWidth, cssHeight) {
    const token = ++this.resizeToken;
    width = Math.max(1, Math.round(width));
    height = Math.max(1, Math.round(height));
    const ratio = Math.min(width / this.base.skinWidth, height / this.base.skinHeight);
    const art = this.scaleFor(ratio);
    await art.load();
    if (token !== this.resizeToken) return false;
    if (this.canvas.width !== width) this.canvas.width = width;
    if (this.canvas.height !== height) this.canvas.height = height;
    const skinWidth = Math.max(1, Math.round(this.base.skinWidth * ratio));
    const skinHeight = Math.max(1, Math.round(this.base.skinHeight * ratio));
    this.placement = {
      width,
      height,
      cssWidth,
      cssHeight,
      x: Math.floor((width - skinWidth) / 2),
      y: Math.floor((height - skinHeight) / 2),
      skinWidth,
      skinHeight,
      // device pixels per pixel of the pictures shown
      zoom: skinWidth / art.layout.skinWidth,
    };
    if (this.art !== art) {
      this.art = art;
      const l = art.layout;
      this.composite = makeCanvas(l.skinWidth, l.skinHeight);
      this.displayBuffer = makeCanvas(l.cellWidth * 12 + l.cellGap * 11, l.displayHeight);
      this.displayKey = '';
    }
    return true;
  }

  // The display text drawn into the display buffer, cell by cell from the right, as the
  // desktop window does; only when the text changed.
  renderDisplay(text, apart) {
    const key = `${apart ? 1 : 0}${text}`;
    if (key === this.displayKey) return;
    this.displayKey = key;
    const l = this.art.layout;
    const glyphs = this.art.images.glyphs;
    const buffer = this.displayBuffer;
    const g = buffer.getContext('2d');
    g.fillStyle = '#000';
    g.fillRect(0, 0, buffer.width, buffer.height);
    const cell = l.cellWidth;
    const move = cell + l.cellGap;
    const height = l.displayHeight;
    const glyph = (sourceX, width, targetX) =>
      g.drawImage(glyphs, sourceX, 0, width, height, targetX, 0, width, height);
    let x = buffer.width - cell;
    if (!apart) x -= move;
    for (let i = text.length - 1; i >= 0; --i) {
      const c = text[i];
      if (c === ' ') {
        x -= move;
      } else if (c === '-') {
        glyph(l.pointWidth, cell, x);
        x -= move;
      } else if (c >= '0' && c <= '9') {
        glyph(l.pointWidth + (Number(c) + 1) * cell, cell, x);
        x -= move;
      } else if (c === '[') {
        glyph(l.bracketGlyphX, cell, x);
        x -= move;
      } else if (c === '.') {
        glyph(0, l.pointWidth, x + cell + l.pointWidth);
      }
    }
  }

  // Composes the face at the chosen scale and shows it. state: { text, apart, displayVisible,
  // second, inv, angle, pressed: {column, row} | null }.
  draw(state) {
    if (!this.art || !this.placement) return false;
    const l = this.art.layout;
    const images = this.art.images;
    const g = this.composite.getContext('2d', { alpha: false });
    g.imageSmoothingEnabled = false;
    g.drawImage(images.skin, 0, 0);
    if (state.pressed) {
      const x = l.keyColumns[state.pressed.column];
      const y = l.keyRows[state.pressed.row];
      g.drawImage(images.pressed, x, y, l.keyWidth, l.keyHeight, x, y, l.keyWidth, l.keyHeight);
    }
    const indicator = (on, x, width, glyphX) => {
      if (on) {
        g.drawImage(images.indicators, glyphX, 0, width, l.indicatorHeight, x, l.indicatorY, width,
          l.indicatorHeight);
      } else {
        g.fillStyle = '#000';
        g.fillRect(x, l.indicatorY, width, l.indicatorHeight);
      }
    };
    indicator(state.second, l.secondX, l.secondWidth, l.secondGlyphX);
    indicator(state.inv, l.invX, l.invWidth, l.invGlyphX);
    const unit = state.angle >= 0 && state.angle <= 2 ? state.angle : 0;
    indicator(true, l.angleX, l.angleWidth, l.angleGlyphX + unit * l.angleWidth);
    this.renderDisplay(state.text, state.apart);
    if (state.displayVisible) {
      g.drawImage(this.displayBuffer, l.displayX, l.displayY);
    } else {
      g.fillStyle = '#000';
      g.fillRect(l.displayX, l.displayY, this.displayBuffer.width, this.displayBuffer.height);
    }
    this.present();
    return true;
  }

  // The PC keys drawn over the face (hints: Map "column,row" → { main, second } names, or
  // null for none), as the desktop window shows them while Ctrl is held or after F1: a badge
  // on the key for the key itself, one above it for its 2nd function. Drawn in device pixels,
  // so the text is sharp at any size.
  setHints(hints) {
    this.hints = hints;
  }

  drawHints() {
    const p = this.placement;
    const l = this.art.layout;
    const c = this.context;
    const zoom = p.zoom;
    const gap = (l.keyRows[1] - l.keyRows[0] - l.keyHeight) * zoom;
    const badge = (x, y, width, height, text, pixelSize) => {
      let size = Math.max(6, Math.floor(pixelSize));
      const font = (n) => `bold ${n}px system-ui, sans-serif`;
      c.font = font(size);
      while (c.measureText(text).width > width - 2 && size > 6) c.font = font(--size);
      c.fillStyle = 'rgba(8, 40, 56, 0.96)';
      c.beginPath();
      c.roundRect(x, y, width, height, height / 4);
      c.fill();
      c.fillStyle = '#8fe6ff';
      c.textAlign = 'center';
      c.textBaseline = 'middle';
      c.fillText(text, x + width / 2, y + height / 2);
    };
    for (const [place, names] of this.hints) {
      const [column, row] = place.split(',').map(Number);
      const x = p.x + l.keyColumns[column] * zoom;
      const y = p.y + l.keyRows[row] * zoom;
      const width = l.keyWidth * zoom;
      const height = l.keyHeight * zoom;
      if (names.main) badge(x, y, width, height, names.main, (height * 3) / 5);
      if (names.second) {
        const above = gap - gap / 4;
        badge(x, y - gap + gap / 8, width, above, names.second, (above * 4) / 5);
      }
    }
  }

  // The case's gradient around the skin, then the composed face at the size shown.
  present() {
    const p = this.placement;
    const c = this.context;
    const body = c.createLinearGradient(0, p.y, 0, p.y + p.skinHeight);
    body.addColorStop(0, this.data.bodyTop);
    body.addColorStop(1, this.data.bodyBottom);
    c.fillStyle = body;
    c.fillRect(0, 0, p.width, p.height);
    const exact = p.skinWidth === this.composite.width && p.skinHeight === this.composite.height;
    c.imageSmoothingEnabled = !exact;
    c.imageSmoothingQuality = 'high';
    c.drawImage(this.composite, p.x, p.y, p.skinWidth, p.skinHeight);
    if (this.hints) this.drawHints();
  }

  // The key under a point given in client CSS pixels; null when none.
  keyAtClient(clientX, clientY) {
    const p = this.placement;
    if (!p || !this.art) return null;
    const rect = this.canvas.getBoundingClientRect();
    if (rect.width <= 0 || rect.height <= 0) return null;
    const deviceX = ((clientX - rect.left) * p.width) / rect.width;
    const deviceY = ((clientY - rect.top) * p.height) / rect.height;
    const x = Math.floor((deviceX - p.x) / p.zoom);
    const y = Math.floor((deviceY - p.y) / p.zoom);
    return hitTest(this.art.layout, x, y);
  }

  // The centre of a key in client CSS pixels.
  keyCentre(column, row) {
    const p = this.placement;
    const l = this.art.layout;
    const rect = this.canvas.getBoundingClientRect();
    const deviceX = p.x + (l.keyColumns[column] + l.keyWidth / 2) * p.zoom;
    const deviceY = p.y + (l.keyRows[row] + l.keyHeight / 2) * p.zoom;
    return {
      x: rect.left + (deviceX * rect.width) / p.width,
      y: rect.top + (deviceY * rect.height) / p.height,
    };
  }
}
