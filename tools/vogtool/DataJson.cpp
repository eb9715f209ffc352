#include "tools/vogtool/DataJson.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "services/cipher/Base64.h"

namespace vog::tool {

namespace {

std::string U8(const std::wstring& w) { return WideToUtf8(w); }
std::string AnsiToU8(const std::string& a) { return WideToUtf8(CodePage().AnsiToWide(a)); }

[[noreturn]] void Bad(const std::string& where, const std::string& what) {
  throw Error(Utf8ToWide(where + ": " + what));
}

std::string Hex(const TEightBytes& v) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : v) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

TEightBytes FromHex(const std::string& s, const std::string& where) {
  auto nibble = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    Bad(where, "expected 16 hex digits");
  };
  if (s.size() != 16) Bad(where, "expected 16 hex digits");
  TEightBytes v{};
  for (size_t i = 0; i < 8; ++i) v[i] = static_cast<uint8_t>(nibble(s[2 * i]) * 16 + nibble(s[2 * i + 1]));
  return v;
}

// Writes each field of an item or block into a JSON object.
class TWriter {
public:
  TWriter(TJson& out, bool showSecrets) : out_(out), showSecrets_(showSecrets) {}
  void Text(const char* name, std::wstring& v) { out_[name] = U8(v); }
  void Ansi(const char* name, std::string& v) { out_[name] = AnsiToU8(v); }
  void Secret(const char* name, std::string& v) { out_[name] = showSecrets_ || v.empty() ? AnsiToU8(v) : kMasked; }
  void Flag(const char* name, bool& v) { out_[name] = v; }
  void Int(const char* name, int32_t& v) { out_[name] = v; }
  void List(const char* name, std::vector<std::wstring>& v) {
    TJson a = TJson::array();
    for (const auto& s : v) a.push_back(U8(s));
    out_[name] = a;
  }

private:
  TJson& out_;
  bool showSecrets_;
};

// Collects the names a visit reads, so the keys a reader knows are never listed twice.
class TNames {
public:
  template <class T>
  void Text(const char* name, T&) {
    Names.push_back(name);
  }
  template <class T>
  void Ansi(const char* name, T&) {
    Names.push_back(name);
  }
  template <class T>
  void Secret(const char* name, T&) {
    Names.push_back(name);
  }
  template <class T>
  void Flag(const char* name, T&) {
    Names.push_back(name);
  }
  template <class T>
  void Int(const char* name, T&) {
    Names.push_back(name);
  }
  template <class T>
  void List(const char* name, T&) {
    Names.push_back(name);
  }
  std::vector<std::string> Names;
};

// Letters changed, added or dropped to turn one name into the other (at most 3 counted).
size_t NameDistance(const std::string& a, const std::string& b) {
  if (a.size() > b.size() + 3 || b.size() > a.size() + 3) return 4;
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      const bool same =
          std::tolower(static_cast<unsigned char>(a[i - 1])) == std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// Refuses a key that is not one of `known`: a misspelt key would otherwise drop its
// setting without a word. The message names the place and, for a near miss, the key meant.
void CheckKeys(const TJson& object, const std::string& where, const std::vector<std::string>& known) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (std::find(known.begin(), known.end(), it.key()) != known.end()) continue;
    std::string message = "unknown key";
    for (const std::string& name : known)
      if (NameDistance(it.key(), name) <= 2) {
        message += " (did you mean " + name + "?)";
        break;
      }
    Bad(where.empty() ? it.key() : where + "." + it.key(), message);
  }
}

template <class Visit>
std::vector<std::string> KnownNames(Visit visit, std::vector<std::string> extra = {}) {
  TNames names;
  visit(names);
  names.Names.insert(names.Names.end(), extra.begin(), extra.end());
  return names.Names;
}

