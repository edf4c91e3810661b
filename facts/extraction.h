// The facts of an announcement page in the national notice format (and the
// construction site's tender layout): the page's text is split into
// sections by its top-level headings ("一、" ... , or "1." ... where a page
// has no others), and each fact is looked up by its labels inside the
// section that holds it. Labels may carry blanks, U+3000 and either colon.
// Nothing is guessed: a fact the page does not state stays empty, and a
// value that does not read as money or time keeps its text with no value.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace talvec {

// One change a correction states: "原…：X，更正为：Y".
struct FactChange {
  QString item;      // "Deadline", "OpeningAt", "DocsUntil", "Budget" or "Other"
  QString old_text;  // the page's words
  QString new_text;
  QString new_value;  // the new value in the form of the matching fact; "" unreadable or Other
};

inline constexpr char16_t kItemDeadline[] = u"Deadline";
inline constexpr char16_t kItemOpeningAt[] = u"OpeningAt";
inline constexpr char16_t kItemDocsUntil[] = u"DocsUntil";
inline constexpr char16_t kItemBudget[] = u"Budget";
inline constexpr char16_t kItemOther[] = u"Other";

struct PageFacts {
  QString project_no;   // as written
  QString project_key;  // ProjectKey(project_no)
  QString project_name;
  std::optional<double> budget;  // yuan: the project's amount, else the sum of its lots
  QString budget_text;
  std::optional<double> price_cap;
  QString price_cap_text;
  QString buyer, buyer_contact;
  QString agency, agency_contact;
  QString contact_person, contact_phone;
  // Times: "YYYY-MM-DD HH:MM" or "YYYY-MM-DD"; the page's words beside them.
  QString docs_from, docs_until, docs_text;
  QString deadline, deadline_text;
  QString opening_at, opening_text;
  QString opening_place;
  QString method;
  QList<FactChange> changes;
  QString corrected_on;  // "更正日期", "YYYY-MM-DD"

  // Whether the page stated anything at all.
  bool HasFacts() const;
};

// The reading of one page, done in steps so that a caller on the window's
// thread can yield between them.
class FactsExtraction {
 public:
  // Beyond this many characters a page is not read (real notices are tens
  // of kilobytes).
  static constexpr qsizetype kMaxPageChars = 4 << 20;
  // A good step: about a millisecond of work.
  static constexpr qsizetype kStepChars = 64 * 1024;

  // `title`: the announcement's title, which may name the method.
  FactsExtraction(QString html, QString title);
  ~FactsExtraction();
  FactsExtraction(const FactsExtraction&) = delete;
  FactsExtraction& operator=(const FactsExtraction&) = delete;

  // Does about `budget` characters' worth of work; true once done.
  bool Step(qsizetype budget = kStepChars);
  bool done() const;
  const PageFacts& facts() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// The value a change's words state for `item`, in the form of the matching
// Facts column; "" for "Other" and where the words state none. Gives the
// new value of a change, and the old value that tells which of two
// corrections of one day came later.
QString ChangeValue(QStringView item, QStringView text);

// The whole reading at once (tests, the fuzz target, benchmarks).
PageFacts ExtractFacts(const QString& html, const QString& title = {});

}  // namespace talvec
