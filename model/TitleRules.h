#pragma once
// Which titles an item may have. An item's backup lands in the folder named after its
// title inside the main destination folder, so the title must name exactly one folder
// there: a title such as "..", "..\x", "." or the empty text would make the item's folder
// the main destination itself or a folder outside it, and mirroring would then delete
// what is not the item's. The data-file tool refuses such titles, the run leaves such an
// item out, and the main window refuses them on an add or a rename. A data file written
// before may still hold one: it loads and shows, nothing of it is lost, it just never runs.
#include <string>
#include <string_view>

namespace vog {

// The longest title: the longest name a Windows folder may have.
inline constexpr size_t kMaxTitleLength = 255;

// "" when `title` can name the item's folder; otherwise the complete message saying why
// not (the title is quoted with its control characters made visible). A title is refused
// when it is empty, consists of dots and blanks only ("." and ".."), holds one of
// \ / : * ? " < > | or a control character, ends in a dot or a blank (Windows drops them,
// so "A." would be the folder of "A"), is a device name (CON, PRN, AUX, NUL, COM1..COM9,
// LPT1..LPT9, also with an extension), or is longer than kMaxTitleLength.
std::wstring TitleProblem(std::wstring_view title);

}  // namespace vog
