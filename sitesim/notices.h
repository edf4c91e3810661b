// Projects and the national-format notices the simulated sites publish for
// them: a project starts with a pre-announcement or its announcement, may
// be corrected (the deadline moved, once or twice), and ends with a result;
// all its pages share its project number. Each page is composed as a
// NoticePlan (the lines and forms it shows) together with the facts it
// states (NoticeFacts, the truth a reader is scored against).
#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "sitesim/site_simulator.h"

namespace talvec::sitesim {

class Rng;

enum class NoticeKind {
  kNone,          // the older page form (result pre-announcements)
  kPre,           // pre-announcement: demand notice or intention table
  kTender,        // 招标公告
  kConsultation,  // 竞争性磋商 / 谈判 / 询价公告
  kCorrection,    // 更正公告
  kResult,        // 中标（成交）结果公告, holding the result table
  kConstruction,  // the construction site's tender notice
};

// How the lines of a page are laid out.
enum class NoticeLayout {
  kParagraphs,  // one <p> per line
  kBreaks,      // lines separated by <br/>
  kTable,       // the whole notice in a two-column table
  kSummary,     // the facts only in a summary table of label and value cells
  kIntention,   // a table with a header row (the intention notice)
};

struct NoticeLine {
  enum class Kind { kHeading, kSubheading, kLabel, kText, kFiller };
  Kind kind = Kind::kText;
  QString label;  // kLabel: the label as written (blanks kept), without the colon
  QString text;   // the value, or the text of the line
};

struct NoticePlan {
  NoticeKind kind = NoticeKind::kNone;
  NoticeLayout layout = NoticeLayout::kParagraphs;
  quint64 seed = 0;         // the filler of the page (requirements, styles)
  QString product;          // what the requirements table lists
  bool half_colon = false;  // ":" after the labels instead of "："
  QString lead;             // a sentence before the numbered sections
  QList<NoticeLine> lines;
  // kSummary and kIntention: the cells, row by row.
  QList<QStringList> table;
};

struct Project {
  int id = 0;
  bool provincial = false;
  QString region_short;  // for supplier names
  QString city;          // the city (or the province) the buyer sits in
  QString area_code;     // telephone area code
  QString buyer;         // the public body
  QString project;       // the product part of the titles ("…采购项目")
  QString name;          // the project name its pages show
  QString key;           // its project number in key form
  QString product;
  bool service = false;
  // Set when it is announced:
  QString method;  // 公开招标, 竞争性磋商, 竞争性谈判, 询价
  double budget = 0;
  QList<double> lots;  // lot budgets, when it has lots
  double cap = 0;      // 0: no price cap stated
  bool secret_budget = false;
  QString agency;  // "" when the buyer procures itself
  QString agency_address, agency_contact;
  QString buyer_address, buyer_contact;
  QString person, phone;  // the project contact
  QString place;          // where bids are handed in and opened
  QDate planned;          // a pre-announced project's announcement day
  QDate announced;        // invalid until announced
  QDateTime docs_from, docs_until, deadline, opening;
  int corrections = 0;
  bool on_site = true;  // its announcement is on the site
  bool resulted = false;
  // A short project of the last days that runs its whole course (pre-
  // announcement, announcement, a correction, result) before today.
  bool whole_course = false;
};

namespace notices {

// A new project of the level of `type` (1..5 city, 6..10 province).
Project NewProject(int id, int type, QDate date, Rng& rng);
// Sets the procurement of an announced project (method, money, times).
void Announce(Project& project, QDate date, Rng& rng);
// Makes a new project one that runs its whole course within a week: an
// enquiry (询价) announced the day after, bids due two days later.
void MakeWholeCourse(Project& project, QDate pre_date);

// The page of an announcement of the project, composed for `date`; the
// facts it states go to `facts`. Corrections move the project's times.
NoticePlan ComposePre(const Project& project, QDate date, const QString& ending, Rng& rng,
                      NoticeFacts* facts);
NoticePlan ComposeTender(const Project& project, Rng& rng, NoticeFacts* facts);
NoticePlan ComposeCorrection(Project& project, QDate date, Rng& rng, NoticeFacts* facts);
NoticePlan ComposeResult(const Project& project, Rng& rng, NoticeFacts* facts);
NoticePlan ComposeConstruction(const ConstructionTender& tender, const QString& buyer,
                               const QString& city, Rng& rng, NoticeFacts* facts);

}  // namespace notices
}  // namespace talvec::sitesim
