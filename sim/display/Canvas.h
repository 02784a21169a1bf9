// The drawing surface behind a display's device context (HDC). A display draws text into it with
// the GDI text calls; the canvas keeps every drawn run and renders the screen as text rows (what
// tests compare), as ANSI colour text (the terminal) and as a PNG picture.
//
// Text uses a fixed-width cell model: every character takes one cell of cellWidth × cellHeight
// pixels, so under TA_UPDATECP the current position advances by cellWidth per character. A run
// drawn at pixel (x, y) puts its first character in column (x − cellWidth / 2) / cellWidth and
// row y / cellHeight (integer division, truncating toward zero), the next characters in the
// following columns.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/OrbiterAPI.h"

namespace sim {

// One piece of text as a single TextOutA call drew it.
struct TextRun {
  int x = 0, y = 0;         // pixels, top left of the first character
  std::string text;         // the bytes drawn, as passed
  COLORREF textColour = 0;  // 0x00BBGGRR
  COLORREF backColour = 0;  // 0x00BBGGRR; fills the cells only when backMode is OPAQUE
  int backMode = TRANSPARENT;
};

// The runs of a canvas's current pass, in the order drawn: a view of the canvas's own list, good
// until the canvas draws or clears again.
class RunList {
public:
  RunList(const TextRun *firstRun, size_t runCount) : first(firstRun), count(runCount) {}
  const TextRun *begin() const { return first; }
  const TextRun *end() const { return first + count; }
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
  const TextRun &operator[](size_t i) const { return first[i]; }

private:
  const TextRun *first;
  size_t count;
};

// One character cell of the rendered screen.
struct Cell {
  char glyph = ' ';  // printable ASCII; other bytes show as '?'
  COLORREF textColour = 0;
  COLORREF backColour = 0;
  bool opaque = false;  // the background colour fills the cell
  bool drawn = false;   // some run drew into this cell
};

// The device-context state a drawing pass works with. A pass starts from the defaults below: the
// host prepares the context for display drawing (black background, green text, transparent).
struct DcState {
  UINT textAlign = TA_LEFT | TA_TOP;
  int x = 0, y = 0;  // current position, pixels
  int backMode = TRANSPARENT;
  COLORREF backColour = 0x000000;
  COLORREF textColour = 0x00FF00;
};

struct PngOptions {
  int scale = 2;         // output pixels per display pixel, 1 .. 8
  std::string fontPath;  // a monospaced TrueType font; empty: DejaVu Sans Mono where installed
};

class Canvas {
public:
  // A surface of width × height pixels with text cells of cellWidth × cellHeight pixels (each at
  // least 1; smaller values are raised to 1).
  Canvas(int width, int height, int cellWidth, int cellHeight);
  ~Canvas();
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  // The device context that the GDI text calls draw into; valid as long as the canvas.
  HDC Dc();
  // The canvas behind a device context, or null for a null context.
  static Canvas *FromDc(HDC dc);

  // Starts a drawing pass: forgets every run and resets the context to the defaults of DcState.
  void Clear();

  int Width() const { return width; }
  int Height() const { return height; }
  int CellWidth() const { return cellWidth; }
  int CellHeight() const { return cellHeight; }
  const DcState &State() const { return state; }
  // Every run of the current pass, in the order drawn.
  RunList Runs() const { return {runs.data(), runCount}; }

  // GDI semantics, one operation per call; each returns the previous value.
  UINT SetAlign(UINT align) { return Exchange(state.textAlign, align); }
  POINT MovePosition(int x, int y) {
    const POINT old{state.x, state.y};
    state.x = x;
    state.y = y;
    return old;
  }
  int SetBackgroundMode(int mode) { return Exchange(state.backMode, mode); }
  COLORREF SetBackgroundColour(COLORREF colour) { return Exchange(state.backColour, colour); }
  COLORREF SetForegroundColour(COLORREF colour) { return Exchange(state.textColour, colour); }
  // Text the host draws itself, beside or in place of a display's own: at (x, y), aligned top
  // left, in these colours, its cells filled with the background colour when `opaque`. It
  // reaches every rendering as a display's text does (on Windows through GDI into the bitmap),
  // and leaves the context's state as it was.
  void HostText(int x, int y, const std::string &text, COLORREF textColour, COLORREF backColour, bool opaque);
  // Draws `length` bytes of `text`. Under TA_UPDATECP at the current position, which then moves
  // right by cellWidth per character (x, y are ignored); otherwise at (x, y), position unchanged.
  // False for a null text with a positive length or a negative length.
  bool DrawRun(int x, int y, const char *text, int length);

  // The screen as character cells: one row per cell row from 0 to the last row any run reached,
  // later runs overwriting earlier cells. Only cells on the display show, as on the picture: a
  // cell whose top-left pixel lies outside it (or in a negative column or row) is dropped.
  std::vector<std::vector<Cell>> Cells() const;
  // The screen as text rows 0 .. last non-empty row, blanks between characters, trailing blanks
  // trimmed. An empty screen has no rows.
  std::vector<std::string> Rows() const;
  // One row's text, trailing blanks trimmed; empty for a row outside the screen.
  std::string Row(int row) const;
  // Rows() with each row ended by '\n'.
  std::string Text() const;
  // Rows() with 24-bit colour escapes for the text and opaque background colours, each line
  // ended by a reset and '\n'.
  std::string Ansi() const;

  // Writes the screen as a PNG picture of Width() × Height() pixels times the scale: black, each
  // character drawn in its cell in its colour, opaque backgrounds filled. On failure returns
  // false and sets `error` to a one-line reason (unreadable font, unwritable path, bad scale).
  bool WritePng(const std::string &path, std::string &error, const PngOptions &options = {}) const;
  // The same picture as rows of 8-bit RGB pixels, for callers that want the pixels themselves.
  bool RenderRgb(std::vector<unsigned char> &rgb, int &pixelWidth, int &pixelHeight, std::string &error,
                 const PngOptions &options = {}) const;

  // The largest picture the canvas draws, pixels: far beyond any display, well below what would
  // exhaust memory.
  static constexpr long long maxPicturePixels = 64LL * 1024 * 1024;
  static constexpr int maxPictureScale = 8;

private:
  template <class T>
  static T Exchange(T &field, T value) {
    const T old = field;
    field = value;
    return old;
  }
  // Whether a picture at this scale may be drawn; otherwise says why in `error`.
  bool PictureSizeAllowed(int scale, std::string &error) const;

  // What a platform adds behind the context: nothing on Linux, where the HDC is the canvas.
  struct Native;
  // Starts a new pass on what the platform keeps behind the context: nothing on Linux; on
  // Windows the bitmap turns black and the device context returns to the defaults of DcState.
  void ResetSurface();

  int width, height;
  int cellWidth, cellHeight;
  DcState state;
  // The runs of this pass are the first runCount; the rest are an earlier pass's, kept so that
  // their texts' storage serves again and a redraw allocates nothing once the display has been
  // drawn a few times.
  std::vector<TextRun> runs;
  size_t runCount = 0;
  std::unique_ptr<Native> native;
};

}  // namespace sim
