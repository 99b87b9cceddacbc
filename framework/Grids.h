// The drawn grid: a window of our own class that lays out ColCount x
// RowCount cells (the first FixedCols columns and FixedRows rows stay put
// as headings), draws each through DrawCell, and keeps a current cell the
// user moves with the mouse and the keys. Every move of the current cell
// by the user or by Col/Row asks SelectCell first, which may refuse it.
#pragma once

#include "framework/StdCtrls.h"  // TScrollStyle

#include <windows.h>

#include <functional>
#include <vector>

enum TGridOption : unsigned {
  goFixedVertLine = 0x01,  // lines between the fixed cells
  goFixedHorzLine = 0x02,
  goVertLine = 0x04,       // lines between the other cells
  goHorzLine = 0x08,
  goRangeSelect = 0x10,    // Shift and dragging select a block of cells
  goDrawFocusSelected = 0x20,  // the focused cell is drawn selected too
  goThumbTracking = 0x40,  // the cells follow the scroll box as it is dragged
};
using TGridOptions = unsigned;

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

// A block of cells, corners included.
struct TGridRect {
  int Left, Top, Right, Bottom;
};

using TSelectCellEvent = std::function<void(TObject* sender, int col, int row, bool& canSelect)>;
using TDrawCellEvent =
    std::function<void(TObject* sender, int col, int row, const RECT& rect, TGridDrawState state)>;

class TCustomGrid : public TCustomControl {
public:
  explicit TCustomGrid(TComponent* owner);

  // At least one column and row, and one more than the fixed ones.
  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  void SetColCount(int count);
  int RowCount() const { return static_cast<int>(rowHeights_.size()); }
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  // Setting a default size gives it to every column (row).
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int height);
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int height);
  // The lines take room only when the options draw them.
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int width);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions options);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor color);

  // The current cell. Setting it asks SelectCell, moves the anchor with it
  // and scrolls it into view.
  int Col() const { return col_; }
  void SetCol(int col) { FocusCell(col, row_, true, true); }
  int Row() const { return row_; }
  void SetRow(int row) { FocusCell(col_, row, true, true); }
  // The block between the anchor and the current cell.
  TGridRect Selection() const;
  // The first scrolling column (row) shown after the fixed ones.
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  // The scrolling columns (rows) wholly inside the window from LeftCol (TopRow).
  int VisibleColCount() const;
  int VisibleRowCount() const;

  // The grid's own scroll bars over the scrolling cells; a new window.
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars);
  // A frame of one line, sunken with Ctl3D (which also raises the fixed
  // cells); a new window.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  virtual void SetBorderStyle(TBorderStyle style);

  // The cell in client coordinates, its lines left out; empty for a cell
  // scrolled away or out of range.
  RECT CellRect(int col, int row) const;
  // The cell under a client point (a cell's lines count with it); -1, -1
  // outside every cell.
  void MouseToCell(int x, int y, int& col, int& row) const;
  // The canvas cells are painted on, while a paint lasts: in DrawCell and
  // the drawing events an owner handles.
  TCanvas& Canvas() { return *canvas_; }

protected:
  // Draws one cell on Canvas(); the default fills it with the fixed colour,
  // the highlight for a selected cell, else the control's colour.
  virtual void DrawCell(int col, int row, const RECT& rect, TGridDrawState state);
  // Whether the current cell may move to (col, row); true here.
  virtual bool SelectCell(int col, int row);
  // Moves the current cell there if SelectCell agrees, then fires Click.
  // With moveAnchor (or without goRangeSelect) the selection is the one
  // cell; with show the cell is scrolled into view.
  bool FocusCell(int col, int row, bool moveAnchor, bool show);
  // Moves the current cell without asking SelectCell, for a subclass that
  // has decided itself.
  void MoveColRow(int col, int row, bool moveAnchor, bool show);

  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void WndProc(TMessage& message) override;
  void PaintWindow(HDC dc) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  // Lines are drawn after each column (row) when the options ask for them.
  int VertLineWidth() const;
  int HorzLineWidth() const;
  int ClientWidth() const;
  int ClientHeight() const;
  // Left edge of a column (top of a row) in client coordinates, or -1 when
  // it is scrolled away.
  int ColLeft(int col) const;
  int RowTop(int row) const;
  // The highest LeftCol (TopRow) that still fills the window.
  int MaxLeftCol() const;
  int MaxTopRow() const;
  void ClampCurrent();
  void ClampScroll();
  void ScrollInView(int col, int row);
  void UpdateScrollBars();
  // A scroll bar's request; position is the thumb's (16 bits).
  void Scroll(int bar, WORD code, int position);
  void Changed();

  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int fixedCols_ = 1, fixedRows_ = 1;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                          goRangeSelect;
  TColor fixedColor_ = clBtnFace;
  int col_ = 1, row_ = 1;
  int anchorCol_ = 1, anchorRow_ = 1;
  int leftCol_ = 1, topRow_ = 1;
  TScrollStyle scrollBars_ = ssBoth;
  TBorderStyle borderStyle_ = bsSingle;
  bool dragging_ = false;
  bool updatingBars_ = false;  // showing or hiding a bar resizes the window
  TCanvas* canvas_ = nullptr;
};
