// The about window: a borderless 320 x 240 title card, shown modally, that
// closes on a click or on any typed character.
#pragma once

#include <QDialog>
#include <QImage>

namespace kt {

// The picture control: shows its picture at its own size and reports clicks.
class AboutImageControl : public QWidget {
  Q_OBJECT

 public:
  explicit AboutImageControl(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  bool pressed_ = false;
};

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  // A one-line credit; with no border it is never seen.
  static constexpr const char* kCaption = "Kinetrope 32bit v2.52 - about";
  static constexpr int kClientWidth = 320;
  static constexpr int kClientHeight = 240;

  explicit AboutWindow(QWidget* parent = nullptr);

  AboutImageControl& AboutImage() { return *aboutImage_; }

  void FormCreate();
  void AboutImageClick() { close(); }
  void FormKeyPress(char) { close(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Tab types a character like any other key.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  AboutImageControl* aboutImage_;
};

}  // namespace kt
