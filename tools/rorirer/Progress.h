// A progress bar for long loads, on standard error and only when standard
// error is a terminal: scripts and logs never see it.
#ifndef RORIRER_TOOLS_PROGRESS_H
#define RORIRER_TOOLS_PROGRESS_H

#include <chrono>
#include <string>

namespace rorirer {

class Progress {
public:
    Progress();
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // `totalBytes` < 0 when the input's size is unknown (a pipe).
    void startSource(const std::string& name, long long totalBytes);
    // Cheap enough to call for every word: it looks at the clock only every
    // few thousand calls and draws at most a few times a second.
    void update(long long words, long long bytes);
    // Erases the bar, if one was drawn, so the next output starts clean.
    void finish();

private:
    void draw(long long words, long long bytes, double seconds);

    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool drawn_ = false;
    std::string name_;
    long long totalBytes_ = -1;
    unsigned calls_ = 0;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_PROGRESS_H
