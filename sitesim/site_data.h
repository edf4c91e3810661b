// The simulator's data: announcements of the ten channels and construction
// tenders, composed from the word lists, deterministic from a seed.
#pragma once

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "sitesim/notices.h"
#include "sitesim/site_simulator.h"

namespace talvec::sitesim {

// A small portable generator (splitmix64): the same sequence on every platform
// and standard library, unlike the <random> distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  int Below(int n);  // 0 .. n-1
  double Unit();     // [0, 1)
  bool Chance(double p) { return Unit() < p; }
  template <typename T>
  const T& Pick(std::span<const T> items) {
    return items[Below(static_cast<int>(items.size()))];
  }

 private:
  std::uint64_t state_;
};

class Catalogue {
 public:
  Catalogue(std::uint64_t seed, QDate today, int days_back, bool quirks);

  // Appends a new announcement (or tender) dated `date`, the newest of its list.
  const Announcement& Add(int type, QDate date);
  const ConstructionTender& AddTender(QDate date);
  // A type for an automatic addition, drawn by the channels' weights; 0 stands
  // for a construction tender.
  int NextLiveType();

  const std::vector<Announcement>& Channel(int type) const {
    return channels_[type - 1];
  }                                                                            // oldest first
  const std::vector<ConstructionTender>& Tenders() const { return tenders_; }  // oldest first
  const Announcement* Find(int id) const;
  const ConstructionTender* FindTender(int id) const;
  // The national-format notice of an announcement or tender page; nothing
  // for the pages of the older form.
  const NoticePlan* Notice(int id) const;
  const NoticePlan* TenderNotice(int id) const;

  static QString AnnouncementAddress(int id);
  static QString TenderLink(int id);

 private:
  void GenerateDay(QDate date);
  Announcement Compose(int type, QDate date, Rng& rng);
  // The project an announcement of `type` belongs to: a new one, or one
  // waiting for its announcement, correction or result; null for the types
  // that belong to none.
  Project* ProjectFor(int type, QDate date, Rng& rng);
  Project& NewProject(int type, QDate date, Rng& rng);
  QString TitleEnding(int type, const Project& project, Rng& rng);
  QString ComposeTitle(const Project& project, const QString& ending, bool is_void, Rng& rng);
  void ComposeResult(Announcement* item, const QString& region_short, bool is_void, Rng& rng);
  ConstructionTender ComposeTender(QDate date, Rng& rng);
  const Announcement& Store(Announcement item);
  int NextId(QDate date, int per_day);

  std::uint64_t seed_;
  QDate today_;
  bool quirks_;
  Rng live_rng_;
  std::vector<Announcement> channels_[kChannelCount];
  std::vector<ConstructionTender> tenders_;
  std::deque<Project> projects_;
  QSet<QString> project_keys_;
  bool whole_course_[2] = {false, false};  // city, province
  QHash<int, NoticePlan> notices_;         // announcement id -> its notice
  QHash<int, NoticePlan> tender_notices_;
  QHash<int, std::pair<int, int>> by_id_;  // id -> (type, index)
  QHash<int, int> tender_by_id_;
  QSet<QString> keys_;  // stored form of every title (trimmed, first 127)
  QSet<QString> tender_keys_;
  QHash<qint64, int> day_counter_;  // Julian day -> announcements so far
  QHash<qint64, int> tender_counter_;
};

}  // namespace talvec::sitesim
