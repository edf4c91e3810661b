// The text of an HTML page as lines: block elements and line breaks end a
// line, table cells are separated by a tab, scripts, styles and comments are
// dropped, character references decoded, runs of blanks collapsed. It is
// built in steps of a bounded amount of input, so a caller can yield between
// them.
#pragma once

#include <QString>
#include <QStringView>

namespace talvec {

class PageText {
 public:
  explicit PageText(QString html);

  // Reads about `budget` characters of the page; true once all is read.
  bool Step(qsizetype budget);
  bool done() const { return pos_ >= html_.size(); }

  // The lines so far, each ended by '\n'; cells inside a line by '\t'.
  const QString& text() const { return text_; }

 private:
  enum class Skip { kNone, kScript, kStyle, kComment };
  void Tag(qsizetype open, qsizetype close);
  void Entity(qsizetype at, qsizetype* next);
  void Char(QChar c);
  void EndLine();
  void Cell();

  QString html_;
  qsizetype pos_ = 0;
  Skip skip_ = Skip::kNone;
  QString text_;
  qsizetype line_start_ = 0;  // where the current line begins in text_
  bool blank_ = false;        // a blank is pending before the next character
  int cells_ = 0;             // cells opened in the current table row
  bool in_cell_ = false;      // inside <td> or <th>
};

}  // namespace talvec
