#include "builder/inspect/stub_identity.h"

#include <algorithm>
#include <utility>

#include "builder/format/region_place.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"

namespace builder {
namespace {

// No stub is this large; a file that is has no business being compared.
constexpr std::uint64_t STUB_MAX_SIZE = std::uint64_t{64} << 20;

// Empty when `program` is `stub` outside the regions at `regions` (sorted), else where it first differs.
std::string first_difference(std::string_view program, std::string_view stub,
                             std::vector<std::pair<std::uint64_t, std::size_t>> regions) {
    regions.emplace_back(stub.size(), 0);  // the stretch after the last region runs to the stub's end
    std::size_t at = 0;
    for (const auto& [start, size] : regions) {
        const auto mismatch = std::mismatch(stub.begin() + at, stub.begin() + start, program.begin() + at);
        if (mismatch.first != stub.begin() + start)
            return "differs from it at offset " + std::to_string(mismatch.first - stub.begin());
        at = start + size;
    }
    const std::size_t extra = program.find_first_not_of('\0', stub.size());
    if (extra != std::string_view::npos)
        return "holds more than zero bytes behind the stub's end, at offset " + std::to_string(extra);
    return "";
}

}  // namespace

std::string not_shipped_text(const stub_identity& identity) {
    std::string text = "the program in front of the payload is not a stub this mkinstaller ships (";
    if (identity.stub.empty()) return text + identity.difference + ")";
    return text + "compared with " + shown(identity.stub) + ", it " + identity.difference + ")";
}

stub_identity identify_stub(std::string_view program, const std::vector<std::string>& shipped) {
    stub_identity identity;
    identity.difference = "there is no stub of this mkinstaller to compare it with";
    for (const std::string& path : shipped) {
        std::string stub;
        try {
            // A program of another size than the stub and its padding to 1024 is told without reading it.
            const std::uint64_t size = open_regular_input(path, "", "stub", STUB_MAX_SIZE).size;
            if (program.size() < size || program.size() >= size + 1024) {
                if (identity.stub.empty()) {
                    identity.stub = path;
                    identity.difference = "is " + std::to_string(program.size()) + " bytes long, the stub " +
                                          std::to_string(size);
                }
                continue;
            }
            stub = read_input_file(path, "", "stub", STUB_MAX_SIZE);
        } catch (const error&) {
            continue;
        }
        const region_place profile = find_region(stub, PROFILE_KIND);
        const region_place license = find_region(stub, LICENSE_KIND);
        if (profile.found != region_place::state::one || license.found != region_place::state::one) continue;
        std::vector<std::pair<std::uint64_t, std::size_t>> regions = {
            {profile.offset, std::min(PROFILE_KIND.bounds.size(), stub.size() - profile.offset)},
            {license.offset, std::min(LICENSE_KIND.bounds.size(), stub.size() - license.offset)}};
        std::sort(regions.begin(), regions.end());
        std::string difference = first_difference(program, stub, std::move(regions));
        if (identity.stub.empty() || difference.empty()) {
            identity.stub = path;
            identity.difference = std::move(difference);
        }
        if (identity.difference.empty()) {
            identity.shipped = true;
            identity.profile_offset = profile.offset;
            identity.license_offset = license.offset;
            return identity;
        }
    }
    return identity;
}

}  // namespace builder
