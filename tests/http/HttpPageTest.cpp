// The page is whole in the program: everything it loads is one of its own
// assets, it names no other host, and the chart library's licence comes along.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "http/PageAssets.h"

namespace ravo {
namespace {

TEST(HttpPage, LoadsOnlyItsOwnAssetsAndNamesNoOtherHost) {
    const PageAsset* index = findPageAsset("/");
    ASSERT_NE(index, nullptr);
    const std::string html(index->body);
    const std::regex ref(R"re((?:src|href)="([^"#]+)")re");
    int refs = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), ref); it != std::sregex_iterator(); ++it) {
        ++refs;
        EXPECT_NE(findPageAsset("/" + (*it)[1].str()), nullptr) << (*it)[1].str();
    }
    EXPECT_GE(refs, 5);
    // No absolute or protocol-relative address in the page's own files.
    const std::regex elsewhere(R"re((https?:)?//[A-Za-z0-9.-]+\.[A-Za-z]{2,})re");
    for (const char* own : {"/", "/page.js", "/page.css"}) {
        const PageAsset* a = findPageAsset(own);
        ASSERT_NE(a, nullptr) << own;
        const std::string body(a->body);
        std::smatch m;
        EXPECT_FALSE(std::regex_search(body, m, elsewhere)) << own << ": " << m.str();
    }
    const PageAsset* licences = findPageAsset("/licences.txt");
    ASSERT_NE(licences, nullptr);
    EXPECT_NE(licences->body.find("dygraphs"), std::string_view::npos);
    EXPECT_NE(licences->body.find("MIT"), std::string_view::npos);
    EXPECT_GT(findPageAsset("/dygraph.min.js")->body.size(), 10000u);
    EXPECT_EQ(findPageAsset("/nothing.js"), nullptr);
}

}  // namespace
}  // namespace ravo
