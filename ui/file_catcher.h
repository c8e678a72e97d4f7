// TFileCatcher: the files of one drop from the desktop, in the order the desktop gave them
// (local file URLs of the drop's data; other URLs are left out).
#pragma once

#include <QMimeData>
#include <QStringList>
#include <string>

namespace vexto {

class TFileCatcher {
 public:
  explicit TFileCatcher(const QMimeData& drop);
  int FileCount() const { return static_cast<int>(files_.size()); }
  // Full path of dropped file i, 0 <= i < FileCount() (UTF-8).
  std::string Files(int i) const { return files_.at(i).toStdString(); }
  std::string GetFile(int i) const { return Files(i); }

 private:
  QStringList files_;
};

}  // namespace vexto
