#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QToolButton>
#include <QWindow>
#include <filesystem>

#include "flic_writer.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

// Drags as a file manager makes them, delivered to the windows as the window
// system does: Qt picks the widget under the point that takes drops.
class FileDropTest : public PanelTest {
 protected:
  FileDropTest() {
    form.SetTick([this] { return services.clock; });
    form.show();
    movie.show();
    Get<QAbstractButton>("LoopCheck")->setChecked(false);
    services.onMessages = [this] {
      const std::string title = movie.windowTitle().toStdString();
      if (form.State().Playback.Playing && (played.empty() || played.back() != title)) played.push_back(title);
    };
  }

  std::string FourFrames(const std::string& name) {
    FlicSpec spec;
    spec.records = {Frame({Color256({{10, 20, 30}}), Black()}), Frame({}), Frame({}), Frame({})};
    return SaveFlic(dir / name, spec);
  }

  // Enter, then drop, at `where` in the window; what the file manager is told.
  struct Answer {
    bool enterAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
  };
  Answer Drop(QWidget& window, QPoint where, const std::string& uriList) {
    QMimeData data;
    data.setData("text/uri-list", QByteArray::fromStdString(uriList));
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(where, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &enter);
    Answer answer{enter.isAccepted()};
    if (!answer.enterAccepted) {
      QDragLeaveEvent leave;
      QCoreApplication::sendEvent(window.windowHandle(), &leave);
      return answer;
    }
    QDropEvent drop(where, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &drop);
    answer.dropAccepted = drop.isAccepted();
    answer.action = drop.dropAction();
    QCoreApplication::processEvents();  // the playback starts once the drop is answered
    return answer;
  }

  TempDir dir;
  std::vector<std::string> played;  // the movie window's title through each playback
};

TEST_F(FileDropTest, FlicsDroppedOnEitherWindowPlayInOrderAsIfChosenAndStartedWithF) {
  const std::string first = FourFrames("first.flc");
  const std::string second = FourFrames("second one.flc");
  const std::filesystem::path folder = dir / "a folder";
  std::filesystem::create_directory(folder);

  // Three at once on the movie window, a folder among them.
  const Answer onMovie = Drop(movie, {50, 50},
                              "file://" + first + "\r\nfile://" + folder.string() + "\r\nfile://localhost" +
                                  dir.Path().string() + "/second%20one.flc\r\n");
  EXPECT_TRUE(onMovie.enterAccepted);
  EXPECT_TRUE(onMovie.dropAccepted);
  // A move would have the file manager delete the flic.
  EXPECT_EQ(onMovie.action, Qt::CopyAction);
  EXPECT_EQ(played, (std::vector<std::string>{first, second}));
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "There was an error while attempting to load " + folder.string() + ".");
  // The last one stays chosen, as the Open dialog leaves it.
  EXPECT_EQ(form.State().OpenDialog.FileName, second);
  EXPECT_EQ(form.State().OpenDialog.InitialDir, dir.Path().string());
  EXPECT_TRUE(Enabled("PlayButton"));

  // One on the panel, over a button that takes no drop itself; during its
  // playback "Select flic to be played" is disabled and the windows refuse
  // a drop.
  played.clear();
  bool refusedWhilePlaying = false;
  const auto record = services.onMessages;
  services.onMessages = [&] {
    record();
    if (!refusedWhilePlaying && form.State().Playback.Playing) {
      refusedWhilePlaying = !Drop(movie, {10, 10}, "file://" + second + "\r\n").enterAccepted &&
                            !Drop(form, {40, 15}, "file://" + second + "\r\n").enterAccepted;
    }
  };
  const QPoint overButton = Get("PlayFileButton")->geometry().center();
  EXPECT_TRUE(Drop(form, overButton, "file://" + first + "\n").dropAccepted);
  EXPECT_EQ(played, (std::vector<std::string>{first}));
  EXPECT_TRUE(refusedWhilePlaying);

  // Nothing that is a file here: the drag is refused.
  EXPECT_FALSE(Drop(form, overButton, "https://example.org/anim.flc\r\n").enterAccepted);
  EXPECT_EQ(played, (std::vector<std::string>{first}));
}

}  // namespace
}  // namespace kt::test
