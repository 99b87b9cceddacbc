#include "framework/Picture.h"

#include "framework/Streams.h"
#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// A picture kind of the tests' own: a text file "width height".
class TSizeGraphic : public TGraphic {
public:
  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override { width_ = width; Changed(); }
  void SetHeight(int height) override { height_ = height; Changed(); }
  void LoadFromStream(TStream& stream) override {
    char text[64] = {};
    stream.Read(text, sizeof text - 1);
    int w = 0, h = 0;
    if (std::sscanf(text, "%d %d", &w, &h) != 2) throw EInvalidGraphic("Not a size file");
    width_ = w;
    height_ = h;
    Changed();
  }
  void SaveToStream(TStream& stream) override {
    const String text = std::to_string(width_) + " " + std::to_string(height_);
    stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  }
  void Assign(const TPersistent& source) override {
    if (auto other = dynamic_cast<const TSizeGraphic*>(&source)) {
      width_ = other->width_;
      height_ = other->height_;
      Changed();
      return;
    }
    TGraphic::Assign(source);
  }

protected:
  void Draw(TCanvas&, const RECT&) override {}

private:
  int width_ = 0, height_ = 0;
};

// Never registered.
class TStrayGraphic : public TSizeGraphic {};

String WriteFile(const TempDir& dir, const String& name, const String& content) {
  return dir.File(name, content);
}

String BitmapFile(const TempDir& dir, const String& name, int w, int h) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(w, h);
  bitmap.Canvas().FillRect(RECT{0, 0, w, h}, clRed);
  const String path = dir / name;
  bitmap.SaveToFile(path);
  return path;
}

}  // namespace

TEST(TPicture, LoadFromFileChoosesTheClassByExtensionIgnoringCase) {
  TPicture::RegisterFileFormat<TSizeGraphic>("sz1", "Size files");
  TempDir dir;
  TPicture picture;
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  int changes = 0;
  picture.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &picture);
    ++changes;
  };
  picture.LoadFromFile(BitmapFile(dir, "red.BMP", 6, 4));
  ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_EQ(picture.Height(), 4);
  EXPECT_EQ(picture.Bitmap().Canvas().Pixels(5, 3), clRed);
  EXPECT_EQ(changes, 1);

  picture.LoadFromFile(WriteFile(dir, "a.Sz1", "12 34"));
  ASSERT_NE(dynamic_cast<TSizeGraphic*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 12);
  EXPECT_EQ(picture.Height(), 34);
  EXPECT_EQ(changes, 2);

  // A change of the graphic itself is the picture's change too.
  picture.Graphic()->SetWidth(50);
  EXPECT_EQ(picture.Width(), 50);
  EXPECT_EQ(changes, 3);
}

TEST(TPicture, UnknownExtensionRaisesAndKeepsThePicture) {
  TempDir dir;
  TPicture picture;
  picture.LoadFromFile(BitmapFile(dir, "keep.bmp", 3, 2));
  TGraphic* before = picture.Graphic();
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  // A real bitmap behind a name no class is registered for; the dot of a
  // directory does not count.
  const String bitmap = BitmapFile(dir, "pic.bmp", 5, 5);
  const String renamed = dir / "pic.unknownext";
  ASSERT_TRUE(MoveFileA(bitmap.c_str(), renamed.c_str()));
  const String noExtension = WriteFile(dir, "dir.bmp\\plain", "x");
  for (const String& path : {renamed, noExtension}) {
    EXPECT_THROW(picture.LoadFromFile(path), EInvalidGraphic) << path;
    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_EQ(picture.Width(), 3);
  }
  EXPECT_EQ(changes, 0);
}

TEST(TPicture, UnreadableFileRaisesAndKeepsThePicture) {
  TPicture::RegisterFileFormat<TSizeGraphic>("sz2", "Size files");
  TempDir dir;
  TPicture picture;
  picture.LoadFromFile(BitmapFile(dir, "keep.bmp", 3, 2));
  TGraphic* before = picture.Graphic();
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  EXPECT_THROW(picture.LoadFromFile(WriteFile(dir, "broken.bmp", "BM this is no bitmap at all")),
               EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile(WriteFile(dir, "broken.sz2", "none")), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile(dir / "missing.bmp"), EFOpenError);
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Height(), 2);
  EXPECT_EQ(changes, 0);
}

