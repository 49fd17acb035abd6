// An update installer must turn the tree its old release leaves into exactly the tree a fresh installation
// of the new release leaves. Random pairs of releases are built with the real mkinstaller and installed
// with the real installer: the old release and then the update into one target, the new release into
// another, and the two targets compared path by path (bytes, times, modes, which files and directories
// exist). Each pair of removal rules (the old installer's, the new one's) is tried, and the update's own
// payload is also laid out over the old tree by the model, for the rules a stub cannot yet carry. An
// update the format cannot express is refused before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>

#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_tree.h"
#include "builder_test_util.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

struct source_file {
    std::string bytes;
    std::int64_t mtime = TEST_TIME;
    unsigned permissions = 0644;
};

using release = std::map<std::string, source_file>;

// A few directories and last names, so that names recur across directories and trees overlap.
const std::vector<std::string> UPDATE_DIRS = {"", "a/", "b/", "a/c/", "b/d/e/", "f/"};
const std::vector<std::string> UPDATE_NAMES = {"x.h", "y.h", "z", "c", "d", "readme"};

std::string pick(std::mt19937& rng, const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
}

bool chance(std::mt19937& rng, int percent) {
    return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

source_file random_file(std::mt19937& rng) {
    const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 3000)(rng);
    std::string bytes(size, '\0');
    // Repetitive enough to be compressed now and then.
    for (auto& b : bytes) b = static_cast<char>('a' + rng() % (chance(rng, 50) ? 3 : 26));
    return {bytes, TEST_TIME + static_cast<std::int64_t>(rng() % 1000), chance(rng, 80) ? 0644u : 0755u};
}

// No path may be a file and a directory at once: a file that stands where another needs a directory goes.
release valid(release files) {
    for (auto it = files.begin(); it != files.end();) {
        const auto next = files.lower_bound(it->first + "/");
        it =
            next != files.end() && next->first.starts_with(it->first + "/") ? files.erase(it) : std::next(it);
    }
    return files;
}

release random_release(std::mt19937& rng) {
    release files;
    for (int i = 0; i < 14; ++i) files[pick(rng, UPDATE_DIRS) + pick(rng, UPDATE_NAMES)] = random_file(rng);
    return valid(files);
}

// The next release: files changed in bytes, time or mode, removed, moved to another directory, added; a
// directory emptied, a directory replaced by a file and a file by a directory.
release next_release(std::mt19937& rng, const release& old) {
    release files;
    for (const auto& [name, file] : old) {
        source_file next = file;
        if (chance(rng, 15)) next.bytes = random_file(rng).bytes;
        if (chance(rng, 10)) next.mtime += 1;
        if (chance(rng, 10)) next.permissions ^= 0111;
        if (chance(rng, 10)) continue;
        const std::string last = name.substr(name.rfind('/') + 1);
        files[chance(rng, 10) ? pick(rng, UPDATE_DIRS) + last : name] = next;
    }
    for (int i = 0; i < 3; ++i) files[pick(rng, UPDATE_DIRS) + pick(rng, UPDATE_NAMES)] = random_file(rng);
    const std::string emptied = pick(rng, UPDATE_DIRS);
    std::erase_if(files, [&](const auto& f) { return !emptied.empty() && f.first.starts_with(emptied); });
    const std::string to_file = pick(rng, UPDATE_DIRS);
    if (!to_file.empty()) {
        std::erase_if(files, [&](const auto& f) { return f.first.starts_with(to_file); });
        files[to_file.substr(0, to_file.size() - 1)] = random_file(rng);
    }
    if (!old.empty()) {
        const std::string to_dir = std::next(old.begin(), static_cast<long>(rng() % old.size()))->first;
        files.erase(to_dir);
        files[to_dir + "/" + pick(rng, UPDATE_NAMES)] = random_file(rng);
    }
    return valid(files);
}

void write_release(const std::string& root, const release& files) {
    std::filesystem::create_directories(root);
    for (const auto& [name, file] : files) {
        write_timed_file(root + "/" + name, file.bytes, file.mtime);
        std::filesystem::permissions(root + "/" + name,
                                     static_cast<std::filesystem::perms>(file.permissions));
    }
}

// The removal rules of the old release's installer and of the new one's (and its update's).
struct rule_pair {
    payload::same_name_removal old_rule;
    payload::same_name_removal new_rule;
};

// The build options that give an installer `removal`, and whether it runs: the real stub, with the rule
// written into its profile region where it has one; else a fake stub that only mkinstaller reads.
struct rule_stub {
    std::vector<std::string> options;
    bool runs = true;
};

rule_stub stub_for(payload::same_name_removal removal, const std::string& path) {
    if (removal == payload::same_name_removal::anywhere) return {};
    std::string stub = read_file(INSTALLER_PATH);
    const builder::stub_profile found = builder::find_stub_profile(stub);
    const bool runs = found.found == builder::stub_profile::state::built_in;
    if (runs) {
        builder::profile_settings settings;
        settings.values[payload::PROFILE_SAME_NAME_REMOVAL] = {builder::choice_value(removal)};
        builder::write_stub_profile(stub, found, settings);
    } else {
        stub = fake_stub_with_removal(FAKE_STUB_SIZE, removal);
    }
    write_file(path, stub);
    return {{"--stub", path}, runs};
}

