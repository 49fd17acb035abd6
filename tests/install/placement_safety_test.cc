// What an entry's path holds, or comes to hold while the installer works: a link to something outside the
// target, a second name of an outside file, a fifo, a socket, a device node. The file is written under a
// temporary name and renamed over the path, so none of them is ever opened or written through: each is
// replaced by the installed file, and what it led to stays as it was. Under both removal rules, since
// the built-in one removes what it finds by path first and the vendor's `path` leaves it to the rename.
#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>

#include <gtest/gtest.h>

#include "support/installer_run.h"
#include "support/installer_texts.h"
#include "support/private_mount.h"
#include "support/target_fixture.h"
#include "support/tree_snapshot.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

std::map<std::string, std::string> detailed(const std::string& root) {
    return tree_snapshot(root, snapshot_detail::with_modes_and_times);
}

// An outside file that only a write through a link could change: its own mode and an old time.
void write_victim(const std::string& path, const std::string& bytes) {
    write_file(path, bytes);
    chmod(path.c_str(), 0600);
    const timespec old[2] = {{.tv_sec = 1000000000, .tv_nsec = 0}, {.tv_sec = 1000000000, .tv_nsec = 0}};
    utimensat(AT_FDCWD, path.c_str(), old, 0);
}

// Into an existing target: Next at the existing-directory warning, Next to start.
process_result install_into(const std::string& image, const std::string& target) {
    return run_process(image, {image},
                       {.input = answers_to_install(target) + "n\nn\n", .timeout_seconds = 10});
}

// A run while the tree changes beneath it ends complete or with a numbered report, never otherwise.
bool completed_or_reported(const std::string& err) {
    static const std::regex reported(R"(\(err=[0-9]+\)\.\n\n\nInstallation terminated\.\n$)");
    return err.ends_with(t::COMPLETE) || std::regex_search(err, reported);
}

constexpr int RACE_FILES = 2000;

// What the racer works with: d held open (the real d, wherever it stands) and watched from before the
// installer starts, and what its links lead to.
struct race_plan {
    int target_fd;
    int d_fd;
    int events;  // inotify on the real d
    const std::vector<std::string>* names;
    const char* victim;
    const char* outside;
    bool swap;
};

void plant(const race_plan& p, std::size_t index) {
    if (index >= p.names->size()) return;
    (void)symlinkat(p.victim, p.d_fd, ".racer");
    (void)renameat(p.d_fd, ".racer", p.d_fd, (*p.names)[index].c_str());
}

// Follows the installer by d's events, planting a link to the victim at a name the moment it matters: as
// the built-in rule has removed it, as the temporary bound for it appears, as the name before is placed.
// A placement also shows d met as a directory: with `swap`, each then turns d into a link to `outside`,
// or back.
[[noreturn]] void race(const race_plan& p) {
    std::size_t next = 0;  // the name the installer places next
    bool installer_moving = false;
    bool swapped = false;
    alignas(inotify_event) char buffer[1 << 16];
    for (ssize_t n; (n = read(p.events, buffer, sizeof buffer)) > 0;) {
        for (const char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            const std::string_view name = event->len > 0 ? event->name : "";
            const bool temporary = name.starts_with(".installing.");
            std::size_t index = 0;
            const bool named =
                name.starts_with('f') &&
                std::from_chars(name.data() + 1, name.data() + name.size(), index).ec == std::errc{};
            if ((event->mask & IN_MOVED_FROM) != 0) {
                installer_moving = temporary;
            } else if ((event->mask & IN_MOVED_TO) != 0 && installer_moving && named) {
                next = index + 1;
                plant(p, next);
                if (!p.swap) continue;
                if (swapped) {
                    (void)unlinkat(p.target_fd, "d", 0);
                    (void)renameat(p.target_fd, "d.real", p.target_fd, "d");
                } else {
                    (void)renameat(p.target_fd, "d", p.target_fd, "d.real");
                    (void)symlinkat(p.outside, p.target_fd, "d");
                }
                swapped = !swapped;
            } else if ((event->mask & IN_DELETE) != 0 && named) {
                plant(p, index);
            } else if ((event->mask & IN_CREATE) != 0 && temporary) {
                plant(p, next);
            }
        }
    }
    _exit(0);
}

