// Word lists the simulator composes titles, bodies and suppliers from: the
// province's real regions (the region filter's cities plus their counties),
// public bodies and products that carry the category and public-body filter words.
#pragma once

#include <span>

namespace talvec::sitesim::words {

struct Region {
  const char* city;
  const char* short_name;  // for supplier names ("成都")
  std::span<const char* const> counties;
};

std::span<const Region> Regions();
// Bodies under a city or county ("第一人民医院", "教育局", …).
std::span<const char* const> LocalBodies();
// Provincial bodies, complete names ("四川省人民医院", "四川大学", …).
std::span<const char* const> ProvincialBodies();

struct Product {
  const char* name;      // "彩色多普勒超声诊断仪"
  const char* industry;  // supplier trade ("医疗器械")
  bool service;          // a service or works: "项目" rather than "采购项目"
};
std::span<const Product> Products();

// Title endings per announcement type (1..10; 6..10 reuse 1..5).
std::span<const char* const> TitleEndings(int type);
// Themes put between apostrophes in the occasional quirky title.
std::span<const char* const> Themes();
// Supplier name parts.
std::span<const char* const> TradeNames();
// Construction projects ("中心小学教学楼新建工程") and kinds ("施工", "监理").
std::span<const char* const> ConstructionProjects();
std::span<const char* const> ConstructionKinds();
std::span<const char* const> Streets();
std::span<const char* const> Surnames();

}  // namespace talvec::sitesim::words
