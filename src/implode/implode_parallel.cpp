#include "implode/implode_parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "implode/implode_passes.h"

namespace {

using implode::BitRange;
using implode::PassRun;
using implode::PassRunResult;
using implode::PassStop;
using implode::PassWatch;

constexpr std::uint64_t kNever = ~std::uint64_t{0};
// A segment begins at pass 2 or later, where the window no longer depends on the stream's start.
constexpr std::uint64_t kFirstSplitPass = 2;
// A splice reads up to 8 bytes past the byte that holds its last bit.
constexpr std::size_t kSpliceOverread = 8;

// The input a stretch reads and where its codes go; both callbacks take it.
struct Stretch {
  const std::uint8_t* at;
  const std::uint8_t* end;
  StreamWriteCallback write;
  void* param;
};

std::uint32_t ReadStretch(char* buffer, std::uint32_t& size, void* param) {
  auto& stretch = *static_cast<Stretch*>(param);
  const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, stretch.end - stretch.at));
  std::memcpy(buffer, stretch.at, n);
  stretch.at += n;
  return n;
}

void WriteStretch(const char* buffer, std::uint32_t& size, void* param) {
  auto& stretch = *static_cast<Stretch*>(param);
  stretch.write(buffer, size, stretch.param);
}

void WriteCodes(const char* buffer, std::uint32_t& size, void* param) {
  auto& codes = *static_cast<std::vector<std::uint8_t>*>(param);
  codes.insert(codes.end(), buffer, buffer + size);
}

// Where a pass began in a segment's encoding: its first token's window offset and the code bits
// before it.
struct Mark {
  std::uint32_t position;
  std::uint64_t bits;
};

// One encoding from a pass on. It runs until it meets the encoding that follows it, reaches the
// input's end, or is overtaken by the one before it (abandoned). All but `codes` is the lock's.
struct Segment {
  std::uint64_t firstPass = 0;
  std::unique_ptr<Mark[]> marks;  // one per pass from firstPass on
  std::uint64_t published = 0;    // marks written
  std::vector<std::uint8_t> codes;  // the caller's writes take the first segment's
  Segment* next = nullptr;          // the segment that began after it
  bool running = true;
  bool abandoned = false;
  bool failed = false;              // it ran out of memory: its codes are not to be used
  std::uint64_t joinedAt = kNever;  // the pass at which it met `joinTo`
  Segment* joinTo = nullptr;
  std::uint64_t joinFromBit = 0;    // where that pass begins in joinTo's codes
  std::uint64_t bits = 0;           // every code bit it put
  bool ended = false;               // its codes hold the end code
  bool metBefore = false;           // one before it met it: its codes are needed
};

class SplitCompression {
 public:
  SplitCompression(const std::uint8_t* input, const std::uint64_t size, const std::uint32_t literalMode,
                   const std::uint32_t dictionarySize, const ImplodeSplit& split)
      : input_(input),
        size_(size),
        literalMode_(literalMode),
        dictionarySize_(dictionarySize),
        lastPass_(size / kImplodeReadSize),
        leastPasses_(std::max<std::uint64_t>(1, split.leastSegment / kImplodeReadSize)),
        threads_(std::max(1u, split.threads)),
        patient_(split.patient) {}

  SplitCompression(const SplitCompression&) = delete;
  SplitCompression& operator=(const SplitCompression&) = delete;

