#include "implode/explode_parallel.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "implode/explode_codes.h"

namespace {

using implode::expansion::BitInput;
using implode::expansion::ExpansionWindow;
using implode::expansion::kEndSymbol;
using implode::expansion::NextToken;
using implode::expansion::ResultOf;
using implode::expansion::StreamStart;
using implode::expansion::Token;

// Tokens travel in batches through a ring: a batch is a few hundred microseconds of either side's
// work, so the two meet once per batch, and the ring lets either run ahead of the other a while.
constexpr std::size_t kBatchTokens = 16384;
constexpr std::size_t kBatches = 8;

// A token in a batch: its symbol in the low 16 bits, a copy's distance above.
std::uint32_t Packed(const Token token) { return token.symbol | (token.distance << 16); }
Token Unpacked(const std::uint32_t packed) { return {packed & 0xFFFFu, packed >> 16}; }

// The ring between the decoding thread (the caller's) and the writing thread. Each side owns the
// batches it holds; the counts say which those are, and they and the flags are the lock's.
class TokenRing {
 public:
  bool Allocate() {
    tokens_.reset(new (std::nothrow) std::uint32_t[kBatches * kBatchTokens]);
    return tokens_ != nullptr;
  }

  // The decoding side: the next batch to fill, once the writing side has emptied it; null when
  // the writing side has stopped.
  std::uint32_t* NextToFill() {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return writerStopped_ || handed_ - emptied_ < kBatches; });
    return writerStopped_ ? nullptr : Batch(handed_);
  }
  void Hand(const std::size_t count) {
    Change([&] {
      counts_[handed_ % kBatches] = count;
      ++handed_;
    });
  }
  // No more batches come: the writing side stops once it has emptied those handed.
  void Abandon() {
    Change([&] { abandoned_ = true; });
  }

  // The writing side: the next batch handed and its token count; null once none will come.
  std::uint32_t* NextToEmpty(std::size_t& count) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return abandoned_ || emptied_ < handed_; });
    if (emptied_ == handed_) return nullptr;
    count = counts_[emptied_ % kBatches];
    return Batch(emptied_);
  }
  void Emptied() {
    Change([&] { ++emptied_; });
  }
  void WriterStopped() {
    Change([&] { writerStopped_ = true; });
  }

 private:
  // Changes the state under the lock, then wakes whichever side waits for it.
  template <typename Changing>
  void Change(Changing changing) {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      changing();
    }
    changed_.notify_all();
  }

  std::uint32_t* Batch(const std::uint64_t index) { return tokens_.get() + (index % kBatches) * kBatchTokens; }

  std::unique_ptr<std::uint32_t[]> tokens_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::size_t counts_[kBatches] = {};
  std::uint64_t handed_ = 0;
  std::uint64_t emptied_ = 0;
  bool abandoned_ = false;
  bool writerStopped_ = false;
};

// The writing thread: it takes the batches in order and ends with the end-of-stream or error
// token, or when the decoding side abandons the ring. A callback's exception is kept for the
// caller.
class Writer {
 public:
  Writer(TokenRing& ring, ExplodeWorkArea& work, StreamWriteCallback write, void* param)
      : ring_(ring), window_(work, write, param) {}

  void Run() {
    try {
      Expand();
    } catch (...) {
      failure_ = std::current_exception();
    }
    ring_.WriterStopped();
  }

  unsigned result() const { return result_; }
  const std::exception_ptr& failure() const { return failure_; }

 private:
  void Expand() {
    for (;;) {
      std::size_t count = 0;
      const std::uint32_t* const batch = ring_.NextToEmpty(count);
      if (batch == nullptr) return;
      for (std::size_t i = 0; i < count; ++i) {
        const Token token = Unpacked(batch[i]);
        if (!window_.Take(token)) {
          window_.WriteRest();
          result_ = ResultOf(token);
          return;
        }
      }
      ring_.Emptied();
    }
  }

  TokenRing& ring_;
  ExpansionWindow window_;
  unsigned result_ = kStreamBadData;
  std::exception_ptr failure_;
};

// Joins the writing thread however the decoding ends; a decoding that ends early abandons the
// ring first.
class WriterThread {
 public:
  WriterThread(TokenRing& ring, Writer& writer) : ring_(ring), thread_([&writer] { writer.Run(); }) {}
  ~WriterThread() {
    ring_.Abandon();
    thread_.join();
  }
  WriterThread(const WriterThread&) = delete;
  WriterThread& operator=(const WriterThread&) = delete;

 private:
  TokenRing& ring_;
  std::thread thread_;
};

// Decodes the stream into the ring, up to and with its last token; stops early when the writing
// side has stopped.
void Decode(const StreamStart& start, StreamReadCallback read, ExplodeWorkArea& work, void* param, TokenRing& ring) {
  BitInput in(read, param, work.input, start.delivered);
  for (;;) {
    std::uint32_t* const batch = ring.NextToFill();
    if (batch == nullptr) return;
    std::size_t count = 0;
    while (count < kBatchTokens) {
      const Token token = NextToken(in, start.asciiLiterals, start.dictionaryBits);
      batch[count++] = Packed(token);
      if (token.symbol >= kEndSymbol) {
        ring.Hand(count);
        return;
      }
    }
    ring.Hand(count);
  }
}

}  // namespace

unsigned ExplodeInParallel(StreamReadCallback read, StreamWriteCallback write, ExplodeWorkArea& work,
                           void* param) {
  TokenRing ring;
  if (!ring.Allocate()) return ExplodeStream(read, write, work, param);
  Writer writer(ring, work, write, param);
  std::optional<WriterThread> thread;
  try {
    thread.emplace(ring, writer);
  } catch (const std::system_error&) {
    return ExplodeStream(read, write, work, param);
  }
  const StreamStart start = implode::expansion::ReadStreamStart(read, work, param);
  if (start.code != kStreamOk) return start.code;  // nothing was handed: nothing is written
  Decode(start, read, work, param, ring);
  thread.reset();
  if (writer.failure()) std::rethrow_exception(writer.failure());
  return writer.result();
}
