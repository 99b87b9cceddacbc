// The picture control that reads more than bitmaps: bitmap files by their
// signature, GIF through the library's decoder (animated in place), then
// the Susie plug-ins, then the GV viewer, then the framework's own picture
// loading; and one open-dialog filter for everything it can read.
#pragma once

#include "lib/imaging/Image.h"

#include <memory>

class kxvGIF;
class kxvGV;
class kxvSusie;
struct kxRect;

class kxvSuperImage : public kxvImage {
public:
  // With the plug-ins of the system directory and GV where the registry
  // names it.
  explicit kxvSuperImage(TComponent* owner);
  ~kxvSuperImage() override;

  // "画像ﾌｧｲﾙ|every pattern|すべてのﾌｧｲﾙ|*.*|" and each kind.
  String GetFilter() override;
  // With the wait cursor: false for an empty name, a missing file, or a
  // file none of the loaders could read (an error while reading is caught);
  // false too while another load runs, and when the control is destroyed
  // by a handler during the load (the animation's waits and the viewer's
  // polls process messages).
  bool LoadFromFile(const String& fileName) override;
  bool Busy() const override { return loading_ > 0; }

  virtual String GetSusiePath();
  // Adds the plug-ins of directory.
  virtual void SetSusiePath(const String& directory);
  virtual String GetGVPath();
  virtual void SetGVPath(const String& path);
  // The loaders' own Enable, read back after each change.
  bool GVEnable() const { return gvEnable_; }
  void SetGVEnable(bool enable);
  bool SusieEnable() const { return susieEnable_; }
  void SetSusieEnable(bool enable);

  // Whether the file starts with "BM"; a file that cannot be opened or
  // read raises.
  bool IsBitmap(const String& fileName);

  kxvGIF& GIF() { return *gif_; }
  kxvGV& GV() { return *gv_; }
  kxvSusie& Susie() { return *susie_; }

private:
  // A frame was drawn into the picture: shown at once.
  void GIFOnPaint(TObject* sender, kxRect* rect);
  // The file with the first loader that reads it; alive false when the
  // control went meanwhile.
  bool LoadWithLoaders(const String& fileName, const bool& alive);

  kxvGIF* gif_;                     // owned as a component
  kxvGV* gv_;                       // owned as a component
  std::unique_ptr<kxvSusie> susie_;
  bool gvEnable_ = false;
  bool susieEnable_ = false;
  int loading_ = 0;
  // False once the control is gone: a load that outlived it touches nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

namespace Simage {
// Puts kxvSuperImage on the design-time palette page "NORDA".
void Register();
}  // namespace Simage
