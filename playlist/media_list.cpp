#include "playlist/media_list.h"

#include <algorithm>

namespace vexto {

void TMediaList::Check(int i, int limit) const {
  if (i < 0 || i >= limit) throw EListError();
}

TMidia& TMediaList::Items(int i) {
  Check(i, Count());
  return *items_[size_t(i)];
}

const TMidia& TMediaList::Items(int i) const {
  Check(i, Count());
  return *items_[size_t(i)];
}

void TMediaList::Insert(int i, std::unique_ptr<TMidia> item) {
  Check(i, Count() + 1);
  if (!item) throw std::invalid_argument("TMediaList::Insert: null item");
  items_.insert(items_.begin() + i, std::move(item));
}

int TMediaList::Add(std::unique_ptr<TMidia> item) {
  const int index = Count();
  Insert(index, std::move(item));
  return index;
}

void TMediaList::Move(int s, int t) {
  Check(s, Count());
  Check(t, Count());
  if (s < t) {
    std::rotate(items_.begin() + s, items_.begin() + s + 1, items_.begin() + t + 1);
  } else if (s > t) {
    std::rotate(items_.begin() + t, items_.begin() + s, items_.begin() + s + 1);
  }
}

void TMediaList::Delete(int i) {
  Check(i, Count());
  items_.erase(items_.begin() + i);
}

}  // namespace vexto
