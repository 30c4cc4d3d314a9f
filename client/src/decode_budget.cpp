#include "decode_budget.h"

#include "diagnostics.h"
#include "wire_format.h"

namespace flutter::internal {

thread_local DecodeBudget::Container::State DecodeBudget::Container::state_;

bool DecodeBudget::Fits(const ByteStreamReader* stream, uint64_t bytes) {
  if (bytes == 0) return true;  // without asking the stream
  return FitsIn(stream->RemainingBytes(), EnclosingOf(stream).owed, bytes);
}

DecodeBudget::Enclosing DecodeBudget::EnclosingOf(const ByteStreamReader* stream) {
  const Container::State& state = Container::state_;
  if (state.reader != stream) return {0, 0};
  return {state.owed, state.depth};
}

DecodeBudget::Container::Container(const ByteStreamReader* stream)
    : state_of_thread_(&state_), stream_(stream), saved_(*state_of_thread_) {
  State& state = *state_of_thread_;
  // A different reader is a different message (a nested decode): start afresh.
  if (state.reader != stream) state = State{stream, 0, 0, Allowance()};
  ++state.depth;
  enclosing_owed_ = state.owed;
}

DecodeBudget::Container::~Container() {
  // What this container spent stays spent for the rest of its value.
  const Allowance spent = state_of_thread_->allowance;
  *state_of_thread_ = saved_;
  if (saved_.reader == stream_) state_of_thread_->allowance = spent;
}

bool DecodeBudget::Allowance::Take(uint64_t bytes) {
  if (bytes <= left_) {
    left_ -= bytes;
    return true;
  }
  if (!exhausted_) WriteDiagnosticLine(kInvalidReadLine);
  exhausted_ = true;
  left_ = 0;
  return false;
}

DecodeBudget::Allowance* DecodeBudget::AllowanceOf(const ByteStreamReader* stream, Allowance* own) {
  Container::State& state = Container::state_;
  return state.reader == stream ? &state.allowance : own;
}

bool DecodeBudget::Container::Open(uint32_t count, uint32_t min_item_bytes) {
  // An empty one holds nothing to recurse into, however deep it sits.
  if (count != 0 && state_of_thread_->depth > kMaxNestingDepth) return false;
  if (!Fits(stream_, uint64_t{count} * min_item_bytes)) return false;
  counted_ = Counts(stream_);
  count_ = count;
  min_item_bytes_ = min_item_bytes;
  return true;
}

void DecodeBudget::Container::BeginItem(uint32_t index, uint32_t extra_bytes) {
  state_of_thread_->owed = enclosing_owed_ + (count_ - index - 1) * min_item_bytes_ + extra_bytes;
}

}  // namespace flutter::internal
