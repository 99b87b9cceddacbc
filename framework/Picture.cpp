#include "framework/Picture.h"

#include "framework/Locale.h"

#include <vector>

namespace {

struct TFileFormat {
  String ext;  // lower case, without the dot
  String description;
  const std::type_info* type;
  TGraphicFactory factory;
};

std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats{
      {"bmp", "Bitmaps", &typeid(TBitmap), [] { return std::make_unique<TBitmap>(); }}};
  return formats;
}

const TFileFormat* FormatForExt(const String& ext) {
  const String lower = LowerCase(ext);
  for (const TFileFormat& f : FileFormats()) {
    if (f.ext == lower) return &f;
  }
  return nullptr;
}

const TFileFormat* FormatForClass(const TGraphic& graphic) {
  for (const TFileFormat& f : FileFormats()) {
    if (*f.type == typeid(graphic)) return &f;
  }
  return nullptr;
}

// After the last "." of the file-name part; empty when it has none. A
// trail byte is never taken for "\" (or ".").
String ExtensionOf(const String& path) {
  size_t dot = String::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c) && i + 1 < path.size()) {
      ++i;
    } else if (c == '\\' || c == '/' || c == ':') {
      dot = String::npos;
    } else if (c == '.') {
      dot = i;
    }
  }
  return dot == String::npos ? String() : path.substr(dot + 1);
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const String& ext, const String& description,
                                  const std::type_info& type, TGraphicFactory factory) {
  const String lower = LowerCase(ext);
  for (TFileFormat& f : FileFormats()) {
    if (f.ext == lower) {
      f = {lower, description, &type, std::move(factory)};
      return;
    }
  }
  FileFormats().push_back({lower, description, &type, std::move(factory)});
}

String GraphicFilter() {
  String all, each;
  for (const TFileFormat& f : FileFormats()) {
    const String pattern = "*." + f.ext;
    if (!all.empty()) all += ";";
    all += pattern;
    each += "|" + f.description + " (" + pattern + ")|" + pattern;
  }
  return "All (" + all + ")|" + all + each;
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::Replace(std::unique_ptr<TGraphic> graphic) {
  // The old graphic goes after the new one is in place, so that a handler
  // never sees a graphic being destroyed.
  std::unique_ptr<TGraphic> old = std::move(graphic_);
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
  old.reset();
  Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (graphic == graphic_.get()) return;
  if (!graphic) {
    Replace(nullptr);
    return;
  }
  const TFileFormat* format = FormatForClass(*graphic);
  std::unique_ptr<TGraphic> copy =
      format ? format->factory()
             : typeid(*graphic) == typeid(TBitmap) ? std::make_unique<TBitmap>() : nullptr;
  if (!copy) {
    throw EConvertError(String("Cannot assign a ") + typeid(*graphic).name() + " to a picture");
  }
  copy->Assign(*graphic);
  Replace(std::move(copy));
}

TBitmap& TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) Replace(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const String& fileName) {
  const String ext = ExtensionOf(fileName);
  const TFileFormat* format = FormatForExt(ext);
  if (!format) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  // Read into a graphic of its own: a file that fails leaves this picture
  // as it was.
  std::unique_ptr<TGraphic> graphic = format->factory();
  graphic->LoadFromFile(fileName);
  Replace(std::move(graphic));
}

void TPicture::SaveToFile(const String& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent& source) {
  if (auto picture = dynamic_cast<const TPicture*>(&source)) {
    SetGraphic(picture->Graphic());
    return;
  }
  if (auto graphic = dynamic_cast<const TGraphic*>(&source)) {
    SetGraphic(graphic);
    return;
  }
  TPersistent::Assign(source);
}
