#include "framework/Grids.h"

#include <algorithm>

namespace {

constexpr TColor kHighlight = static_cast<TColor>(0x80000000 | COLOR_HIGHLIGHT);
constexpr TColor kSilver = 0xC0C0C0;

// Where a coordinate falls along one axis: the fixed cells first, then the
// scrolling ones from first on; each cell owns the line after it.
int CellAt(int coord, int limit, const std::vector<int>& sizes, int fixed, int first, int line) {
  if (coord < 0 || coord >= limit) return -1;
  int pos = 0;
  for (int i = 0; i < fixed; ++i) {
    pos += sizes[i] + line;
    if (coord < pos) return i;
  }
  for (int i = first; i < static_cast<int>(sizes.size()); ++i) {
    pos += sizes[i] + line;
    if (coord < pos) return i;
  }
  return -1;
}

// The cells shown along one axis, fixed ones first, with their leading edges.
std::vector<std::pair<int, int>> ShownCells(int limit, const std::vector<int>& sizes, int fixed,
                                            int first, int line) {
  std::vector<std::pair<int, int>> shown;
  int pos = 0;
  for (int i = 0; i < fixed && pos < limit; ++i) {
    shown.emplace_back(i, pos);
    pos += sizes[i] + line;
  }
  for (int i = first; i < static_cast<int>(sizes.size()) && pos < limit; ++i) {
    shown.emplace_back(i, pos);
    pos += sizes[i] + line;
  }
  return shown;
}

// How many scrolling cells from first fit wholly in limit after the fixed ones.
int WholeCells(int limit, const std::vector<int>& sizes, int fixed, int first, int line) {
  int pos = 0;
  for (int i = 0; i < fixed; ++i) pos += sizes[i] + line;
  int count = 0;
  for (int i = first; i < static_cast<int>(sizes.size()); ++i) {
    pos += sizes[i];
    if (pos > limit) break;
    pos += line;
    ++count;
  }
  return count;
}

// The highest first scrolling cell that still leaves no room at the end.
int LastFirst(int limit, const std::vector<int>& sizes, int fixed, int line) {
  int room = limit;
  for (int i = 0; i < fixed; ++i) room -= sizes[i] + line;
  int first = static_cast<int>(sizes.size()) - 1;
  int used = sizes[first] + line;
  while (first > fixed && used + sizes[first - 1] + line <= room) {
    --first;
    used += sizes[first] + line;
  }
  return std::max(first, fixed);
}

}  // namespace

TCustomGrid::TCustomGrid(TComponent* owner)
    : TCustomControl(owner), colWidths_(5, 64), rowHeights_(5, 24) {
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 320, 120);
}

// --- geometry ---------------------------------------------------------------

int TCustomGrid::VertLineWidth() const {
  return (options_ & (goFixedVertLine | goVertLine)) ? gridLineWidth_ : 0;
}

int TCustomGrid::HorzLineWidth() const {
  return (options_ & (goFixedHorzLine | goHorzLine)) ? gridLineWidth_ : 0;
}

int TCustomGrid::ClientWidth() const { return ClientRect().right; }
int TCustomGrid::ClientHeight() const { return ClientRect().bottom; }

int TCustomGrid::ColWidths(int col) const {
  return col >= 0 && col < ColCount() ? colWidths_[col] : 0;
}

int TCustomGrid::RowHeights(int row) const {
  return row >= 0 && row < RowCount() ? rowHeights_[row] : 0;
}

int TCustomGrid::ColLeft(int col) const {
  if (col < 0 || col >= ColCount() || (col >= fixedCols_ && col < leftCol_)) return -1;
  const int line = VertLineWidth();
  int x = 0;
  for (int i = 0; i < std::min(col, fixedCols_); ++i) x += colWidths_[i] + line;
  for (int i = leftCol_; i < col; ++i) x += colWidths_[i] + line;
  return x;
}

int TCustomGrid::RowTop(int row) const {
  if (row < 0 || row >= RowCount() || (row >= fixedRows_ && row < topRow_)) return -1;
  const int line = HorzLineWidth();
  int y = 0;
  for (int i = 0; i < std::min(row, fixedRows_); ++i) y += rowHeights_[i] + line;
  for (int i = topRow_; i < row; ++i) y += rowHeights_[i] + line;
  return y;
}

