// The local site simulator: the procurement site, the construction-tender
// site and the management server's version
// request, served from one port with realistic data that is deterministic from
// a seed, plus fault modes for tests and demonstrations.
//
// Tests use it in-process:
//
//   talvec::sitesim::SiteSimulator sim({.seed = 7, .today = QDate(2026, 12, 8)});
//   ASSERT_TRUE(sim.Listen());                 // port 0: any free port
//   settings.SiteBaseAddress = sim.BaseUrl();  // "http://127.0.0.1:PORT"
//   ... sim.AddressPrefix() is the value for SysSet.ServerDZ ...
//   sim.SetFault(FaultMode::kStall, "40");     // every request waits 40 s
//   sim.AddAnnouncement(4);                    // a new result announcement
//   sim.Announcements(4);                      // what the list pages show
//
// Everything runs on the thread that owns the object; nothing blocks.
#pragma once

#include <QDate>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace talvec::sitesim {

class Management;

// The ten channels of the procurement site, in channel order (k = type - 1).
struct Channel {
  int type;             // AnnouncementType 1..10
  const char* code;     // channelCode of the list request
  const char* heading;  // list heading on the page (UTF-8)
};
const Channel& ChannelOfType(int type);  // type 1..10
inline constexpr int kChannelCount = 10;
inline constexpr int kItemsPerPage = 25;
inline constexpr int kConstructionRows = 20;  // rows on the construction list page

// How a result cell is written: colon, comma or single layout, or a void tender.
enum class ResultLayout { kNone, kColon, kComma, kSingle, kVoid };

// What an announcement page states, in the forms a careful reader of the page
// arrives at: money in yuan, times "YYYY-MM-DD HH:MM" (or "YYYY-MM-DD" when the
// page gives no time of day), texts as written. Empty (or no value) where the
// page states nothing, and where it states something that does not read as
// money or time (the text is kept then). Tests and benchmarks score a reader
// of the pages against it.
struct NoticeChange {
  QString item;       // "Deadline", "OpeningAt", "DocsUntil", "Budget" or "Other"
  QString old_text;   // the page's words for the old value
  QString new_text;   // and for the new one
  QString new_value;  // the new value in the form of its fact; "" for "Other"
};

struct NoticeFacts {
  QString project_no;   // the project number as the page writes it
  QString project_key;  // the same, normalised (half-width, no blanks, "-", "()", upper case)
  QString project_name;
  std::optional<double> budget;  // yuan
  QString budget_text;           // the words after the label ("保密", "123.5万元…")
  std::optional<double> price_cap;
  QString price_cap_text;
  QString buyer, buyer_contact;
  QString agency, agency_contact;
  QString contact_person, contact_phone;
  QString docs_from, docs_until;  // the window for obtaining the documents
  QString deadline, opening_at, opening_place;
  QString method;               // "公开招标", "竞争性磋商", ... when the page names it
  QList<NoticeChange> changes;  // correction pages
  QString corrected_on;         // "更正日期" of a correction page, "YYYY-MM-DD"
  QString variant;              // the page's layout and forms, for messages
};

// What the simulator meant a result announcement to say; winner extraction may read
// it differently (that is their business), but these are the real winners.
struct Award {
  QString supplier;     // the supplier name as written in the cell
  QString amount_text;  // as written, e.g. "12.5万元", "98000元", "" (none)
  QString amount_yuan;  // the same in yuan as a decimal text ("125000"), or ""
};

struct Announcement {
  int id = 0;
  int project = 0;  // the project the announcement belongs to (0: none)
  int type = 0;     // 1..10
  QString title;    // exactly as in the list page's title="…" (may hold ' or blanks)
  QString address;  // relative address as in <a href="…">
  QDate date;       // the list page's date
  QString buyer;    // the public body the title names
  // Result announcements (types 4 and 9) only:
  ResultLayout layout = ResultLayout::kNone;
  bool has_header = false;  // page holds "各包中标/成交供应商名称、地址及报价"
  bool has_footer = false;  // page holds "版权所有" after the table
  QString result_cell;      // the text of the result cell (between <td …> and </td>)
  QList<Award> awards;      // empty for void tenders
  // Types 1, 2, 4, 5, 6, 7, 9 and 10: what the page states.
  NoticeFacts facts;
};

struct ConstructionTender {
  int id = 0;
  QString title;  // row title="…", as served
  QString place;  // place name span ("" for some rows)
  QDate date;
  QString link;       // link target, relative to "/InvestmentInfo/ZhaoBiao/"
  NoticeFacts facts;  // what the tender page states
};