std::vector<std::string> with(std::vector<std::string> options, const std::vector<std::string>& more) {
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

class UpdateRoundTrip : public ::testing::TestWithParam<rule_pair> {};

TEST_P(UpdateRoundTrip, OldThenUpdateLeavesTheTreeOfAFreshInstallation) {
    for (unsigned round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::mt19937 rng(round);
        const release old = random_release(rng);
        const release next = next_release(rng, old);
        temp_dir dir;
        const rule_stub old_stub = stub_for(GetParam().old_rule, dir / "old-stub");
        const rule_stub new_stub = stub_for(GetParam().new_rule, dir / "new-stub");
        write_release(dir / "old", old);
        write_release(dir / "new", next);
        build_whole_tree(with(old_stub.options, {dir / "old", dir / "old-setup"}));
        build_whole_tree(with(new_stub.options, {dir / "new", dir / "new-setup"}));
        // Every other round the update also carries every unchanged file.
        std::vector<std::string> update = {"--update-from", dir / "old-setup", dir / "new", dir / "update"};
        if (round % 2 == 1) update.insert(update.begin(), "--full");
        build_whole_tree(with(new_stub.options, update));

        // The update's own payload, laid out over the old tree as the model lays it out.
        const builder::installer_tree before = builder::read_installer_tree(dir / "old-setup", "old");
        const builder::installer_tree after =
            builder::read_installer_tree(dir / "update", "update", &before.tree);
        const builder::installer_tree fresh = builder::read_installer_tree(dir / "new-setup", "new");
        EXPECT_EQ(before.removal, GetParam().old_rule);
        EXPECT_EQ(after.removal, GetParam().new_rule);
        EXPECT_TRUE(builder::compare_trees(after.tree, fresh.tree).empty());
        if (round % 2 == 1) {
            EXPECT_EQ(run_mkinstaller({"diff", dir / "new-setup", dir / "update"}).exit_code, 0);
        }
        if (!old_stub.runs || !new_stub.runs) continue;

        install(dir / "old-setup", dir / "updated");
        install(dir / "update", dir / "updated");
        install(dir / "new-setup", dir / "fresh");
        const auto what_a_user_sees = [](const std::string& root) {
            return tree_snapshot(root, testing_support::snapshot_detail::with_modes_and_times);
        };
        EXPECT_EQ(what_a_user_sees(dir / "updated"), what_a_user_sees(dir / "fresh"));
        if (round % 2 == 1) {  // --full installs alone as well
            install(dir / "update", dir / "alone");
            EXPECT_EQ(what_a_user_sees(dir / "alone"), what_a_user_sees(dir / "fresh"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UpdateRoundTrip,
    ::testing::Values(rule_pair{payload::same_name_removal::anywhere, payload::same_name_removal::anywhere},
                      rule_pair{payload::same_name_removal::path, payload::same_name_removal::path},
                      rule_pair{payload::same_name_removal::anywhere, payload::same_name_removal::path},
                      rule_pair{payload::same_name_removal::path, payload::same_name_removal::anywhere}),
    [](const ::testing::TestParamInfo<rule_pair>& param_info) {
        const auto name = [](payload::same_name_removal rule) {
            return rule == payload::same_name_removal::path ? "path" : "anywhere";
        };
        return std::string(name(param_info.param.old_rule)) + "_then_" + name(param_info.param.new_rule);
    });

TEST(UpdateBuild, SummaryCountsTheUpdateAgainstTheFullInstallation) {
    temp_dir dir;
    write_tree(dir / "old", {{"a/kept.h", "same"}, {"a/changed.h", "before"}, {"gone.txt", "gone"}});
    write_tree(dir / "new", {{"a/kept.h", "same"}, {"a/changed.h", "after"}});
    build_installer({"--quiet", dir / "old", dir / "old-setup"});
    const auto r = run_mkinstaller(
        {"build", "--build-time", "1", "--update-from", dir / "old-setup", dir / "new", dir / "update"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("update: 2 entries (1 delete, 1 file) for the 2 files a full installation leaves"),
              std::string::npos)
        << r.out;
    // The same inputs give the same bytes; --full alone is a usage error.
    build_installer(
        {"--quiet", "--build-time", "1", "--update-from", dir / "old-setup", dir / "new", dir / "again"});
    EXPECT_TRUE(testing_support::read_file(dir / "again") == testing_support::read_file(dir / "update"));
    EXPECT_EQ(run_mkinstaller({"build", "--full", dir / "new", dir / "full"}).exit_code, 2);
}

TEST(UpdateBuild, AnUpdateTheFormatCannotExpressIsRefusedAndNothingWritten) {
    temp_dir dir;
    // A file name holding '\' that no delete entry may carry: the update would leave it behind.
    testing_support::write_installer(dir / "old-setup",
                                     {.entries = {{.name = "x\\y", .data = "1", .mtime = TEST_TIME}}});
    write_timed_file(dir / "new/z", "2");
    const auto r = run_mkinstaller(
        {"build", "--quiet", "--update-from", dir / "old-setup", dir / "new", dir / "update"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("no update can be built: \"x\\\\y\" would stay in the target"), std::string::npos)
        << r.err;
    EXPECT_FALSE(path_exists(dir / "update"));
}

}  // namespace
