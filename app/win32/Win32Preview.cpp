#include "app/win32/Win32Preview.h"

#include "app/win32/Win32FileListWindow.h"

namespace vog::win32 {

bool TWin32Preview::ShowCopyPreview(const TPreviewLists& lists, TPreviewLook& look) {
  TCopyFileListForm form;
  SetUpCopyPreview(form, lists, look);
  TFileListWindow window(instance_, form);
  window.Place = look.Place;
  window.ShowFreeSpace = ShowFreeSpace;
  const INT_PTR result = window.Run(owner_);
  look.Place = window.Place;
  look.FontName = form.FontName;
  look.FontSize = form.FontSize;
  look.FontChooserShown = form.FontChooserShown;
  return result == IDOK;
}

}  // namespace vog::win32
