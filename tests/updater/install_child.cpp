// Runs one install, for the test that kills it in the middle.
//   install_child SOURCE DESTINATION
#include <QCoreApplication>

#include "updater/install.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 64;
  return talvec::InstallFolder(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]))
                 .has_value()
             ? 0
             : 1;
}
