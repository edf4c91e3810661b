#include "facts/page_text.h"

#include <algorithm>

namespace talvec {
namespace {

// Tags that end a line (outside table cells as well as inside).
constexpr QStringView kLineTags[] = {
    u"br",    u"li",    u"tr",      u"table",      u"h1",      u"h2",       u"h3",
    u"h4",    u"h5",    u"h6",      u"ul",         u"ol",      u"dl",       u"dt",
    u"dd",    u"hr",    u"title",   u"section",    u"article", u"header",   u"footer",
    u"form",  u"tbody", u"thead",   u"tfoot",      u"caption", u"center",   u"nav",
    u"aside", u"main",  u"address", u"blockquote", u"pre",     u"fieldset", u"legend"};
// Tags that end a line outside a table cell and stand for a blank inside one.
constexpr QStringView kBlockTags[] = {u"p", u"div"};

// A tag longer than this is taken for text ("a < b" and the like).
constexpr qsizetype kMaxTag = 8192;

bool IsBlankChar(QChar c) {
  const char16_t u = c.unicode();
  return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '\f' || u == 0x00A0;
}

bool IsAsciiLetter(QChar c) {
  const char16_t u = c.unicode() | 0x20;
  return u >= 'a' && u <= 'z';
}

struct NamedEntity {
  QStringView name;
  char16_t value;
};
constexpr NamedEntity kEntities[] = {
    {u"nbsp", u' '},  {u"amp", u'&'},    {u"lt", u'<'},     {u"gt", u'>'},     {u"quot", u'"'},
    {u"apos", u'\''}, {u"ensp", u' '},   {u"emsp", u' '},   {u"thinsp", u' '}, {u"ldquo", u'“'},
    {u"rdquo", u'”'}, {u"lsquo", u'‘'},  {u"rsquo", u'’'},  {u"yen", u'¥'},    {u"mdash", u'—'},
    {u"ndash", u'–'}, {u"hellip", u'…'}, {u"middot", u'·'}, {u"times", u'×'},  {u"copy", u'©'},
    {u"reg", u'®'},   {u"deg", u'°'},    {u"plusmn", u'±'}, {u"laquo", u'«'},  {u"raquo", u'»'}};

}  // namespace

PageText::PageText(QString html) : html_(std::move(html)) { text_.reserve(html_.size() / 3); }

bool PageText::Step(qsizetype budget) {
  const QStringView html(html_);
  const qsizetype stop = std::min(html.size(), pos_ + std::max<qsizetype>(budget, 1));
  while (pos_ < stop) {
    if (skip_ != Skip::kNone) {
      const QStringView needle = skip_ == Skip::kComment  ? QStringView(u"-->")
                                 : skip_ == Skip::kScript ? QStringView(u"</script")
                                                          : QStringView(u"</style");
      const qsizetype window = std::max<qsizetype>(stop - pos_, needle.size()) + needle.size();
      const qsizetype at = html.mid(pos_, window).indexOf(needle, 0, Qt::CaseInsensitive);
      if (at < 0) {
        pos_ = pos_ + window >= html.size() ? html.size() : pos_ + window - needle.size() + 1;
        continue;
      }
      pos_ += at + needle.size();
      if (skip_ != Skip::kComment) {  // the rest of the closing tag
        const qsizetype gt = html.mid(pos_, kMaxTag).indexOf(u'>');
        pos_ = gt < 0 ? pos_ : pos_ + gt + 1;
      }
      skip_ = Skip::kNone;
      continue;
    }
    const QChar c = html[pos_];
    if (c == u'<' && pos_ + 1 < html.size()) {
      const QChar next = html[pos_ + 1];
      if (html.mid(pos_, 4) == u"<!--") {
        skip_ = Skip::kComment;
        pos_ += 4;
        continue;
      }
      if (IsAsciiLetter(next) || next == u'/' || next == u'!' || next == u'?') {
        const qsizetype gt = html.mid(pos_ + 1, kMaxTag).indexOf(u'>');
        if (gt >= 0) {
          Tag(pos_, pos_ + 1 + gt);
          pos_ += gt + 2;
          continue;
        }
        if (html.size() - pos_ <= kMaxTag) {  // the page ends inside a tag
          pos_ = html.size();
          continue;
        }
      }
    }
    if (c == u'&') {
      qsizetype next;
      Entity(pos_, &next);
      pos_ = next;
      continue;
    }
    Char(c);
    ++pos_;
  }
  if (done()) EndLine();
  return done();
}

void PageText::Tag(qsizetype open, qsizetype close) {
  const QStringView tag = QStringView(html_).mid(open + 1, close - open - 1);
  const bool closing = tag.startsWith(u'/');
  qsizetype i = closing ? 1 : 0;
  qsizetype n = 0;
  while (i + n < tag.size() && (IsAsciiLetter(tag[i + n]) || (n > 0 && tag[i + n].isDigit()))) ++n;
  const QString name = tag.mid(i, n).toString().toLower();
  if (!closing && !tag.endsWith(u'/')) {
    if (name == QLatin1String("script")) {
      skip_ = Skip::kScript;
      return;
    }
    if (name == QLatin1String("style")) {
      skip_ = Skip::kStyle;
      return;
    }
  }
  if (name == QLatin1String("td") || name == QLatin1String("th")) {
    if (!closing)
      Cell();
    else
      in_cell_ = false;
    return;
  }
  for (QStringView block : kBlockTags) {
    if (name == block) {
      if (in_cell_)
        blank_ = true;
      else
        EndLine();
      return;
    }
  }
  for (QStringView line : kLineTags) {
    if (name == line) {
      EndLine();
      if (name == QLatin1String("tr") || name == QLatin1String("table")) {
        cells_ = 0;
        in_cell_ = false;
      }
      return;
    }
  }
}

void PageText::Entity(qsizetype at, qsizetype* next) {
  const QStringView html(html_);
  const qsizetype semi = html.mid(at + 1, 12).indexOf(u';');
  *next = at + 1;
  if (semi <= 0) {
    Char(u'&');
    return;
  }
  const QStringView name = html.mid(at + 1, semi);
  char32_t value = 0;
  if (name.startsWith(u'#')) {
    bool ok = false;
    const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
    value = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0;
  } else {
    for (const NamedEntity& e : kEntities) {
      if (name == e.name) value = e.value;
    }
  }
  if (value == 0) {
    Char(u'&');
    return;
  }
  *next = at + 1 + semi + 1;
  if (value > 0xFFFF) {
    const char32_t v = value;
    const QString pair = QString::fromUcs4(&v, 1);
    for (QChar c : pair) Char(c);
  } else {
    Char(QChar(char16_t(value)));
  }
}

void PageText::Char(QChar c) {
  if (IsBlankChar(c)) {
    blank_ = true;
    return;
  }
  if (blank_ && text_.size() > line_start_ && text_.back() != u'\t') text_ += u' ';
  blank_ = false;
  text_ += c;
}

void PageText::Cell() {
  blank_ = false;
  if (cells_ > 0) text_ += u'\t';
  ++cells_;
  in_cell_ = true;
}

void PageText::EndLine() {
  blank_ = false;
  bool empty = true;
  for (qsizetype i = line_start_; i < text_.size() && empty; ++i) empty = text_[i] == u'\t';
  if (empty) {
    // A line of empty cells is kept only as a row break, never as text.
    if (text_.size() > line_start_ && cells_ > 0) return;
    text_.truncate(line_start_);
    return;
  }
  text_ += u'\n';
  line_start_ = text_.size();
}

}  // namespace talvec
