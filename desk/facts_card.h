// What the viewer's side card shows of an announcement: its key facts with
// the project's effective times and budget (and what corrections replaced),
// and the project's announcements by date.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/error.h"
#include "facts/facts_store.h"

namespace talvec {

class Database;

enum class CardState {
  kNotListed,  // not an announcement of the store (a help page, a link followed)
  kUnread,     // listed, its page not read yet
  kRead,
  kNoFacts,  // read, the page states none of the facts
  kFailed,   // the page could not be read
};

// One line of the card. `superseded` are the values corrections replaced,
// oldest first; `corrected_on` the date of the newest correction of it.
struct CardFact {
  QString label, value;
  QStringList superseded;
  QString corrected_on;
};

struct FactsCard {
  QString title;
  CardState state = CardState::kNotListed;
  QList<CardFact> facts;
  QList<ProjectEntry> timeline;  // oldest first; at least the announcement itself
};

// The card of `title`. Facts the page itself leaves out (a correction's or
// a result's page) are those of its project's announcement; times and the
// budget are the effective ones.
Result<FactsCard> ReadFactsCard(Database& db, const QString& title);

// The card's facts as lines "label：value" (the copy of the whole card).
QString FactsCardText(const FactsCard& card);

}  // namespace talvec
