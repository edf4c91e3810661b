// Texts kept as UTF-8 bytes in large shared blocks, so that a list of a few
// hundred thousand rows costs neither a decoding nor an allocation per text,
// and an index of such byte strings.
#pragma once

#include <QByteArrayView>
#include <QExplicitlySharedDataPointer>
#include <QSharedData>
#include <QString>
#include <cstddef>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/text.h"

namespace talvec {

// Advises the system to back the huge pages that [data, data + size)
// touches with huge pages, for a buffer of many megabytes about to be
// filled: a fault then brings 2 MiB, not 4 KiB.
void AdviseHugePages(const void* data, std::size_t size);

// Room to reserve in a std::vector of `count` items of `size` bytes so that
// the items in use end inside whole huge pages, short of the room's end
// (allocated elsewhere, its end is seldom on a huge page's edge).
std::size_t HugePageCapacity(std::size_t count, std::size_t size);

// Room for `size` bytes, released with std::free. Large rooms are whole
// huge pages, advised as such, so that neither end falls on small pages.
void* AllocateLarge(std::size_t size);

// An allocator of large arrays in whole huge pages (see AllocateLarge).
template <typename T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) {}  // NOLINT: rebinding
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) { std::free(p); }
  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

template <typename T>
using LargeVector = std::vector<T, HugePageAllocator<T>>;

// A block of bytes that many texts share: written once, before any text
// refers to the bytes, and never changed afterwards.
class SharedBytes : public QSharedData {
 public:
  // Room for `capacity` bytes. Large blocks ask the system for huge pages
  // where it offers them, so filling them costs a fault per 2 MiB rather
  // than per 4 KiB.
  explicit SharedBytes(qsizetype capacity);
  SharedBytes(const SharedBytes&) = delete;
  SharedBytes& operator=(const SharedBytes&) = delete;
  ~SharedBytes();

  const char* data() const { return data_; }
  qsizetype size() const { return size_; }
  qsizetype room() const { return capacity_ - size_; }
  // Appends `bytes`, which fit the room left; returns where they start.
  qsizetype Append(QByteArrayView bytes);

 private:
  char* data_ = nullptr;
  qsizetype size_ = 0;
  qsizetype capacity_ = 0;
};

// A text kept as its UTF-8 bytes, most often inside a block that the rows
// of one load share; it becomes a QString only when asked.
class Utf8Text {
 public:
  Utf8Text() = default;
  // A text of its own (rows built by hand), as toUtf8 encodes it.
  Utf8Text(const QString& text);  // NOLINT: implicit, as the QString it stands for
  // `size` bytes of `block` from `offset`.
  Utf8Text(QExplicitlySharedDataPointer<const SharedBytes> block, quint32 offset, quint32 size)
      : block_(std::move(block)), offset_(offset), size_(size) {}

  QByteArrayView bytes() const {
    return block_ ? QByteArrayView(block_->data() + offset_, size_) : QByteArrayView();
  }
  QString ToString() const { return DecodeUtf8(bytes()); }
  bool isEmpty() const { return size_ == 0; }

  friend bool operator==(const Utf8Text& a, const Utf8Text& b) { return a.bytes() == b.bytes(); }
  friend bool operator==(const Utf8Text& a, const QString& b) { return a.ToString() == b; }

 private:
  QExplicitlySharedDataPointer<const SharedBytes> block_;
  quint32 offset_ = 0;
  quint32 size_ = 0;
};

// Byte strings written back to back into blocks that never move: a block
// grows by starting the next one, nothing is copied, and what was written
// stays where it is.
class TextBlocks {
 public:
  struct Place {
    quint32 block = 0;
    quint32 offset = 0;
  };

  // Blocks start small and double; a caller that expects many bytes starts
  // them larger.
  explicit TextBlocks(qsizetype expected_bytes = 0);

  // Writes `first` and `second` one after the other in one block; the
  // place of `first`.
  Place Add(QByteArrayView first, QByteArrayView second = {});
  const char* At(Place place) const { return blocks_[place.block]->data() + place.offset; }
  // The block, for texts that share it once every byte is written.
  QExplicitlySharedDataPointer<const SharedBytes> Block(quint32 block) const {
    return QExplicitlySharedDataPointer<const SharedBytes>(blocks_[block].data());
  }

 private:
  std::vector<QExplicitlySharedDataPointer<SharedBytes>> blocks_;
  qsizetype next_block_;
};

// Byte strings to numbers: open addressing on their hashes, the bytes
// compared only where the hashes agree, so a look-up that misses touches
// one tag and no key. Keys are copied into the index unless they outlive it.
class ByteIndex {
 public:
  // Room for `expected` keys of `expected_bytes` in all before it grows.
  explicit ByteIndex(qsizetype expected = 0, qsizetype expected_bytes = 0);

  // The number of `key`, or -1.
  qint32 Find(QByteArrayView key) const { return Find(key, Hash(key)); }
  // The same with the key's Hash, taken early so that Prefetch can bring
  // the look-up's memory near while other work goes on.
  qint32 Find(QByteArrayView key, quint64 hash) const;
  void Prefetch(quint64 hash) const;
  static quint64 Hash(QByteArrayView key);
  struct Entry {
    qint32* number;      // may be changed until the next Emplace
    bool added;          // the key was new and was given `value`
    QByteArrayView key;  // the index's copy, valid as long as the index
  };
  // The entry of `key`, added with `value` as its number when new.
  Entry Emplace(QByteArrayView key, qint32 value);
  // The same for a key whose bytes outlive the index: they are not copied.
  Entry EmplaceKept(QByteArrayView key, qint32 value);

 private:
  struct Slot {
    const char* key = nullptr;
    quint32 size = 0;
    qint32 value = -1;
    quint32 low = 0;  // the hash's lower half, for growing without the keys
  };

  // A slot's tag: the hash's upper half, never 0 (0 marks a free slot).
  static quint32 Tag(quint64 hash) { return static_cast<quint32>(hash >> 32) | 1; }
  std::size_t Home(quint64 hash) const { return static_cast<quint32>(hash) & (tags_.size() - 1); }
  std::size_t Next(std::size_t k) const { return (k + 1) & (tags_.size() - 1); }
  void Grow();
  Entry Emplace(QByteArrayView key, qint32 value, bool keep);

  // Tags apart from the slots: a look-up that misses reads 4 bytes a probe.
  LargeVector<quint32> tags_;
  LargeVector<Slot> slots_;
  TextBlocks keys_;
  qsizetype used_ = 0;
};

}  // namespace talvec
