#include "sitesim/site_simulator.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>

#include "sitesim/construction_site.h"
#include "sitesim/management.h"
#include "sitesim/procurement_site.h"
#include "sitesim/search_engine.h"
#include "sitesim/site_data.h"
#include "sitesim/site_pages.h"
#include "sitesim/transport.h"

// Quiet in tests; the program turns the information messages on.
Q_LOGGING_CATEGORY(lcSiteSim, "talvec.sitesim", QtWarningMsg)

namespace talvec::sitesim {
namespace {

QJsonObject FactsJson(const NoticeFacts& f) {
  QJsonObject o;
  auto text = [&](const char* name, const QString& value) {
    if (!value.isEmpty()) o[QLatin1String(name)] = value;
  };
  text("ProjectNo", f.project_no);
  text("ProjectKey", f.project_key);
  text("ProjectName", f.project_name);
  if (f.budget) o[QStringLiteral("Budget")] = *f.budget;
  text("BudgetText", f.budget_text);
  if (f.price_cap) o[QStringLiteral("PriceCap")] = *f.price_cap;
  text("PriceCapText", f.price_cap_text);
  text("Buyer", f.buyer);
  text("BuyerContact", f.buyer_contact);
  text("Agency", f.agency);
  text("AgencyContact", f.agency_contact);
  text("ContactPerson", f.contact_person);
  text("ContactPhone", f.contact_phone);
  text("DocsFrom", f.docs_from);
  text("DocsUntil", f.docs_until);
  text("Deadline", f.deadline);
  text("OpeningAt", f.opening_at);
  text("OpeningPlace", f.opening_place);
  text("Method", f.method);
  text("CorrectedOn", f.corrected_on);
  QJsonArray changes;
  for (const NoticeChange& c : f.changes) {
    changes.append(
        QJsonObject{{QStringLiteral("Item"), c.item}, {QStringLiteral("NewValue"), c.new_value}});
  }
  if (!changes.isEmpty()) o[QStringLiteral("Changes")] = changes;
  return o;
}

}  // namespace

class SiteSimulator::Impl {
 public:
  Impl(SiteSimulator* q, Options options)
      : q_(q),
        options_(std::move(options)),
        catalogue_(options_.seed, Today(), options_.days_back, options_.quirks),
        fault_(options_.fault),
        management_(options_.management_version, options_.update_package) {
    listener_ = new ListenSocket;
    listener_->setParent(q_);
    listener_->connection_fault = [this] {
      return listener_->isListening() &&
             (IsConnectionFault(fault_) || management_.NeedsConnection());
    };
    listener_->take = [this](QTcpSocket* socket) {
      auto* exchange = new Exchange(
          socket, q_, [this](Exchange* e, const QString& target) { HandleConnection(e, target); });
      exchanges_.removeIf([](const QPointer<Exchange>& e) { return e.isNull(); });
      exchanges_.append(exchange);
    };
    http_.setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
          const Reply reply = Answer(Target(request.url()));
          responder.write(reply.body, reply.type,
                          static_cast<QHttpServerResponder::StatusCode>(reply.status));
        });
    control_.setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
          const Reply reply = Control(request.url());
          responder.write(reply.body, reply.type,
                          static_cast<QHttpServerResponder::StatusCode>(reply.status));
        });
    fault_timer_.setSingleShot(true);
    QObject::connect(&fault_timer_, &QTimer::timeout, q_, [this] { SetFault(Fault{}); });
    relisten_timer_.setSingleShot(true);
    QObject::connect(&relisten_timer_, &QTimer::timeout, q_, [this] { Relisten(); });
    if (options_.new_every_seconds > 0) {
      QObject::connect(&new_timer_, &QTimer::timeout, q_, [this] {
        const int type = catalogue_.NextLiveType();
        if (type == 0) {
          q_->AddConstructionTender();
        } else {
          q_->AddAnnouncement(type);
        }
      });
      new_timer_.start(options_.new_every_seconds * 1000);
    }
  }

  QDate Today() const { return options_.today.isValid() ? options_.today : QDate::currentDate(); }

  static QString Target(const QUrl& url) {
    return url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
  }

  bool Listen(quint16 port, const QHostAddress& address) {
    if (!listener_->listen(address, port)) {
      qCWarning(lcSiteSim) << "cannot listen on" << address << port << listener_->errorString();
      return false;
    }
    address_ = address;
    port_ = listener_->serverPort();
    if (!bound_) {
      http_.bind(listener_);
      bound_ = true;
    }
    if (fault_.mode != FaultMode::kNone) SetFault(fault_);
    return true;
  }

  void Relisten() {
    if (port_ == 0 || listener_->isListening() || fault_.mode == FaultMode::kRefuse) return;
    if (!listener_->listen(address_, port_)) {
      qCWarning(lcSiteSim) << "cannot listen again on" << port_ << listener_->errorString()
                           << "- retrying";
      relisten_timer_.start(1000);
    }
  }

  void SetFault(const Fault& fault) {
    fault_ = fault;
    fault_timer_.stop();
    int seconds = fault.seconds;
    if (fault.mode == FaultMode::kRefuse) {
      if (!fault.arg.isEmpty()) seconds = fault.arg.toInt();
      // New connections are refused at once; open ones are closed gracefully,
      // so that a request being answered right now (SetFault from a slot of
      // RequestReceived) still gets its answer.
      listener_->close();
      listener_->CloseHttpSockets();
      for (const QPointer<Exchange>& e : std::as_const(exchanges_)) {
        if (e) e->Abort();
      }
    } else {
      Relisten();
      if (IsConnectionFault(fault)) listener_->CloseHttpSockets();
    }
    if (seconds > 0) fault_timer_.start(seconds * 1000);
    emit q_->FaultChanged(fault.mode);
    qCInfo(lcSiteSim).noquote() << "fault" << FaultName(fault.mode) << fault.arg
                                << (seconds > 0 ? QStringLiteral("for %1 s").arg(seconds)
                                                : QString())
                                << (fault.scope.isEmpty() ? QString()
                                                          : QStringLiteral("scope ") + fault.scope);
  }

  bool InScope(const QString& target) const {
    return fault_.mode != FaultMode::kNone &&
           (fault_.scope.isEmpty() || target.contains(fault_.scope));
  }

  // A whole answer, with the faults that are whole answers.
  Reply Answer(const QString& target) {
    if (target.startsWith(QLatin1String("/__sim/"))) return Control(QUrl(target));
    ++requests_;
    emit q_->RequestReceived(target);
    const bool fault = InScope(target);
    pages::ListPageOptions list_options;
    list_options.drop_heading = fault && fault_.mode == FaultMode::kNoHeading;
    list_options.drop_page_info = fault && fault_.mode == FaultMode::kNoPageInfo;
    if (fault && fault_.mode == FaultMode::kErrorWords) {
      return Reply{200, pages::ErrorPage(fault_.arg == QLatin1String("2") ? 2 : 1)};
    }
    Reply reply = Dispatch(QUrl(target), list_options);
    if (!fault) return reply;
    switch (fault_.mode) {
      case FaultMode::kStatus:
        reply.status = fault_.arg.isEmpty() ? 500 : std::clamp(fault_.arg.toInt(), 100, 599);
        break;
      case FaultMode::kOversize: {
        const qint64 mib = fault_.arg.isEmpty() ? 24 : std::clamp(fault_.arg.toInt(), 1, 1024);
        const qint64 size = mib * 1024 * 1024;
        if (reply.body.size() < size) {
          const QByteArray line = QByteArrayLiteral(
              "<!-- padding padding padding padding padding padding padding -->\n");
          QByteArray padded;
          padded.reserve(size);
          padded += reply.body;
          while (padded.size() + line.size() <= size) padded += line;
          padded.append(size - padded.size(), ' ');
          reply.body = std::move(padded);
        }
        break;
      }
      case FaultMode::kGarbage:
        reply.body = Garbage(options_.seed, 65536);
        break;
      default:
        break;
    }
    return reply;
  }

  // The connection path: stall, truncate, garbage, drip, the gzip faults (and
  // anything out of scope).
  void HandleConnection(Exchange* exchange, const QString& target) {
    if (target.startsWith(QLatin1String("/__sim/"))) {
      const Reply reply = Control(QUrl(target));
      exchange->Send(Serialize(reply) + reply.body, true);
      return;
    }
    if (Management::IsPackagePath(QUrl(target).path()) && management_.NeedsConnection()) {
      ++requests_;
      emit q_->RequestReceived(target);
      management_.Serve(exchange->socket());
      return;
    }
    if (!IsConnectionFault(fault_) || !InScope(target)) {
      const Reply reply = Answer(target);
      exchange->Send(Serialize(reply) + reply.body, true);
      return;
    }
    ++requests_;
    emit q_->RequestReceived(target);
    const Fault fault = fault_;
    switch (fault.mode) {
      case FaultMode::kStall: {
        const int seconds = fault.arg.isEmpty() ? 60 : fault.arg.toInt();
        if (seconds <= 0) return;  // never answers; the client gives up
        QPointer<Exchange> guard(exchange);
        QTimer::singleShot(seconds * 1000, exchange, [this, guard, target] {
          if (!guard) return;
          const Reply reply = Dispatch(QUrl(target), {});
          guard->Send(Serialize(reply) + reply.body, true);
        });
        return;
      }
      case FaultMode::kTruncate: {
        const Reply reply = Dispatch(QUrl(target), {});
        const qsizetype sent =
            fault.arg.isEmpty()
                ? reply.body.size() / 2
                : std::clamp<qsizetype>(fault.arg.toLongLong(), 0, reply.body.size() - 1);
        exchange->Send(Serialize(reply, reply.body.size()) + reply.body.left(sent), true);
        return;
      }
      case FaultMode::kDrip: {
        const int ms = fault.arg.isEmpty() ? 2000 : std::clamp(fault.arg.toInt(), 1, 3600000);
        const Reply reply = Dispatch(QUrl(target), {});
        exchange->Drip(Serialize(reply), reply.body, ms);
        return;
      }
      case FaultMode::kGzipCut: {
        const Reply reply = Dispatch(QUrl(target), {});
        const QByteArray stream = Gzip(reply.body);
        const QByteArray cut = stream.left(stream.size() / 2);
        exchange->Send(Serialize(reply, cut.size(), true) + cut, true);
        return;
      }
      case FaultMode::kGzipJunk: {
        const Reply reply = Dispatch(QUrl(target), {});
        const QByteArray bytes = Gzip(reply.body) + Garbage(options_.seed, 512);
        exchange->Send(Serialize(reply, bytes.size(), true) + bytes, true);
        return;
      }
      case FaultMode::kGzipBomb: {
        const Reply reply = Dispatch(QUrl(target), {});
        const qint64 mib = fault.arg.isEmpty() ? 64 : std::clamp(fault.arg.toInt(), 1, 1024);
        const QByteArray bytes = Gzip(reply.body, mib * 1024 * 1024, BombFiller());
        exchange->Send(Serialize(reply, bytes.size(), true) + bytes, true);
        return;
      }
      default:  // garbage instead of HTTP
        exchange->Send(Garbage(options_.seed, 8192), true);
        return;
    }
  }

  // The answer of whichever site the path belongs to.
  Reply Dispatch(const QUrl& url, pages::ListPageOptions list_options) {
    if (std::optional<Reply> reply = AnswerProcurementSite(url, catalogue_, list_options))
      return *reply;
    if (std::optional<Reply> reply = AnswerConstructionSite(url, catalogue_, list_options))
      return *reply;
    if (std::optional<Reply> reply = AnswerSearchEngine(url, catalogue_)) return *reply;
    if (std::optional<ManagementReply> answer = management_.Answer(url.path())) {
      return Reply{answer->status, std::move(answer->body), answer->type};
    }
    return Reply{404, pages::ErrorPage(1)};
  }

  // Control requests: /__sim/fault, /__sim/add, /__sim/state, /__sim/items.
  Reply Control(const QUrl& url) {
    const QString path = url.path();
    const QUrlQuery query(url);
    if (path == QLatin1String("/__sim/fault")) {
      if (query.hasQueryItem(QStringLiteral("mode"))) {
        QString text = query.queryItemValue(QStringLiteral("mode"));
        if (query.hasQueryItem(QStringLiteral("arg")))
          text += u':' + query.queryItemValue(QStringLiteral("arg"));
        std::optional<Fault> fault = ParseFault(text);
        if (!fault) return Reply{400, "unknown fault mode\n", kText};
        fault->seconds = query.queryItemValue(QStringLiteral("for")).toInt();
        fault->scope = query.queryItemValue(QStringLiteral("scope"), QUrl::FullyDecoded);
        // Refusing from inside a request: answer first, then close.
        if (fault->mode == FaultMode::kRefuse) {
          QTimer::singleShot(0, q_, [this, f = *fault] { SetFault(f); });
        } else {
          SetFault(*fault);
        }
        return Reply{200, ("ok " + FaultName(fault->mode) + ' ' + fault->arg + '\n').toUtf8(),
                     kText};
      }
      return Reply{200, (FaultName(fault_.mode) + ' ' + fault_.arg + '\n').toUtf8(), kText};
    }
    if (path == QLatin1String("/__sim/update")) {
      const ManagementReply answer = management_.Control(query);
      if (management_.NeedsConnection()) listener_->CloseHttpSockets();
      return Reply{answer.status, answer.body, answer.type};
    }
    if (path == QLatin1String("/__sim/add")) {
      const QString type_text = query.queryItemValue(QStringLiteral("type"));
      const int type = type_text == QLatin1String("construction") ? 0 : type_text.toInt();
      const int count = std::clamp(query.queryItemValue(QStringLiteral("count")).toInt(), 1, 1000);
      QString text;
      for (int i = 0; i < count; ++i) {
        if (type >= 1 && type <= kChannelCount) {
          const Announcement item = q_->AddAnnouncement(type);
          text += QString::number(item.type) + u'\t' + item.address + u'\t' + item.title + u'\n';
        } else if (type == 0) {
          const ConstructionTender tender = q_->AddConstructionTender();
          text += QStringLiteral("construction\t") + tender.link + u'\t' + tender.title + u'\n';
        } else {
          return Reply{400, "type must be 1..10 or construction\n", kText};
        }
      }
      return Reply{200, text.toUtf8(), kText};
    }
    if (path == QLatin1String("/__sim/state")) {
      QJsonObject state;
      state[QStringLiteral("port")] = port_;
      state[QStringLiteral("today")] = Today().toString(Qt::ISODate);
      state[QStringLiteral("fault")] = FaultName(fault_.mode);
      state[QStringLiteral("arg")] = fault_.arg;
      state[QStringLiteral("scope")] = fault_.scope;
      state[QStringLiteral("requests")] = requests_;
      QJsonArray counts;
      for (int t = 1; t <= kChannelCount; ++t)
        counts.append(static_cast<int>(catalogue_.Channel(t).size()));
      state[QStringLiteral("announcements")] = counts;
      state[QStringLiteral("tenders")] = static_cast<int>(catalogue_.Tenders().size());
      return Reply{200, QJsonDocument(state).toJson(), kJson};
    }
    if (path == QLatin1String("/__sim/facts")) {
      // What a page states: /__sim/facts?address=ADDRESS (as listed).
      const QString address = query.queryItemValue(QStringLiteral("address"), QUrl::FullyDecoded);
      const NoticeFacts* facts = nullptr;
      if (const std::optional<Announcement> a = q_->FindAnnouncement(address)) {
        facts = &catalogue_.Find(a->id)->facts;
      } else {
        for (const ConstructionTender& t : catalogue_.Tenders()) {
          if (address.endsWith(t.link)) facts = &t.facts;
        }
      }
      if (!facts) return Reply{404, "no such page\n", kText};
      return Reply{200, QJsonDocument(FactsJson(*facts)).toJson(), kJson};
    }
    if (path == QLatin1String("/__sim/items")) {
      const QString type_text = query.queryItemValue(QStringLiteral("type"));
      QString text;
      if (type_text == QLatin1String("construction")) {
        const auto& tenders = catalogue_.Tenders();
        for (auto it = tenders.rbegin(); it != tenders.rend(); ++it) {
          text += it->date.toString(Qt::ISODate) + u'\t' + it->place + u'\t' + it->link + u'\t' +
                  it->title + u'\n';
        }
      } else {
        const int type = type_text.toInt();
        if (type < 1 || type > kChannelCount)
          return Reply{400, "type must be 1..10 or construction\n", kText};
        const auto& items = catalogue_.Channel(type);
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
          text += it->date.toString(Qt::ISODate) + u'\t' + it->address + u'\t' + it->title + u'\n';
        }
      }
      return Reply{200, text.toUtf8(), kText};
    }
    return Reply{404,
                 "control requests: /__sim/fault?mode=&arg=&for=&scope=, /__sim/add?type=&count=, "
                 "/__sim/state, /__sim/items?type=, /__sim/facts?address=\n",
                 kText};
  }

  SiteSimulator* q_;
  Options options_;
  Catalogue catalogue_;
  Fault fault_;
  Management management_;
  QHttpServer http_;
  QHttpServer control_;
  ListenSocket* listener_ = nullptr;
  QList<QPointer<Exchange>> exchanges_;
  bool bound_ = false;
  QHostAddress address_ = QHostAddress::LocalHost;
  quint16 port_ = 0;
  quint16 control_port_ = 0;
  qint64 requests_ = 0;
  QTimer fault_timer_;
  QTimer relisten_timer_;
  QTimer new_timer_;
};

