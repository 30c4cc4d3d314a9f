// Bounds what a message may make the reader allocate.
//
// A declared size is accepted only when it fits in the bytes that remain
// after what the enclosing lists and maps are still owed (every element needs
// at least its tag byte, every map entry two). So the storage made for a
// message of n bytes stays O(n), whatever its size prefixes claim, and
// nesting is capped so that the stack cannot run out. The state is per
// thread and per reader, and each container restores it on the way out.
//
// A reader that cannot count its bytes (RemainingBytes unknown) vouches for
// no size: nothing is sized from its prefixes, what is read grows as the
// bytes arrive, and reading stops at its first short read. Since such a
// reader need not say when it reads short either, one value read from it may
// decode to at most kUncountedValueLimit: the bytes of its strings and typed
// lists, and sizeof(EncodableValue) for every list element and every map key
// and value read. Reading stops where that runs out, with one invalid-read
// line, and the value holds what was read until then.
#ifndef KESTRO_CLIENT_DECODE_BUDGET_H_
#define KESTRO_CLIENT_DECODE_BUDGET_H_

#include <cstddef>
#include <cstdint>

#include "flutter/byte_streams.h"

namespace flutter::internal {

class DecodeBudget {
 public:
  static constexpr uint64_t kUncountedValueLimit = uint64_t{16} << 20;

  // What a value read from a reader that cannot count may still decode to.
  class Allowance {
   public:
    // Takes `bytes` of it. The first refusal writes the invalid-read line;
    // later ones are silent, since the value is over by then.
    bool Take(uint64_t bytes);

   private:
    uint64_t left_ = kUncountedValueLimit;
    bool exhausted_ = false;
  };
  // The allowance of the value being read from `stream`: the one of the
  // lists and maps open around this read, or `own` for a value read alone.
  static Allowance* AllowanceOf(const ByteStreamReader* stream, Allowance* own);

  // Whether `bytes` more bytes can come from `stream` on top of what the
  // open containers are owed.
  static bool Fits(const ByteStreamReader* stream, uint64_t bytes);
  // Whether `bytes` more bytes fit in `remaining` on top of `owed`.
  static bool FitsIn(uint64_t remaining, uint64_t owed, uint64_t bytes) {
    // Nothing to allocate: a read that fails anyway reports itself.
    return bytes == 0 || (remaining >= owed && bytes <= remaining - owed);
  }

  // What the lists and maps open on this thread around a read from `stream`
  // are owed, and how deeply they nest: where a reader that keeps the
  // budget itself, with nothing else reading meanwhile, starts from.
  struct Enclosing {
    uint64_t owed;
    int depth;
  };
  static Enclosing EnclosingOf(const ByteStreamReader* stream);

  // Whether `stream` can tell how many bytes it holds.
  static bool Counts(const ByteStreamReader* stream) { return stream->RemainingBytes() != SIZE_MAX; }

  // One list or map being read; enters a nesting level for its lifetime.
  class Container {
   public:
    explicit Container(const ByteStreamReader* stream);
    ~Container();
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Accepts `count` items of at least `min_item_bytes` each, if they fit
    // and, when there are any, if they are not nested too deep.
    bool Open(uint32_t count, uint32_t min_item_bytes);
    // Whether storage for the items accepted may be made at once.
    bool counted() const { return counted_; }
    // After an item: whether reading has to stop because a reader that
    // cannot count its bytes came up short.
    bool RanShort() const { return !counted_ && stream_->ReadPastEnd(); }
    // Before an item of `bytes` in memory: whether a reader that cannot
    // count still has them in its allowance.
    bool Admits(uint64_t bytes) { return counted_ || state_of_thread_->allowance.Take(bytes); }
    // Before reading part of item `index`: what is owed after that part is
    // the rest of this container, `extra_bytes` within the item, and what
    // the enclosing containers are owed.
    void BeginItem(uint32_t index, uint32_t extra_bytes);

   private:
    struct State {
      const ByteStreamReader* reader = nullptr;
      int depth = 0;
      uint64_t owed = 0;
      Allowance allowance;  // one per value: shared by its lists and maps
    };
    static thread_local State state_;

    State* state_of_thread_;  // looked up once per container, not per item
    const ByteStreamReader* stream_;
    State saved_;
    uint64_t enclosing_owed_;
    uint64_t count_ = 0;
    uint64_t min_item_bytes_ = 0;
    bool counted_ = true;

    friend class DecodeBudget;
  };
};

}  // namespace flutter::internal

#endif  // KESTRO_CLIENT_DECODE_BUDGET_H_
