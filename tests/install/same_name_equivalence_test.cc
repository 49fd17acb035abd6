// The risk: the name index (the fast same-name removal) leaves a different tree than the plain walk it
// replaces. Randomized trees and payloads are installed twice from the same starting state, once with each
// method, and the resulting trees (the target and a directory beside it that links point into) and the
// installer's output must be identical. The trees are made of few names so that they collide: nested
// same names, empty and non-empty directories of an entry's name, links to directories, files, outside
// and nowhere, delete entries, and now and then a name that is not plain or a target that is a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "install/name_index_seam.h"
#include "install_harness.h"
#include "support/install_in_child.h"
#include "support/installer_run.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr std::uint32_t METHOD_DELETE = 2;

struct scenario {
    std::vector<std::string> files, empty_dirs;
    std::vector<std::pair<std::string, std::string>> links;  // where, pointing to
    bool target_is_link = false;
    bool target_absent = false;
    test_payload payload;
};

std::string random_path(std::mt19937& random, int max_depth) {
    static const char* const NAMES[] = {"a", "b", "x"};
    std::string path;
    const int depth = 1 + static_cast<int>(random() % max_depth);
    for (int i = 0; i < depth; ++i) path += (i ? "/" : "") + std::string(NAMES[random() % 3]);
    return path;
}

std::string entry_name(std::mt19937& random) {
    static const char* const ODD[] = {"a//b", "./x", "a/../b", "a/", "", "b\\x", "../outside/x", "/a/x"};
    if (random() % 12 == 0) return ODD[random() % 8];
    return random_path(random, 3);
}

scenario make_scenario(unsigned seed) {
    std::mt19937 random(seed);
    scenario s;
    s.target_is_link = random() % 8 == 0;
    s.target_absent = !s.target_is_link && random() % 8 == 0;
    if (!s.target_absent) {
        for (int i = static_cast<int>(random() % 10); i > 0; --i) s.files.push_back(random_path(random, 4));
        for (int i = static_cast<int>(random() % 4); i > 0; --i)
            s.empty_dirs.push_back(random_path(random, 3));
        static const char* const TO[] = {"a", "../outside", "nowhere", "x/b", "..", "b"};
        for (int i = static_cast<int>(random() % 3); i > 0; --i)
            s.links.emplace_back(random_path(random, 3), TO[random() % 6]);
    }
    for (int i = 1 + static_cast<int>(random() % 10); i > 0; --i) {
        test_entry entry{.name = entry_name(random), .data = "data " + std::to_string(random() % 5)};
        if (random() % 5 == 0) {
            entry.method = METHOD_DELETE;
            entry.data.clear();
        }
        s.payload.entries.push_back(entry);
    }
    return s;
}

// Lays the scenario's starting tree beneath base: target (or a link to base/real), and base/outside.
// Files and directories that collide with what is already there are simply not made.
void lay_out(const scenario& s, const std::string& base) {
    fs::create_directories(base + "/outside/a");
    write_file(base + "/outside/x", "outside");
    const std::string root = s.target_is_link ? base + "/real" : base + "/target";
    if (s.target_is_link) (void)symlink("real", (base + "/target").c_str());
    if (s.target_absent) return;
    fs::create_directories(root);
    std::error_code ignored;
    for (const auto& f : s.files) {
        fs::create_directories(fs::path(root + "/" + f).parent_path(), ignored);
        if (FILE* out = std::fopen((root + "/" + f).c_str(), "wx")) {
            std::fputs(f.c_str(), out);
            std::fclose(out);
        }
    }
    for (const auto& d : s.empty_dirs) fs::create_directories(root + "/" + d, ignored);
    for (const auto& [where, to] : s.links) {
        fs::create_directories(fs::path(root + "/" + where).parent_path(), ignored);
        (void)symlink(to.c_str(), (root + "/" + where).c_str());
    }
}

struct outcome {
    std::map<std::string, std::string> tree;
    std::string err;
    int reads;  // how often the index read the tree
};

outcome install_with(const scenario& s, install::same_name_method method) {
    temp_dir base;
    lay_out(s, base.path());
    const std::string image_path = base / "setup";
    // No stub in front: the child only searches the image for its payload.
    write_file(image_path, installer_image("", payload_bytes(s.payload), 1024));
    const std::string target = base / "target";
    const process_result r = install_in_child(
        image_path, target,
        [&] {
            install::same_name_removal = method;
            return 0;
        },
        [] { return static_cast<int>(install::name_index_reads()); });
    EXPECT_EQ(r.term_signal, 0);
    fs::remove(image_path);
    return {tree_snapshot(base.path()), r.err, r.exit_code};
}

TEST(SameNameEquivalence, TheIndexLeavesTheTreeTheWalkLeavesOnRandomizedTreesAndPayloads) {
    int removals_seen = 0;
    int entries = 0;
    int reads = 0;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        const scenario s = make_scenario(seed);
        const outcome walk = install_with(s, install::same_name_method::walk);
        const outcome fast = install_with(s, install::same_name_method::index);
        ASSERT_EQ(fast.tree, walk.tree) << "seed " << seed;
        ASSERT_EQ(fast.err, walk.err) << "seed " << seed;
        // The scenarios must exercise removal: count those where an entry of the starting tree went.
        for (const auto& f : s.files) removals_seen += !walk.tree.contains("target/" + f);
        entries += static_cast<int>(s.payload.entries.size());
        reads += fast.reads;
    }
    EXPECT_GT(removals_seen, 100);
    // The index, not a fallback to the walk, must have done most of the work: the tree is read about once
    // per installation (twice when the target comes into being), more only after odd names.
    EXPECT_LT(reads, entries / 2);
}

// A few shapes the random ones may miss, each named by the subtlety it pins.
TEST(SameNameEquivalence, HandPickedShapes) {
    const std::vector<scenario> shapes = [] {
        std::vector<scenario> v(4);
        // A non-empty directory of the entry's name keeps what it holds, and the entry is written inside it.
        v[0].files = {"x/x", "a/x"};
        v[0].payload.entries = {{.name = "x/x", .data = "new"}, {.name = "b/x", .data = "later"}};
        // A directory made for an earlier entry, emptied by a delete entry, goes when a later name matches.
        v[1].payload.entries = {{.name = "a/b/f", .data = "1"},
                                {.name = "a/b/f", .method = METHOD_DELETE},
                                {.name = "b", .data = "2"},
                                {.name = "a/b/g", .data = "3"}};
        // An entry written through a link to a directory inside the tree.
        v[2].files = {"x/keep"};
        v[2].links = {{"a", "x"}};
        v[2].payload.entries = {{.name = "a/f", .data = "via link"}, {.name = "x/f", .data = "direct"}};
        // A delete entry of a non-empty directory, then names inside it.
        v[3].files = {"a/b/c", "a/c"};
        v[3].payload.entries = {{.name = "a", .method = METHOD_DELETE}, {.name = "c", .data = "top"}};
        return v;
    }();
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const outcome walk = install_with(shapes[i], install::same_name_method::walk);
        const outcome fast = install_with(shapes[i], install::same_name_method::index);
        EXPECT_EQ(fast.tree, walk.tree) << "shape " << i;
        EXPECT_EQ(fast.err, walk.err) << "shape " << i;
    }
}

}  // namespace
