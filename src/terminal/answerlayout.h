// SPDX-License-Identifier: MIT
#pragma once
// Where the answer page puts its widgets, from the client width of its scroll box:
// the two status boxes with their panel grids, the separator line and the grid of
// the answer rows. Pure arithmetic: the window lays the page out again with it
// whenever that width changes.
#include <QPoint>
#include <QRect>
#include <vector>

namespace quorvel::terminal {

// Status panels inside a group box of client width B: m = B / 195 columns (at
// least 1), 185 apart, the first at (B - (175m + 10(m - 1))) / 2, truncated toward
// zero; rows 31 apart from 15. A box narrower than one column still gets one
// column, centred, so its panel may start left of the box.
struct TPanelGrid {
  static constexpr int kPanelWidth = 175;
  static constexpr int kPanelHeight = 20;
  int columns = 1;
  int left = 0;

  static TPanelGrid ForClientWidth(int clientWidth);
  QPoint Place(int index) const;  // index 0 = panel 1
  int Rows(int panelCount) const;
  int BoxHeight(int panelCount) const;  // 31 per row + 8; a box without panels keeps its 22
};

// Answer rows across a scroll box of client width A: q = A / 170 columns (at least
// 1), each box V = 150 + (A - 40 - 150q - 10(q - 1)) / q wide (truncated toward
// zero), from x = 20 and `top`, rows 55 apart. A caption label stands at the place,
// its box 18 below.
struct TAnswerGrid {
  static constexpr int kLabelToBox = 18;
  static constexpr int kBoxHeight = 24;
  int columns = 1;
  int boxWidth = 150;
  int top = 0;

  static TAnswerGrid ForClientWidth(int clientWidth, int top);
  QPoint Place(int index) const;
};

// The whole page for one answer: the fiscal box at (10, 20), A - 20 wide; the
// printer box 20 below it; the separator (3 high, A wide) 20 below that; the rows
// 10 below the separator. Panel places are relative to their box; `height` is
// what the page's content needs, 10 below the last row.
struct TAnswerPageLayout {
  QRect fiscalBox;
  QRect printerBox;
  std::vector<QPoint> fiscalPanels;
  std::vector<QPoint> printerPanels;
  QRect separator;
  TAnswerGrid rows;
  std::vector<QPoint> rowLabels;  // one per answer row, in row order
  int height = 0;
};

// Negative counts read as 0.
TAnswerPageLayout ComputeAnswerPageLayout(int clientWidth, int fiscalPanelCount, int printerPanelCount,
                                          int rowCount);

}  // namespace quorvel::terminal
