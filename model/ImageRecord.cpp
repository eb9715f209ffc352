#include "model/ImageRecord.h"

#include <cstring>

namespace vog {

namespace {

// Value types of the component stream.
enum : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUtf8String = 20,
  vaDouble = 21,
};

constexpr char kSignature[] = "TPF0";
constexpr int kMaxDepth = 32;  // nested lists, collections and child components
constexpr std::string_view kPictureProperty = "Picture.Data";

// Where the top-level picture property sits in a record.
struct TLayout {
  size_t PictureStart = 0, PictureEnd = 0;  // the property, name included; equal when absent
  size_t PropertiesEnd = 0;                 // the 0 byte that ends the top-level properties
  TPicture Picture;
};

class TParser {
public:
  explicit TParser(std::string_view bytes) : b_(bytes) {}

  size_t Pos() const { return pos_; }

  bool Byte(uint8_t& v) {
    if (pos_ >= b_.size()) return false;
    v = static_cast<uint8_t>(b_[pos_++]);
    return true;
  }
  bool Skip(size_t n) {
    if (n > b_.size() - pos_) return false;
    pos_ += n;
    return true;
  }
  bool Int32(int32_t& v) {
    if (4 > b_.size() - pos_) return false;
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<uint8_t>(b_[pos_ + i])) << (8 * i);
    pos_ += 4;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool ShortString(std::string_view& s) {
    uint8_t len = 0;
    if (!Byte(len) || len > b_.size() - pos_) return false;
    s = b_.substr(pos_, len);
    pos_ += len;
    return true;
  }
  // A 32-bit length followed by that many units of `unit` bytes.
  bool Counted(size_t unit, std::string_view* content = nullptr) {
    int32_t len = 0;
    if (!Int32(len) || len < 0) return false;
    size_t bytes = static_cast<size_t>(len) * unit;
    if (bytes > b_.size() - pos_) return false;
    if (content) *content = b_.substr(pos_, bytes);
    pos_ += bytes;
    return true;
  }

  bool Value(int depth, std::string_view* binary = nullptr) {
    if (depth > kMaxDepth) return false;
    uint8_t type = 0;
    if (!Byte(type)) return false;
    switch (type) {
      case vaNull:
      case vaFalse:
      case vaTrue:
      case vaNil:
        return true;
      case vaInt8:
        return Skip(1);
      case vaInt16:
        return Skip(2);
      case vaInt32:
      case vaSingle:
        return Skip(4);
      case vaExtended:
        return Skip(10);
      case vaCurrency:
      case vaDate:
      case vaInt64:
      case vaDouble:
        return Skip(8);
      case vaString:
      case vaIdent: {
        std::string_view s;
        return ShortString(s);
      }
      case vaBinary:
        return Counted(1, binary);
      case vaLString:
      case vaUtf8String:
        return Counted(1);
      case vaWString:
        return Counted(2);
      case vaSet:
        for (;;) {
          std::string_view s;
          if (!ShortString(s)) return false;
          if (s.empty()) return true;
        }
      case vaList:
        for (;;) {
          if (pos_ >= b_.size()) return false;
          if (b_[pos_] == vaNull) return Skip(1);
          if (!Value(depth + 1)) return false;
        }
      case vaCollection:
        for (;;) {
          uint8_t next = 0;
          if (!Byte(next)) return false;
          if (next == vaNull) return true;
          // An optional order index, then the item's properties as a list.
          if (next == vaInt8 || next == vaInt16 || next == vaInt32) {
            if (!Skip(next == vaInt8 ? 1 : next == vaInt16 ? 2 : 4) || !Byte(next)) return false;
          }
          if (next != vaList || !Properties(depth + 1, nullptr)) return false;
        }
      default:
        return false;
    }
  }

  // Name-value pairs up to the empty name. With `layout`, notes the picture and the end.
  bool Properties(int depth, TLayout* layout) {
    for (;;) {
      size_t start = pos_;
      std::string_view name;
      if (!ShortString(name)) return false;
      if (name.empty()) {
        if (layout) layout->PropertiesEnd = start;
        return true;
      }
      std::string_view binary;
      bool isPicture = layout && name == kPictureProperty;
      if (!Value(depth, isPicture ? &binary : nullptr)) return false;
      if (isPicture) {
        layout->PictureStart = start;
        layout->PictureEnd = pos_;
        layout->Picture = {};
        // The graphic's class name, then its own stream. An empty name is no picture.
        if (!binary.empty()) {
          size_t len = static_cast<uint8_t>(binary[0]);
          if (len + 1 <= binary.size() && len > 0) {
            layout->Picture.ClassName = std::string(binary.substr(1, len));
            layout->Picture.Data = std::string(binary.substr(1 + len));
          }
        }
      }
    }
  }

