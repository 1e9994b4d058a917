#include "pipeline/packing_head_start.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <system_error>
#include <utility>

#include "implode/implode.h"
#include "project/text_keys.h"
#include "project/text_search.h"

namespace {

// Less of a tail than this is not worth encoding ahead.
constexpr std::uint64_t kLeastTail = std::uint64_t{4} << 20;

// Where the last of the blocks that the conversion replaces ends; 0 when there is none.
std::uint64_t BlocksEnd(std::string_view text) {
  std::uint64_t end = 0;
  const std::pair<std::string_view, std::string_view> blocks[] = {
      {keys::kIoTable, keys::kUnitSetup}, {keys::kIoTable, keys::kData}, {keys::kSettings, keys::kData}};
  for (const auto& [section, entry] : blocks) {
    if (const std::optional<TextSpan> span = LocateExtractedContent(text, section, entry)) {
      end = std::max<std::uint64_t>(end, span->end);
    }
  }
  return end;
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
  mapping_->Release(0, blocksEnd);
  // Two blocks of history past the last block's end, so that the tail's first tokens read only the tail.
  const std::uint64_t begin = (blocksEnd / kImplodeReadSize + 3) * kImplodeReadSize;
  if (blocksEnd == 0 || begin + kLeastTail > text.size()) return;
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