RECT TCustomGrid::CellRect(int col, int row) const {
  const int x = ColLeft(col), y = RowTop(row);
  if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return RECT{0, 0, 0, 0};
  return RECT{x, y, x + colWidths_[col], y + rowHeights_[row]};
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
  col = CellAt(x, ClientWidth(), colWidths_, fixedCols_, leftCol_, VertLineWidth());
  row = CellAt(y, ClientHeight(), rowHeights_, fixedRows_, topRow_, HorzLineWidth());
  if (col < 0 || row < 0) col = row = -1;
}

int TCustomGrid::VisibleColCount() const {
  return WholeCells(ClientWidth(), colWidths_, fixedCols_, leftCol_, VertLineWidth());
}

int TCustomGrid::VisibleRowCount() const {
  return WholeCells(ClientHeight(), rowHeights_, fixedRows_, topRow_, HorzLineWidth());
}

int TCustomGrid::MaxLeftCol() const {
  return LastFirst(ClientWidth(), colWidths_, fixedCols_, VertLineWidth());
}

int TCustomGrid::MaxTopRow() const {
  return LastFirst(ClientHeight(), rowHeights_, fixedRows_, HorzLineWidth());
}

TGridRect TCustomGrid::Selection() const {
  return TGridRect{std::min(col_, anchorCol_), std::min(row_, anchorRow_),
                   std::max(col_, anchorCol_), std::max(row_, anchorRow_)};
}

// --- properties ---------------------------------------------------------------

void TCustomGrid::SetColCount(int count) {
  count = std::max(count, 1);
  if (count == ColCount()) return;
  if (fixedCols_ >= count) fixedCols_ = count - 1;
  colWidths_.resize(count, defaultColWidth_);
  Changed();
}

void TCustomGrid::SetRowCount(int count) {
  count = std::max(count, 1);
  if (count == RowCount()) return;
  if (fixedRows_ >= count) fixedRows_ = count - 1;
  rowHeights_.resize(count, defaultRowHeight_);
  Changed();
}

void TCustomGrid::SetFixedCols(int count) {
  count = std::clamp(count, 0, ColCount() - 1);
  if (count == fixedCols_) return;
  fixedCols_ = count;
  Changed();
}

void TCustomGrid::SetFixedRows(int count) {
  count = std::clamp(count, 0, RowCount() - 1);
  if (count == fixedRows_) return;
  fixedRows_ = count;
  Changed();
}

void TCustomGrid::SetDefaultColWidth(int width) {
  width = std::max(width, 0);
  if (width == defaultColWidth_) return;
  defaultColWidth_ = width;
  std::fill(colWidths_.begin(), colWidths_.end(), width);
  Changed();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  height = std::max(height, 0);
  if (height == defaultRowHeight_) return;
  defaultRowHeight_ = height;
  std::fill(rowHeights_.begin(), rowHeights_.end(), height);
  Changed();
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount()) return;
  width = std::max(width, 0);
  if (width == colWidths_[col]) return;
  colWidths_[col] = width;
  Changed();
}

void TCustomGrid::SetRowHeights(int row, int height) {
  if (row < 0 || row >= RowCount()) return;
  height = std::max(height, 0);
  if (height == rowHeights_[row]) return;
  rowHeights_[row] = height;
  Changed();
}

void TCustomGrid::SetGridLineWidth(int width) {
  width = std::max(width, 0);
  if (width == gridLineWidth_) return;
  gridLineWidth_ = width;
  Changed();
}

void TCustomGrid::SetOptions(TGridOptions options) {
  if (options == options_) return;
  options_ = options;
  if (!(options_ & goRangeSelect)) {
    anchorCol_ = col_;
    anchorRow_ = row_;
  }
  Changed();
}

void TCustomGrid::SetFixedColor(TColor color) {
  if (color == fixedColor_) return;
  fixedColor_ = color;
  Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle scrollBars) {
  if (scrollBars == scrollBars_) return;
  scrollBars_ = scrollBars;
  RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  RecreateWnd();
}