// One race beneath `root`: `image` installed once (so that the built-in rule removes each name by its path
// first), then again with the racer at work. What went wrong, one line each; empty when nothing did.
std::string race_once(const std::string& image, const std::string& root,
                      const std::vector<std::string>& names, bool swap) {
    // Outside: the victim the links lead to, and files of some of d's names, which a removal or a creation
    // through a link in place of d would reach.
    const std::string outside = root + "/outside";
    const std::string victim = outside + "/victim";
    write_victim(victim, "victim");
    for (std::size_t i = 0; i < names.size(); i += 10) write_victim(outside + "/" + names[i], "outside");
    const auto outside_before = detailed(outside);
    const std::string target = root + "/target";
    std::filesystem::create_directories(target);
    if (!install_into(image, target).err.ends_with(t::COMPLETE)) return "the first installation failed\n";

    const race_plan plan{.target_fd = open(target.c_str(), O_PATH | O_DIRECTORY),
                         .d_fd = open((target + "/d").c_str(), O_PATH | O_DIRECTORY),
                         .events = inotify_init1(IN_CLOEXEC),
                         .names = &names,
                         .victim = victim.c_str(),
                         .outside = outside.c_str(),
                         .swap = swap};
    if (inotify_add_watch(plan.events, (target + "/d").c_str(),
                          IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO) < 0)
        return "no watch on d\n";
    const pid_t racer = fork();
    if (racer == 0) race(plan);
    const auto r = install_into(image, target);
    kill(racer, SIGKILL);
    waitpid(racer, nullptr, 0);
    // Stopped with a link in d's place: the real d back, to look into it.
    if (faccessat(plan.target_fd, "d.real", F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
        (void)unlinkat(plan.target_fd, "d", 0);
        (void)renameat(plan.target_fd, "d.real", plan.target_fd, "d");
    }
    for (const int fd : {plan.events, plan.d_fd, plan.target_fd}) close(fd);

    std::string wrong;
    if (r.timed_out || r.exit_code != 0 || !completed_or_reported(r.err))
        wrong += "ended (status " + std::to_string(r.exit_code) +
                 "): " + r.err.substr(r.err.size() - std::min<size_t>(200, r.err.size())) + "\n";
    wrong += snapshot_differences(detailed(outside), outside_before);
    for (const auto& path : temporaries_in(tree_snapshot(target))) wrong += "left behind: " + path + "\n";
    return wrong;
}

TEST(PlacementSafety, LinksPlantedWhileTheInstallerRunsAreNeverFollowed) {
    temp_dir dir;
    std::vector<std::string> names;
    for (int i = 0; i < RACE_FILES; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%05d", i);
        names.emplace_back(name);
        write_file(dir / "source/d/" + name, std::string("installed ") + name);
    }
    for (const removal_rule& rule : REMOVAL_RULES) {
        const std::string image = mkinstaller_build(
            joined(rule.options, {"--store", dir / "source", dir / ("setup-" + std::string(rule.name))}));
        for (const bool swap : {false, true}) {
            const std::string row = std::string(rule.name) + (swap ? "-swapped" : "-links");
            SCOPED_TRACE(row);
            // On a tmpfs of a child's own where mounting is permitted: on a disk the journal makes the
            // racing installation many times slower.
            const std::string root = dir / row;
            std::filesystem::create_directories(root);
            const auto r = run_in_child([&] {
                if (!private_tmpfs(root, 0, "size=64m")) return 77;
                std::fputs(race_once(image, root, names, swap).c_str(), stderr);
                return 0;
            });
            EXPECT_EQ(r.exit_code == 77 ? race_once(image, root, names, swap) : r.err, "");
        }
    }
}

// The cases: an entry's name and what is put at its path beforehand (0, or -1 with errno).
struct standing_case {
    const char* entry;
    std::function<int(const std::string& path)> plant;
};

int plant_socket(const std::string& path) {
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int bound = bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    close(s);
    return bound;
}

class StandingAtThePath : public target_fixture {
  protected:
    const std::string outside = dir / "outside";

    void SetUp() override {
        write_victim(outside + "/file", "outside file");
        write_victim(outside + "/dir/inner", "inner");
        write_victim(outside + "/hard", "first name");
    }

    // An installer of every case's entry, each file holding its own name, for `rule`.
    std::string build(const std::vector<standing_case>& cases, const removal_rule& rule) {
        const std::string source = dir / ("source-" + std::string(rule.name));
        for (const auto& c : cases) write_file(source + "/" + c.entry, c.entry);
        return mkinstaller_build(joined(rule.options, {source, dir / ("setup-" + std::string(rule.name))}));
    }

    // What a fresh installation of `image` leaves.
    std::map<std::string, std::string> fresh_tree(const std::string& image, const std::string& name) {
        const std::string fresh = dir / ("fresh-" + name);
        std::filesystem::create_directories(fresh);
        EXPECT_TRUE(install_into(image, fresh).err.ends_with(t::COMPLETE));
        return detailed(fresh);
    }
};

TEST_F(StandingAtThePath, LinksFifosAndSocketsAreReplacedAndWhatTheyLeadToKept) {
    const std::vector<standing_case> cases = {
        {"link-to-file",
         [&](const std::string& p) { return symlink((outside + "/file").c_str(), p.c_str()); }},
        {"link-to-dir", [&](const std::string& p) { return symlink((outside + "/dir").c_str(), p.c_str()); }},
        {"hard-link", [&](const std::string& p) { return link((outside + "/hard").c_str(), p.c_str()); }},
        {"fifo", [](const std::string& p) { return mkfifo(p.c_str(), 0644); }},
        {"socket", plant_socket},
        // Beneath a directory of the file's own name, where the built-in rule's removal does not reach.
        {"x/x",
         [&](const std::string& p) {
             return mkdir(p.substr(0, p.size() - 2).c_str(), 0755) == 0
                        ? symlink((outside + "/file").c_str(), p.c_str())
                        : -1;
         }},
    };
    const auto outside_before = detailed(outside);
    for (const removal_rule& rule : REMOVAL_RULES) {
        SCOPED_TRACE(rule.name);
        const std::string image = build(cases, rule);
        const std::string planted = dir / ("planted-" + std::string(rule.name));
        std::filesystem::create_directories(planted);
        for (const auto& c : cases)
            ASSERT_EQ(c.plant(planted + "/" + c.entry), 0) << c.entry << ": " << std::strerror(errno);

        const auto r = install_into(image, planted);
        EXPECT_FALSE(r.timed_out);
        EXPECT_TRUE(r.err.ends_with(t::COMPLETE)) << r.err;
        // Each path a regular file with its bytes, time and mode, and no temporary beside it.
        EXPECT_EQ(detailed(planted), fresh_tree(image, rule.name));
        EXPECT_EQ(detailed(outside), outside_before);
    }
}

TEST_F(StandingAtThePath, ADeviceNodeIsReplaced) {
    // A node of the null device, made on a tmpfs of the child's own (no device node in a real directory).
    const std::vector<standing_case> cases = {
        {"device", [](const std::string& p) { return mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)); }}};
    for (const removal_rule& rule : REMOVAL_RULES) {
        SCOPED_TRACE(rule.name);
        const std::string image = build(cases, rule);
        const auto fresh = fresh_tree(image, rule.name);
        const std::string planted = dir / ("planted-" + std::string(rule.name));
        std::filesystem::create_directories(planted);
        const auto r = run_in_child([&] {
            if (!private_tmpfs(planted, 0, "size=1m") || cases[0].plant(planted + "/device") != 0) return 77;
            const auto run = install_into(image, planted);
            if (!run.err.ends_with(t::COMPLETE)) std::fputs(run.err.c_str(), stderr);
            std::fputs(snapshot_differences(detailed(planted), fresh).c_str(), stderr);
            return 0;
        });
        if (r.exit_code == 77) GTEST_SKIP() << "a tmpfs with a device node is not permitted here";
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.err, "");
    }
}

}  // namespace
