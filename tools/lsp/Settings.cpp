#include "lsp/Settings.h"

#include <nlohmann/json.hpp>

namespace rorirer::lsp {
namespace {

using nlohmann::json;

constexpr std::size_t kMaxDictionaries = 1000;

// A short account of a value the client sent. Arrays and objects are named,
// never printed: printing recurses as deep as the value nests.
std::string describe(const json& value) {
    if (value.is_structured()) return std::string("an ") + value.type_name();
    if (!value.is_string()) return value.dump();
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() <= 60) return json(text).dump(-1, ' ', false, json::error_handler_t::replace);
    return json(text.substr(0, 57)).dump(-1, ' ', false, json::error_handler_t::replace) + "...";
}

class Reader {
public:
    Reader(const json& object, std::vector<std::string>& problems)
        : object_(object), problems_(problems) {}

    // The value under `key` when present and not null.
    const json* find(const char* key) const {
        const auto found = object_.find(key);
        return found == object_.end() || found->is_null() ? nullptr : &*found;
    }

    void reject(const char* key, const json& value, const char* expected) {
        problems_.push_back(std::string("setting '") + key + "': expected " + expected + ", got " +
                            describe(value) + "; keeping the previous value");
    }

    template <typename Number>
    void readCount(const char* key, Number& target, long long low, long long high) {
        const json* value = find(key);
        if (value == nullptr) return;
        // Parsed JSON holds a non-negative number as unsigned, one built in
        // code as signed: both are taken.
        if (value->is_number_integer() && (value->is_number_unsigned() || *value >= 0)) {
            const unsigned long long number = value->get<unsigned long long>();
            if (number >= static_cast<unsigned long long>(low) &&
                number <= static_cast<unsigned long long>(high)) {
                target = static_cast<Number>(number);
                return;
            }
        }
        const std::string expected =
            "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        reject(key, *value, expected.c_str());
    }

    void readFlag(const char* key, bool& target) {
        const json* value = find(key);
        if (value == nullptr) return;
        if (value->is_boolean()) {
            target = value->get<bool>();
        } else {
            reject(key, *value, "true or false");
        }
    }

    template <typename Enum, std::size_t N>
    void readChoice(const char* key, Enum& target, const char* const (&names)[N],
                    const Enum (&values)[N], const char* expected) {
        const json* value = find(key);
        if (value == nullptr) return;
        if (value->is_string()) {
            for (std::size_t i = 0; i < N; ++i) {
                if (value->get_ref<const std::string&>() == names[i]) {
                    target = values[i];
                    return;
                }
            }
        }
        reject(key, *value, expected);
    }

    void readPaths(const char* key, std::vector<std::string>& target) {
        const json* value = find(key);
        if (value == nullptr) return;
        if (value->is_array() && value->size() <= kMaxDictionaries) {
            std::vector<std::string> paths;
            for (const json& path : *value) {
                if (!path.is_string() || path.get_ref<const std::string&>().empty()) {
                    paths.clear();
                    break;
                }
                paths.push_back(path.get<std::string>());
            }
            if (paths.size() == value->size()) {
                target = std::move(paths);
                return;
            }
        }
        reject(key, *value, "an array of at most 1000 non-empty paths");
    }

private:
    const json& object_;
    std::vector<std::string>& problems_;
};

}  // namespace

bool Settings::operator==(const Settings& other) const {
    return dictionaries == other.dictionaries && minLength == other.minLength &&
           style == other.style && learnFromDocuments == other.learnFromDocuments &&
           lineLimit == other.lineLimit;
}

void readSettings(const json& message, Settings& settings, std::vector<std::string>& problems) {
    if (!message.is_object()) {
        if (!message.is_null())
            problems.push_back("settings: expected an object, got " + describe(message));
        return;
    }
    const auto nested = message.find("rorirer");
    const json& object = nested != message.end() && nested->is_object() ? *nested : message;
    Reader reader(object, problems);
    reader.readPaths("dictionaries", settings.dictionaries);
    reader.readCount("minLength", settings.minLength, 1, 1000);
    reader.readCount("maxItems", settings.style.limit, 1, 10000);
    static const char* const caseNames[] = {"exact", "ignore", "smart", "infer"};
    static const CaseMode caseValues[] = {CaseMode::kExact, CaseMode::kIgnore, CaseMode::kSmart,
                                          CaseMode::kInfer};
    reader.readChoice("case", settings.style.caseMode, caseNames, caseValues,
                      R"("exact", "ignore", "smart" or "infer")");
    static const char* const sortNames[] = {"rank", "alpha"};
    static const SortOrder sortValues[] = {SortOrder::kRank, SortOrder::kAlpha};
    reader.readChoice("sort", settings.style.sortOrder, sortNames, sortValues,
                      R"("rank" or "alpha")");
    reader.readFlag("fuzzy", settings.style.fuzzy);
    reader.readFlag("learnFromDocuments", settings.learnFromDocuments);
    reader.readCount("lineLimit", settings.lineLimit, 1, 1LL << 30);
}

}  // namespace rorirer::lsp
