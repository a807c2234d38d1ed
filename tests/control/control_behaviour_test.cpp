#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "base/errors.h"
#include "control/control_behaviour.h"
#include "control/handler_guard.h"
#include "scripted_window_services.h"

namespace kt {
namespace {

class TrackBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar.setRange(0, 255);
    bar.setGeometry(0, 0, 272, 22);
    bar.show();
  }
  TrackBar bar;
  QSignalSpy changes{&bar, &TrackBar::Change};
};

TEST_F(TrackBarTest, CodeMovesClampAndRunNothing) {
  bar.setValue(300);
  EXPECT_EQ(bar.value(), 255);
  bar.setValue(-4);
  EXPECT_EQ(bar.value(), 0);
  bar.setValue(200);
  bar.setRange(0, 100);  // the range pulls the position in
  EXPECT_EQ(bar.value(), 100);
  bar.setPageStep(25);
  EXPECT_EQ(changes.count(), 0);
}

TEST_F(TrackBarTest, UserMovesRunTheHandlerOnceEach) {
  QTest::keyClick(&bar, Qt::Key_Right);
  EXPECT_EQ(bar.value(), 1);
  EXPECT_EQ(changes.count(), 1);

  QWheelEvent wheel(QPointF(100, 10), bar.mapToGlobal(QPointF(100, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&bar, &wheel);
  EXPECT_GT(bar.value(), 1);
  EXPECT_EQ(changes.count(), 2);

  // A drag: the handle follows the mouse and the value follows the handle.
  bar.setSliderDown(true);
  bar.setSliderPosition(40);
  bar.setSliderDown(false);
  EXPECT_EQ(bar.value(), 40);
  EXPECT_EQ(changes.count(), 3);

  // A code move between user moves stays silent.
  bar.setValue(7);
  EXPECT_EQ(changes.count(), 3);
}

TEST_F(TrackBarTest, UserMoveAtTheLimitStillRunsTheHandler) {
  bar.setValue(255);
  QTest::keyClick(&bar, Qt::Key_Right);
  EXPECT_EQ(bar.value(), 255);
  EXPECT_EQ(changes.count(), 1);
  // ... and leaves nothing pending that a later code move could set off.
  bar.setValue(3);
  EXPECT_EQ(changes.count(), 1);
}

TEST_F(TrackBarTest, ReceivingTheFocusIsEntering) {
  QSignalSpy enters(&bar, &TrackBar::Enter);
  QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(&bar, &focusIn);
  EXPECT_EQ(enters.count(), 1);
}

TEST(CheckBoxClick, RunsOnEveryChangeOfStateAndOnlyThen) {
  QCheckBox box("Loop");
  box.show();
  int clicks = 0;
  ConnectClick(&box, &box, [&] { ++clicks; });

  box.setChecked(false);  // already unchecked
  EXPECT_EQ(clicks, 0);
  box.setChecked(true);
  EXPECT_EQ(clicks, 1);
  box.setChecked(true);
  EXPECT_EQ(clicks, 1);

  QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
  EXPECT_FALSE(box.isChecked());
  EXPECT_EQ(clicks, 2);

  // Code still changes a disabled box, and its handler runs; the mouse does nothing.
  box.setEnabled(false);
  box.setChecked(true);
  EXPECT_EQ(clicks, 3);
  QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
  EXPECT_TRUE(box.isChecked());
  EXPECT_EQ(clicks, 3);
}

class RadioGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    group.setObjectName("Group");
    group.setGeometry(0, 0, 230, 66);
    group.setColumns(3);
    group.setItems({"a", "b", "c", "d", "e", "f", "g", "h", "i"});
    group.show();
  }
  RadioGroup group;
};

TEST_F(RadioGroupTest, ItemIndexIsLimitedToMinusOneThroughTheLastItem) {
  group.SetItemIndex(12);
  EXPECT_EQ(group.ItemIndex(), 8);
  group.SetItemIndex(3);
  EXPECT_EQ(group.ItemIndex(), 3);
  group.SetItemIndex(-5);
  EXPECT_EQ(group.ItemIndex(), -1);
  for (int i = 0; i < group.Count(); ++i) EXPECT_FALSE(group.Item(i)->isChecked()) << i;
  // Nothing chosen, the items still exclude each other afterwards.
  group.SetItemIndex(0);
  group.Item(4)->click();
  EXPECT_EQ(group.ItemIndex(), 4);
  EXPECT_FALSE(group.Item(0)->isChecked());
}

TEST_F(RadioGroupTest, UserChoiceIsAClickCodeChoiceIsNot) {
  QSignalSpy clicks(&group, &RadioGroup::Click);
  group.SetItemIndex(2);
  EXPECT_EQ(clicks.count(), 0);
  QTest::mouseClick(group.Item(6), Qt::LeftButton, {}, QPoint(5, group.Item(6)->height() / 2));
  EXPECT_EQ(group.ItemIndex(), 6);
  EXPECT_EQ(clicks.count(), 1);
}

TEST_F(RadioGroupTest, ItemsFillThreeColumnsTopToBottom) {
  const QPoint first = group.Item(0)->pos();
  EXPECT_EQ(group.Item(1)->x(), first.x());
  EXPECT_GT(group.Item(1)->y(), first.y());
  EXPECT_EQ(group.Item(2)->x(), first.x());
  EXPECT_EQ(group.Item(3)->y(), first.y());
  EXPECT_GT(group.Item(3)->x(), first.x());
  EXPECT_GT(group.Item(6)->x(), group.Item(3)->x());
  for (int i = 0; i < group.Count(); ++i) {
    EXPECT_TRUE(group.rect().contains(group.Item(i)->geometry())) << i;
  }
}

TEST(HandlerGuard, ErrorsEndInTheGeneralBoxAndGoNoFurther) {
  test::ScriptedWindowServices services;
  EXPECT_TRUE(RunGuarded(services, [] {}));
  EXPECT_FALSE(RunGuarded(services, [] { throw InOutError("Read beyond end of file"); }));
  EXPECT_FALSE(RunGuarded(services, [] { throw std::bad_alloc(); }));
  EXPECT_FALSE(RunGuarded(services, [] { throw PlayerError("Unable to set new display mode."); }));
  EXPECT_FALSE(RunGuarded(services, [] { throw 42; }));
  ASSERT_EQ(services.boxes.size(), 4u);
  EXPECT_EQ(services.boxes[0].caption, "Kinetrope");
  EXPECT_EQ(services.boxes[0].text, "Read beyond end of file.");
  EXPECT_EQ(services.boxes[0].buttons, std::vector<BoxButton>{BoxButton::Ok});
  EXPECT_EQ(services.boxes[1].text, "Out of memory.");
  EXPECT_EQ(services.boxes[2].text, "Unable to set new display mode.");
  EXPECT_EQ(services.boxes[3].text, "Unexpected error.");
}

}  // namespace
}  // namespace kt
