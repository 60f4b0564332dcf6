// SPDX-License-Identifier: MIT
#include "app/logview.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

#include "widgets/fixedfont.h"
#include "widgets/qtcolors.h"

namespace quorvel::app {

namespace {

constexpr std::uint32_t kLengthMask = (std::uint32_t{1} << 28) - 1;
constexpr int kSourceShift = 28;
constexpr std::uint32_t kHexBit = std::uint32_t{1} << 30;
// A frame's worth of time between two catch-ups of the screen.
constexpr qint64 kFrameMs = 16;
// Entries indexed per turn of the event loop while the whole index is rebuilt
// (after a change of width): a few milliseconds' work.
constexpr std::uint64_t kIndexBudget = 1'000'000;

// Bytes of hexadecimal text on the first line and on each later one: a byte
// takes three characters, and the blank after the last byte of a line may
// pass the edge.
std::uint64_t FirstHexBytes(int firstColumns) {
  const int room = firstColumns - int(kLogPrefixLength) + 1;
  return room >= 3 ? std::uint64_t(room / 3) : 0;
}
std::uint64_t NextHexBytes(int nextColumns) { return std::uint64_t(std::max(1, (nextColumns + 1) / 3)); }

}  // namespace

void AppendHexText(std::string& text, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::size_t start = text.size();
  text.resize(start + 3 * bytes.size());
  char* out = text.data() + start;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    *out++ = kDigits[byte >> 4];
    *out++ = kDigits[byte & 0x0F];
    *out++ = ' ';
  }
}

std::string_view LogPrefix(TLogSource source) {
  switch (source) {
    case TLogSource::Host: return "HOST --> ";
    case TLogSource::Printer: return "FP   --> ";
    case TLogSource::Dgi: return "FISCAL-> ";
  }
  return "         ";
}

QFont LogViewFont() { return widgets::FixedWidthFontInPoints(8); }

// ---- TLogEntries ----

void TLogEntries::Add(TLogSource source, std::uint32_t color, TLogText kind, std::string_view bytes) {
  const std::size_t length = std::min(bytes.size(), kMaxBytes);
  TMeta meta{0, 0, color,
             std::uint32_t(length) | (std::uint32_t(source) << kSourceShift) | (kind == TLogText::Hex ? kHexBit : 0)};
  if (length > 0) {
    if (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < length) {
      TChunk chunk;
      chunk.capacity = std::max(kChunkBytes, length);
      chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.capacity);
      chunks_.push_back(std::move(chunk));
    }
    TChunk& chunk = chunks_.back();
    std::copy_n(bytes.data(), length, chunk.bytes.get() + chunk.used);
    meta.chunk = std::uint32_t(chunks_.size() - 1);
    meta.offset = std::uint32_t(chunk.used);
    chunk.used += length;
  }
  if (count_ % kBlockEntries == 0) blocks_.push_back(std::make_unique_for_overwrite<TMeta[]>(kBlockEntries));
  blocks_.back()[count_ % kBlockEntries] = meta;
  ++count_;
}

void TLogEntries::Clear() {
  // Swapped out, so that the memory goes back at once.
  std::vector<std::unique_ptr<TMeta[]>>().swap(blocks_);
  std::vector<TChunk>().swap(chunks_);
  count_ = 0;
}

TLogSource TLogEntries::Source(std::uint64_t entry) const {
  return TLogSource((Meta(entry).lengthAndKind >> kSourceShift) & 3);
}

std::uint32_t TLogEntries::Color(std::uint64_t entry) const { return Meta(entry).color; }

TLogText TLogEntries::Kind(std::uint64_t entry) const {
  return (Meta(entry).lengthAndKind & kHexBit) != 0 ? TLogText::Hex : TLogText::Plain;
}

std::string_view TLogEntries::Bytes(std::uint64_t entry) const {
  const TMeta& meta = Meta(entry);
  const std::size_t length = meta.lengthAndKind & kLengthMask;
  if (length == 0) return {};
  return {chunks_[meta.chunk].bytes.get() + meta.offset, length};
}

