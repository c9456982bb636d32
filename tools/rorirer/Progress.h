// A progress bar for long loads, on standard error and only when standard
// error is a terminal: scripts and logs never see it. It follows every
// stage of a load: reading a source, each stage of the store's build, and
// reading or writing a compiled list.
#ifndef RORIRER_TOOLS_PROGRESS_H
#define RORIRER_TOOLS_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <string>

#include "completion/BuildProgress.h"

namespace rorirer {

class Progress final : public BuildProgress {
public:
    Progress();
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // `totalBytes` < 0 when the input's size is unknown (a pipe).
    void startSource(const std::string& name, long long totalBytes);
    // Reading the source. Cheap enough to call for every word: it looks at
    // the clock only every few thousand calls and draws at most a few times
    // a second.
    void update(long long words, long long bytes);
    // A stage of the build or of a compiled list, for the current source.
    void report(const char* stage, std::size_t done, std::size_t total) noexcept override;
    // Erases the bar, if one was drawn, so the next output starts clean.
    void finish() noexcept;

private:
    // Whether a bar may be drawn now: after the quiet first second, at most
    // a few times a second, and at once for a new stage.
    bool due(const char* stage) noexcept;
    void drawReading(long long words, long long bytes, double seconds);

    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool drawn_ = false;
    std::string name_;
    long long totalBytes_ = -1;
    unsigned calls_ = 0;
    const char* stage_ = nullptr;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_PROGRESS_H
