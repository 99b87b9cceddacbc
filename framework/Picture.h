// The picture: one graphic of any registered class, read from a file by
// the file's extension. Graphic units register their class with an
// extension and a description; bitmaps (.bmp) are registered here.
#pragma once

#include "framework/Graphics.h"

#include <functional>
#include <memory>
#include <typeinfo>

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Holds one graphic (owned) or none.
class TPicture : public TPersistent {
public:
  TPicture();
  ~TPicture() override;

  // Null while the picture holds nothing.
  TGraphic* Graphic() const { return graphic_.get(); }
  // A copy of graphic (of the same class); null empties the picture.
  // EConvertError for a graphic class that is not registered.
  void SetGraphic(const TGraphic* graphic);
  // The graphic as a bitmap: anything else held is replaced by a new empty
  // bitmap first.
  TBitmap& Bitmap();

  // 0 while empty.
  int Width() const;
  int Height() const;

  // Reads the file with the class registered for its extension (case is
  // ignored). EInvalidGraphic for an extension without a class and for a
  // file that class cannot read; stream errors (a missing file) as the
  // stream raises them. On any error the picture keeps what it held.
  void LoadFromFile(const String& fileName);
  // The graphic in its own format; nothing while empty.
  void SaveToFile(const String& fileName);

  // From another picture, or from a graphic of a registered class.
  void Assign(const TPersistent& source) override;

  // After the graphic was replaced and after every change of it.
  TNotifyEvent OnChange;

  // Files with extension ext (without the dot; case ignored) are read by
  // graphics that factory makes, of class type. A later registration of the
  // same extension replaces the earlier one; description names the kind in
  // GraphicFilter().
  static void RegisterFileFormat(const String& ext, const String& description,
                                 const std::type_info& type, TGraphicFactory factory);
  template <class T>
  static void RegisterFileFormat(const String& ext, const String& description) {
    RegisterFileFormat(ext, description, typeid(T), [] { return std::make_unique<T>(); });
  }

protected:
  void Changed();

private:
  // Puts graphic in place of the one held and reports the change.
  void Replace(std::unique_ptr<TGraphic> graphic);
  std::unique_ptr<TGraphic> graphic_;
};

// The filter of an open dialog for every registered extension: all of them
// first, then each kind, in the order registered:
// "All (*.bmp;*.gif)|*.bmp;*.gif|Bitmaps (*.bmp)|*.bmp|...".
String GraphicFilter();