  // One component without the signature: optional flags, class, name, properties, children.
  bool Component(int depth, TLayout* layout) {
    if (depth > kMaxDepth) return false;
    if (pos_ < b_.size() && (static_cast<uint8_t>(b_[pos_]) & 0xF0) == 0xF0) {
      uint8_t flags = 0;
      Byte(flags);
      if (flags & 0x02) {  // child position follows as an integer value
        uint8_t type = 0;
        if (!Byte(type)) return false;
        if (type == vaInt8 ? !Skip(1) : type == vaInt16 ? !Skip(2) : type == vaInt32 ? !Skip(4) : true) return false;
      }
    }
    std::string_view className, name;
    if (!ShortString(className) || className.empty() || !ShortString(name)) return false;
    if (!Properties(depth + 1, layout)) return false;
    for (;;) {
      if (pos_ >= b_.size()) return false;
      if (b_[pos_] == 0) return Skip(1);
      if (!Component(depth + 1, nullptr)) return false;
    }
  }

  bool Record(TLayout* layout) {
    if (b_.size() < 4 || std::memcmp(b_.data(), kSignature, 4) != 0) return false;
    pos_ = 4;
    return Component(0, layout);
  }

private:
  std::string_view b_;
  size_t pos_ = 0;
};

void PutShortString(std::string& out, std::string_view s) {
  out += static_cast<char>(s.size());
  out += s;
}

void PutInt32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t LittleEndian(std::string_view s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + i])) << (8 * i);
  return v;
}

}  // namespace

size_t MeasureComponentRecord(std::string_view bytes) {
  TParser parser(bytes);
  return parser.Record(nullptr) ? parser.Pos() : 0;
}

int TPicture::Height() const {
  if (ClassName == "TBitmap") {
    // A 32-bit size, then the bitmap file: "BM", 12 more bytes, the info header's size,
    // width and height (negative for top-down bitmaps).
    if (Data.size() < 4 + 26 || Data.compare(4, 2, "BM") != 0) return -1;
    uint32_t headerSize = LittleEndian(Data, 4 + 14, 4);
    if (headerSize == 12) return static_cast<int>(LittleEndian(Data, 4 + 14 + 6, 2));
    int32_t h = static_cast<int32_t>(LittleEndian(Data, 4 + 14 + 8, 4));
    return h == INT32_MIN ? -1 : (h < 0 ? -h : h);
  }
  if (ClassName == "TIcon") {
    // The icon directory's first image: a height byte of 0 means 256.
    if (Data.size() < 6 + 16 || LittleEndian(Data, 4, 2) == 0) return -1;
    int h = static_cast<uint8_t>(Data[6 + 1]);
    return h == 0 ? 256 : h;
  }
  return -1;
}

TImageRecord::TImageRecord(std::string_view componentName) {
  bytes_ = kSignature;
  PutShortString(bytes_, "TImage");
  PutShortString(bytes_, componentName.substr(0, 255));
  bytes_ += '\0';  // end of properties
  bytes_ += '\0';  // end of child components
}

bool TImageRecord::SetBytes(std::string_view bytes) {
  TLayout layout;
  TParser parser(bytes);
  if (!parser.Record(&layout) || parser.Pos() != bytes.size()) return false;
  bytes_ = std::string(bytes);
  picture_ = std::move(layout.Picture);
  return true;
}

void TImageRecord::SetPicture(const TPicture& picture) {
  TLayout layout;
  TParser parser(bytes_);
  parser.Record(&layout);  // bytes_ is always well formed
  std::string property;
  size_t nameLength = std::min<size_t>(picture.ClassName.size(), 255);
  if (nameLength > 0) {
    PutShortString(property, kPictureProperty);
    property += static_cast<char>(vaBinary);
    PutInt32(property, static_cast<uint32_t>(1 + nameLength + picture.Data.size()));
    PutShortString(property, std::string_view(picture.ClassName).substr(0, nameLength));
    property += picture.Data;
  }
  if (layout.PictureEnd > layout.PictureStart)
    bytes_.replace(layout.PictureStart, layout.PictureEnd - layout.PictureStart, property);
  else
    bytes_.insert(layout.PropertiesEnd, property);
  picture_ = nameLength > 0 ? TPicture{picture.ClassName.substr(0, nameLength), picture.Data} : TPicture{};
}

}  // namespace vog
