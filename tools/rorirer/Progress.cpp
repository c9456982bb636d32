#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace rorirer {
namespace {

// Loads shorter than this never show a bar.
constexpr double kQuietSeconds = 1.0;
constexpr double kRedrawSeconds = 0.2;
constexpr int kBarWidth = 24;

// "[####....] 45%", or nothing when the total is unknown.
std::string barOf(double done, double total) {
    if (total <= 0) return "";
    int percent = static_cast<int>(100.0 * done / total);
    if (percent > 100) percent = 100;
    const int filled = percent * kBarWidth / 100;
    std::string bar = " [";
    for (int i = 0; i < kBarWidth; ++i) bar.push_back(i < filled ? '#' : '.');
    char tail[16];
    std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    return bar + tail;
}

}  // namespace

Progress::Progress() : enabled_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}

Progress::~Progress() { finish(); }

void Progress::startSource(const std::string& name, long long totalBytes) {
    name_ = name;
    totalBytes_ = totalBytes;
    stage_ = nullptr;
}

bool Progress::due(const char* stage) noexcept {
    const Clock::time_point now = Clock::now();
    if (std::chrono::duration<double>(now - start_).count() < kQuietSeconds) return false;
    const bool newStage = stage != stage_;
    stage_ = stage;
    if (!newStage && drawn_ &&
        std::chrono::duration<double>(now - lastDraw_).count() < kRedrawSeconds)
        return false;
    lastDraw_ = now;
    return true;
}

void Progress::update(long long words, long long bytes) {
    if (!enabled_ || (++calls_ & 0xfff) != 0) return;
    if (!due("reading")) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    drawReading(words, bytes, seconds);
}

void Progress::drawReading(long long words, long long bytes, double seconds) {
    const std::string bar = barOf(static_cast<double>(bytes), static_cast<double>(totalBytes_));
    std::fprintf(stderr, "\r\033[Kloading %s%s  %lld words  %.0f words/s  %.1f MB/s", name_.c_str(),
                 bar.c_str(), words, static_cast<double>(words) / seconds,
                 static_cast<double>(bytes) / 1e6 / seconds);
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::report(const char* stage, std::size_t done, std::size_t total) noexcept {
    if (!enabled_ || !due(stage)) return;
    try {
        const std::string bar = barOf(static_cast<double>(done), static_cast<double>(total));
        std::fprintf(stderr, "\r\033[K%s: %s%s", name_.c_str(), stage, bar.c_str());
        std::fflush(stderr);
        drawn_ = true;
    } catch (...) {
        // A bar that cannot be built is not drawn; the load goes on.
    }
}

void Progress::finish() noexcept {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace rorirer
