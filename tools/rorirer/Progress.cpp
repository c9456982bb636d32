#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace rorirer {
namespace {

// Loads shorter than this never show a bar.
constexpr double kQuietSeconds = 1.0;
constexpr double kRedrawSeconds = 0.2;
constexpr int kBarWidth = 24;

}  // namespace

Progress::Progress() : enabled_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}

Progress::~Progress() { finish(); }

void Progress::startSource(const std::string& name, long long totalBytes) {
    name_ = name;
    totalBytes_ = totalBytes;
}

void Progress::update(long long words, long long bytes) {
    if (!enabled_ || (++calls_ & 0xfff) != 0) return;
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (seconds < kQuietSeconds) return;
    if (drawn_ && std::chrono::duration<double>(now - lastDraw_).count() < kRedrawSeconds) return;
    lastDraw_ = now;
    draw(words, bytes, seconds);
}

void Progress::draw(long long words, long long bytes, double seconds) {
    char bar[kBarWidth + 1];
    int percent = -1;
    if (totalBytes_ > 0) {
        percent =
            static_cast<int>(100.0 * static_cast<double>(bytes) / static_cast<double>(totalBytes_));
        if (percent > 100) percent = 100;
    }
    const int filled = percent < 0 ? 0 : percent * kBarWidth / 100;
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    const double wordsPerSecond = static_cast<double>(words) / seconds;
    const double megabytesPerSecond = static_cast<double>(bytes) / 1e6 / seconds;
    if (percent >= 0) {
        std::fprintf(stderr, "\r\033[Kloading %s [%s] %3d%%  %lld words  %.0f words/s  %.1f MB/s",
                     name_.c_str(), bar, percent, words, wordsPerSecond, megabytesPerSecond);
    } else {
        std::fprintf(stderr, "\r\033[Kloading %s  %lld words  %.0f words/s  %.1f MB/s",
                     name_.c_str(), words, wordsPerSecond, megabytesPerSecond);
    }
    std::fflush(stderr);
    drawn_ = true;
}

void Progress::finish() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace rorirer