SiteSimulator::SiteSimulator(Options options, QObject* parent)
    : QObject(parent), impl_(std::make_unique<Impl>(this, std::move(options))) {}

SiteSimulator::~SiteSimulator() = default;

bool SiteSimulator::Listen(quint16 port, const QHostAddress& address) {
  return impl_->Listen(port, address);
}

quint16 SiteSimulator::Port() const { return impl_->port_; }

QString SiteSimulator::AddressPrefix() const {
  const QHostAddress& a = impl_->address_;
  const bool any =
      a == QHostAddress::Any || a == QHostAddress::AnyIPv4 || a == QHostAddress::AnyIPv6;
  return (any ? QStringLiteral("127.0.0.1") : a.toString()) + u':' + QString::number(impl_->port_);
}

QString SiteSimulator::BaseUrl() const { return QStringLiteral("http://") + AddressPrefix(); }

bool SiteSimulator::ListenControl(quint16 port) {
  const quint16 chosen = impl_->control_.listen(impl_->address_, port);
  if (chosen == 0) return false;
  impl_->control_port_ = chosen;
  return true;
}

quint16 SiteSimulator::ControlPort() const { return impl_->control_port_; }

void SiteSimulator::SetFault(const Fault& fault) { impl_->SetFault(fault); }

Fault SiteSimulator::CurrentFault() const { return impl_->fault_; }