// Reads the same fields back; a missing key keeps the field as it is.
class TReader {
public:
  TReader(const TJson& in, std::string where, const TBackupInfo* previous)
      : in_(in), where_(std::move(where)), previous_(previous) {}
  void Text(const char* name, std::wstring& v) {
    if (const TJson* j = Get(name, TJson::value_t::string)) v = Utf8ToWide(j->get<std::string>());
  }
  void Ansi(const char* name, std::string& v) {
    if (const TJson* j = Get(name, TJson::value_t::string)) v = ToAnsi(j->get<std::string>(), name);
  }
  void Secret(const char* name, std::string& v) {
    const TJson* j = Get(name, TJson::value_t::string);
    if (!j) return;
    if (j->get<std::string>() != kMasked) {
      v = ToAnsi(j->get<std::string>(), name);
      return;
    }
    // A masked value keeps what the file being replaced holds for the same item.
    if (!previous_) Bad(where_ + "." + name, "masked, and the target file has no item of this title to take it from");
    v = PreviousSecret(name);
  }
  void Flag(const char* name, bool& v) {
    if (const TJson* j = Get(name, TJson::value_t::boolean)) v = j->get<bool>();
  }
  void Int(const char* name, int32_t& v) {
    auto it = in_.find(name);
    if (it == in_.end()) return;
    if (!it->is_number_integer() || it->get<int64_t>() < INT32_MIN || it->get<int64_t>() > INT32_MAX)
      Bad(where_ + "." + name, "expected a 32-bit integer");
    v = static_cast<int32_t>(it->get<int64_t>());
  }
  void List(const char* name, std::vector<std::wstring>& v) {
    auto it = in_.find(name);
    if (it == in_.end()) return;
    if (!it->is_array()) Bad(where_ + "." + name, "expected an array of strings");
    v.clear();
    for (const auto& s : *it) {
      if (!s.is_string()) Bad(where_ + "." + name, "expected an array of strings");
      v.push_back(Utf8ToWide(s.get<std::string>()));
    }
  }

private:
  const TJson* Get(const char* name, TJson::value_t type) {
    auto it = in_.find(name);
    if (it == in_.end()) return nullptr;
    if (it->type() != type)
      Bad(where_ + "." + name, type == TJson::value_t::string ? "expected a string" : "expected true or false");
    return &*it;
  }
  std::string ToAnsi(const std::string& utf8, const char* name) {
    bool lossless = true;
    std::string a = CodePage().WideToAnsi(Utf8ToWide(utf8), &lossless);
    if (!lossless)
      std::fprintf(stderr, "vogtool: warning: %s.%s has characters that code page %u cannot hold; they become \"?\"\n",
                   where_.c_str(), name, CodePage().CodePageNumber());
    return a;
  }
  std::string PreviousSecret(const std::string& name) {
    if (name == "CipherKey") return previous_->CipherKey;
    if (name == "NetPassword") return previous_->NetPassword;
    return previous_->SecondPassword;
  }

  const TJson& in_;
  std::string where_;
  const TBackupInfo* previous_;
};

