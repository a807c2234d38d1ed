#include "control/control_behaviour.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>
#include <utility>

namespace kt {

void ConnectClick(QAbstractButton* box, QObject* context, std::function<void()> handler) {
  // toggled, unlike clicked, also follows code that changes the state, and
  // stays silent when code sets the state the box already has.
  QObject::connect(box, &QAbstractButton::toggled, context, [handler = std::move(handler)](bool) { handler(); });
}

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::NoTicks);
  connect(this, &QAbstractSlider::actionTriggered, this, &TrackBar::OnAction);
  connect(this, &QAbstractSlider::valueChanged, this, &TrackBar::OnValueChanged);
}

void TrackBar::OnAction(int /*action*/) {
  // Every move the user makes passes here with the new position already
  // worked out and the value not yet changed. Code's setValue never does.
  if (sliderPosition() == value()) {
    // At a limit the value will not change: the handler still runs, as it
    // does for every move the user makes.
    emit Change();
  } else {
    userMovePending_ = true;
  }
}

void TrackBar::OnValueChanged() {
  if (!userMovePending_) return;
  userMovePending_ = false;
  emit Change();
}

void TrackBar::focusInEvent(QFocusEvent* event) {
  QSlider::focusInEvent(event);
  emit Enter();
}

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::buttonClicked, this, [this] { emit Click(); });
  connect(group_, &QButtonGroup::buttonToggled, this, [this] { emit Changed(); });
}

void RadioGroup::setCaption(const QString& caption) {
  caption_ = caption;
  captionPending_ = !isVisible();
  if (!captionPending_) setTitle(caption);
}

void RadioGroup::setItems(const QStringList& items) {
  const int keep = ItemIndex();
  for (QRadioButton* button : buttons_) delete button;
  buttons_.clear();
  items_ = items;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(objectName() + "Item" + QString::number(i));
    group_->addButton(button, i);
    buttons_.push_back(button);
    // Hidden, the group shows them with itself; a show now would measure them.
    if (isVisible()) button->show();
  }
  SetItemIndex(keep);
  ArrangeItems();
}

void RadioGroup::setColumns(int columns) {
  columns_ = std::max(1, columns);
  ArrangeItems();
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
  index = std::clamp(index, -1, Count() - 1);
  if (index >= 0) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
    return;
  }
  // An exclusive group refuses to uncheck its last checked button.
  group_->setExclusive(false);
  for (QRadioButton* button : buttons_) button->setChecked(false);
  group_->setExclusive(true);
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  ArrangeItems();
}

void RadioGroup::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) ArrangeItems();
}

void RadioGroup::showEvent(QShowEvent* event) {
  if (std::exchange(captionPending_, false)) setTitle(caption_);
  QGroupBox::showEvent(event);
  ArrangeItems();
}

void RadioGroup::ArrangeItems() {
  // The show arranges what changed while hidden.
  if (buttons_.empty() || !isVisible()) return;
  // Items fill the columns top to bottom, in rows of equal height below the title.
  const int count = Count();
  const int perColumn = (count + columns_ - 1) / columns_;
  // The rows share the space inside the frame, below the title: a row
  // that began above the frame's line would have its mark cut by it.
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  const QRect inside = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this);
  const int rowsSpace = inside.height();
  const int rowHeight = std::max(1, rowsSpace / perColumn);
  const int topMargin = inside.top() + (rowsSpace % perColumn) / 2;

  // Columns are of equal width, unless the texts fit only when each column
  // is as wide as its longest item; the room left over is shared out.
  constexpr int kLeftMargin = 8;
  const int room = inside.left() + inside.width() - kLeftMargin;
  std::vector<int> columnWidths(static_cast<size_t>(columns_), std::max(1, room / columns_));
  std::vector<int> needed(static_cast<size_t>(columns_), 0);
  for (int i = 0; i < count; ++i) {
    int& column = needed[static_cast<size_t>(i / perColumn)];
    column = std::max(column, buttons_[static_cast<size_t>(i)]->sizeHint().width());
  }
  int neededTotal = 0;
  for (int width : needed) neededTotal += width;
  if (neededTotal <= room) {
    const int share = (room - neededTotal) / columns_;
    for (size_t c = 0; c < needed.size(); ++c) columnWidths[c] = needed[c] + share;
  }

  int left = kLeftMargin;
  for (int c = 0; c < columns_; ++c) {
    for (int row = 0; row < perColumn && c * perColumn + row < count; ++row) {
      buttons_[static_cast<size_t>(c * perColumn + row)]->setGeometry(left, row * rowHeight + topMargin,
                                                                      columnWidths[static_cast<size_t>(c)], rowHeight);
    }
    left += columnWidths[static_cast<size_t>(c)];
  }
}

}  // namespace kt
