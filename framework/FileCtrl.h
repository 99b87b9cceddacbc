// File-system controls: the drive combo box.
#pragma once

#include "framework/Controls.h"

// A drop-down list of the drives of the system, one line per drive: the
// lower-case letter and colon, then the volume label in brackets (fixed,
// RAM and CD drives with a disc) or the remote name (network drives).
class TDriveComboBox : public TWinControl {
public:
  explicit TDriveComboBox(TComponent* owner);

  // The selected drive, a lower-case letter; at first the drive of the
  // current directory.
  char Drive() const { return drive_; }
  // Selects drive (either case); a letter the system has no drive for is
  // ignored. Fires OnChange when the drive changes.
  void SetDrive(char drive);
  // The lines as listed.
  const TStringList& Items() const { return items_; }
  // Lists the drives again and selects Drive (not while loading or
  // designing).
  void BuildList();

  void SetBounds(int left, int top, int width, int height) override;

  // After the drive changed, by the user or by SetDrive.
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void DestroyWnd() override;
  bool CNCommand(WORD code, LRESULT& result) override;
  void Loaded() override;
  virtual void Change();

private:
  int IndexOfDrive(char drive) const;
  // The window's height with the list dropped down.
  int DroppedHeight();
  void SelectDrive();

  TStringList items_;
  char drive_ = 0;
};