enum class FaultMode {
  kNone,
  kRefuse,  // the port is closed: connections are refused (arg: seconds, 0 = until changed)
  kErrorWords,  // 200 page holding "无法找到该页" (arg "1", default) or "页面没有找到" (arg "2")
  kStatus,      // normal body with HTTP status arg (default 500); "404" and "500" are short forms
  kStall,       // no answer for arg seconds (default 60, 0 = never), then the normal answer
  kTruncate,    // Content-Length of the full body, arg bytes of it sent (default half), then close
  kOversize,    // the normal page padded to arg MiB (default 24) with a correct Content-Length
  kGarbage,     // random bytes instead of HTTP, then close; arg "body": HTTP 200 with a random body
  kNoHeading,   // list pages without the channel heading; construction page without GVList marker
  kNoPageInfo,  // list pages without "页次"; construction page without the myPager marker
  kDrip,      // head at once (full Content-Length), then one body byte every arg ms (default 2000)
  kGzipCut,   // the body gzip-compressed (Content-Encoding: gzip), the stream cut in half
  kGzipJunk,  // a complete gzip stream of the body followed by junk bytes
  kGzipBomb,  // a small gzip stream that inflates to arg MiB (default 64): the page, then filler
};
inline constexpr FaultMode kLastFaultMode = FaultMode::kGzipBomb;

struct Fault {
  FaultMode mode = FaultMode::kNone;
  QString arg;
  int seconds = 0;  // > 0: back to kNone after that many seconds
  QString scope;    // non-empty: only requests whose path+query contains it (not for kRefuse)
};

// "mode[:arg]", mode one of none refuse errorwords status 404 500 stall truncate
// oversize garbage noheading nopageinfo drip gzipcut gzipjunk gzipbomb; nullopt
// when the mode is unknown.
std::optional<Fault> ParseFault(const QString& text);
QString FaultName(FaultMode mode);

struct Options {
  quint64 seed = 1;
  QDate today;                 // invalid: the system date (read again for each addition)
  int days_back = 60;          // data from today - days_back through today
  int new_every_seconds = 90;  // an automatic new announcement this often; 0 = never
  Fault fault;                 // fault at start
  bool quirks = true;          // a few titles with an apostrophe, padded or longer than 127
  QString management_version;  // "/QYP/GetVersion.asp"; empty: the program's own version
  QString update_package;      // "/QYP/Update.exe": a signed package file (see management.h)
};

class SiteSimulator : public QObject {
  Q_OBJECT

 public:
  explicit SiteSimulator(Options options = {}, QObject* parent = nullptr);
  ~SiteSimulator() override;

  // Listens on the address and port (0: any free port); false when it cannot.
  bool Listen(quint16 port = 0, const QHostAddress& address = QHostAddress::LocalHost);
  quint16 Port() const;
  QString AddressPrefix() const;  // "127.0.0.1:PORT", the value for SysSet.ServerDZ
  QString BaseUrl() const;        // "http://127.0.0.1:PORT"
  // A second port that answers only the control requests (useful while refusing).
  bool ListenControl(quint16 port = 0);
  quint16 ControlPort() const;

  void SetFault(const Fault& fault);
  void SetFault(FaultMode mode, const QString& arg = {}) { SetFault(Fault{mode, arg, 0, {}}); }
  Fault CurrentFault() const;

  // Adds a new announcement of the type (1..10), dated today, at the top of its
  // channel; returns it. AddConstructionTender likewise for the construction list.
  Announcement AddAnnouncement(int type);
  ConstructionTender AddConstructionTender();

  // What the site serves, newest first (the order of the list pages).
  QList<Announcement> Announcements(int type) const;
  std::optional<Announcement> FindAnnouncement(const QString& address) const;
  int PageCount(int type) const;  // list pages with items
  QList<ConstructionTender> ConstructionTenders()
      const;  // all, newest first; the page shows the first kConstructionRows
  QDate Today() const;

  // Request targets (path and query) as the program asks for them.
  static QString ListPath(int type, int page);
  static QString
  ConstructionListPath();  // "/InvestmentInfo/ZhaoBiao/InvitNotice.aspx?typeid=0&&type=ZBGG"

  qint64 RequestCount() const;  // requests answered or faulted, control requests excluded

  // The body the sites answer to a request target (path and query), as
  // served without a fault; not counted as a request.
  QByteArray Page(const QString& target);

  // The management server: version, update package and its faults.
  Management& management();

 signals:
  // Emitted for every request (not the control requests) before it is answered;
  // a slot may call SetFault, which applies from the next request on.
  void RequestReceived(const QString& target);
  void AnnouncementAdded(int type, const QString& title);  // type 0: a construction tender
  void FaultChanged(talvec::sitesim::FaultMode mode);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace talvec::sitesim
