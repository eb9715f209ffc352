#pragma once
// The item settings dialog ("バックアップ項目の設定"): the title above a tab control with five
// pages (source and names, copy conditions, history, archive and cipher, connection). The
// presenter (app/ItemSettings) holds the rules; this view shows the fields, reads them
// back and puts the focus where the presenter says. Ctrl+Tab and Ctrl+PgDn (with Shift,
// or Ctrl+PgUp, backwards) turn the pages, as in the system's property sheets.
#include <windows.h>

#include <array>

#include "app/ItemSettings.h"
#include "app/win32/DialogIds.h"
#include "app/win32/Win32SmallDialogs.h"

namespace vog::win32 {

class TItemDialog : public TCentredDialog, private IItemSettingsView {
public:
  static constexpr int kPageCount = 5;

  TItemDialog(HINSTANCE instance, TBackupInfo& item) : TCentredDialog(instance, IDD_ITEM), settings_(item) {}
  ~TItemDialog() override;
  // The page shown first (0..kPageCount-1).
  void SetStartPage(int page) { page_ = page; }

protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
  static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);

  TItemFields Read() override;
  void ShowProblem(const std::wstring& message) override;
  void Focus(TItemField field) override;

  void Fill(const TItemFields& fields);
  void UpdateEnabled();
  void ShowPage(int page);
  void PlacePages();
  void Browse(int editId);
  // A control of the dialog or of any page (ids are unique across them).
  HWND Control(int id) const;
  std::wstring Text(int id) const;
  bool Checked(int id) const;
  void SetText(int id, const std::wstring& text);
  void SetChecked(int id, bool checked);

  TItemSettings settings_;
  std::array<HWND, kPageCount> pages_{};
  int page_ = 0;
  HHOOK filter_ = nullptr;
};

}  // namespace vog::win32
