// Table UiState: typed values that survive closing the file, a missing key
// told apart from a value that is not of the asked type, and writes that
// belong together standing or falling together.
#include "core/ui_state.h"

#include <gtest/gtest.h>

#include "core/schema.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

// The value read, or nothing; a failed read fails the test.
template <typename T>
std::optional<T> Got(const Result<std::optional<T>>& read) {
  if (!read) {
    ADD_FAILURE() << read.error().FullText().toStdString();
    return std::nullopt;
  }
  return *read;
}

TEST(UiState, ValuesRoundTripAndSurviveReopening) {
  test_support::TempDatabase temp;
  {
    UiState state(temp.db());
    EXPECT_EQ(Got(state.Int("ListView2.SortColumn")), std::optional<int>());  // never written
    ASSERT_TRUE(state.SetInt("ListView2.SortColumn", 3));
    ASSERT_TRUE(state.SetInt("Negative", -12));
    ASSERT_TRUE(state.SetFlag("FrmWeath.Maximized", true));
    ASSERT_TRUE(state.SetRect("FrmWeath.Frame", QRect(-8, 20, 1024, 700)));
    ASSERT_TRUE(state.SetText("Words", QStringLiteral("成都 '电脑'")));
    ASSERT_TRUE(state.SetInt("ListView2.SortColumn", 1));  // replaced, not added
  }
  const QString path = temp.path();
  temp.db().CloseDatabase();
  ASSERT_TRUE(temp.db().OpenDatabase(path, DatabasePassword()));
  UiState state(temp.db());
  EXPECT_EQ(Got(state.Int("ListView2.SortColumn")), std::optional<int>(1));
  EXPECT_EQ(Got(state.Int("Negative")), std::optional<int>(-12));
  EXPECT_EQ(Got(state.Flag("FrmWeath.Maximized")), std::optional<bool>(true));
  EXPECT_EQ(Got(state.Rect("FrmWeath.Frame")), std::optional<QRect>(QRect(-8, 20, 1024, 700)));
  EXPECT_EQ(Got(state.Text("Words")), std::optional<QString>(QStringLiteral("成都 '电脑'")));
  EXPECT_EQ(temp.db().Scalar("SELECT count(*) FROM UiState WHERE Key = 'ListView2.SortColumn'"),
            QVariant(1));
}

TEST(UiState, AValueOfAnotherFormIsAnErrorNotAGuess) {
  test_support::TempDatabase temp;
  UiState state(temp.db());
  struct Case {
    const char* stored;
    bool as_int, as_flag, as_rect;
  };
  const Case cases[] = {
      {"7", true, false, false},          {"1", true, true, false},
      {" 7", false, false, false},        {"7x", false, false, false},
      {"", false, false, false},          {"99999999999", false, false, false},
      {"true", false, false, false},      {"1,2,3,4", false, false, true},
      {"1,2,3", false, false, false},     {"1,2,-3,4", false, false, false},
      {"1,2,3,4,5", false, false, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(state.SetText("K", QString::fromLatin1(c.stored)));
    EXPECT_EQ(state.Int("K").has_value(), c.as_int) << c.stored;
    EXPECT_EQ(state.Flag("K").has_value(), c.as_flag) << c.stored;
    EXPECT_EQ(state.Rect("K").has_value(), c.as_rect) << c.stored;
    if (!c.as_int) {
      EXPECT_TRUE(state.Int("K").error().Is(Error::Kind::kBadData)) << c.stored;
    }
  }
}

TEST(UiState, FailuresAreReportedAndAGroupIsWrittenWholeOrNotAtAll) {
  test_support::TempDatabase temp;
  UiState state(temp.db());
  ASSERT_TRUE(state.SetTexts({{"A", "1"}, {"B", "2"}}));
  EXPECT_EQ(Got(state.Int("B")), std::optional<int>(2));

  // A trigger refuses the second key: the first is rolled back with it.
  ASSERT_TRUE(
      temp.db().Execute("CREATE TRIGGER NoC BEFORE INSERT ON UiState WHEN NEW.Key = 'C' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const Result<void> written = state.SetTexts({{"A", "5"}, {"C", "6"}});
  ASSERT_FALSE(written);
  EXPECT_TRUE(written.error().FullText().contains(QStringLiteral("refused")))
      << written.error().FullText().toStdString();
  EXPECT_EQ(Got(state.Int("A")), std::optional<int>(1));

  // An unreadable table is an error, never "nothing stored".
  ASSERT_TRUE(temp.db().Execute("DROP TABLE UiState"));
  EXPECT_FALSE(state.Int("A"));
  EXPECT_FALSE(state.SetInt("A", 2));
}

TEST(UiState, AFileOfTheLayoutBeforeGetsTheTable) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  ASSERT_TRUE(db.Execute("DROP TABLE UiState"));
  ASSERT_TRUE(db.Execute("PRAGMA user_version=3"));  // the layout before UiState
  ASSERT_TRUE(Migrate(db));
  EXPECT_EQ(db.Scalar("PRAGMA user_version").toInt(), Database::kSchemaVersion);
  UiState state(db);
  EXPECT_TRUE(state.SetFlag("FrmWeath.Maximized", false));
  EXPECT_EQ(Got(state.Flag("FrmWeath.Maximized")), std::optional<bool>(false));
}

}  // namespace
}  // namespace talvec
