// The browser page: its HTML, style and script, and the chart library it draws
// with, built into the program (cmake/EmbedFiles.cmake) so that the page needs
// nothing from anywhere else.
#pragma once

#include <span>
#include <string_view>

namespace ravo {

struct PageAsset {
    std::string_view path;  // "/", "/page.js", ...
    std::string_view type;  // Content-Type
    std::string_view body;
};

std::span<const PageAsset> pageAssets();

// The asset served at `path`, or null.
inline const PageAsset* findPageAsset(std::string_view path) {
    for (const PageAsset& a : pageAssets())
        if (a.path == path) return &a;
    return nullptr;
}

}  // namespace ravo
