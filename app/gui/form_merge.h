#pragma once
// The Merge Files window. Nothing opens it; its buttons only collect file
// names and reset the progress bar, and it merges nothing.
#include <QDialog>
#include <QStringList>

namespace drevlin {

class TFormMerge : public QDialog {
 public:
  explicit TFormMerge(QWidget* parent);

 private:
  QStringList files_;
};

}  // namespace drevlin
