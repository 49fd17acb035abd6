// An OUTPUT in the source tree would be packed by the next build, with its checksum, growing with every
// rebuild: build refuses it, however the two paths are spelt, and writes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder_fixtures.h"

namespace {

using namespace builder_test;

class OutputInSource : public stub_build_fixture {};

TEST_F(OutputInSource, IsRefusedThroughAnySpelling) {
    write_tree(source, {{"bin/vorna", "program"}});
    std::filesystem::create_symlink(source, dir / "link");
    const auto before = tree_snapshot(source);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {source, source + "/setup"},
        {source, source + "/sub/../setup"},
        {source + "/.", source + "/bin/setup"},
        {dir / "link", source + "/setup"},
        {source, dir / "link/bin/setup"},
    };
    for (const auto& [tree, out] : cases) {
        SCOPED_TRACE(tree + " -> " + out);
        const auto r = run_mkinstaller({"build", "--quiet", "--checksum", "--stub", stub, tree, out});
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_NE(r.err.find("lies in the source directory"), std::string::npos) << r.err;
    }
    EXPECT_EQ(tree_snapshot(source), before);
    // A sibling whose name merely starts with the source directory's is elsewhere.
    const auto beside = run_mkinstaller({"build", "--quiet", "--stub", stub, source, source + "-setup"});
    EXPECT_EQ(beside.exit_code, 0) << beside.err;
}

}  // namespace