void TCustomGrid::SetLeftCol(int col) {
  col = std::clamp(col, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
  if (col == leftCol_) return;
  leftCol_ = col;
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::SetTopRow(int row) {
  row = std::clamp(row, fixedRows_, std::max(fixedRows_, MaxTopRow()));
  if (row == topRow_) return;
  topRow_ = row;
  Invalidate();
  UpdateScrollBars();
}

// Counts, sizes or lines changed: everything may have moved.
void TCustomGrid::Changed() {
  ClampCurrent();
  ClampScroll();
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::ClampCurrent() {
  col_ = std::clamp(col_, fixedCols_, ColCount() - 1);
  row_ = std::clamp(row_, fixedRows_, RowCount() - 1);
  anchorCol_ = std::clamp(anchorCol_, fixedCols_, ColCount() - 1);
  anchorRow_ = std::clamp(anchorRow_, fixedRows_, RowCount() - 1);
}

void TCustomGrid::ClampScroll() {
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
  topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
}

// --- the current cell ---------------------------------------------------------

bool TCustomGrid::SelectCell(int, int) { return true; }

bool TCustomGrid::FocusCell(int col, int row, bool moveAnchor, bool show) {
  // The current cell is never a fixed one.
  if (col < fixedCols_ || col >= ColCount() || row < fixedRows_ || row >= RowCount()) return false;
  if (!SelectCell(col, row)) return false;
  MoveColRow(col, row, moveAnchor, show);
  Click();
  return true;
}

void TCustomGrid::MoveColRow(int col, int row, bool moveAnchor, bool show) {
  if (col < fixedCols_ || col >= ColCount() || row < fixedRows_ || row >= RowCount()) return;
  col_ = col;
  row_ = row;
  if (moveAnchor || !(options_ & goRangeSelect)) {
    anchorCol_ = col;
    anchorRow_ = row;
  }
  if (show) ScrollInView(col, row);
  Invalidate();
}

void TCustomGrid::ScrollInView(int col, int row) {
  int left = leftCol_, top = topRow_;
  if (col < left) left = col;
  while (left < col && col >= left + WholeCells(ClientWidth(), colWidths_, fixedCols_, left,
                                                 VertLineWidth())) {
    ++left;
  }
  if (row < top) top = row;
  while (top < row && row >= top + WholeCells(ClientHeight(), rowHeights_, fixedRows_, top,
                                              HorzLineWidth())) {
    ++top;
  }
  SetLeftCol(left);
  SetTopRow(top);
}

// --- window -------------------------------------------------------------------

void TCustomGrid::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.ClassName = "TCustomGrid";
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  if (borderStyle_ == bsSingle) AddFrame(params);
}

void TCustomGrid::InitializeWnd() {
  TCustomControl::InitializeWnd();
  ClampScroll();
  UpdateScrollBars();
}

// Only the bars the grid has itself: a subclass may use the window's bars
// for something else.
void TCustomGrid::UpdateScrollBars() {
  if (!HandleAllocated() || updatingBars_) return;
  updatingBars_ = true;
  HWND h = Handle();
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, fixedCols_, ColCount() - 1,
                  static_cast<UINT>(ColCount() - std::max(fixedCols_, MaxLeftCol())), leftCol_, 0};
    SetScrollInfo(h, SB_HORZ, &si, TRUE);
  }
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, fixedRows_, RowCount() - 1,
                  static_cast<UINT>(RowCount() - std::max(fixedRows_, MaxTopRow())), topRow_, 0};
    SetScrollInfo(h, SB_VERT, &si, TRUE);
  }
  updatingBars_ = false;
}

void TCustomGrid::Scroll(int bar, WORD code, int position) {
  const bool vert = bar == SB_VERT;
  int pos = vert ? topRow_ : leftCol_;
  const int page = std::max(1, vert ? VisibleRowCount() : VisibleColCount());
  switch (code) {
    case SB_LINEUP: --pos; break;
    case SB_LINEDOWN: ++pos; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
      if (!(options_ & goThumbTracking)) return;
      [[fallthrough]];
    case SB_THUMBPOSITION: pos = position; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = vert ? RowCount() : ColCount(); break;
    default: return;
  }
  if (vert) SetTopRow(pos);
  else SetLeftCol(pos);
}

void TCustomGrid::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::WndProc(m);
      Invalidate();  // the focused cell looks different
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (m.LParam == 0) {  // the window's own bar, not a child's
        Scroll(m.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(m.WParam), HIWORD(m.WParam));
        m.Result = 0;
        return;
      }
      break;
    case WM_SIZE:
      TCustomControl::WndProc(m);
      ClampScroll();
      UpdateScrollBars();
      return;
    case WM_ERASEBKGND:
      m.Result = 1;  // the paint covers every pixel
      return;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

// --- painting -----------------------------------------------------------------

void TCustomGrid::DrawCell(int, int, const RECT& rect, TGridDrawState state) {
  TColor color = Color();
  if (state & gdFixed) {
    color = fixedColor_;
  } else if ((state & gdSelected) &&
             (!(state & gdFocused) || (options_ & goDrawFocusSelected))) {
    color = kHighlight;
  }
  Canvas().FillRect(rect, color);
}

