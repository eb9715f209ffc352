// The parallel deflate of large files: one valid raw deflate stream whatever the size and
// content, as small as one stream's output, read back by the program's own reader, and a
// stop that leaves no archive behind.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/Platform.h"
#include "services/archive/ZipDeflate.h"
#include "tests/archive/ArchiveTestSupport.h"

namespace vog::test {
namespace {

using archive::kBlockSize;

// Text with stretches of noise in it, so that some blocks are stored and others deflated.
std::string Mixed(size_t size, uint32_t seed) {
  std::string s;
  for (uint32_t part = 0; s.size() < size; ++part)
    s += part % 3 == 2 ? RandomBytes(300 * 1024, seed + part) : TextBytes(200 * 1024, seed + part);
  s.resize(size);
  return s;
}

std::string Inflate(const std::string& packed, size_t expected) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
  std::string out(expected + 1, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&z, Z_FINISH);
  EXPECT_EQ(status, Z_STREAM_END) << "the stream must end with its final block";
  EXPECT_EQ(z.avail_in, 0u) << "nothing may follow the final block";
  out.resize(out.size() - z.avail_out);
  inflateEnd(&z);
  return out;
}

archive::TDeflateResult Deflate(const std::string& input, unsigned threads, std::string& packed, int level = 6) {
  size_t at = 0;
  archive::TParallelDeflateIo io;
  io.Read = [&](uint8_t* buffer, size_t size) {
    // Short reads, as a file on a network share gives them.
    const size_t n = std::min({size, input.size() - at, size_t{300000}});
    std::memcpy(buffer, input.data() + at, n);
    at += n;
    return n;
  };
  io.Write = [&](const uint8_t* data, size_t size) { packed.append(reinterpret_cast<const char*>(data), size); };
  return archive::ParallelDeflate(level, threads, io);
}

TEST(ZipDeflateTest, BlocksJoinIntoOneStreamThatInflatesToTheInput) {
  struct TCase {
    size_t Size;
    const char* Kind;
  };
  const TCase cases[] = {{0, "text"},
                         {1, "text"},
                         {kBlockSize - 1, "mixed"},
                         {kBlockSize, "text"},
                         {kBlockSize + 1, "mixed"},
                         {3 * kBlockSize + 12345, "mixed"},
                         {2 * kBlockSize + 7, "random"}};
  for (const TCase& c : cases) {
    const std::string kind = c.Kind;
    const std::string input = kind == "random" ? RandomBytes(c.Size, 7)
                              : kind == "text" ? TextBytes(c.Size, 3)
                                               : Mixed(c.Size, 11);
    for (unsigned threads : {1u, 3u}) {
      SCOPED_TRACE(kind + " " + std::to_string(c.Size) + " bytes, " + std::to_string(threads) + " threads");
      std::string packed;
      const archive::TDeflateResult result = Deflate(input, threads, packed);
      EXPECT_EQ(result.Size, input.size());
      EXPECT_EQ(result.PackedSize, packed.size());
      EXPECT_EQ(result.Crc, ZipCrc(input));
      EXPECT_TRUE(Inflate(packed, input.size()) == input);
      if (kind == "random") {
        EXPECT_LT(packed.size(), input.size() + input.size() / 1000) << "noise is stored";
      }
    }
  }
}

TEST(ZipDeflateTest, EachBlockSeesThePreviousBlockAsItsDictionary) {
  // 8 KiB of noise over and over: every block starts with a match into the block before it,
  // so without the dictionary each block would store its first 8 KiB again.
  std::string input;
  const std::string period = RandomBytes(8 * 1024, 9);
  while (input.size() < 4 * kBlockSize) input += period;
  std::string parallel;
  Deflate(input, 2, parallel);
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string single(deflateBound(&z, static_cast<uLong>(input.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = reinterpret_cast<Bytef*>(single.data());
  z.avail_out = static_cast<uInt>(single.size());
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  const size_t singleSize = single.size() - z.avail_out;
  deflateEnd(&z);
  EXPECT_LE(parallel.size(), singleSize + singleSize / 100);
}

TEST(ZipDeflateTest, DataThatIsNoiseOnlyAtItsStartIsDeflated) {
  const std::string input = RandomBytes(20 * 1024, 1) + TextBytes(kBlockSize, 2);
  std::string packed;
  Deflate(input, 2, packed);
  EXPECT_LT(packed.size(), input.size() / 2);
}

class ZipParallelPackTest : public ArchiveTest {
protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    Fs().AddFolder(L"C:\\Dest");
    Fs().AddFolder(L"C:\\Out");
  }
};

TEST_F(ZipParallelPackTest, ALargeFileReadsBackThroughTheProgramsReader) {
  const std::string big = Mixed(2 * kBlockSize + 4321, 21);
  Fs().AddFile(L"C:\\Src\\big.dat", big);
  Fs().AddFile(L"C:\\Src\\small.txt", "small");
  ASSERT_EQ(Pack(L"C:\\Dest\\b.zip", L"C:\\Src", {L"big.dat"}), 0u) << WideToUtf8(last_);
  ASSERT_EQ(Pack(L"C:\\Dest\\b.zip", L"C:\\Src", {L"small.txt"}), 0u) << WideToUtf8(last_);
  ASSERT_EQ(Extract(L"C:\\Dest\\b.zip", L"C:\\Out"), 0u) << WideToUtf8(last_);
  EXPECT_TRUE(Content(L"C:\\Out\\big.dat") == big);
  EXPECT_EQ(List(L"C:\\Dest\\b.zip")[0].Method, L"Deflate");
}

TEST_F(ZipParallelPackTest, AStopDuringTheLargeFileLeavesTheOldArchiveAndNoTemporaryFile) {
  Fs().AddFile(L"C:\\Src\\old.txt", "the archive before");
  ASSERT_EQ(Pack(L"C:\\Dest\\s.zip", L"C:\\Src", {L"old.txt"}), 0u);
  const std::string before = Content(L"C:\\Dest\\s.zip");
  Fs().AddFile(L"C:\\Src\\big.dat", Mixed(5 * kBlockSize, 3));
  for (int stopAt : {1, 3}) {  // before the file, between its blocks
    SCOPED_TRACE(stopAt);
    TArchiveFile archive;
    archive.SetFileName(L"C:\\Dest\\s.zip");
    archive.Options.KeepPaths = archive.Options.AlwaysReplace = true;
    int polls = 0;
    archive.Options.StopRequested = [&] { return ++polls >= stopAt; };
    EXPECT_EQ(archive.Pack(L"C:\\Src", {L"big.dat"}), err::RequestAborted);
    EXPECT_GE(polls, stopAt);
    EXPECT_TRUE(Content(L"C:\\Dest\\s.zip") == before);
    EXPECT_TRUE(TempFiles(L"C:\\").empty());
  }
}

}  // namespace
}  // namespace vog::test