Announcement SiteSimulator::AddAnnouncement(int type) {
  const Announcement item = impl_->catalogue_.Add(type, impl_->Today());
  qCInfo(lcSiteSim).noquote() << "new" << ChannelOfType(item.type).code << item.title;
  emit AnnouncementAdded(item.type, item.title);
  return item;
}

ConstructionTender SiteSimulator::AddConstructionTender() {
  const ConstructionTender tender = impl_->catalogue_.AddTender(impl_->Today());
  qCInfo(lcSiteSim).noquote() << "new construction tender" << tender.title;
  emit AnnouncementAdded(0, tender.title);
  return tender;
}

QList<Announcement> SiteSimulator::Announcements(int type) const {
  if (type < 1 || type > kChannelCount) return {};
  const std::vector<Announcement>& items = impl_->catalogue_.Channel(type);
  return QList<Announcement>(items.rbegin(), items.rend());
}

std::optional<Announcement> SiteSimulator::FindAnnouncement(const QString& address) const {
  QString relative = address;
  if (relative.startsWith(QLatin1String("http://"))) {
    const qsizetype slash = relative.indexOf(u'/', 7);
    relative = slash < 0 ? QStringLiteral("/") : relative.mid(slash);
  }
  const QUrlQuery query(QUrl(relative).query());
  if (const Announcement* item =
          impl_->catalogue_.Find(query.queryItemValue(QStringLiteral("id")).toInt())) {
    if (item->address == relative) return *item;
  }
  return std::nullopt;
}

