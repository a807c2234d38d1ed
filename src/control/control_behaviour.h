// The few control behaviours the player's handlers are written against:
// a check box runs its click handler whenever its state changes, from code
// or from the user; a bar runs its change handler only for the user's
// moves, never when code sets its position, range or page size; a radio
// group has an item index from -1 (nothing chosen) to its last item.
#pragma once

#include <QGroupBox>
#include <QSlider>
#include <QStringList>
#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QRadioButton;

namespace kt {

// Runs `handler` each time the box's checked state changes: the user's click,
// or code setting a different state; setting the same state runs nothing.
void ConnectClick(QAbstractButton* box, QObject* context, std::function<void()> handler);

// A horizontal track bar. Code moves it with setValue (Qt clamps to the range);
// Change is emitted only for the user's moves: a drag, a click on the groove,
// the wheel or a key, also when the bar already stands at its limit.
class TrackBar : public QSlider {
  Q_OBJECT

 public:
  explicit TrackBar(QWidget* parent = nullptr);

 signals:
  void Change();
  // The bar received the keyboard focus.
  void Enter();

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  void OnAction(int action);
  void OnValueChanged();

  bool userMovePending_ = false;
};

// A framed group of radio buttons laid out in columns, filled column by
// column. The item index is -1 when no item is chosen. Its caption goes on
// the frame, and its items are arranged, only once it is shown: both
// measure text, and the first measure loads the fonts, which a start that
// only plays a flic need not wait for.
class RadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QString caption READ caption WRITE setCaption)
  Q_PROPERTY(QStringList items READ items WRITE setItems)
  Q_PROPERTY(int columns READ columns WRITE setColumns)
  Q_PROPERTY(int itemIndex READ ItemIndex WRITE setItemIndex)

 public:
  explicit RadioGroup(QWidget* parent = nullptr);

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);
  QStringList items() const { return items_; }
  void setItems(const QStringList& items);
  int columns() const { return columns_; }
  void setColumns(int columns);

  int ItemIndex() const;
  // Limited to -1 .. the last item; -1 clears the choice.
  void SetItemIndex(int index);
  void setItemIndex(int index) { SetItemIndex(index); }
  int Count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Item(int index) const { return buttons_.at(static_cast<size_t>(index)); }

 signals:
  // The user chose an item.
  void Click();
  // The item index changed, by the user or by code.
  void Changed();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The items' widths follow their font and style.
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ArrangeItems();

  QString caption_;
  bool captionPending_ = false;  // set while hidden, put on the frame at the show
  QStringList items_;
  int columns_ = 1;
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
};

}  // namespace kt
