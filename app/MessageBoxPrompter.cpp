#include "app/MessageBoxPrompter.h"

#include <QMessageBox>

namespace quendal {

void MessageBoxPrompter::info(const std::string& text) {
  QMessageBox::information(nullptr, QString::fromStdString(title_), QString::fromStdString(text));
}

bool MessageBoxPrompter::confirm(const std::string& text) {
  return QMessageBox::question(nullptr, QString::fromStdString(title_),
                               QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

}  // namespace quendal
