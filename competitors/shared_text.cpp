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
// Blocks double up to this size.
constexpr qsizetype kLargestBlock = 8 << 20;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

void AdviseHugePages(const void* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = RoundUp(start, kHugePage);
  const std::uintptr_t end = (start + size) / kHugePage * kHugePage;
  // Only a hint: where it is refused, pages come as they always do.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

SharedBytes::SharedBytes(qsizetype capacity) : capacity_(std::max<qsizetype>(capacity, 1)) {
  const auto bytes = static_cast<std::size_t>(capacity_);
#if defined(__linux__)
  if (bytes >= kHugePage) {
    data_ = static_cast<char*>(std::aligned_alloc(kHugePage, RoundUp(bytes, kHugePage)));
    if (data_) AdviseHugePages(data_, RoundUp(bytes, kHugePage));
  }
#endif
  if (!data_) data_ = static_cast<char*>(std::malloc(bytes));
  if (!data_) throw std::bad_alloc();
}

SharedBytes::~SharedBytes() { std::free(data_); }

qsizetype SharedBytes::Append(QByteArrayView bytes) {
  const qsizetype at = size_;
  if (!bytes.isEmpty()) std::memcpy(data_ + size_, bytes.data(), static_cast<std::size_t>(bytes.size()));
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

ByteIndex::ByteIndex(qsizetype expected) {
  std::size_t capacity = 16;
  while (capacity < static_cast<std::size_t>(expected) * 4 / 3) capacity *= 2;
  slots_.resize(capacity);
}

quint32 ByteIndex::Hash(QByteArrayView key) {
  return static_cast<quint32>(qHashBits(key.data(), static_cast<std::size_t>(key.size()), 0x9E37));
}

qint32 ByteIndex::Find(QByteArrayView key) const {
  const quint32 hash = Hash(key);
  for (std::size_t k = Home(hash);; k = Next(k)) {
    const Slot& slot = slots_[k];
    if (slot.value < 0) return -1;
    if (slot.hash == hash && QByteArrayView(slot.key, slot.size) == key) return slot.value;
  }
}

ByteIndex::Entry ByteIndex::Emplace(QByteArrayView key, qint32 value) {
  // At most three quarters full, so that a miss ends soon.
  if (4 * (used_ + 1) > 3 * static_cast<qsizetype>(slots_.size())) Grow();
  const quint32 hash = Hash(key);
  std::size_t k = Home(hash);
  for (;; k = Next(k)) {
    Slot& slot = slots_[k];
    if (slot.value < 0) break;
    if (slot.hash == hash && QByteArrayView(slot.key, slot.size) == key) {
      return {&slot.value, false, QByteArrayView(slot.key, slot.size)};
    }
  }
  Slot& slot = slots_[k];
  slot = {keys_.At(keys_.Add(key)), static_cast<quint32>(key.size()), hash, value};
  ++used_;
  return {&slot.value, true, QByteArrayView(slot.key, slot.size)};
}

void ByteIndex::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.value < 0) continue;
    std::size_t k = Home(slot.hash);
    while (slots_[k].value >= 0) k = Next(k);
    slots_[k] = slot;
  }
}

}  // namespace talvec
