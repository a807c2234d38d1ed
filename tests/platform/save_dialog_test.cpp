// The real Save dialog: a name typed without an extension. Exporting takes
// the chosen format's extension, since the format is read from the name;
// the recorder's dialog leaves the name as typed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "modal_answer.h"
#include "platform/qt/qt_window_services.h"

namespace kt {
namespace {

// Types `name` into the dialog once it is up, moves the format list down
// `filterSteps` entries as a person would, and saves.
std::string SaveAs(const std::string& folder, bool addFilterExtension, const std::string& name, int filterSteps) {
  QtWindowServices services;
  test::AnswerWhenShown<QFileDialog>([&](QFileDialog& dialog) {
    auto* formats = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(formats, nullptr);
    for (int i = 0; i < filterSteps; ++i) QTest::keyClick(formats, Qt::Key_Down);
    dialog.selectFile(QString::fromStdString(name));
    QMetaObject::invokeMethod(&dialog, "accept");
  });
  const std::optional<std::string> chosen = services.ShowSaveDialog(
      {"GIF animation (*.gif)|*.gif|Animated PNG (*.png)|*.png", folder, "", addFilterExtension});
  return chosen.value_or("(cancelled)");
}

TEST(SaveDialog, ANameWithoutExtensionTakesTheChosenFormatsOnlyWhenAsked) {
  const QTemporaryDir empty;
  const std::string folder = empty.path().toStdString();
  EXPECT_EQ(SaveAs(folder, true, "anim", 0), folder + "/anim.gif");
  EXPECT_EQ(SaveAs(folder, true, "anim", 1), folder + "/anim.png");
  EXPECT_EQ(SaveAs(folder, true, "anim.webp", 0), folder + "/anim.webp");
  EXPECT_EQ(SaveAs(folder, false, "rec", 0), folder + "/rec");
}

}  // namespace
}  // namespace kt
