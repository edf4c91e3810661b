#include "search/filters.h"

#include <QStringMatcher>
#include <memory>

#include "core/text.h"

namespace talvec {

const std::array<const char*, kRegionCount> kRegionCaptions = {
    "全部地区",       "成都市",        "绵阳市", "德阳市", "自贡市",
    "攀枝花市",       "泸州市",        "广元市", "遂宁市", "内江市",
    "乐山市",         "南充市",        "眉山市", "宜宾市", "广安市",
    "达州市",         "雅安市",        "巴中市", "资阳市", "阿坝藏族羌族自治州",
    "甘孜藏族自治州", "凉山彝族自治州"};

const std::array<const char*, kCategoryCount> kCategoryCaptions = {
    "移动/联通/电信/互联网/网络/机柜/集成/布线/服务器",
    "通信/基站/广播/电视/光缆/电缆/网线/传输/软件/视频/音频/电子",
    "监控/门禁/楼宇/安防/消防/弱电/警用/公安/武警",
    "勘察/设计/规划/造价/监理/施工/租赁/土地/石方/土方/土建/给排水/园林/苗",
    "水库/水电/电力/防洪/灌溉/堤坝/水闸/河道/供水/蓄水/监测/建材/石材/钢材/钢筋/水泥/砂石/混凝土",
    "公路/高速/铁路/道路/桥梁/隧道/交通/地铁/机场/码头",
    "锅炉/压力/电梯/起重机/游乐/印刷机/包装机/推土机/挖掘机/装载机/造桥机/压实机/压路机/搅拌机/"
    "起重机",
    "医院医疗/卫生/计划生育/计卫/卫生院/超声/监护/手术",
    "电脑/台式机/笔记本/硬盘/录音/打印机/办公/家具/空调/教育/科技"};

const std::array<CategoryHeading, 3> kCategoryHeadings = {{
    {"通信安防产品", 0, 2},
    {"建筑工程/机械设备", 3, 6},
    {"医疗卫生/办公文教", 7, 8},
}};

const std::array<PublicBody, kPublicBodyCount> kPublicBodies = {{
    {"人民委员会", "县委 市委 省委"},
    {"人民政府", "政府"},
    {"人大", nullptr},
    {"政协", nullptr},
    {"办公室", nullptr},
    {"组织部", nullptr},
    {"宣传部", nullptr},
    {"统战部", nullptr},
    {"纪检", nullptr},
    {"发革委", "发展 改革"},
    {"党校", nullptr},
    {"建设局", nullptr},
    {"教育局", "教育 学校"},
    {"科技局", nullptr},
    {"法院", nullptr},
    {"公安局", nullptr},
    {"监察局", nullptr},
    {"民政局", nullptr},
    {"司法局", nullptr},
    {"财政局", nullptr},
    {"人事局", nullptr},
    {"劳动局", nullptr},
    {"安监局", nullptr},
    {"国土局", nullptr},
    {"交通局", nullptr},
    {"农业局", nullptr},
    {"林业局", nullptr},
    {"水利局", nullptr},
    {"粮食局", nullptr},
    {"文化/广播/电视/日报/网络", "广播 电台 电视台 网络 "},
    {"计生/卫生局", "计划生育 卫生 医院 计生 卫计 计卫"},
    {"审计局", nullptr},
    {"统计局", nullptr},
    {"环保局", nullptr},
    {"信访局", nullptr},
    {"质监局", nullptr},
    {"档案局", nullptr},
    {"工会", nullptr},
    {"气象局", nullptr},
    {"妇联", nullptr},
    {"消防", nullptr},
    {"社保局", "社保 保障"},
    {"地税", nullptr},
    {"银行", nullptr},
    {"规划局", "规划 住房"},
    {"邮政", nullptr},
    {"电力", nullptr},
}};

QString RegionChoiceWords(int index) {
  if (index < 0 || index >= kRegionCount) return {};
  if (index == 0) return QStringLiteral("全部");
  return QString::fromUtf8(kRegionCaptions[static_cast<std::size_t>(index)]);
}

QString CategoryChoiceWords(int index) {
  if (index < 0 || index >= kCategoryCount) return {};
  QString words = QString::fromUtf8(kCategoryCaptions[static_cast<std::size_t>(index)]);
  words.replace(QLatin1Char('/'), QLatin1Char(' '));
  return words;
}

QString PublicBodyChoiceWords(int index) {
  if (index < 0 || index >= kPublicBodyCount) return {};
  const PublicBody& body = kPublicBodies[static_cast<std::size_t>(index)];
  if (body.words) return QString::fromUtf8(body.words);
  QString words = QString::fromUtf8(body.caption);
  words.remove(QStringLiteral("局"));
  words.remove(QStringLiteral("公司"));
  return words;
}

QStringList SplitWords(const QString& words) { return TrimBlanks(words).split(QLatin1Char(' ')); }

bool ContainsAllWords(QStringView title, const QStringList& words) {
  for (const QString& w : words) {
    if (!WordOccurs(title, w)) return false;
  }
  return true;
}

bool ContainsAnyWord(QStringView title, const QStringList& words) {
  for (const QString& w : words) {
    if (WordOccurs(title, w)) return true;
  }
  return false;
}

namespace {

// Precompiled words: an empty word matches every title, so a list holding
// one matches everything in "any" mode and is skipped in "all" mode.
class WordSet {
 public:
  explicit WordSet(const QStringList& words) {
    for (const QString& w : words) {
      if (w.isEmpty()) {
        has_empty_ = true;
        continue;
      }
      matchers_.push_back(std::make_unique<QStringMatcher>(w, Qt::CaseSensitive));
    }
  }
  bool All(QStringView title) const {
    for (const auto& m : matchers_) {
      if (m->indexIn(title) < 0) return false;
    }
    return true;
  }
  bool Any(QStringView title) const {
    if (has_empty_) return true;
    for (const auto& m : matchers_) {
      if (m->indexIn(title) >= 0) return true;
    }
    return false;
  }

 private:
  std::vector<std::unique_ptr<QStringMatcher>> matchers_;
  bool has_empty_ = false;
};

std::vector<qsizetype> Every(const ResultSet& full) {
  std::vector<qsizetype> all(full.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<qsizetype>(i);
  return all;
}

}  // namespace

std::vector<qsizetype> FilterPass(const ResultSet& full, const QString& choice_words,
                                  const QString& free_text) {
  const auto n = static_cast<qsizetype>(full.size());
  std::vector<qsizetype> passed;
  if (!choice_words.isEmpty()) {
    if (choice_words == QStringLiteral("全部")) return Every(full);
    const WordSet words(SplitWords(choice_words));
    for (qsizetype i = 0; i < n; ++i) {
      if (words.Any(full[static_cast<std::size_t>(i)].title)) passed.push_back(i);
    }
    return passed;
  }
  const QString text = TrimBlanks(free_text);
  if (text.isEmpty()) return passed;
  if (text == QStringLiteral("全部") || text == QLatin1String("all")) return Every(full);
  const WordSet words(text.split(QLatin1Char(' ')));
  for (qsizetype i = 0; i < n; ++i) {
    if (words.All(full[static_cast<std::size_t>(i)].title)) passed.push_back(i);
  }
  return passed;
}

}  // namespace talvec
