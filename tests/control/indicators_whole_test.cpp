// Check boxes and radio marks are drawn whole: nothing of a mark touches
// its control's left or top edge, where the drawing would be cut, and no
// control is cut by a neighbour or by the frame it sits in.
#include <QCheckBox>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

#include "control/control_behaviour.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

QRect IndicatorRect(QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  const bool radio = qobject_cast<QRadioButton*>(&button) != nullptr;
  return button.style()->subElementRect(radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option,
                                        &button);
}

// Pixels of the first column and the first row that differ from the background.
int EdgeInk(QAbstractButton& button) {
  const QImage image = button.grab().toImage();
  const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
  int ink = 0;
  for (int y = 0; y < image.height(); ++y) ink += image.pixel(0, y) != background;
  for (int x = 1; x < image.width(); ++x) ink += image.pixel(x, 0) != background;
  return ink;
}

TEST_F(PanelTest, CheckAndRadioMarksAreDrawnWhole) {
  form.show();
  std::vector<QAbstractButton*> buttons;
  for (const char* panel : {"OptionPanel", "DirXPanel"}) {
    Get(panel)->show();
    for (QCheckBox* box : Get(panel)->findChildren<QCheckBox*>()) buttons.push_back(box);
    for (QRadioButton* radio : Get(panel)->findChildren<QRadioButton*>()) buttons.push_back(radio);
  }
  ASSERT_EQ(buttons.size(), 8u + 4u + 9u);
  for (QAbstractButton* button : buttons) {
    SCOPED_TRACE(button->objectName().toStdString());
    const QRect mark = IndicatorRect(*button);
    EXPECT_GE(mark.left(), 1);
    EXPECT_GE(mark.top(), 1);
    EXPECT_LE(mark.bottom(), button->height() - 2);
    EXPECT_EQ(EdgeInk(*button), 0);
    // Inside what holds it: the group's frame, or the panel.
    QWidget* holder = button->parentWidget();
    QRect room = holder->rect();
    if (auto* group = qobject_cast<RadioGroup*>(holder)) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = group->title();
      option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      room = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group);
    }
    EXPECT_TRUE(room.contains(button->geometry())) << button->geometry().y() << " in " << room.y();
    // No neighbour covers part of it.
    for (QAbstractButton* other : buttons) {
      if (other != button && other->parentWidget() == holder) {
        EXPECT_FALSE(other->geometry().intersects(button->geometry())) << other->objectName().toStdString();
      }
    }
  }
}

}  // namespace
}  // namespace kt::test
