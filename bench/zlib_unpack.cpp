// zlib_unpack IN OUT: the peer of `tqconv unpack` in the whole-process comparison. It works as the
// packed-file reader does: reads of 2048 bytes, writes of 4096, then flush and close, all checked;
// only the format differs (zlib's, as zlib_pack writes it).
#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kReadSize = 2048;
constexpr std::size_t kWriteSize = 4096;

int Fail(const char* what) {
  std::fprintf(stderr, "zlib_unpack: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zlib_unpack IN OUT\n");
    return 2;
  }
  std::FILE* const in = std::fopen(argv[1], "rb");
  if (in == nullptr) return Fail("cannot open IN");
  std::FILE* const out = std::fopen(argv[2], "wb");
  if (out == nullptr) return Fail("cannot create OUT");

  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (inflateInit(&z) != Z_OK) return Fail("inflateInit failed");
  unsigned char input[kReadSize];
  unsigned char output[kWriteSize];
  bool failed = false;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    const std::size_t got = std::fread(input, 1, kReadSize, in);
    if (got == 0) return Fail(std::ferror(in) ? "cannot read IN" : "IN ends before its stream");
    z.next_in = input;
    z.avail_in = static_cast<uInt>(got);
    do {
      z.next_out = output;
      z.avail_out = kWriteSize;
      status = inflate(&z, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return Fail("IN is no zlib stream");
      const std::size_t have = kWriteSize - z.avail_out;
      if (have != 0 && std::fwrite(output, 1, have, out) != have) failed = true;
    } while (z.avail_out == 0 && status != Z_STREAM_END);
  }
  inflateEnd(&z);
  std::fclose(in);
  if (std::fflush(out) != 0) failed = true;
  if (std::fclose(out) != 0) failed = true;
  return failed ? Fail("cannot write OUT") : 0;
}