template <class V>
void VisitItem(V& v, TBackupInfo& b) {
  v.Text("Title", b.Title);
  v.Text("SourceFolder", b.SourceFolder);
  v.Text("DestFolder", b.DestFolder);
  v.Flag("IncludeSubFolders", b.IncludeSubFolders);
  v.Flag("Mirroring", b.Condition.Mirroring);
  v.Flag("CopyAll", b.Condition.CopyAll);
  v.Flag("CopyNewer", b.Condition.CopyNewer);
  v.Flag("CopyNew", b.Condition.CopyNew);
  v.Flag("CopySizeChanged", b.Condition.CopySizeChanged);
  v.Flag("CopyTimeChanged", b.Condition.CopyTimeChanged);
  v.Flag("KeepHistory", b.KeepHistory);
  v.Text("HistoryFolderFormat", b.HistoryFolderFormat);
  v.Int("HistoryCount", b.HistoryCount);
  v.Flag("UseHistoryFolder", b.UseHistoryFolder);
  v.Text("HistoryFolder", b.HistoryFolder);
  v.Flag("UseHistoryDatabase", b.UseHistoryDatabase);
  v.Flag("ConfirmOverwrite", b.ConfirmOverwrite);
  v.Flag("Archive", b.Archive);
  v.Text("ArchiveName", b.ArchiveName);
  v.Flag("Encrypt", b.Encrypt);
  v.Flag("Decrypt", b.Decrypt);
  v.Secret("CipherKey", b.CipherKey);
  v.Ansi("CipherName", b.CipherName);
  v.Flag("UseTempFile", b.UseTempFile);
  v.Flag("NetLogon", b.NetLogon);
  v.Ansi("NetUser", b.NetUser);
  v.Secret("NetPassword", b.NetPassword);
  v.Flag("NetDisconnect", b.NetDisconnect);
  v.Flag("SecondLogon", b.SecondLogon);
  v.Ansi("SecondUser", b.SecondUser);
  v.Secret("SecondPassword", b.SecondPassword);
  v.Flag("SecondDisconnect", b.SecondDisconnect);
  v.Flag("CheckVolumeLabel", b.CheckVolumeLabel);
  v.Text("VolumeLabel", b.VolumeLabel);
  v.Flag("SpareFlag", b.SpareFlag);
  v.List("TargetFiles", b.TargetCondition.Files);
  v.List("TargetFolders", b.TargetCondition.Folders);
  v.List("ExcludeFiles", b.ExcludeCondition.Files);
  v.List("ExcludeFolders", b.ExcludeCondition.Folders);
}

// The application block's simple fields (the pictures and spare arrays are done apart).
template <class V>
void VisitBlock(V& v, TAppBackupData& d) {
  v.Ansi("AppTitle", d.AppTitle);
  v.Text("SpareText1", d.SpareText1);
  v.Ansi("AboutTitle", d.AboutTitle);
  v.Ansi("AboutUrl", d.AboutUrl);
  v.Text("SpareText2", d.SpareText2);
  v.Flag("AllowPreview", d.AllowPreview);
  v.Flag("ShowResult", d.ShowResult);
  v.Flag("RestoreChangedOnly", d.RestoreChangedOnly);
  v.Flag("ClearRestoreTarget", d.ClearRestoreTarget);
  v.Flag("WriteLog", d.WriteLog);
  v.Ansi("LogFileName", d.LogFileName);
  v.Int("LogKeepCount", d.LogKeepCount);
  v.Flag("SpareFlag1", d.SpareFlag1);
  v.Flag("SpareFlag2", d.SpareFlag2);
  v.Flag("IdlePriority", d.IdlePriority);
  v.Flag("SpareFlag3", d.SpareFlag3);
  v.Flag("AllowEdit", d.AllowEdit);
  v.Flag("AutoRunOnVolume", d.AutoRunOnVolume);
  v.Flag("AutoRunPreview", d.AutoRunPreview);
  v.Flag("AutoRunQuiet", d.AutoRunQuiet);
  v.Flag("AutoRunEject", d.AutoRunEject);
  v.Flag("AutoRunRemove", d.AutoRunRemove);
  v.Int("WindowWidth", d.WindowWidth);
  v.Int("WindowHeight", d.WindowHeight);
}

TJson ImageToJson(const TImageRecord& r) {
  TJson j;
  j["PictureClass"] = r.Picture().ClassName;
  j["PictureData"] = Base64Encode(r.Picture().Data);
  j["Record"] = Base64Encode(r.Bytes());
  return j;
}

