// Component records of the application block's pictures: measured exactly, the picture
// taken out, everything else carried byte for byte, damaged records refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/ImageRecord.h"

namespace vog {
namespace {

std::string S(const char* name) { return std::string(1, static_cast<char>(std::strlen(name))) + name; }
std::string I32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A 2x3 bitmap as a bitmap graphic stores itself: its size, then the bitmap file.
std::string BitmapStream() {
  std::string file = "BM" + I32(62) + I32(0) + I32(54) + I32(40) + I32(2) + I32(3) + std::string(28, '\0');
  file += std::string(8, '\x7f');
  return I32(static_cast<uint32_t>(file.size())) + file;
}

// A record as the component writer of a form would make it: several value kinds, a
// collection, a child component and the picture in the middle of the properties.
std::string RichRecord(const std::string& picture) {
  std::string r = "TPF0" + S("TImage") + S("AboutImage");
  r += S("Left") + "\x03" + std::string("\x10\x01", 2);                          // vaInt16
  r += S("Top") + "\x02\x08";                                                    // vaInt8
  r += S("Hint") + "\x12" + I32(2) + std::string("a\0b\0", 4);                   // vaWString
  r += S("Align") + "\x07" + S("alClient");                                      // vaIdent
  r += S("Anchors") + "\x0b" + S("akLeft") + S("akTop") + std::string(1, '\0');  // vaSet
  if (!picture.empty()) r += S("Picture.Data") + "\x0a" + I32(static_cast<uint32_t>(picture.size())) + picture;
  r += S("Stretch") + "\x09";                                                     // vaTrue
  r += S("Tags") + "\x01" + "\x02\x05" + "\x06" + S("x") + std::string(1, '\0');  // vaList
  r += S("Items") + "\x0e" + std::string("\x02\x00", 2) + "\x01" + S("Caption") + "\x06" + S("c") +
       std::string(1, '\0') + std::string(1, '\0');                             // vaCollection with one indexed item
  r += S("Ratio") + "\x05" + std::string(10, '\x01');                           // vaExtended
  r += std::string(1, '\0');                                                    // end of properties
  r += S("TLabel") + S("Child") + std::string(1, '\0') + std::string(1, '\0');  // one child
  r += std::string(1, '\0');                                                    // end of children
  return r;
}

TEST(ImageRecord, ANewRecordIsAnEmptyPictureThatReadsBack) {
  TImageRecord record("IconImage");
  EXPECT_EQ(record.Bytes(), "TPF0" + S("TImage") + S("IconImage") + std::string(2, '\0'));
  EXPECT_TRUE(record.Picture().Empty());
  TImageRecord copy;
  ASSERT_TRUE(copy.SetBytes(record.Bytes()));
  EXPECT_EQ(MeasureComponentRecord(record.Bytes() + "trailing"), record.Bytes().size());
}

TEST(ImageRecord, ThePictureIsTakenOutAndTheRestKept) {
  std::string picture = S("TBitmap") + BitmapStream();
  std::string bytes = RichRecord(picture);
  EXPECT_EQ(MeasureComponentRecord(bytes + "\x01\x02"), bytes.size());
  TImageRecord record;
  ASSERT_TRUE(record.SetBytes(bytes));
  EXPECT_EQ(record.Bytes(), bytes);
  EXPECT_EQ(record.Picture().ClassName, "TBitmap");
  EXPECT_EQ(record.Picture().Data, BitmapStream());
  EXPECT_EQ(record.Picture().Height(), 3);

  // Replacing the picture rewrites only the picture property.
  record.SetPicture({"TIcon", "icon-bytes"});
  EXPECT_EQ(record.Bytes(), RichRecord(S("TIcon") + "icon-bytes"));
  EXPECT_EQ(record.Picture().Data, "icon-bytes");
  record.SetPicture({});
  EXPECT_EQ(record.Bytes(), RichRecord(""));
  EXPECT_TRUE(record.Picture().Empty());
  record.SetPicture({"TBitmap", BitmapStream()});
  TImageRecord again;
  ASSERT_TRUE(again.SetBytes(record.Bytes()));
  EXPECT_EQ(again.Picture().Height(), 3);
}

TEST(ImageRecord, DamagedRecordsAreRefusedWithoutReadingPastTheEnd) {
  std::string bytes = RichRecord(S("TBitmap") + BitmapStream());
  TImageRecord record;
  std::string before = record.Bytes();
  // Every cut of a valid record is incomplete.
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::string cut = bytes.substr(0, n);
    EXPECT_EQ(MeasureComponentRecord(cut), 0u) << n;
    EXPECT_FALSE(record.SetBytes(cut)) << n;
  }
  EXPECT_EQ(record.Bytes(), before);
  EXPECT_FALSE(record.SetBytes("TPF1" + bytes.substr(4)));
  EXPECT_FALSE(record.SetBytes(bytes + "x")) << "one record, nothing after it";
  std::string unknownType = "TPF0" + S("TImage") + S("") + S("X") + "\x3f" + std::string(2, '\0');
  EXPECT_EQ(MeasureComponentRecord(unknownType), 0u);
  std::string hugeBinary = "TPF0" + S("TImage") + S("") + S("Picture.Data") + "\x0a" + I32(0x7fffffff);
  EXPECT_EQ(MeasureComponentRecord(hugeBinary), 0u);
  // Lists nested deeper than any form writes are refused rather than followed.
  std::string deep = "TPF0" + S("TImage") + S("") + S("L") + std::string(10000, '\x01');
  EXPECT_EQ(MeasureComponentRecord(deep), 0u);
}

}  // namespace
}  // namespace vog