TEST(TPicture, BitmapMakesOneWhenNeeded) {
  TPicture::RegisterFileFormat<TSizeGraphic>("sz3", "Size files");
  TempDir dir;
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  TBitmap& made = picture.Bitmap();
  EXPECT_EQ(picture.Graphic(), &made);
  EXPECT_TRUE(made.Empty());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(&picture.Bitmap(), &made);
  EXPECT_EQ(changes, 1);
  made.SetSize(4, 4);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(picture.Width(), 4);

  picture.LoadFromFile(WriteFile(dir, "s.sz3", "7 8"));
  EXPECT_EQ(picture.Width(), 7);
  TBitmap& replaced = picture.Bitmap();
  EXPECT_EQ(picture.Graphic(), &replaced);
  EXPECT_EQ(picture.Width(), 0);
}

TEST(TPicture, SaveToFileWritesTheGraphicInItsOwnFormat) {
  TempDir dir;
  TPicture picture;
  picture.SaveToFile(dir / "nothing.bmp");
  EXPECT_FALSE(Exists(dir / "nothing.bmp"));
  picture.LoadFromFile(BitmapFile(dir, "in.bmp", 5, 3));
  picture.SaveToFile(dir / "out.bmp");
  EXPECT_EQ(ReadWholeFile(dir / "out.bmp"), ReadWholeFile(dir / "in.bmp"));
}

TEST(TPicture, AssignCopiesTheGraphicInItsOwnClass) {
  TPicture::RegisterFileFormat<TSizeGraphic>("sz4", "Size files");
  TempDir dir;
  TPicture source, copy;
  source.LoadFromFile(WriteFile(dir, "s.sz4", "3 9"));
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.Assign(source);
  ASSERT_NE(dynamic_cast<TSizeGraphic*>(copy.Graphic()), nullptr);
  EXPECT_NE(copy.Graphic(), source.Graphic());
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.Height(), 9);
  EXPECT_EQ(changes, 1);
  source.Graphic()->SetWidth(1);
  EXPECT_EQ(copy.Width(), 3);

  TBitmap bitmap;
  bitmap.SetSize(2, 5);
  copy.Assign(bitmap);
  ASSERT_NE(dynamic_cast<TBitmap*>(copy.Graphic()), nullptr);
  EXPECT_NE(copy.Graphic(), &bitmap);
  EXPECT_EQ(copy.Height(), 5);

  copy.Assign(copy);
  EXPECT_EQ(copy.Height(), 5);
  TPicture empty;
  copy.Assign(empty);
  EXPECT_EQ(copy.Graphic(), nullptr);
  EXPECT_EQ(changes, 3);

  TStrayGraphic stray;
  EXPECT_THROW(copy.Assign(stray), EConvertError);
  EXPECT_EQ(copy.Graphic(), nullptr);
}

TEST(TPicture, GraphicFilterListsEveryRegisteredExtension) {
  const String before = GraphicFilter();
  EXPECT_EQ(before.rfind("All (*.bmp", 0), 0u) << before;
  EXPECT_NE(before.find("|Bitmaps (*.bmp)|*.bmp"), String::npos) << before;
  TPicture::RegisterFileFormat<TSizeGraphic>("SZF", "Size files");
  const String after = GraphicFilter();
  const String last = "|Size files (*.szf)|*.szf";
  EXPECT_NE(after.find(";*.szf|"), String::npos) << after;
  ASSERT_GE(after.size(), last.size());
  EXPECT_EQ(after.substr(after.size() - last.size()), last) << after;
  // Registering again replaces, it does not add.
  TPicture::RegisterFileFormat<TSizeGraphic>("szf", "Sizes");
  const String again = GraphicFilter();
  EXPECT_EQ(again.find("Size files"), String::npos) << again;
  EXPECT_NE(again.find("|Sizes (*.szf)|*.szf"), String::npos) << again;
  EXPECT_EQ(again.find("(*.szf)"), again.rfind("(*.szf)")) << again;
}
