// Blowfish, RIPEMD-256 and Base64 against their published test vectors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/cipher/Base64.h"
#include "services/cipher/Blowfish.h"
#include "services/cipher/Ripemd256.h"

namespace vog {
namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string ToHex(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
  }
  return out;
}

// Eric Young's Blowfish ECB vectors (key, clear, cipher), as published with the cipher.
struct TEcbVector {
  const char* Key;
  const char* Clear;
  const char* Cipher;
};
const TEcbVector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
    {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
    {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
    {"1111111111111111", "1111111111111111", "2466dd878b963c9d"},
    {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
    {"1111111111111111", "0123456789abcdef", "7d0cc630afda1ec7"},
    {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
    {"7ca110454a1a6e57", "01a1d6d039776742", "59c68245eb05282b"},
    {"0131d9619dc1376e", "5cd54ca83def57da", "b1b8cc0b250f09a0"},
    {"07a1133e4a0b2686", "0248d43806f67172", "1730e5778bea1da4"},
    {"3849674c2602319e", "51454b582ddf440a", "a25e7856cf2651eb"},
    {"04b915ba43feb5b6", "42fd443059577fa2", "353882b109ce8f1a"},
    {"0113b970fd34f2ce", "059b5e0851cf143a", "48f4d0884c379918"},
    {"0170f175468fb5e6", "0756d8e0774761d2", "432193b78951fc98"},
    {"43297fad38e373fe", "762514b829bf486a", "13f04154d69d1ae5"},
    {"07a7137045da2a16", "3bdd119049372802", "2eedda93ffd39c79"},
    {"04689104c2fd3b2f", "26955f6835af609a", "d887e0393c2da6e3"},
    {"37d06bb516cb7546", "164d5e404f275232", "5f99d04f5b163969"},
    {"1f08260d1ac2465e", "6b056e18759f5cca", "4a057a3b24d3977b"},
    {"584023641aba6176", "004bd6ef09176062", "452031c1e4fada8e"},
    {"025816164629b007", "480d39006ee762f2", "7555ae39f59b87bd"},
    {"49793ebc79b3258f", "437540c8698f3cfa", "53c55f9cb49fc019"},
    {"4fb05e1515ab73a7", "072d43a077075292", "7a8e7bfa937e89a3"},
    {"49e95d6d4ca229bf", "02fe55778117f12a", "cf9c5d7a4986adb5"},
    {"018310dc409b26d6", "1d9d5c5018f728c2", "d1abb290658bc778"},
    {"1c587f1c13924fef", "305532286d6f295a", "55cb3774d13ef201"},
    {"0101010101010101", "0123456789abcdef", "fa34ec4847b268b2"},
    {"1f1f1f1f0e0e0e0e", "0123456789abcdef", "a790795108ea3cae"},
    {"e0fee0fef1fef1fe", "0123456789abcdef", "c39e072d9fac631d"},
    {"0000000000000000", "ffffffffffffffff", "014933e0cdaff6e4"},
    {"ffffffffffffffff", "0000000000000000", "f21e9a77b71c49bc"},
    {"0123456789abcdef", "0000000000000000", "245946885754369a"},
    {"fedcba9876543210", "ffffffffffffffff", "6b5c5a9c5d9e0a5a"},
};

TEST(BlowfishTest, PublishedEcbVectorsEncipherAndDecipher) {
  TBlowfish bf;
  for (const auto& v : kEcbVectors) {
    auto key = FromHex(v.Key);
    bf.SetKey(key.data(), key.size());
    auto block = FromHex(v.Clear);
    bf.EncryptBlock(block.data());
    EXPECT_EQ(ToHex(block.data(), 8), v.Cipher) << "key " << v.Key;
    bf.DecryptBlock(block.data());
    EXPECT_EQ(ToHex(block.data(), 8), v.Clear) << "key " << v.Key;
  }
}

// The published variable-key-length vectors: the key f0e1d2c3b4a5968778695a4b3c2d1e0f0011223344556677
// cut to 1..24 bytes enciphers fedcba9876543210. The key bytes wrap around cyclically
// in the schedule, which is what the 32-byte keys of the program rely on.
TEST(BlowfishTest, PublishedVariableKeyLengthVectors) {
  const char* expected[] = {
      "f9ad597c49db005e", "e91d21c1d961a6d6", "e9c2b70a1bc65cf3", "be1e639408640f05", "b39e44481bdb1e6e",
      "9457aa83b1928c0d", "8bb77032f960629d", "e87a244e2cc85e82", "15750e7a4f4ec577", "122ba70b3ab64ae0",
      "3a833c9affc537f6", "9409da87a90f6bf2", "884f80625060b8b4", "1f85031c19e11968", "79d9373a714ca34f",
      "93142887ee3be15c", "03429e838ce2d14b", "a4299e27469ff67b", "afd5aed1c1bc96a8", "10851c0e3858da9f",
      "e6f51ed79b9db21f", "64a6e14afd36b46f", "80c7d7d45a5479ad", "05044b62fa52d080",
  };
  auto fullKey = FromHex("f0e1d2c3b4a5968778695a4b3c2d1e0f0011223344556677");
  TBlowfish bf;
  for (size_t len = 1; len <= 24; ++len) {
    bf.SetKey(fullKey.data(), len);
    auto block = FromHex("fedcba9876543210");
    bf.EncryptBlock(block.data());
    EXPECT_EQ(ToHex(block.data(), 8), expected[len - 1]) << "key length " << len;
  }
}

TEST(BlowfishTest, TablesAreTheDigitsOfPi) {
  EXPECT_EQ(TBlowfish::InitialP[0], 0x243F6A88u);
  EXPECT_EQ(TBlowfish::InitialP[17], 0x8979FB1Bu);
  EXPECT_EQ(TBlowfish::InitialS[0][0], 0xD1310BA6u);
  EXPECT_EQ(TBlowfish::InitialS[3][255], 0x3AC372E6u);
}

TEST(Ripemd256Test, PublishedVectors) {
  struct {
    std::string Message;
    const char* Digest;
  } vectors[] = {
      {"", "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d"},
      {"a", "f9333e45d857f5d90a91bab70a1eba0cfb1be4b0783c9acfcd883a9134692925"},
      {"abc", "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65"},
      {"message digest", "87e971759a1ce47a514d5c914c392c9018c7c46bc14465554afcdf54a5070c0e"},
      {"abcdefghijklmnopqrstuvwxyz", "649d3034751ea216776bf9a18acc81bc7896118a5197968782dd1fd97d8d5133"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "3843045583aac6c8c8d9128573e7a9809afb2a0f34ccc36ea9e72f16f6368e3f"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "5740a408ac16b720b84424ae931cbb1fe363d1d0bf4017f1a89f7ea6de77a0b8"},
      {std::string(8 * 10, ' '), nullptr},  // replaced below
  };
  std::string digits;
  for (int i = 0; i < 8; ++i) digits += "1234567890";
  vectors[7] = {digits, "06fdcc7a409548aaf91368c06a6275b553e3f099bf0ea4edfd6778df89a890dd"};
  for (const auto& v : vectors) {
    auto digest = TRipemd256::Hash(v.Message);
    EXPECT_EQ(ToHex(digest.data(), digest.size()), v.Digest) << '"' << v.Message << '"';
  }
}

TEST(Ripemd256Test, PiecewiseUpdateEqualsOneCall) {
  std::string message;
  for (int i = 0; i < 300; ++i) message += static_cast<char>(i * 7 + 3);
  auto whole = TRipemd256::Hash(message);
  // Pieces that cross the 64-byte block and the 56-byte padding boundaries.
  for (size_t split : {1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 200u}) {
    TRipemd256 h;
    h.Update(message.data(), split);
    h.Update(message.data() + split, message.size() - split);
    EXPECT_EQ(h.Final(), whole) << split;
  }
}

TEST(Base64Test, Rfc4648Vectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Base64Encode(plain), encoded);
    EXPECT_EQ(Base64Decode(encoded), plain);
  }
}

TEST(Base64Test, DecodingSkipsForeignCharactersAndSuppliesPadding) {
  EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(Base64Decode(" Zm 9v Yg "), "foob");
  EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");  // padding missing
  EXPECT_EQ(Base64Decode("Zm9vYmE"), "fooba");
  EXPECT_EQ(Base64Decode("Zm9vY"), "foo");  // a lone group carries no whole byte
  EXPECT_EQ(Base64Decode("!!!"), "");
}

TEST(Base64Test, AllByteValuesRoundTrip) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  for (size_t len = 0; len <= bytes.size(); len += 37) {
    auto part = bytes.substr(0, len);
    auto text = Base64Encode(part);
    EXPECT_EQ(text.size(), (len + 2) / 3 * 4);
    EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    EXPECT_EQ(Base64Decode(text), part);
  }
}

}  // namespace
}  // namespace vog
