// Both systems: std::filesystem says it the same way for each.
#include "platform/relative_folder.h"

#include <filesystem>
#include <system_error>

bool WorkingFolderFrom(const PathString& file, PathString* relative) {
  std::error_code error;
  const std::filesystem::path work = std::filesystem::current_path(error);
  if (error) {
    return false;
  }
  const std::filesystem::path place = std::filesystem::absolute(file, error);
  if (error) {
    return false;
  }
  // Lexically: the names the page's address goes through, as the browser will take them.
  const std::filesystem::path path =
      work.lexically_relative(place.parent_path().lexically_normal());
  if (path.empty()) {
    return false;
  }
  *relative = path == "." ? PathString() : path.generic_string<PathChar>() + PATH_TEXT("/");
  return true;
}
