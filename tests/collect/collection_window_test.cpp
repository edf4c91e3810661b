#include "collect/collection_window.h"

#include <gtest/gtest.h>

namespace talvec {
namespace {

TEST(ReadTimeOfDay, AcceptedFormsAndEverythingElseUnreadable) {
  struct Case {
    const char* text;
    const char* time;  // "HH:mm:ss", or nullptr for unreadable
  } cases[] = {
      {"18:00:00", "18:00:00"},
      {"8:05:09", "08:05:09"},
      {"08:30", "08:30:00"},
      {"8:30", "08:30:00"},
      {" 23:59:59 ", "23:59:59"},
      {"0:00:00", "00:00:00"},
      {"下午 6:00:00", "18:00:00"},
      {"下午6:00", "18:00:00"},
      {"上午 12:30:00", "00:30:00"},
      {"下午 12:30:00", "12:30:00"},
      {"上午 6:00:00", "06:00:00"},
      {"6:00:00 PM", "18:00:00"},
      {"6:00:00pm", "18:00:00"},
      {"12:00 AM", "00:00:00"},
      {"11:59:59 am", "11:59:59"},
      {"1899-12-30 08:00:00", "08:00:00"},
      {"2016/3/2 8:00:00", "08:00:00"},
      {"1899/12/30 下午 6:00:00", "18:00:00"},
      {"2016-03-02 6:00 PM", "18:00:00"},
      // Unreadable:
      {"18:00:00 整", nullptr},
      {"18:00:00x", nullptr},
      {"18:00:00:00", nullptr},
      {"24:00:00", nullptr},
      {"25:00", nullptr},
      {"8:60", nullptr},
      {"8:00:60", nullptr},
      {"8:5", nullptr},
      {"108:00", nullptr},
      {"上午 13:00:00", nullptr},
      {"0:30 AM", nullptr},
      {"13:00 PM", nullptr},
      {"下午 6:00 PM", nullptr},
      {"6:00 下午", nullptr},
      {"2016-13-01 08:00:00", nullptr},
      {"2016-03/02 08:00:00", nullptr},
      {"2016-03-02", nullptr},
      {"１８:００:００", nullptr},
      {"8", nullptr},
      {"", nullptr},
      {"垃圾", nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<QTime> time = ReadTimeOfDay(QString::fromUtf8(c.text));
    if (c.time) {
      ASSERT_TRUE(time.has_value()) << c.text;
      EXPECT_EQ(time->toString(QStringLiteral("HH:mm:ss")), QLatin1String(c.time)) << c.text;
    } else {
      EXPECT_FALSE(time.has_value()) << c.text << " read as " << time->toString().toStdString();
    }
  }
}

TEST(ReadTimeOfDay, TwelveHourBoundsInTheWindow) {
  // "下午 6:00:00" ends the day at six in the evening, not in the morning.
  EXPECT_TRUE(InCollectionWindow(QTime(17, 0, 0), QStringLiteral("上午 8:00:00"),
                                 QStringLiteral("下午 6:00:00")));
  EXPECT_FALSE(InCollectionWindow(QTime(18, 0, 1), QStringLiteral("上午 8:00:00"),
                                  QStringLiteral("下午 6:00:00")));
  // An unreadable end leaves the evening open; it is not read as 18:00.
  EXPECT_TRUE(InCollectionWindow(QTime(22, 0, 0), QStringLiteral("08:00:00"),
                                 QStringLiteral("18:00:00 整")));
}

TEST(CollectionWindow, BoundsAreIncludedAndUnreadableBoundsLeaveTheDayOpen) {
  const QString begin = QStringLiteral("8:00:00"), end = QStringLiteral("18:00:00");
  EXPECT_FALSE(InCollectionWindow(QTime(7, 59, 59), begin, end));
  EXPECT_TRUE(InCollectionWindow(QTime(8, 0, 0), begin, end));
  EXPECT_TRUE(InCollectionWindow(QTime(18, 0, 0), begin, end));
  EXPECT_FALSE(InCollectionWindow(QTime(18, 0, 1), begin, end));
  EXPECT_FALSE(
      InCollectionWindow(QTime(12, 0, 0), QStringLiteral("19:00:00"), QStringLiteral("07:00:00")));
  EXPECT_TRUE(InCollectionWindow(QTime(12, 0, 0), QStringLiteral("1899-12-30 08:00:00"),
                                 QStringLiteral("6:00:00 PM")));
  EXPECT_FALSE(
      InCollectionWindow(QTime(18, 30, 0), QStringLiteral("08:00"), QStringLiteral("6:00:00 PM")));
  EXPECT_TRUE(InCollectionWindow(QTime(0, 0, 0), QString(), QStringLiteral("垃圾")));
  EXPECT_TRUE(InCollectionWindow(QTime(23, 59, 59), QStringLiteral("25:00:00"), QString()));
  EXPECT_FALSE(InCollectionWindow(QTime(7, 0, 0), QStringLiteral("08:00:00"), QString()));
}

}  // namespace
}  // namespace talvec
