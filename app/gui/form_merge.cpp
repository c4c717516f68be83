#include "app/gui/form_merge.h"

#include <QFileDialog>
#include <QProgressBar>
#include <QPushButton>

namespace drevlin {

TFormMerge::TFormMerge(QWidget* parent) : QDialog(parent) {
  setObjectName("FormMerge");
  setFixedSize(174, 167);
  setWindowTitle("Merge Files");
  const char* captions[] = {"1. Select Files", "2. Merge Files", "3. Save File", "Close"};
  QPushButton* buttons[4];
  for (int i = 0; i < 4; ++i) {
    buttons[i] = new QPushButton(captions[i], this);
    buttons[i]->setGeometry(24, 8 + i * 32, 126, 25);
  }
  auto* progress = new QProgressBar(this);
  progress->setGeometry(0, 150, 174, 17);
  progress->setTextVisible(false);

  connect(buttons[0], &QPushButton::clicked, this, [this] {
    files_ = QFileDialog::getOpenFileNames(this, QString(), QString(), "PDF Files (*.pdf)");
  });
  connect(buttons[1], &QPushButton::clicked, this, [progress] { progress->setValue(0); });
  connect(buttons[2], &QPushButton::clicked, this,
          [this] { QFileDialog::getSaveFileName(this, QString(), QString(), "PDF File (*.pdf)"); });
}

}  // namespace drevlin