void ImageFromJson(const TJson& j, TImageRecord& r, const std::string& where) {
  if (!j.is_object()) Bad(where, "expected an object");
  CheckKeys(j, where, {"PictureClass", "PictureData", "Record"});
  if (auto it = j.find("Record"); it != j.end()) {
    if (!it->is_string() || !r.SetBytes(Base64Decode(it->get<std::string>())))
      Bad(where + ".Record", "not a component record in Base64");
  }
  // The picture fields win over the record's own picture, so a picture can be replaced.
  TPicture picture = r.Picture();
  if (auto it = j.find("PictureClass"); it != j.end()) {
    if (!it->is_string()) Bad(where + ".PictureClass", "expected a string");
    picture.ClassName = it->get<std::string>();
  }
  if (auto it = j.find("PictureData"); it != j.end()) {
    if (!it->is_string()) Bad(where + ".PictureData", "expected Base64 text");
    picture.Data = Base64Decode(it->get<std::string>());
  }
  if (picture.ClassName.size() > 255) Bad(where + ".PictureClass", "longer than 255 bytes");
  if (picture.ClassName.empty()) picture.Data.clear();
  if (picture.ClassName != r.Picture().ClassName || picture.Data != r.Picture().Data) r.SetPicture(picture);
}

template <size_t N>
TJson TextsToJson(const std::array<std::wstring, N>& texts) {
  TJson a = TJson::array();
  for (const auto& t : texts) a.push_back(U8(t));
  return a;
}

template <size_t N>
void TextsFromJson(const TJson& block, const char* name, std::array<std::wstring, N>& texts) {
  auto it = block.find(name);
  if (it == block.end()) return;
  if (!it->is_array() || it->size() != N)
    Bad(std::string("application.") + name, "expected " + std::to_string(N) + " strings");
  for (size_t i = 0; i < N; ++i) {
    if (!(*it)[i].is_string()) Bad(std::string("application.") + name, "expected strings");
    texts[i] = Utf8ToWide((*it)[i].get<std::string>());
  }
}

const TBackupInfo* FindByTitle(const TBackupInfoList& list, const std::wstring& title) {
  for (const TBackupInfo* item : list)
    if (item->Title == title) return item;
  return nullptr;
}

}  // namespace

TJson SetupToJson(const TBackupInfoList& items, const TAppBackupData& data, bool showSecrets) {
  TJson json;
  TJson list = TJson::array();
  for (const TBackupInfo* item : items) {
    TJson j;
    TWriter w(j, showSecrets);
    VisitItem(w, const_cast<TBackupInfo&>(*item));
    list.push_back(j);
  }
  json["items"] = list;

  TJson block;
  TWriter w(block, showSecrets);
  TAppBackupData& d = const_cast<TAppBackupData&>(data);
  VisitBlock(w, d);
  block["SpareImage"] = ImageToJson(d.SpareImage);
  block["IconImage"] = ImageToJson(d.IconImage);
  block["AboutImage"] = ImageToJson(d.AboutImage);
  block["SpareTexts3To7"] = TextsToJson(d.SpareTexts3To7);
  block["SpareTexts8To17"] = TextsToJson(d.SpareTexts8To17);
  block["ReservedByte"] = d.ReservedByte;
  block["ReservedValue"] = Hex(d.ReservedValue);
  TJson spare;
  spare["Bytes"] = d.SpareBlock.Bytes;
  spare["Integers"] = d.SpareBlock.Integers;
  TJson values = TJson::array();
  for (const auto& v : d.SpareBlock.Values) values.push_back(Hex(v));
  spare["Values"] = values;
  block["SpareBlock"] = spare;
  json["application"] = block;
  return json;
}