std::string TLogEntries::Text(std::uint64_t entry) const {
  std::string text(LogPrefix(Source(entry)));
  const std::string_view bytes = Bytes(entry);
  if (Kind(entry) == TLogText::Hex) {
    text.reserve(text.size() + 3 * bytes.size());
    AppendHexText(text, bytes);
  } else {
    text += bytes;
  }
  return text;
}

// ---- TLogWrap ----

std::uint64_t TLogWrap::Rows(TLogText kind, std::size_t length) const {
  if (kind == TLogText::Hex) {
    const std::uint64_t first = FirstHexBytes(firstColumns);
    const std::uint64_t next = NextHexBytes(nextColumns);
    if (length <= first) return 1;
    return 1 + (length - first + next - 1) / next;
  }
  const std::uint64_t first = std::uint64_t(std::max(1, firstColumns));
  const std::uint64_t next = std::uint64_t(std::max(1, nextColumns));
  const std::uint64_t total = kLogPrefixLength + length;
  if (total <= first) return 1;
  return 1 + (total - first + next - 1) / next;
}

std::string TLogWrap::RowText(TLogSource source, TLogText kind, std::string_view bytes, std::uint64_t row) const {
  std::string text;
  if (kind == TLogText::Hex) {
    const std::uint64_t first = FirstHexBytes(firstColumns);
    const std::uint64_t next = NextHexBytes(nextColumns);
    std::uint64_t begin = 0;
    std::uint64_t count = first;
    if (row == 0) {
      text = LogPrefix(source);
    } else {
      begin = first + (row - 1) * next;
      count = next;
    }
    if (begin < bytes.size()) AppendHexText(text, bytes.substr(begin, count));
    return text;
  }
  const std::uint64_t first = std::uint64_t(std::max(1, firstColumns));
  const std::uint64_t next = std::uint64_t(std::max(1, nextColumns));
  const std::string whole = std::string(LogPrefix(source)) + std::string(bytes);
  const std::uint64_t begin = row == 0 ? 0 : first + (row - 1) * next;
  if (begin < whole.size()) text = whole.substr(begin, row == 0 ? first : next);
  return text;
}

// ---- TLogView ----

TLogView::TLogView(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  setFont(LogViewFont());
  refreshTimer_.setSingleShot(true);
  connect(&refreshTimer_, &QTimer::timeout, this, [this] {
    sinceRefresh_.restart();
    if (IndexSome(kIndexBudget)) {
      SyncScrollBar();
    } else {
      refreshTimer_.start(0);  // the rest of a rebuilt index in the next turn
    }
    viewport()->update();
  });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TLogView::ScrollBarMoved);
  sinceRefresh_.start();
  UpdateMetrics();
}

void TLogView::Append(TLogSource source, std::uint32_t color, TLogText kind, std::string_view bytes) {
  entries_.Add(source, color, kind, bytes);
  ScheduleRefresh();
}

void TLogView::Clear() {
  entries_.Clear();
  std::vector<std::uint64_t>().swap(blockRowStart_);
  indexedEntries_ = 0;
  indexedRows_ = 0;
  top_ = {};
  following_ = true;
  selAnchor_ = selCurrent_ = -1;
  Refresh();
  emit SelectionChanged();
}

void TLogView::SetHangingIndent(double pixels) {
  indent_ = pixels;
  UpdateWrap();
  viewport()->update();
}

std::uint64_t TLogView::RowsOf(std::uint64_t entry) const {
  return wrap_.Rows(entries_.Kind(entry), entries_.Bytes(entry).size());
}

void TLogView::UpdateMetrics() {
  const QFontMetricsF metrics(font());
  // The widest character that an entry can hold, so that no line passes the
  // edge even where the font in use is not quite fixed-width.
  double widest = 1.0;
  for (char c = ' '; c <= '~'; ++c) widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(c)));
  charWidth_ = widest;
  lineHeight_ = std::max(1, int(std::ceil(metrics.lineSpacing())));
  ascent_ = int(std::ceil(metrics.ascent()));
  UpdateWrap();
}

