// SPDX-License-Identifier: MIT
#pragma once
// The log window's view, built for runs of millions of entries: the entries are
// held compactly (source, colour and bytes, no text document), and only the
// lines on screen are laid out and painted. With a fixed-width font the height
// of a wrapped entry is arithmetic, so scrolling, resizing and adding an entry
// cost no more than the visible lines or an update of a small row index.
#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::app {

// Where an entry comes from; it gives the entry's prefix.
enum class TLogSource : std::uint8_t { Host, Printer, Dgi };
// How an entry's bytes are shown: as they are, or as hexadecimal text.
enum class TLogText : std::uint8_t { Plain, Hex };

// "HOST --> ", "FP   --> " or "FISCAL-> ": nine characters each.
std::string_view LogPrefix(TLogSource source);
inline constexpr std::size_t kLogPrefixLength = 9;

// Appends two upper-case hexadecimal digits and one blank per byte: {02 41 03} -> "02 41 03 ".
void AppendHexText(std::string& text, std::string_view bytes);

// The font of the log view (and of nothing else): the desktop's fixed-width font at
// 8 points, so that wrapped heights can be computed.
QFont LogViewFont();

// The entries of the log, in order, each as its source, colour (a colour value
// of the settings), text kind and bytes. Storage grows in fixed-size pieces, so
// adding never copies what is already held, and memory per entry is its bytes
// plus 16.
class TLogEntries {
 public:
  // Adds one entry. Bytes beyond kMaxBytes (256 MiB) are left out.
  void Add(TLogSource source, std::uint32_t color, TLogText kind, std::string_view bytes);
  void Clear();

  std::uint64_t Count() const { return count_; }
  TLogSource Source(std::uint64_t entry) const;
  std::uint32_t Color(std::uint64_t entry) const;
  TLogText Kind(std::uint64_t entry) const;
  std::string_view Bytes(std::uint64_t entry) const;
  // The entry as shown: prefix and text ("HOST --> 02 41 03 ").
  std::string Text(std::uint64_t entry) const;

  static constexpr std::size_t kMaxBytes = (std::size_t{1} << 28) - 1;

 private:
  struct TMeta {
    std::uint32_t chunk;
    std::uint32_t offset;
    std::uint32_t color;
    std::uint32_t lengthAndKind;  // bits 0-27 length, 28-29 source, 30 hexadecimal
  };
  static_assert(sizeof(TMeta) == 16);
  static constexpr std::size_t kBlockEntries = 4096;
  static constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
  struct TChunk {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };

  const TMeta& Meta(std::uint64_t entry) const {
    return blocks_[entry / kBlockEntries][entry % kBlockEntries];
  }

  std::vector<std::unique_ptr<TMeta[]>> blocks_;
  std::vector<TChunk> chunks_;
  std::uint64_t count_ = 0;
};

// How entries wrap at the view's width: the first line of an entry holds
// `firstColumns` characters, every continuation line (which starts at the
// hanging indent) `nextColumns`. Hexadecimal text breaks only between bytes.
struct TLogWrap {
  int firstColumns = 80;
  int nextColumns = 70;

  // Lines taken by an entry of `kind` whose bytes are `length` long; at least 1.
  std::uint64_t Rows(TLogText kind, std::size_t length) const;
  // Line `row` of the entry as shown (the first line holds the prefix).
  std::string RowText(TLogSource source, TLogText kind, std::string_view bytes, std::uint64_t row) const;
  bool operator==(const TLogWrap&) const = default;
};

class TLogView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TLogView(QWidget* parent = nullptr);

  // Adds an entry. The screen catches up once per frame, however fast entries come.
  void Append(TLogSource source, std::uint32_t color, TLogText kind, std::string_view bytes);
  // Empties the view and its selection; the next entry starts at the top.
  void Clear();
  const TLogEntries& Entries() const { return entries_; }

  // The hanging indent of continuation lines, in pixels.
  void SetHangingIndent(double pixels);
  double HangingIndent() const { return indent_; }

  // Brings the screen, the scroll bar and the row index up to date now
  // (otherwise done once per frame from the event loop).
  void Refresh();

  // The selected entries, [first, last]; empty when nothing is selected.
  bool HasSelection() const { return selAnchor_ >= 0; }
  std::uint64_t SelectionFirst() const;
  std::uint64_t SelectionLast() const;
  void SelectEntries(std::uint64_t anchor, std::uint64_t current);
  void SelectAll();
  // The selected entries' text, one line each, joined by line feeds.
  QString SelectedText() const;
  // Puts the selected entries' text on the clipboard; nothing when none is selected.
  void Copy();

  // True while the view shows the newest entry and moves along with new ones.
  bool FollowsEnd() const { return following_; }
  // The entry at the top of the viewport.
  std::uint64_t TopEntry();

  // One line on screen as it is painted: the entry and its line, the text's
  // position in the viewport (left edge, top edge) and its colour.
  struct TScreenRow {
    std::uint64_t entry = 0;
    std::uint64_t row = 0;
    int x = 0;
    int y = 0;
    QString text;
    QColor color;
  };
  std::vector<TScreenRow> ScreenRows();
  // The colour an entry is painted in (selection aside).
  QColor EntryColor(std::uint64_t entry) const;
  TLogWrap Wrap() const { return wrap_; }
  int LineHeight() const { return lineHeight_; }

  static constexpr int kMargin = 4;  // pixels left and right of the text

 signals:
  void SelectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  struct TPosition {
    std::uint64_t entry = 0;
    std::uint64_t row = 0;  // line within the entry
  };

  std::uint64_t RowsOf(std::uint64_t entry) const;
  void UpdateMetrics();
  void UpdateWrap();
  // Extends the row index by up to `budget` entries; true when it is complete.
  bool IndexSome(std::uint64_t budget);
  void CompleteIndex();
  std::uint64_t RowOf(std::uint64_t entry);
  TPosition PositionOfRow(std::uint64_t row);
  // The first line on screen: from the end backwards while following it.
  TPosition PaintTop();
  // The position `rows` lines above the end (0 for the last line).
  TPosition BackFrom(TPosition last, std::uint64_t rows) const;
  int PageRows() const;
  void SyncScrollBar();
  void ScrollBarMoved(int value);
  void ScheduleRefresh();
  void EnsureVisible(std::uint64_t entry);
  // The entry under a viewport position; false over empty space below the last one.
  bool EntryAt(const QPoint& pos, std::uint64_t* entry);
  void MoveCurrent(std::int64_t delta, bool extend);

  TLogEntries entries_;
  TLogWrap wrap_;
  double indent_ = 64.0;
  double charWidth_ = 7.0;
  int lineHeight_ = 12;
  int ascent_ = 10;

  // Row index: rows before each block of kIndexBlock entries, for the current wrap.
  static constexpr std::uint64_t kIndexBlock = 1024;
  std::vector<std::uint64_t> blockRowStart_;
  std::uint64_t indexedEntries_ = 0;
  std::uint64_t indexedRows_ = 0;

  TPosition top_;          // first line on screen while not following
  bool following_ = true;  // the view shows the end and moves with it
  bool syncing_ = false;   // the scroll bar is being set from here

  std::int64_t selAnchor_ = -1;
  std::int64_t selCurrent_ = -1;

  QTimer refreshTimer_;
  QElapsedTimer sinceRefresh_;
};

}  // namespace quorvel::app