void TCustomGrid::PaintWindow(HDC dc) {
  const RECT client = ClientRect();
  const int vline = VertLineWidth(), hline = HorzLineWidth();
  const auto cols = ShownCells(client.right, colWidths_, fixedCols_, leftCol_, vline);
  const auto rows = ShownCells(client.bottom, rowHeights_, fixedRows_, topRow_, hline);
  const TGridRect sel = Selection();
  const bool focused = Focused();
  const bool raised = Ctl3D() && (options_ & goFixedVertLine) && (options_ & goFixedHorzLine);
  TCanvas canvas(dc);
  canvas.SetFont(Font());
  canvas_ = &canvas;
  int right = 0, bottom = 0;
  RECT focus{0, 0, 0, 0};
  for (auto [row, y] : rows) {
    for (auto [col, x] : cols) {
      const RECT cell{x, y, x + colWidths_[col], y + rowHeights_[row]};
      const bool fixed = col < fixedCols_ || row < fixedRows_;
      TGridDrawState state = 0;
      if (fixed) {
        state |= gdFixed;
      } else {
        if (focused && col == col_ && row == row_) {
          state |= gdFocused;
          focus = cell;
        }
        if (col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom) {
          state |= gdSelected;
        }
      }
      // Each cell drawn inside its own rectangle, with a fresh state.
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
      DrawCell(col, row, cell, state);
      RestoreDC(dc, saved);
      if (fixed && raised) {
        RECT edge = cell;
        DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
      }
      // The lines after the cell: black between fixed cells, silver between
      // the others, the background where the options leave them out.
      const bool vert = options_ & (fixed ? goFixedVertLine : goVertLine);
      const bool horz = options_ & (fixed ? goFixedHorzLine : goHorzLine);
      const TColor line = fixed ? clBlack : (ColorToRGB(Color()) == static_cast<COLORREF>(kSilver) ? clGray : kSilver);
      if (vline) canvas.FillRect(RECT{cell.right, cell.top, cell.right + vline, cell.bottom + hline},
                                 vert ? line : Color());
      if (hline) canvas.FillRect(RECT{cell.left, cell.bottom, cell.right, cell.bottom + hline},
                                 horz ? line : Color());
      right = std::max<int>(right, cell.right + vline);
      bottom = std::max<int>(bottom, cell.bottom + hline);
    }
  }
  canvas.FillRect(RECT{right, 0, client.right, client.bottom}, Color());
  canvas.FillRect(RECT{0, bottom, right, client.bottom}, Color());
  if (focus.right > focus.left) DrawFocusRect(dc, &focus);
  canvas_ = nullptr;
  TCustomControl::PaintWindow(dc);
}

// --- user ---------------------------------------------------------------------

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
  // The event first: it may take the key away.
  TCustomControl::KeyDown(key, shift);
  int col = col_, row = row_;
  switch (key) {
    case VK_LEFT: --col; break;
    case VK_RIGHT: ++col; break;
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_PRIOR: row -= std::max(1, VisibleRowCount()); break;
    case VK_NEXT: row += std::max(1, VisibleRowCount()); break;
    case VK_HOME:
      col = fixedCols_;
      if (shift & ssCtrl) row = fixedRows_;
      break;
    case VK_END:
      col = ColCount() - 1;
      if (shift & ssCtrl) row = RowCount() - 1;
      break;
    default:
      return;
  }
  col = std::clamp(col, fixedCols_, ColCount() - 1);
  row = std::clamp(row, fixedRows_, RowCount() - 1);
  if (col != col_ || row != row_) {
    FocusCell(col, row, !((shift & ssShift) && (options_ & goRangeSelect)), true);
  }
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    HWND h = Handle();
    if (IsWindowVisible(h) && IsWindowEnabled(h) && GetFocus() != h) ::SetFocus(h);
    int col, row;
    MouseToCell(x, y, col, row);
    if (col >= fixedCols_ && row >= fixedRows_) {
      const bool extend = (shift & ssShift) && (options_ & goRangeSelect);
      FocusCell(col, row, !extend, true);
      if (options_ & goRangeSelect) {
        dragging_ = true;
        SetCapture(h);
      }
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  if (dragging_ && (shift & ssLeft)) {
    int col, row;
    MouseToCell(x, y, col, row);
    if (col >= fixedCols_ && row >= fixedRows_ && (col != col_ || row != row_)) {
      FocusCell(col, row, false, true);
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && dragging_) {
    dragging_ = false;
    if (GetCapture() == Handle()) ReleaseCapture();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}
