#include "ui/playlist_grid.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace vexto {

namespace {
constexpr const char* kGridRowMime = "application/x-vexto-grid-row";
}

TPlaylistGrid::TPlaylistGrid(QWidget* parent) : QTableWidget(1, 5, parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setStretchLastSection(false);
  for (int c = 0; c < 5; ++c) setColumnWidth(c, kColumnWidths[c]);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setShowGrid(true);
  setWordWrap(false);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setItemDelegate(new TPlaylistFlagDelegate(this));
  setCurrentCell(0, 0);
}

void TPlaylistGrid::SetImages(const QImage& pause_small, const QImage& loop_small) {
  pause_small_ = pause_small;
  loop_small_ = loop_small;
  viewport()->update();
}

void TPlaylistGrid::SetRowCount(int rows) {
  const int selected = CurrentRow();
  if (rows < 1) rows = 1;
  setRowCount(rows);
  if (selected >= rows || selected < 0) SetCurrentRow(rows - 1);
}

int TPlaylistGrid::CurrentRow() const {
  return currentRow() < 0 ? 0 : currentRow();
}

void TPlaylistGrid::SetCurrentRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  setCurrentCell(row, currentColumn() < 0 ? 0 : currentColumn());
  selectRow(row);
}

void TPlaylistGrid::SetCellText(int column, int row, const QString& text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row, column, cell);
  } else {
    cell->setText(text);
  }
  // An empty write still repaints the cell (the flag columns are drawn from the items).
  viewport()->update(visualItemRect(cell));
}

QString TPlaylistGrid::CellText(int column, int row) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell == nullptr ? QString() : cell->text();
}

int TPlaylistGrid::RowAt(QPoint viewport_pos) const {
  return rowAt(viewport_pos.y());
}

void TPlaylistGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit GridMouseDown(event->button(), RowAt(pos));
  drag_armed_ = event->button() == Qt::LeftButton && accept_drag && accept_drag();
  press_pos_ = pos;
  QTableWidget::mousePressEvent(event);
}

void TPlaylistGrid::mouseMoveEvent(QMouseEvent* event) {
  if (drag_armed_ && (event->buttons() & Qt::LeftButton) &&
      (event->position().toPoint() - press_pos_).manhattanLength() >=
          QApplication::startDragDistance()) {
    drag_armed_ = false;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(kGridRowMime, QByteArray());
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction);
    return;
  }
  // No rubber-band selection while the button is held: a plain click only selects a row.
  if (event->buttons() == Qt::NoButton) QTableWidget::mouseMoveEvent(event);
}

void TPlaylistGrid::mouseReleaseEvent(QMouseEvent* event) {
  drag_armed_ = false;
  QTableWidget::mouseReleaseEvent(event);
}

bool TPlaylistGrid::AcceptsDrag(const QDropEvent* event) const {
  return event->mimeData() != nullptr && event->mimeData()->hasFormat(kGridRowMime) &&
         accept_drag && accept_drag();
}

void TPlaylistGrid::dragEnterEvent(QDragEnterEvent* event) {
  if (AcceptsDrag(event)) {
    event->acceptProposedAction();
  } else {
    event->ignore();  // files from the desktop go on to the window
  }
}

void TPlaylistGrid::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptsDrag(event)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TPlaylistGrid::dropEvent(QDropEvent* event) {
  if (!AcceptsDrag(event)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit GridRowDropped(RowAt(event->position().toPoint()));
}

void TPlaylistGrid::keyPressEvent(QKeyEvent* event) {
  int virtual_key = 0;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      virtual_key = 13;
      break;
    case Qt::Key_Space:
      virtual_key = 32;
      break;
    case Qt::Key_Delete:
      virtual_key = 46;
      break;
    default:
      break;
  }
  if (virtual_key != 0) emit GridKeyDown(virtual_key);
  const QString text = event->text();
  if (text.size() == 1) emit GridKeyPress(static_cast<char32_t>(text.at(0).unicode()));
  // The keys are not consumed: the grid's own navigation still runs. Typed characters are not
  // passed on, so they never start the item views' keyboard search (which would move the
  // selected row); Space does not select either.
  const bool typed = !text.isEmpty() && text.at(0).isPrint();
  if (!typed) QTableWidget::keyPressEvent(event);
}

TPlaylistFlagDelegate::TPlaylistFlagDelegate(TPlaylistGrid* grid)
    : QStyledItemDelegate(grid), grid_(grid) {}

void TPlaylistFlagDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const auto& flags = grid_->Flags();
  const int column = index.column();
  if (column != 3 && column != 4) return;
  if (!flags.count || flags.count() == 0) return;
  const int row = index.row();
  const bool selected = option.state & QStyle::State_Selected;
  painter->fillRect(option.rect, selected ? option.palette.brush(QPalette::Highlight)
                                          : option.palette.brush(QPalette::Base));
  if (row >= flags.count()) return;
  const bool on = column == 3 ? (flags.pause && flags.pause(row)) : (flags.loop && flags.loop(row));
  if (!on) return;
  const QImage& image = column == 3 ? grid_->PauseImage() : grid_->LoopImage();
  painter->drawImage(option.rect.topLeft() + QPoint(10, 10), image);
}

}  // namespace vexto
