#include "catalogue/path_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/expected_texts.h"

namespace {

TEST(PathStore, KeptPathsAndTheirFoldersStayWholeAcrossBlocksAndLongPathsAlike) {
  PathStore store;
  std::vector<PathString> originals;
  std::vector<const PathChar*> kept;
  // Enough everyday paths to fill several blocks, with paths longer than a block's eighth and
  // than a whole block among them, and an empty one.
  for (int index = 0; index < 5000; ++index) {
    std::string text =
        "/data/folder" + std::to_string(index % 97) + "/file" + std::to_string(index);
    if (index % 1000 == 3) {
      text = std::string(static_cast<std::size_t>(9000 + index), 'x');
    }
    if (index % 1000 == 4) {
      text = std::string(70000, 'y') + std::to_string(index);
    }
    if (index == 5) {
      text.clear();
    }
    originals.push_back(Text(text));
    const std::uint32_t folder = static_cast<std::uint32_t>(index * 7919);
    kept.push_back(KeepPath(store, folder, originals.back().data(), originals.back().size()));
  }
  for (std::size_t index = 0; index < originals.size(); ++index) {
    EXPECT_EQ(PathString(kept[index]), originals[index]) << index;
    EXPECT_EQ(KeptFolder(kept[index]), static_cast<std::uint32_t>(index * 7919)) << index;
  }
}

// The file's identity sits before the folder word, its volume only when not its folder's: a
// wrong offset reads the neighbour's bytes, and a check after an open would refuse every file.
TEST(PathStore, KeptIdentitiesComeBackWithTheirFoldersAndFlags) {
  PathStore store;
  const PathString text = Text("folder/file");
  std::vector<const PathChar*> kept;
  for (std::uint64_t index = 0; index < 6; ++index) {
    KeptFacts facts;
    facts.folder = (std::uint32_t{1} << 29) - 1 - static_cast<std::uint32_t>(index);
    facts.fileMetBefore = index % 2 == 1;
    facts.file = FileIdentity{index % 3 == 2 ? 77u : 5u, ~index, index != 0};
    facts.folderVolume = 5;
    kept.push_back(KeepPath(store, facts, text.data(), text.size()));
  }
  for (std::size_t index = 0; index < kept.size(); ++index) {
    EXPECT_EQ(PathString(kept[index]), text) << index;
    EXPECT_EQ(KeptFolder(kept[index]), (std::uint32_t{1} << 29) - 1 - index) << index;
    EXPECT_EQ(KeptFileMetBefore(kept[index]), index % 2 == 1) << index;
    const FileIdentity expected =
        index == 0 ? FileIdentity()
                   : FileIdentity{index % 3 == 2 ? 77u : 5u, ~std::uint64_t{index}, true};
    EXPECT_EQ(KeptFileIdentity(kept[index], 5), expected) << index;
  }
}

TEST(PathStore, CopiesOnlyTheGivenLength) {
  PathStore store;
  const PathString text = Text("abc/def");
  EXPECT_EQ(PathString(KeepPath(store, 0, text.data(), 3)), Text("abc"));
}

}  // namespace
