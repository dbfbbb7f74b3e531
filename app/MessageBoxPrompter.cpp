#include "app/MessageBoxPrompter.h"

#include <QMessageBox>

namespace quendal {

void MessageBoxPrompter::info(const std::string& text) {
  if (held_) {
    waiting_.push_back(text);
    return;
  }
  Show(text);
}

void MessageBoxPrompter::Show(const std::string& text) {
  QMessageBox::information(nullptr, QString::fromStdString(title_), QString::fromStdString(text));
}

void MessageBoxPrompter::Release() {
  if (!held_) return;
  held_ = false;
  // A message box runs its own event loop: take the list first.
  const std::vector<std::string> waiting = std::move(waiting_);
  waiting_.clear();
  for (const std::string& text : waiting) Show(text);
}

bool MessageBoxPrompter::confirm(const std::string& text) {
  return QMessageBox::question(nullptr, QString::fromStdString(title_),
                               QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes;
}

}  // namespace quendal
