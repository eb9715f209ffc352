// The chaining modes, key preparation and name lookup of TCipherManager, on memory
// buffers and streams. A plain byte-by-byte model of the modes, written straight from
// their definition, is the reference for the optimized word-wise code.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "services/cipher/Base64.h"
#include "services/cipher/CipherManager.h"
#include "services/cipher/Ripemd256.h"
#include "tests/cipher/BufferStream.h"

namespace vog {
namespace {

using test::TBufferStream;

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

// The modes block by block on bytes: F is the chaining block, E and D the block cipher.
std::string Reference(std::string_view keyText, TCipherMode mode, bool encode, const std::string& input) {
  auto digest = TRipemd256::Hash(keyText);
  TBlowfish bf;
  bf.SetKey(digest.data(), digest.size());
  uint8_t f[8];
  std::fill(f, f + 8, 0xFF);
  bf.EncryptBlock(f);
  std::string out(input.size(), '\0');
  size_t i = 0;
  for (; i + 8 <= input.size(); i += 8) {
    uint8_t in[8], t[8];
    std::memcpy(in, input.data() + i, 8);
    if (encode) {
      for (int k = 0; k < 8; ++k) t[k] = in[k] ^ f[k];
      bf.EncryptBlock(t);  // t = C
      for (int k = 0; k < 8; ++k) f[k] = mode == TCipherMode::cmCBC ? t[k] : (t[k] ^ f[k]);
    } else {
      std::memcpy(t, in, 8);
      bf.DecryptBlock(t);
      for (int k = 0; k < 8; ++k) t[k] ^= f[k];  // t = P
      for (int k = 0; k < 8; ++k) f[k] = mode == TCipherMode::cmCBC ? in[k] : (in[k] ^ f[k]);
    }
    std::memcpy(out.data() + i, t, 8);
  }
  if (i < input.size()) {
    uint8_t s[8];
    std::memcpy(s, f, 8);
    bf.EncryptBlock(s);
    for (size_t k = 0; i + k < input.size(); ++k) out[i + k] = static_cast<char>(input[i + k] ^ s[k]);
  }
  return out;
}

std::string Encipher(TCipherManager& m, const std::string& plain) {
  std::string out(plain.size(), '\0');
  m.EncipherBuffer(plain.data(), out.data(), plain.size());
  return out;
}
std::string Decipher(TCipherManager& m, const std::string& coded) {
  std::string out(coded.size(), '\0');
  m.DecipherBuffer(coded.data(), out.data(), coded.size());
  return out;
}

const size_t kSizes[] = {0, 1, 7, 8, 9, 15, 16, 17, 65535, 65536, 65537, 200000};

class ModesTest : public ::testing::TestWithParam<TCipherMode> {};

TEST_P(ModesTest, MatchesTheBlockwiseDefinitionAndRoundTrips) {
  TCipherManager m;
  m.SetMode(GetParam());
  m.SetKeyText("pass phrase");
  for (size_t size : kSizes) {
    auto plain = RandomBytes(size, static_cast<unsigned>(size));
    auto coded = Encipher(m, plain);
    ASSERT_EQ(coded.size(), size);
    EXPECT_EQ(coded, Reference("pass phrase", GetParam(), true, plain)) << size;
    EXPECT_EQ(Decipher(m, coded), plain) << size;
    EXPECT_EQ(Reference("pass phrase", GetParam(), false, coded), plain) << size;
    // Every operation starts from the initial vector.
    EXPECT_EQ(Encipher(m, plain), coded) << size;
    if (size >= 16) {
      EXPECT_NE(coded.substr(0, 16), plain.substr(0, 16));
    }
  }
}

TEST_P(ModesTest, InPlaceEqualsSeparateBuffers) {
  TCipherManager m;
  m.SetMode(GetParam());
  m.SetKeyText("k");
  auto plain = RandomBytes(1003, 5);
  auto expected = Encipher(m, plain);
  std::string buffer = plain;
  m.EncipherBuffer(buffer.data(), buffer.data(), buffer.size());
  EXPECT_EQ(buffer, expected);
  m.DecipherBuffer(buffer.data(), buffer.data(), buffer.size());
  EXPECT_EQ(buffer, plain);
}

TEST_P(ModesTest, ChunksOfOneOperationCarryTheChainingState) {
  TCipherManager m;
  m.SetMode(GetParam());
  m.SetKeyText("chunks");
  auto plain = RandomBytes(21, 9);
  auto whole = Encipher(m, plain);
  TCipher& cipher = m.Cipher();
  cipher.Restart();
  std::string parts(21, '\0');
  auto in = reinterpret_cast<const uint8_t*>(plain.data());
  auto out = reinterpret_cast<uint8_t*>(parts.data());
  cipher.Encode(in, out, 8);
  cipher.Encode(in + 8, out + 8, 8);
  cipher.Encode(in + 16, out + 16, 5);
  EXPECT_EQ(parts, whole);
}

TEST_P(ModesTest, PartialBlocksUseTheEncipheredChainBlockInBigEndianOrder) {
  // Under 8 bytes both modes give P xor the first bytes of E(IV), IV = E(FF x 8).
  TCipherManager m;
  m.SetMode(GetParam());
  m.SetKeyText("");
  auto digest = TRipemd256::Hash("");
  TBlowfish bf;
  bf.SetKey(digest.data(), digest.size());
  uint8_t s[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  bf.EncryptBlock(s);
  bf.EncryptBlock(s);
  std::string zeros(7, '\0');
  EXPECT_EQ(Encipher(m, zeros), std::string(reinterpret_cast<char*>(s), 7));
}

TEST_P(ModesTest, StreamsInChunksGiveTheSameBytesAsOneBuffer) {
  TCipherManager m;
  m.SetMode(GetParam());
  m.SetKeyText("chunked");
  for (size_t size : kSizes) {
    auto plain = RandomBytes(size, static_cast<unsigned>(size) + 1);
    std::string source = plain, coded, back;
    test::TBufferStream in(source), out(coded);
    m.EncipherStream(in, out, -1);
    EXPECT_EQ(coded, Encipher(m, plain)) << size;
    test::TBufferStream in2(coded), out2(back);
    m.DecipherStream(in2, out2, -1);
    EXPECT_EQ(back, plain) << size;
  }
}

INSTANTIATE_TEST_SUITE_P(Cipher, ModesTest, ::testing::Values(TCipherMode::cmCTS, TCipherMode::cmCBC),
                         [](const auto& info) { return std::string(CipherModeName(info.param)); });

TEST(CipherModesTest, CtsAndCbcDifferFromTheSecondBlockOn) {
  TCipherManager cts, cbc;
  cts.SetMode(TCipherMode::cmCTS);
  cbc.SetMode(TCipherMode::cmCBC);
  cts.SetKeyText("same");
  cbc.SetKeyText("same");
  auto plain = RandomBytes(24, 1);
  auto a = Encipher(cts, plain), b = Encipher(cbc, plain);
  EXPECT_EQ(a.substr(0, 8), b.substr(0, 8));
  EXPECT_NE(a.substr(8), b.substr(8));
}

TEST(CipherModesTest, UnsupportedModesRefuseClearly) {
  TCipherManager m;
  m.SetKeyText("k");
  std::string data = "12345678";
  for (auto mode : {TCipherMode::cmCFB, TCipherMode::cmOFB, TCipherMode::cmECB, TCipherMode::cmCTSMAC,
                    TCipherMode::cmCBCMAC, TCipherMode::cmCFBMAC}) {
    m.SetMode(mode);
    EXPECT_THROW(m.EncipherBuffer(data.data(), data.data(), data.size()), ECipherError);
  }
  EXPECT_EQ(data, "12345678");
}

TEST(CipherKeyTest, KeyIsTheRipemd256DigestAndDifferentKeysDiffer) {
  TCipherManager a, b, empty;
  a.SetKeyText("secret");
  b.SetKeyText("secreT");
  empty.SetKeyText("");
  auto plain = RandomBytes(64, 2);
  EXPECT_NE(Encipher(a, plain), Encipher(b, plain));
  EXPECT_EQ(Encipher(empty, plain), Reference("", TCipherMode::cmCTS, true, plain));
  // Key bytes are taken as they are: a double-byte ANSI key.
  TCipherManager sjis;
  sjis.SetKeyText("\x83\x70\x83\x58");
  EXPECT_EQ(Encipher(sjis, plain), Reference("\x83\x70\x83\x58", TCipherMode::cmCTS, true, plain));
}

TEST(CipherKeyTest, CodingWithoutAKeyIsACipherError) {
  TCipherManager m;
  std::string data = "abc";
  try {
    m.EncipherBuffer(data.data(), data.data(), data.size());
    FAIL() << "no error";
  } catch (const ECipherError& e) {
    EXPECT_EQ(e.Message(), L"TCipher_Blowfish is not initialized call Init() or InitKey() before.");
  }
  EXPECT_THROW(m.EncipherText("abc"), ECipherError);
  EXPECT_EQ(m.EncipherText(""), "");  // an empty text never touches the cipher
  EXPECT_EQ(m.DecipherText(""), "");
}

TEST(CipherNameTest, LookupInTwoCaseInsensitivePasses) {
  auto name = [](std::string_view n) { return std::string(FindCipher(n).Name); };
  EXPECT_EQ(name("Blowfish"), "Blowfish");
  EXPECT_EQ(name("bLOWFISH"), "Blowfish");
  EXPECT_EQ(name("TCipher_Blowfish"), "Blowfish");
  EXPECT_EQ(name("tcipher_blowfish"), "Blowfish");
  EXPECT_EQ(name("TEA extended"), "TEA extended");
  EXPECT_EQ(name("TCipher_TEAN"), "TEA extended");
  EXPECT_EQ(name("tea"), "TEA");
  EXPECT_EQ(name("SAFER-SK128"), "SAFER-SK128");
  EXPECT_EQ(name("TCipher_SAFER_SK128"), "SAFER-SK128");
  EXPECT_EQ(name("3way"), "3Way");
  // Unregistered names select Blowfish.
  EXPECT_EQ(name(""), "Blowfish");
  EXPECT_EQ(name("AES"), "Blowfish");
  EXPECT_EQ(name("Blowfish2"), "Blowfish");
  EXPECT_EQ(RegisteredCiphers().size(), 17u);
  EXPECT_EQ(LookupCipher("AES"), nullptr);
  EXPECT_EQ(LookupCipher("SAFER_K40"), nullptr);  // neither a short class name after "_" nor registered
  EXPECT_EQ(LookupCipher("tcipher_safer_k40"), &RegisteredCiphers()[5]);
}

TEST(CipherNameTest, ChangingTheCipherClassDiscardsTheKey) {
  TCipherManager m;
  m.SetKeyText("k");
  auto plain = RandomBytes(16, 3);
  auto coded = Encipher(m, plain);
  m.SetAlgorithm("TCipher_BLOWFISH");  // same class: the keyed cipher stays
  EXPECT_EQ(Encipher(m, plain), coded);
  m.SetAlgorithm("Twofish");
  EXPECT_EQ(m.Algorithm(), "Twofish");
  try {
    Encipher(m, plain);
    FAIL() << "no error";
  } catch (const ECipherError& e) {
    EXPECT_EQ(e.Message(), L"TCipher_Twofish is not initialized call Init() or InitKey() before.");
  }
  // A cipher whose algorithm is not built refuses at key setup, never codes otherwise.
  EXPECT_THROW(m.SetKeyText("k"), ECipherError);
  EXPECT_THROW(Encipher(m, plain), ECipherError);
  m.SetAlgorithm("nonsense");
  EXPECT_EQ(m.Algorithm(), "Blowfish");
  m.SetKeyText("k");
  EXPECT_EQ(Encipher(m, plain), coded);
}

TEST(CipherTextTest, Base64OfTheEncipheredBytes) {
  TCipherManager m;
  m.SetKeyText("field key");
  std::string password = "p@ssw0rd\x83\x70";
  auto text = m.EncipherText(password);
  EXPECT_EQ(text, Base64Encode(Encipher(m, password)));
  EXPECT_EQ(m.EncipherText(password), text);  // each field starts from the initial state
  EXPECT_EQ(m.DecipherText(text), password);
  // Line breaks inside and a missing padding are tolerated.
  std::string broken = text.substr(0, 4) + "\r\n" + text.substr(4);
  while (!broken.empty() && broken.back() == '=') broken.pop_back();
  EXPECT_EQ(m.DecipherText(broken), password);
}

// ---- streams ----------------------------------------------------------------------

struct TEvent {
  int64_t Done, Total;
  bool operator==(const TEvent&) const = default;
};

TEST(CipherStreamTest, ShortReadsFillEveryChunkBeforeCoding) {
  TCipherManager m;
  m.SetKeyText("stream");
  auto plain = RandomBytes(200003, 4);
  auto expected = Encipher(m, plain);
  std::string source = plain, dest;
  TBufferStream in(source), out(dest);
  in.MaxRead = 1001;  // like a pipe: never a whole chunk at once
  m.EncipherStream(in, out, -1);
  EXPECT_EQ(dest, expected);
}

TEST(CipherStreamTest, SizeCountsFromTheCurrentPositionsAndNegativeMeansAll) {
  TCipherManager m;
  m.SetKeyText("pos");
  auto plain = RandomBytes(100, 6);
  std::string source = plain, dest = "HEADER";
  TBufferStream in(source), out(dest);
  in.Seek(10);
  out.Seek(6);
  m.EncipherStream(in, out, 50);
  EXPECT_EQ(dest, "HEADER" + Encipher(m, plain.substr(10, 50)));
  EXPECT_EQ(in.Position(), 60);
  std::string dest2;
  TBufferStream out2(dest2);
  m.EncipherStream(in, out2, -1);  // the whole source from its start
  EXPECT_EQ(dest2, Encipher(m, plain));
}

TEST(CipherStreamTest, OneStreamCodedOntoItself) {
  TCipherManager m;
  m.SetMode(TCipherMode::cmCBC);
  m.SetKeyText("in place");
  auto plain = RandomBytes(140000, 7);
  std::string data = plain;
  TBufferStream s(data);
  m.EncipherStream(s, s, -1);
  EXPECT_EQ(data.size(), plain.size());
  EXPECT_EQ(data, Encipher(m, plain));
  m.DecipherStream(s, s, -1);
  EXPECT_EQ(data, plain);
}

TEST(CipherStreamTest, ProgressEventsInOrder) {
  TCipherManager m;
  m.SetKeyText("progress");
  std::vector<TEvent> events;
  m.OnProgress = [&](TCipherManager& sender, int64_t done, int64_t total) {
    EXPECT_EQ(&sender, &m);
    events.push_back({done, total});
  };
  std::string source = RandomBytes(200000, 8), dest;
  TBufferStream in(source), out(dest);
  m.EncipherStream(in, out, -1);
  std::vector<TEvent> expected = {{0, 200000},      {65536, 200000},  {131072, 200000},
                                  {196608, 200000}, {200000, 200000}, {0, 0}};
  EXPECT_EQ(events, expected);
  events.clear();
  std::string empty, dest2;
  TBufferStream in2(empty), out2(dest2);
  m.EncipherStream(in2, out2, -1);
  EXPECT_EQ(events, (std::vector<TEvent>{{0, 0}, {0, 0}}));
}

TEST(CipherStreamTest, ReadAndWriteShortfallsEndTheOperationWithTheClosingEvent) {
  TCipherManager m;
  m.SetKeyText("faults");
  std::vector<TEvent> events;
  m.OnProgress = [&](TCipherManager&, int64_t done, int64_t total) { events.push_back({done, total}); };

  std::string source = RandomBytes(1000, 9), dest;
  TBufferStream in(source), out(dest);
  try {
    m.EncipherStream(in, out, 2000);  // the source has only 1000 bytes
    FAIL() << "no error";
  } catch (const EFileReadError& e) {
    EXPECT_EQ(e.Message(), L"File Read Error");
  }
  EXPECT_EQ(events, (std::vector<TEvent>{{0, 2000}, {0, 0}}));

  events.clear();
  std::string big = RandomBytes(150000, 10), dest2;
  TBufferStream in2(big), out2(dest2);
  out2.FailWriteAfter = 70000;
  try {
    m.EncipherStream(in2, out2, -1);
    FAIL() << "no error";
  } catch (const EFileWriteError& e) {
    EXPECT_EQ(e.Message(), L"File Write Error");
    EXPECT_EQ(e.Code(), err::DiskFull);
  }
  EXPECT_EQ(events, (std::vector<TEvent>{{0, 150000}, {65536, 150000}, {0, 0}}));

  std::string src3 = RandomBytes(100, 11), dest3;
  TBufferStream in3(src3), out3(dest3);
  in3.FailReadAfter = 0;
  in3.ReadFailCode = err::SharingViolation;
  try {
    m.EncipherStream(in3, out3, -1);
    FAIL() << "no error";
  } catch (const EFileReadError& e) {
    EXPECT_EQ(e.Code(), err::SharingViolation);
  }
}

TEST(CipherStreamTest, AnErrorFromTheEventStopsTheOperationAndTheNextStartsAfresh) {
  TCipherManager m;
  m.SetKeyText("stop");
  auto plain = RandomBytes(200000, 12);
  auto expected = Encipher(m, plain);
  std::vector<TEvent> events;
  m.OnProgress = [&](TCipherManager&, int64_t done, int64_t total) {
    events.push_back({done, total});
    if (done == 65536) throw EFileWriteError(L"Stop", err::RequestAborted);
    if (done == 0 && total == 0) throw std::runtime_error("closing event failure is not the error reported");
  };
  std::string source = plain, dest;
  TBufferStream in(source), out(dest);
  try {
    m.EncipherStream(in, out, -1);
    FAIL() << "no error";
  } catch (const EFileWriteError& e) {
    EXPECT_EQ(e.Message(), L"Stop");
  }
  EXPECT_EQ(events, (std::vector<TEvent>{{0, 200000}, {65536, 200000}, {0, 0}}));
  EXPECT_EQ(dest.size(), 65536u);  // written so far stays written
  m.OnProgress = nullptr;
  std::string dest2;
  TBufferStream in2(source), out2(dest2);
  m.EncipherStream(in2, out2, -1);
  EXPECT_EQ(dest2, expected);
}

}  // namespace
}  // namespace vog
