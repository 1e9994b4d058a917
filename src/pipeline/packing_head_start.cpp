#include "pipeline/packing_head_start.h"

#include <algorithm>
#include <string_view>
#include <system_error>
#include <utility>

#include "implode/implode.h"
#include "project/text_keys.h"

namespace {

// Less of a tail than this, or than this share of the project, gains less than the thread costs
// the steps beside it.
constexpr std::uint64_t kLeastTail = std::uint64_t{4} << 20;
constexpr std::uint64_t kLeastTailShare = 4;  // a quarter

// Where the last block marker ends; the blocks the conversion replaces lie before it. 0 when there
// is none. Looked for from the end, so that little more than the tail is read.
std::uint64_t BlocksEnd(std::string_view text) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  const std::string_view stem = keys::kMarkerStem;
  for (std::size_t end = text.size(); end > 0;) {
    const std::size_t from = end > kChunk ? end - kChunk : 0;
    const std::string_view chunk = text.substr(from, std::min(text.size(), end + stem.size() - 1) - from);
    std::size_t last = std::string_view::npos;
    for (std::size_t at = chunk.find(stem); at != std::string_view::npos; at = chunk.find(stem, at + 1)) last = at;
    if (last != std::string_view::npos) return from + last + stem.size();
    end = from;
  }
  return 0;
}

}  // namespace

std::unique_ptr<PackingHeadStart> PackingHeadStart::Begin(const std::string& staged, const std::uint64_t size) {
  if (size < kLeastProject) return nullptr;
  std::unique_ptr<platform::FileMapping> mapping;
  if (const std::unique_ptr<platform::InputFile> file = platform::OpenForReading(platform::PathFromUtf8(staged))) {
    mapping = file->MapGradually();
  }
  if (!mapping || mapping->Bytes().size() != size) return nullptr;
  std::unique_ptr<PackingHeadStart> start(new PackingHeadStart(std::move(mapping)));
  try {
    start->thread_ = std::thread([head = start.get()] { head->Run(); });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return start;
}

PackingHeadStart::PackingHeadStart(std::unique_ptr<platform::FileMapping> mapping) : mapping_(std::move(mapping)) {}

PackingHeadStart::~PackingHeadStart() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

const implode::LooseEncoding* PackingHeadStart::Finish() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return made_ ? &loose_ : nullptr;
}

void PackingHeadStart::Run() {
  const std::string_view text = mapping_->Bytes();
  const std::uint64_t blocksEnd = BlocksEnd(text);
  // The search read the tail; the encoding reads it again as it goes.
  mapping_->Release(blocksEnd, text.size() - blocksEnd);
  // Two blocks of history past the last marker's block, so that the tail's first tokens read only the tail.
  const std::uint64_t begin = (blocksEnd / kImplodeReadSize + 3) * kImplodeReadSize;
  const std::uint64_t least = std::max(kLeastTail, text.size() / kLeastTailShare);
  if (blocksEnd == 0 || begin > text.size() || text.size() - begin < least) return;
  std::uint64_t released = 0;
  const auto done = [this, &released](const std::uint64_t below) {
    if (below <= released) return;
    mapping_->Release(released, below - released);
    released = below;
  };
  loose_.compared = [this](const std::uint64_t from, const std::uint64_t size) { mapping_->Release(from, size); };
  made_ = implode::EncodeLoose(reinterpret_cast<const std::uint8_t*>(text.data()), begin, text.size(), 0, 4096, stop_,
                               loose_, done);
  // What the packing compares with the merged project's end is read again then.
  mapping_->Release(released, text.size() - released);
}
