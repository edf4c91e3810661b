#include "core/startup.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace talvec {
namespace {

TEST(Startup, VersionString) {
  EXPECT_EQ(VersionString(1, 1, 20), QStringLiteral("1.01.0020"));
  EXPECT_EQ(VersionString(2, 12, 345), QStringLiteral("2.12.0345"));
  EXPECT_EQ(VersionString(3, 123, 12345), QStringLiteral("3.123.12345"));
  EXPECT_EQ(ProgramVersionString(), QStringLiteral("1.01.0020"));
}

TEST(Startup, OsNames) {
  EXPECT_EQ(OsName(QStringLiteral("5.2.3790")), QStringLiteral("Windows2003"));
  EXPECT_EQ(OsName(QStringLiteral("5.0.2195")), QStringLiteral("Windows2000"));
  EXPECT_EQ(OsName(QStringLiteral("5.1.2600")), QStringLiteral("WindosXP"));
  EXPECT_EQ(OsName(QStringLiteral("6.0.6002")), QStringLiteral("Windosvisita"));
  EXPECT_EQ(OsName(QStringLiteral("6.1.7601")), QStringLiteral("Win7"));
  EXPECT_EQ(OsName(QStringLiteral("10.0.19045")), QStringLiteral("Win7"));
  EXPECT_EQ(OsName(QString()), QStringLiteral("Win7"));
}

TEST(Startup, OneInstancePerProgramFolder) {
  QTemporaryDir a, b;
  SingleInstance first(a.path());
  ASSERT_TRUE(first.acquired());
  SingleInstance second(a.path());
  EXPECT_FALSE(second.acquired());
  SingleInstance elsewhere(b.path());
  EXPECT_TRUE(elsewhere.acquired());
}

}  // namespace
}  // namespace talvec
