#include "completion/RankingModel.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rorirer {
namespace {

// The bounds keep every product the store forms in 64 bits.
struct Setting {
    const char* name;
    double RankingModel::*value;
    double least;
    double most;
};

constexpr double kMostWeight = 1e9;

constexpr Setting kSettings[] = {
    {"floor", &RankingModel::floor, 1.0 / 256, 1e6},
    {"contraction", &RankingModel::contraction, 0, 1},
    {"listCount", &RankingModel::listCount, 0, 65536},
    {"personal", &RankingModel::personal, 0, kMostWeight},
    {"document", &RankingModel::document, 0, 65536},
    {"recent", &RankingModel::recent, 0, kMostWeight},
    {"recentDecay", &RankingModel::recentDecay, 0, 1},
    {"nearby", &RankingModel::nearby, 0, kMostWeight},
    {"nearbyDecay", &RankingModel::nearbyDecay, 0, 1},
    {"pair", &RankingModel::pair, 0, kMostWeight},
    {"pairPrior", &RankingModel::pairPrior, 0, 1e6},
    {"capitalAtSentenceStart", &RankingModel::capitalAtSentenceStart, 1e-6, 1e6},
    {"capitalInSentence", &RankingModel::capitalInSentence, 1e-6, 1e6},
    {"capitalStored", &RankingModel::capitalStored, 1e-6, 1e6},
    {"otherCase", &RankingModel::otherCase, 1e-6, 1e6},
};
constexpr const char* kWindowName = "recentWindow";
constexpr std::uint32_t kMostWindow = 4096;

bool readNumber(std::string_view text, double& value) {
    const std::string copy(text);
    if (copy.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return errno == 0 && end == copy.c_str() + copy.size() && std::isfinite(value);
}

}  // namespace

bool RankingModel::parse(std::string_view settings, std::string& error) {
    RankingModel next = *this;
    while (!settings.empty()) {
        const std::size_t comma = settings.find(',');
        const std::string_view item = settings.substr(0, comma);
        settings =
            comma == std::string_view::npos ? std::string_view() : settings.substr(comma + 1);
        if (item.empty()) continue;
        const std::size_t equals = item.find('=');
        const std::string_view name = item.substr(0, equals);
        double value = 0;
        if (equals == std::string_view::npos || !readNumber(item.substr(equals + 1), value)) {
            error = "'" + std::string(item) + "': expected name=number";
            return false;
        }
        bool known = false;
        for (const Setting& s : kSettings) {
            if (name != s.name) continue;
            if (value < s.least || value > s.most) {
                char range[96];
                std::snprintf(range, sizeof range, " is out of range (%g to %g)", s.least, s.most);
                error = std::string(item) + range;
                return false;
            }
            next.*s.value = value;
            known = true;
        }
        if (name == kWindowName) {
            if (value < 0 || value > kMostWindow || value != std::floor(value)) {
                error = std::string(item) + ": expected a whole number up to " +
                        std::to_string(kMostWindow);
                return false;
            }
            next.recentWindow = static_cast<std::uint32_t>(value);
            known = true;
        }
        if (!known) {
            error = "unknown setting '" + std::string(name) + "'";
            return false;
        }
    }
    *this = next;
    return true;
}

std::string RankingModel::describe() const {
    std::string out;
    char number[64];
    for (const Setting& s : kSettings) {
        std::snprintf(number, sizeof number, "%.6g", this->*s.value);
        out += std::string(out.empty() ? "" : ",") + s.name + "=" + number;
        if (s.value == &RankingModel::recentDecay)
            out += std::string(",") + kWindowName + "=" + std::to_string(recentWindow);
    }
    return out;
}

}  // namespace rorirer
