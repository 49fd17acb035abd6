// Test helpers for the mkinstaller tests.
#include "builder_test_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "builder/format/stub_profile.h"
#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "payload/le_bytes.h"
#include "payload/license_region.h"
#include "payload/profile_region.h"
#include "support/installer_run.h"
#include "support/stub_regions.h"
#include "support/temp_dir.h"

namespace builder_test {

std::string junk_bytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<char>((x >> 16) | 1);
    }
    return bytes;
}

namespace {

// `stub` with the unwritten region of `bounds` at `offset`, as the stub is compiled with it.
std::string with_region(std::string stub, std::size_t offset, const payload::region_bounds& bounds) {
    if (stub.size() < offset + bounds.size())
        throw std::invalid_argument("a fake stub too small for its regions");
    const payload::region_marker marker = payload::make_region_marker(bounds.kept);
    std::string region(marker.begin(), marker.end());
    region.resize(bounds.size(), '\0');
    payload::store_u32(reinterpret_cast<unsigned char*>(region.data()) + payload::REGION_CAPACITY_FIELD,
                       bounds.capacity);
    return stub.replace(offset, region.size(), region);
}

}  // namespace

std::string fake_stub(std::size_t size) {
    return with_region(junk_bytes(size), 64, payload::LICENSE_REGION);
}

std::string fake_profile_stub(std::size_t size) {
    return with_region(fake_stub(size), FAKE_PROFILE_OFFSET, payload::PROFILE_REGION);
}

std::string fake_stub_with_removal(std::size_t size, payload::same_name_removal removal) {
    std::string stub = fake_profile_stub(size);
    builder::profile_settings settings;
    settings.values[payload::PROFILE_SAME_NAME_REMOVAL] = {builder::choice_value(removal)};
    builder::write_stub_profile(stub, builder::find_stub_profile(stub), settings);
    return stub;
}

void set_mtime(const std::string& path, std::int64_t mtime) {
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        throw std::runtime_error("cannot set the time of " + path);
    }
}

void write_timed_file(const std::string& path, const std::string& bytes, std::int64_t mtime) {
    testing_support::write_file(path, bytes);
    set_mtime(path, mtime);
}

void write_tree(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files) {
    for (const auto& [name, bytes] : files) write_timed_file(root + "/" + name, bytes);
}

testing_support::process_result run_mkinstaller(const std::vector<std::string>& args,
                                                std::vector<std::string> env_set, const std::string& cwd) {
    std::vector<std::string> argv{"mkinstaller"};
    argv.insert(argv.end(), args.begin(), args.end());
    testing_support::process_options options;
    options.env_unset = {"SOURCE_DATE_EPOCH"};
    options.env_set = std::move(env_set);
    options.cwd = cwd;
    return testing_support::run_process(MKINSTALLER_PATH, argv, options);
}

std::string build_installer(const std::vector<std::string>& args, const std::vector<std::string>& env_set) {
    std::vector<std::string> build_args{"build"};
    build_args.insert(build_args.end(), args.begin(), args.end());
    const auto r = run_mkinstaller(build_args, env_set);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return args.back();
}

std::string build_whole_tree(const std::vector<std::string>& args) {
    std::vector<std::string> options = {"--quiet", "--allow-same-name", "--build-time",
                                        std::to_string(TEST_TIME)};
    options.insert(options.end(), args.begin(), args.end());
    return build_installer(options);
}

bool path_exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

void install(const std::string& installer, const std::string& target) {
    // The file itself runs, so that the vendor settings in its own stub are the ones in force.
    const auto r =
        testing_support::run_itself(installer, testing_support::answers_to_install(target) + "n\nn\n");
    testing_support::expect_clean_exit(r);
    ASSERT_NE(r.err.find("Installation complete."), std::string::npos) << r.err;
}

std::vector<std::string> dir_names(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) throw std::runtime_error("cannot list " + dir);
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {
constexpr std::size_t DEEP_COMPONENT = 200;
}

void make_deep_file(const std::string& root, std::size_t length) {
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    const std::string dir(DEEP_COMPONENT, 'd');
    while (length > 255) {
        if (mkdirat(fd, dir.c_str(), 0755) != 0) throw std::runtime_error("mkdirat failed");
        const int next = openat(fd, dir.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        length -= DEEP_COMPONENT + 1;
    }
    const int file = openat(fd, std::string(length, 'f').c_str(), O_WRONLY | O_CREAT, 0644);
    if (file < 0) throw std::runtime_error("cannot create the deep file");
    close(file);
    close(fd);
}

namespace {
void remove_beneath(int fd) {
    DIR* d = fdopendir(fd);
    std::vector<std::pair<std::string, bool>> items;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") items.emplace_back(name, e->d_type == DT_DIR);
    }
    for (const auto& [name, is_dir] : items) {
        if (is_dir) remove_beneath(openat(dirfd(d), name.c_str(), O_RDONLY | O_DIRECTORY));
        unlinkat(dirfd(d), name.c_str(), is_dir ? AT_REMOVEDIR : 0);
    }
    closedir(d);
}
}  // namespace

void remove_deep_tree(const std::string& root) {
    remove_beneath(open(root.c_str(), O_RDONLY | O_DIRECTORY));
}

}  // namespace builder_test
