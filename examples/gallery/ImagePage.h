// The gallery's page of the image control: a picture (a drawn sample until
// a file is opened) with every setting of the control beside it, the depth
// it is saved at, and a log of the settings made and of OnPaint.
// TSuperImagePage builds on it with the super image's loaders.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "lib/imaging/Image.h"

class TEventLog;

class TImagePage : public TTabSheet {
public:
  explicit TImagePage(TComponent* owner);

  kxvImage* Image = nullptr;
  TButton* OpenButton = nullptr;
  TButton* SaveButton = nullptr;
  TListBox* Colors = nullptr;
  TListBox* Zooms = nullptr;
  TListBox* Aligns = nullptr;
  // The factor for AutoZoom off, set on Enter or when the focus leaves.
  TEdit* ZoomEdit = nullptr;
  // First line: the depth the picture has (BitCount); then fixed depths.
  TListBox* Depths = nullptr;
  TCheckBox* Stretch = nullptr;
  TCheckBox* Center = nullptr;
  TCheckBox* PaintFrame = nullptr;
  TPanel* Info = nullptr;
  TEventLog* Log = nullptr;

protected:
  // kxvImage, or a kind of it: the page lays it out and keeps it.
  TImagePage(TComponent* owner, kxvImage* image);

  virtual void OpenPicture();
  void SavePicture();
  // The file shown (empty: the sample), its size, depth and zoom.
  void ShowInfo();
  String OpenFilter();

  TOpenDialog* OpenDialog = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  String fileName_;

private:
  void DrawSample();
  void ApplyZoom();
  RECT lastPaint_{};
};
