// Scores facts read from a page against what the simulator meant the page
// to state: per field, right, wrong (a value that differs, or one the page
// does not state) and missed (stated, not read).
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <cmath>
#include <optional>

#include "facts/extraction.h"
#include "sitesim/site_simulator.h"

namespace talvec::test_support {

struct FieldTally {
  int right = 0, wrong = 0, missed = 0;
};

struct Score {
  QMap<QString, FieldTally> fields;
  QStringList wrong_examples;  // "field: got | want (variant)"

  void Text(const char* field, const QString& got, const QString& want, const QString& where) {
    FieldTally& t = fields[QString::fromLatin1(field)];
    if (want.isEmpty() && got.isEmpty()) return;
    if (got == want) {
      ++t.right;
    } else if (got.isEmpty()) {
      ++t.missed;
      if (wrong_examples.size() < 40)
        wrong_examples << QStringLiteral("MISSED %1: want [%2] (%3)").arg(field, want, where);
    } else {
      ++t.wrong;
      if (wrong_examples.size() < 40)
        wrong_examples
            << QStringLiteral("WRONG %1: got [%2] want [%3] (%4)").arg(field, got, want, where);
    }
  }
  void Money(const char* field, std::optional<double> got, std::optional<double> want,
             const QString& where) {
    auto text = [](std::optional<double> v) {
      return v ? QString::number(std::llround(*v * 100)) : QString();
    };
    Text(field, text(got), text(want), where);
  }

  void Page(const PageFacts& got, const sitesim::NoticeFacts& want, const QString& where) {
    Text("ProjectNo", got.project_no, want.project_no, where);
    Text("ProjectKey", got.project_key, want.project_key, where);
    Text("ProjectName", got.project_name, want.project_name, where);
    Money("Budget", got.budget, want.budget, where);
    Text("BudgetText", got.budget_text, want.budget_text, where);
    Money("PriceCap", got.price_cap, want.price_cap, where);
    Text("PriceCapText", got.price_cap_text, want.price_cap_text, where);
    Text("Buyer", got.buyer, want.buyer, where);
    Text("BuyerContact", got.buyer_contact, want.buyer_contact, where);
    Text("Agency", got.agency, want.agency, where);
    Text("AgencyContact", got.agency_contact, want.agency_contact, where);
    Text("ContactPerson", got.contact_person, want.contact_person, where);
    Text("ContactPhone", got.contact_phone, want.contact_phone, where);
    Text("DocsFrom", got.docs_from, want.docs_from, where);
    Text("DocsUntil", got.docs_until, want.docs_until, where);
    Text("Deadline", got.deadline, want.deadline, where);
    Text("OpeningAt", got.opening_at, want.opening_at, where);
    Text("OpeningPlace", got.opening_place, want.opening_place, where);
    Text("Method", got.method, want.method, where);
    Text("CorrectedOn", got.corrected_on, want.corrected_on, where);
    auto changes = [](const auto& list) {
      QStringList out;
      for (const auto& c : list) out << c.item + u'=' + c.new_value;
      return out.join(u';');
    };
    Text("Changes", changes(got.changes), changes(want.changes), where);
  }

  FieldTally Total() const {
    FieldTally all;
    for (const FieldTally& t : fields) {
      all.right += t.right;
      all.wrong += t.wrong;
      all.missed += t.missed;
    }
    return all;
  }
  QString Report() const {
    QString text;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
      text += QStringLiteral("  %1: right %2, wrong %3, missed %4\n")
                  .arg(it.key(), -14)
                  .arg(it->right)
                  .arg(it->wrong)
                  .arg(it->missed);
    }
    const FieldTally all = Total();
    text += QStringLiteral("  all fields: right %1, wrong %2, missed %3\n")
                .arg(all.right)
                .arg(all.wrong)
                .arg(all.missed);
    return text;
  }
};

}  // namespace talvec::test_support
