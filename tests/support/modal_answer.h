// Answers a modal box or dialog the way a person would, once it is up: the
// call that shows it blocks in its own event loop, so the answer is set up
// beforehand and polls for the window.
#pragma once

#include <QApplication>
#include <QTimer>
#include <utility>

namespace kt::test {

template <typename Dialog, typename Person>
void AnswerWhenShown(Person person) {
  QTimer::singleShot(10, [person = std::move(person)]() mutable {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
      AnswerWhenShown<Dialog>(std::move(person));
      return;
    }
    person(*dialog);
  });
}

}  // namespace kt::test
