#include "builder/commands/settings_report.h"

#include <algorithm>
#include <vector>

#include "builder/format/stub_license.h"
#include "builder/util/display_text.h"
#include "builder/util/json_text.h"

namespace builder {
namespace {

// "3 lines, the first \"...\"", or "none" for a text that shows no lines.
std::string text_summary(std::string_view text) {
    if (text.empty()) return "none";
    return std::to_string(license_line_count(text)) + " lines, the first " + shown(license_first_line(text));
}

std::string info_value(const payload::vendor_setting& setting, const std::vector<std::string>& values) {
    const std::string& value = values.front();
    switch (setting.kind) {
        case payload::setting_kind::line:
            return value.empty() && setting.limits.may_be_empty ? "none" : shown(value);
        case payload::setting_kind::lines:
            return text_summary(value);
        case payload::setting_kind::list: {
            std::string text;
            for (const std::string& item : values) text += (text.empty() ? "" : ", ") + shown(item);
            return text;
        }
        case payload::setting_kind::choice: {
            const std::size_t chosen = static_cast<unsigned char>(value.front());
            return std::string(setting.choices[chosen].name) + " " +
                   std::string(setting.choices[chosen].note);
        }
        default:
            return shown(value);
    }
}

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

void print_changed_settings(const profile_values& values, std::ostream& out) {
    std::vector<const payload::vendor_setting*> shown_order;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) shown_order.push_back(&setting);
    std::ranges::stable_sort(shown_order, {}, &payload::vendor_setting::shown);
    for (const payload::vendor_setting* setting : shown_order) {
        const std::vector<std::string>& value = values.values[setting->number];
        if (std::ranges::equal(value, setting->built_in)) continue;
        out << setting->info_label << ": " << info_value(*setting, value) << '\n';
    }
}

}  // namespace builder
