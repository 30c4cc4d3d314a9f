#include "fake_window_system.h"

#include <cstring>
#include <new>

namespace kestro::testing {

namespace {
constexpr std::uint32_t kUtf8CodePage = 65001;
constexpr std::uint32_t kUnicodeTextFormat = 13;

// UTF-8 to UTF-16 for well-formed input; each stray byte becomes U+FFFD.
std::u16string DecodeUtf8(const std::string& input) {
  std::u16string output;
  for (std::size_t i = 0; i < input.size();) {
    const auto lead = static_cast<unsigned char>(input[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || i + length > input.size()) {
      output.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(input[i + k]) & 0x3F);
    if (code >= 0x10000) {
      code -= 0x10000;
      output.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      output.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      output.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return output;
}
}  // namespace

bool FakeWindowSystem::Call(const std::string& name, const std::string& detail) {
  calls.push_back(detail.empty() ? name : name + " " + detail);
  return failing.count(name) == 0;
}

std::size_t FakeWindowSystem::LeakedBlocks() const {
  std::size_t leaked = 0;
  for (const auto& entry : blocks_) leaked += entry.second->owned_by_clipboard ? 0 : 1;
  return leaked;
}

void FakeWindowSystem::BringToFront(HWND window) {
  foreground = window;
  for (const RecordedHook& hook : hooks) {
    hook.procedure(nullptr, 3, window, 0, 0, 7, 1234);
  }
}

int FakeWindowSystem::SetWindowDisplayAffinity(HWND window, std::uint32_t affinity) {
  if (!Call("SetWindowDisplayAffinity")) return 0;
  affinities[window] = affinity;
  return set_affinity_result;
}

int FakeWindowSystem::GetWindowDisplayAffinity(HWND window, std::uint32_t* affinity) {
  if (!Call("GetWindowDisplayAffinity")) return 0;
  *affinity = affinities[window];
  return get_affinity_result;
}

HWND FakeWindowSystem::GetForegroundWindow() {
  return Call("GetForegroundWindow") ? foreground : nullptr;
}

std::uint32_t FakeWindowSystem::GetWindowThreadProcessId(HWND window, std::uint32_t* process_id) {
  const auto found = window_processes.find(window);
  if (!Call("GetWindowThreadProcessId") || found == window_processes.end()) return 0;
  *process_id = found->second;
  return 1;
}

std::uint32_t FakeWindowSystem::GetCurrentProcessId() {
  Call("GetCurrentProcessId");
  return own_process;
}

bool FakeWindowSystem::GetProcessIntegrityLevel(std::uint32_t process_id, std::uint32_t* level) {
  if (!Call("GetProcessIntegrityLevel") || unreadable_integrity.count(process_id) == 1) return false;
  const auto found = integrity_levels.find(process_id);
  *level = found == integrity_levels.end() ? 0x2000 : found->second;
  return true;
}

bool FakeWindowSystem::IsWindow(HWND window) {
  return Call("IsWindow") && window_processes.count(window) == 1;
}

bool FakeWindowSystem::ShowWindow(HWND window, int command) {
  if (!Call("ShowWindow", std::to_string(command))) return false;
  if (command == 6) minimised.push_back(window);
  return true;
}

bool FakeWindowSystem::SetForegroundWindow(HWND window) {
  if (!Call("SetForegroundWindow")) return false;
  foreground = window;
  return true;
}

WinEventHook FakeWindowSystem::SetWinEventHook(std::uint32_t event_min, std::uint32_t event_max,
                                               WinEventProcedure procedure, std::uint32_t process_id,
                                               std::uint32_t thread_id, std::uint32_t flags) {
  if (!Call("SetWinEventHook")) return nullptr;
  hooks.push_back({event_min, event_max, procedure, process_id, thread_id, flags});
  return reinterpret_cast<WinEventHook>(static_cast<std::uintptr_t>(++hook_count_));
}

bool FakeWindowSystem::UnhookWinEvent(WinEventHook hook) {
  if (!Call("UnhookWinEvent")) return false;
  unhooked.push_back(hook);
  return true;
}

int FakeWindowSystem::MultiByteToWideChar(std::uint32_t code_page, std::uint32_t flags, const char* input,
                                          int input_length, char16_t* output, int output_length) {
  if (!Call("MultiByteToWideChar") || code_page != kUtf8CodePage || flags != 0) return 0;
  // -1: up to the first zero byte, counting the terminator.
  std::u16string decoded = input_length < 0 ? DecodeUtf8(std::string(input)) + u'\0'
                                            : DecodeUtf8(std::string(input, static_cast<std::size_t>(input_length)));
  const int needed = static_cast<int>(decoded.size());
  if (output == nullptr) return needed;
  if (output_length < needed) return 0;
  std::memcpy(output, decoded.data(), decoded.size() * sizeof(char16_t));
  return needed;
}

bool FakeWindowSystem::OpenClipboard(HWND owner, std::uint32_t* error) {
  const bool busy = clipboard_busy_for > 0;
  if (busy) --clipboard_busy_for;
  if (!Call("OpenClipboard") || clipboard_open || busy) {
    *error = 5;  // ERROR_ACCESS_DENIED, as when another program has it open
    return false;
  }
  clipboard_open = true;
  clipboard_owner = owner;
  return true;
}

bool FakeWindowSystem::EmptyClipboard() {
  if (!Call("EmptyClipboard") || !clipboard_open) return false;
  DropClipboardContents();
  ++clipboard_sequence;
  return true;
}

void FakeWindowSystem::DropClipboardContents() {
  lazy_render_ms.clear();
  for (const auto& entry : clipboard_) blocks_.erase(entry.second);
  clipboard_.clear();
  clipboard_text.clear();
}

GlobalMemory FakeWindowSystem::NewBlock(std::size_t bytes) {
  auto block = std::make_unique<Block>();
  block->bytes.resize(bytes);
  GlobalMemory handle = block.get();
  blocks_[handle] = std::move(block);
  return handle;
}

void FakeWindowSystem::PutOnClipboard(std::uint32_t format, const std::vector<unsigned char>& bytes, bool replace) {
  if (replace) DropClipboardContents();
  GlobalMemory memory = NewBlock(bytes.size());
  blocks_[memory]->bytes = bytes;
  Place(format, memory);
}

void FakeWindowSystem::PutLazilyOnClipboard(std::uint32_t format, std::uint32_t render_ms, bool replace) {
  if (replace) DropClipboardContents();
  lazy_render_ms[format] = render_ms;
  clipboard_.emplace_back(format, nullptr);
  ++clipboard_sequence;
}

bool FakeWindowSystem::RenderClipboardFormat(std::uint32_t format, std::uint32_t timeout_ms) {
  Call("RenderClipboardFormat", std::to_string(format) + " " + std::to_string(timeout_ms));
  const auto lazy = lazy_render_ms.find(format);
  if (lazy == lazy_render_ms.end()) return true;
  if (lazy->second > timeout_ms) {
    now_ms += timeout_ms;
    return false;
  }
  now_ms += lazy->second;
  lazy_render_ms.erase(lazy);
  for (auto& entry : clipboard_) {
    if (entry.first != format) continue;
    entry.second = NewBlock(lazy_bytes.size());
    blocks_[entry.second]->bytes = lazy_bytes;
    blocks_[entry.second]->owned_by_clipboard = true;
  }
  return true;
}

HWND FakeWindowSystem::ClipboardWindow() {
  Call("ClipboardWindow");
  return clipboard_window;
}

std::uint64_t FakeWindowSystem::TickCount() {
  return now_ms;
}

std::vector<std::uint32_t> FakeWindowSystem::ClipboardFormats() const {
  std::vector<std::uint32_t> formats;
  for (const auto& entry : clipboard_) formats.push_back(entry.first);
  return formats;
}

std::vector<unsigned char> FakeWindowSystem::ClipboardBytes(std::uint32_t format) const {
  for (const auto& entry : clipboard_) {
    if (entry.first == format) return entry.second == nullptr ? std::vector<unsigned char>() : blocks_.at(entry.second)->bytes;
  }
  return {};
}

std::uint32_t FakeWindowSystem::RegisteredFormat(const std::string& name) const {
  const auto found = registered_formats_.find(name);
  return found == registered_formats_.end() ? 0 : found->second;
}

void FakeWindowSystem::FireTimers() {
  auto due = std::move(timers);
  timers.clear();
  for (auto& timer : due) timer.second();
}

bool FakeWindowSystem::CloseClipboard() {
  const bool was_open = clipboard_open;
  clipboard_open = false;
  return Call("CloseClipboard") && was_open;
}

bool FakeWindowSystem::SetClipboardData(std::uint32_t format, GlobalMemory memory) {
  const auto found = blocks_.find(memory);
  if (!Call("SetClipboardData", std::to_string(format)) || !clipboard_open || found == blocks_.end()) return false;
  Place(format, memory);
  return true;
}

void FakeWindowSystem::Place(std::uint32_t format, GlobalMemory memory) {
  Block& block = *blocks_.at(memory);
  block.owned_by_clipboard = true;
  for (auto entry = clipboard_.begin(); entry != clipboard_.end(); ++entry) {
    if (entry->first != format) continue;
    blocks_.erase(entry->second);  // replaced
    clipboard_.erase(entry);
    break;
  }
  clipboard_.emplace_back(format, memory);
  ++clipboard_sequence;
  if (format != kUnicodeTextFormat) return;
  std::u16string text(block.bytes.size() / sizeof(char16_t), u'\0');
  std::memcpy(text.data(), block.bytes.data(), text.size() * sizeof(char16_t));
  clipboard_text = text.substr(0, text.find(u'\0'));
}

std::uint32_t FakeWindowSystem::EnumClipboardFormats(std::uint32_t format) {
  if (!Call("EnumClipboardFormats") || !clipboard_open) return 0;
  std::size_t next = 0;
  while (format != 0 && next < clipboard_.size() && clipboard_[next].first != format) ++next;
  if (format != 0) ++next;
  return next < clipboard_.size() ? clipboard_[next].first : 0;
}

GlobalMemory FakeWindowSystem::GetClipboardData(std::uint32_t format) {
  if (!Call("GetClipboardData", std::to_string(format)) || !clipboard_open) return nullptr;
  for (const auto& entry : clipboard_) {
    if (entry.first != format) continue;
    // Unrendered, GetClipboardData would wait for the owner: here it takes
    // the whole render time.
    const auto lazy = lazy_render_ms.find(format);
    if (lazy != lazy_render_ms.end()) RenderClipboardFormat(format, lazy->second);
    return entry.second;
  }
  return nullptr;
}

std::uint32_t FakeWindowSystem::GetClipboardSequenceNumber() {
  Call("GetClipboardSequenceNumber");
  return clipboard_sequence;
}

std::uint32_t FakeWindowSystem::RegisterClipboardFormat(const std::string& name) {
  if (!Call("RegisterClipboardFormat", name)) return 0;
  const auto inserted = registered_formats_.emplace(name, 0xC000 + registered_formats_.size());
  return inserted.first->second;
}

std::string FakeWindowSystem::GetClipboardFormatName(std::uint32_t format) {
  Call("GetClipboardFormatName");
  for (const auto& entry : registered_formats_) {
    if (entry.second == format) return entry.first;
  }
  return {};
}

GlobalMemory FakeWindowSystem::GlobalAlloc(std::uint32_t flags, std::size_t bytes) {
  if (!Call("GlobalAlloc", std::to_string(flags) + " " + std::to_string(bytes))) return nullptr;
  return NewBlock(bytes);
}

void* FakeWindowSystem::GlobalLock(GlobalMemory memory) {
  const auto found = blocks_.find(memory);
  if (!Call("GlobalLock") || found == blocks_.end()) return nullptr;
  return found->second->bytes.data();
}

bool FakeWindowSystem::GlobalUnlock(GlobalMemory) {
  return Call("GlobalUnlock");
}

void FakeWindowSystem::GlobalFree(GlobalMemory memory) {
  Call("GlobalFree");
  blocks_.erase(memory);
}

std::size_t FakeWindowSystem::GlobalSize(GlobalMemory memory) {
  if (out_of_memory) throw std::bad_alloc();
  const auto found = blocks_.find(memory);
  if (!Call("GlobalSize") || found == blocks_.end()) return 0;
  return found->second->bytes.size();
}

std::int16_t FakeWindowSystem::GetAsyncKeyState(int virtual_key) {
  Call("GetAsyncKeyState", std::to_string(virtual_key));
  return keys_down.count(virtual_key) == 1 ? INT16_MIN : 0;
}

std::uint32_t FakeWindowSystem::SendInput(std::uint32_t count, const KeyboardInput* inputs, int record_size) {
  if (!Call("SendInput")) return 0;
  sent_inputs.push_back({std::vector<KeyboardInput>(inputs, inputs + count), record_size});
  return count < inputs_inserted_limit ? count : inputs_inserted_limit;
}

void FakeWindowSystem::Sleep(std::uint32_t milliseconds) {
  Call("Sleep", std::to_string(milliseconds));
  sleeps.push_back(milliseconds);
  now_ms += milliseconds;
}

bool FakeWindowSystem::SetTimer(std::uint32_t milliseconds, std::function<void()> callback) {
  if (!Call("SetTimer", std::to_string(milliseconds))) return false;
  timers.emplace_back(milliseconds, std::move(callback));
  return true;
}

}  // namespace kestro::testing
