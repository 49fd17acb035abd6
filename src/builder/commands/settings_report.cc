#include "builder/commands/settings_report.h"

#include <array>
#include <string_view>
#include <vector>

#include "builder/util/json_text.h"
#include "payload/installer_report.h"

namespace builder {
namespace {

std::string json_value(const payload::vendor_setting& setting, const std::vector<std::string>& values) {
    switch (setting.kind) {
        case payload::setting_kind::list: {
            std::string items;
            for (const std::string& item : values) items += (items.empty() ? "" : ", ") + json_string(item);
            return "[" + items + "]";
        }
        case payload::setting_kind::choice:
            return json_string(choice_name(setting, values.front()));
        case payload::setting_kind::path:  // empty only where none is built in
            return values.front().empty() ? "null" : json_string(values.front());
        default:
            return json_string(values.front());
    }
}

}  // namespace

std::string settings_json(const profile_values& values) {
    std::string text;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        text += (text.empty() ? "    \"" : ",\n    \"") + json_key(setting) +
                "\": " + json_value(setting, values.values[setting.number]);
    }
    return text;
}

namespace {

// The values in force as the shared writers take them; the views point into `views` and `values`.
using setting_texts = std::array<std::vector<std::string_view>, payload::VENDOR_NUMBER_LIMIT>;
payload::setting_views views_of(const profile_values& values, setting_texts& views) {
    payload::setting_views in_force{};
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        const std::vector<std::string>& given = values.values[setting.number];
        views[setting.number].assign(given.begin(), given.end());
        in_force[setting.number] = views[setting.number];
    }
    return in_force;
}

}  // namespace

void print_changed_settings(const profile_values& values, std::ostream& out) {
    setting_texts views;
    const auto write = [&out](std::string_view piece) { out << piece; };
    payload::write_changed_settings(views_of(values, views), payload::writer_to(write));
}

void print_sample_texts(std::string_view product, const profile_values& values, bool license_built_in,
                        std::ostream& out) {
    setting_texts views;
    const auto write = [&out](std::string_view piece) { out << piece; };
    payload::write_sample_texts_line(product, views_of(values, views), license_built_in,
                                     payload::writer_to(write));
}

std::string sample_texts(std::string_view product, const profile_values& values, bool license_built_in) {
    setting_texts views;
    std::string labels;
    const auto write = [&labels](std::string_view piece) { labels.append(piece); };
    (void)payload::write_sample_texts(product, views_of(values, views), license_built_in,
                                      payload::writer_to(write));
    return labels;
}

}  // namespace builder
