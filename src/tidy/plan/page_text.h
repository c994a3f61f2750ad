// The page around its data: page/page.html with page.css and the scripts in it, and the policy
// that lets only they run, cut where the data goes. Made at build time by cmake/embed_page.cmake.

#pragma once

#include <cstddef>

extern const unsigned char kPageBeforeData[];
extern const std::size_t kPageBeforeDataSize;
extern const unsigned char kPageAfterData[];
extern const std::size_t kPageAfterDataSize;
