// sitesim: the local procurement, construction-tender and management sites.
//   sitesim [--port 8181] [--seed N] [--days 60] [--today YYYY-MM-DD]
//           [--fault MODE[:ARG]] [--fault-for SECONDS] [--fault-scope TEXT]
//           [--new-every 90] [--control-port N] [--listen 127.0.0.1] [--no-quirks]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QLoggingCategory>
#include <cstdio>

#include "sitesim/management.h"
#include "sitesim/site_simulator.h"

using talvec::sitesim::Options;
using talvec::sitesim::SiteSimulator;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QLoggingCategory::setFilterRules(QStringLiteral("talvec.sitesim.info=true"));
  QCoreApplication::setApplicationName(QStringLiteral("sitesim"));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Local simulator of the procurement and construction-tender sites."));
  parser.addHelpOption();
  const QCommandLineOption port({QStringLiteral("port")},
                                QStringLiteral("Port (0 = any free port)."), QStringLiteral("N"),
                                QStringLiteral("8181"));
  const QCommandLineOption seed({QStringLiteral("seed")}, QStringLiteral("Seed of the data."),
                                QStringLiteral("N"), QStringLiteral("1"));
  const QCommandLineOption days({QStringLiteral("days")},
                                QStringLiteral("Days of data back from today."),
                                QStringLiteral("N"), QStringLiteral("60"));
  const QCommandLineOption today({QStringLiteral("today")},
                                 QStringLiteral("Today's date (default: the system date)."),
                                 QStringLiteral("YYYY-MM-DD"));
  const QCommandLineOption fault(
      {QStringLiteral("fault")},
      QStringLiteral(
          "Fault at start: none refuse[:S] errorwords[:1|2] status[:CODE] 404 500 stall[:S] "
          "truncate[:BYTES] oversize[:MIB] garbage[:body] noheading nopageinfo drip[:MS] gzipcut "
          "gzipjunk gzipbomb[:MIB]."),
      QStringLiteral("MODE[:ARG]"));
  const QCommandLineOption fault_for({QStringLiteral("fault-for")},
                                     QStringLiteral("End the fault after S seconds."),
                                     QStringLiteral("S"), QStringLiteral("0"));
  const QCommandLineOption fault_scope(
      {QStringLiteral("fault-scope")},
      QStringLiteral("Fault only requests whose path+query contains TEXT."),
      QStringLiteral("TEXT"));
  const QCommandLineOption new_every(
      {QStringLiteral("new-every")},
      QStringLiteral("A new announcement every S seconds (0 = never)."), QStringLiteral("S"),
      QStringLiteral("90"));
  const QCommandLineOption control_port({QStringLiteral("control-port")},
                                        QStringLiteral("Extra port for the control requests only."),
                                        QStringLiteral("N"));
  const QCommandLineOption listen({QStringLiteral("listen")},
                                  QStringLiteral("Address to listen on."),
                                  QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
  const QCommandLineOption no_quirks(
      {QStringLiteral("no-quirks")},
      QStringLiteral("No titles with apostrophes, blanks at the ends or over 127 characters."));
  const QCommandLineOption update_version(
      {QStringLiteral("update-version")},
      QStringLiteral("Version the management server offers (default: the program's own)."),
      QStringLiteral("V"));
  const QCommandLineOption update_package(
      {QStringLiteral("update-package")},
      QStringLiteral("Signed package served as /QYP/Update.exe."), QStringLiteral("FILE"));
  const QCommandLineOption update_fault(
      {QStringLiteral("update-fault")},
      QStringLiteral("Fault of the package: stall truncate[:BYTES] nolength liar[:DELTA] flip "
                     "otherkey unsigned throttle[:KIB/S]."),
      QStringLiteral("MODE[:ARG]"));
  parser.addOptions({port, seed, days, today, fault, fault_for, fault_scope, new_every,
                     control_port, listen, no_quirks, update_version, update_package,
                     update_fault});
  parser.process(app);

  Options options;
  options.seed = parser.value(seed).toULongLong();
  options.days_back = parser.value(days).toInt();
  options.new_every_seconds = parser.value(new_every).toInt();
  options.quirks = !parser.isSet(no_quirks);
  if (parser.isSet(today)) {
    options.today = QDate::fromString(parser.value(today), Qt::ISODate);
    if (!options.today.isValid()) {
      std::fprintf(stderr, "sitesim: --today wants YYYY-MM-DD\n");
      return 2;
    }
  }
  if (parser.isSet(fault)) {
    std::optional<talvec::sitesim::Fault> f = talvec::sitesim::ParseFault(parser.value(fault));
    if (!f) {
      std::fprintf(stderr, "sitesim: unknown fault mode %s\n", qPrintable(parser.value(fault)));
      return 2;
    }
    f->seconds = parser.value(fault_for).toInt();
    f->scope = parser.value(fault_scope);
    options.fault = *f;
  }
  const QHostAddress address(parser.value(listen));
  if (address.isNull()) {
    std::fprintf(stderr, "sitesim: --listen wants an address\n");
    return 2;
  }

  options.management_version = parser.value(update_version);
  options.update_package = parser.value(update_package);
  SiteSimulator sim(options);
  if (parser.isSet(update_fault) && !sim.management().SetFault(parser.value(update_fault), 0)) {
    std::fprintf(stderr, "sitesim: unknown update fault %s\n",
                 qPrintable(parser.value(update_fault)));
    return 2;
  }
  if (!sim.Listen(static_cast<quint16>(parser.value(port).toUInt()), address)) {
    std::fprintf(stderr, "sitesim: cannot listen on port %s\n", qPrintable(parser.value(port)));
    return 1;
  }
  if (parser.isSet(control_port) &&
      !sim.ListenControl(static_cast<quint16>(parser.value(control_port).toUInt()))) {
    std::fprintf(stderr, "sitesim: cannot listen on control port %s\n",
                 qPrintable(parser.value(control_port)));
    return 1;
  }
  std::fprintf(stderr, "sitesim: serving http://%s (ServerDZ %s)%s\n",
               qPrintable(sim.AddressPrefix()), qPrintable(sim.AddressPrefix()),
               sim.ControlPort()
                   ? qPrintable(QStringLiteral(", control port %1").arg(sim.ControlPort()))
                   : "");
  return app.exec();
}
