#include "competitors/shared_text.h"

#include <QHashFunctions>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace talvec {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Blocks double from the first size up to the largest.
constexpr qsizetype kFirstBlock = 64 << 10;
constexpr qsizetype kLargestBlock = 8 << 20;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

void AdviseHugePages(const void* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size < kHugePage) return;
  // Outwards to whole huge pages: the advice is a hint that changes no
  // byte, and the pages at either end hold at most the buffer's neighbours.
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = start / kHugePage * kHugePage;
  const std::uintptr_t end = RoundUp(start + size, kHugePage);
  // Where it is refused, pages come as they always do.
  madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

std::size_t HugePageCapacity(std::size_t count, std::size_t size) {
  if (count * size < kHugePage) return count;
  return count + (kHugePage + size - 1) / size;
}

void* AllocateLarge(std::size_t size) {
  void* room = nullptr;
#if defined(__linux__)
  if (size >= kHugePage) {
    room = std::aligned_alloc(kHugePage, RoundUp(size, kHugePage));
    if (room) AdviseHugePages(room, RoundUp(size, kHugePage));
  }
#endif
  if (!room) room = std::malloc(std::max<std::size_t>(size, 1));
  if (!room) throw std::bad_alloc();
  return room;
}

SharedBytes::SharedBytes(qsizetype capacity)
    : data_(static_cast<char*>(AllocateLarge(static_cast<std::size_t>(capacity)))),
      capacity_(capacity) {}

SharedBytes::~SharedBytes() { std::free(data_); }

qsizetype SharedBytes::Append(QByteArrayView bytes) {
  const qsizetype at = size_;
  if (!bytes.isEmpty())
    std::memcpy(data_ + size_, bytes.data(), static_cast<std::size_t>(bytes.size()));
  size_ += bytes.size();
  return at;
}

Utf8Text::Utf8Text(const QString& text) {
  if (text.isEmpty()) return;
  const QByteArray utf8 = text.toUtf8();
  auto* own = new SharedBytes(utf8.size());
  own->Append(utf8);
  block_.reset(own);
  size_ = static_cast<quint32>(utf8.size());
}

TextBlocks::TextBlocks(qsizetype expected_bytes)
    : next_block_(std::clamp(expected_bytes, kFirstBlock, kLargestBlock)) {}

TextBlocks::Place TextBlocks::Add(QByteArrayView first, QByteArrayView second) {
  const qsizetype needed = first.size() + second.size();
  if (blocks_.empty() || blocks_.back()->room() < needed) {
    blocks_.emplace_back(new SharedBytes(std::max(next_block_, needed)));
    next_block_ = std::min(2 * next_block_, kLargestBlock);
  }
  SharedBytes& block = *blocks_.back();
  const Place place{static_cast<quint32>(blocks_.size() - 1),
                    static_cast<quint32>(block.Append(first))};
  block.Append(second);
  return place;
}

ByteIndex::ByteIndex(qsizetype expected, qsizetype expected_bytes) : keys_(expected_bytes) {
  std::size_t capacity = 16;
  while (capacity < static_cast<std::size_t>(expected) * 4 / 3) capacity *= 2;
  tags_.resize(capacity);
  slots_.resize(capacity);
}

quint64 ByteIndex::Hash(QByteArrayView key) {
  return qHashBits(key.data(), static_cast<std::size_t>(key.size()), 0x9E37);
}

void ByteIndex::Prefetch(quint64 hash) const {
#if defined(__GNUC__)
  const std::size_t k = Home(hash);
  __builtin_prefetch(&tags_[k]);
  __builtin_prefetch(&slots_[k]);
#else
  (void)hash;
#endif
}

qint32 ByteIndex::Find(QByteArrayView key, quint64 hash) const {
  const quint32 tag = Tag(hash);
  for (std::size_t k = Home(hash);; k = Next(k)) {
    if (tags_[k] == 0) return -1;
    if (tags_[k] == tag && QByteArrayView(slots_[k].key, slots_[k].size) == key) {
      return slots_[k].value;
    }
  }
}

ByteIndex::Entry ByteIndex::Emplace(QByteArrayView key, qint32 value) {
  return Emplace(key, value, false);
}

ByteIndex::Entry ByteIndex::EmplaceKept(QByteArrayView key, qint32 value) {
  return Emplace(key, value, true);
}

ByteIndex::Entry ByteIndex::Emplace(QByteArrayView key, qint32 value, bool keep) {
  // At most three quarters full, so that a miss ends soon.
  if (4 * (used_ + 1) > 3 * static_cast<qsizetype>(tags_.size())) Grow();
  const quint64 hash = Hash(key);
  const quint32 tag = Tag(hash);
  std::size_t k = Home(hash);
  for (; tags_[k] != 0; k = Next(k)) {
    Slot& slot = slots_[k];
    if (tags_[k] == tag && QByteArrayView(slot.key, slot.size) == key) {
      return {&slot.value, false, QByteArrayView(slot.key, slot.size)};
    }
  }
  tags_[k] = tag;
  Slot& slot = slots_[k];
  slot = {keep ? key.data() : keys_.At(keys_.Add(key)), static_cast<quint32>(key.size()), value,
          static_cast<quint32>(hash)};
  ++used_;
  return {&slot.value, true, QByteArrayView(slot.key, slot.size)};
}

void ByteIndex::Grow() {
  LargeVector<quint32> old_tags(tags_.size() * 2);
  LargeVector<Slot> old_slots(slots_.size() * 2);
  old_tags.swap(tags_);
  old_slots.swap(slots_);
  for (std::size_t j = 0; j < old_tags.size(); ++j) {
    if (old_tags[j] == 0) continue;
    const Slot& slot = old_slots[j];
    std::size_t k = Home(slot.low);
    while (tags_[k] != 0) k = Next(k);
    tags_[k] = old_tags[j];
    slots_[k] = slot;
  }
}

}  // namespace talvec
