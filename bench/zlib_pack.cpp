// zlib_pack [-LEVEL] IN OUT: the peer of `tqconv pack` in the whole-process comparison. It works
// as the packed-file writer does: reads of 4096 bytes, writes of 2048, then flush, sync and close,
// all checked; only the format differs (zlib's, level 6 unless told otherwise).
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kReadSize = 4096;
constexpr std::size_t kWriteSize = 2048;

int Fail(const char* what) {
  std::fprintf(stderr, "zlib_pack: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int level = 6;
  int first = 1;
  if (argc == 4 && argv[1][0] == '-') {
    level = std::atoi(argv[1] + 1);
    first = 2;
  }
  if (argc - first != 2 || level < 1 || level > 9) {
    std::fprintf(stderr, "usage: zlib_pack [-1..-9] IN OUT\n");
    return 2;
  }
  std::FILE* const in = std::fopen(argv[first], "rb");
  if (in == nullptr) return Fail("cannot open IN");
  std::FILE* const out = std::fopen(argv[first + 1], "wb");
  if (out == nullptr) return Fail("cannot create OUT");

  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (deflateInit(&z, level) != Z_OK) return Fail("deflateInit failed");
  unsigned char input[kReadSize];
  unsigned char output[kWriteSize];
  bool failed = false;
  int flush = Z_NO_FLUSH;
  do {
    const std::size_t got = std::fread(input, 1, kReadSize, in);
    if (got < kReadSize) {
      if (std::ferror(in)) return Fail("cannot read IN");
      flush = Z_FINISH;
    }
    z.next_in = input;
    z.avail_in = static_cast<uInt>(got);
    do {
      z.next_out = output;
      z.avail_out = kWriteSize;
      deflate(&z, flush);
      const std::size_t have = kWriteSize - z.avail_out;
      if (have != 0 && std::fwrite(output, 1, have, out) != have) failed = true;
    } while (z.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&z);
  std::fclose(in);
  if (std::fflush(out) != 0 || fsync(fileno(out)) != 0) failed = true;
  if (std::fclose(out) != 0) failed = true;
  return failed ? Fail("cannot write OUT") : 0;
}