void SetupFromJson(const TJson& json, const TBackupInfoList& previous, std::vector<std::unique_ptr<TBackupInfo>>& items,
                   TAppBackupData& data) {
  if (!json.is_object()) Bad("setup", "expected a JSON object");
  CheckKeys(json, "", {"items", "application"});
  const std::vector<std::string> itemKeys = KnownNames([](TNames& n) {
    TBackupInfo item;
    VisitItem(n, item);
  });
  items.clear();
  if (auto it = json.find("items"); it != json.end()) {
    if (!it->is_array()) Bad("items", "expected an array");
    for (size_t i = 0; i < it->size(); ++i) {
      const TJson& j = (*it)[i];
      std::string where = "items[" + std::to_string(i) + "]";
      if (!j.is_object()) Bad(where, "expected an object");
      CheckKeys(j, where, itemKeys);
      std::wstring title;
      if (auto t = j.find("Title"); t != j.end() && t->is_string()) title = Utf8ToWide(t->get<std::string>());
      auto item = std::make_unique<TBackupInfo>();
      TReader r(j, where, FindByTitle(previous, title));
      VisitItem(r, *item);
      items.push_back(std::move(item));
    }
  }

  auto it = json.find("application");
  if (it == json.end()) return;
  const TJson& block = *it;
  if (!block.is_object()) Bad("application", "expected an object");
  CheckKeys(block, "application",
            KnownNames(
                [](TNames& n) {
                  TAppBackupData d;
                  VisitBlock(n, d);
                },
                {"SpareImage", "IconImage", "AboutImage", "SpareTexts3To7", "SpareTexts8To17", "ReservedByte",
                 "ReservedValue", "SpareBlock"}));
  TReader r(block, "application", nullptr);
  VisitBlock(r, data);
  if (auto i = block.find("SpareImage"); i != block.end()) ImageFromJson(*i, data.SpareImage, "application.SpareImage");
  if (auto i = block.find("IconImage"); i != block.end()) ImageFromJson(*i, data.IconImage, "application.IconImage");
  if (auto i = block.find("AboutImage"); i != block.end()) ImageFromJson(*i, data.AboutImage, "application.AboutImage");
  TextsFromJson(block, "SpareTexts3To7", data.SpareTexts3To7);
  TextsFromJson(block, "SpareTexts8To17", data.SpareTexts8To17);
  if (auto i = block.find("ReservedByte"); i != block.end()) {
    if (!i->is_number_unsigned() || i->get<uint64_t>() > 255) Bad("application.ReservedByte", "expected 0 to 255");
    data.ReservedByte = static_cast<uint8_t>(i->get<uint64_t>());
  }
  if (auto i = block.find("ReservedValue"); i != block.end()) {
    if (!i->is_string()) Bad("application.ReservedValue", "expected 16 hex digits");
    data.ReservedValue = FromHex(i->get<std::string>(), "application.ReservedValue");
  }
  if (auto i = block.find("SpareBlock"); i != block.end()) {
    const TJson& s = *i;
    const std::string where = "application.SpareBlock";
    if (!s.is_object()) Bad(where, "expected an object");
    CheckKeys(s, where, {"Bytes", "Integers", "Values"});
    if (auto b = s.find("Bytes"); b != s.end()) {
      if (!b->is_array() || b->size() != 10) Bad(where + ".Bytes", "expected 10 numbers 0 to 255");
      for (size_t k = 0; k < 10; ++k) {
        const TJson& v = (*b)[k];
        if (!v.is_number_unsigned() || v.get<uint64_t>() > 255) Bad(where + ".Bytes", "expected 10 numbers 0 to 255");
        data.SpareBlock.Bytes[k] = static_cast<uint8_t>(v.get<uint64_t>());
      }
    }
    if (auto b = s.find("Integers"); b != s.end()) {
      if (!b->is_array() || b->size() != 10) Bad(where + ".Integers", "expected 10 32-bit integers");
      for (size_t k = 0; k < 10; ++k) {
        const TJson& v = (*b)[k];
        if (!v.is_number_integer() || v.get<int64_t>() < INT32_MIN || v.get<int64_t>() > INT32_MAX)
          Bad(where + ".Integers", "expected 10 32-bit integers");
        data.SpareBlock.Integers[k] = static_cast<int32_t>(v.get<int64_t>());
      }
    }
    if (auto b = s.find("Values"); b != s.end()) {
      if (!b->is_array() || b->size() != 10) Bad(where + ".Values", "expected 10 texts of 16 hex digits");
      for (size_t k = 0; k < 10; ++k) {
        if (!(*b)[k].is_string()) Bad(where + ".Values", "expected 10 texts of 16 hex digits");
        data.SpareBlock.Values[k] = FromHex((*b)[k].get<std::string>(), where + ".Values");
      }
    }
  }
}

}  // namespace vog::tool