void TLogView::UpdateWrap() {
  const double width = double(viewport()->width() - 2 * kMargin);
  TLogWrap wrap;
  wrap.firstColumns = std::max(1, int(std::floor(width / charWidth_)));
  wrap.nextColumns = std::max(1, int(std::floor((width - indent_) / charWidth_)));
  if (wrap == wrap_) return;
  wrap_ = wrap;
  // Every entry's height changes: the index is built again, a slice per turn.
  blockRowStart_.clear();
  indexedEntries_ = 0;
  indexedRows_ = 0;
  if (top_.entry < entries_.Count()) top_.row = std::min(top_.row, RowsOf(top_.entry) - 1);
  ScheduleRefresh();
}

bool TLogView::IndexSome(std::uint64_t budget) {
  const std::uint64_t end = std::min(entries_.Count(), indexedEntries_ + budget);
  for (; indexedEntries_ < end; ++indexedEntries_) {
    if (indexedEntries_ % kIndexBlock == 0) blockRowStart_.push_back(indexedRows_);
    indexedRows_ += RowsOf(indexedEntries_);
  }
  return indexedEntries_ == entries_.Count();
}

void TLogView::CompleteIndex() { IndexSome(UINT64_MAX); }

std::uint64_t TLogView::RowOf(std::uint64_t entry) {
  CompleteIndex();
  if (entry >= indexedEntries_) return indexedRows_;
  const std::uint64_t block = entry / kIndexBlock;
  std::uint64_t row = blockRowStart_[block];
  for (std::uint64_t e = block * kIndexBlock; e < entry; ++e) row += RowsOf(e);
  return row;
}

TLogView::TPosition TLogView::PositionOfRow(std::uint64_t row) {
  CompleteIndex();
  if (indexedEntries_ == 0) return {};
  const auto after = std::upper_bound(blockRowStart_.begin(), blockRowStart_.end(), row);
  const auto block = std::uint64_t(std::max<std::ptrdiff_t>(0, after - blockRowStart_.begin() - 1));
  TPosition position{block * kIndexBlock, 0};
  std::uint64_t start = blockRowStart_[block];
  for (;;) {
    const std::uint64_t rows = RowsOf(position.entry);
    if (start + rows > row || position.entry + 1 >= indexedEntries_) {
      position.row = std::min(row - std::min(row, start), rows - 1);
      return position;
    }
    start += rows;
    ++position.entry;
  }
}

TLogView::TPosition TLogView::BackFrom(TPosition position, std::uint64_t rows) const {
  while (rows > 0) {
    if (position.row >= rows) {
      position.row -= rows;
      break;
    }
    rows -= position.row;
    position.row = 0;
    if (position.entry == 0) break;
    --position.entry;
    --rows;
    position.row = RowsOf(position.entry) - 1;
  }
  return position;
}

int TLogView::PageRows() const { return std::max(1, viewport()->height() / lineHeight_); }

TLogView::TPosition TLogView::PaintTop() {
  const std::uint64_t count = entries_.Count();
  if (count == 0) return {};
  if (!following_ && top_.entry < count) return top_;
  const TPosition last{count - 1, RowsOf(count - 1) - 1};
  return BackFrom(last, std::uint64_t(PageRows() - 1));
}

std::uint64_t TLogView::TopEntry() { return PaintTop().entry; }

void TLogView::SyncScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  const auto page = std::uint64_t(PageRows());
  const std::uint64_t maxRow = indexedRows_ > page ? indexedRows_ - page : 0;
  syncing_ = true;
  bar->setSingleStep(1);
  bar->setPageStep(int(page));
  bar->setRange(0, int(std::min<std::uint64_t>(maxRow, INT_MAX)));
  if (!following_) {
    const std::uint64_t row = RowOf(top_.entry) + top_.row;
    // A view whose top is at (or past) the last page shows the end: it follows it.
    if (row >= maxRow) {
      following_ = true;
    } else {
      bar->setValue(int(std::min<std::uint64_t>(row, INT_MAX)));
    }
  }
  if (following_) bar->setValue(bar->maximum());
  syncing_ = false;
}