  ~SplitCompression() {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
      for (const std::unique_ptr<Segment>& segment : segments_) segment->abandoned = true;
    }
    published_.notify_all();
    JoinWorkers();
  }

  // Room for every segment there can be, and the first ones, one per thread, spread evenly; false
  // when the memory cannot be had.
  bool Prepare() {
    const std::uint64_t most = std::max<std::uint64_t>(1, (lastPass_ + 1) / leastPasses_);
    try {
      segments_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(most, 16 * threads_) + 1));
      splice_.reserve(segments_.capacity());
      workers_.reserve(threads_);
    } catch (const std::bad_alloc&) {
      return false;
    }
    Segment* last = NewSegment(0);
    if (last == nullptr) return false;
    for (std::uint64_t i = 1; i < threads_; ++i) {
      const std::uint64_t pass = std::max(kFirstSplitPass, i * (lastPass_ + 1) / threads_);
      if (pass < last->firstPass + leastPasses_ || pass + leastPasses_ > lastPass_ + 1) continue;
      Segment* const segment = NewSegment(pass);
      if (segment == nullptr) break;
      last->next = segment;
      last = segment;
    }
    return true;
  }

  // Encodes the first segment here and each of the others on a thread of its own; threads that
  // finish split the largest stretch no one encodes yet. A thread that cannot be had leaves its
  // segment to the one before.
  void Run(StreamWriteCallback write, ImplodeWorkArea& work, void* param) {
    // Once a thread runs, others may add segments: the first ones are taken before.
    std::vector<Segment*> first;
    for (const std::unique_ptr<Segment>& segment : segments_) first.push_back(segment.get());
    for (std::size_t i = 1; i < first.size(); ++i) {
      try {
        workers_.emplace_back([this, segment = first[i]] { Work(segment); });
      } catch (const std::system_error&) {
        const std::lock_guard<std::mutex> hold(lock_);
        for (std::size_t j = i; j < first.size(); ++j) first[j]->running = false;
        published_.notify_all();
        break;
      }
    }
    Stretch stretch{input_, input_ + size_, write, param};
    FirstWatch watch(*this);
    EncodePasses(ReadStretch, WriteStretch, work, &stretch, literalMode_, dictionarySize_, PassRun{0, nullptr, &watch});
  }

  unsigned segments() const { return static_cast<unsigned>(segments_.size()); }
  unsigned joined() const { return static_cast<unsigned>(splice_.size()); }

 private:
  class FirstWatch final : public PassWatch {
   public:
    explicit FirstWatch(SplitCompression& split) : split_(split) {}
    PassStop AtPass(const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits) override {
      return split_.FirstAtPass(pass, position, bits);
    }

   private:
    SplitCompression& split_;
  };

  class SegmentWatch final : public PassWatch {
   public:
    SegmentWatch(SplitCompression& split, Segment& segment) : split_(split), segment_(segment) {}
    PassStop AtPass(const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits) override {
      std::unique_lock<std::mutex> hold(split_.lock_);
      return PassStop{split_.Met(segment_, pass, position, bits, hold)};
    }

   private:
    SplitCompression& split_;
    Segment& segment_;
  };

  Segment* NewSegment(const std::uint64_t firstPass) {
    if (segments_.size() == segments_.capacity()) return nullptr;
    auto segment = std::unique_ptr<Segment>(new (std::nothrow) Segment());
    if (!segment) return nullptr;
    segment->firstPass = firstPass;
    segment->marks.reset(new (std::nothrow) Mark[lastPass_ + 1 - firstPass]);
    if (!segment->marks) return nullptr;
    segments_.push_back(std::move(segment));
    return segments_.back().get();
  }

  // Notes where the pass begins and says whether the segment stops here: abandoned, or met by the
  // encoding that follows it, whose codes from here on then stand for its own.
  bool Met(Segment& segment, const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits,
           std::unique_lock<std::mutex>& hold) {
    segment.marks[pass - segment.firstPass] = Mark{position, bits};
    segment.published = pass - segment.firstPass + 1;
    published_.notify_all();
    for (;;) {
      if (segment.abandoned) return true;
      Segment* follower = segment.next;
      while (follower != nullptr && !follower->running && follower->joinedAt <= pass) follower = follower->joinTo;
      if (follower == nullptr || pass < follower->firstPass) return false;
      const std::uint64_t k = pass - follower->firstPass;
      if (k < follower->published) {
        const Mark& mark = follower->marks[k];
        if (mark.position != position) return false;
        segment.running = false;
        segment.joinedAt = pass;
        segment.joinTo = follower;
        segment.joinFromBit = mark.bits;
        follower->metBefore = true;
        return true;
      }
      if (!follower->running) {
        // It failed, or was abandoned: what it would encode, this one encodes.
        segment.next = follower->next;
        continue;
      }
      if (!follower->metBefore && !patient_) {
        // It is behind, and no one needs its codes: this one takes its place.
        follower->abandoned = true;
        segment.next = follower->next;
        continue;
      }
      // It is behind, and others need its codes from where they met it: wait until it gets here.
      published_.wait(hold);
    }
  }

  // The first segment stops where it meets the encoding that follows it, once every thread has
  // finished: its codes then end with the chain of segments met, the last of which reached the end.
  PassStop FirstAtPass(const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits) {
    {
      std::unique_lock<std::mutex> hold(lock_);
      if (alone_ || !Met(*segments_.front(), pass, position, bits, hold)) return {};
    }
    // This thread helps with the rest in a work area of its own.
    Work(nullptr);
    JoinWorkers();
    const std::lock_guard<std::mutex> hold(lock_);
    splice_.clear();
    const Segment* segment = segments_.front().get();
    for (std::uint64_t from = segment->joinFromBit; segment->joinedAt != kNever;) {
      const Segment* const met = segment->joinTo;
      if (met->failed) break;
      splice_.push_back(BitRange{met->codes.data(), from, met->bits});
      from = met->joinFromBit;
      segment = met;
    }
    if (splice_.empty() || !segment->ended) {
      // Not expected; encoding on alone is always right.
      splice_.clear();
      alone_ = true;
      return {};
    }
    return PassStop{true, splice_.data(), splice_.size()};
  }

  // Encodes the segment, if any, then until no stretch is left worth splitting: starts a segment
  // halfway into the largest stretch ahead of a running one that no other encodes, and encodes it.
  void Work(Segment* segment) {
    const std::unique_ptr<ImplodeWorkArea> work(new (std::nothrow) ImplodeWorkArea());
    if (!work) {
      if (segment == nullptr) return;
      const std::lock_guard<std::mutex> hold(lock_);
      segment->running = false;
      published_.notify_all();
      return;
    }
    for (;;) {
      if (segment != nullptr) Encode(*segment, *work);
      const std::lock_guard<std::mutex> hold(lock_);
      segment = Split();
      if (segment == nullptr) return;
    }
  }

  Segment* Split() {
    if (stopping_) return nullptr;
    Segment* widest = nullptr;
    std::uint64_t widestGap = 0;
    std::uint64_t start = 0;
    for (const std::unique_ptr<Segment>& segment : segments_) {
      if (!segment->running || segment->abandoned) continue;
      const std::uint64_t at = segment->firstPass + segment->published;
      const std::uint64_t limit = segment->next != nullptr ? segment->next->firstPass : lastPass_ + 1;
      if (limit <= at || limit - at <= widestGap) continue;
      const std::uint64_t middle = std::max(kFirstSplitPass, at + (limit - at) / 2);
      if (middle < at + leastPasses_ || middle + leastPasses_ > limit) continue;
      widest = segment.get();
      widestGap = limit - at;
      start = middle;
    }
    if (widest == nullptr) return nullptr;
    Segment* const split = NewSegment(start);
    if (split == nullptr) return nullptr;
    split->next = widest->next;
    widest->next = split;
    return split;
  }

  void Encode(Segment& segment, ImplodeWorkArea& work) {
    std::memset(&work, 0, sizeof work);
    const std::uint8_t* const block = input_ + segment.firstPass * kImplodeReadSize;
    Stretch stretch{block, input_ + size_, WriteCodes, &segment.codes};
    SegmentWatch watch(*this, segment);
    PassRunResult result{0, false};
    bool failed = false;
    try {
      result = EncodePasses(ReadStretch, WriteStretch, work, &stretch, literalMode_, dictionarySize_,
                            PassRun{segment.firstPass, block, &watch});
      segment.codes.resize(segment.codes.size() + kSpliceOverread);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    const std::lock_guard<std::mutex> hold(lock_);
    published_.notify_all();
    segment.running = false;
    segment.failed = failed;
    segment.bits = result.bits;
    segment.ended = result.ended;
    if (!result.ended) return;
    // The segments after one that reached the end are of no use.
    for (Segment* after = segment.next; after != nullptr; after = after->next) after->abandoned = true;
  }

  void JoinWorkers() {
    for (std::thread& worker : workers_) {
      if (worker.joinable()) worker.join();
    }
  }

  const std::uint8_t* const input_;
  const std::uint64_t size_;
  const std::uint32_t literalMode_;
  const std::uint32_t dictionarySize_;
  const std::uint64_t lastPass_;     // the pass that reads the input's end
  const std::uint64_t leastPasses_;  // the least a new segment is given
  const unsigned threads_;
  const bool patient_;
  std::mutex lock_;
  std::condition_variable published_;  // a segment noted a pass or stopped
  std::vector<std::unique_ptr<Segment>> segments_;  // never grows past its reserve: segments stay put
  bool alone_ = false;                              // the first segment encodes the rest itself
  bool stopping_ = false;                           // no segment is to start any more
  std::vector<BitRange> splice_;
  std::vector<std::thread> workers_;
};

}  // namespace

unsigned ImplodeInParallel(const std::uint8_t* input, const std::uint64_t size, StreamWriteCallback write,
                           ImplodeWorkArea& work, void* param, const std::uint32_t literalMode,
                           const std::uint32_t dictionarySize, const ImplodeSplit& split,
                           ImplodeSplitReport* report) {
  if (implode::DictionaryBits(dictionarySize) == 0) return kStreamBadDictionary;
  if (literalMode > 1) return kStreamBadLiteralMode;
  SplitCompression compression(input, size, literalMode, dictionarySize, split);
  if (split.threads <= 1 || size < 2 * split.leastSegment || !compression.Prepare()) {
    Stretch stretch{input, input + size, write, param};
    ImplodeStream(ReadStretch, WriteStretch, work, &stretch, literalMode, dictionarySize);
    if (report != nullptr) *report = ImplodeSplitReport{1, 0};
    return kStreamOk;
  }
  compression.Run(write, work, param);
  if (report != nullptr) *report = ImplodeSplitReport{compression.segments(), compression.joined()};
  return kStreamOk;
}
