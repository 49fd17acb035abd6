// The vendor's settings as records, and the values they stand for.
#include "builder/format/profile_settings.h"

#include <algorithm>

namespace builder {
namespace {

void append_record(std::string& out, std::uint8_t setting, std::string_view value) {
    out.push_back(static_cast<char>(setting));
    out.push_back(static_cast<char>(value.size() & 0xFF));
    out.push_back(static_cast<char>(value.size() >> 8));
    out.append(value);
}

void append_u32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::string release_value(const update_base_settings& update) {
    std::string release;
    for (const std::string* text : {&update.product, &update.version}) {
        release.push_back(static_cast<char>(text->size()));
        release.append(*text);
    }
    return release;
}

std::string base_file_value(const base_file_settings& file) {
    std::string value;
    append_u32(value, file.old_size);
    append_u32(value, file.new_size);
    for (const payload::sha256_digest* digest : {&file.old_digest, &file.new_digest})
        value.append(reinterpret_cast<const char*>(digest->data()), digest->size());
    return value + file.path;
}

}  // namespace

bool base_file_settings::kept() const {
    if (old_size != new_size) return false;
    return by_content ? old_digest == new_digest : old_mtime == new_mtime;
}

bool profile_settings::empty() const {
    return !update_of && std::ranges::all_of(values, [](const auto& given) { return given.empty(); });
}

profile_values effective_values(const profile_settings& s) {
    profile_values v;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        const std::vector<std::string>& given = s.values[setting.number];
        v.values[setting.number] =
            given.empty() ? std::vector<std::string>(setting.built_in.begin(), setting.built_in.end())
                          : given;
    }
    v.removal =
        static_cast<payload::same_name_removal>(v.values[payload::PROFILE_SAME_NAME_REMOVAL].front().front());
    v.update_of = s.update_of;
    v.methods = {.touch = s.update_of.has_value(),
                 .link = static_cast<payload::links>(v.values[payload::PROFILE_LINKS].front().front()) ==
                         payload::links::keep};
    return v;
}

std::string_view choice_name(const payload::vendor_setting& setting, std::string_view value) {
    return setting.choices[static_cast<unsigned char>(value.front())].name;
}

std::optional<std::string> choice_named(const payload::vendor_setting& setting, std::string_view name) {
    for (std::size_t i = 0; i < payload::choice_count(setting); ++i) {
        if (setting.choices[i].name == name) return choice_value(i);
    }
    return std::nullopt;
}

std::string json_key(const payload::vendor_setting& setting) {
    std::string key(setting.key());
    std::ranges::replace(key, '-', '_');
    return key;
}

profile_settings settings_of(const payload::vendor_profile& p) {
    profile_settings s;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        std::vector<std::string>& values = s.values[setting.number];
        for (const std::string_view value : p.given(setting.number)) values.emplace_back(value);
        // A region holds a choice only when the vendor made one. Both read the same either way, and a
        // region written anew from these (an update built over a stub of the vendor's) has always held
        // both choices.
        if (setting.kind == payload::setting_kind::choice && values.empty())
            values.emplace_back(setting.built_in.front());
    }
    if (p.update_of) {
        update_base_settings& u = s.update_of.emplace();
        u.product = p.update_of->product;
        u.version = p.update_of->version;
        for (std::size_t i = 0; i < p.base_count; ++i) {
            const payload::base_file& f = p.base_files[i];
            base_file_settings& file = u.files.emplace_back();
            file.path = f.path;
            file.old_size = f.old_size;
            file.new_size = f.new_size;
            file.by_content = f.by_content();
            if (file.by_content) {
                std::copy_n(f.digests, payload::PROFILE_DIGEST_SIZE, file.old_digest.begin());
                std::copy_n(f.digests + payload::PROFILE_DIGEST_SIZE, payload::PROFILE_DIGEST_SIZE,
                            file.new_digest.begin());
            } else {
                file.old_mtime = f.old_mtime;
                file.new_mtime = f.new_mtime;
            }
        }
    }
    return s;
}

profile_settings as_written(profile_settings settings) {
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        std::vector<std::string>& values = settings.values[setting.number];
        if (values.empty() && setting.written_choice != 0) values = {choice_value(setting.written_choice)};
    }
    return settings;
}

std::size_t fit_base_files(profile_settings& settings) {
    if (!settings.update_of) return 0;
    std::vector<base_file_settings>& files = settings.update_of->files;
    profile_settings without = as_written(settings);
    without.update_of->files.clear();
    std::size_t size = encode_profile(without).size();
    std::size_t fitting = 0;
    for (; fitting < files.size(); ++fitting) {
        size +=
            payload::PROFILE_RECORD_HEAD + payload::PROFILE_BASE_CONTENT_HEAD + files[fitting].path.size();
        if (size > payload::PROFILE_CONTENT_CAPACITY) break;
    }
    const std::size_t dropped = files.size() - fitting;
    files.resize(fitting);
    return dropped;
}

std::string encode_profile(const profile_settings& s) {
    std::string out;
    for (std::uint8_t number = 1; number <= payload::PROFILE_LAST_SETTING; ++number) {
        if (number == payload::PROFILE_UPDATE_OF) {
            if (s.update_of) append_record(out, number, release_value(*s.update_of));
        } else if (number == payload::PROFILE_BASE_CONTENT) {
            if (!s.update_of) continue;
            for (const base_file_settings& file : s.update_of->files)
                append_record(out, number, base_file_value(file));
        } else if (number < payload::VENDOR_NUMBER_LIMIT) {
            for (const std::string& value : s.values[number]) append_record(out, number, value);
        }
    }
    return out;
}

}  // namespace builder