void TLogView::ScrollBarMoved(int value) {
  if (syncing_) return;
  if (value >= verticalScrollBar()->maximum()) {
    following_ = true;
  } else {
    following_ = false;
    top_ = PositionOfRow(std::uint64_t(value));
  }
  viewport()->update();
}

void TLogView::scrollContentsBy(int, int) { viewport()->update(); }

void TLogView::ScheduleRefresh() {
  if (refreshTimer_.isActive()) return;
  const qint64 since = sinceRefresh_.elapsed();
  refreshTimer_.start(since >= kFrameMs ? 0 : int(kFrameMs - since));
}

void TLogView::Refresh() {
  refreshTimer_.stop();
  sinceRefresh_.restart();
  CompleteIndex();
  SyncScrollBar();
  viewport()->update();
}

QColor TLogView::EntryColor(std::uint64_t entry) const {
  const QColor color = widgets::ToQColor(entries_.Color(entry));
  return color.isValid() ? color : palette().color(QPalette::Text);
}

std::vector<TLogView::TScreenRow> TLogView::ScreenRows() {
  std::vector<TScreenRow> rows;
  const std::uint64_t count = entries_.Count();
  TPosition position = PaintTop();
  for (int y = 0; y < viewport()->height() && position.entry < count; y += lineHeight_) {
    TScreenRow row;
    row.entry = position.entry;
    row.row = position.row;
    row.x = kMargin + (position.row == 0 ? 0 : int(std::lround(indent_)));
    row.y = y;
    const std::string text = wrap_.RowText(entries_.Source(position.entry), entries_.Kind(position.entry),
                                           entries_.Bytes(position.entry), position.row);
    row.text = QString::fromLatin1(text.data(), qsizetype(text.size()));
    row.color = EntryColor(position.entry);
    rows.push_back(std::move(row));
    if (++position.row >= RowsOf(position.entry)) {
      ++position.entry;
      position.row = 0;
    }
  }
  return rows;
}

void TLogView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QBrush highlight = palette().brush(QPalette::Highlight);
  const QColor highlightedText = palette().color(QPalette::HighlightedText);
  const std::uint64_t first = SelectionFirst();
  const std::uint64_t last = SelectionLast();
  for (const TScreenRow& row : ScreenRows()) {
    if (HasSelection() && row.entry >= first && row.entry <= last) {
      painter.fillRect(QRect(0, row.y, viewport()->width(), lineHeight_), highlight);
      painter.setPen(highlightedText);
    } else {
      painter.setPen(row.color);
    }
    painter.drawText(QPointF(row.x, row.y + ascent_), row.text);
  }
}

void TLogView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateWrap();
  ScheduleRefresh();  // the page size of the scroll bar
}

void TLogView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateMetrics();
    viewport()->update();
  }
}

// ---- Selection ----

std::uint64_t TLogView::SelectionFirst() const {
  return HasSelection() ? std::uint64_t(std::min(selAnchor_, selCurrent_)) : 0;
}

std::uint64_t TLogView::SelectionLast() const {
  return HasSelection() ? std::uint64_t(std::max(selAnchor_, selCurrent_)) : 0;
}

void TLogView::SelectEntries(std::uint64_t anchor, std::uint64_t current) {
  const std::uint64_t count = entries_.Count();
  if (count == 0) return;
  selAnchor_ = std::int64_t(std::min(anchor, count - 1));
  selCurrent_ = std::int64_t(std::min(current, count - 1));
  viewport()->update();
  emit SelectionChanged();
}

void TLogView::SelectAll() {
  if (entries_.Count() > 0) SelectEntries(0, entries_.Count() - 1);
}

