// The vendor's settings as records, and the profile region in a stub's bytes.
#include "builder/format/stub_profile.h"

#include "builder/format/region_place.h"
#include "builder/format/region_words.h"
#include "builder/util/error.h"
#include "payload/vendor_defaults.h"

namespace builder {
namespace {

void append_record(std::string& out, std::uint8_t setting, std::string_view value) {
    out.push_back(static_cast<char>(setting));
    out.push_back(static_cast<char>(value.size() & 0xFF));
    out.push_back(static_cast<char>(value.size() >> 8));
    out.append(value);
}

void append_choice(std::string& out, std::uint8_t setting, std::uint8_t choice) {
    append_record(out, setting, std::string_view(reinterpret_cast<const char*>(&choice), 1));
}

void append_u32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void append_update(std::string& out, const update_base_settings& update) {
    std::string release;
    for (const std::string* text : {&update.product, &update.version}) {
        release.push_back(static_cast<char>(text->size()));
        release.append(*text);
    }
    append_record(out, payload::PROFILE_UPDATE_OF, release);
    for (const base_file_settings& file : update.files) {
        std::string value;
        append_u32(value, file.old_size);
        append_u32(value, static_cast<std::uint32_t>(file.old_mtime));
        append_u32(value, file.new_size);
        append_u32(value, static_cast<std::uint32_t>(file.new_mtime));
        append_record(out, payload::PROFILE_BASE_FILE, value + file.path);
    }
}

std::optional<std::string> owned(const std::optional<std::string_view>& view) {
    if (!view) return std::nullopt;
    return std::string(*view);
}

profile_settings settings_of(const payload::vendor_profile& p) {
    profile_settings s;
    s.title = owned(p.title);
    s.thanks = owned(p.thanks);
    s.closing_text = owned(p.closing_text);
    s.default_dir = owned(p.default_dir);
    for (std::size_t i = 0; i < p.root_count; ++i) s.roots.emplace_back(p.roots[i]);
    s.existing_dir_text = owned(p.existing_dir_text);
    // A region holds a choice only when the vendor made one; both read the same either way.
    s.removal = p.removal;
    s.exit = p.exit;
    if (p.update_of) {
        update_base_settings& u = s.update_of.emplace();
        u.product = p.update_of->product;
        u.version = p.update_of->version;
        for (std::size_t i = 0; i < p.base_count; ++i) {
            const payload::base_file& f = p.base_files[i];
            u.files.push_back({std::string(f.path), f.old_size, f.old_mtime, f.new_size, f.new_mtime});
        }
    }
    return s;
}

}  // namespace

bool profile_settings::empty() const {
    return !title && !thanks && !closing_text && !default_dir && roots.empty() && !existing_dir_text &&
           !removal && !exit && !update_of;
}

profile_values effective_values(const profile_settings& s) {
    profile_values v;
    v.title = s.title.value_or(std::string(payload::DEFAULT_TITLE));
    v.thanks = s.thanks.value_or(std::string(payload::DEFAULT_THANKS));
    v.closing_text = s.closing_text.value_or(std::string(payload::DEFAULT_CLOSING_TEXT));
    v.default_dir = s.default_dir.value_or(std::string(payload::DEFAULT_TARGET_DIR));
    if (s.roots.empty()) {
        v.roots.assign(payload::DEFAULT_ROOTS.begin(), payload::DEFAULT_ROOTS.end());
    } else {
        v.roots = s.roots;
    }
    v.existing_dir_text = s.existing_dir_text.value_or(std::string(payload::DEFAULT_EXISTING_DIR_TEXT));
    v.removal = s.removal.value_or(payload::same_name_removal::anywhere);
    v.exit = s.exit.value_or(payload::exit_status::always_zero);
    v.update_of = s.update_of;
    return v;
}

std::string_view removal_name(payload::same_name_removal removal) {
    return removal == payload::same_name_removal::path ? "path" : "anywhere";
}

std::string_view exit_status_name(payload::exit_status exit) {
    return exit == payload::exit_status::conventional ? "conventional" : "always-zero";
}

std::optional<payload::same_name_removal> removal_from_name(std::string_view name) {
    if (name == "anywhere") return payload::same_name_removal::anywhere;
    if (name == "path") return payload::same_name_removal::path;
    return std::nullopt;
}

std::optional<payload::exit_status> exit_status_from_name(std::string_view name) {
    if (name == "always-zero") return payload::exit_status::always_zero;
    if (name == "conventional") return payload::exit_status::conventional;
    return std::nullopt;
}

std::string encode_profile(const profile_settings& s) {
    std::string out;
    if (s.title) append_record(out, payload::PROFILE_TITLE, *s.title);
    if (s.thanks) append_record(out, payload::PROFILE_THANKS, *s.thanks);
    if (s.closing_text) append_record(out, payload::PROFILE_CLOSING_TEXT, *s.closing_text);
    if (s.default_dir) append_record(out, payload::PROFILE_DEFAULT_DIR, *s.default_dir);
    for (const std::string& root : s.roots) append_record(out, payload::PROFILE_RECOMMEND, root);
    if (s.existing_dir_text) append_record(out, payload::PROFILE_EXISTING_DIR_TEXT, *s.existing_dir_text);
    if (s.removal)
        append_choice(out, payload::PROFILE_SAME_NAME_REMOVAL, static_cast<std::uint8_t>(*s.removal));
    if (s.exit) append_choice(out, payload::PROFILE_EXIT_STATUS, static_cast<std::uint8_t>(*s.exit));
    if (s.update_of) append_update(out, *s.update_of);
    return out;
}

std::string profile_damage_text(const stub_profile& found) {
    switch (found.check) {
        case payload::profile_check::bad_frame:
            return frame_damage_text(PROFILE_KIND, found.frame, found.capacity);
        case payload::profile_check::bad_record:
            return "a setting's record is cut short or of an unknown setting";
        case payload::profile_check::repeated:
            return "a setting is given more than once";
        case payload::profile_check::bad_value:
            return "a setting's value cannot be used";
        case payload::profile_check::no_release:
            return "it checks base files for no release";
        default:
            return "it is sound";
    }
}

stub_profile find_stub_profile(std::string_view bytes) {
    stub_profile found;
    const region_place place = find_region(bytes, PROFILE_KIND);
    if (place.found == region_place::state::none) return found;
    if (place.found == region_place::state::several) {
        found.found = stub_profile::state::several_markers;
        return found;
    }
    found.offset = place.offset;
    found.capacity = place.declared;
    found.frame = place.frame;
    payload::vendor_profile profile;
    found.check = payload::read_profile_region(place.region(bytes), place.available, profile);
    switch (found.check) {
        case payload::profile_check::written:
            found.found = stub_profile::state::written;
            found.settings = settings_of(profile);
            break;
        case payload::profile_check::unwritten:
            found.found = stub_profile::state::built_in;
            break;
        default:
            found.found = stub_profile::state::damaged;
            break;
    }
    return found;
}

void require_stub_profile(const stub_profile& found, const std::string& what, bool settings_given) {
    switch (found.found) {
        case stub_profile::state::not_a_stub:
            if (!settings_given) return;
            throw error(what +
                        " carries no profile region: it is not an installer stub that takes the vendor's "
                        "settings");
        case stub_profile::state::several_markers:
            if (!settings_given) return;
            throw error(what +
                        " carries the profile region's marker more than once: which region is the "
                        "stub's cannot be told");
        default:
            break;
    }
    // As with the licence region, only a region as the stub reads it makes it the stub's.
    require_region_as_read(PROFILE_KIND, found.frame, found.offset, found.capacity, what);
    // Settings could replace its content, but a stub whose region is damaged was damaged after it was
    // built: the rest of it cannot be trusted either.
    if (found.found == stub_profile::state::damaged)
        throw error(what + ": its profile region is damaged (" + profile_damage_text(found) +
                    "); the installer would refuse to start");
}

void write_stub_profile(std::string& stub, const stub_profile& found, const profile_settings& settings) {
    const std::string content = encode_profile(settings);
    if (content.size() > payload::PROFILE_CONTENT_CAPACITY) {
        throw error("the profile settings take " + std::to_string(content.size()) +
                    " bytes; the stub's profile region holds at most " +
                    std::to_string(payload::PROFILE_CONTENT_CAPACITY));
    }
    write_region_content(stub, found.offset, payload::PROFILE_REGION, content);
}

}  // namespace builder
