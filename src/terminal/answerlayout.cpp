// SPDX-License-Identifier: MIT
#include "terminal/answerlayout.h"

#include <algorithm>

namespace quorvel::terminal {
namespace {

constexpr int kPanelColumnWidth = 195;
constexpr int kPanelPitch = 185;
constexpr int kPanelTop = 15;
constexpr int kPanelRowPitch = 31;
constexpr int kBoxHeightWithoutPanels = 22;

constexpr int kRowColumnWidth = 170;
constexpr int kRowBoxMinWidth = 150;
constexpr int kRowLeft = 20;
constexpr int kRowPitch = 55;
constexpr int kGap = 10;

constexpr int kBoxLeft = 10;
constexpr int kBoxTop = 20;
constexpr int kBoxGap = 20;
constexpr int kSeparatorHeight = 3;
constexpr int kSeparatorToRows = 10;
constexpr int kPageBottomMargin = 10;

std::vector<QPoint> PanelPlaces(int boxWidth, int count) {
  const TPanelGrid grid = TPanelGrid::ForClientWidth(boxWidth);
  std::vector<QPoint> places;
  for (int i = 0; i < count; ++i) places.push_back(grid.Place(i));
  return places;
}

int StatusBoxHeight(int boxWidth, int panelCount) {
  if (panelCount == 0) return kBoxHeightWithoutPanels;
  return TPanelGrid::ForClientWidth(boxWidth).BoxHeight(panelCount);
}

}  // namespace

TPanelGrid TPanelGrid::ForClientWidth(int clientWidth) {
  TPanelGrid grid;
  grid.columns = std::max(1, clientWidth / kPanelColumnWidth);
  grid.left = (clientWidth - (kPanelWidth * grid.columns + kGap * (grid.columns - 1))) / 2;
  return grid;
}

QPoint TPanelGrid::Place(int index) const {
  return {left + kPanelPitch * (index % columns), kPanelTop + kPanelRowPitch * (index / columns)};
}

int TPanelGrid::Rows(int panelCount) const { return (std::max(panelCount, 0) + columns - 1) / columns; }

int TPanelGrid::BoxHeight(int panelCount) const { return kPanelRowPitch * Rows(panelCount) + 8; }

TAnswerGrid TAnswerGrid::ForClientWidth(int clientWidth, int top) {
  TAnswerGrid grid;
  grid.columns = std::max(1, clientWidth / kRowColumnWidth);
  const int q = grid.columns;
  grid.boxWidth = kRowBoxMinWidth + (clientWidth - 2 * kRowLeft - kRowBoxMinWidth * q - kGap * (q - 1)) / q;
  grid.top = top;
  return grid;
}

QPoint TAnswerGrid::Place(int index) const {
  return {kRowLeft + (boxWidth + kGap) * (index % columns), top + kRowPitch * (index / columns)};
}

TAnswerPageLayout ComputeAnswerPageLayout(int clientWidth, int fiscalPanelCount, int printerPanelCount, int rowCount) {
  fiscalPanelCount = std::max(fiscalPanelCount, 0);
  printerPanelCount = std::max(printerPanelCount, 0);
  rowCount = std::max(rowCount, 0);
  TAnswerPageLayout page;
  const int boxWidth = clientWidth - 2 * kBoxLeft;
  page.fiscalBox = QRect(kBoxLeft, kBoxTop, boxWidth, StatusBoxHeight(boxWidth, fiscalPanelCount));
  page.fiscalPanels = PanelPlaces(boxWidth, fiscalPanelCount);
  page.printerBox = QRect(kBoxLeft, page.fiscalBox.y() + page.fiscalBox.height() + kBoxGap, boxWidth,
                          StatusBoxHeight(boxWidth, printerPanelCount));
  page.printerPanels = PanelPlaces(boxWidth, printerPanelCount);
  page.separator = QRect(0, page.printerBox.y() + page.printerBox.height() + kBoxGap, clientWidth, kSeparatorHeight);
  page.rows = TAnswerGrid::ForClientWidth(clientWidth, page.separator.y() + kSeparatorHeight + kSeparatorToRows);
  int bottom = page.rows.top;
  for (int i = 0; i < rowCount; ++i) {
    const QPoint place = page.rows.Place(i);
    page.rowLabels.push_back(place);
    bottom = std::max(bottom, place.y() + TAnswerGrid::kLabelToBox + TAnswerGrid::kBoxHeight);
  }
  page.height = bottom + kPageBottomMargin;
  return page;
}

}  // namespace quorvel::terminal
