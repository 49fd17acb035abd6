#include "support/stub_regions.h"

#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "payload/crc16.h"
#include "payload/le_bytes.h"
#include "payload/profile_region.h"
#include "payload/sha256.h"

namespace testing_support {

std::string profile_content(const std::vector<profile_setting>& settings) {
    std::string content;
    for (const auto& [setting, value] : settings) {
        content += static_cast<char>(setting);
        content += static_cast<char>(value.size() & 0xFF);
        content += static_cast<char>(value.size() >> 8);
        content += value;
    }
    return content;
}

std::string base_content_value(const std::string& path, const std::string& old_bytes,
                               const std::string& new_bytes) {
    std::string value(8, '\0');
    payload::store_u32(reinterpret_cast<unsigned char*>(value.data()),
                       static_cast<std::uint32_t>(old_bytes.size()));
    payload::store_u32(reinterpret_cast<unsigned char*>(value.data() + 4),
                       static_cast<std::uint32_t>(new_bytes.size()));
    for (const std::string* bytes : {&old_bytes, &new_bytes}) {
        payload::sha256_state state;
        payload::sha256_init(state);
        payload::sha256_update(state, bytes->data(), bytes->size());
        const payload::sha256_digest digest = payload::sha256_final(state);
        value.append(digest.begin(), digest.end());
    }
    return value + path;
}

std::size_t region_offset(const std::string& image, const payload::kept_marker& kept) {
    const payload::region_marker marker = payload::make_region_marker(kept);
    const std::size_t at = image.find(std::string(marker.begin(), marker.end()));
    if (at == std::string::npos) throw std::runtime_error("no region of that marker in the image");
    return at;
}

void write_region(unsigned char* region, const std::string& content) {
    const std::uint32_t capacity = payload::load_u32(region + payload::REGION_CAPACITY_FIELD);
    if (content.size() > capacity) throw std::runtime_error("more content than the region holds");
    unsigned char* area = region + payload::REGION_HEADER_SIZE;
    std::fill(area, area + capacity, 0);
    std::copy(content.begin(), content.end(), area);
    const auto length = static_cast<std::uint32_t>(content.size());
    payload::store_u32(region + payload::REGION_LENGTH_FIELD, length);
    payload::store_u16(region + payload::REGION_CRC_FIELD, payload::crc16_update(0, area, length));
}

std::string profiled_stub(const std::vector<profile_setting>& settings) {
    std::string stub = read_file(INSTALLER_PATH);
    const std::size_t at = region_offset(stub, payload::PROFILE_MARKER_KEPT);
    write_region(reinterpret_cast<unsigned char*>(stub.data() + at), profile_content(settings));
    return stub;
}

std::string write_installer_with_stub(const std::string& path, const std::string& stub,
                                      const test_payload& payload) {
    write_file(path, installer_image(stub, payload_bytes(payload), (stub.size() + 1023) / 1024 * 1024));
    chmod(path.c_str(), 0755);
    return path;
}

process_result run_itself(const std::string& image, const std::string& input,
                          const std::vector<std::string>& args) {
    std::vector<std::string> argv{image};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(image, argv, {.input = input});
}

}  // namespace testing_support