int SiteSimulator::PageCount(int type) const {
  if (type < 1 || type > kChannelCount) return 0;
  return static_cast<int>((impl_->catalogue_.Channel(type).size() + kItemsPerPage - 1) /
                          kItemsPerPage);
}

QList<ConstructionTender> SiteSimulator::ConstructionTenders() const {
  const std::vector<ConstructionTender>& tenders = impl_->catalogue_.Tenders();
  return QList<ConstructionTender>(tenders.rbegin(), tenders.rend());
}

QDate SiteSimulator::Today() const { return impl_->Today(); }

QString SiteSimulator::ListPath(int type, int page) {
  return QStringLiteral(
             "/CmsNewsController.do?method=recommendBulletinList&moreType=provincebuyBulletinMore&"
             "channelCode=%1"
             "&rp=25&page=%2")
      .arg(QLatin1String(ChannelOfType(type).code))
      .arg(page);
}

QString SiteSimulator::ConstructionListPath() {
  return QStringLiteral("/InvestmentInfo/ZhaoBiao/InvitNotice.aspx?typeid=0&&type=ZBGG");
}

qint64 SiteSimulator::RequestCount() const { return impl_->requests_; }

QByteArray SiteSimulator::Page(const QString& target) {
  return impl_->Dispatch(QUrl(target), {}).body;
}

Management& SiteSimulator::management() { return impl_->management_; }

}  // namespace talvec::sitesim
