#include "app/MessageBoxPrompter.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

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

std::optional<std::string> MessageBoxPrompter::choose(const std::string& text,
                                                      const std::vector<std::string>& Items,
                                                      bool Typed) {
  QStringList items;
  for (const std::string& item : Items) items << QString::fromStdString(item);
  bool ok = false;
  const QString choice = QInputDialog::getItem(nullptr, QString::fromStdString(title_),
                                               QString::fromStdString(text), items, 0, Typed, &ok);
  if (!ok) return std::nullopt;
  return choice.toStdString();
}

}  // namespace quendal
