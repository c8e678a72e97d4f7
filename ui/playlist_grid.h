// gridPlaylist: the playlist's view. Five columns (status, duration, name, pause, loop) of
// 78/80/395/83/79 pixels, no header, 35-pixel rows, whole-row selection, no editing, vertical
// scrolling only, always at least one row. Columns 0-2 hold texts written by listar; columns 3
// and 4 are painted by a delegate from the items' flags (asked through FlagSource) on the cell's
// background at +10,+10. Rows are reordered by dragging inside the grid: the grid reports the
// press row and the drop row, the edits decide.
//
// Contract: GUI thread only.
#pragma once

#include <QImage>
#include <QPoint>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

namespace vexto {

class TPlaylistGrid : public QTableWidget {
  Q_OBJECT

 public:
  struct FlagSource {
    std::function<int()> count;
    std::function<bool(int row)> pause;
    std::function<bool(int row)> loop;
  };

  explicit TPlaylistGrid(QWidget* parent = nullptr);

  void SetFlagSource(FlagSource source) { flags_ = std::move(source); }
  const FlagSource& Flags() const { return flags_; }
  void SetImages(const QImage& pause_small, const QImage& loop_small);
  const QImage& PauseImage() const { return pause_small_; }
  const QImage& LoopImage() const { return loop_small_; }

  // Row count, never below 1; the selection moves to the last row when it falls off the end.
  void SetRowCount(int rows);
  int CurrentRow() const;
  void SetCurrentRow(int row);
  void SetCellText(int column, int row, const QString& text);
  QString CellText(int column, int row) const;
  // The row under a point of the viewport, -1 below the last row.
  int RowAt(QPoint viewport_pos) const;

  static constexpr int kRowHeight = 35;
  static constexpr int kColumnWidths[5] = {78, 80, 395, 83, 79};

 signals:
  // Left or other button pressed on a row (-1 below the last row).
  void GridMouseDown(Qt::MouseButton button, int row);
  // A drag from this grid dropped on a row (-1 below the last row).
  void GridRowDropped(int row);
  // Asked before a drag from the grid is accepted.
  void GridKeyDown(int virtual_key);
  void GridKeyPress(char32_t character);

 public:
  // Whether a drag from the grid may be dropped here; set by the window from DragSourceRow.
  std::function<bool()> accept_drag;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool AcceptsDrag(const QDropEvent* event) const;

  FlagSource flags_;
  QImage pause_small_;
  QImage loop_small_;
  bool drag_armed_ = false;
  QPoint press_pos_;
};

// Paints the pause (column 3) and loop (column 4) images over the cell's background.
class TPlaylistFlagDelegate : public QStyledItemDelegate {
 public:
  explicit TPlaylistFlagDelegate(TPlaylistGrid* grid);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  TPlaylistGrid* grid_;
};

}  // namespace vexto
