// The playlist in memory: an ordered list that owns its TMidia items.
//
// Threads: GUI thread only. The frame pump never touches the list; its end-of-media work runs on
// the GUI thread through queued calls, so each step sees one consistent list and OnAirIndex.
#pragma once

#include <memory>
#include <stdexcept>
#include <vector>

#include "playlist/midia.h"

namespace vexto {

// The list's index error; what() is "Argument out of range". The list is unchanged.
class EListError : public std::out_of_range {
 public:
  EListError() : std::out_of_range("Argument out of range") {}
};

class TMediaList {
 public:
  int Count() const { return int(items_.size()); }

  // The item at i, 0 <= i < Count(); the list keeps owning it.
  TMidia& Items(int i);
  const TMidia& Items(int i) const;

  // Inserts at i, 0 <= i <= Count(); items from i on move one place down. `item` must not be
  // null (refused with std::invalid_argument).
  void Insert(int i, std::unique_ptr<TMidia> item);
  // Inserts at the end; returns the new item's index.
  int Add(std::unique_ptr<TMidia> item);
  // The item leaves s and is placed at t; the items between shift by one. s == t does nothing.
  void Move(int s, int t);
  // Destroys the item at i.
  void Delete(int i);
  // Destroys every item.
  void Clear() { items_.clear(); }

 private:
  void Check(int i, int limit) const;

  std::vector<std::unique_ptr<TMidia>> items_;
};

// The system's one playlist is the main window's `MediaList` of this type.
using MediaList = TMediaList;

}  // namespace vexto
