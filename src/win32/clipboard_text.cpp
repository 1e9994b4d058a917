#include "win32/clipboard_text.h"

#include <cstring>

namespace {

class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardScope() {
    if (open_) ::CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool open() const { return open_; }

 private:
  const bool open_;
};

// A block of ours until the clipboard takes it.
class MovableBlock {
 public:
  explicit MovableBlock(HGLOBAL block) : block_(block) {}
  ~MovableBlock() {
    if (block_) ::GlobalFree(block_);
  }
  MovableBlock(const MovableBlock&) = delete;
  MovableBlock& operator=(const MovableBlock&) = delete;
  HGLOBAL get() const { return block_; }
  void release() { block_ = nullptr; }

  // Copies the text and a terminating zero in; false when the block cannot be locked.
  bool Fill(std::wstring_view text) {
    void* const memory = ::GlobalLock(block_);
    if (!memory) return false;
    auto* const characters = static_cast<wchar_t*>(memory);
    std::memcpy(characters, text.data(), text.size() * sizeof(wchar_t));
    characters[text.size()] = L'\0';
    ::GlobalUnlock(block_);
    return true;
  }

 private:
  HGLOBAL block_;
};

}  // namespace

ClipboardAccess SystemClipboardAccess() {
  return {[](SIZE_T bytes) { return ::GlobalAlloc(GMEM_MOVEABLE, bytes); },
          [](UINT format, HANDLE block) { return ::SetClipboardData(format, block); }};
}

ClipboardWrite WriteClipboardText(HWND owner, std::wstring_view text, const ClipboardAccess& access) {
  const OpenClipboardScope clipboard(owner);
  if (!clipboard.open()) return ClipboardWrite::Unavailable;
  if (!::EmptyClipboard()) return ClipboardWrite::Unavailable;
  MovableBlock block(access.allocate((text.size() + 1) * sizeof(wchar_t)));
  if (!block.get() || !block.Fill(text)) return ClipboardWrite::OutOfMemory;
  if (!access.setData(CF_UNICODETEXT, block.get())) return ClipboardWrite::Unavailable;
  block.release();  // the clipboard owns it now
  return ClipboardWrite::Written;
}
