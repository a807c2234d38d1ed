// The real message box: what Esc and the window's close answer. The
// unknown-chunk question must not end the program on a reflexive Esc.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "modal_answer.h"
#include "platform/qt/qt_window_services.h"

namespace kt {
namespace {

// Shows the box and, once it is up, does to it what a person would.
BoxButton AnswerBox(const std::vector<BoxButton>& buttons, const std::function<void(QMessageBox&)>& person) {
  QtWindowServices services;
  bool answered = false;
  test::AnswerWhenShown<QMessageBox>([&](QMessageBox& box) {
    answered = true;
    person(box);
  });
  const BoxButton answer = services.ShowMessageBox({"Error", "Unknown chunk type! (77) continue?", buttons});
  EXPECT_TRUE(answered);
  return answer;
}

const std::vector<BoxButton> kAbortIgnore = {BoxButton::Abort, BoxButton::Ignore};

TEST(MessageBoxAnswers, EscOrClosingTheUnknownChunkBoxIsIgnore) {
  EXPECT_EQ(AnswerBox(kAbortIgnore, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
            BoxButton::Ignore);
  EXPECT_EQ(AnswerBox(kAbortIgnore, [](QMessageBox& box) { box.close(); }), BoxButton::Ignore);
}

TEST(MessageBoxAnswers, OnlyAbortItselfIsAbort) {
  EXPECT_EQ(AnswerBox(kAbortIgnore, [](QMessageBox& box) { box.button(QMessageBox::Abort)->click(); }),
            BoxButton::Abort);
  EXPECT_EQ(AnswerBox(kAbortIgnore,
                      [](QMessageBox& box) {
                        // Both carry their access keys.
                        EXPECT_EQ(box.button(QMessageBox::Abort)->text(), "&Abort");
                        EXPECT_EQ(box.button(QMessageBox::Ignore)->text(), "&Ignore");
                        box.button(QMessageBox::Ignore)->click();
                      }),
            BoxButton::Ignore);
  // The box with Abort alone still closes on Esc, with its one answer.
  EXPECT_EQ(AnswerBox({BoxButton::Abort}, [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
            BoxButton::Abort);
}

}  // namespace
}  // namespace kt
