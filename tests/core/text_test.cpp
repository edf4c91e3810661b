#include "core/text.h"

#include <gtest/gtest.h>

namespace talvec {
namespace {

TEST(TextTest, TrimBlanksTrimsOnlyOuterPlainBlanks) {
  struct Case {
    QString in, out;
  };
  const Case cases[] = {
      {u""_qs, u""_qs},
      {u"   "_qs, u""_qs},
      {u"  a b  "_qs, u"a b"_qs},
      {u"\ta\n"_qs, u"\ta\n"_qs},                        // tabs and line feeds stay
      {u"\u3000标题\u3000"_qs, u"\u3000标题\u3000"_qs},  // so do wide blanks
  };
  for (const Case& c : cases) EXPECT_EQ(TrimBlanks(c.in), c.out) << c.in.toStdString();
}

TEST(TextTest, CutCharsNeverSplitsASurrogatePair) {
  const QString pair = QString::fromUcs4(U"\U00020000");
  struct Case {
    QString in;
    qsizetype n;
    QString out;
  };
  const Case cases[] = {
      {u"abc"_qs, 5, u"abc"_qs},
      {u"abc"_qs, 3, u"abc"_qs},
      {u"abc"_qs, 0, u""_qs},
      {u"a"_qs + pair + u"b"_qs, 2, u"a"_qs},
      {u"a"_qs + pair + u"b"_qs, 3, u"a"_qs + pair},
      {pair, 1, u""_qs},
  };
  for (const Case& c : cases) EXPECT_EQ(CutChars(c.in, c.n), c.out) << c.in.toStdString() << c.n;
}

TEST(TextTest, RemoveAllDeletesLeftToRightWithoutRescanning) {
  struct Case {
    QString text, word, out;
  };
  const Case cases[] = {
      {u"供应商名称：甲公司"_qs, u"供应商名称："_qs, u"甲公司"_qs},
      {u"aaa"_qs, u"aa"_qs, u"a"_qs},
      {u"abab"_qs, u"ab"_qs, u""_qs},
      {u"aabb"_qs, u"ab"_qs, u"ab"_qs},  // what the removal joins is not removed again
      {u"abc"_qs, u""_qs, u"abc"_qs},
      {u"abc"_qs, u"x"_qs, u"abc"_qs},
  };
  for (const Case& c : cases) {
    QString text = c.text;
    RemoveAll(text, c.word);
    EXPECT_EQ(text, c.out) << c.text.toStdString() << " - " << c.word.toStdString();
  }
}

TEST(TextTest, WordTestIsExactCaseSensitiveAndEmptyWordsMatch) {
  struct Case {
    QString title, words;
    bool any;
  };
  const Case cases[] = {
      {u"成都市政府采购"_qs, u"政府"_qs, true},
      {u"成都市政府采购"_qs, u"绵阳 采购"_qs, true},
      {u"成都市政府采购"_qs, u"绵阳 德阳"_qs, false},
      {u"Server rack"_qs, u"server"_qs, false},  // case-sensitive
      {u"Server rack"_qs, u"Server"_qs, true},
      {u"成都"_qs, u"成都市"_qs, false},     // the word must be inside the title
      {u"成都"_qs, u""_qs, true},            // an empty list is one empty word
      {u"成都"_qs, u"绵阳  德阳"_qs, true},  // a doubled blank gives an empty word
      {u"成都"_qs, u" 绵阳"_qs, true},       // so do outer blanks: no trimming
      {u"成都"_qs, u"绵阳 "_qs, true},
      {u""_qs, u"绵阳"_qs, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnyWordOccurs(c.title, c.words), c.any)
        << c.title.toStdString() << " / '" << c.words.toStdString() << "'";
    if (!c.words.contains(u' ')) {
      EXPECT_EQ(WordOccurs(c.title, c.words), c.any);
    }
  }
}

TEST(TextTest, Utf8BytesReadAsTheirQStrings) {
  // What fromUtf8 makes of the bytes is the truth: their plain form, whole
  // or trimmed, decodes to that text, and only bytes that survive a round
  // trip are called plain.
  const QByteArray cases[] = {
      "",
      "abc",
      "  a b  ",
      "\xE6\x88\x90\xE9\x83\xBD 12345678 \xE5\xB8\x82",  // Chinese and ASCII runs
      "\xEF\xBB\xBF!b",                                  // a leading mark is dropped
      " \xEF\xBB\xBF!b",                                 // elsewhere it stays
      "\xEF\xBF\xBE\xEF\xBF\xBF",                        // noncharacters are text
      "\xF0\xA0\x80\x80\xF4\x8F\xBF\xBF",                // outside the BMP, up to U+10FFFF
      "\xF4\x90\x80\x80",                                // past U+10FFFF
      "\xED\xA0\x80",                                    // a surrogate
      "\xC0\xAF",                                        // overlong
      "\xE0\x80\xAF",                                    // overlong
      "\xF0\x80\x80\xAF",                                // overlong
      "a\xE6\x88",                                       // cut short
      "\x80 \xFF \xC2",                                  // stray bytes
      QByteArray("a\0b", 3),                             // a NUL is a character
      // Faults among runs of Chinese characters, at either place of a pair.
      "\xE6\x88\x90\xED\xA0\x80\xE9\x83\xBD\xE5\xB8\x82\xE5\xB8\x82",
      "\xE6\x88\x90\xE9\x83\xBD\xE0\x80\xAF\xE5\xB8\x82\xE5\xB8\x82",
      "\xE6\x88\x90\xE9\x83\xBD\xE5\xB8\x82\xE5\xB8\xE5\xB8\x82\xE5\xB8\x82",
      "\xE6\x88\x90\xE9\x83\xBD\xE5\xB8\x82\xE0\xA4\x85\xED\x9F\xBF\xE5\xB8\x82",
  };
  for (const QByteArray& bytes : cases) {
    SCOPED_TRACE(bytes.toHex().toStdString());
    const QString text = QString::fromUtf8(bytes);
    EXPECT_EQ(IsPlainUtf8(bytes), text.toUtf8() == bytes);
    QByteArray scratch;
    const QByteArrayView plain = PlainUtf8(bytes, scratch);
    EXPECT_EQ(DecodeUtf8(plain), text);
    EXPECT_EQ(DecodeUtf8(TrimBlanks(plain)), TrimBlanks(text));
    EXPECT_EQ(DecodeUtf8(text.toUtf8()), text);
  }
}

TEST(TextTest, WordTestOnUtf8AgreesWithTheTestOnText) {
  const QString pair = QString::fromUcs4(U"\U00020000");
  const QString titles[] = {u"成都市政府采购"_qs, u"Server rack"_qs, pair + u"公司"_qs,
                            u"a\uFFFDb"_qs, u""_qs};
  const QString words[] = {u"政府"_qs,   u"府采"_qs, u"server"_qs,          u"Server"_qs, pair,
                           u"\uFFFD"_qs, u""_qs,     u"成都市政府采购 "_qs, u"r r"_qs};
  for (const QString& title : titles) {
    for (const QString& word : words) {
      EXPECT_EQ(WordOccursUtf8(title.toUtf8(), word.toUtf8()), WordOccurs(title, word))
          << title.toStdString() << " / " << word.toStdString();
    }
  }
}

TEST(TextTest, WideAndDigitClasses) {
  EXPECT_TRUE(IsAsciiDigit(u'0'));
  EXPECT_TRUE(IsAsciiDigit(u'9'));
  EXPECT_FALSE(IsAsciiDigit(u'a'));
  EXPECT_FALSE(IsAsciiDigit(QChar(0xFF11)));  // a wide digit is not an ASCII digit
  EXPECT_FALSE(IsWide(QChar(0x7F)));
  EXPECT_TRUE(IsWide(QChar(0x80)));
  EXPECT_TRUE(IsWide(u'元'));
}

}  // namespace
}  // namespace talvec
