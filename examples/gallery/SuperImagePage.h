// The gallery's page of the super image: the image page's settings, and
// the loaders: the plug-ins found and the viewer, each switched on or off,
// and the GIF animator's switches with a stop. A load never holds the page:
// stop ends it, and open while one runs stops it and then asks for the
// next file.
#pragma once

#include "examples/gallery/ImagePage.h"
#include "lib/imaging/Simage.h"

class TSuperImagePage : public TImagePage {
public:
  explicit TSuperImagePage(TComponent* owner);

  kxvSuperImage* Super = nullptr;
  TCheckBox* UsePlugins = nullptr;
  TCheckBox* UseViewer = nullptr;
  TListBox* Plugins = nullptr;
  TLabel* Viewer = nullptr;
  TCheckBox* Animate = nullptr;
  TCheckBox* Transparent = nullptr;
  TCheckBox* UseDelay = nullptr;
  TCheckBox* PlainText = nullptr;
  TButton* StopButton = nullptr;

protected:
  void OpenPicture() override;

private:
  // The super image's own filter, with GIF files in its first choice: the
  // animator reads them whichever other loaders are on.
  String GifFilter();
  void Load(const String& fileName);
  void StopLoad();
  void ShowLoaders();
  void ShowBusy(bool busy);

  // Open was pressed while a load ran: the dialog comes once it ended.
  bool openAfterLoad_ = false;
};
