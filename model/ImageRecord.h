#pragma once
// The picture components of the data file's application block. Each travels as one
// component record in the binary component-stream format ("TPF0", class name, component
// name, published properties, end markers); the picture is the "Picture.Data" property, a
// binary value holding the graphic's class name and then the graphic's own stream.
//
// The program only shows the picture; everything else in a record is carried back to the
// file byte for byte, so a record is kept whole as opaque bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vog {

// The picture taken out of a record. An empty ClassName is an empty picture.
struct TPicture {
  std::string ClassName;  // "TBitmap", "TIcon", ...
  std::string Data;       // the graphic's own stream, exactly as stored
  bool Empty() const { return ClassName.empty(); }
  // Height in pixels when the graphic tells it simply (bitmaps and icons), else -1.
  int Height() const;
};

class TImageRecord {
public:
  // A record with an empty picture, as a new setup writes it.
  explicit TImageRecord(std::string_view componentName = "");

  // The whole record as read from or written to the file.
  const std::string& Bytes() const { return bytes_; }
  // Replaces the record; false (and nothing changed) when the bytes are not exactly one
  // well-formed component record.
  bool SetBytes(std::string_view bytes);

  const TPicture& Picture() const { return picture_; }
  // Rewrites the record with another picture (an empty one removes the property), keeping
  // every other property as it was.
  void SetPicture(const TPicture& picture);

private:
  std::string bytes_;
  TPicture picture_;
};

// The length of the component record at the start of `bytes`, or 0 when the bytes do not
// begin with a complete, well-formed record. Never reads past `bytes`.
size_t MeasureComponentRecord(std::string_view bytes);

}  // namespace vog
