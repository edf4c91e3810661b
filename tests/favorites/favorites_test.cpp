#include <gtest/gtest.h>

#include "favorites/favorites.h"
#include "tests/test_support.h"

namespace talvec {
namespace {

TEST(Favorites, ATitleIsKeptOnceAndListedNewestFirst) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  EXPECT_EQ(AddFavorite(db, {"甲项目", "/a.html", "2026-03-01"}), AddFavoriteResult::kAdded);
  EXPECT_EQ(AddFavorite(db, {"乙项目", "http://x/b.html", "2026-03-05"}),
            AddFavoriteResult::kAdded);
  // Same title, other announcement: refused, table unchanged.
  EXPECT_EQ(AddFavorite(db, {"甲项目", "/other.html", "2026-03-09"}), AddFavoriteResult::kExists);
  EXPECT_EQ(db.Scalar("SELECT count(*) FROM Favorites").toInt(), 2);
  // An apostrophe is an ordinary character.
  EXPECT_EQ(AddFavorite(db, {"O'Neil 学校采购", "/c.html", "2026-03-05"}),
            AddFavoriteResult::kAdded);

  std::vector<FavoriteEntry> entries;
  ASSERT_TRUE(LoadFavorites(db, &entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].title, "O'Neil 学校采购");  // same day, added later
  EXPECT_EQ(entries[1].title, "乙项目");
  EXPECT_EQ(entries[2].title, "甲项目");
  EXPECT_EQ(entries[2].address, "/a.html");
}

TEST(Favorites, DeleteRemovesEveryRowOfTheTitleAndNullsReadEmpty) {
  test_support::TempDatabase temp;
  Database& db = temp.db();
  // Older files may hold a title twice.
  ASSERT_TRUE(db.Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES('甲', NULL, NULL)"));
  ASSERT_TRUE(db.Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES(' 甲 ', '/a', '2026-01-01')"));
  ASSERT_TRUE(db.Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES('甲', '/b', '2026-01-02')"));
  std::vector<FavoriteEntry> entries;
  ASSERT_TRUE(LoadFavorites(db, &entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].title, "甲");  // trimmed
  EXPECT_TRUE(entries[2].address.isEmpty());
  EXPECT_TRUE(entries[2].date.isEmpty());
  ASSERT_TRUE(DeleteFavorite(db, "甲"));
  ASSERT_TRUE(LoadFavorites(db, &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].address, "/a");
}

}  // namespace
}  // namespace talvec
