// The file types of a file dialog as the core writes them (FileDialogRequest::filter): labels and
// their patterns, "Label|*.a;*.b|Other|*.*".  Each window turns them into its own dialog's form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavolin {

struct FileType {
  std::string label;
  std::vector<std::string> patterns;  // none empty
};

// The label and pattern pairs in order; a pair without a pattern, and a label without its
// patterns at the end, are left out.
std::vector<FileType> FileTypes(std::string_view filter);

}  // namespace tavolin