QString TLogView::SelectedText() const {
  if (!HasSelection()) return QString();
  std::string text;
  for (std::uint64_t entry = SelectionFirst(); entry <= SelectionLast(); ++entry) {
    if (entry != SelectionFirst()) text += '\n';
    text += entries_.Text(entry);
  }
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

void TLogView::Copy() {
  if (HasSelection()) QGuiApplication::clipboard()->setText(SelectedText());
}

void TLogView::EnsureVisible(std::uint64_t entry) {
  const TPosition top = PaintTop();
  const auto page = std::uint64_t(PageRows());
  if (entry < top.entry || (entry == top.entry && top.row > 0)) {
    following_ = false;
    top_ = {entry, 0};
  } else {
    // The line below the page, counted from the top.
    TPosition below = top;
    std::uint64_t lines = page;
    while (lines > 0 && below.entry < entries_.Count()) {
      const std::uint64_t left = RowsOf(below.entry) - below.row;
      if (lines < left) {
        below.row += lines;
        lines = 0;
      } else {
        lines -= left;
        ++below.entry;
        below.row = 0;
      }
    }
    const bool entryEndsOnPage = entry < below.entry && (entry + 1 < below.entry || below.row == 0);
    if (!entryEndsOnPage) {
      following_ = false;
      top_ = BackFrom({entry, RowsOf(entry) - 1}, page - 1);
    }
  }
  Refresh();
}

void TLogView::MoveCurrent(std::int64_t delta, bool extend) {
  const std::uint64_t count = entries_.Count();
  if (count == 0) return;
  std::int64_t current = selCurrent_ >= 0 ? selCurrent_ + delta : std::int64_t(TopEntry());
  current = std::clamp<std::int64_t>(current, 0, std::int64_t(count - 1));
  SelectEntries(extend && HasSelection() ? std::uint64_t(selAnchor_) : std::uint64_t(current), std::uint64_t(current));
  EnsureVisible(std::uint64_t(current));
}

bool TLogView::EntryAt(const QPoint& pos, std::uint64_t* entry) {
  const std::uint64_t count = entries_.Count();
  if (count == 0 || pos.y() < 0) return false;
  TPosition position = PaintTop();
  for (int line = pos.y() / lineHeight_; line > 0 && position.entry < count; --line) {
    if (++position.row >= RowsOf(position.entry)) {
      ++position.entry;
      position.row = 0;
    }
  }
  if (position.entry >= count) return false;
  *entry = position.entry;
  return true;
}

void TLogView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
  const auto page = std::int64_t(PageRows());
  const auto count = std::int64_t(entries_.Count());
  switch (event->key()) {
    case Qt::Key_Up: MoveCurrent(-1, extend); return;
    case Qt::Key_Down: MoveCurrent(1, extend); return;
    case Qt::Key_PageUp: MoveCurrent(-page, extend); return;
    case Qt::Key_PageDown: MoveCurrent(page, extend); return;
    case Qt::Key_Home: MoveCurrent(-count, extend); return;
    case Qt::Key_End: MoveCurrent(count, extend); return;
    default: break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void TLogView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  std::uint64_t entry = 0;
  if (!EntryAt(event->position().toPoint(), &entry)) {
    selAnchor_ = selCurrent_ = -1;
    viewport()->update();
    emit SelectionChanged();
    return;
  }
  const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0 && HasSelection();
  SelectEntries(extend ? std::uint64_t(selAnchor_) : entry, entry);
}

void TLogView::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) == 0 || !HasSelection()) return;
  QPoint pos = event->position().toPoint();
  // Dragging past an edge scrolls a line at a time.
  if (pos.y() < 0) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    pos.setY(0);
  } else if (pos.y() >= viewport()->height()) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    pos.setY(viewport()->height() - 1);
  }
  std::uint64_t entry = entries_.Count() - 1;
  EntryAt(pos, &entry);
  SelectEntries(std::uint64_t(selAnchor_), entry);
}

}  // namespace quorvel::app
