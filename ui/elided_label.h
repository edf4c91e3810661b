// A label that never shows a text cut by its edge: each line that does not
// fit its width ends in "…", and the full text is the label's tool tip.
#pragma once

#include <QLabel>
#include <QString>

namespace talvec {

class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

  void SetFullText(const QString& text);
  const QString& fullText() const { return full_text_; }
  // Whether a line is shown cut.
  bool elided() const { return elided_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Fit();

  QString full_text_;
  bool elided_ = false;
};

}  // namespace talvec
